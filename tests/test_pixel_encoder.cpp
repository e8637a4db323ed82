// CPixelEncoder: layouts, validity flags, reading and writing rules and colour-space curves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "PixelEncoder.h"

using namespace qeltexture;

namespace {

const PixelType kRGBA8('r', 'g', 'b', 'a', 8, 8, 8, 8);
const PixelType kRGB565('r', 'g', 'b', 0, 5, 6, 5, 0);

using Bytes = std::vector<uint8_t>;
Bytes bytes(const CPixelEncoder& e, size_t n) { return Bytes(e.GetColourData(), e.GetColourData() + n); }

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

}  // namespace

TEST(PixelEncoder, ChannelLettersAndValidityFlags) {
    EXPECT_EQ(MapCharToEnum('R'), eNoChannel);
    EXPECT_EQ(MapEnumToChar(eUnspecified), 'x');
    EXPECT_EQ(MapEnumToChar(EChannelName(8)), 0);

    const struct { PixelType type; EQelTVariableType vt; uint32_t flags; } cases[] = {
        {kRGBA8, eVT_UnsignedByteNorm, 0},
        {kRGB565, eVT_UnsignedShortNorm, 0},
        {PixelType('r', 0, 'b', 0, 8, 0, 8, 0), eVT_UnsignedByteNorm, 0x08},  // a gap in the names
        {PixelType('r', 'r', 0, 0, 8, 8, 0, 0), eVT_UnsignedByteNorm, 0x01},  // a repeated name
        {PixelType('r', 'g', 0, 0, 8, 0, 0, 0), eVT_UnsignedByteNorm, 0x02},  // a name without width
        {PixelType(0, 0, 0, 0, 8, 0, 0, 0), eVT_UnsignedByteNorm, 0x04},      // a width without name
        {PixelType('r', 'g', 'b', 0, 5, 5, 5, 0), eVT_UnsignedByteNorm, 0x10},
        // Layouts without defined storage are reported by the extra flag.
        {PixelType('r', 'g', 'b', 0, 24, 24, 24, 0), eVT_UnsignedByteNorm, 0x20},
        {PixelType('r', 'g', 0, 0, 16, 32, 0, 0), eVT_SignedFloat, 0x20},
    };
    for (const auto& c : cases) EXPECT_EQ(CPixelEncoder(c.type, c.vt).GetError(), c.flags) << std::hex << c.type.PixelTypeID;
    EXPECT_EQ(CPixelEncoder(eVT_UnsignedByteNorm, 8, 8, 0, 0, eRed, eRed, eNoChannel, eNoChannel).GetError(), 0x01u);

    // EncodeFrom into or from an invalid encoder leaves the destination untouched.
    CPixelEncoder bad(PixelType('r', 'r', 0, 0, 8, 8, 0, 0), eVT_UnsignedByteNorm), good(kRGBA8, eVT_UnsignedByteNorm);
    const uint8_t pixel[4] = {1, 2, 3, 4};
    good.OverwriteColourData(pixel);
    good.EncodeFrom(bad);
    EXPECT_EQ(std::memcmp(good.GetColourData(), pixel, 4), 0);
    bad.GetColourData()[0] = 0xAB;
    bad.EncodeFrom(good);
    EXPECT_EQ(bad.GetColourData()[0], 0xAB);
}

TEST(PixelEncoder, StorageLayoutsAndDerivedChannels) {
    CPixelEncoder source(kRGBA8, eVT_UnsignedByteNorm);
    const uint8_t rgba[4] = {255, 128, 0, 7};
    source.OverwriteColourData(rgba);
    // 5,6,5: red 31, green 63 * 128 / 255 + 0.5 = 32.12 -> 32, blue 0: the word 0xFC00.
    CPixelEncoder packed(kRGB565, eVT_UnsignedShortNorm);
    packed.EncodeFrom(source);
    ASSERT_EQ(packed.GetColourDataSize(), 2u);
    EXPECT_EQ(bytes(packed, 2), (Bytes{0x00, 0xFC}));
    // Half-float RGBA: red in bytes 0-1.
    CPixelEncoder half(PixelType('r', 'g', 'b', 'a', 16, 16, 16, 16), eVT_SignedFloat);
    half.EncodeFrom(source);
    EXPECT_EQ(bytes(half, 2), (Bytes{0x00, 0x3C}));
    // 11,11,10 unsigned float: red in bits 21-31, green 10-20, blue 0-9.
    CPixelEncoder r11(PixelType('r', 'g', 'b', 0, 11, 11, 10, 0), eVT_UnsignedFloat);
    r11.SetChannelUFloat(eRed, 1.0f);
    r11.SetChannelUFloat(eGreen, 2.0f);
    r11.SetChannelUFloat(eBlue, 0.5f);
    uint32_t word;
    std::memcpy(&word, r11.GetColourData(), 4);
    EXPECT_EQ(word, (15u << 6) << 21 | (16u << 6) << 10 | 14u << 5);
    // Channels are matched by name: RGBA into BGRA swaps bytes 0 and 2.
    CPixelEncoder bgra(PixelType('b', 'g', 'r', 'a', 8, 8, 8, 8), eVT_UnsignedByteNorm);
    EXPECT_EQ(bytes(bgra.EncodeFrom(source), 4), (Bytes{0, 128, 255, 7}));

    // Luminance 255 * 0.2126 + 0.5 = 54.71 -> 54; intensity of 30, 60, 90 is 60.
    CPixelEncoder rgb(PixelType('r', 'g', 'b', 0, 8, 8, 8, 0), eVT_UnsignedByteNorm);
    CPixelEncoder l8(PixelType('l', 0, 0, 0, 8, 0, 0, 0), eVT_UnsignedByteNorm);
    CPixelEncoder i8(PixelType('i', 0, 0, 0, 8, 0, 0, 0), eVT_UnsignedByteNorm);
    const uint8_t red[3] = {255, 0, 0}, ramp[3] = {30, 60, 90}, grey = 200;
    rgb.OverwriteColourData(red);
    EXPECT_EQ(l8.EncodeFrom(rgb).GetColourData()[0], 54);
    rgb.OverwriteColourData(ramp);
    EXPECT_EQ(i8.EncodeFrom(rgb).GetColourData()[0], 60);
    // Luminance spreads to RGB; a missing alpha becomes 255; 'x' and 'a' copy each other.
    CPixelEncoder out(kRGBA8, eVT_UnsignedByteNorm);
    l8.OverwriteColourData(&grey);
    EXPECT_EQ(bytes(out.EncodeFrom(l8), 4), (Bytes{200, 200, 200, 255}));
    EXPECT_EQ(out.EncodeFrom(rgb).GetColourData()[3], 255);
    CPixelEncoder rgbx(PixelType('r', 'g', 'b', 'x', 8, 8, 8, 8), eVT_UnsignedByteNorm);
    const uint8_t withX[4] = {1, 2, 3, 77};
    rgbx.OverwriteColourData(withX);
    EXPECT_EQ(out.EncodeFrom(rgbx).GetColourData()[3], 77);
    out.GetColourData()[3] = 99;
    EXPECT_EQ(rgbx.EncodeFrom(out).GetColourData()[3], 99);
    // Missing channels read 1.0 for alpha and unspecified, 0.0 otherwise; setting one is ignored.
    EXPECT_EQ(std::make_tuple(rgb.GetChannelFloat(eAlpha), rgb.GetChannelFloat(eUnspecified), rgb.GetChannelFloat(eLuminance)),
              std::make_tuple(1.0f, 1.0f, 0.0f));
    rgb.SetChannelUNorm(eAlpha, 0.0f);
    EXPECT_EQ(bytes(rgb, 3), (Bytes{30, 60, 90}));
}

TEST(PixelEncoder, NormalisedIntegers) {
    CPixelEncoder e(kRGBA8, eVT_UnsignedByteNorm);
    // 1.0 -> all ones, 0.5 -> 127.5 + 0.5; below 0, NaN and above 1.0 clamp.
    EXPECT_EQ(std::make_pair(e.ShrinkFloatToUNorm(1.0f, 32), e.ShrinkFloatToUNorm(0.0f, 32)), std::make_pair(0xFFFFFFFFu, 0u));
    EXPECT_EQ(std::make_tuple(e.ShrinkFloatToUNorm(0.5f, 8), e.ShrinkFloatToUNorm(-3.0f, 8), e.ShrinkFloatToUNorm(std::nanf(""), 8),
                              e.ShrinkFloatToUNorm(7.5f, 8)),
              std::make_tuple(128u, 0u, 0u, 255u));
    // Every code of every width up to 16 bits survives read-then-write.
    for (uint8_t w = 1; w <= 16; ++w)
        for (uint32_t c = 0; c < (1u << w); ++c) ASSERT_EQ(e.ShrinkFloatToUNorm(e.GrowUNormToFloat(c, w), w), c) << int(w);

    // Signed 8-bit, sign and magnitude: 1.0 <-> 0x7F, -0.5 <-> 0xC0; -1.0 and overflow saturate.
    EXPECT_EQ(std::make_pair(e.ShrinkFloatToSNorm(1.0f, 8), e.ShrinkFloatToSNorm(-0.5f, 8)), std::make_pair(0x7Fu, 0xC0u));
    EXPECT_EQ(std::make_pair(e.GrowSNormToFloat(0xC0, 8), e.GrowSNormToFloat(0x7F, 8)), std::make_pair(-0.5f, 1.0f));
    EXPECT_EQ(std::make_pair(e.GrowSNormToFloat(0x80, 8), e.GrowSNormToFloat(1, 1)), std::make_pair(-0.0f, 0.0f));
    EXPECT_EQ(std::make_tuple(e.ShrinkFloatToSNorm(-1.0f, 8), e.ShrinkFloatToSNorm(3.0f, 8), e.ShrinkFloatToSNorm(-1.0f, 32),
                              e.ShrinkFloatToSNorm(1.0f, 16)),
              std::make_tuple(0xFFu, 0x7Fu, 0xFFFFFFFFu, 0x7FFFu));
    EXPECT_EQ(e.GrowSNormToFloat(0xFF, 8), -127.0f / 128.0f);
    CPixelEncoder s8(PixelType('r', 0, 0, 0, 8, 0, 0, 0), eVT_SignedByteNorm), f32(PixelType('r', 0, 0, 0, 32, 0, 0, 0), eVT_SignedFloat);
    f32.SetChannelSFloat(eRed, -0.5f);
    EXPECT_EQ(s8.EncodeFrom(f32).GetColourData()[0], 0xC0);
    EXPECT_EQ(std::make_tuple(e.ResizeSInt(0x80, 8, 8), e.ResizeSInt(0xFF, 8, 16), e.ResizeSInt(1000, 16, 8), e.ResizeSInt(-1000, 16, 8),
                              e.ResizeSInt(0x7FF, 12, 32)),
              std::make_tuple(-127, -1, 127, -127, 2047));

    // A value above 1.0 in a packed channel leaves its neighbours alone.
    CPixelEncoder packed(kRGB565, eVT_UnsignedShortNorm);
    packed.SetChannelUNorm(eGreen, 5.0f);
    EXPECT_EQ(bytes(packed, 2), (Bytes{0xE0, 0x07}));
}

TEST(PixelEncoder, Binary16ReadsEveryPatternAndWritesWithTruncation) {
    for (uint32_t h = 0; h < 65536; ++h) {
        const double expected = referenceHalf(uint16_t(h));
        const float got = readHalf(uint16_t(h));
        if (std::isnan(expected)) {
            ASSERT_TRUE(std::isnan(got)) << h;
            continue;
        }
        ASSERT_EQ(double(got), expected) << h;
        ASSERT_EQ(std::signbit(got), bool(h & 0x8000)) << h;
        ASSERT_EQ(double(readHalf(uint16_t(h), eVT_UnsignedFloat)), std::fabs(expected)) << h;  // sign bit ignored
    }

    const float inf = std::numeric_limits<float>::infinity();
    // The sweep below covers truncation, subnormals, finite overflow and NaN.
    const std::pair<float, uint16_t> writes[] = {{1.0f, 0x3C00}, {65536.0f, 0x7BFF}, {-inf, 0xFC00}, {-0.0f, 0x8000}};
    for (const auto& [v, h] : writes) EXPECT_EQ(writeHalf(v), h) << v;

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
    EXPECT_EQ(std::make_tuple(e.GrowFloat(15u << 6, 6, 5, 15, false), e.GrowFloat(31u << 6, 6, 5, 15, false), e.GrowFloat(1, 6, 5, 15, false)),
              std::make_tuple(1.0f, std::numeric_limits<float>::infinity(), std::ldexp(1.0f, -20)));
}

TEST(PixelEncoder, ColourSpaceWorkedValues) {
    // 128: 188 towards sRGB, 55 towards linear; alpha and 'x' unchanged, luminance converted.
    CPixelEncoder e(kRGBA8, eVT_UnsignedByteNorm), lx(PixelType('l', 'x', 0, 0, 8, 8, 0, 0), eVT_UnsignedByteNorm);
    const uint8_t in[4] = {128, 128, 128, 128};
    auto convert = [&](CPixelEncoder& enc, EQelTColourSpace to, EQelTColourSpace from, size_t n) {
        enc.OverwriteColourData(in);
        enc.ConvertToColourSpace(to, from);
        return bytes(enc, n);
    };
    EXPECT_EQ(convert(e, eCS_sRGB, eCS_LinearRGB, 4), (Bytes{188, 188, 188, 128}));
    EXPECT_EQ(convert(e, eCS_LinearRGB, eCS_sRGB, 4), (Bytes{55, 55, 55, 128}));
    EXPECT_EQ(convert(e, eCS_sRGB, eCS_sRGB, 4), Bytes(4, 128));
    EXPECT_EQ(convert(e, EQelTColourSpace(5), eCS_LinearRGB, 4), Bytes(4, 128));
    EXPECT_EQ(convert(lx, eCS_sRGB, eCS_LinearRGB, 2), (Bytes{188, 128}));

    // 16-bit codes on both sides of each threshold and mid-range: {code, to sRGB, to linear}.
    const uint32_t worked[][3] = {
        {199, 2571, 15}, {200, 2549, 15}, {2574, 14312, 199}, {2575, 14315, 202}, {32768, 48182, 14045}};
    CPixelEncoder r16(PixelType('r', 0, 0, 0, 16, 0, 0, 0), eVT_UnsignedShortNorm);
    for (const auto& w : worked)
        for (bool toSrgb : {true, false}) {
            const uint16_t code = uint16_t(w[0]);
            r16.OverwriteColourData(reinterpret_cast<const uint8_t*>(&code));
            if (toSrgb) r16.ConvertToColourSpace(eCS_sRGB, eCS_LinearRGB);
            else r16.ConvertToColourSpace(eCS_LinearRGB, eCS_sRGB);
            uint16_t got;
            std::memcpy(&got, r16.GetColourData(), 2);
            EXPECT_EQ(got, w[toSrgb ? 1 : 2]) << w[0] << (toSrgb ? " to sRGB" : " to linear");
        }
}
