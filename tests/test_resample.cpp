// The resampling loops against the plain per-pixel reference: identical bytes for every
// element type, mode and size shape, odd sizes and volumes included.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ImageOps/Resample.h"
#include "ResampleReference.h"

using namespace qeltexture;

namespace {

template <typename T>
std::vector<Pixel<T>> randomImage(uint32_t w, uint32_t h, uint32_t d, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Pixel<T>> image(size_t(w) * h * d);
    for (Pixel<T>& p : image)
        for (int c = 0; c < 4; ++c) {
            const uint32_t r = rng();
            if constexpr (std::is_same<T, float>::value)  // outside 0..1 too, to exercise clamping
                reference::channelRef(p, c) = float(r % 1500) / 1000.0f - 0.25f;
            else  // a quarter at the extremes, where saturation happens
                reference::channelRef(p, c) = (r & 3) ? T(rng()) : (r & 4) ? std::numeric_limits<T>::max() : T(0);
        }
    return image;
}

struct Shape {
    uint32_t W, H, D, w, h, d;
};

template <typename T>
::testing::AssertionResult sameBytes(const std::vector<Pixel<T>>& expected, const std::vector<Pixel<T>>& actual,
                                     const Shape& s, int mode) {
    for (size_t i = 0; i < expected.size(); ++i)
        if (std::memcmp(&expected[i], &actual[i], sizeof(Pixel<T>)) != 0)
            return ::testing::AssertionFailure() << "mode " << mode << ", " << s.W << "x" << s.H << "x" << s.D
                                                 << " -> " << s.w << "x" << s.h << "x" << s.d << ": pixel " << i;
    return ::testing::AssertionSuccess();
}

template <typename T>
class ResampleTest : public ::testing::Test {};
using ElementTypes = ::testing::Types<uint8_t, uint16_t, uint32_t, float>;
TYPED_TEST_SUITE(ResampleTest, ElementTypes);

}  // namespace

TYPED_TEST(ResampleTest, StretchImageMatchesThePlainFormulas) {
    using T = TypeParam;
    // Halving (the exact-box path), odd reductions, enlargements, mixed passes, unchanged
    // and single-pixel dimensions, volumes.
    const Shape shapes[] = {{8, 8, 1, 4, 4, 1}, {13, 7, 1, 6, 3, 1}, {9, 9, 1, 5, 7, 1}, {3, 5, 1, 7, 9, 1},
                            {10, 3, 1, 4, 6, 1}, {7, 6, 1, 7, 3, 1}, {1, 7, 1, 1, 3, 1}, {2, 2, 1, 1, 1, 1},
                            {6, 5, 4, 3, 2, 2}, {3, 3, 2, 5, 4, 3}, {1, 1, 1, 3, 2, 2}, {4, 6, 2, 2, 3, 1}};
    uint32_t seed = 1;
    for (const Shape& s : shapes)
        for (int mode = 0; mode < 3; ++mode) {
            const auto src = randomImage<T>(s.W, s.H, s.D, seed++);
            std::vector<Pixel<T>> expected(size_t(s.w) * s.h * s.d), actual(expected.size());
            reference::stretch(src.data(), expected.data(), s.W, s.H, s.D, s.w, s.h, s.d, mode);
            ASSERT_TRUE(StretchImage<T>(src.data(), actual.data(), s.W, s.H, s.D, s.w, s.h, s.d, EResizeMode(mode)));
            EXPECT_TRUE(sameBytes(expected, actual, s, mode));
        }
}

TYPED_TEST(ResampleTest, SteppedStretchImageMatchesRepeatedPasses) {
    using T = TypeParam;
    const Shape shapes[] = {{37, 11, 1, 5, 29, 1}, {9, 5, 3, 2, 11, 2}, {64, 3, 1, 7, 3, 1}, {6, 6, 1, 6, 6, 1}};
    uint32_t seed = 100;
    for (const Shape& s : shapes)
        for (int mode = 0; mode < 3; ++mode) {
            const auto src = randomImage<T>(s.W, s.H, s.D, seed++);
            const auto expected = reference::stepped(src.data(), s.W, s.H, s.D, s.w, s.h, s.d, mode);
            std::vector<Pixel<T>> actual(expected.size());
            ASSERT_TRUE(
                SteppedStretchImage<T>(src.data(), actual.data(), s.W, s.H, s.D, s.w, s.h, s.d, EResizeMode(mode)));
            EXPECT_TRUE(sameBytes(expected, actual, s, mode));
        }
}

TEST(Resample, RefusesBadArguments) {
    std::vector<Pixel<uint8_t>> a(16), b(16);
    EXPECT_FALSE(StretchImage<uint8_t>(nullptr, b.data(), 4, 4, 1, 2, 2, 1, eResizeLinear));
    EXPECT_FALSE(StretchImage<uint8_t>(a.data(), b.data(), 4, 4, 1, 2, 2, 1, EResizeMode(3)));
    EXPECT_FALSE(SteppedStretchImage<uint8_t>(a.data(), b.data(), 4, 0, 1, 2, 2, 1, eResizeCubic));
    // An image of 2^32 pixels is past the size model: refused before anything is allocated.
    EXPECT_FALSE(SteppedStretchImage<uint8_t>(a.data(), b.data(), 65536, 1, 1, 65536, 65536, 1, eResizeNearest));
}

TEST(Resample, ReductionPositionsAndSplineFacts) {
    // Halving samples the centre of each pair; an unchanged dimension maps onto itself;
    // the first sample lies 1 - 1/R after the start, the last as far before the end.
    for (uint32_t i = 0; i < 1024; ++i) {
        ASSERT_EQ(float(2 * i) + 0.5f, calculateDownscalePosition(i, 1024, 0.5, 2.0));
        ASSERT_EQ(float(i), calculateDownscalePosition(i, 1024, 1.0, 1.0));
    }
    EXPECT_NEAR(0.6, calculateDownscalePosition(0, 4, 0.4, 2.5), 1e-6);
    EXPECT_NEAR(10.0 - 1.6, calculateDownscalePosition(3, 4, 0.4, 2.5), 1e-5);
    EXPECT_EQ(0.5f, calculateDownscalePosition(0, 1, 0.5, 2.0));  // a lone pixel: no division by 0
    // Catmull-Rom passes through its middle knots and reproduces straight lines.
    const float p[4] = {3.0f, 10.0f, 20.0f, -7.0f}, line[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    EXPECT_EQ(10.0f, evaluateSplines(p, 0.0f));
    EXPECT_FLOAT_EQ(2.25f, evaluateSplines(line, 0.25f));
}
