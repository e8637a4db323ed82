// ETC2 encoding: the private generator, bit stuffing, mode encoders against decoded
// blocks, punch-through, exhaustive searches against straightforward ones, surfaces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <tuple>
#include <utility>
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
using etctest::Mode;
using etctest::decodeETC2;
using etctest::modeOf;

namespace {

// Random blocks without pure noise (slow to search exhaustively), then photograph blocks.
std::vector<Block> structuredBlocks(size_t randomCount, size_t imageCount, uint32_t seed) {
    std::vector<Block> out;
    const std::vector<Block> all = etctest::randomBlocks(randomCount * 4 / 3 + 1, seed);
    for (size_t k = 0; k < all.size() && out.size() < randomCount; ++k)
        if (k % 4 != 0) out.push_back(all[k]);
    for (auto& b : etctest::imageBlocks(imageCount)) out.push_back(b);
    return out;
}

// The fastest T and H encoders and the exhaustive searches, by [perceptual][T mode].
using Fastest = unsigned (*)(const uint8_t*, int, int, int, unsigned&, unsigned&);
using Exhaustive = unsigned (*)(const uint8_t*, int, int, int, unsigned&, unsigned&, unsigned);
const Fastest kFastest[2][2] = {{compressBlockTHUMB58HFastest, compressBlockTHUMB59TFastest},
                                {compressBlockTHUMB58HFastestPerceptual1000, compressBlockTHUMB59TFastestPerceptual1000}};
const Exhaustive kExhaustive[2][2] = {{compressBlockTHUMB58HExhaustive, compressBlockTHUMB59TExhaustive},
                                      {compressBlockTHUMB58HExhaustivePerceptual, compressBlockTHUMB59TExhaustivePerceptual}};

}  // namespace

TEST(ETC2Random, MatchesTheCLibraryGenerator) {
#ifdef __GLIBC__
    std::srand(10000);
    ETCRandom mine(10000);
    for (int i = 0; i < 1000000; ++i) ASSERT_EQ(std::rand(), mine.next()) << "draw " << i;
#else
    GTEST_SKIP() << "the reference sequence is glibc's";
#endif
}

TEST(ETC2Stuffing, BlocksDecodeInTheirOwnModeAsThePackedWords) {
    using Stuff = void (*)(unsigned, unsigned, unsigned&, unsigned&);
    using Decode = void (*)(unsigned, unsigned, uint8_t*, int, int, int);
    const struct {
        Mode mode;
        unsigned mask1, mask2;
        Stuff stuff, stuffDiffFalse;  // the punch-through twin clears only bit 33
        Decode decode;
    } modes[3] = {{Mode::T, 0x07FFFFFFu, ~0u, stuff59bits, stuff59bitsDiffFalse, decompressBlockTHUMB59T},
                  {Mode::H, 0x03FFFFFFu, ~0u, stuff58bits, stuff58bitsDiffFalse, decompressBlockTHUMB58H},
                  {Mode::Planar, ~0u, ~0x7Fu, stuff57bits, nullptr, decompressBlockPlanar57}};
    std::mt19937 rng(77);
    for (int n = 0; n < 5000 && !HasFailure(); ++n) {
        for (const auto& m : modes) {
            const unsigned w1 = rng() & m.mask1, w2 = rng() & m.mask2;
            unsigned high, low, high0, low0;
            m.stuff(w1, w2, high, low);
            ASSERT_EQ(m.mode, modeOf(high)) << std::hex << w1;
            Block packed(48);
            m.decode(w1, w2, packed.data(), 4, 0, 0);
            EXPECT_EQ(packed, decodeETC2(high, low));
            if (!m.stuffDiffFalse) continue;
            m.stuffDiffFalse(w1, w2, high0, low0);
            EXPECT_EQ(std::make_pair(high & ~2u, low), std::make_pair(high0, low0));
        }
    }
    // Index conversion: row-major 2-bit indices -> msb/lsb planes, pixel (x, y) at
    // bit x*4 + y. Pixel (1, 0) (second from the top) has index 3, pixel (0, 1) index 2.
    EXPECT_EQ((1u << (16 + 4)) | (1u << 4) | (1u << (16 + 1)), indexConversion(0x3u << 28 | 0x2u << 22));
}

TEST(ETC2Modes, EqualHColoursStayApart) {
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
        unsigned w1, w2;
        compressBlockTHUMB58HFastest(blk.data(), 4, 0, 0, w1, w2);
        const unsigned c0 = (w1 >> 14) & 0xFFFu, c1 = (w1 >> 2) & 0xFFFu;  // the two RGB444 colours
        // The stored order follows the distance index's low bit.
        EXPECT_TRUE((c0 == u.c0 && c1 == u.c1) || (c0 == u.c1 && c1 == u.c0)) << std::hex << c0 << " " << c1;
    }
}

TEST(ETC2Modes, EncodersReportTheErrorOfTheirDecodedBlocks) {
    // The error a mode encoder reports is that of its stuffed block as decoded, which
    // decodes in its own mode. For H this covers the odd distance indices, stored as
    // colour 0 >= colour 1 with every index's high bit inverted.
    using Encoder = unsigned (*)(const uint8_t*, int, int, int, unsigned&, unsigned&);
    const struct {
        Encoder encode;
        Mode mode;
        bool perceptual;
    } encoders[] = {{compressBlockTHUMB59TFastest, Mode::T, false},
                    {compressBlockTHUMB59TFastestPerceptual1000, Mode::T, true},
                    {compressBlockTHUMB58HFastest, Mode::H, false},
                    {compressBlockTHUMB58HFastestPerceptual1000, Mode::H, true}};
    int oddH = 0, evenH = 0;
    for (const Block& blk : etctest::mixedBlocks(200, 100, 9)) {
        unsigned w1, w2, high, low, words[2][3];
        for (const auto& enc : encoders) {
            const unsigned e = enc.encode(blk.data(), 4, 0, 0, w1, w2);
            (enc.mode == Mode::T ? stuff59bits : stuff58bits)(w1, w2, high, low);
            if (enc.mode == Mode::H) ++(((w1 >> 14) & 0xFFFu) >= ((w1 >> 2) & 0xFFFu) ? oddH : evenH);
            ASSERT_EQ(enc.mode, modeOf(high));
            const Block dec = decodeETC2(high, low);
            EXPECT_EQ(e, enc.perceptual ? etctest::percep1000Error(dec.data(), blk.data())
                                        : etctest::plainError(dec.data(), blk.data()));
        }
        // The T and H fastest encoders sharing one clustering give what the separate ones give.
        for (int perceptual = 0; perceptual < 2; ++perceptual) {
            (perceptual ? compressBlockTHFastestPerceptual1000 : compressBlockTHFastest)(
                blk.data(), 4, 0, 0, words[0][0], words[0][1], words[0][2], words[1][0], words[1][1], words[1][2]);
            for (int h = 0; h < 2; ++h) {
                const unsigned e = encoders[2 * h + perceptual].encode(blk.data(), 4, 0, 0, w1, w2);
                EXPECT_EQ(std::make_tuple(words[h][0], words[h][1], words[h][2]), std::make_tuple(e, w1, w2));
            }
        }
        unsigned eR, eG, eB;
        Block dec(48);
        compressBlockPlanar57(blk.data(), 4, 0, 0, w1, w2);
        const unsigned e = decompressBlockPlanar57errorPerComponent(w1, w2, dec.data(), blk.data(), 4, 0, 0, eR, eG, eB);
        stuff57bits(w1, w2, high, low);
        EXPECT_EQ(e, etctest::plainError(decodeETC2(high, low).data(), blk.data()));
        EXPECT_EQ(e, eR + eG + eB);
        if (HasFailure()) break;
    }
    EXPECT_GT(oddH, 100);
    EXPECT_GT(evenH, 100);
}

TEST(ETC2Modes, PlanarLeastSquaresOnExactPlanes) {
    // A constant block: O = H = V = round(v / (255/63)) for red and blue, / (255/127) for green.
    const Block grey(48, 100);
    unsigned w1, w2;
    compressBlockPlanar57(grey.data(), 4, 0, 0, w1, w2);
    EXPECT_EQ(25u, w1 >> 26);            // 100 / 4.047 = 24.7
    EXPECT_EQ(50u, (w1 >> 19) & 127u);   // 100 / 2.008 = 49.8
    EXPECT_EQ(25u, (w2 >> 20) & 63u);
    // Exhaustive planar reaches error 0 on any decoded planar block.
    std::mt19937 rng(3);
    for (int n = 0; n < 100; ++n) {
        Block blk(48);
        decompressBlockPlanar57(rng(), rng() & ~0x7Fu, blk.data(), 4, 0, 0);
        unsigned eR = 3121200u, eG = eR, eB = eR;
        EXPECT_EQ(0u, compressBlockPlanar57Exhaustive(blk.data(), 4, 0, 0, w1, w2, 3121200u, eR, eG, eB));
    }
}

TEST(ETC2PunchThrough, TransparencyDecodesExactly) {
    uint8_t decoded[48], alphaOut[16];
    unsigned high, low;
    auto encodeA1 = [&](const Block& rgb, const Block& alpha) {
        testing::internal::CaptureStdout();
        compressBlockETC2Fast(rgb.data(), alpha.data(), decoded, 4, 4, 0, 0, high, low, ePF_ETC2_RGB_A1);
        decompressBlockETC21BitAlpha(high, low, decoded, alphaOut, 4, 0, 0);
        return testing::internal::GetCapturedStdout();
    };
    // Fully transparent (alpha below 128): opaque bit 0 and every pixel (0, 0, 0, 0).
    const Block rgb = etctest::randomBlocks(1, 4)[0];
    encodeA1(rgb, Block(16, 100));
    EXPECT_EQ(0u, high & 2u);
    EXPECT_EQ(Block(48, 0), Block(decoded, decoded + 48));
    EXPECT_EQ(Block(16, 0), Block(alphaOut, alphaOut + 16));
    // Alpha 128 is opaque to the encoder, but the block score counts only alpha above
    // 128; the disagreement is reported on standard output.
    EXPECT_NE("", encodeA1(rgb, Block(16, 128)));
    EXPECT_EQ(Block(16, 255), Block(alphaOut, alphaOut + 16));
    Block a1(48, 10), b1(48, 10), alpha128(16, 255);
    alpha128[0] = 128;
    a1[0] = 200;
    EXPECT_EQ(0.0, calcBlockErrorRGBA(a1.data(), alpha128.data(), b1.data(), 4, 0, 0));
    a1[3] = 20;
    EXPECT_EQ(100.0, calcBlockErrorRGBA(a1.data(), alpha128.data(), b1.data(), 4, 0, 0));

    // Alpha of 0 or 255 decodes exactly, and fully opaque blocks also try the RGB modes.
    std::mt19937 rng(11);
    int modes[5] = {0, 0, 0, 0, 0};
    for (const Block& blk : etctest::mixedBlocks(200, 100, 8)) {
        Block alpha(16, 255);
        const int pattern = int(rng() % 4);
        for (int i = 0; i < 16; ++i)
            if (pattern == 1 ? (rng() % 3 == 0) : pattern == 2 ? (i % 4 < 2) : false) alpha[i] = 0;
        EXPECT_EQ("", encodeA1(blk, alpha));  // alphas 0/255: no diagnostics
        EXPECT_EQ(alpha, Block(alphaOut, alphaOut + 16));
        if (high & 2u) ++modes[int(modeOf(high))];
    }
    EXPECT_GT(modes[int(Mode::Planar)] + modes[int(Mode::T)] + modes[int(Mode::H)], 0);
}

TEST(ETC2Exhaustive, OptimisedSearchesMatchStraightforwardOnes) {
    for (const Block& blk : structuredBlocks(4, 5, 21)) {
        uint8_t dec[48];
        unsigned fh, fl;
        const unsigned f = unsigned(compressBlockDiffFlipFast(blk.data(), dec, 4, 0, 0, fh, fl));
        for (int perceptual = 0; perceptual < 2; ++perceptual) {
            // Bounds of the kind the encoder passes: the fast ETC1 error (or a looser one).
            const unsigned bound = perceptual ? f * 600u : f;
            for (int tMode = 0; tMode < 2; ++tMode) {
                unsigned w1, w2;
                kFastest[perceptual][tMode](blk.data(), 4, 0, 0, w1, w2);
                unsigned a1 = w1, a2 = w2;
                kExhaustive[perceptual][tMode](blk.data(), 4, 0, 0, a1, a2, bound);
                etc2simple::exhaustiveTH(tMode != 0, perceptual != 0, blk.data(), 4, 0, 0, w1, w2, bound);
                EXPECT_EQ(std::make_pair(w1, w2), std::make_pair(a1, a2)) << "T " << tMode << " perceptual " << perceptual;
            }
            unsigned p1, p2, e[3];
            compressBlockPlanar57(blk.data(), 4, 0, 0, p1, p2);
            const unsigned pe = perceptual
                ? decompressBlockPlanar57errorPerComponentPerceptual1000(p1, p2, dec, blk.data(), 4, 0, 0, e[0], e[1], e[2])
                : decompressBlockPlanar57errorPerComponent(p1, p2, dec, blk.data(), 4, 0, 0, e[0], e[1], e[2]);
            unsigned a1 = p1, a2 = p2, b1 = p1, b2 = p2;
            (perceptual ? compressBlockPlanar57ExhaustivePerceptual : compressBlockPlanar57Exhaustive)(
                blk.data(), 4, 0, 0, a1, a2, pe, e[0], e[1], e[2]);
            etc2simple::searchPlanar(blk.data(), 4, 0, 0, b1, b2, pe, e,
                                     perceptual ? etc2simple::kPercepWeights : etc2simple::kPlainWeights);
            EXPECT_EQ(std::make_pair(b1, b2), std::make_pair(a1, a2)) << "planar";
        }
        if (HasFailure()) break;
    }
}

TEST(ETC2Exhaustive, ExactOnDecodedModeBlocksAndKeepsStartWhenBeaten) {
    std::mt19937 rng(17);
    for (int n = 0; n < 8; ++n) {
        // A decoded T (or H) block is reproduced exactly by the exhaustive search.
        const bool tMode = n % 2 == 0;
        unsigned w1 = tMode ? (rng() & 0x07FFFFFFu) : (rng() & 0x03FFFFFFu), w2 = rng();
        Block blk(48);
        if (tMode) decompressBlockTHUMB59T(w1, w2, blk.data(), 4, 0, 0);
        else decompressBlockTHUMB58H(w1, w2, blk.data(), 4, 0, 0);
        unsigned s1, s2;
        const unsigned start = kFastest[0][tMode](blk.data(), 4, 0, 0, s1, s2);
        unsigned a1 = s1, a2 = s2;
        EXPECT_EQ(0u, kExhaustive[0][tMode](blk.data(), 4, 0, 0, a1, a2, start));
        // Nothing beats a bound of 0: the starting block stays and its real error is reported.
        a1 = s1;
        a2 = s2;
        EXPECT_EQ(start, kExhaustive[0][tMode](blk.data(), 4, 0, 0, a1, a2, 0));
        EXPECT_EQ(std::make_pair(s1, s2), std::make_pair(a1, a2));
    }
}

// The whole exhaustive encoders: never worse than the fast ones in their own metric,
// and on every tenth block (the straightforward encoder is slow) the same as it.
TEST(ETC2Exhaustive, WholeEncodersMatchStraightforwardAndBeatFast) {
    int modes[5] = {0, 0, 0, 0, 0};
    const std::vector<Block> blocks = structuredBlocks(10, 20, 31);
    for (size_t k = 0; k < blocks.size(); ++k) {
        const Block& blk = blocks[k];
        uint8_t dec[48];
        for (int perceptual = 0; perceptual < 2; ++perceptual) {
            unsigned fh, fl, eh, el, sh, sl;
            if (perceptual) compressBlockETC2FastPerceptual(blk.data(), dec, 4, 0, 0, fh, fl);
            else compressBlockETC2Fast(blk.data(), nullptr, dec, 4, 4, 0, 0, fh, fl, ePF_ETC2_RGB);
            (perceptual ? compressBlockETC2ExhaustivePerceptual : compressBlockETC2Exhaustive)(blk.data(), dec, 4, 0, 0, eh, el);
            const auto error = perceptual ? etctest::percep1000Error : etctest::plainError;
            EXPECT_LE(error(decodeETC2(eh, el).data(), blk.data()), error(decodeETC2(fh, fl).data(), blk.data()));
            ++modes[int(modeOf(eh))];
            if (k % 10 != 0) continue;
            etc2simple::etc2Exhaustive(perceptual != 0, blk.data(), 4, 0, 0, sh, sl);
            EXPECT_EQ(std::make_pair(sh, sl), std::make_pair(eh, el)) << "block " << k << " perceptual " << perceptual;
        }
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
        const bool threeBytes = format == ePF_ETC1 || format == ePF_ETC2_RGB;
        const void* src = threeBytes ? static_cast<const void*>(rgb.data()) : rgba.data();
        std::vector<uint8_t> out(ETCCompress(nullptr, nullptr, w, h, q, format, false), 0xCD);
        EXPECT_EQ(out.size(), ETCCompress(src, out.data(), w, h, q, format, false, threads));
        return out;
    };
    // Thread counts: 0 is one per processor, 8 exceeds the 6 block rows.
    const unsigned threads[4] = {3, 8, 0, 2};
    for (unsigned format : {ePF_ETC1, ePF_ETC2_RGB, ePF_ETC2_RGBA, ePF_ETC2_RGB_A1}) {
        for (int q = 0; q < 4; ++q) {
            const auto one = encode(format, q, 1);
            // More threads give the same bytes; qualities 4 and 5 are 2 and 3.
            EXPECT_EQ(one, encode(format, q < 2 ? q : q + 2, threads[q])) << format << " q" << q;
            if (format == ePF_ETC2_RGB_A1 && q > 0) {
                EXPECT_EQ(encode(format, 0, 1), one);
            }
            const unsigned channels = format == ePF_ETC1 || format == ePF_ETC2_RGB ? 3 : 4;
            std::vector<uint8_t> back(size_t(w) * h * channels), a4(rgba), b4(rgba);
            ETCDecompress(one.data(), back.data(), w, h, format, false);
            // Alpha is exact in punch-through blocks; colour is measured where it is visible.
            for (size_t i = 0; i < size_t(w) * h; ++i) {
                if (channels == 4) {
                    ASSERT_NEAR(rgba[4 * i + 3], back[4 * i + 3], format == ePF_ETC2_RGB_A1 ? 0 : 8) << i;
                }
                const bool hidden = channels == 4 && rgba[4 * i + 3] == 0;
                for (int c = 0; c < 3; ++c) {
                    a4[4 * i + c] = hidden ? 0 : rgba[4 * i + c];
                    b4[4 * i + c] = hidden ? 0 : back[channels * i + c];
                }
            }
            EXPECT_GT(qeltest::psnr(a4.data(), b4.data(), size_t(w) * h), 28.0) << format << " q" << q;
        }
    }
}
