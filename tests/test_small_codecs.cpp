// Black-and-white, shared-exponent, RGBG/GRGB and YUV codecs: worked values, edges, round trip.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "Codecs/SmallCodecs/SmallCodecs.h"

using namespace qeltexture;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes greyPixels(const Bytes& levels) {
    Bytes rgba;
    for (uint8_t v : levels) rgba.insert(rgba.end(), {v, v, v, 255});
    return rgba;
}

uint32_t encode9E5(float r, float g, float b) {
    const float in[3] = {r, g, b};
    uint8_t out[4];
    EXPECT_EQ(RGB9E5Compress(in, out, 1, 1), 4u);
    return uint32_t(out[0]) | uint32_t(out[1]) << 8 | uint32_t(out[2]) << 16 | uint32_t(out[3]) << 24;
}

std::vector<float> decode9E5(uint32_t word) {
    const uint8_t in[4] = {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16), uint8_t(word >> 24)};
    std::vector<float> rgb(3);
    EXPECT_EQ(RGB9E5Decompress(in, rgb.data(), 1, 1), 12u);
    return rgb;
}

// Packs with `compress` and unpacks with `decompress` (pair codecs and their format).
template <typename Enc, typename Dec>
Bytes pairRoundTrip(Enc compress, Dec decompress, const Bytes& rgba, uint32_t w, uint32_t h,
                    EQelTPixelFormat format, Bytes* packedOut = nullptr) {
    Bytes packed(compress(nullptr, nullptr, w, h, format));
    EXPECT_EQ(compress(rgba.data(), packed.data(), w, h, format), packed.size());
    Bytes out(size_t(w) * h * 4);
    EXPECT_EQ(decompress(packed.data(), out.data(), w, h, format), out.size());
    if (packedOut) *packedOut = packed;
    return out;
}

}  // namespace

TEST(OneBPP, WorkedValuesBitOrderAndPartialBytes) {
    // Bits 1, 3, 4, 6 set: 0b01011010.
    const Bytes grey = greyPixels({127, 128, 0, 255, 128, 127, 200, 10});
    uint8_t byte = 0;
    EXPECT_EQ(OneBPPCompress(grey.data(), &byte, 8, 1), 1u);
    EXPECT_EQ(byte, 0x5A);
    // The truncated mean of R, G, B decides; alpha is ignored.
    const Bytes mixed = {128, 128, 127, 255, 255, 0, 129, 255, 0, 0, 0, 0, 255, 255, 255, 0,
                         1, 1, 0, 255, 0, 0, 255, 255, 128, 128, 128, 0, 255, 255, 129, 7};
    EXPECT_EQ(OneBPPCompress(mixed.data(), &byte, 4, 2), 1u);
    EXPECT_EQ(byte, 0x2 | 0x8 | 0x40 | 0x80);

    // Decoding 0x01: white first pixel, opaque black for the other seven.
    const uint8_t one = 0x01;
    Bytes rgba(32);
    EXPECT_EQ(OneBPPDecompress(&one, rgba.data(), 8, 1), 32u);
    EXPECT_EQ(rgba, greyPixels({255, 0, 0, 0, 0, 0, 0, 0}));

    // 15 pixels: one whole byte is written and the last 7 pixels dropped; the decoder
    // reads them from the partial second byte and writes nothing past the surface.
    const Bytes white = greyPixels(Bytes(15, 255));
    uint8_t out[2] = {0, 0xAB};
    EXPECT_EQ(OneBPPCompress(white.data(), out, 3, 5), 1u);
    EXPECT_EQ(Bytes(out, out + 2), (Bytes{0xFF, 0xAB}));
    const uint8_t bits[2] = {0x00, 0x41};
    Bytes decoded(15 * 4 + 1, 0x5C);
    EXPECT_EQ(OneBPPDecompress(bits, decoded.data(), 3, 5), 60u);
    EXPECT_EQ(std::make_tuple(decoded[8 * 4], decoded[14 * 4], decoded[13 * 4], decoded[60]), std::make_tuple(255, 255, 0, 0x5C));
}

TEST(SharedExponent, WorkedWordAndEdgeValues) {
    // (1.0, 0.5, 0.0): exponent 16, mantissas 256, 128, 0, stored little-endian.
    const float in[3] = {1.0f, 0.5f, 0.0f};
    uint8_t bytes[4];
    ASSERT_EQ(RGB9E5Compress(in, bytes, 1, 1), 4u);
    EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{0x00, 0x01, 0x01, 0x80}));
    EXPECT_EQ(decode9E5(0x80010100u), (std::vector<float>{1.0f, 0.5f, 0.0f}));

    // The largest finite value 65408 = 511 * 2^7; anything larger clamps to it.
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(encode9E5(70000.0f, 0.0f, 0.0f), 31u << 27 | 511u);
    EXPECT_EQ(decode9E5(31u << 27 | 511u)[0], 65408.0f);

    // Negative, NaN and -inf channels encode as 0 and do not steer the exponent.
    EXPECT_EQ(encode9E5(-5.0f, 1.0f, 0.0f), 16u << 27 | 256u << 9);
    EXPECT_EQ(encode9E5(nan, 1.0f, -inf), 16u << 27 | 256u << 9);

    // A largest channel that rounds to 512 moves to the next exponent: 511.75 at step 1
    // would be 512, so it is 256 at step 2, exponent 8 + 17. 511.25 stays at 511.
    EXPECT_EQ(encode9E5(511.75f, 1.0f, 0.0f), 25u << 27 | 1u << 9 | 256u);
    EXPECT_EQ(decode9E5(25u << 27 | 256u)[0], 512.0f);
    EXPECT_EQ(encode9E5(511.25f, 0.0f, 0.0f), 24u << 27 | 511u);

    // Tiny values use the lowest exponent (-16, stored 0, step 2^-24).
    EXPECT_EQ(encode9E5(0x1p-20f, 0.0f, 0.0f), 16u);
    EXPECT_EQ(decode9E5(16u)[0], 0x1p-20f);
    EXPECT_EQ(encode9E5(1e-30f, 0.0f, 0.0f), 0u);
}

TEST(RGBG, WorkedBytesAndOddWidth) {
    const Bytes pair = {10, 20, 30, 40, 50, 60, 70, 80};
    const Bytes decoded = {10, 20, 30, 255, 10, 60, 30, 255};
    Bytes packed;
    EXPECT_EQ(pairRoundTrip(RGBGCompress, RGBGDecompress, pair, 2, 1, ePF_RGBG8888, &packed), decoded);
    EXPECT_EQ(packed, (Bytes{10, 20, 30, 60}));
    EXPECT_EQ(pairRoundTrip(RGBGCompress, RGBGDecompress, pair, 2, 1, ePF_GRGB8888, &packed), decoded);
    EXPECT_EQ(packed, (Bytes{20, 10, 60, 30}));

    // 3 x 2: each row is two units and stays aligned; the lone pixel fills its unit.
    Bytes img(24);
    for (int i = 0; i < 24; ++i) img[i] = uint8_t(i + 1);
    EXPECT_EQ(pairRoundTrip(RGBGCompress, RGBGDecompress, img, 3, 2, ePF_RGBG8888, &packed),
              (Bytes{1, 2, 3, 255, 1, 6, 3, 255, 9, 10, 11, 255, 13, 14, 15, 255, 13, 18, 15, 255, 21, 22, 23, 255}));
    EXPECT_EQ(packed, (Bytes{1, 2, 3, 6, 9, 10, 11, 10, 13, 14, 15, 18, 21, 22, 23, 22}));
}

TEST(YUV, WorkedValues) {
    Bytes packed;
    // Two white pixels: Y = 235.545 and U, V = 128.5, truncated.
    const Bytes white = greyPixels({255, 255});
    EXPECT_EQ(pairRoundTrip(YUVCompress, YUVDecompress, white, 2, 1, ePF_YUY2, &packed), white);
    EXPECT_EQ(packed, (Bytes{235, 128, 235, 128}));
    pairRoundTrip(YUVCompress, YUVDecompress, white, 2, 1, ePF_UYVY, &packed);
    EXPECT_EQ(packed, (Bytes{128, 235, 128, 235}));

    // U from the left pixel only, V from the right one only: blue then red gives
    // Y0 = 41.49, U = 240.445, Y1 = 82.035, V = 240.445; red then blue gives
    // U = 90.76, V = 110.395.
    const Bytes blueRed = {0, 0, 255, 255, 255, 0, 0, 255};
    const Bytes redBlue = {255, 0, 0, 255, 0, 0, 255, 255};
    pairRoundTrip(YUVCompress, YUVDecompress, blueRed, 2, 1, ePF_YUY2, &packed);
    EXPECT_EQ(packed, (Bytes{41, 240, 82, 240}));
    pairRoundTrip(YUVCompress, YUVDecompress, redBlue, 2, 1, ePF_UYVY, &packed);
    EXPECT_EQ(packed, (Bytes{90, 82, 110, 41}));

    // Decoding: Y 235 gives 65390 >> 8 = 255, Y 16 gives 128 >> 8 = 0; both pixels share
    // U and V. Sums below 1 give 0, large ones saturate, and blue uses 517:
    // (517 * 58 - 4640) >> 8 = 99 where 516 would give 98.
    const uint8_t yuy2[4] = {235, 128, 16, 128}, uyvy[4] = {128, 16, 128, 235};
    Bytes rgba(8);
    EXPECT_EQ(YUVDecompress(yuy2, rgba.data(), 2, 1, ePF_YUY2), 8u);
    EXPECT_EQ(rgba, (Bytes{255, 255, 255, 255, 0, 0, 0, 255}));
    EXPECT_EQ(YUVDecompress(uyvy, rgba.data(), 2, 1, ePF_UYVY), 8u);
    EXPECT_EQ(rgba, (Bytes{0, 0, 0, 255, 255, 255, 255, 255}));
    uint8_t r, g, b;
    ConvertYUVToRGB(0, 186, 128, r, g, b);
    EXPECT_EQ(b, 99);

    // 3 x 1: the lone last pixel gives both Y values of its unit; nothing past either end.
    const Bytes odd = greyPixels({0, 255, 128});
    packed.assign(9, 0xCC);
    EXPECT_EQ(YUVCompress(odd.data(), packed.data(), 3, 1, ePF_YUY2), 8u);
    EXPECT_EQ(packed[4], packed[6]);
    EXPECT_EQ(packed[8], 0xCC);
    rgba.assign(13, 0xCC);
    EXPECT_EQ(YUVDecompress(packed.data(), rgba.data(), 3, 1, ePF_YUY2), 12u);
    EXPECT_EQ(rgba[12], 0xCC);
}

TEST(SmallCodecs, SizeQueriesAndRefusals) {
    // Null pointers ask for the count; 32-bit overflows refuse; one-pixel RGBG rows take a unit.
    EXPECT_EQ(std::make_tuple(OneBPPCompress(nullptr, nullptr, 10, 10), OneBPPDecompress(nullptr, nullptr, 10, 10),
                              OneBPPDecompress(nullptr, nullptr, 65536, 65536)),
              std::make_tuple(12u, 400u, 0u));
    EXPECT_EQ(std::make_tuple(RGB9E5Compress(nullptr, nullptr, 3, 5), RGB9E5Decompress(nullptr, nullptr, 3, 5),
                              RGB9E5Decompress(nullptr, nullptr, 0, 5)),
              std::make_tuple(60u, 180u, 0u));
    for (EQelTPixelFormat f : {ePF_RGBG8888, ePF_GRGB8888})
        EXPECT_EQ(std::make_tuple(RGBGCompress(nullptr, nullptr, 6, 5, f), RGBGCompress(nullptr, nullptr, 1, 3, f),
                                  RGBGDecompress(nullptr, nullptr, 6, 5, f)),
                  std::make_tuple(60u, 12u, 120u));
    EXPECT_EQ(std::make_pair(YUVCompress(nullptr, nullptr, 5, 2, ePF_UYVY), YUVDecompress(nullptr, nullptr, 5, 2, ePF_YUY2)),
              std::make_pair(24u, 40u));

    // Another codec's format, no rows, or no columns: nothing written, 0 bytes.
    const Bytes src(64, 9);
    Bytes dst(64, 1);
    EXPECT_EQ(RGBGCompress(src.data(), dst.data(), 2, 1, ePF_UYVY) + RGBGDecompress(src.data(), dst.data(), 2, 1, ePF_YUY2) +
                  YUVCompress(src.data(), dst.data(), 2, 1, ePF_RGBG8888) + YUVDecompress(src.data(), dst.data(), 2, 1, ePF_GRGB8888) +
                  RGBGCompress(src.data(), dst.data(), 2, 0, ePF_RGBG8888) + YUVDecompress(src.data(), dst.data(), 2, 0, ePF_YUY2) +
                  RGB9E5Compress(src.data(), dst.data(), 0, 5) + OneBPPCompress(src.data(), dst.data(), 7, 1),
              0u);
    EXPECT_EQ(dst, Bytes(64, 1));
}

// Shared exponent over a wide range: every channel within half a step (m / 511.5 for a largest
// channel m), and the decoded values, being representable, encode to the same words.
TEST(SharedExponent, RoundTripErrorBoundAndStableWords) {
    std::mt19937 rng(5);
    const size_t n = 20000;
    std::vector<float> rgb(n * 3), back(n * 3);
    for (float& v : rgb) v = std::ldexp(float(rng() % 256) / 255.0f, int(rng() % 24) - 12);
    std::vector<uint32_t> words(n), words2(n);
    ASSERT_EQ(RGB9E5Compress(rgb.data(), words.data(), n, 1), n * 4);
    ASSERT_EQ(RGB9E5Decompress(words.data(), back.data(), n, 1), n * 12);
    for (size_t p = 0; p < n; ++p) {
        const float m = std::fmax(rgb[3 * p], std::fmax(rgb[3 * p + 1], rgb[3 * p + 2]));
        for (int c = 0; c < 3; ++c)
            ASSERT_LE(std::fabs(double(back[3 * p + c]) - rgb[3 * p + c]), std::fmax(m / 511.5, 0x1p-25)) << p;
    }
    RGB9E5Compress(back.data(), words2.data(), n, 1);
    EXPECT_EQ(words2, words);
}
