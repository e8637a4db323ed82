// CPixelEncoder: layouts, validity flags, reading and writing rules, EncodeFrom and the
// colour-space curves, checked against worked values and independently computed formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "PixelEncoder.h"

using namespace qeltexture;

namespace {

const PixelType kRGBA8('r', 'g', 'b', 'a', 8, 8, 8, 8);
const PixelType kRGB565('r', 'g', 'b', 0, 5, 6, 5, 0);

float bitsOf(uint32_t b) {
    float f;
    std::memcpy(&f, &b, 4);
    return f;
}

// Independent binary16 reader: (-1)^s * 2^(e-15) * (1 + m/1024), subnormals m * 2^-24.
double referenceHalf(uint16_t h) {
    const int s = h >> 15, e = (h >> 10) & 31, m = h & 1023;
    double v;
    if (e == 31) v = m ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
    else if (e == 0) v = m * std::pow(2.0, -24);
    else v = std::pow(2.0, e - 15) * (1.0 + m / 1024.0);
    return s ? -v : v;
}

uint16_t writeHalf(float v) {
    CPixelEncoder e(PixelType('r', 0, 0, 0, 16, 0, 0, 0), eVT_SignedFloat);
    e.SetChannelSFloat(eRed, v);
    uint16_t h;
    std::memcpy(&h, e.GetColourData(), 2);
    return h;
}

float readHalf(uint16_t h, EQelTVariableType type = eVT_SignedFloat) {
    CPixelEncoder e(PixelType('r', 0, 0, 0, 16, 0, 0, 0), type);
    e.OverwriteColourData(reinterpret_cast<const uint8_t*>(&h));
    return e.GetChannelFloat(eRed);
}

// Linear -> sRGB and back exactly as the library defines the curves, evaluated here on
// their own: double-precision power with float-valued constants.
float refToSrgb(float v) {
    if (v <= 0.00304f) return float(double(v) * double(12.92f));
    return float(std::pow(double(v), double(1.0f / 2.4f)) * double(1.0556f) - double(0.0556f));
}
float refToLinear(float v) {
    if (v <= 0.03928f) return float(double(v) / double(12.92f));
    const float base = (v + 0.0556f) / 1.0556f;
    return float(std::pow(double(base), double(2.4f)));
}

}  // namespace

TEST(PixelEncoder, ChannelLetters) {
    const char letters[] = {'r', 'g', 'b', 'a', 'l', 'i', 'x'};
    for (unsigned n = 1; n <= 7; ++n) {
        EXPECT_EQ(MapCharToEnum(uint8_t(letters[n - 1])), EChannelName(n));
        EXPECT_EQ(MapEnumToChar(EChannelName(n)), letters[n - 1]);
    }
    EXPECT_EQ(MapCharToEnum('R'), eNoChannel);
    EXPECT_EQ(MapCharToEnum(0), eNoChannel);
    EXPECT_EQ(MapEnumToChar(eUnspecified), 'x');
    EXPECT_EQ(MapEnumToChar(EChannelName(8)), 0);
    EXPECT_EQ(MapEnumToChar(eNoChannel), 0);
}

TEST(PixelEncoder, ValidityFlags) {
    EXPECT_EQ(CPixelEncoder(kRGBA8, eVT_UnsignedByteNorm).GetError(), 0u);
    EXPECT_EQ(CPixelEncoder(kRGB565, eVT_UnsignedShortNorm).GetError(), 0u);
    EXPECT_EQ(CPixelEncoder(PixelType('r', 0, 'b', 0, 8, 0, 8, 0), eVT_UnsignedByteNorm).GetError() & 0x08u, 0x08u);
    EXPECT_EQ(CPixelEncoder(PixelType('r', 'r', 0, 0, 8, 8, 0, 0), eVT_UnsignedByteNorm).GetError(), 0x01u);
    EXPECT_EQ(CPixelEncoder(PixelType('r', 'g', 0, 0, 8, 0, 0, 0), eVT_UnsignedByteNorm).GetError(), 0x02u);
    EXPECT_EQ(CPixelEncoder(PixelType(0, 0, 0, 0, 8, 0, 0, 0), eVT_UnsignedByteNorm).GetError(), 0x04u);
    EXPECT_EQ(CPixelEncoder(PixelType('r', 'g', 'b', 0, 5, 5, 5, 0), eVT_UnsignedByteNorm).GetError(), 0x10u);
    // Layouts without defined storage are reported by the extra flag.
    EXPECT_EQ(CPixelEncoder(PixelType('r', 'g', 0, 0, 40, 8, 0, 0), eVT_UnsignedByteNorm).GetError(), 0x20u);
    EXPECT_EQ(CPixelEncoder(PixelType('r', 'g', 'b', 0, 24, 24, 24, 0), eVT_UnsignedByteNorm).GetError(), 0x20u);
    EXPECT_EQ(CPixelEncoder(PixelType('r', 'g', 0, 0, 16, 32, 0, 0), eVT_SignedFloat).GetError(), 0x20u);
    EXPECT_EQ(CPixelEncoder(kRGBA8, EQelTVariableType(14)).GetError(), 0x20u);
    // Explicit constructor: same checks.
    EXPECT_EQ(CPixelEncoder(eVT_UnsignedByteNorm, 8, 8, 0, 0, eRed, eRed, eNoChannel, eNoChannel).GetError(), 0x01u);

    // EncodeFrom into or from an invalid encoder leaves the destination untouched.
    CPixelEncoder bad(PixelType('r', 'r', 0, 0, 8, 8, 0, 0), eVT_UnsignedByteNorm);
    CPixelEncoder good(kRGBA8, eVT_UnsignedByteNorm);
    const uint8_t pixel[4] = {1, 2, 3, 4};
    good.OverwriteColourData(pixel);
    good.EncodeFrom(bad);
    EXPECT_EQ(std::memcmp(good.GetColourData(), pixel, 4), 0);
    bad.GetColourData()[0] = 0xAB;
    bad.EncodeFrom(good);
    EXPECT_EQ(bad.GetColourData()[0], 0xAB);
}

TEST(PixelEncoder, StorageLayouts) {
    CPixelEncoder source(kRGBA8, eVT_UnsignedByteNorm);
    const uint8_t rgba[4] = {255, 128, 0, 7};
    source.OverwriteColourData(rgba);
    EXPECT_EQ(source.GetChannelFloat(eRed), 1.0f);
    EXPECT_EQ(source.GetChannelFloat(eAlpha), 7.0f / 255.0f);

    CPixelEncoder packed(kRGB565, eVT_UnsignedShortNorm);
    packed.EncodeFrom(source);
    ASSERT_EQ(packed.GetColourDataSize(), 2u);
    EXPECT_EQ(packed.GetColourData()[0], 0x00);
    EXPECT_EQ(packed.GetColourData()[1], 0xFC);
    EXPECT_EQ(packed.GenerateChannelByteMask(0), 0xF800u);
    EXPECT_EQ(packed.GenerateChannelByteMask(1), 0x07E0u);
    EXPECT_EQ(packed.GenerateChannelByteMask(2), 0x001Fu);
    EXPECT_EQ(source.GenerateChannelByteMask(3), 3u);

    // Half-float RGBA: red in bytes 0-1, alpha in bytes 6-7.
    CPixelEncoder half(PixelType('r', 'g', 'b', 'a', 16, 16, 16, 16), eVT_SignedFloat);
    half.EncodeFrom(source);
    EXPECT_EQ(half.GetColourData()[0], 0x00);
    EXPECT_EQ(half.GetColourData()[1], 0x3C);
    EXPECT_EQ(half.GetTypeSize(), 32u);

    // 11,11,10 unsigned float: red in bits 21-31, green 10-20, blue 0-9.
    CPixelEncoder r11(PixelType('r', 'g', 'b', 0, 11, 11, 10, 0), eVT_UnsignedFloat);
    r11.SetChannelUFloat(eRed, 1.0f);
    r11.SetChannelUFloat(eGreen, 2.0f);
    r11.SetChannelUFloat(eBlue, 0.5f);
    uint32_t word;
    std::memcpy(&word, r11.GetColourData(), 4);
    EXPECT_EQ(word >> 21, 15u << 6);
    EXPECT_EQ((word >> 10) & 0x7FF, 16u << 6);
    EXPECT_EQ(word & 0x3FF, 14u << 5);
    EXPECT_EQ(r11.GetChannelFloat(eGreen), 2.0f);

    // Channels are matched by name: RGBA into BGRA swaps bytes 0 and 2.
    CPixelEncoder bgra(PixelType('b', 'g', 'r', 'a', 8, 8, 8, 8), eVT_UnsignedByteNorm);
    bgra.EncodeFrom(source);
    const uint8_t swapped[4] = {0, 128, 255, 7};
    EXPECT_EQ(std::memcmp(bgra.GetColourData(), swapped, 4), 0);

    // The copy constructor carries the pixel; OverwriteColourData(nullptr) changes nothing.
    CPixelEncoder copy(source);
    EXPECT_EQ(std::memcmp(copy.GetColourData(), rgba, 4), 0);
    EXPECT_FALSE(copy.OverwriteColourData(nullptr));
    EXPECT_EQ(std::memcmp(copy.GetColourData(), rgba, 4), 0);
}

TEST(PixelEncoder, DerivedChannelsAndDefaults) {
    CPixelEncoder rgb(PixelType('r', 'g', 'b', 0, 8, 8, 8, 0), eVT_UnsignedByteNorm);
    CPixelEncoder l8(PixelType('l', 0, 0, 0, 8, 0, 0, 0), eVT_UnsignedByteNorm);
    CPixelEncoder i8(PixelType('i', 0, 0, 0, 8, 0, 0, 0), eVT_UnsignedByteNorm);
    const uint8_t red[3] = {255, 0, 0};
    rgb.OverwriteColourData(red);
    EXPECT_EQ(l8.EncodeFrom(rgb).GetColourData()[0], 54);
    const uint8_t ramp[3] = {30, 60, 90};
    rgb.OverwriteColourData(ramp);
    EXPECT_EQ(i8.EncodeFrom(rgb).GetColourData()[0], 60);

    CPixelEncoder rgba(kRGBA8, eVT_UnsignedByteNorm);
    const uint8_t grey = 200;
    l8.OverwriteColourData(&grey);
    rgba.EncodeFrom(l8);
    const uint8_t expectGrey[4] = {200, 200, 200, 255};
    EXPECT_EQ(std::memcmp(rgba.GetColourData(), expectGrey, 4), 0);
    rgba.EncodeFrom(rgb);
    EXPECT_EQ(rgba.GetColourData()[3], 255);

    CPixelEncoder rgbx(PixelType('r', 'g', 'b', 'x', 8, 8, 8, 8), eVT_UnsignedByteNorm);
    const uint8_t withX[4] = {1, 2, 3, 77};
    rgbx.OverwriteColourData(withX);
    EXPECT_EQ(rgba.EncodeFrom(rgbx).GetColourData()[3], 77);
    rgba.GetColourData()[3] = 99;
    EXPECT_EQ(rgbx.EncodeFrom(rgba).GetColourData()[3], 99);

    // Missing channels read 1.0 for alpha and unspecified, 0.0 otherwise.
    EXPECT_EQ(rgb.GetChannelFloat(eAlpha), 1.0f);
    EXPECT_EQ(rgb.GetChannelFloat(eUnspecified), 1.0f);
    EXPECT_EQ(rgb.GetChannelFloat(eLuminance), 0.0f);
    // Setting a missing channel is ignored.
    rgb.SetChannelUNorm(eAlpha, 0.0f);
    EXPECT_EQ(std::memcmp(rgb.GetColourData(), ramp, 3), 0);
}

TEST(PixelEncoder, NormalisedIntegers) {
    CPixelEncoder e(kRGBA8, eVT_UnsignedByteNorm);
    EXPECT_EQ(e.ShrinkFloatToUNorm(1.0f, 32), 0xFFFFFFFFu);
    EXPECT_EQ(e.ShrinkFloatToUNorm(0.0f, 32), 0u);
    EXPECT_EQ(e.ShrinkFloatToUNorm(-3.0f, 8), 0u);
    EXPECT_EQ(e.ShrinkFloatToUNorm(std::nanf(""), 8), 0u);
    EXPECT_EQ(e.ShrinkFloatToUNorm(7.5f, 8), 255u);  // above 1.0 saturates
    EXPECT_EQ(e.ShrinkFloatToUNorm(0.5f, 8), 128u);  // 127.5 + 0.5
    // Every code of every width up to 16 bits survives read-then-write.
    for (uint8_t w = 1; w <= 16; ++w)
        for (uint32_t c = 0; c < (1u << w); ++c)
            ASSERT_EQ(e.ShrinkFloatToUNorm(e.GrowUNormToFloat(c, w), w), c) << int(w);

    // Signed 8-bit, sign and magnitude.
    EXPECT_EQ(e.ShrinkFloatToSNorm(1.0f, 8), 0x7Fu);
    EXPECT_EQ(e.ShrinkFloatToSNorm(-0.5f, 8), 0xC0u);
    EXPECT_EQ(e.GrowSNormToFloat(0xC0, 8), -0.5f);
    EXPECT_EQ(e.GrowSNormToFloat(0x7F, 8), 1.0f);
    EXPECT_EQ(e.GrowSNormToFloat(0x80, 8), -0.0f);
    EXPECT_EQ(e.GrowSNormToFloat(1, 1), 0.0f);
    // -1.0 saturates to the most negative code; overflow saturates the magnitude.
    EXPECT_EQ(e.ShrinkFloatToSNorm(-1.0f, 8), 0xFFu);
    EXPECT_EQ(e.GrowSNormToFloat(0xFF, 8), -127.0f / 128.0f);
    EXPECT_EQ(e.ShrinkFloatToSNorm(3.0f, 8), 0x7Fu);
    EXPECT_EQ(e.ShrinkFloatToSNorm(-1.0f, 32), 0xFFFFFFFFu);
    EXPECT_EQ(e.ShrinkFloatToSNorm(1.0f, 16), 0x7FFFu);

    // A value above 1.0 in a packed channel leaves its neighbours alone.
    CPixelEncoder packed(kRGB565, eVT_UnsignedShortNorm);
    packed.SetChannelUNorm(eGreen, 5.0f);
    EXPECT_EQ(packed.GetColourData()[0] | packed.GetColourData()[1] << 8, 0x07E0);

    // Signed channel through EncodeFrom.
    CPixelEncoder s8(PixelType('r', 0, 0, 0, 8, 0, 0, 0), eVT_SignedByteNorm);
    CPixelEncoder f32(PixelType('r', 0, 0, 0, 32, 0, 0, 0), eVT_SignedFloat);
    f32.SetChannelSFloat(eRed, -0.5f);
    EXPECT_EQ(s8.EncodeFrom(f32).GetColourData()[0], 0xC0);

    EXPECT_EQ(e.ResizeSInt(0x80, 8, 8), -127);
    EXPECT_EQ(e.ResizeSInt(0xFF, 8, 16), -1);
    EXPECT_EQ(e.ResizeSInt(1000, 16, 8), 127);
    EXPECT_EQ(e.ResizeSInt(-1000, 16, 8), -127);
    EXPECT_EQ(e.ResizeSInt(0x7FF, 12, 32), 2047);
}

TEST(PixelEncoder, Binary16ReadsEveryPattern) {
    for (uint32_t h = 0; h < 65536; ++h) {
        const double expected = referenceHalf(uint16_t(h));
        const float got = readHalf(uint16_t(h));
        if (std::isnan(expected)) {
            ASSERT_TRUE(std::isnan(got)) << h;
        } else {
            ASSERT_EQ(double(got), expected) << h;
            ASSERT_EQ(std::signbit(got), bool(h & 0x8000)) << h;
        }
        // Unsigned float ignores the sign bit.
        const float unsignedRead = readHalf(uint16_t(h), eVT_UnsignedFloat);
        if (!std::isnan(expected)) {
            ASSERT_EQ(double(unsignedRead), std::fabs(expected)) << h;
        }
    }
    EXPECT_EQ(readHalf(0x0000), 0.0f);
    EXPECT_EQ(readHalf(0x7C00), std::numeric_limits<float>::infinity());
    EXPECT_EQ(readHalf(0x3C00), 1.0f);
}

TEST(PixelEncoder, Binary16WritesWithTruncation) {
    EXPECT_EQ(writeHalf(1.0f), 0x3C00);
    EXPECT_EQ(writeHalf(65536.0f), 0x7BFF);
    EXPECT_EQ(writeHalf(-1e30f), 0xFBFF);
    EXPECT_EQ(writeHalf(std::numeric_limits<float>::infinity()), 0x7C00);
    EXPECT_EQ(writeHalf(-std::numeric_limits<float>::infinity()), 0xFC00);
    EXPECT_EQ(writeHalf(-0.0f), 0x8000);
    EXPECT_EQ(writeHalf(std::ldexp(1.0f, -24)), 0x0001);
    EXPECT_EQ(writeHalf(std::ldexp(1.5f, -24)), 0x0001);  // subnormal truncated
    EXPECT_EQ(writeHalf(std::ldexp(1.0f, -25)), 0x0000);
    EXPECT_EQ(writeHalf(bitsOf(0x3F801FFF)), 0x3C00);  // low 13 mantissa bits dropped
    EXPECT_EQ(writeHalf(bitsOf(0x3F802000)), 0x3C01);
    const uint16_t nan = writeHalf(std::nanf(""));
    EXPECT_EQ(nan & 0x7C00, 0x7C00);
    EXPECT_NE(nan & 0x3FF, 0);

    // Across the whole float range: the result is the largest half magnitude not above |v|
    // (finite overflow: 65504), with v's sign.
    const float maxHalf = 65504.0f;
    for (uint64_t bits = 0; bits < 0x100000000ull; bits += 65521) {
        const float v = bitsOf(uint32_t(bits));
        const uint16_t h = writeHalf(v);
        if (std::isnan(v)) {
            ASSERT_TRUE(std::isnan(referenceHalf(h))) << bits;
            continue;
        }
        ASSERT_EQ(bool(h & 0x8000), std::signbit(v)) << bits;
        const double mag = std::fabs(double(v));
        const double got = std::fabs(referenceHalf(h));
        if (std::isinf(v)) {
            ASSERT_TRUE(std::isinf(got)) << bits;
        } else if (mag >= maxHalf) {
            ASSERT_EQ(got, maxHalf) << bits;
        } else {
            ASSERT_LE(got, mag) << bits;
            ASSERT_GT(std::fabs(referenceHalf(uint16_t((h & 0x7FFF) + 1))), mag) << bits;
        }
    }
}

TEST(PixelEncoder, SmallUnsignedFloats) {
    CPixelEncoder e(kRGBA8, eVT_UnsignedByteNorm);
    // 11-bit: every pattern but NaN reads back and writes to itself; 10-bit likewise.
    for (uint32_t mbits : {6u, 5u}) {
        const uint32_t count = 1u << (mbits + 5);
        for (uint32_t p = 0; p < count; ++p) {
            const float v = e.GrowFloat(p, uint8_t(mbits), 5, 15, false);
            if ((p >> mbits) == 31 && (p & ((1u << mbits) - 1))) {
                ASSERT_TRUE(std::isnan(v));
                ASSERT_TRUE(std::isnan(e.GrowFloat(e.ShrinkFloat(v, uint8_t(mbits), 5, 15, false, true), uint8_t(mbits), 5, 15, false)));
                continue;
            }
            ASSERT_EQ(e.ShrinkFloat(v, uint8_t(mbits), 5, 15, false, true), p) << mbits << " " << p;
        }
    }
    EXPECT_EQ(e.GrowFloat(15u << 6, 6, 5, 15, false), 1.0f);
    EXPECT_EQ(e.GrowFloat(31u << 6, 6, 5, 15, false), std::numeric_limits<float>::infinity());
    EXPECT_EQ(e.GrowFloat(1, 6, 5, 15, false), std::ldexp(1.0f, -20));
    EXPECT_EQ(e.ShrinkFloat(-2.0f, 6, 5, 15, false, true), 0u);          // no sign: 0
    EXPECT_EQ(e.ShrinkFloat(1e9f, 6, 5, 15, false, true), (30u << 6) | 63u);  // largest finite
    EXPECT_EQ(e.ShrinkFloat(1e9f, 6, 5, 15, false, false), 31u << 6);      // or infinity
    // The generic form with binary16 widths is the binary16 rule.
    EXPECT_EQ(e.ShrinkFloat(-2.5f, 10, 5, 15, true, true), writeHalf(-2.5f));
    EXPECT_EQ(e.GrowFloat(0xC100, 10, 5, 15, true), -2.5f);
}

TEST(PixelEncoder, ColourSpaceWorkedValues) {
    CPixelEncoder e(kRGBA8, eVT_UnsignedByteNorm);
    const uint8_t in[4] = {128, 128, 128, 128};
    e.OverwriteColourData(in);
    e.ConvertToColourSpace(eCS_sRGB, eCS_LinearRGB);
    const uint8_t toSrgb[4] = {188, 188, 188, 128};
    EXPECT_EQ(std::memcmp(e.GetColourData(), toSrgb, 4), 0);
    e.OverwriteColourData(in);
    e.ConvertToColourSpace(eCS_LinearRGB, eCS_sRGB);
    const uint8_t toLinear[4] = {55, 55, 55, 128};
    EXPECT_EQ(std::memcmp(e.GetColourData(), toLinear, 4), 0);
    // Same space or an unknown pair: nothing happens.
    e.OverwriteColourData(in);
    e.ConvertToColourSpace(eCS_sRGB, eCS_sRGB);
    e.ConvertToColourSpace(EQelTColourSpace(5), eCS_LinearRGB);
    EXPECT_EQ(std::memcmp(e.GetColourData(), in, 4), 0);
    // Luminance is converted, unspecified is not.
    CPixelEncoder lx(PixelType('l', 'x', 0, 0, 8, 8, 0, 0), eVT_UnsignedByteNorm);
    lx.OverwriteColourData(in);
    lx.ConvertToColourSpace(eCS_sRGB, eCS_LinearRGB);
    EXPECT_EQ(lx.GetColourData()[0], 188);
    EXPECT_EQ(lx.GetColourData()[1], 128);
}

TEST(PixelEncoder, ColourSpaceCurvesEvery8And16BitCode) {
    for (unsigned bits : {8u, 16u}) {
        const PixelType type('r', 0, 0, 0, uint8_t(bits), 0, 0, 0);
        const EQelTVariableType vt = bits == 8 ? eVT_UnsignedByteNorm : eVT_UnsignedShortNorm;
        CPixelEncoder e(type, vt);
        const float maxCode = float((1u << bits) - 1);
        for (uint32_t c = 0; c < (1u << bits); ++c) {
            const float v = float(c) / maxCode;
            for (bool toSrgb : {true, false}) {
                const float curve = toSrgb ? refToSrgb(v) : refToLinear(v);
                const float scaled = maxCode * (curve > 0.0f ? curve : 0.0f) + 0.5f;
                const uint32_t expected = scaled >= maxCode ? uint32_t(maxCode) : uint32_t(scaled);
                std::memset(e.GetColourData(), 0, 16);
                std::memcpy(e.GetColourData(), &c, bits / 8);
                if (toSrgb) e.ConvertToColourSpace(eCS_sRGB, eCS_LinearRGB);
                else e.ConvertToColourSpace(eCS_LinearRGB, eCS_sRGB);
                uint32_t got = 0;
                std::memcpy(&got, e.GetColourData(), bits / 8);
                ASSERT_EQ(got, expected) << bits << " bits, code " << c << (toSrgb ? " to sRGB" : " to linear");
            }
        }
    }
}
