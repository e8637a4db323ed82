// The fast ETC1 encoders: base colours from half-block averages, either rounded
// directly (average encoder) or chosen so the quantisation error is as uniform across
// channels as possible (combined encoder), then the best table per half.
#include <algorithm>
#include <type_traits>

#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC1TableFit.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"

namespace qeltexture {

using namespace etc1detail;

namespace {

bool fitsDelta(const int code[2][3]) {
    for (int c = 0; c < 3; ++c) {
        const int d = code[1][c] - code[0][c];
        if (d < -4 || d > 3) return false;
    }
    return true;
}

// Which channels take the upper code in each of the eight combined choices.
constexpr bool kChoiceHigh[8][3] = {{false, false, false}, {true, false, false},
                                    {false, true, false},  {false, false, true},
                                    {true, true, false},   {true, false, true},
                                    {false, true, true},   {true, true, true}};

// The combined quantizer: per channel the code just below the average or the next one
// up, choosing the combination whose per-channel errors are most alike (the table
// modifier shifts all three channels by the same amount).
template <int kBits>
void quantizeCombined(const double average[3], int encoded[3], const double weights[3],
                      bool uniformRule) {
    const double step = kBits == 5 ? 8.225806 : 17.0;
    const int top = (1 << kBits) - 1;
    int lowCode[3], highCode[3];
    double lowErr[3], highErr[3];
    for (int c = 0; c < 3; ++c) {
        lowCode[c] = int(average[c] / step);
        highCode[c] = std::min(lowCode[c] + 1, top);
        const int lowLevel = kBits == 5 ? expand5(lowCode[c]) : expand4(lowCode[c]);
        const int highLevel = kBits == 5 ? expand5(highCode[c]) : expand4(highCode[c]);
        lowErr[c] = lowLevel - average[c];
        highErr[c] = highLevel - average[c];
    }
    int bestChoice = 0;
    double bestErr = 0.0;
    for (int k = 0; k < 8; ++k) {
        double e[3];
        for (int c = 0; c < 3; ++c) e[c] = kChoiceHigh[k][c] ? highErr[c] : lowErr[c];
        const double err = weights[0] * (e[0] - e[1]) * (e[0] - e[1]) +
                           weights[1] * (e[0] - e[2]) * (e[0] - e[2]) +
                           weights[2] * (e[1] - e[2]) * (e[1] - e[2]);
        if (k == 0 || err < bestErr) {
            bestErr = err;
            bestChoice = k;
        }
    }
    if (uniformRule && (bestChoice == 0 || bestChoice == 7)) {
        // All-low and all-high differ by the same shift in every channel, so the
        // distance of the low levels decides.
        const double lowDistance =
            lowErr[0] * lowErr[0] + lowErr[1] * lowErr[1] + lowErr[2] * lowErr[2];
        bestChoice = lowDistance > 192.0 ? 7 : 0;
    }
    for (int c = 0; c < 3; ++c) encoded[c] = kChoiceHigh[bestChoice][c] ? highCode[c] : lowCode[c];
}

constexpr double kPlainPairWeights[3] = {1.0, 1.0, 1.0};
constexpr double kPercepPairWeights[3] = {0.175513, 0.034086, 0.066918};

// Base colour choice of the two encoders for one split.
enum class BaseChoice { Average, Combined };

// Both fast encoders often arrive at the same base colour for a half; the fit depends
// only on the half and that colour, so a block remembers its fits. It also holds the
// four halves' pixels (left, right, top, bottom), loaded once.
struct FitMemo {
    struct Entry {
        int half;
        uint8_t colour[3];
        HalfFit fit;
        unsigned err;
    };
    HalfVectors halves[4];
    Entry entries[8];
    int count = 0;
    FitMemo(const uint8_t* image, int width, int startx, int starty)
        : halves{HalfVectors(image, width, startx, starty, kHalf2x4),
                 HalfVectors(image, width, startx + 2, starty, kHalf2x4),
                 HalfVectors(image, width, startx, starty, kHalf4x2),
                 HalfVectors(image, width, startx, starty + 2, kHalf4x2)} {}
};

// The four half averages of a block, by split (flip) and half.
struct BlockAverages {
    double average[2][2][3];
    BlockAverages(const uint8_t* image, int width, int startx, int starty) {
        for (int flip = 0; flip < 2; ++flip)
            for (int h = 0; h < 2; ++h)
                halfAverage(image, width, startx + (flip ? 0 : 2 * h), starty + (flip ? 2 * h : 0),
                            flip ? kHalf4x2 : kHalf2x4, average[flip][h]);
    }
};

// Fits one half. With a `limit` (plain metric only) the result is exact when below
// the limit and otherwise only known to be at or above it.
template <class M>
typename M::Err fitAll(const uint8_t* image, int width, int sx, int sy, HalfShape shape,
                       const uint8_t colour[3], HalfFit& fit, int, FitMemo*, unsigned) {
    return fitHalfAllTables<M>(image, width, sx, sy, shape, colour, fit.table, fit.msb, fit.lsb);
}
template <>
PlainMetric::Err fitAll<PlainMetric>(const uint8_t* image, int width, int sx, int sy,
                                     HalfShape shape, const uint8_t colour[3], HalfFit& fit,
                                     int half, FitMemo* memo, unsigned limit) {
    if (memo != nullptr)
        for (int i = 0; i < memo->count; ++i) {
            const FitMemo::Entry& e = memo->entries[i];
            if (e.half == half && e.colour[0] == colour[0] && e.colour[1] == colour[1] &&
                e.colour[2] == colour[2]) {
                fit = e.fit;
                return e.err;
            }
        }
    const unsigned err =
        memo != nullptr
            ? fitHalfAllTablesPlainVector(memo->halves[half], shape, colour, fit.table, fit.msb, fit.lsb, limit)
            : fitHalfAllTablesPlainFast(image, width, sx, sy, shape, colour, fit.table, fit.msb, fit.lsb, limit);
    if (err < limit && memo != nullptr && memo->count < 8)  // only exact fits are kept
        memo->entries[memo->count++] = {half, {colour[0], colour[1], colour[2]}, fit, err};
    return err;
}

// One split (flip) of one encoder: base colours from the half averages, mode, and the
// table fit of both halves. Returns the split's error; with a limit (plain metric
// only) it is exact below the limit and otherwise only known to reach it.
template <class M>
typename M::Err encodeSplit(const uint8_t* image, int width, int startx, int starty, int flip,
                            BaseChoice choice, const BlockAverages& averages, FitMemo* memo,
                            unsigned limit, unsigned int& high, unsigned int& low) {
    using Err = typename M::Err;
    const bool perceptual = !std::is_same<M, PlainMetric>::value;
    const HalfShape shape = flip ? kHalf4x2 : kHalf2x4;
    const int sx[2] = {startx, startx + (flip ? 0 : 2)};
    const int sy[2] = {starty, starty + (flip ? 2 : 0)};
    const double(&average)[2][3] = averages.average[flip];
    int code[2][3];
    for (int h = 0; h < 2; ++h) {
        if (choice == BaseChoice::Average) {
            for (int c = 0; c < 3; ++c) code[h][c] = int(31.0 * average[h][c] / 255.0 + 0.5);
        } else if (perceptual) {
            quantize555ColorCombinedPerceptual(average[h], code[h]);
        } else {
            quantize555ColorCombined(average[h], code[h]);
        }
    }
    const bool differential = fitsDelta(code);
    if (!differential) {
        for (int h = 0; h < 2; ++h) {
            if (choice == BaseChoice::Average) {
                for (int c = 0; c < 3; ++c) code[h][c] = int(average[h][c] / 17.0 + 0.5 + 0.0001);
            } else if (perceptual) {
                quantize444ColorCombinedPerceptual(average[h], code[h]);
            } else {
                quantize444ColorCombined(average[h], code[h]);
            }
        }
    }
    HalfFit fit[2];
    Err err = 0;
    for (int h = 0; h < 2; ++h) {
        uint8_t colour[3];
        for (int c = 0; c < 3; ++c) colour[c] = differential ? expand5(code[h][c]) : expand4(code[h][c]);
        const Err e = fitAll<M>(image, width, sx[h], sy[h], shape, colour, fit[h], flip * 2 + h, memo,
                                unsigned(limit - unsigned(err)));
        err += e;
        if (!perceptual && unsigned(err) >= limit) return Err(limit);  // cannot be chosen
    }
    packBlock(differential, flip != 0, code, fit, high, low);
    return err;
}

// Encodes both splits and keeps flip 1 only when strictly better. Returns the error
// of the block by the metric of the table fit.
template <class M>
typename M::Err encodeDiffFlip(const uint8_t* image, int width, int startx, int starty,
                               BaseChoice choice, unsigned int& high, unsigned int& low,
                               const BlockAverages& averages) {
    unsigned h1, l1;
    const typename M::Err e0 =
        encodeSplit<M>(image, width, startx, starty, 0, choice, averages, nullptr, PlainMetric::kInit, high, low);
    const typename M::Err e1 =
        encodeSplit<M>(image, width, startx, starty, 1, choice, averages, nullptr, PlainMetric::kInit, h1, l1);
    if (e1 < e0) {
        high = h1;
        low = l1;
        return e1;
    }
    return e0;
}

}  // namespace

void quantize444ColorCombined(const double averageColour[3], int encodedColour[3]) {
    quantizeCombined<4>(averageColour, encodedColour, kPlainPairWeights, true);
}
void quantize555ColorCombined(const double averageColour[3], int encodedColour[3]) {
    quantizeCombined<5>(averageColour, encodedColour, kPlainPairWeights, false);
}
void quantize444ColorCombinedPerceptual(const double averageColour[3], int encodedColour[3]) {
    quantizeCombined<4>(averageColour, encodedColour, kPercepPairWeights, false);
}
void quantize555ColorCombinedPerceptual(const double averageColour[3], int encodedColour[3]) {
    quantizeCombined<5>(averageColour, encodedColour, kPercepPairWeights, false);
}

void compressBlockDiffFlipAverage(const uint8_t* image, int width, int startx, int starty,
                                  unsigned int& high, unsigned int& low) {
    encodeDiffFlip<PlainMetric>(image, width, startx, starty, BaseChoice::Average, high, low,
                      BlockAverages(image, width, startx, starty));
}
void compressBlockDiffFlipCombined(const uint8_t* image, int width, int startx, int starty,
                                   unsigned int& high, unsigned int& low) {
    encodeDiffFlip<PlainMetric>(image, width, startx, starty, BaseChoice::Combined, high, low,
                      BlockAverages(image, width, startx, starty));
}
void compressBlockDiffFlipAveragePerceptual(const uint8_t* image, int width, int startx,
                                            int starty, unsigned int& high, unsigned int& low) {
    encodeDiffFlip<PercepMetric>(image, width, startx, starty, BaseChoice::Average, high, low,
                      BlockAverages(image, width, startx, starty));
}
void compressBlockDiffFlipCombinedPerceptual(const uint8_t* image, int width, int startx,
                                             int starty, unsigned int& high, unsigned int& low) {
    encodeDiffFlip<PercepMetric>(image, width, startx, starty, BaseChoice::Combined, high, low,
                      BlockAverages(image, width, startx, starty));
}

double compressBlockDiffFlipFast(const uint8_t* image, uint8_t* decoded, int width, int startx,
                                 int starty, unsigned int& high, unsigned int& low) {
    // The plain table-fit error of a block is exactly its decoded squared error (same
    // clamped reconstructions, integer sums), so the fit errors stand in for decoding.
    // Each split is only worked out as far as it could still be chosen: the average
    // encoder's flip 1 must beat its flip 0, and the combined block must beat the
    // average block (its flip 1 winning within it when below its flip 0).
    (void)decoded;
    const BlockAverages averages(image, width, startx, starty);
    FitMemo memo(image, width, startx, starty);
    unsigned h0, l0, h1, l1;
    const unsigned a0 = encodeSplit<PlainMetric>(image, width, startx, starty, 0, BaseChoice::Average,
                                                 averages, &memo, PlainMetric::kInit, h0, l0);
    const unsigned a1 = encodeSplit<PlainMetric>(image, width, startx, starty, 1, BaseChoice::Average,
                                                 averages, &memo, a0, h1, l1);
    unsigned best = a0;
    high = h0;
    low = l0;
    if (a1 < a0) {
        best = a1;
        high = h1;
        low = l1;
    }
    const unsigned c0 = encodeSplit<PlainMetric>(image, width, startx, starty, 0, BaseChoice::Combined,
                                                 averages, &memo, best, h0, l0);
    // Combined flip 1 needs to beat flip 0 when that is below the average block, and
    // the average block otherwise (then it is below flip 0 too).
    const unsigned limit1 = c0 < best ? c0 : best;
    const unsigned c1 = encodeSplit<PlainMetric>(image, width, startx, starty, 1, BaseChoice::Combined,
                                                 averages, &memo, limit1, h1, l1);
    if (c1 < limit1) {
        high = h1;
        low = l1;
        return double(c1);
    }
    if (c0 < best) {
        high = h0;
        low = l0;
        return double(c0);
    }
    return double(best);
}

double compressBlockDiffFlipFastPerceptual(const uint8_t* image, uint8_t* decoded, int width,
                                           int startx, int starty, unsigned int& high,
                                           unsigned int& low) {
    unsigned averageHigh, averageLow, combinedHigh, combinedLow;
    compressBlockDiffFlipAveragePerceptual(image, width, startx, starty, averageHigh, averageLow);
    decompressBlockDiffFlip(averageHigh, averageLow, decoded, 4, 0, 0);
    const double averageErr = calcBlockPerceptualErrorRGB(image, decoded, width, startx, starty);
    compressBlockDiffFlipCombinedPerceptual(image, width, startx, starty, combinedHigh, combinedLow);
    decompressBlockDiffFlip(combinedHigh, combinedLow, decoded, 4, 0, 0);
    const double combinedErr = calcBlockPerceptualErrorRGB(image, decoded, width, startx, starty);
    if (combinedErr < averageErr) {
        high = combinedHigh;
        low = combinedLow;
        return combinedErr;
    }
    high = averageHigh;
    low = averageLow;
    return averageErr;
}

}  // namespace qeltexture
