// ETC1 encoding: mode and tie rules on hand-made blocks, the optimised searches against
// the plain ones, the exhaustive levels against the fast one, and the surface driver
// (sizes, refusals, byte order, edge padding, quality aliases, threads).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC1TableFit.h"
#include "Codecs/ETC/ETCCompress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCDecompress.h"
#include "PixelFormat.h"
#include "TestImages.h"
#include "etc/ETC1ExhaustiveSimple.h"
#include "etc/ETCTestBlocks.h"

using namespace qeltexture;
using etctest::Block;  // 4x4 RGB, width 4
using etctest::mixedBlocks;

namespace {

Block uniformBlock(uint8_t r, uint8_t g, uint8_t b) {
    Block blk;
    for (int i = 0; i < 16; ++i) blk.insert(blk.end(), {r, g, b});
    return blk;
}

Block decodeBlock(unsigned high, unsigned low) {
    Block out(48);
    decompressBlockETC2(high, low, out.data(), 4, 0, 0);
    return out;
}

unsigned plainError(const Block& a, const Block& b) { return etctest::plainError(a.data(), b.data()); }
unsigned percep1000Error(const Block& a, const Block& b) { return etctest::percep1000Error(a.data(), b.data()); }

bool isDifferential(unsigned high) { return (high & 2u) != 0; }
bool isFlipped(unsigned high) { return (high & 1u) != 0; }

std::vector<uint8_t> compress(const std::vector<uint8_t>& rgb, unsigned w, unsigned h, int quality,
                              unsigned threads = 1) {
    std::vector<uint8_t> out(ETCCompress(nullptr, nullptr, w, h, quality, ePF_ETC1, false), 0xCD);
    EXPECT_EQ(out.size(), ETCCompress(rgb.data(), out.data(), w, h, quality, ePF_ETC1, false, threads));
    return out;
}

std::vector<uint8_t> decompress(const std::vector<uint8_t>& blocks, unsigned w, unsigned h) {
    std::vector<uint8_t> out(size_t(w) * h * 3);
    ETCDecompress(blocks.data(), out.data(), w, h, ePF_ETC1, false);
    return out;
}

double psnrRGB(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double squares = 0;
    for (size_t i = 0; i < a.size(); ++i) squares += double(a[i] - b[i]) * (a[i] - b[i]);
    return 10.0 * std::log10(255.0 * 255.0 * double(a.size()) / squares);
}

std::vector<uint8_t> randomPixels(size_t count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> px(count * 3);
    for (auto& v : px) v = uint8_t(rng());
    return px;
}

}  // namespace

TEST(ETC1Encode, ModeAndTieRulesOnSimpleBlocks) {
    uint8_t decoded[48];
    unsigned high, low;
    // A uniform block: differential with equal bases (zero deltas) at every level; the
    // fast levels keep flip 0 on the tie between the splits. (The differential search
    // tries the top/bottom split first at each colour pair, so an exhaustive level that
    // improves on the fast block lands on flip 1.)
    const Block u = uniformBlock(77, 140, 201);
    auto checkUniform = [](unsigned hi, const char* who) {
        EXPECT_TRUE(isDifferential(hi)) << who;
        if (who[0] == 'f') {
            EXPECT_FALSE(isFlipped(hi)) << who;
        }
        EXPECT_EQ(0u, hi & 0x07070700u) << who;  // all three deltas zero
    };
    compressBlockDiffFlipFast(u.data(), decoded, 4, 0, 0, high, low);
    checkUniform(high, "fast");
    compressBlockDiffFlipFastPerceptual(u.data(), decoded, 4, 0, 0, high, low);
    checkUniform(high, "fast perceptual");
    compressBlockETC1Exhaustive(u.data(), decoded, 4, 0, 0, high, low);
    checkUniform(high, "exhaustive");
    compressBlockETC1ExhaustivePerceptual(u.data(), decoded, 4, 0, 0, high, low);
    checkUniform(high, "exhaustive perceptual");

    // Left half black, right half white: too far apart for a delta, so individual mode.
    Block lr(48);
    for (int i = 0; i < 48; ++i) lr[i] = (i / 3) % 4 < 2 ? 0 : 255;
    using Encoder = void (*)(const uint8_t*, int, int, int, unsigned&, unsigned&);
    const Encoder encoders[4] = {compressBlockDiffFlipAverage, compressBlockDiffFlipCombined,
                                 compressBlockDiffFlipAveragePerceptual,
                                 compressBlockDiffFlipCombinedPerceptual};
    for (Encoder e : encoders) {
        e(lr.data(), 4, 0, 0, high, low);
        EXPECT_FALSE(isDifferential(high));
        EXPECT_FALSE(isFlipped(high));
        EXPECT_EQ(lr, decodeBlock(high, low));
    }

    // Black pixels over a black base: -large and -small both clamp to 0 with error 0, so
    // every pixel takes column 0 (stored index 3: both bits set). (The surface test below
    // checks the plain fit, and the first table kept, on a whole block.)
    const Block black = uniformBlock(0, 0, 0);
    const uint8_t zero[3] = {0, 0, 0};
    unsigned msb, lsb;
    EXPECT_EQ(0u, compressBlockWithTable4x2percep1000(black.data(), 4, 0, 0, zero, 4, msb, lsb));
    EXPECT_EQ(0x3333u, msb);  // four columns, rows 0 and 1
    EXPECT_EQ(0x3333u, lsb);
    // A pixel equal to an unclamped base: -small and +small tie; -small (index 2) wins.
    const Block grey = uniformBlock(128, 128, 128);
    const uint8_t mid[3] = {128, 128, 128};
    EXPECT_EQ(8u * 3 * 4, compressBlockWithTable2x4(grey.data(), 4, 0, 0, mid, 0, msb, lsb));
    EXPECT_EQ(0xFFu, msb);  // columns 0 and 1, all four rows: bits x*4 + y
    EXPECT_EQ(0u, lsb);
    EXPECT_NEAR(8 * 4.0, compressBlockWithTable4x2percep(grey.data(), 4, 0, 0, mid, 0, msb, lsb), 1e-4);
    EXPECT_EQ(0x3333u, msb);
}

TEST(ETC1Encode, FastFitAndErrorsAgreeWithPlainEvaluation) {
    // The speed-up of the plain table fit against the direct evaluation, over colours
    // that clamp and colours that do not, and the fast encoders' reported errors against
    // the errors of their decoded blocks.
    std::mt19937 rng(7);
    uint8_t decoded[48];
    for (const Block& b : mixedBlocks(160, 40, 11)) {
        for (int trial = 0; trial < 4; ++trial) {
            uint8_t colour[3];
            for (auto& c : colour) c = trial == 0 ? uint8_t(rng() % 24) : trial == 1 ? uint8_t(232 + rng() % 24) : uint8_t(rng());
            for (int shape = 0; shape < 2; ++shape) {
                const etc1detail::HalfShape hs = shape ? etc1detail::kHalf4x2 : etc1detail::kHalf2x4;
                const int sx = shape ? 0 : 2, sy = shape ? 2 : 0;
                int t1, t2;
                unsigned m1, l1, m2, l2;
                const unsigned e1 = etc1detail::fitHalfAllTables<etc1detail::PlainMetric>(
                    b.data(), 4, sx, sy, hs, colour, t1, m1, l1);
                const unsigned e2 =
                    etc1detail::fitHalfAllTablesPlainFast(b.data(), 4, sx, sy, hs, colour, t2, m2, l2);
                ASSERT_EQ(e1, e2);
                ASSERT_EQ(t1, t2);
                ASSERT_EQ(m1, m2);
                ASSERT_EQ(l1, l2);
            }
        }
        unsigned high, low;
        const double err = compressBlockDiffFlipFast(b.data(), decoded, 4, 0, 0, high, low);
        EXPECT_EQ(double(plainError(b, decodeBlock(high, low))), err);
        const double perr = compressBlockDiffFlipFastPerceptual(b.data(), decoded, 4, 0, 0, high, low);
        EXPECT_NEAR(percep1000Error(b, decodeBlock(high, low)) / 1000.0, perr, 1e-6);
    }
}

TEST(ETC1Exhaustive, OptimisedSearchesMatchStraightforwardOnes) {
    using namespace qeltest::simple;
    using Search = unsigned (*)(const uint8_t*, int, int, int, unsigned&, unsigned&, unsigned);
    // Plain and perceptual searches: straightforward, optimised.
    const std::pair<Search, Search> searches[4] = {
        {individualExhaustive<Plain>, compressBlockIndividualExhaustive},
        {differentialExhaustive<Plain>, compressBlockDifferentialExhaustive},
        {individualExhaustive<Percep>, compressBlockIndividualExhaustivePerceptual},
        {differentialExhaustive<Percep>, compressBlockDifferentialExhaustivePerceptual}};
    // Few blocks: the plain searches are slow (the benchmark compares more).
    const auto blocks = mixedBlocks(6, 3, 23);
    std::mt19937 rng(5);
    for (size_t k = 0; k < blocks.size(); ++k) {
        const uint8_t* img = blocks[k].data();
        unsigned h1, l1, h2, l2;
        // No bound from the caller, and a tight one (which then decides the pruning).
        const unsigned tight = rng() % 20000;
        for (int s = 0; s < 4; ++s)
            for (unsigned bound : {s < 2 ? 3121200u : 1040400000u, s < 2 ? tight : tight * 400}) {
                EXPECT_EQ(searches[s].first(img, 4, 0, 0, h1, l1, bound),
                          searches[s].second(img, 4, 0, 0, h2, l2, bound)) << k << " " << s << " " << bound;
                EXPECT_EQ(h1, h2);
                EXPECT_EQ(l1, l2);
            }
        uint8_t decoded[48];
        etc1Exhaustive(img, 4, 0, 0, h1, l1);
        compressBlockETC1Exhaustive(img, decoded, 4, 0, 0, h2, l2);
        EXPECT_EQ(h1, h2);
        EXPECT_EQ(l1, l2);
        etc1ExhaustivePerceptual(img, 4, 0, 0, h1, l1);
        compressBlockETC1ExhaustivePerceptual(img, decoded, 4, 0, 0, h2, l2);
        EXPECT_EQ(h1, h2);
        EXPECT_EQ(l1, l2);
    }
}

TEST(ETC1Exhaustive, NeverWorseThanFastAndErrorsAreTrue) {
    uint8_t decoded[48];
    for (const Block& b : mixedBlocks(30, 30, 31)) {  // the benchmark sweeps 10,000
        unsigned fh, fl, eh, el;
        const double fastErr = compressBlockDiffFlipFast(b.data(), decoded, 4, 0, 0, fh, fl);
        compressBlockETC1Exhaustive(b.data(), decoded, 4, 0, 0, eh, el);
        EXPECT_LE(plainError(b, decodeBlock(eh, el)), unsigned(fastErr));

        compressBlockDiffFlipFastPerceptual(b.data(), decoded, 4, 0, 0, fh, fl);
        compressBlockETC1ExhaustivePerceptual(b.data(), decoded, 4, 0, 0, eh, el);
        EXPECT_LE(percep1000Error(b, decodeBlock(eh, el)), percep1000Error(b, decodeBlock(fh, fl)));

        // The searches report the error of the block they write.
        unsigned h, l;
        const unsigned ie = compressBlockIndividualExhaustive(b.data(), 4, 0, 0, h, l, 3121200u);
        EXPECT_EQ(plainError(b, decodeBlock(h, l)), ie);
        EXPECT_FALSE(isDifferential(h));
        const unsigned de = compressBlockDifferentialExhaustivePerceptual(b.data(), 4, 0, 0, h, l, 1040400000u);
        EXPECT_EQ(percep1000Error(b, decodeBlock(h, l)), de);
        EXPECT_TRUE(isDifferential(h));
    }
}

TEST(ETCCompress, SizesRefusalsAndByteOrder) {
    EXPECT_EQ(32u, ETCCompress(nullptr, nullptr, 6, 6, 0, ePF_ETC1, false));
    EXPECT_EQ(32u, ETCCompress(nullptr, nullptr, 5, 3, 0, ePF_EAC_RG11, false));
    EXPECT_EQ(16u, ETCCompress(nullptr, nullptr, 4, 4, 9, ePF_ETC2_RGBA, false));  // query ignores quality
    const std::vector<uint8_t> px = randomPixels(16, 1);
    std::vector<uint8_t> out(16, 0xCD);
    EXPECT_EQ(0u, ETCCompress(px.data(), out.data(), 0, 4, 0, ePF_ETC1, false));
    EXPECT_EQ(0u, ETCCompress(px.data(), out.data(), 4, 4, 6, ePF_ETC1, false));
    EXPECT_EQ(0u, ETCCompress(px.data(), out.data(), 4, 4, -1, ePF_ETC1, false));
    EXPECT_EQ(0u, ETCCompress(px.data(), out.data(), 4, 4, 0, ePF_ETC1, true));  // signed, not EAC
    EXPECT_EQ(0u, ETCCompress(px.data(), out.data(), 4, 4, 0, ePF_DXT1, false));
    EXPECT_EQ(std::vector<uint8_t>(16, 0xCD), out) << "a refusal writes nothing";
    // Above quality 3 the signed flag is not checked.
    const std::vector<uint8_t> black(48, 0);
    EXPECT_EQ(8u, ETCCompress(black.data(), out.data(), 4, 4, 4, ePF_ETC1, true));

    // Block words are stored high word first, each big-endian; black ties keep table 0
    // and modifier column 0 (stored index 3) everywhere.
    EXPECT_EQ(8u, ETCCompress(black.data(), out.data(), 4, 4, 0, ePF_ETC1, false));
    const uint8_t expect[8] = {0x00, 0x00, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0xFF};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(expect[i], out[i]) << i;
    out.resize(8);
    EXPECT_EQ(black, decompress(out, 4, 4));
}

TEST(ETCCompress, EdgePaddingRepeatsInteriorPixels) {
    // The surface is encoded as if padded to whole blocks with the pixel as many places
    // back as the padding is wide: width 5 -> columns 5,6,7 copy 2,3,4; width 6 -> 6,7
    // copy 4,5; width 7 -> 7 copies 6; the same for rows; size 2 -> 0,1,0,1.
    const unsigned colMap[8][8] = {{}, {}, {0, 1, 0, 1}, {0, 1, 2, 2}, {0, 1, 2, 3},
                                   {0, 1, 2, 3, 4, 2, 3, 4}, {0, 1, 2, 3, 4, 5, 4, 5},
                                   {0, 1, 2, 3, 4, 5, 6, 6}};
    const unsigned sizes[][2] = {{5, 4}, {6, 4}, {7, 4}, {4, 5}, {4, 6}, {4, 7}, {6, 6}, {7, 5}, {2, 2}, {3, 6}};
    for (const auto& s : sizes) {
        const unsigned w = s[0], h = s[1], pw = (w + 3) & ~3u, ph = (h + 3) & ~3u;
        const std::vector<uint8_t> px = randomPixels(w * h, w * 16 + h);
        std::vector<uint8_t> padded(pw * ph * 3);
        for (unsigned y = 0; y < ph; ++y)
            for (unsigned x = 0; x < pw; ++x)
                for (int c = 0; c < 3; ++c)
                    padded[(y * pw + x) * 3 + c] = px[(colMap[h][y] * w + colMap[w][x]) * 3 + c];
        for (int q = 0; q < 2; ++q)
            EXPECT_EQ(compress(padded, pw, ph, q), compress(px, w, h, q)) << w << "x" << h << " q" << q;
    }
}

TEST(ETCCompress, QualityAliasesThreadsAndQuality) {
    qeltest::RGBAImage img;
    if (!qeltest::loadTestImage("astronaut.png", img)) GTEST_SKIP() << "test images not available";
    // An odd-sized crop so edge blocks run on worker threads too.
    const std::vector<uint8_t> rgb = etctest::toRGB(qeltest::tileTo(img, 93, 71));
    for (int q = 0; q < 2; ++q) {
        const auto one = compress(rgb, 93, 71, q, 1);
        for (unsigned threads : {2u, 3u, 8u, 0u}) EXPECT_EQ(one, compress(rgb, 93, 71, q, threads)) << q << " " << threads;
        EXPECT_GT(psnrRGB(rgb, decompress(one, 93, 71)), 30.0) << q;
    }
    // The exhaustive levels on a small crop: aliases, threads, and no loss against fast.
    const std::vector<uint8_t> small = etctest::toRGB(qeltest::tileTo(img, 14, 9));
    const auto slow = compress(small, 14, 9, 2, 1);
    EXPECT_EQ(slow, compress(small, 14, 9, 4, 1));
    EXPECT_EQ(slow, compress(small, 14, 9, 2, 3));
    EXPECT_EQ(compress(small, 14, 9, 3, 2), compress(small, 14, 9, 5, 1));
    EXPECT_GE(psnrRGB(small, decompress(slow, 14, 9)), psnrRGB(small, decompress(compress(small, 14, 9, 0), 14, 9)));
}
