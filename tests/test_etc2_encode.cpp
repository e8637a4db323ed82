// ETC2 encoding: the private generator against the C library, the bit stuffing
// against the mode decoders, the H colour-order rules, punch-through blocks, the
// optimised exhaustive searches against straightforward ones, the exhaustive encoders
// against the fast ones, and the surface encoder for the ETC2 formats.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETCCompress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCDecompress.h"
#include "Codecs/ETC/ETCRandom.h"
#include "PixelFormat.h"
#include "TestImages.h"
#include "etc/ETC2ExhaustiveSimple.h"
#include "etc/ETCTestBlocks.h"

using namespace qeltexture;
using etctest::Block;

namespace {

// Random blocks without the pure-noise kind (whose exhaustive searches barely prune
// and would dominate the run time), then photograph blocks.
std::vector<Block> structuredBlocks(size_t randomCount, size_t imageCount, uint32_t seed) {
    std::vector<Block> out;
    const std::vector<Block> all = etctest::randomBlocks(randomCount * 4 / 3 + 1, seed);
    for (size_t k = 0; k < all.size() && out.size() < randomCount; ++k)
        if (k % 4 != 0) out.push_back(all[k]);
    for (auto& b : etctest::imageBlocks(imageCount)) out.push_back(b);
    return out;
}

enum class Mode { Individual, Differential, T, H, Planar };

int signExtend3(unsigned v) { return int(v & 3) - int(v & 4); }

// The mode an ETC2 RGB decoder picks for a block (independent of the library's).
Mode modeOf(unsigned high) {
    if (!(high & 2u)) return Mode::Individual;
    if (unsigned(int((high >> 27) & 31) + signExtend3(high >> 24)) > 31) return Mode::T;
    if (unsigned(int((high >> 19) & 31) + signExtend3(high >> 16)) > 31) return Mode::H;
    if (unsigned(int((high >> 11) & 31) + signExtend3(high >> 8)) > 31) return Mode::Planar;
    return Mode::Differential;
}

Block decodeETC2(unsigned high, unsigned low) {
    Block out(48);
    decompressBlockETC2(high, low, out.data(), 4, 0, 0);
    return out;
}

unsigned value444(const uint8_t c[3]) { return (unsigned(c[0]) << 8) | (unsigned(c[1]) << 4) | c[2]; }

// The two H colours (RGB444) of a packed word.
void hColours(unsigned word1, unsigned c[2]) {
    c[0] = (word1 >> 14) & 0xFFFu;
    c[1] = (word1 >> 2) & 0xFFFu;
}

}  // namespace

TEST(ETC2Random, MatchesTheCLibraryGenerator) {
#ifdef __GLIBC__
    std::srand(10000);
    ETCRandom mine(10000);
    for (int i = 0; i < 1000000; ++i) {
        const int expected = std::rand();
        ASSERT_EQ(expected, mine.next()) << "draw " << i;
    }
    // Two generators with the same seed are independent of each other.
    ETCRandom a(10000), b(10000);
    a.next();
    ETCRandom c(10000);
    EXPECT_EQ(b.next(), c.next());
#else
    GTEST_SKIP() << "the reference sequence is glibc's";
#endif
}

TEST(ETC2Stuffing, BlocksDecodeInTheirOwnModeAsThePackedWords) {
    std::mt19937 rng(77);
    for (int n = 0; n < 20000; ++n) {
        const unsigned r1 = rng(), r2 = rng();
        const unsigned t1 = r1 & 0x07FFFFFFu, h1 = r1 & 0x03FFFFFFu, p1 = r1, p2 = r2 & ~0x7Fu;
        Block packed(48), stuffed(48);
        unsigned high, low;

        stuff59bits(t1, r2, high, low);
        ASSERT_EQ(Mode::T, modeOf(high)) << std::hex << t1;
        EXPECT_EQ(t1, ETCPackedModes::tWord1FromBlock(high));
        decompressBlockTHUMB59T(t1, r2, packed.data(), 4, 0, 0);
        EXPECT_EQ(packed, decodeETC2(high, low));
        unsigned high0, low0;
        stuff59bitsDiffFalse(t1, r2, high0, low0);
        EXPECT_EQ(high & ~2u, high0);
        EXPECT_EQ(low, low0);

        stuff58bits(h1, r2, high, low);
        ASSERT_EQ(Mode::H, modeOf(high)) << std::hex << h1;
        EXPECT_EQ(h1, ETCPackedModes::hWord1FromBlock(high));
        decompressBlockTHUMB58H(h1, r2, packed.data(), 4, 0, 0);
        EXPECT_EQ(packed, decodeETC2(high, low));
        stuff58bitsDiffFalse(h1, r2, high0, low0);
        EXPECT_EQ(high & ~2u, high0);

        stuff57bits(p1, p2, high, low);
        ASSERT_EQ(Mode::Planar, modeOf(high)) << std::hex << p1;
        unsigned w1, w2;
        ETCPackedModes::planarWordsFromBlock(high, low, w1, w2);
        EXPECT_EQ(p1, w1);
        EXPECT_EQ(p2, w2);
        decompressBlockPlanar57(p1, p2, packed.data(), 4, 0, 0);
        EXPECT_EQ(packed, decodeETC2(high, low));
        if (HasFailure()) break;
    }
    // Index conversion: row-major 2-bit indices -> msb/lsb planes, pixel (x, y) at
    // bit x*4 + y. Pixel (1, 0) (second from the top) has index 3, pixel (0, 1) index 2.
    EXPECT_EQ((1u << (16 + 4)) | (1u << 4) | (1u << (16 + 1)), indexConversion(0x3u << 28 | 0x2u << 22));
}

TEST(ETC2Modes, HColourOrderAndOddDistances) {
    // Equal quantised colours still give two different colours: value - 1 and value,
    // or 0 and 1 for black.
    const struct {
        uint8_t rgb[3];
        unsigned c0, c1;
    } uniform[] = {{{0, 0, 0}, 0x000, 0x001},
                   {{255, 255, 255}, 0xFFE, 0xFFF},
                   {{0x88, 0x88, 0x88}, 0x887, 0x888},
                   {{17, 17, 0}, 0x10F, 0x110}};  // the 12-bit value - 1 borrows across channels
    for (const auto& u : uniform) {
        Block blk(48);
        for (int i = 0; i < 48; ++i) blk[i] = u.rgb[i % 3];
        unsigned w1, w2, c[2];
        compressBlockTHUMB58HFastest(blk.data(), 4, 0, 0, w1, w2);
        hColours(w1, c);
        // The stored order follows the distance index's low bit.
        EXPECT_TRUE((c[0] == u.c0 && c[1] == u.c1) || (c[0] == u.c1 && c[1] == u.c0)) << std::hex << c[0] << " " << c[1];
        EXPECT_NE(c[0], c[1]);
    }

    // An odd distance index is stored as colour 0 >= colour 1 with every index's high
    // bit inverted; the decoded pixels are those of the unswapped palette.
    int odd = 0, even = 0;
    for (const Block& blk : etctest::mixedBlocks(400, 200, 5)) {
        uint8_t lbg[2][3], colors[2][3], distance;
        unsigned indices;
        computeColorLBGHalfIntensityFast(blk.data(), 4, 0, 0, lbg);
        quantizeColorsTo444(lbg, colors);
        // Increasing 12-bit order, as the encoder scores them.
        if (value444(colors[0]) > value444(colors[1])) std::swap(colors[0], colors[1]);
        if (value444(colors[0]) == value444(colors[1])) continue;
        const unsigned err = calculateErrorAndCompress58H(blk.data(), 4, 0, 0, colors, distance, indices);
        // Decode the unswapped palette directly.
        uint8_t c8[2][3], paint[4][3];
        for (int j = 0; j < 2; ++j)
            for (int c = 0; c < 3; ++c) c8[j][c] = uint8_t(colors[j][c] * 17);
        calculatePaintColors58H(distance, c8, paint);
        Block expect(48);
        for (int i = 0; i < 16; ++i)
            for (int c = 0; c < 3; ++c) expect[i * 3 + c] = paint[(indices >> (30 - 2 * i)) & 3u][c];
        unsigned w1, w2, high, low;
        packH58(colors, distance, indices, w1, w2);
        stuff58bits(w1, w2, high, low);
        const Block got = decodeETC2(high, low);
        EXPECT_EQ(expect, got);
        EXPECT_EQ(err, etctest::plainError(got.data(), blk.data()));
        unsigned c[2];
        hColours(w1, c);
        EXPECT_EQ((distance & 1u) != 0, c[0] >= c[1]);
        ++((distance & 1u) ? odd : even);
    }
    EXPECT_GT(odd, 20);
    EXPECT_GT(even, 20);
}

TEST(ETC2Modes, ModeEncodersAgreeWithTheirBuildingBlocksAndDecodedErrors) {
    for (const Block& blk : etctest::mixedBlocks(200, 100, 9)) {
        unsigned w1, w2, high, low;
        Block dec(48);
        // The fastest encoders are clustering + quantisation + the scoring functions.
        for (int perceptual = 0; perceptual < 2; ++perceptual) {
            uint8_t lbg[2][3], colors[2][3], distance;
            unsigned indices;
            computeColorLBGHalfIntensityFast(blk.data(), 4, 0, 0, lbg);
            quantizeColorsTo444(lbg, colors);
            uint8_t hColors[2][3];
            std::memcpy(hColors, colors, 6);
            const unsigned tErr = perceptual
                ? calculateError59TPerceptual1000(blk.data(), 4, 0, 0, colors, distance, indices)
                : calculateError59T(blk.data(), 4, 0, 0, colors, distance, indices);
            unsigned t1, t2, h1, h2, pt, ph;
            const unsigned gotT = perceptual ? compressBlockTHUMB59TFastestPerceptual1000(blk.data(), 4, 0, 0, t1, t2)
                                             : compressBlockTHUMB59TFastest(blk.data(), 4, 0, 0, t1, t2);
            EXPECT_EQ(tErr, gotT);
            EXPECT_EQ(packT59Word1(colors, distance), t1);
            EXPECT_EQ(indexConversion(indices), t2);
            if (value444(hColors[0]) > value444(hColors[1])) std::swap(hColors[0], hColors[1]);
            if (value444(hColors[0]) != value444(hColors[1])) {
                const unsigned hErr = perceptual
                    ? calculateErrorAndCompress58HPerceptual1000(blk.data(), 4, 0, 0, hColors, distance, indices)
                    : calculateErrorAndCompress58H(blk.data(), 4, 0, 0, hColors, distance, indices);
                const unsigned gotH = perceptual ? compressBlockTHUMB58HFastestPerceptual1000(blk.data(), 4, 0, 0, h1, h2)
                                                 : compressBlockTHUMB58HFastest(blk.data(), 4, 0, 0, h1, h2);
                unsigned e1, e2;
                packH58(hColors, distance, indices, e1, e2);
                EXPECT_EQ(hErr, gotH);
                EXPECT_EQ(e1, h1);
                EXPECT_EQ(e2, h2);
            }
            // The fast T and H encoders: the first best of their clustering candidates.
            if (!perceptual) {
                unsigned bestT = ~0u, r1 = 0, r2 = 0;
                for (auto cluster : {computeColorLBGNotIntensityFast, computeColorLBGHalfIntensityFast, computeColorLBGfast}) {
                    uint8_t c[2][3], q[2][3], dist;
                    unsigned idx;
                    cluster(blk.data(), 4, 0, 0, c);
                    quantizeColorsTo444(c, q);
                    const unsigned e = calculateError59T(blk.data(), 4, 0, 0, q, dist, idx);
                    if (e < bestT) {
                        bestT = e;
                        r1 = packT59Word1(q, dist);
                        r2 = indexConversion(idx);
                    }
                }
                unsigned f1, f2;
                EXPECT_EQ(bestT, compressBlockTHUMB59TFast(blk.data(), 4, 0, 0, f1, f2));
                EXPECT_EQ(r1, f1);
                EXPECT_EQ(r2, f2);
                unsigned bestH = ~0u;
                for (auto cluster : {computeColorLBGNotIntensity, computeColorLBG}) {
                    uint8_t c[2][3], q[2][3], dist;
                    unsigned idx;
                    cluster(blk.data(), 4, 0, 0, c);
                    quantizeColorsTo444(c, q);
                    if (value444(q[0]) > value444(q[1])) std::swap(q[0], q[1]);
                    if (value444(q[0]) == value444(q[1])) {
                        bestH = 0;  // the equal-colour rule is covered elsewhere
                        break;
                    }
                    const unsigned e = calculateErrorAndCompress58H(blk.data(), 4, 0, 0, q, dist, idx);
                    if (e < bestH) {
                        bestH = e;
                        packH58(q, dist, idx, r1, r2);
                    }
                }
                if (bestH != 0) {
                    EXPECT_EQ(bestH, compressBlockTHUMB58HFast(blk.data(), 4, 0, 0, f1, f2));
                    EXPECT_EQ(r1, f1);
                    EXPECT_EQ(r2, f2);
                }
            }
            unsigned pw1, pw2, pw3, pw4;
            if (perceptual) compressBlockTHFastestPerceptual1000(blk.data(), 4, 0, 0, pt, pw1, pw2, ph, pw3, pw4);
            else compressBlockTHFastest(blk.data(), 4, 0, 0, pt, pw1, pw2, ph, pw3, pw4);
            EXPECT_EQ(t1, pw1);
            EXPECT_EQ(t2, pw2);
            EXPECT_EQ(gotT, pt);
        }
        unsigned e = compressBlockTHUMB59TFastest(blk.data(), 4, 0, 0, w1, w2);
        stuff59bits(w1, w2, high, low);
        EXPECT_EQ(Mode::T, modeOf(high));
        EXPECT_EQ(e, etctest::plainError(decodeETC2(high, low).data(), blk.data()));
        e = compressBlockTHUMB59TFast(blk.data(), 4, 0, 0, w1, w2);
        stuff59bits(w1, w2, high, low);
        EXPECT_EQ(e, etctest::plainError(decodeETC2(high, low).data(), blk.data()));
        e = compressBlockTHUMB58HFast(blk.data(), 4, 0, 0, w1, w2);
        stuff58bits(w1, w2, high, low);
        EXPECT_EQ(Mode::H, modeOf(high));
        EXPECT_EQ(e, etctest::plainError(decodeETC2(high, low).data(), blk.data()));
        e = compressBlockTHUMB58HFastestPerceptual1000(blk.data(), 4, 0, 0, w1, w2);
        stuff58bits(w1, w2, high, low);
        EXPECT_EQ(e, etctest::percep1000Error(decodeETC2(high, low).data(), blk.data()));
        unsigned eR, eG, eB;
        compressBlockPlanar57(blk.data(), 4, 0, 0, w1, w2);
        e = decompressBlockPlanar57errorPerComponent(w1, w2, dec.data(), blk.data(), 4, 0, 0, eR, eG, eB);
        stuff57bits(w1, w2, high, low);
        EXPECT_EQ(e, etctest::plainError(decodeETC2(high, low).data(), blk.data()));
        EXPECT_EQ(e, eR + eG + eB);
        if (HasFailure()) break;
    }
}

TEST(ETC2Modes, PlanarLeastSquaresOnExactPlanes) {
    // A constant block: O = H = V = round(v / (255/63)) for red and blue, / (255/127) for green.
    const Block grey(48, 100);
    unsigned w1, w2;
    compressBlockPlanar57(grey.data(), 4, 0, 0, w1, w2);
    EXPECT_EQ(25u, w1 >> 26);            // 100 / 4.047 = 24.7
    EXPECT_EQ(50u, (w1 >> 19) & 127u);   // 100 / 2.008 = 49.8
    EXPECT_EQ(25u, (w2 >> 20) & 63u);
    // A block decoded from planar codes is fitted back to the same codes when the plane
    // stays inside 0..255 everywhere (no clamping).
    std::mt19937 rng(3);
    int exact = 0;
    for (int n = 0; n < 300; ++n) {
        const unsigned a = rng(), b = rng() & ~0x7Fu;
        Block blk(48);
        decompressBlockPlanar57(a, b, blk.data(), 4, 0, 0);
        unsigned eR, eG, eB;
        Block dec(48);
        // Exhaustive planar reaches error 0 on any decoded planar block.
        unsigned s1 = a ^ 0x5A5A5A5Au, s2 = b;
        compressBlockPlanar57(blk.data(), 4, 0, 0, s1, s2);
        const unsigned e0 = decompressBlockPlanar57errorPerComponent(s1, s2, dec.data(), blk.data(), 4, 0, 0, eR, eG, eB);
        const unsigned e = compressBlockPlanar57Exhaustive(blk.data(), 4, 0, 0, s1, s2, 3121200u, eR, eG, eB);
        if (e0 == 0) ++exact;
        EXPECT_EQ(0u, e);
    }
    EXPECT_GT(exact, 0);
}

TEST(ETC2PunchThrough, TransparencyDecodesExactly) {
    // Fully transparent: opaque bit 0 and every pixel (0, 0, 0, 0).
    uint8_t decoded[48], alphaOut[16];
    for (const Block& blk : etctest::randomBlocks(20, 4)) {
        const Block alpha(16, 100);  // below 128: transparent
        unsigned high, low;
        compressBlockETC2Fast(blk.data(), alpha.data(), decoded, 4, 4, 0, 0, high, low, ePF_ETC2_RGB_A1);
        EXPECT_EQ(0u, high & 2u);
        decompressBlockETC21BitAlpha(high, low, decoded, alphaOut, 4, 0, 0);
        EXPECT_EQ(Block(48, 0), Block(decoded, decoded + 48));
        EXPECT_EQ(Block(16, 0), Block(alphaOut, alphaOut + 16));
    }
    // Alpha of 0 or 255 decodes exactly, and fully opaque blocks also try the RGB modes.
    std::mt19937 rng(11);
    int modes[5] = {0, 0, 0, 0, 0};
    for (const Block& blk : etctest::mixedBlocks(600, 200, 8)) {
        Block alpha(16, 255);
        const int pattern = int(rng() % 4);
        for (int i = 0; i < 16; ++i)
            if (pattern == 1 ? (rng() % 3 == 0) : pattern == 2 ? (i % 4 < 2) : false) alpha[i] = 0;
        unsigned high, low;
        testing::internal::CaptureStdout();
        compressBlockETC2Fast(blk.data(), alpha.data(), decoded, 4, 4, 0, 0, high, low, ePF_ETC2_RGB_A1);
        EXPECT_EQ("", testing::internal::GetCapturedStdout());  // alphas 0/255: no diagnostics
        decompressBlockETC21BitAlpha(high, low, decoded, alphaOut, 4, 0, 0);
        EXPECT_EQ(alpha, Block(alphaOut, alphaOut + 16));
        if (pattern == 0 || pattern == 3) {
            // Fully opaque: never worse than its own differential candidates.
            unsigned h2, l2;
            compressBlockDifferentialWithAlpha(false, blk.data(), alpha.data(), 4, 0, 0, h2, l2);
            EXPECT_LE(etctest::plainError(decoded, blk.data()), etctest::plainError(decodeETC2(h2, l2).data(), blk.data()));
        }
        if (high & 2u) ++modes[int(modeOf(high))];
    }
    EXPECT_GT(modes[int(Mode::Planar)] + modes[int(Mode::T)] + modes[int(Mode::H)], 0);
}

TEST(ETC2PunchThrough, DiagnosticLines) {
    // One pixel of alpha 200 is scored by the H alpha encoder once per distance index.
    Block blk = etctest::randomBlocks(1, 2)[0];
    Block alpha(16, 255);
    alpha[5] = 200;
    alpha[6] = 0;
    unsigned w1, w2;
    testing::internal::CaptureStdout();
    compressBlockTHUMB58HAlpha(blk.data(), alpha.data(), 4, 0, 0, w1, w2);
    std::string expected;
    for (int k = 0; k < 8; ++k) expected += "INVALID ALPHA DATA!!\n";
    EXPECT_EQ(expected, testing::internal::GetCapturedStdout());

    // Alpha exactly 128 counts as opaque for the differential encoder but not for the
    // block score: the disagreement is reported.
    Block grey(48, 0);
    for (int i = 0; i < 16; ++i) grey[i * 3] = uint8_t(i * 16);
    Block half(16, 255);
    half[0] = 128;
    half[15] = 128;
    unsigned high, low;
    uint8_t decoded[48];
    testing::internal::CaptureStdout();
    compressBlockETC2Fast(grey.data(), half.data(), decoded, 4, 4, 0, 0, high, low, ePF_ETC2_RGB_A1);
    const std::string out = testing::internal::GetCapturedStdout();
    int testErr = -1;
    double etcErr = -1;
    ASSERT_EQ(2, std::sscanf(out.c_str(), "testerr: %d, etcerr: %lf\n", &testErr, &etcErr)) << out;
    EXPECT_GT(testErr, int(etcErr));
    // The scoring uses only pixels whose alpha is above 128.
    Block a1(48, 10), b1(48, 10);
    a1[0] = 200;
    EXPECT_EQ(0.0, calcBlockErrorRGBA(a1.data(), half.data(), b1.data(), 4, 0, 0));
    a1[3] = 20;
    EXPECT_EQ(100.0, calcBlockErrorRGBA(a1.data(), half.data(), b1.data(), 4, 0, 0));
}

TEST(ETC2Exhaustive, OptimisedSearchesMatchStraightforwardOnes) {
    const unsigned plain[3] = {1, 1, 1}, percep[3] = {299, 587, 114};
    for (const Block& blk : structuredBlocks(4, 5, 21)) {
        uint8_t dec[48];
        unsigned fh, fl;
        const unsigned f = unsigned(compressBlockDiffFlipFast(blk.data(), dec, 4, 0, 0, fh, fl));
        for (int perceptual = 0; perceptual < 2; ++perceptual) {
            // Bounds of the kind the encoder passes: the fast ETC1 error (or a looser one).
            const unsigned bound = perceptual ? f * 600u : f;
            for (int tMode = 0; tMode < 2; ++tMode) {
                unsigned w1, w2;
                if (tMode)
                    perceptual ? compressBlockTHUMB59TFastestPerceptual1000(blk.data(), 4, 0, 0, w1, w2)
                               : compressBlockTHUMB59TFastest(blk.data(), 4, 0, 0, w1, w2);
                else
                    perceptual ? compressBlockTHUMB58HFastestPerceptual1000(blk.data(), 4, 0, 0, w1, w2)
                               : compressBlockTHUMB58HFastest(blk.data(), 4, 0, 0, w1, w2);
                unsigned a1 = w1, a2 = w2, b1 = w1, b2 = w2;
                if (tMode)
                    (perceptual ? compressBlockTHUMB59TExhaustivePerceptual : compressBlockTHUMB59TExhaustive)(
                        blk.data(), 4, 0, 0, a1, a2, bound);
                else
                    (perceptual ? compressBlockTHUMB58HExhaustivePerceptual : compressBlockTHUMB58HExhaustive)(
                        blk.data(), 4, 0, 0, a1, a2, bound);
                etc2simple::exhaustiveTH(tMode != 0, perceptual != 0, blk.data(), 4, 0, 0, b1, b2, bound);
                EXPECT_EQ(b1, a1) << (tMode ? "T" : "H") << " perceptual " << perceptual;
                EXPECT_EQ(b2, a2);
            }
            unsigned p1, p2, e[3];
            compressBlockPlanar57(blk.data(), 4, 0, 0, p1, p2);
            const unsigned pe = perceptual
                ? decompressBlockPlanar57errorPerComponentPerceptual1000(p1, p2, dec, blk.data(), 4, 0, 0, e[0], e[1], e[2])
                : decompressBlockPlanar57errorPerComponent(p1, p2, dec, blk.data(), 4, 0, 0, e[0], e[1], e[2]);
            unsigned a1 = p1, a2 = p2, b1 = p1, b2 = p2;
            (perceptual ? compressBlockPlanar57ExhaustivePerceptual : compressBlockPlanar57Exhaustive)(
                blk.data(), 4, 0, 0, a1, a2, pe, e[0], e[1], e[2]);
            etc2simple::searchPlanar(blk.data(), 4, 0, 0, b1, b2, pe, e, perceptual ? percep : plain);
            EXPECT_EQ(b1, a1) << "planar";
            EXPECT_EQ(b2, a2) << "planar";
        }
        if (HasFailure()) break;
    }
}

TEST(ETC2Exhaustive, WholeEncoderMatchesStraightforwardOne) {
    for (const Block& blk : structuredBlocks(1, 2, 41)) {
        uint8_t dec[48];
        for (int perceptual = 0; perceptual < 2; ++perceptual) {
            unsigned h1, l1, h2, l2;
            if (perceptual) compressBlockETC2ExhaustivePerceptual(blk.data(), dec, 4, 0, 0, h1, l1);
            else compressBlockETC2Exhaustive(blk.data(), dec, 4, 0, 0, h1, l1);
            etc2simple::etc2Exhaustive(perceptual != 0, blk.data(), 4, 0, 0, h2, l2);
            EXPECT_EQ(h2, h1) << "perceptual " << perceptual;
            EXPECT_EQ(l2, l1) << "perceptual " << perceptual;
        }
    }
}

TEST(ETC2Exhaustive, ExactOnDecodedModeBlocksAndKeepsStartWhenBeaten) {
    std::mt19937 rng(17);
    for (int n = 0; n < 12; ++n) {
        // A decoded T (or H) block is reproduced exactly by the exhaustive search.
        const bool tMode = n % 2 == 0;
        unsigned w1 = tMode ? (rng() & 0x07FFFFFFu) : (rng() & 0x03FFFFFFu), w2 = rng();
        Block blk(48);
        if (tMode) decompressBlockTHUMB59T(w1, w2, blk.data(), 4, 0, 0);
        else decompressBlockTHUMB58H(w1, w2, blk.data(), 4, 0, 0);
        unsigned s1, s2;
        const unsigned start = tMode ? compressBlockTHUMB59TFastest(blk.data(), 4, 0, 0, s1, s2)
                                     : compressBlockTHUMB58HFastest(blk.data(), 4, 0, 0, s1, s2);
        unsigned a1 = s1, a2 = s2;
        const unsigned e = tMode ? compressBlockTHUMB59TExhaustive(blk.data(), 4, 0, 0, a1, a2, start)
                                 : compressBlockTHUMB58HExhaustive(blk.data(), 4, 0, 0, a1, a2, start);
        EXPECT_EQ(0u, e);
        // Nothing beats a bound of 0: the starting block stays and its real error is reported.
        unsigned b1 = s1, b2 = s2;
        const unsigned kept = tMode ? compressBlockTHUMB59TExhaustive(blk.data(), 4, 0, 0, b1, b2, 0)
                                    : compressBlockTHUMB58HExhaustive(blk.data(), 4, 0, 0, b1, b2, 0);
        EXPECT_EQ(s1, b1);
        EXPECT_EQ(s2, b2);
        EXPECT_EQ(start, kept);
    }
}

TEST(ETC2Exhaustive, NeverWorseThanFastInTheirOwnMetric) {
    // The whole sweep over thousands of blocks is in the benchmark; a sample here.
    int modes[5] = {0, 0, 0, 0, 0};
    for (const Block& blk : structuredBlocks(30, 60, 31)) {
        uint8_t dec[48];
        unsigned fh, fl, eh, el;
        compressBlockETC2Fast(blk.data(), nullptr, dec, 4, 4, 0, 0, fh, fl, ePF_ETC2_RGB);
        compressBlockETC2Exhaustive(blk.data(), dec, 4, 0, 0, eh, el);
        EXPECT_LE(etctest::plainError(decodeETC2(eh, el).data(), blk.data()),
                  etctest::plainError(decodeETC2(fh, fl).data(), blk.data()));
        ++modes[int(modeOf(eh))];
        compressBlockETC2FastPerceptual(blk.data(), dec, 4, 0, 0, fh, fl);
        compressBlockETC2ExhaustivePerceptual(blk.data(), dec, 4, 0, 0, eh, el);
        EXPECT_LE(etctest::percep1000Error(decodeETC2(eh, el).data(), blk.data()),
                  etctest::percep1000Error(decodeETC2(fh, fl).data(), blk.data()));
    }
    // Two-colour blocks make the exhaustive encoder reach the ETC2-only modes.
    EXPECT_GT(modes[int(Mode::T)] + modes[int(Mode::H)], 0);
    EXPECT_GT(modes[int(Mode::Planar)], 0);
}

TEST(ETC2Compress, SurfacesThreadsQualitiesAndAlphaLayout) {
    qeltest::RGBAImage img;
    if (!qeltest::loadTestImage("rocket.png", img)) GTEST_SKIP() << "test images not available";
    const unsigned w = 37, h = 23;  // partial blocks on both edges
    const qeltest::RGBAImage crop = qeltest::tileTo(img, w, h);
    std::vector<uint8_t> rgba = crop.pixels;
    for (size_t i = 0; i < size_t(w) * h; ++i) rgba[4 * i + 3] = (i % 7 == 0) ? 0 : 255;
    const std::vector<uint8_t> rgb = etctest::toRGB(crop);
    auto encode = [&](unsigned format, int q, unsigned threads) {
        const void* src = format == ePF_ETC2_RGB ? static_cast<const void*>(rgb.data()) : rgba.data();
        std::vector<uint8_t> out(ETCCompress(nullptr, nullptr, w, h, q, format, false), 0xCD);
        EXPECT_EQ(out.size(), ETCCompress(src, out.data(), w, h, q, format, false, threads));
        return out;
    };
    for (unsigned format : {unsigned(ePF_ETC2_RGB), unsigned(ePF_ETC2_RGBA), unsigned(ePF_ETC2_RGB_A1)}) {
        for (int q = 0; q < 4; ++q) {
            const auto one = encode(format, q, 1);
            for (unsigned threads : {2u, 3u, 8u}) EXPECT_EQ(one, encode(format, q, threads)) << format << " q" << q;
            if (q == 2) {
                EXPECT_EQ(one, encode(format, 4, 2));
            }
            if (q == 3) {
                EXPECT_EQ(one, encode(format, 5, 2));
            }
            if (format == ePF_ETC2_RGB_A1 && q > 0) {
                EXPECT_EQ(encode(format, 0, 1), one);
            }
            const unsigned channels = format == ePF_ETC2_RGB ? 3 : 4;
            std::vector<uint8_t> back(size_t(w) * h * channels);
            ETCDecompress(one.data(), back.data(), w, h, format, false);
            for (size_t i = 0; i < size_t(w) * h && channels == 4; ++i) {
                if (format == ePF_ETC2_RGB_A1) ASSERT_EQ(rgba[4 * i + 3], back[4 * i + 3]) << i;
                else ASSERT_NEAR(rgba[4 * i + 3], back[4 * i + 3], 8) << i;
            }
            std::vector<uint8_t> a4(size_t(w) * h * 4, 255), b4(a4);
            for (size_t i = 0; i < size_t(w) * h; ++i)
                for (int c = 0; c < 3; ++c) {
                    a4[4 * i + c] = rgb[3 * i + c];
                    b4[4 * i + c] = back[channels * i + c];
                    if (format != ePF_ETC2_RGB && rgba[4 * i + 3] == 0) a4[4 * i + c] = b4[4 * i + c] = 0;
                }
            EXPECT_GT(qeltest::psnr(a4.data(), b4.data(), size_t(w) * h), 28.0) << format << " q" << q;
        }
    }
    // ETC2 RGBA: the alpha block comes first and is the 8-bit EAC block of the alpha.
    std::vector<uint8_t> constant(16 * 4, 77);
    for (int i = 0; i < 16; ++i) constant[4 * i + 3] = 200;
    std::vector<uint8_t> out(16);
    ASSERT_EQ(16u, ETCCompress(constant.data(), out.data(), 4, 4, 0, ePF_ETC2_RGBA, false));
    EXPECT_EQ(200, out[0]);
    EXPECT_EQ(0, out[1]);
}
