// MIP chain generation and tinted levels: worked values, chain lengths, the box-mean
// identity of linear halving, refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "ImageOps/MIPMaps.h"
#include "ImageOpsTestUtil.h"

using namespace qeltexture;
using namespace imageops_test;

TEST(GenerateMIPMaps, FullChainLengths) {
    CQelTexture t = makeTexture<uint8_t>(256, 64);
    ASSERT_TRUE(GenerateMIPMaps(t, eResizeLinear, 0xFFFFFFFFu));
    ASSERT_EQ(9u, t.getNumMIPLevels());
    const uint32_t widths[9] = {256, 128, 64, 32, 16, 8, 4, 2, 1}, heights[9] = {64, 32, 16, 8, 4, 2, 1, 1, 1};
    for (uint32_t L = 0; L < 9; ++L) EXPECT_EQ(widths[L] * 1000 + heights[L], t.getWidth(L) * 1000 + t.getHeight(L));
    EXPECT_EQ(t.getDataSize(-1), t.getDataBlockSize());
    EXPECT_EQ(3u, fullMIPChainLength(5, 1, 1));
    EXPECT_EQ(4u, fullMIPChainLength(1, 1, 8));
}

TEST(GenerateMIPMaps, ExtraLevelsOfASinglePixelCopyItClampedByTheFilters) {
    for (EResizeMode mode : {eResizeNearest, eResizeLinear, eResizeCubic}) {
        CQelTexture t8 = makeTexture<uint8_t>(1, 1);
        fill<uint8_t>(t8, {7, 200, 33, 90});
        ASSERT_TRUE(GenerateMIPMaps(t8, mode, 3));
        ASSERT_EQ(3u, t8.getNumMIPLevels());
        for (uint32_t L = 0; L < 3; ++L) EXPECT_EQ((Pixel<uint8_t>{7, 200, 33, 90}), pixels<uint8_t>(t8, L)[0]);

        CQelTexture tf = makeTexture<float>(1, 1);
        fill<float>(tf, {1.5f, -0.5f, 0.5f, 1.0f});
        ASSERT_TRUE(GenerateMIPMaps(tf, mode, 3));
        const Pixel<float> below = mode == eResizeNearest ? Pixel<float>{1.5f, -0.5f, 0.5f, 1.0f}
                                                          : Pixel<float>{1.0f, 0.0f, 0.5f, 1.0f};
        EXPECT_EQ(below, pixels<float>(tf, 1)[0]) << mode;
        EXPECT_EQ(below, pixels<float>(tf, 2)[0]) << mode;
    }
}

TEST(GenerateMIPMaps, LinearHalvingIsTheTruncatedBoxMeanAndNearestTheFirstPixel) {
    CQelTexture t = makeTexture<uint8_t>(2, 2);
    const uint8_t reds[4] = {10, 11, 12, 14};
    for (int i = 0; i < 4; ++i) pixels<uint8_t>(t)[i] = {reds[i], 0, 255, 255};
    ASSERT_TRUE(GenerateMIPMaps(t, eResizeLinear, 0xFFFFFFFFu));
    ASSERT_EQ(2u, t.getNumMIPLevels());
    EXPECT_EQ((Pixel<uint8_t>{11, 0, 255, 255}), pixels<uint8_t>(t, 1)[0]);

    // Noise down the whole non-square chain, as an image and as a volume of 2 x 2 x 2 blocks.
    for (uint32_t depth : {1u, 4u})
        for (EResizeMode mode : {eResizeLinear, eResizeNearest}) {
            CQelTexture chain = makeTexture<uint8_t>(64, 16, depth);
            std::mt19937 rng(depth);
            for (uint32_t i = 0; i < chain.getDataSize(0); ++i) chain.getDataPtr(0, 0, 0)[i] = uint8_t(rng());
            ASSERT_TRUE(GenerateMIPMaps(chain, mode, 0xFFFFFFFFu));
            for (uint32_t L = 1; L < 7; ++L) {
                const uint32_t W = chain.getWidth(L - 1), H = chain.getHeight(L - 1), D = chain.getDepth(L - 1);
                const Pixel<uint8_t>* above = pixels<uint8_t>(chain, L - 1);
                const Pixel<uint8_t>* out = pixels<uint8_t>(chain, L);
                for (uint32_t z = 0; z < chain.getDepth(L); ++z)
                    for (uint32_t y = 0; y < chain.getHeight(L); ++y)
                        for (uint32_t x = 0; x < chain.getWidth(L); ++x, ++out) {
                            unsigned sum[4] = {0, 0, 0, 0}, n = 0;
                            for (uint32_t k = 2 * z; k < std::min(D, 2 * z + 2); ++k)
                                for (uint32_t j = 2 * y; j < std::min(H, 2 * y + 2); ++j)
                                    for (uint32_t i = 2 * x; i < std::min(W, 2 * x + 2); ++i, ++n) {
                                        const Pixel<uint8_t>& p = above[(k * H + j) * W + i];
                                        sum[0] += p.red, sum[1] += p.green, sum[2] += p.blue, sum[3] += p.alpha;
                                    }
                            const Pixel<uint8_t> expected =
                                mode == eResizeNearest ? above[(2 * z * H + 2 * y) * W + 2 * x]
                                                       : Pixel<uint8_t>{uint8_t(sum[0] / n), uint8_t(sum[1] / n),
                                                                        uint8_t(sum[2] / n), uint8_t(sum[3] / n)};
                            ASSERT_EQ(expected, *out) << "level " << L << " at " << x << "," << y << "," << z;
                        }
            }
        }
}

TEST(GenerateMIPMaps, OneLevelKeepsTheTopAndRefusalsChangeNothing) {
    CQelTexture t = makeTexture<uint16_t>(5, 3, 1, 3, 2, 6);
    for (uint32_t i = 0; i < t.getDataBlockSize(); ++i) t.getDataPtr(0, 0, 0)[i] = uint8_t(i * 7 + 1);
    CQelTexture one = t;
    ASSERT_TRUE(GenerateMIPMaps(one, eResizeCubic, 1));
    EXPECT_EQ(1u, one.getNumMIPLevels());
    ASSERT_EQ(t.getDataSize(0), one.getDataBlockSize());
    EXPECT_EQ(0, std::memcmp(t.getDataPtr(0, 0, 0), one.getDataPtr(0, 0, 0), one.getDataBlockSize()));

    const std::vector<uint8_t> before = allBytes(t);
    EXPECT_FALSE(GenerateMIPMaps(t, EResizeMode(3), 2));
    EXPECT_FALSE(GenerateMIPMaps(t, eResizeLinear, 33));  // past 32 levels
    EXPECT_EQ(before, allBytes(t));
    CQelTexture rgb = makeRGBTexture();
    EXPECT_FALSE(GenerateMIPMaps(rgb, eResizeLinear, 3));
    EXPECT_EQ(2u, rgb.getNumMIPLevels());

    // Metadata survives; levels past the full chain are 1 x 1.
    t.setBorder(1, 2, 3);
    ASSERT_TRUE(GenerateMIPMaps(t, eResizeLinear, 5));
    EXPECT_EQ(1u, t.getWidth(4));
    uint32_t x, y, z;
    t.getBorder(x, y, z);
    EXPECT_EQ(2u, y);
}

TEST(ColourMIPMaps, TintsCycleBelowTheTopLevel) {
    CQelTexture t = makeTexture<uint8_t>(4, 4, 1, 3);
    for (uint32_t L = 0; L < 3; ++L) fill<uint8_t>(t, {30, 60, 90, 200}, L);
    ASSERT_TRUE(ColourMIPMaps(t));
    EXPECT_EQ((Pixel<uint8_t>{30, 60, 90, 200}), pixels<uint8_t>(t, 0)[0]);
    EXPECT_EQ((Pixel<uint8_t>{0, 60, 0, 200}), pixels<uint8_t>(t, 1)[3]);
    EXPECT_EQ((Pixel<uint8_t>{0, 0, 60, 200}), pixels<uint8_t>(t, 2)[0]);

    // Eight 16-bit levels: green, blue, green+blue, red+blue, red+green, red, green.
    CQelTexture w = makeTexture<uint16_t>(128, 1, 1, 8);
    for (uint32_t L = 0; L < 8; ++L) fill<uint16_t>(w, {65535, 65535, 65535, uint16_t(L)}, L);
    ASSERT_TRUE(ColourMIPMaps(w));
    const uint16_t F = 65535;
    const Pixel<uint16_t> tints[8] = {{F, F, F, 0}, {0, F, 0, 1}, {0, 0, F, 2}, {0, F, F, 3},
                                      {F, 0, F, 4}, {F, F, 0, 5}, {F, 0, 0, 6}, {0, F, 0, 7}};
    for (uint32_t L = 0; L < 8; ++L) EXPECT_EQ(tints[L], pixels<uint16_t>(w, L)[0]) << L;

    // The grey of large u32 values is formed without overflow.
    CQelTexture u = makeTexture<uint32_t>(2, 1, 1, 2);
    fill<uint32_t>(u, {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 9}, 1);
    ASSERT_TRUE(ColourMIPMaps(u));
    EXPECT_EQ((Pixel<uint32_t>{0, 0xFFFFFFFFu, 0, 9}), pixels<uint32_t>(u, 1)[0]);

    CQelTexture rgb = makeRGBTexture(), noMembers = makeTexture<uint8_t>(4, 4, 1, 2, 0);
    EXPECT_FALSE(ColourMIPMaps(rgb) || ColourMIPMaps(noMembers));
}
