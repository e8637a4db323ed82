// The four ETC2 block encoders: every candidate mode is turned into a block, decoded
// and scored; a later candidate replaces the kept one only when strictly better.
#include <algorithm>
#include <cstdio>

#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC1TableFit.h"
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "PixelFormat.h"

namespace qeltexture {

namespace {

using etc1detail::Percep1000Metric;
using etc1detail::PlainMetric;

struct Block {
    unsigned high = 0, low = 0;
};

// The block kept so far and its error: a candidate replaces it only when strictly
// better; offer() says whether it did.
template <class E>
struct Kept {
    Block block;
    E err;
    bool offer(const Block& b, E e) {
        if (!(e < err)) return false;
        err = e;
        block = b;
        return true;
    }
};

Block block59(unsigned w1, unsigned w2) {
    Block b;
    stuff59bits(w1, w2, b.high, b.low);
    return b;
}
Block block58(unsigned w1, unsigned w2) {
    Block b;
    stuff58bits(w1, w2, b.high, b.low);
    return b;
}
Block block57(unsigned w1, unsigned w2) {
    Block b;
    stuff57bits(w1, w2, b.high, b.low);
    return b;
}

double plainScore(const uint8_t* image, uint8_t* decoded, int width, int startx, int starty,
                  const Block& b) {
    decompressBlockETC2(b.high, b.low, decoded, 4, 0, 0);
    return calcBlockErrorRGB(image, decoded, width, startx, starty);
}
double percepScore(const uint8_t* image, uint8_t* decoded, int width, int startx, int starty,
                   const Block& b) {
    decompressBlockETC2(b.high, b.low, decoded, 4, 0, 0);
    return 1000.0 * calcBlockPerceptualErrorRGB(image, decoded, width, startx, starty);
}
// The integer perceptual error (weights 299, 587, 114) of a block.
unsigned percep1000Score(const uint8_t* image, uint8_t* decoded, int width, int startx, int starty,
                         const Block& b) {
    decompressBlockETC2(b.high, b.low, decoded, 4, 0, 0);
    unsigned sum = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = image + 3 * ((starty + y) * width + startx + x);
            const uint8_t* d = decoded + 3 * (y * 4 + x);
            sum += Percep1000Metric::pixel(d[0] - p[0], d[1] - p[1], d[2] - p[2]);
        }
    return sum;
}

// The ETC2-only candidates after an ETC1 (or punch-through) block of error `err`:
// planar, T fastest, H fastest, then the matching fast T or H refinement when one of
// those won. `Score` is the metric of the encoder. With `plainPair` the metric is the
// plain one, in which the T and H encoders' own errors are exactly the errors of
// their decoded blocks (integer sums over the very palettes the decoder builds), so
// those blocks need no decoding.
using PairEncoder = void (*)(const uint8_t*, int, int, int, unsigned&, unsigned&, unsigned&,
                            unsigned&, unsigned&, unsigned&);

template <class Score>
void etc2Candidates(const uint8_t* image, uint8_t* decoded, int width, int startx, int starty,
                    Kept<double>& kept, Score score, PairEncoder thFastest, bool plainPair) {
    enum { kKept, kPlanar, kT, kH } winner = kKept;
    auto scored = [&](const Block& b, unsigned ownErr) {
        return plainPair ? double(ownErr) : score(image, decoded, width, startx, starty, b);
    };
    unsigned w1, w2;
    compressBlockPlanar57(image, width, startx, starty, w1, w2);
    const Block p = block57(w1, w2);
    if (kept.offer(p, score(image, decoded, width, startx, starty, p))) winner = kPlanar;
    unsigned tErr, tw1, tw2, hErr, hw1, hw2;
    thFastest(image, width, startx, starty, tErr, tw1, tw2, hErr, hw1, hw2);
    const Block t = block59(tw1, tw2), h = block58(hw1, hw2);
    if (kept.offer(t, scored(t, tErr))) winner = kT;
    if (kept.offer(h, scored(h, hErr))) winner = kH;
    if (winner == kT) {
        // The plain fastest T block is the fast encoder's second candidate.
        const unsigned fastest[3] = {tErr, tw1, tw2};
        const unsigned e2 = tFastWithFastest(image, width, startx, starty, plainPair ? fastest : nullptr, w1, w2);
        const Block t2 = block59(w1, w2);
        kept.offer(t2, scored(t2, e2));
    } else if (winner == kH) {
        const unsigned e2 = compressBlockTHUMB58HFast(image, width, startx, starty, w1, w2);
        const Block h2 = block58(w1, w2);
        kept.offer(h2, scored(h2, e2));
    }
}

void punchThrough(const uint8_t* image, const uint8_t* alphaImage, uint8_t* decoded, int width,
                  int startx, int starty, Kept<double>& kept) {
    uint8_t decodedAlpha[16];
    auto score = [&](const Block& b) {
        decompressBlockETC21BitAlpha(b.high, b.low, decoded, decodedAlpha, 4, 0, 0);
        return calcBlockErrorRGBA(image, alphaImage, decoded, width, startx, starty);
    };
    Block a;
    const unsigned testErr =
        compressBlockDifferentialWithAlpha(true, image, alphaImage, width, startx, starty, a.high, a.low);
    kept = {a, score(a)};
    if (double(testErr) != kept.err) std::printf("testerr: %d, etcerr: %lf\n", int(testErr), kept.err);
    unsigned w1, w2;
    Block b;
    compressBlockTHUMB59TAlpha(image, alphaImage, width, startx, starty, w1, w2);
    stuff59bitsDiffFalse(w1, w2, b.high, b.low);
    kept.offer(b, score(b));
    Block c;
    compressBlockTHUMB58HAlpha(image, alphaImage, width, startx, starty, w1, w2);
    stuff58bitsDiffFalse(w1, w2, c.high, c.low);
    kept.offer(c, score(c));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            if (alphaImage[(starty + y) * width + startx + x] < 128) return;

    // Opaque block: an ordinary differential block, then the RGB candidates.
    Block d;
    compressBlockDifferentialWithAlpha(false, image, alphaImage, width, startx, starty, d.high, d.low);
    kept.offer(d, plainScore(image, decoded, width, startx, starty, d));
    etc2Candidates(image, decoded, width, startx, starty, kept, plainScore, compressBlockTHFastest, true);
}

// The final choice of both exhaustive encoders: the ETC1 start, then differential,
// individual, planar, H and T, each kept only when strictly better than what is kept.
void pickExhaustiveResult(const Block& f, unsigned fErr, const Block& d, unsigned dErr, const Block& i,
                          unsigned iErr, const Block& p, unsigned pErr, unsigned h1, unsigned h2, unsigned hErr,
                          unsigned t1, unsigned t2, unsigned tErr, unsigned int& high, unsigned int& low) {
    Kept<unsigned> kept{f, fErr};
    kept.offer(d, dErr);
    kept.offer(i, iErr);
    kept.offer(p, pErr);
    kept.offer(block58(h1, h2), hErr);
    kept.offer(block59(t1, t2), tErr);
    high = kept.block.high;
    low = kept.block.low;
}

}  // namespace

void compressBlockETC2Fast(const uint8_t* image, const uint8_t* alphaImage, uint8_t* decoded,
                           int width, int height, int startx, int starty, unsigned int& high,
                           unsigned int& low, unsigned int format) {
    (void)height;
    Kept<double> kept{};
    if (format == ePF_ETC2_RGB_A1) {
        punchThrough(image, alphaImage, decoded, width, startx, starty, kept);
    } else {
        // The fast ETC1 error is the exact plain error of its block.
        kept.err = compressBlockDiffFlipFast(image, decoded, width, startx, starty, kept.block.high, kept.block.low);
        etc2Candidates(image, decoded, width, startx, starty, kept, plainScore, compressBlockTHFastest, true);
    }
    high = kept.block.high;
    low = kept.block.low;
}

void compressBlockETC2FastPerceptual(const uint8_t* image, uint8_t* decoded, int width,
                                     int startx, int starty, unsigned int& high,
                                     unsigned int& low) {
    Kept<double> kept{};
    kept.err = 1000.0 * compressBlockDiffFlipFastPerceptual(image, decoded, width, startx, starty,
                                                            kept.block.high, kept.block.low);
    etc2Candidates(image, decoded, width, startx, starty, kept, percepScore,
                   compressBlockTHFastestPerceptual1000, false);
    high = kept.block.high;
    low = kept.block.low;
}

// Every search below reports the real error of the block it returns (a search that
// beats nothing keeps its starting block and reports that block's error, not the
// bound it was given), so the final choice compares real errors and can never keep a
// block worse than the fast candidates it started from.
void compressBlockETC2Exhaustive(const uint8_t* image, uint8_t* decoded, int width, int startx,
                                 int starty, unsigned int& high, unsigned int& low) {
    Block f;
    const unsigned fErr =
        unsigned(compressBlockDiffFlipFast(image, decoded, width, startx, starty, f.high, f.low));
    unsigned p1, p2, eR, eG, eB;
    compressBlockPlanar57(image, width, startx, starty, p1, p2);
    const unsigned p0Err =
        decompressBlockPlanar57errorPerComponent(p1, p2, decoded, image, width, startx, starty, eR, eG, eB);
    unsigned bound = std::min(std::min(fErr, PlainMetric::kInit), p0Err);
    unsigned t1, t2, h1, h2, t0Err, h0Err;
    compressBlockTHFastest(image, width, startx, starty, t0Err, t1, t2, h0Err, h1, h2);
    bound = std::min(bound, std::min(t0Err, h0Err));

    Block d, i;
    const unsigned dErr = compressBlockDifferentialExhaustive(image, width, startx, starty, d.high, d.low, bound);
    bound = std::min(bound, dErr);
    const unsigned pErr = compressBlockPlanar57Exhaustive(image, width, startx, starty, p1, p2, bound, eR, eG, eB);
    bound = std::min(bound, pErr);
    const unsigned iErr = compressBlockIndividualExhaustive(image, width, startx, starty, i.high, i.low, bound);
    bound = std::min(bound, iErr);
    const unsigned hErr = compressBlockTHUMB58HExhaustive(image, width, startx, starty, h1, h2, bound);
    bound = std::min(bound, hErr);
    const unsigned tErr = compressBlockTHUMB59TExhaustive(image, width, startx, starty, t1, t2, bound);

    const Block p = block57(p1, p2);
    const unsigned pScore = unsigned(plainScore(image, decoded, width, startx, starty, p));
    pickExhaustiveResult(f, fErr, d, dErr, i, iErr, p, pScore, h1, h2, hErr, t1, t2, tErr, high, low);
}

// The perceptual twin works in the integer perceptual error (weights 299, 587, 114);
// only the ETC1 start is measured in floating point (x 1000, truncated, capped).
void compressBlockETC2ExhaustivePerceptual(const uint8_t* image, uint8_t* decoded, int width,
                                           int startx, int starty, unsigned int& high,
                                           unsigned int& low) {
    Block f;
    const double fScaled =
        1000.0 * compressBlockDiffFlipFastPerceptual(image, decoded, width, startx, starty, f.high, f.low);
    const unsigned fErr = fScaled >= double(Percep1000Metric::kInit) ? Percep1000Metric::kInit : unsigned(fScaled);
    unsigned bound = fErr;
    unsigned p1, p2, eR, eG, eB;
    compressBlockPlanar57(image, width, startx, starty, p1, p2);
    bound = std::min(bound, decompressBlockPlanar57errorPerComponentPerceptual1000(
                                p1, p2, decoded, image, width, startx, starty, eR, eG, eB));
    unsigned t1, t2, h1, h2, t0Err, h0Err;
    compressBlockTHFastestPerceptual1000(image, width, startx, starty, t0Err, t1, t2, h0Err, h1, h2);
    bound = std::min(bound, std::min(t0Err, h0Err));

    const unsigned pErr =
        compressBlockPlanar57ExhaustivePerceptual(image, width, startx, starty, p1, p2, bound, eR, eG, eB);
    bound = std::min(bound, pErr);
    Block d, i;
    const unsigned dErr =
        compressBlockDifferentialExhaustivePerceptual(image, width, startx, starty, d.high, d.low, bound);
    bound = std::min(bound, dErr);
    const unsigned iErr =
        compressBlockIndividualExhaustivePerceptual(image, width, startx, starty, i.high, i.low, bound);
    bound = std::min(bound, iErr);
    const unsigned hErr = compressBlockTHUMB58HExhaustivePerceptual(image, width, startx, starty, h1, h2, bound);
    bound = std::min(bound, hErr);
    const unsigned tErr = compressBlockTHUMB59TExhaustivePerceptual(image, width, startx, starty, t1, t2, bound);

    const Block p = block57(p1, p2);
    const unsigned pScore = percep1000Score(image, decoded, width, startx, starty, p);
    pickExhaustiveResult(f, fErr, d, dErr, i, iErr, p, pScore, h1, h2, hErr, t1, t2, tErr, high, low);
}

}  // namespace qeltexture
