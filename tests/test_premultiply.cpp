// Alpha premultiplication and bleed: worked values, per-type scales and thresholds, the
// premultiplied flag, the window edges.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "ImageOps/PreMultiply.h"
#include "ImageOpsTestUtil.h"

using namespace qeltexture;
using namespace imageops_test;

TEST(PreMultiplyAlpha, ScalesColourByAlphaOnceAndTruncates) {
    CQelTexture t = makeTexture<uint8_t>(4, 1, 1, 2);
    const Pixel<uint8_t> in[4] = {{200, 100, 50, 128}, {255, 255, 255, 128}, {10, 20, 30, 255}, {90, 80, 70, 0}};
    std::copy(in, in + 4, pixels<uint8_t>(t));
    fill<uint8_t>(t, {200, 100, 50, 128}, 1);
    ASSERT_TRUE(PreMultiplyAlpha(t));
    EXPECT_TRUE(t.isPreMultiplied());
    const Pixel<uint8_t> out[4] = {{100, 50, 25, 128}, {128, 128, 128, 128}, {10, 20, 30, 255}, {0, 0, 0, 0}};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], pixels<uint8_t>(t)[i]) << i;
    EXPECT_EQ(out[0], pixels<uint8_t>(t, 1)[1]);  // every MIP level

    const std::vector<uint8_t> once = allBytes(t);
    EXPECT_FALSE(PreMultiplyAlpha(t));
    EXPECT_EQ(once, allBytes(t));

    CQelTexture rgb = makeRGBTexture();
    EXPECT_FALSE(PreMultiplyAlpha(rgb));
    EXPECT_FALSE(rgb.isPreMultiplied());
}

TEST(PreMultiplyAlpha, WiderChannelsUseTheirFullScale) {
    CQelTexture t16 = makeTexture<uint16_t>(2, 1);
    pixels<uint16_t>(t16)[0] = {65535, 32768, 0, 65535};
    pixels<uint16_t>(t16)[1] = {65535, 32768, 0, 32768};
    ASSERT_TRUE(PreMultiplyAlpha(t16));
    EXPECT_EQ((Pixel<uint16_t>{65535, 32768, 0, 65535}), pixels<uint16_t>(t16)[0]);
    EXPECT_EQ((Pixel<uint16_t>{32768, 16384, 0, 32768}), pixels<uint16_t>(t16)[1]);

    // u32: 0xFFFFFFFF x 1.0 reaches 2^32 in single precision and saturates.
    CQelTexture t32 = makeTexture<uint32_t>(2, 1);
    pixels<uint32_t>(t32)[0] = {0xFFFFFFFFu, 0x80000000u, 7, 0xFFFFFFFFu};
    pixels<uint32_t>(t32)[1] = {0xFFFFFFFFu, 0x80000000u, 0, 0x80000000u};
    ASSERT_TRUE(PreMultiplyAlpha(t32));
    EXPECT_EQ((Pixel<uint32_t>{0xFFFFFFFFu, 0x80000000u, 7, 0xFFFFFFFFu}), pixels<uint32_t>(t32)[0]);
    EXPECT_EQ((Pixel<uint32_t>{0x80000000u, 0x40000000u, 0, 0x80000000u}), pixels<uint32_t>(t32)[1]);

    CQelTexture tf = makeTexture<float>(1, 1);  // float: alpha itself, no clamping
    fill<float>(tf, {2.0f, -1.0f, 0.5f, 0.5f});
    ASSERT_TRUE(PreMultiplyAlpha(tf));
    EXPECT_EQ((Pixel<float>{1.0f, -0.5f, 0.25f, 0.5f}), pixels<float>(tf)[0]);
}

TEST(Bleed, TransparentPixelsTakeTheMeanOfOpaquePixelsWithinEight) {
    CQelTexture t = makeTexture<uint8_t>(3, 1);
    const Pixel<uint8_t> in[3] = {{255, 0, 0, 255}, {0, 0, 0, 0}, {0, 0, 255, 255}};
    std::copy(in, in + 3, pixels<uint8_t>(t));
    ASSERT_TRUE(Bleed(t));
    EXPECT_EQ(in[0], pixels<uint8_t>(t)[0]);
    EXPECT_EQ((Pixel<uint8_t>{127, 0, 127, 0}), pixels<uint8_t>(t)[1]);
    EXPECT_EQ(in[2], pixels<uint8_t>(t)[2]);

    // Pixels 1..8 see only pixel 0 (bled pixels never feed others); 9 on see nothing.
    CQelTexture row = makeTexture<uint8_t>(20, 1);
    fill<uint8_t>(row, {50, 50, 50, 3});
    pixels<uint8_t>(row)[0] = {200, 10, 0, 255};
    ASSERT_TRUE(Bleed(row));
    for (int x = 1; x < 20; ++x)
        EXPECT_EQ((x <= 8 ? Pixel<uint8_t>{200, 10, 0, 3} : Pixel<uint8_t>{0, 0, 0, 3}), pixels<uint8_t>(row)[x]) << x;

    // The window spans 8 slices in depth as well.
    CQelTexture v = makeTexture<uint8_t>(1, 1, 12);
    pixels<uint8_t>(v)[11] = {90, 60, 30, 255};
    ASSERT_TRUE(Bleed(v));
    EXPECT_EQ((Pixel<uint8_t>{90, 60, 30, 0}), pixels<uint8_t>(v)[3]);
    EXPECT_EQ((Pixel<uint8_t>{0, 0, 0, 0}), pixels<uint8_t>(v)[2]);

    CQelTexture rgb = makeRGBTexture();
    EXPECT_FALSE(Bleed(rgb));
    EXPECT_FALSE(Bleed<uint8_t>(nullptr, 2, 2, 1));
}

// Pixel 1 (just below the threshold) is bled from pixels 0 and 2; pixel 2 sits exactly at
// the threshold, so it is a source and keeps its colour.
template <typename T>
void expectThreshold(T below, T atThreshold, T halfMean) {
    CQelTexture t = makeTexture<T>(3, 1);
    const T hi = std::is_same<T, float>::value ? T(1) : std::numeric_limits<T>::max();
    pixels<T>(t)[0] = {hi, 0, 0, hi};
    pixels<T>(t)[1] = {0, hi, 0, below};
    pixels<T>(t)[2] = {hi, 0, hi, atThreshold};
    ASSERT_TRUE(Bleed(t));
    EXPECT_EQ((Pixel<T>{hi, 0, halfMean, below}), pixels<T>(t)[1]);
    EXPECT_EQ((Pixel<T>{hi, 0, hi, atThreshold}), pixels<T>(t)[2]);
}

TEST(Bleed, OpacityThresholdIsEightOf255InEveryType) {
    expectThreshold<uint8_t>(7, 8, 127);
    expectThreshold<uint16_t>(2055, 2056, 32767);
    expectThreshold<uint32_t>(134744071u, 134744072u, 2147483648u);  // single precision: 2^32 / 2
    expectThreshold<float>(0.031f, 8.0f / 255.0f, 0.5f);
}
