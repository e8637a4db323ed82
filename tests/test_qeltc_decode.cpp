// QELTC and QELTCII decoding: hand-built words against worked values, block orders, working
// sizes, and the optimised decoders against a per-pixel decoder on random words.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "Codecs/QELTC/QELTCBlockOrder.h"
#include "Codecs/QELTC/QELTCDecoder.h"
#include "Codecs/QELTC/QELTCDecompress.h"
#include "qeltc_reference_decoder.h"

using namespace qeltexture;

namespace {

// Colour halves built field by field (independent of the library's packers).
uint32_t opaqueA(uint32_t r5, uint32_t g5, uint32_t b4) { return 0x8000u | r5 << 10 | g5 << 5 | b4 << 1; }
uint32_t translucentA(uint32_t a3, uint32_t r4, uint32_t g4, uint32_t b3) {
    return a3 << 12 | r4 << 8 | g4 << 4 | b3 << 1;
}
uint32_t opaqueB(uint32_t r5, uint32_t g5, uint32_t b5) { return 0x80000000u | r5 << 26 | g5 << 21 | b5 << 16; }
uint32_t translucentB(uint32_t a3, uint32_t r4, uint32_t g4, uint32_t b4) {
    return a3 << 28 | r4 << 24 | g4 << 20 | b4 << 16;
}

void putWord(std::vector<uint8_t>& data, size_t index, uint32_t modulation, uint32_t colour) {
    if (data.size() < 8 * (index + 1)) data.resize(8 * (index + 1));
    for (int i = 0; i < 4; ++i) {
        data[8 * index + i] = uint8_t(modulation >> (8 * i));
        data[8 * index + 4 + i] = uint8_t(colour >> (8 * i));
    }
}

// Every block of the grid holds the same word.
std::vector<uint8_t> uniform(size_t blocks, uint32_t modulation, uint32_t colour) {
    std::vector<uint8_t> data;
    for (size_t i = 0; i < blocks; ++i) putWord(data, i, modulation, colour);
    return data;
}

std::vector<uint8_t> decode(const std::vector<uint8_t>& data, unsigned w, unsigned h, bool do2bit, unsigned version) {
    std::vector<uint8_t> out(size_t(w) * h * 4);
    EXPECT_EQ(QELTCDecompress(data.data(), out.data(), w, h, do2bit, version), w * h * 4);
    return out;
}

// Red, green, blue and alpha of one decoded pixel.
using RGBA = std::array<int, 4>;
RGBA at(const std::vector<uint8_t>& img, unsigned w, unsigned x, unsigned y) {
    const uint8_t* p = &img[(size_t(y) * w + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}
#define EXPECT_PIXEL(img, w, x, y, R, G, B, A) EXPECT_EQ(at(img, w, x, y), (RGBA{R, G, B, A})) << "(" << x << "," << y << ")"

uint32_t blocksIndexQELTC(uint32_t bx, uint32_t by, uint32_t W, uint32_t H) {
    return QELTCUsesTwiddledOrder(W, H) ? QELTCTwiddledIndex(bx, by, W, H) : by * W + bx;
}

}  // namespace

// Field layouts and widening of both versions, read through flat images (every block alike).
TEST(QELTCDecode, ColourFieldsAndWidening) {
    // QELTC: A opaque 31/16/9(4-bit blue), B translucent alpha 5, 10/3/15.
    const uint32_t v0 = opaqueA(31, 16, 9) | translucentB(5, 10, 3, 15);
    auto a = decode(uniform(4, 0x00000000, v0), 8, 8, false, 0);  // weight 0: colour A
    // blue 9 -> (9 << 1) | (9 >> 3) = 19 -> 8 bits 156; green 16 -> 132.
    EXPECT_PIXEL(a, 8, 5, 6, 255, 132, 156, 255);
    auto b = decode(uniform(4, 0xFFFFFFFF, v0), 8, 8, false, 0);  // weight 8: colour B
    // red 10 -> 21 -> 173; green 3 -> 6 -> 49; blue 15 -> 31 -> 255; alpha 5 -> 10 -> 170.
    EXPECT_PIXEL(b, 8, 1, 1, 173, 49, 255, 170);

    // QELTC: A translucent alpha 3, 12/0/5(3-bit blue), B opaque 1/30/17.
    const uint32_t v1 = translucentA(3, 12, 0, 5) | opaqueB(1, 30, 17);
    a = decode(uniform(4, 0, v1), 8, 8, false, 0);
    // red 12 -> 25 -> 206; blue 5 -> (5 << 2) | (5 >> 1) = 22 -> 181; alpha 3 -> 6 -> 102.
    EXPECT_PIXEL(a, 8, 7, 0, 206, 0, 181, 102);
    b = decode(uniform(4, 0xFFFFFFFF, v1), 8, 8, false, 0);
    EXPECT_PIXEL(b, 8, 7, 0, 8, 247, 140, 255);

    // QELTCII: bit 31 clear makes both translucent, and B's alpha gets its low bit set.
    const uint32_t v2 = translucentA(5, 10, 3, 7) | translucentB(5, 10, 3, 15);
    a = decode(uniform(1, 0, v2), 4, 4, false, 1);
    // A alpha 5 -> 10 -> 170; B alpha 5 -> 11 -> 187.
    EXPECT_PIXEL(a, 4, 0, 0, 173, 49, 255, 170);
    b = decode(uniform(1, 0xFFFFFFFF, v2), 4, 4, false, 1);
    EXPECT_PIXEL(b, 4, 3, 3, 173, 49, 255, 187);
}

// Bilinear A/B upscaling between block centres, wrapping around the image edges.
TEST(QELTCDecode, BilinearUpscaleAndWrap) {
    // 4 bpp, 2 x 2 blocks: only block (0, 0) has red 31 in colour A; weight 0 everywhere.
    std::vector<uint8_t> data = uniform(4, 0, opaqueA(0, 0, 0) | opaqueB(0, 0, 0));
    putWord(data, 0, 0, opaqueA(31, 0, 0) | opaqueB(0, 0, 0));
    auto img = decode(data, 8, 8, false, 0);
    EXPECT_EQ(at(img, 8, 2, 2)[0], 255);  // block centre
    // (3, 3): s = 3 * (4 * 31 - 31) = 279 -> (279 >> 6) + (279 >> 1) = 143.
    EXPECT_EQ(at(img, 8, 3, 3)[0], 143);
    // (0, 0) lies in the quad from block (1, 1) to (0, 0) across both edges: s = 2 * 2 * 31.
    EXPECT_EQ(at(img, 8, 0, 0)[0], 63);
}

// 4 bpp weights 0/3/5/8 and punch-through 0/4/4-punched/8, in both versions; a QELTCII
// image of one block has every neighbour wrap onto itself.
TEST(QELTCDecode, FourBppWeightsAndPunchThrough) {
    const uint32_t values = 0xE4E4E4E4;  // pixel x of every row holds m = x
    const uint32_t blackWhiteV0 = opaqueA(0, 0, 0) | opaqueB(31, 31, 31);
    auto img = decode(uniform(4, values, blackWhiteV0), 8, 8, false, 0);
    EXPECT_PIXEL(img, 8, 0, 0, 0, 0, 0, 255);
    EXPECT_PIXEL(img, 8, 1, 0, 95, 95, 95, 255);  // 255 * 3 >> 3
    EXPECT_PIXEL(img, 8, 2, 0, 159, 159, 159, 255);
    EXPECT_PIXEL(img, 8, 3, 0, 255, 255, 255, 255);

    img = decode(uniform(4, values, blackWhiteV0 | 1), 8, 8, false, 0);
    EXPECT_PIXEL(img, 8, 1, 5, 127, 127, 127, 255);
    EXPECT_PIXEL(img, 8, 2, 5, 127, 127, 127, 0);  // QELTC punch-through keeps the colour
    EXPECT_PIXEL(img, 8, 3, 5, 255, 255, 255, 255);

    const uint32_t blackWhiteV1 = blackWhiteV0 & ~0x8000u;  // bit 31 alone makes both opaque
    img = decode(uniform(1, values, blackWhiteV1), 4, 4, false, 1);
    EXPECT_PIXEL(img, 4, 1, 2, 95, 95, 95, 255);
    img = decode(uniform(1, values, blackWhiteV1 | 1), 4, 4, false, 1);
    EXPECT_PIXEL(img, 4, 1, 2, 127, 127, 127, 255);
    EXPECT_PIXEL(img, 4, 2, 2, 0, 0, 0, 0);  // QELTCII punch-through clears everything
}

// 2 bpp: direct bits and the three interpolated sub-modes, with the mode flags borrowed
// from the low bits of the first sample and of the sample of pixel (4, 2).
TEST(QELTCDecode, TwoBppDirectAndInterpolatedSubModes) {
    for (unsigned version = 0; version < 2; ++version) {
        SCOPED_TRACE(version);
        const uint32_t colour = opaqueB(31, 31, 31) | (version == 0 ? opaqueA(0, 0, 0) : 0);
        const unsigned w = version == 0 ? 16 : 8, h = version == 0 ? 8 : 4;
        const size_t blocks = version == 0 ? 4 : 1;
        auto run = [&](uint32_t mod, uint32_t modeFlag) { return decode(uniform(blocks, mod, colour | modeFlag), w, h, true, version); };

        auto img = run(0x80000001u, 0);  // direct: bit 8y + x
        EXPECT_EQ(at(img, w, 7, 3)[0], 255);
        EXPECT_EQ(at(img, w, 1, 0)[0], 0);

        // Sample of pixel (2, 0) = 3, all others 0.
        img = run(0xC, 1);  // four-neighbour
        EXPECT_EQ(at(img, w, 2, 0)[0], 255);
        EXPECT_EQ(at(img, w, 1, 0)[0], 63);  // (0 + 8 + 0 + 0 + 2) >> 2 = 2
        img = run(0xC | 1, 1);  // horizontal-only (bit 0 set, bit 20 clear)
        EXPECT_EQ(at(img, w, 1, 0)[0], 127);  // (0 + 8 + 1) >> 1 = 4
        img = run(0xC | 1 | 1u << 20, 1);  // vertical-only
        EXPECT_EQ(at(img, w, 1, 0)[0], 0);
        EXPECT_EQ(at(img, w, 2, 1)[0], 127);  // (8 + 0 + 1) >> 1
        EXPECT_EQ(at(img, w, 4, 2)[0], 0);    // bit 21 clear: sample (4, 2) reads 00
        img = run(1 | 1u << 20 | 1u << 21, 1);
        EXPECT_EQ(at(img, w, 4, 2)[0], 255);  // bit 21 set: reads 11

        // The first sample stores only bit 1; its low bit repeats it. The right neighbour of
        // the last column wraps to pixel (0, 0).
        img = run(0x2, 1);
        EXPECT_EQ(at(img, w, 0, 0)[0], 255);
        EXPECT_EQ(at(img, w, 7, 0)[0], 63);
    }
}

// QELTCII hard transition: no interpolation; the local palette for 4 bpp mode-1 blocks.
TEST(QELTCDecode, HardTransitionAndLocalPalette) {
    auto to8 = [](int c) { return (c << 3) | (c >> 2); };
    // Blocks P, Q, R, S; QELTCII: bit 15 is the hard flag, so it is cleared from opaqueA.
    const uint32_t colours[4] = {opaqueA(1, 2, 3) | opaqueB(4, 5, 6), opaqueA(7, 8, 9) | opaqueB(10, 11, 12),
                                 opaqueA(13, 14, 15) | opaqueB(16, 17, 18), opaqueA(19, 20, 1) | opaqueB(21, 22, 23)};
    // Values of block P: pixel (3, 2) = 2, (2, 3) = 3, (3, 3) = 1, centre (2, 2) = 2.
    const uint32_t modP = 2u << 22 | 3u << 28 | 1u << 30 | 2u << 20;
    std::vector<uint8_t> data;
    for (size_t b = 0; b < 4; ++b) putWord(data, b, b ? 0 : modP, (colours[b] & ~0x8000u) | (b ? 0 : 0x8001u));
    auto img = decode(data, 8, 8, false, 1);
    // (3, 2): quad cell (1, 0), m = 2 -> entry 4 = A of Q; blue 9 widens to 19.
    EXPECT_PIXEL(img, 8, 3, 2, to8(7), to8(8), to8(19), 255);
    // (2, 3): cell (0, 1), m = 3 -> entry 7 = B of R.
    EXPECT_PIXEL(img, 8, 2, 3, to8(16), to8(17), to8(18), 255);
    // (3, 3): cell (1, 1), m = 1 -> entry 1 = B of P.
    EXPECT_PIXEL(img, 8, 3, 3, to8(4), to8(5), to8(6), 255);
    // The centre pixel blends P's own colours with the standard weight 5:
    // red (8 * 8 + (33 - 8) * 5) >> 3 = 23, green 31, blue 49 (A and B blue both 6 -> 49).
    EXPECT_PIXEL(img, 8, 2, 2, 23, 31, 49, 255);

    // Mode 0 with the hard flag: the same pixel uses P's colours and weight 5.
    putWord(data, 0, modP, (colours[0] & ~0x8000u) | 0x8000u);
    img = decode(data, 8, 8, false, 1);
    EXPECT_PIXEL(img, 8, 3, 2, 23, 31, 49, 255);
}

TEST(QELTCDecode, BlockOrders) {
    // {x, y, W, H, index}: 32 x 8 at 2 bpp (4 x 2 blocks), then square and tall grids: y takes
    // the even bits, the longer axis the top bits.
    const uint32_t twiddled[][5] = {{1, 1, 4, 2, 3}, {2, 0, 4, 2, 4}, {3, 1, 4, 2, 7}, {2, 3, 4, 4, 13}, {1, 3, 2, 4, 7}};
    for (const auto& t : twiddled)
        EXPECT_EQ(QELTCTwiddledIndex(t[0], t[1], t[2], t[3]), t[4]) << t[0] << "," << t[1] << " of " << t[2] << "x" << t[3];
    EXPECT_TRUE(QELTCUsesTwiddledOrder(4, 2));
    EXPECT_FALSE(QELTCUsesTwiddledOrder(6, 6));
    EXPECT_FALSE(QELTCUsesTwiddledOrder(4, 12));  // the decoders' use: see the per-pixel comparison
}

// QELTC data is read at its working size (at least 16 x 8 or 8 x 8 pixels).
TEST(QELTCDecode, SmallImagesReadTheirWorkingSize) {
    std::mt19937 rng(7);
    std::vector<uint8_t> data(32);
    for (auto& b : data) b = uint8_t(rng());
    std::vector<uint8_t> small(8 * 8 * 4), full(16 * 8 * 4);
    EXPECT_EQ(QelTDecompressQELTC(data.data(), 1, 8, 8, small.data()), 32);
    EXPECT_EQ(QelTDecompressQELTC(data.data(), 1, 16, 8, full.data()), 32);
    for (unsigned y = 0; y < 8; ++y)
        for (unsigned x = 0; x < 8 * 4; ++x) ASSERT_EQ(small[y * 32 + x], full[y * 64 + x]);

    // A width of 10 at 4 bpp is decoded at 12; every visible pixel is written.
    std::vector<uint8_t> zeros(48, 0), out(10 * 8 * 4, 0xCD);
    EXPECT_EQ(QelTDecompressQELTC(zeros.data(), 0, 10, 8, out.data()), 48);
    for (uint8_t v : out) ASSERT_EQ(v, 0);
    // QELTCII pads to whole blocks the same way.
    std::vector<uint8_t> out2(5 * 3 * 4, 0xCD);
    EXPECT_EQ(QELTCDecompress(zeros.data(), out2.data(), 5u, 3u, false, 1u), 60u);
    for (uint8_t v : out2) ASSERT_EQ(v, 0);
}

// The optimised decoders against the per-pixel decoder on random words, twiddled and row-major.
TEST(QELTCDecode, MatchesPerPixelDecoderOnRandomWords) {
    struct Case { unsigned w, h; bool do2bit; unsigned version; };
    const Case cases[] = {{8, 8, false, 0}, {32, 8, false, 0}, {8, 32, false, 0}, {24, 24, false, 0},
                          {16, 8, true, 0}, {64, 16, true, 0}, {24, 8, true, 0},  {4, 4, false, 1},
                          {8, 4, true, 1},  {40, 12, true, 1}, {20, 28, false, 1}};
    std::mt19937 rng(2024);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << (c.do2bit ? " 2bpp" : " 4bpp") << " v" << c.version);
        const unsigned W = c.w / (c.do2bit ? 8 : 4), H = c.h / 4;
        std::vector<uint8_t> data(size_t(W) * H * 8);
        for (int trial = 0; trial < 3; ++trial) {
            for (auto& b : data) b = uint8_t(rng());
            auto index = [&](uint32_t bx, uint32_t by) {
                return c.version == 0 ? blocksIndexQELTC(bx, by, W, H) : by * W + bx;
            };
            auto expected = qeltcref::ReferenceDecoder(data.data(), c.w, c.h, c.do2bit, c.version, index).decode();
            auto actual = decode(data, c.w, c.h, c.do2bit, c.version);
            ASSERT_EQ(actual, expected);
        }
    }
}

TEST(QELTCDecode, SizeQueriesAndHostileSizes) {
    std::vector<uint8_t> data(64), out(64 * 4);
    EXPECT_EQ(QELTCDecompress(nullptr, out.data(), 5u, 7u, false, 0u), 140u);
    EXPECT_EQ(QELTCDecompress(data.data(), out.data(), 0u, 8u, false, 0u), 0u);
    // Outputs beyond 4 GiB are refused before anything is read.
    EXPECT_EQ(QELTCDecompress(data.data(), out.data(), 65536u, 65536u, false, 0u), 0u);
    EXPECT_EQ(QelTDecompressQELTC(data.data(), 0, -8, 8, out.data()), 0);
    EXPECT_EQ(QelTDecompressQELTC(nullptr, 0, 8, 8, out.data()), 0);
    EXPECT_EQ(qeltc_decompress(data.data(), out.data(), 0, 4, 1, 0), 0);
    EXPECT_FALSE(Decompress(data.data(), out.data(), 6, 4, false, 1));  // not whole blocks
}
