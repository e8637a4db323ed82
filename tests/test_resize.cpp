// Resizing whole textures: worked values, border scaling, refusals, per-surface work.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "ImageOps/Resample.h"
#include "ImageOps/Resize.h"
#include "ImageOpsTestUtil.h"
#include "MetaData.h"

using namespace qeltexture;
using namespace imageops_test;

TEST(Resize, LinearHalvingIsTheTruncatedMeanOfEachBlockAndDropsMIPLevels) {
    // Red is the pixel index, green its square: the blocks' means are 2.5, 4.5, 10.5, 12.5 and
    // 10.5, 24.5, 114.5, 160.5 before truncation.
    CQelTexture t = makeTexture<uint8_t>(4, 4, 1, 3);
    for (int i = 0; i < 16; ++i) pixels<uint8_t>(t)[i] = {uint8_t(i), uint8_t(i * i), 7, 255};
    ASSERT_TRUE(Resize(t, 2, 2, 1, eResizeLinear));
    ASSERT_EQ(1u, t.getNumMIPLevels());
    ASSERT_EQ(16u, t.getDataBlockSize());
    const Pixel<uint8_t> expected[4] = {{2, 10, 7, 255}, {4, 24, 7, 255}, {10, 114, 7, 255}, {12, 160, 7, 255}};
    for (int b = 0; b < 4; ++b) EXPECT_EQ(expected[b], pixels<uint8_t>(t)[b]) << b;
}

TEST(Resize, SameSizeKeepsEverythingAndOtherRequestsAreRefused) {
    CQelTexture t = makeTexture<uint16_t>(4, 4, 1, 3);
    for (uint32_t i = 0; i < t.getDataBlockSize(); ++i) t.getDataPtr(0, 0, 0)[i] = uint8_t(i * 31);
    const std::vector<uint8_t> before = allBytes(t);
    EXPECT_TRUE(Resize(t, 4, 4, 1, eResizeCubic));
    EXPECT_FALSE(Resize(t, 0, 4, 1, eResizeLinear));
    EXPECT_FALSE(Resize(t, 2, 2, 1, EResizeMode(3)));
    EXPECT_FALSE(Resize(t, 65536, 65536, 1, eResizeNearest));  // 2^32 pixels: past the size model
    EXPECT_EQ(3u, t.getNumMIPLevels());
    EXPECT_EQ(before, allBytes(t));
    EXPECT_FALSE(t.hasMetaData(QEL_FOURCC, eMetaDataBorderData));

    CQelTexture signedRGBA(CQelTextureHeader(QelStandard8PixelType.PixelTypeID, 4, 4, 1, 1, 1, 1, eCS_LinearRGB,
                                             eVT_SignedByteNorm));
    EXPECT_FALSE(Resize(signedRGBA, 2, 2, 1, eResizeLinear));
}

TEST(Resize, BorderIsScaledWithTheImage) {
    uint32_t x = 9, y = 9, z = 9;
    CQelTexture plain = makeTexture<uint8_t>(8, 8);
    ASSERT_TRUE(Resize(plain, 4, 4, 1, eResizeNearest));
    ASSERT_TRUE(plain.hasMetaData(QEL_FOURCC, eMetaDataBorderData));
    plain.getBorder(x, y, z);
    EXPECT_EQ(0u, x + y + z);

    CQelTexture bordered = makeTexture<uint8_t>(64, 64);
    bordered.setBorder(4, 4, 0);
    ASSERT_TRUE(Resize(bordered, 32, 16, 1, eResizeLinear));
    bordered.getBorder(x, y, z);
    EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(2u, 1u, 0u));
    bordered.setBorder(3, 1, 0);
    ASSERT_TRUE(Resize(bordered, 43, 16, 1, eResizeLinear));  // 43 * 3 / 32 = 4.03 -> 4
    bordered.getBorder(x, y, z);
    EXPECT_EQ(std::make_tuple(x, y), std::make_tuple(4u, 1u));
}

TEST(Resize, NearestCopiesTruncatedSourcePositionsAndFiltersClampFloats) {
    CQelTexture t = makeTexture<uint8_t>(4, 1);
    for (int i = 0; i < 4; ++i) pixels<uint8_t>(t)[i] = {uint8_t(10 * i), 0, 0, 255};
    ASSERT_TRUE(Resize(t, 3, 1, 1, eResizeNearest));
    EXPECT_EQ(std::make_tuple(0, 10, 20), std::make_tuple(pixels<uint8_t>(t)[0].red, pixels<uint8_t>(t)[1].red, pixels<uint8_t>(t)[2].red));

    for (EResizeMode mode : {eResizeNearest, eResizeLinear, eResizeCubic}) {
        CQelTexture f = makeTexture<float>(4, 4);
        fill<float>(f, {1.5f, -0.5f, 0.25f, 3.0f});
        ASSERT_TRUE(Resize(f, 2, 2, 1, mode));
        const Pixel<float> expected =
            mode == eResizeNearest ? Pixel<float>{1.5f, -0.5f, 0.25f, 3.0f} : Pixel<float>{1.0f, 0.0f, 0.25f, 1.0f};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(expected, pixels<float>(f)[i]) << "mode " << mode;
    }
}

TEST(Resize, CubicLowPassRepeatsTheEdgePixels) {
    // Left half 0, right half 255: wrapping or zero padding at the edges would pull the
    // outer columns towards the other half or towards black.
    CQelTexture t = makeTexture<uint8_t>(16, 8);
    for (uint32_t i = 0; i < 128; ++i) {
        const uint8_t v = i % 16 < 8 ? 0 : 255;
        pixels<uint8_t>(t)[i] = {v, v, v, 255};
    }
    ASSERT_TRUE(Resize(t, 8, 4, 1, eResizeCubic));
    for (uint32_t y = 0; y < 4; ++y) {
        EXPECT_EQ(0, pixels<uint8_t>(t)[y * 8].red) << y;
        EXPECT_EQ(255, pixels<uint8_t>(t)[y * 8 + 7].red) << y;
    }
}

TEST(Resize, UnchangedHeightMapsEachRowOntoItself) {
    // 1024 x 16 -> 100 x 16 in 16-bit: every output row is the resampling of that row alone.
    CQelTexture t = makeTexture<uint16_t>(1024, 16);
    for (uint32_t i = 0; i < 1024 * 16; ++i)
        pixels<uint16_t>(t)[i] = {uint16_t(i * 2654435761u >> 16), uint16_t(i * 7), uint16_t(i % 1024 * 60),
                                  uint16_t(65535 - i)};
    const std::vector<Pixel<uint16_t>> rows(pixels<uint16_t>(t), pixels<uint16_t>(t) + 1024 * 16);
    for (EResizeMode mode : {eResizeNearest, eResizeLinear}) {
        CQelTexture resized = t;
        ASSERT_TRUE(Resize(resized, 100, 16, 1, mode));
        std::vector<Pixel<uint16_t>> row(100);
        for (uint32_t y = 0; y < 16; ++y) {
            ASSERT_TRUE(SteppedStretchImage<uint16_t>(&rows[y * 1024], row.data(), 1024, 1, 1, 100, 1, 1, mode));
            for (uint32_t x = 0; x < 100; ++x) ASSERT_EQ(row[x], pixels<uint16_t>(resized)[y * 100 + x]) << x << "," << y;
        }
    }
}

TEST(Resize, EveryMemberAndFaceIsResampledOnItsOwn) {
    CQelTexture t = makeTexture<uint32_t>(6, 6, 1, 2, 2, 6);
    auto colour = [](uint32_t m, uint32_t f) {
        const uint32_t v = 0x10000000u * (m * 6 + f) + 12345;
        return Pixel<uint32_t>{v, v / 2, v / 3, 0xFFFFFFFFu};
    };
    for (uint32_t m = 0; m < 2; ++m)
        for (uint32_t f = 0; f < 6; ++f) fill<uint32_t>(t, colour(m, f), 0, m, f);
    ASSERT_TRUE(Resize(t, 3, 3, 1, eResizeNearest));
    for (uint32_t m = 0; m < 2; ++m)
        for (uint32_t f = 0; f < 6; ++f)
            for (int i = 0; i < 9; ++i) ASSERT_EQ(colour(m, f), pixels<uint32_t>(t, 0, m, f)[i]) << m << f;
}
