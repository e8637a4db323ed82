// ETC1 encoding: mode and tie rules, optimised searches against plain ones and the
// fast one, and the surface driver (sizes, refusals, byte order, edge padding).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETCCompress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCDecompress.h"
#include "PixelFormat.h"
#include "etc/ETC1ExhaustiveSimple.h"
#include "etc/ETCTestBlocks.h"

using namespace qeltexture;
using etctest::Block;  // 4x4 RGB, width 4
using etctest::decodeETC2;
using etctest::mixedBlocks;

namespace {

Block uniformBlock(uint8_t r, uint8_t g, uint8_t b) {
    Block blk;
    for (int i = 0; i < 16; ++i) blk.insert(blk.end(), {r, g, b});
    return blk;
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
    // A uniform block: differential with zero deltas at every level; the fast levels
    // keep flip 0 on the tie between the splits. (The differential search tries the
    // top/bottom split first, so an exhaustive level that improves on the fast block
    // lands on flip 1.)
    const Block u = uniformBlock(77, 140, 201);
    for (int level = 0; level < 4; ++level) {
        if (level == 0) compressBlockDiffFlipFast(u.data(), decoded, 4, 0, 0, high, low);
        if (level == 1) compressBlockDiffFlipFastPerceptual(u.data(), decoded, 4, 0, 0, high, low);
        if (level == 2) compressBlockETC1Exhaustive(u.data(), decoded, 4, 0, 0, high, low);
        if (level == 3) compressBlockETC1ExhaustivePerceptual(u.data(), decoded, 4, 0, 0, high, low);
        EXPECT_TRUE(isDifferential(high)) << level;
        EXPECT_TRUE(level >= 2 || !isFlipped(high)) << level;
        EXPECT_EQ(0u, high & 0x07070700u) << level;  // all three deltas zero
    }

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
        EXPECT_EQ(lr, decodeETC2(high, low));
    }

    // Black pixels over a black base: -large and -small both clamp to 0 with error 0, so
    // every pixel takes column 0 (stored index 3: both bits set).
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
        EXPECT_LE(plainError(b, decodeETC2(eh, el)), unsigned(fastErr));

        // Every encoder reports the error of the block it writes.
        const double fastPercep = compressBlockDiffFlipFastPerceptual(b.data(), decoded, 4, 0, 0, fh, fl);
        EXPECT_NEAR(percep1000Error(b, decodeETC2(fh, fl)) / 1000.0, fastPercep, 1e-6);
        compressBlockETC1ExhaustivePerceptual(b.data(), decoded, 4, 0, 0, eh, el);
        EXPECT_LE(percep1000Error(b, decodeETC2(eh, el)), percep1000Error(b, decodeETC2(fh, fl)));
        unsigned h, l;
        const unsigned ie = compressBlockIndividualExhaustive(b.data(), 4, 0, 0, h, l, 3121200u);
        EXPECT_EQ(plainError(b, decodeETC2(h, l)), ie);
        EXPECT_FALSE(isDifferential(h));
        const unsigned de = compressBlockDifferentialExhaustivePerceptual(b.data(), 4, 0, 0, h, l, 1040400000u);
        EXPECT_EQ(percep1000Error(b, decodeETC2(h, l)), de);
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
    EXPECT_EQ(0u, ETCCompress(px.data(), out.data(), 4, 4, 0, ePF_ETC1, true));  // signed, not EAC
    EXPECT_EQ(0u, ETCCompress(px.data(), out.data(), 4, 4, 0, ePF_DXT1, false));
    EXPECT_EQ(std::vector<uint8_t>(16, 0xCD), out) << "a refusal writes nothing";
    const std::vector<uint8_t> black(48, 0);

    // Block words are stored high word first, each big-endian; black ties keep table 0
    // and modifier column 0 (stored index 3) everywhere.
    EXPECT_EQ(8u, ETCCompress(black.data(), out.data(), 4, 4, 0, ePF_ETC1, false));
    const uint8_t expect[8] = {0x00, 0x00, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0xFF};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(expect[i], out[i]) << i;
    std::vector<uint8_t> back(48);
    ETCDecompress(out.data(), back.data(), 4, 4, ePF_ETC1, false);
    EXPECT_EQ(black, back);
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
