// The four ETC2 block encoders: every candidate mode is turned into a block, decoded
// and scored; a later candidate replaces the kept one only when strictly better.
#include <algorithm>
#include <cstdio>

#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "PixelFormat.h"

namespace qeltexture {

namespace {

constexpr unsigned kPlainCeiling = 3121200u;
constexpr unsigned kPercepCeiling = 1040400000u;

struct Block {
    unsigned high = 0, low = 0;
};

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
            const int dr = d[0] - p[0], dg = d[1] - p[1], db = d[2] - p[2];
            sum += unsigned(dr * dr) * 299u + unsigned(dg * dg) * 587u + unsigned(db * db) * 114u;
        }
    return sum;
}

Block planarBlock(const uint8_t* image, int width, int startx, int starty) {
    unsigned w1, w2;
    compressBlockPlanar57(image, width, startx, starty, w1, w2);
    Block b;
    stuff57bits(w1, w2, b.high, b.low);
    return b;
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
                    Block& kept, double err, Score score, PairEncoder thFastest, bool plainPair) {
    enum { kKept, kPlanar, kT, kH } winner = kKept;
    const Block p = planarBlock(image, width, startx, starty);
    const double pe = score(image, decoded, width, startx, starty, p);
    if (pe < err) {
        err = pe;
        kept = p;
        winner = kPlanar;
    }
    unsigned tErr, tw1, tw2, hErr, hw1, hw2;
    thFastest(image, width, startx, starty, tErr, tw1, tw2, hErr, hw1, hw2);
    Block t, h;
    stuff59bits(tw1, tw2, t.high, t.low);
    stuff58bits(hw1, hw2, h.high, h.low);
    const double te = plainPair ? double(tErr) : score(image, decoded, width, startx, starty, t);
    if (te < err) {
        err = te;
        kept = t;
        winner = kT;
    }
    const double he = plainPair ? double(hErr) : score(image, decoded, width, startx, starty, h);
    if (he < err) {
        err = he;
        kept = h;
        winner = kH;
    }
    if (winner == kT) {
        // The plain fastest T block is the fast encoder's second candidate.
        const unsigned fastest[3] = {tErr, tw1, tw2};
        unsigned w1, w2;
        const unsigned e2 = tFastWithFastest(image, width, startx, starty, plainPair ? fastest : nullptr, w1, w2);
        Block t2;
        stuff59bits(w1, w2, t2.high, t2.low);
        if ((plainPair ? double(e2) : score(image, decoded, width, startx, starty, t2)) < err) kept = t2;
    } else if (winner == kH) {
        unsigned w1, w2;
        const unsigned e2 = compressBlockTHUMB58HFast(image, width, startx, starty, w1, w2);
        Block h2;
        stuff58bits(w1, w2, h2.high, h2.low);
        if ((plainPair ? double(e2) : score(image, decoded, width, startx, starty, h2)) < err) kept = h2;
    }
}

void punchThrough(const uint8_t* image, const uint8_t* alphaImage, uint8_t* decoded, int width,
                  int startx, int starty, Block& kept) {
    uint8_t decodedAlpha[16];
    auto score = [&](const Block& b) {
        decompressBlockETC21BitAlpha(b.high, b.low, decoded, decodedAlpha, 4, 0, 0);
        return calcBlockErrorRGBA(image, alphaImage, decoded, width, startx, starty);
    };
    Block a;
    const unsigned testErr =
        compressBlockDifferentialWithAlpha(true, image, alphaImage, width, startx, starty, a.high, a.low);
    double err = score(a);
    if (double(testErr) != err) std::printf("testerr: %d, etcerr: %lf\n", int(testErr), err);
    kept = a;
    unsigned w1, w2;
    Block b;
    compressBlockTHUMB59TAlpha(image, alphaImage, width, startx, starty, w1, w2);
    stuff59bitsDiffFalse(w1, w2, b.high, b.low);
    const double be = score(b);
    if (be < err) {
        err = be;
        kept = b;
    }
    Block c;
    compressBlockTHUMB58HAlpha(image, alphaImage, width, startx, starty, w1, w2);
    stuff58bitsDiffFalse(w1, w2, c.high, c.low);
    const double ce = score(c);
    if (ce < err) {
        err = ce;
        kept = c;
    }
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            if (alphaImage[(starty + y) * width + startx + x] < 128) return;

    // Opaque block: an ordinary differential block, then the RGB candidates.
    Block d;
    compressBlockDifferentialWithAlpha(false, image, alphaImage, width, startx, starty, d.high, d.low);
    const double de = plainScore(image, decoded, width, startx, starty, d);
    if (de < err) {
        err = de;
        kept = d;
    }
    etc2Candidates(image, decoded, width, startx, starty, kept, err, plainScore, compressBlockTHFastest, true);
}

// The final choice of both exhaustive encoders: the ETC1 start, then differential,
// individual, planar, H and T, each kept only when strictly better than what is kept.
void pickExhaustiveResult(const Block& f, unsigned fErr, const Block& d, unsigned dErr, const Block& i,
                          unsigned iErr, const Block& p, unsigned pErr, unsigned h1, unsigned h2, unsigned hErr,
                          unsigned t1, unsigned t2, unsigned tErr, unsigned int& high, unsigned int& low) {
    Block kept = f;
    unsigned err = fErr;
    if (dErr < err) {
        err = dErr;
        kept = d;
    }
    if (iErr < err) {
        err = iErr;
        kept = i;
    }
    if (pErr < err) {
        err = pErr;
        kept = p;
    }
    if (hErr < err) {
        err = hErr;
        stuff58bits(h1, h2, kept.high, kept.low);
    }
    if (tErr < err) stuff59bits(t1, t2, kept.high, kept.low);
    high = kept.high;
    low = kept.low;
}

}  // namespace

void compressBlockETC2Fast(const uint8_t* image, const uint8_t* alphaImage, uint8_t* decoded,
                           int width, int height, int startx, int starty, unsigned int& high,
                           unsigned int& low, unsigned int format) {
    (void)height;
    Block kept;
    if (format == ePF_ETC2_RGB_A1) {
        punchThrough(image, alphaImage, decoded, width, startx, starty, kept);
    } else {
        // The fast ETC1 error is the exact plain error of its block.
        const double err = compressBlockDiffFlipFast(image, decoded, width, startx, starty, kept.high, kept.low);
        etc2Candidates(image, decoded, width, startx, starty, kept, err, plainScore, compressBlockTHFastest, true);
    }
    high = kept.high;
    low = kept.low;
}

void compressBlockETC2FastPerceptual(const uint8_t* image, uint8_t* decoded, int width,
                                     int startx, int starty, unsigned int& high,
                                     unsigned int& low) {
    Block kept;
    const double err = 1000.0 * compressBlockDiffFlipFastPerceptual(image, decoded, width, startx,
                                                                    starty, kept.high, kept.low);
    etc2Candidates(image, decoded, width, startx, starty, kept, err, percepScore,
                   compressBlockTHFastestPerceptual1000, false);
    high = kept.high;
    low = kept.low;
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
    unsigned bound = std::min(std::min(fErr, kPlainCeiling), p0Err);
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

    Block p;
    stuff57bits(p1, p2, p.high, p.low);
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
    const unsigned fErr = fScaled >= double(kPercepCeiling) ? kPercepCeiling : unsigned(fScaled);
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

    Block p;
    stuff57bits(p1, p2, p.high, p.low);
    const unsigned pScore = percep1000Score(image, decoded, width, startx, starty, p);
    pickExhaustiveResult(f, fErr, d, dErr, i, iErr, p, pScore, h1, h2, hErr, t1, t2, tErr, high, low);
}

}  // namespace qeltexture
