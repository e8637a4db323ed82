// EAC encoding: value tables, 8-bit alpha fixed cases, the 11-bit search (worked cases
// and against a straightforward search), R11 / RG11 surfaces.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "Codecs/ETC/EACCompress.h"
#include "Codecs/ETC/ETCCompress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCDecompress.h"
#include "Codecs/ETC/ETCTables.h"
#include "PixelFormat.h"
#include "TestImages.h"
#include "etc/ETC2ExhaustiveSimple.h"
#include "etc/ETCTestBlocks.h"

using namespace qeltexture;

namespace {

using Bytes = std::vector<uint8_t>;

// 16 values of a 4x4 block, row-major, as R11 input (stride 1, width 4).
using Block16 = std::vector<uint16_t>;

Block16 decode16(const uint8_t* block, bool isSigned) {
    Block16 out(16);
    decompressBlockAlpha16bit(block, out.data(), 4, 0, 0, isSigned);
    return out;
}

// Sum of squared differences of 16-bit values, read as signed or unsigned.
double error16(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b, bool isSigned) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = isSigned ? int16_t(a[i]) - int16_t(b[i]) : double(a[i]) - double(b[i]);
        sum += d * d;
    }
    return sum;
}

Bytes decodeAlpha(const uint8_t* block) {
    Bytes out(16);
    decompressBlockAlpha(block, out.data(), 4, 0, 0, alphaTable);
    return out;
}

// 16-bit values from the shared random and photograph blocks, high byte from red and
// low byte from green: noise, ramps, values near both ends, two levels, photographs.
std::vector<Block16> blocks16(size_t count, uint32_t seed) {
    std::vector<Block16> out;
    for (const etctest::Block& rgb : etctest::mixedBlocks(count, count, seed)) {
        Block16 b(16);
        for (int i = 0; i < 16; ++i) b[i] = uint16_t(rgb[3 * i] << 8 | rgb[3 * i + 1]);
        out.push_back(b);
    }
    return out;
}

}  // namespace

TEST(EACValueTables, WorkedEntries) {
    const uint16_t* u = valueTableUnsigned();
    const uint16_t* s = valueTableSigned();
    const uint16_t unsignedFirst[8] = {32, 0, 0, 0, 192, 288, 384, 576};
    const uint16_t signed128[8] = {65440, 65344, 65248, 65056, 64, 160, 256, 448};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(unsignedFirst[i], u[i]) << i;
        EXPECT_EQ(signed128[i], s[(128 << 11) | i]) << i;
    }
    // Signed indices 0 and 1 decode alike (base byte 0x80 reads as 0x81).
    for (int e = 0; e < 2048; ++e) EXPECT_EQ(s[e], s[2048 + e]);
}

TEST(EACAlpha, ConstantBlocksAndKnownBlocks) {
    for (int a : {0, 77, 200, 255}) {
        const Bytes alpha(16, uint8_t(a));
        for (int slow = 0; slow < 2; ++slow) {
            uint8_t out[8];
            (slow ? compressBlockAlphaSlow : compressBlockAlphaFast)(alpha.data(), 0, 0, 4, out, alphaTable);
            EXPECT_EQ(a, out[0]) << a;
            EXPECT_EQ(0, out[1]) << a;  // multiplier 0, table 0: the first row, error 0
            EXPECT_EQ(alpha, decodeAlpha(out));
        }
    }
    // Two levels a multiplier-15 row reaches exactly.
    Bytes two(16);
    for (int i = 0; i < 16; ++i) two[i] = (i & 1) ? 255 : 0;
    uint8_t out[8];
    compressBlockAlphaSlow(two.data(), 0, 0, 4, out, alphaTable);
    EXPECT_EQ(two, decodeAlpha(out));
}

TEST(EAC11, WorkedCases) {
    const uint16_t* u = valueTableUnsigned();
    const uint16_t* s = valueTableSigned();
    uint8_t out[8];
    // 0 and 65535 together: the exact difference keeps 0 pixels near 0.
    Block16 mixed(16);
    for (int i = 0; i < 16; ++i) mixed[i] = (i % 3 == 0) ? 65535 : 0;
    compressBlockAlpha16(mixed.data(), 1, 0, 0, 4, out, false, u);
    const Block16 back = decode16(out, false);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(double(mixed[i]), double(back[i]), 4096.0) << i;
    // Signed: the most negative value is reached first from base index 0, stored 0x80.
    const Block16 negative(16, uint16_t(int16_t(-32767)));
    compressBlockAlpha16(negative.data(), 1, 0, 0, 4, out, true, s);
    EXPECT_EQ(0x80, out[0]);
    EXPECT_EQ(Block16(16, uint16_t(int16_t(-32767))), decode16(out, true));
    // calcError abandons at the best so far with a fixed penalty.
    const Block16 ramp = {0, 100, 200, 300, 0, 100, 200, 300, 0, 100, 200, 300, 0, 100, 200, 300};
    const double full = calcError(ramp.data(), 1, 0, 0, 4, 0, 0, 0, 1e30, u, false);
    EXPECT_GT(full, 0.0);
    EXPECT_EQ(10.0 + 1073741824.0, calcError(ramp.data(), 1, 0, 0, 4, 0, 0, 0, 10.0, u, false));
    EXPECT_EQ(full, calcError(ramp.data(), 1, 0, 0, 4, 0, 0, 0, full + 1, u, false));
}

// The search against the straightforward one, read from an RG11 layout with stride 2,
// on random and photograph blocks, decoded blocks (which come back exactly), and
// blocks at the clamped ends of the range; no other triple beats the chosen one.
TEST(EAC11, OptimisedSearchMatchesStraightforwardOne) {
    std::mt19937 rng(21);
    for (int isSigned = 0; isSigned < 2; ++isSigned) {
        const bool sgn = isSigned != 0;
        const uint16_t* table = sgn ? valueTableSigned() : valueTableUnsigned();
        const uint16_t lowest = sgn ? 0x8000 : 0, highest = sgn ? 0x7fff : 0xffff;
        std::vector<std::pair<Block16, bool>> cases;  // block, reproduced exactly
        for (const Block16& b : blocks16(16, 3 + isSigned)) cases.push_back({b, false});
        for (uint16_t v : {lowest, uint16_t(lowest + 1), uint16_t(lowest + 40), highest, uint16_t(highest - 1),
                           uint16_t(0), uint16_t(0x8000), uint16_t(0x7fff)})
            cases.push_back({Block16(16, v), false});
        for (int k = 0; k < 12; ++k) {
            // A decoded block; some get an end value in one pixel (signed -32768 no value reaches).
            uint8_t block[8];
            for (uint8_t& c : block) c = uint8_t(rng());
            Block16 b = decode16(block, sgn);
            if (k % 3 == 2) b[rng() % 16] = lowest;
            cases.push_back({b, k % 3 != 2});
        }
        // Table 0 at multiplier 0 alone spans -15..+14: blocks of those values (and of
        // +14 alone) are met exactly, and first, from their base.
        for (int base : {sgn ? -126 : 2, sgn ? -1 : 100, sgn ? 125 : 253}) {
            Block16 two(16), top(16);
            for (int i = 0; i < 16; ++i) {
                two[i] = uint16_t(get16bits11bits(base & 255, 0, 0, i % 3 ? 3 : 7, sgn));
                top[i] = uint16_t(get16bits11bits(base & 255, 0, 0, 7, sgn));
            }
            cases.push_back({two, true});
            cases.push_back({top, true});
        }
        for (const auto& [b, exact] : cases) {
            std::vector<uint16_t> rg(32);
            for (int i = 0; i < 16; ++i) {
                rg[2 * i] = uint16_t(b[i] ^ 0x1234);
                rg[2 * i + 1] = b[i];
            }
            uint8_t a[8], r[8];
            compressBlockAlpha16(rg.data() + 1, 2, 0, 0, 4, a, sgn, table);
            etc2simple::compressAlpha16(b.data(), 1, 0, 0, 4, r, sgn);
            ASSERT_EQ(0, std::memcmp(a, r, 8)) << "signed " << isSigned << " first pixel " << b[0];
            const Block16 back = decode16(a, sgn);
            if (exact) {
                EXPECT_EQ(b, back);
            }
            for (int k = 0; k < 16; ++k) {
                const int base = (k * 37 + int(b[0])) & 255, t = k & 15, m = (k * 5) & 15;
                EXPECT_GE(calcError(b.data(), 1, 0, 0, 4, base, t, m, 1e30, table, sgn), error16(b, back, sgn));
            }
        }
    }
}

TEST(EACCompress, R11AndRG11Surfaces) {
    qeltest::RGBAImage img;
    if (!qeltest::loadTestImage("coffee.png", img)) GTEST_SKIP() << "test images not available";
    const unsigned w = 21, h = 10;
    const qeltest::RGBAImage crop = qeltest::tileTo(img, w, h);
    for (int isSigned = 0; isSigned < 2; ++isSigned) {
        // Red and green differ so a swapped stride or channel shows.
        std::vector<uint16_t> rg(size_t(w) * h * 2), r(size_t(w) * h);
        for (size_t i = 0; i < size_t(w) * h; ++i) {
            const int red = crop.pixels[4 * i] * 257, green = 65535 - crop.pixels[4 * i + 1] * 257;
            rg[2 * i] = uint16_t(isSigned ? red - 32768 : red);
            rg[2 * i + 1] = uint16_t(isSigned ? green - 32768 : green);
            r[i] = rg[2 * i];
        }
        for (unsigned format : {unsigned(ePF_EAC_R11), unsigned(ePF_EAC_RG11)}) {
            const std::vector<uint16_t>& src = format == ePF_EAC_R11 ? r : rg;
            Bytes out(ETCCompress(nullptr, nullptr, w, h, 0, format, isSigned != 0));
            ASSERT_EQ(out.size(), ETCCompress(src.data(), out.data(), w, h, 0, format, isSigned != 0, 3));
            // Every quality gives the same bytes.
            Bytes again(out.size());
            ETCCompress(src.data(), again.data(), w, h, 5, format, isSigned != 0, 1);
            EXPECT_EQ(out, again);
            std::vector<uint16_t> back(src.size());
            ETCDecompress(out.data(), back.data(), w, h, format, isSigned != 0);
            EXPECT_LT(std::sqrt(error16(src, back, isSigned != 0) / double(src.size())), 600.0) << format << " signed " << isSigned;
        }
    }
}
