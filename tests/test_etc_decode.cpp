// ETC1/ETC2/EAC decoding of blocks built by hand from the block format, and the
// surface walk. (The Mesa test checks every mode on random blocks.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCDecompress.h"
#include "Codecs/ETC/ETCTables.h"
#include "PixelFormat.h"

using namespace qeltexture;

namespace {

// A 64-bit block assembled field by field (bit 63 = most significant bit of byte 0).
struct Block64 {
    uint64_t bits = 0;
    Block64& set(int hi, int lo, uint64_t value) {
        const int n = hi - lo + 1;
        const uint64_t mask = ((uint64_t(1) << n) - 1) << lo;
        bits = (bits & ~mask) | ((value << lo) & mask);
        return *this;
    }
    // Pixel (x, y) gets index idx(x, y): msb at bit 16 + x*4 + y, lsb at bit x*4 + y.
    template <class F>
    Block64& indices(F idx) {
        for (int p = 0; p < 16; ++p) {
            set(16 + p, 16 + p, idx(p / 4, p % 4) >> 1);
            set(p, p, idx(p / 4, p % 4) & 1);
        }
        return *this;
    }
    void bytes(uint8_t out[8]) const {
        for (int i = 0; i < 8; ++i) out[i] = uint8_t(bits >> (56 - 8 * i));
    }
};

std::vector<uint8_t> decodeRGB(const Block64& b, unsigned format = ePF_ETC2_RGB) {
    uint8_t data[8];
    b.bytes(data);
    std::vector<uint8_t> out(4 * 4 * 3);
    EXPECT_EQ(48u, ETCDecompress(data, out.data(), 4, 4, format, false));
    return out;
}

const uint8_t* px(const std::vector<uint8_t>& img, int x, int y, int bpp = 3) {
    return &img[(y * 4 + x) * bpp];
}

// Every pixel of a decoded 4x4 RGB block against expect(x, y, channel), clamped.
template <class F>
void expectPixels(const std::vector<uint8_t>& img, F expect) {
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(std::clamp(expect(x, y, c), 0, 255), px(img, x, y)[c]) << "pixel " << x << ", " << y << " channel " << c;
}

int x4(int v) { return v << 4 | v; }
int e5(int v) { return (v << 3) | (v >> 2); }

}  // namespace

TEST(ETCDecode, ModesOfHandBuiltBlocks) {
    // Individual, flip 0: left base 0x2, right 0xD per channel (different per channel),
    // tables 1 and 6; index (x + y) % 4 everywhere.
    Block64 ind;
    ind.set(63, 60, 0x2).set(59, 56, 0xD).set(55, 52, 0x5).set(51, 48, 0x9).set(47, 44, 0xF)
        .set(43, 40, 0x0).set(39, 37, 1).set(36, 34, 6).set(33, 33, 0).set(32, 32, 0)
        .indices([](int x, int y) { return (x + y) % 4; });
    // Stored index 0:+small 1:+large 2:-small 3:-large.
    const int mods[2][4] = {{5, 17, -5, -17}, {33, 106, -33, -106}};
    const int base[2][3] = {{x4(2), x4(5), x4(0xF)}, {x4(0xD), x4(9), x4(0)}};
    expectPixels(decodeRGB(ind, ePF_ETC1), [&](int x, int y, int c) {
        return base[x >= 2][c] + mods[x >= 2][(x + y) % 4];
    });

    // Differential, flip 1: base (20, 3, 31), delta (-4, +3, -1); top/bottom halves.
    Block64 dif;
    dif.set(63, 59, 20).set(58, 56, 4).set(55, 51, 3).set(50, 48, 3).set(47, 43, 31).set(42, 40, 7)
        .set(39, 37, 0).set(36, 34, 7).set(33, 33, 1).set(32, 32, 1)
        .indices([](int x, int y) { return 3 - (x + 2 * y) % 4; });
    const int b2[2][3] = {{e5(20), e5(3), e5(31)}, {e5(16), e5(6), e5(30)}};
    const int dm[2][4] = {{2, 8, -2, -8}, {47, 183, -47, -183}};
    expectPixels(decodeRGB(dif, ePF_ETC1), [&](int x, int y, int c) {
        return b2[y >= 2][c] + dm[y >= 2][3 - (x + 2 * y) % 4];
    });

    // R = 0, dR = -4: the red sum leaves 0..31, so this is a T block, not differential.
    Block64 b;
    b.set(63, 59, 0).set(58, 56, 4).set(55, 52, 0xF).set(51, 48, 0x8).set(47, 44, 0x2)
        .set(43, 40, 0x4).set(39, 36, 0x6).set(35, 34, 2).set(33, 33, 1).set(32, 32, 1)
        .indices([](int x, int y) { return (x * 3 + y) % 4; });
    const int d = 32;  // distance index 5
    const int c0[3] = {0x00, 0xFF, 0x88}, c1[3] = {0x22, 0x44, 0x66};
    expectPixels(decodeRGB(b), [&](int x, int y, int c) {
        const int idx = (x * 3 + y) % 4;
        return idx == 0 ? c0[c] : idx == 1 ? c1[c] + d : idx == 2 ? c1[c] : c1[c] - d;
    });
}

TEST(ETCDecode, PunchThroughIndexTwo) {
    auto decodeA1 = [](bool opaque) {
        Block64 b;  // differential, base (10, 20, 30) with zero deltas, table 2
        b.set(63, 59, 10).set(55, 51, 20).set(47, 43, 30).set(39, 37, 2).set(36, 34, 2)
            .set(33, 33, opaque ? 1 : 0).indices([](int x, int y) { return x == 3 ? y & 1 : 2; });
        uint8_t data[8];
        b.bytes(data);
        std::vector<uint8_t> out(64);
        EXPECT_EQ(64u, ETCDecompress(data, out.data(), 4, 4, ePF_ETC2_RGB_A1, false));
        return out;
    };
    const auto opaque = decodeA1(true);
    const auto clear = decodeA1(false);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(255, px(opaque, x, y, 4)[3]);
            EXPECT_EQ(e5(10) - 9, px(opaque, x, y, 4)[0]);  // index 2 = -small of table 2
            for (int c = 0; c < 4; ++c) EXPECT_EQ(0, px(clear, x, y, 4)[c]);
        }
    // Without the opaque flag index 0 (lsb 0) is the base colour, index 1 keeps +large.
    EXPECT_EQ(e5(20), px(clear, 3, 0, 4)[1]);
    EXPECT_EQ(e5(20) + 29, px(clear, 3, 1, 4)[1]);
    EXPECT_EQ(255, px(clear, 3, 0, 4)[3]);
    EXPECT_EQ(e5(20) + 9, px(opaque, 3, 0, 4)[1]);
}

TEST(ETCDecode, EACValuesAndClamping) {
    // Worked rows of the EAC table (row = multiplier * 16 + modifier table).
    const int row16[8] = {-3, -6, -9, -15, 2, 5, 8, 14};
    const int row32[8] = {-6, -12, -18, -30, 4, 10, 16, 28};
    const int row255[8] = {-45, -75, -105, -135, 30, 60, 90, 120};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(row16[i], alphaTable[16][i]);
        EXPECT_EQ(row32[i], alphaTable[32][i]);
        EXPECT_EQ(row255[i], alphaTable[255][i]);
    }
    // Multiplier 0 adds the modifier itself (+2 for index 4 of table 0), not times 8.
    EXPECT_EQ(6 << 5, get16bits11bits(0, 0, 0, 4, false));  // v = 0 * 8 + 4 + 2
    EXPECT_EQ(2 << 5, get16bits11bits(0, 0, 0, 4, true));    // v = 0 * 8 + 2
    // Base 255, multiplier 15, largest positive modifier clamps to 2047 -> 65535.
    EXPECT_EQ(65535, get16bits11bits(255, 0, 15, 7, false));
    EXPECT_EQ(0, get16bits11bits(0, 0, 15, 3, false));
    // Signed base byte 0x80 (-128) reads as -127.
    for (int i = 0; i < 8; ++i)
        for (int m = 0; m < 16; m += 5)
            EXPECT_EQ(get16bits11bits(0x81, 3, m, i, true), get16bits11bits(0x80, 3, m, i, true));
    EXPECT_EQ(-32767, get16bits11bits(0x80, 0, 15, 3, true));
    EXPECT_EQ(32767, get16bits11bits(0x7F, 0, 15, 7, true));

    // 8-bit alpha in an RGBA block clamps at both ends: row 255 has -135 and +120.
    uint8_t rgba[16] = {250, 0xFF, 0, 0, 0, 0, 0, 0};
    uint64_t aidx = 0;
    for (int i = 0; i < 16; ++i) aidx = (aidx << 3) | unsigned(i & 1 ? 7 : 3);
    for (int i = 0; i < 6; ++i) rgba[2 + i] = uint8_t(aidx >> (40 - 8 * i));
    uint8_t decoded[64];
    ASSERT_EQ(64u, ETCDecompress(rgba, decoded, 4, 4, ePF_ETC2_RGBA, false));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(i & 1 ? 255 : 115, decoded[((i % 4) * 4 + i / 4) * 4 + 3]) << i;
    rgba[0] = 100;
    ASSERT_EQ(64u, ETCDecompress(rgba, decoded, 4, 4, ePF_ETC2_RGBA, false));
    EXPECT_EQ(0, decoded[3]);  // 100 - 135
}

TEST(ETCDecompress, SurfaceWalkSizesAndClipping) {
    // Size queries.
    EXPECT_EQ(50u, ETCDecompress(nullptr, nullptr, 5, 5, ePF_EAC_R11, false));
    EXPECT_EQ(0u, ETCDecompress(nullptr, nullptr, 4, 4, ePF_DXT1, false));
    uint8_t any[8] = {};
    EXPECT_EQ(0u, ETCDecompress(any, any, 4, 4, ePF_QELTCI_4bpp_RGB, false));

    // A 7x5 ETC1 surface is 2x2 blocks; each block is a uniform
    // colour so the walk order and clipping are visible.
    std::vector<uint8_t> blocks(4 * 8);
    for (int k = 0; k < 4; ++k) {
        Block64 b;  // individual, both halves code k+1, indices 0 with table 0 => +2
        b.set(63, 60, k + 1).set(59, 56, k + 1).set(55, 52, k).set(51, 48, k).set(47, 44, 15 - k)
            .set(43, 40, 15 - k);
        b.bytes(&blocks[k * 8]);
    }
    std::vector<uint8_t> out(7 * 5 * 3 + 16, 0xEE);
    EXPECT_EQ(105u, ETCDecompress(blocks.data(), out.data(), 7, 5, ePF_ETC1, false));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const int k = (y / 4) * 2 + x / 4;
            const uint8_t* p = &out[(y * 7 + x) * 3];
            EXPECT_EQ(x4(k + 1) + 2, p[0]);
            EXPECT_EQ(x4(k) + 2, p[1]);
            EXPECT_EQ(std::min(x4(15 - k) + 2, 255), p[2]);
        }
    for (size_t i = 105; i < out.size(); ++i) EXPECT_EQ(0xEE, out[i]) << "written past the surface";

    // A 1x1 RG11 surface reads one 16-byte block and writes one 4-byte pixel.
    uint8_t rg[16] = {10, 0x00, 0, 0, 0, 0, 0, 0, 200, 0x00, 0, 0, 0, 0, 0, 0};
    uint16_t two[4] = {0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE};
    EXPECT_EQ(4u, ETCDecompress(rg, two, 1, 1, ePF_EAC_RG11, false));
    EXPECT_EQ(get16bits11bits(10, 0, 0, 0, false), two[0]);
    EXPECT_EQ(get16bits11bits(200, 0, 0, 0, false), two[1]);
    EXPECT_EQ(0xEEEE, two[2]);
}
