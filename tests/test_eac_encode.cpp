// EAC encoding: the value tables, the 8-bit alpha searches' fixed cases, the 11-bit
// search (worked cases, signed and unsigned, against a straightforward search), and
// R11 / RG11 surfaces through the surface encoder and decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "Codecs/ETC/EAC11Score.h"
#include "Codecs/ETC/EACCompress.h"
#include "Codecs/ETC/ETCCompress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCDecompress.h"
#include "Codecs/ETC/ETCTables.h"
#include "PixelFormat.h"
#include "TestImages.h"
#include "etc/ETC2ExhaustiveSimple.h"

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

int64_t value(uint16_t v, bool isSigned) { return isSigned ? int64_t(int16_t(v)) : int64_t(v); }

int64_t error16(const Block16& a, const Block16& b, bool isSigned) {
    int64_t sum = 0;
    for (int i = 0; i < 16; ++i) {
        const int64_t d = value(a[i], isSigned) - value(b[i], isSigned);
        sum += d * d;
    }
    return sum;
}

// Random 16-bit blocks: noise, smooth ramps, near-constant, and two levels; plus
// blocks from a photograph's green channel scaled to 16 bits.
std::vector<Block16> blocks16(size_t count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Block16> out;
    for (size_t k = 0; k < count; ++k) {
        Block16 b(16);
        const int base = int(rng() % 65536), slope = int(rng() % 4001) - 2000, other = int(rng() % 65536);
        for (int i = 0; i < 16; ++i) {
            int v;
            switch (k % 4) {
                case 0: v = int(rng() % 65536); break;
                case 1: v = base + slope * (i % 4 + i / 4); break;
                case 2: v = base + int(rng() % 200); break;
                default: v = (rng() & 1) ? base : other; break;
            }
            b[i] = uint16_t(std::clamp(v, 0, 65535));
        }
        out.push_back(b);
    }
    qeltest::RGBAImage img;
    if (qeltest::loadTestImage("coffee.png", img))
        for (size_t k = 0; k < count; ++k) {
            const unsigned bw = img.width / 4, idx = unsigned((k * 7919u) % (bw * (img.height / 4)));
            Block16 b(16);
            for (int i = 0; i < 16; ++i)
                b[i] = uint16_t(img.pixels[(((idx / bw) * 4 + i / 4) * img.width + (idx % bw) * 4 + i % 4) * 4 + 1] * 257);
            out.push_back(b);
        }
    return out;
}

}  // namespace

TEST(EACValueTables, WorkedEntriesAndDecoderAgreement) {
    const uint16_t* u = valueTableUnsigned();
    const uint16_t* s = valueTableSigned();
    const uint16_t unsignedFirst[8] = {32, 0, 0, 0, 192, 288, 384, 576};
    const uint16_t signed128[8] = {65440, 65344, 65248, 65056, 64, 160, 256, 448};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(unsignedFirst[i], u[i]) << i;
        EXPECT_EQ(signed128[i], s[(128 << 11) | i]) << i;
    }
    // Every entry is what the decoder produces; signed index b stands for base byte b - 128.
    for (int b = 0; b < 256; ++b)
        for (int t = 0; t < 16; ++t)
            for (int m = 0; m < 16; ++m)
                for (int i = 0; i < 8; ++i) {
                    const size_t e = (size_t(b) << 11) | (t << 7) | (m << 3) | i;
                    ASSERT_EQ(uint16_t(get16bits11bits(b, t, m, i, false)), u[e]);
                    ASSERT_EQ(uint16_t(get16bits11bits((b + 128) & 255, t, m, i, true)), s[e]);
                }
    // Signed indices 0 and 1 decode alike (base byte 0x80 reads as 0x81).
    for (int e = 0; e < 2048; ++e) EXPECT_EQ(s[e], s[2048 + e]);
}

TEST(EACAlpha, ConstantBlocksAndKnownBlocks) {
    for (int a : {0, 1, 10, 77, 128, 200, 254, 255}) {
        const Bytes alpha(16, uint8_t(a));
        for (int slow = 0; slow < 2; ++slow) {
            uint8_t out[8];
            (slow ? compressBlockAlphaSlow : compressBlockAlphaFast)(alpha.data(), 0, 0, 4, out, alphaTable);
            EXPECT_EQ(a, out[0]) << a;
            EXPECT_EQ(0, out[1]) << a;  // multiplier 0, table 0: the first row, error 0
            Bytes back(16);
            decompressBlockAlpha(out, back.data(), 4, 0, 0, alphaTable);
            EXPECT_EQ(alpha, back);
        }
    }
    // Read in place from a wider image at an offset: the same bytes as from a copy.
    std::mt19937 rng(4);
    Bytes image(12 * 9);
    for (auto& v : image) v = uint8_t(rng());
    Bytes copy(16);
    for (int i = 0; i < 16; ++i) copy[i] = image[(3 + i / 4) * 12 + 5 + i % 4];
    for (int slow = 0; slow < 2; ++slow) {
        uint8_t a[8], b[8];
        (slow ? compressBlockAlphaSlow : compressBlockAlphaFast)(image.data(), 5, 3, 12, a, alphaTable);
        (slow ? compressBlockAlphaSlow : compressBlockAlphaFast)(copy.data(), 0, 0, 4, b, alphaTable);
        EXPECT_EQ(0, std::memcmp(a, b, 8));
    }
    // Two levels a multiplier-15 row reaches exactly.
    Bytes two(16);
    for (int i = 0; i < 16; ++i) two[i] = (i & 1) ? 255 : 0;
    uint8_t out[8];
    compressBlockAlphaSlow(two.data(), 0, 0, 4, out, alphaTable);
    Bytes back(16);
    decompressBlockAlpha(out, back.data(), 4, 0, 0, alphaTable);
    EXPECT_EQ(two, back);
}

TEST(EACAlpha, SlowAgainstFastOnRandomAndImageBlocks) {
    // The slow search is not promised to win; it must stay close and mostly win.
    std::mt19937 rng(12);
    int slowWorse = 0, slowBetter = 0, total = 0;
    for (const Block16& b : blocks16(300, 6)) {
        Bytes alpha(16);
        for (int i = 0; i < 16; ++i) alpha[i] = uint8_t(b[i] >> 8);
        uint8_t f[8], s[8];
        compressBlockAlphaFast(alpha.data(), 0, 0, 4, f, alphaTable);
        compressBlockAlphaSlow(alpha.data(), 0, 0, 4, s, alphaTable);
        Bytes bf(16), bs(16);
        decompressBlockAlpha(f, bf.data(), 4, 0, 0, alphaTable);
        decompressBlockAlpha(s, bs.data(), 4, 0, 0, alphaTable);
        int ef = 0, es = 0;
        for (int i = 0; i < 16; ++i) {
            ef += (bf[i] - alpha[i]) * (bf[i] - alpha[i]);
            es += (bs[i] - alpha[i]) * (bs[i] - alpha[i]);
        }
        slowWorse += es > ef;
        slowBetter += es < ef;
        ++total;
    }
    EXPECT_GT(slowBetter, slowWorse);
    RecordProperty("slowWorse", slowWorse);
    RecordProperty("blocks", total);
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
    // Constant blocks: the first triple in search order that comes closest.
    for (int isSigned = 0; isSigned < 2; ++isSigned)
        for (int v : {0, 1, 1000, 32768, 32769, 65535}) {
            const Block16 flat(16, uint16_t(v));
            uint8_t ref[8];
            compressBlockAlpha16(flat.data(), 1, 0, 0, 4, out, isSigned != 0, isSigned ? s : u);
            etc2simple::compressAlpha16(flat.data(), 1, 0, 0, 4, ref, isSigned != 0);
            EXPECT_EQ(0, std::memcmp(out, ref, 8)) << v << " signed " << isSigned;
        }
    // calcError abandons at the best so far with a fixed penalty.
    const Block16 ramp = {0, 100, 200, 300, 0, 100, 200, 300, 0, 100, 200, 300, 0, 100, 200, 300};
    const double full = calcError(ramp.data(), 1, 0, 0, 4, 0, 0, 0, 1e30, u, false);
    EXPECT_GT(full, 0.0);
    EXPECT_EQ(10.0 + 1073741824.0, calcError(ramp.data(), 1, 0, 0, 4, 0, 0, 0, 10.0, u, false));
    EXPECT_EQ(full, calcError(ramp.data(), 1, 0, 0, 4, 0, 0, 0, full + 1, u, false));
}

TEST(EAC11, OptimisedSearchMatchesStraightforwardOne) {
    for (int isSigned = 0; isSigned < 2; ++isSigned) {
        const uint16_t* table = isSigned ? valueTableSigned() : valueTableUnsigned();
        for (const Block16& b : blocks16(40, 3 + isSigned)) {
            // RG11 layout: the block interleaved with another, read with stride 2.
            std::vector<uint16_t> rg(32);
            for (int i = 0; i < 16; ++i) {
                rg[2 * i] = uint16_t(b[i] ^ 0x1234);
                rg[2 * i + 1] = b[i];
            }
            uint8_t a[8], r[8];
            compressBlockAlpha16(rg.data() + 1, 2, 0, 0, 4, a, isSigned != 0, table);
            etc2simple::compressAlpha16(b.data(), 1, 0, 0, 4, r, isSigned != 0);
            ASSERT_EQ(0, std::memcmp(a, r, 8)) << "signed " << isSigned;
            // Its decoded error is the search minimum: no other triple does better.
            const int64_t e = error16(b, decode16(a, isSigned != 0), isSigned != 0);
            for (int k = 0; k < 64; ++k) {
                const int base = (k * 37) & 255, t = k & 15, m = (k * 5) & 15;
                EXPECT_GE(calcError(b.data(), 1, 0, 0, 4, base, t, m, 1e30, table, isSigned != 0), double(e));
            }
        }
    }
}

TEST(EAC11, EdgeBlocksMatchStraightforwardSearch) {
    // Blocks where the search can stop at the lowest possible error, use multiplier 0, or
    // meet the clamped ends of the value range, signed and unsigned.
    std::mt19937 rng(21);
    for (int isSigned = 0; isSigned < 2; ++isSigned) {
        const bool sgn = isSigned != 0;
        const uint16_t* table = sgn ? valueTableSigned() : valueTableUnsigned();
        const uint16_t lowest = sgn ? 0x8000 : 0, highest = sgn ? 0x7fff : 0xffff;
        std::vector<Block16> cases;
        for (uint16_t v : {lowest, uint16_t(lowest + 1), uint16_t(lowest + 40), highest, uint16_t(highest - 1),
                           uint16_t(0), uint16_t(0x8000), uint16_t(0x7fff)})
            cases.push_back(Block16(16, v));
        for (int k = 0; k < 6; ++k) {
            // Two values, at least one at an end of the range.
            Block16 b(16);
            const uint16_t other = k < 2 ? (k ? highest : uint16_t(lowest + 1)) : uint16_t(rng());
            for (int i = 0; i < 16; ++i) b[i] = (rng() & 1) ? other : (k & 1 ? highest : lowest);
            cases.push_back(b);
        }
        std::vector<Block16> decodable;
        for (int k = 0; k < 24; ++k) {
            // A decoded block is reproduced exactly; the scan ends at the first triple that
            // does. Some get an end value in one pixel (signed -32768 no value reaches).
            uint8_t block[8];
            for (uint8_t& c : block) c = uint8_t(rng());
            Block16 b = decode16(block, sgn);
            if (k % 3 == 2) b[rng() % 16] = lowest;
            else decodable.push_back(b);
            cases.push_back(b);
        }
        for (int k = 0; k < 16; ++k) {
            // Spreads within a few 11-bit steps: multiplier 0 territory, also at the ends.
            Block16 b(16);
            const int centre = k < 4 ? (k & 1 ? 65535 - 20 : 20) : int(rng() % 65536);
            const int spread = 1 + int(rng() % 400);
            for (int i = 0; i < 16; ++i)
                b[i] = uint16_t(std::clamp(centre + int(rng() % unsigned(spread)) - spread / 2, 0, 65535) ^
                                (sgn ? 0x8000 : 0));
            cases.push_back(b);
        }
        // Only table 0 at multiplier 0 spans 29 steps (modifiers -15 at index 3 and +14 at
        // index 7), so a block of those two values is met exactly from its base alone, with
        // both values at the edges of the pixels' windows. The +14 value alone is also met
        // first from that base (no earlier base or larger multiplier gives its residue).
        for (int base : {sgn ? -126 : 2, sgn ? -1 : 100, sgn ? 125 : 253}) {
            Block16 two(16), top(16);
            for (int i = 0; i < 16; ++i) {
                two[i] = uint16_t(get16bits11bits(base & 255, 0, 0, i % 3 ? 3 : 7, sgn));
                top[i] = uint16_t(get16bits11bits(base & 255, 0, 0, 7, sgn));
            }
            for (const Block16* b : {&two, &top}) {
                cases.push_back(*b);
                decodable.push_back(*b);
            }
        }
        for (const Block16& b : cases) {
            uint8_t a[8], r[8];
            compressBlockAlpha16(b.data(), 1, 0, 0, 4, a, sgn, table);
            etc2simple::compressAlpha16(b.data(), 1, 0, 0, 4, r, sgn);
            ASSERT_EQ(0, std::memcmp(a, r, 8)) << "signed " << isSigned << " first pixel " << b[0];
        }
        for (const Block16& b : decodable) {
            uint8_t a[8];
            compressBlockAlpha16(b.data(), 1, 0, 0, 4, a, sgn, table);
            EXPECT_EQ(b, decode16(a, sgn));
        }
    }
}

TEST(EAC11, ScoreKernelsAgreeWithPlainSum) {
    std::mt19937 rng(5);
    for (int k = 0; k < 2000; ++k) {
        uint16_t pixels[16], values[8];
        // Mostly full-range noise, sometimes clustered near the ends (largest distances).
        for (uint16_t& p : pixels) p = (k & 3) == 0 ? uint16_t(rng() & 7) : uint16_t(rng());
        for (uint16_t& v : values) v = (k & 3) == 0 ? uint16_t(65535 - (rng() & 7)) : uint16_t(rng());
        uint64_t exact = 0, firstHalf = 0;
        for (int i = 0; i < 16; ++i) {
            int64_t nearest = INT64_MAX;
            for (uint16_t v : values) nearest = std::min<int64_t>(nearest, (int64_t(pixels[i]) - v) * (int64_t(pixels[i]) - v));
            exact += uint64_t(nearest);
            if (i == 7) firstHalf = exact;
        }
        const uint64_t limits[] = {UINT64_MAX, exact + 1, exact, firstHalf, firstHalf + 1, 1};
        for (uint64_t limit : limits) {
            const uint64_t scalar = eac11ErrorScalar(pixels, values, limit);
            if (exact < limit) EXPECT_EQ(exact, scalar);
            else EXPECT_GE(scalar, limit);
#if defined(__SSE2__)
            __m128i px[2];
            std::memcpy(px, pixels, sizeof(pixels));
            __m128i vals;
            std::memcpy(&vals, values, sizeof(values));
            EXPECT_EQ(scalar, eac11ErrorSse2(px, vals, limit)) << k;
#endif
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
            const size_t channels = format == ePF_EAC_R11 ? 1 : 2;
            Bytes out(ETCCompress(nullptr, nullptr, w, h, 0, format, isSigned != 0));
            ASSERT_EQ(out.size(), ETCCompress(src.data(), out.data(), w, h, 0, format, isSigned != 0, 3));
            // Every quality gives the same bytes.
            for (int q : {1, 2, 3, 5}) {
                Bytes again(out.size());
                ETCCompress(src.data(), again.data(), w, h, q, format, isSigned != 0, 1);
                EXPECT_EQ(out, again) << q;
            }
            std::vector<uint16_t> back(src.size());
            ETCDecompress(out.data(), back.data(), w, h, format, isSigned != 0);
            double sum = 0;
            for (size_t i = 0; i < src.size(); ++i) {
                const double d = double(value(src[i], isSigned != 0) - value(back[i], isSigned != 0));
                sum += d * d;
            }
            const double rmse = std::sqrt(sum / double(src.size()));
            EXPECT_LT(rmse, 600.0) << format << " signed " << isSigned;
            // The first block is the one encoded from the surface's first 4x4 pixels.
            for (size_t c = 0; c < channels; ++c) {
                Block16 first(16);
                for (int i = 0; i < 16; ++i) first[i] = src[((i / 4) * w + i % 4) * channels + c];
                uint8_t ref[8];
                compressBlockAlpha16(first.data(), 1, 0, 0, 4, ref, isSigned != 0,
                                     isSigned ? valueTableSigned() : valueTableUnsigned());
                EXPECT_EQ(0, std::memcmp(ref, &out[8 * c], 8)) << "channel " << c;
            }
        }
    }
}
