// Two-colour clustering (LBG) of a block, the source of the T and H colour pairs.
// Every call starts the generator afresh with seed 10000, so a block's result depends on
// that block alone and encoding is thread-safe.
//
// Choices where the algorithm leaves room:
//  - a start's first assignment round always counts as "changed";
//  - the restarting variants run all 10 starts; the fast ones start again only after
//    a start that left a codeword without pixels;
//  - computeColorLBG measures distances to its codewords rounded to integers (half
//    away from zero) but moves them to unrounded means;
//  - computeColorLBGfast keeps integer codewords: a drawn start coordinate and a mean
//    are truncated toward zero.
#include <cmath>

#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETCRandom.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qeltexture {

namespace {

constexpr double kInitialError = 12582912.0;
constexpr int kMaxStarts = 10;
constexpr int kMaxRounds = 10;

const double kInvSqrt2 = 1.0 / std::sqrt(2.0);
const double kInvSqrt3 = 1.0 / std::sqrt(3.0);
const double kInvSqrt6 = 1.0 / std::sqrt(6.0);

enum class Space { HalfIntensity, NotIntensity, RGBRounded };

void toSpace(Space space, const uint8_t* p, double out[3]) {
    const double r = p[0], g = p[1], b = p[2];
    if (space == Space::RGBRounded) {
        out[0] = r;
        out[1] = g;
        out[2] = b;
        return;
    }
    out[0] = (r + g + b) * kInvSqrt3;
    out[1] = (r - g) * kInvSqrt2;
    out[2] = (r + g - 2.0 * b) * kInvSqrt6;
}

void fromSpace(Space space, const double in[3], double rgb[3]) {
    if (space == Space::RGBRounded) {
        rgb[0] = in[0];
        rgb[1] = in[1];
        rgb[2] = in[2];
        return;
    }
    // The rotation is orthonormal: its inverse is its transpose.
    rgb[0] = in[0] * kInvSqrt3 + in[1] * kInvSqrt2 + in[2] * kInvSqrt6;
    rgb[1] = in[0] * kInvSqrt3 - in[1] * kInvSqrt2 + in[2] * kInvSqrt6;
    rgb[2] = in[0] * kInvSqrt3 - 2.0 * in[2] * kInvSqrt6;
}

inline double roundHalfAway(double v) { return v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5); }

void finish(Space space, const double codewords[2][3], uint8_t colors[2][3]) {
    for (int j = 0; j < 2; ++j) {
        double rgb[3];
        fromSpace(space, codewords[j], rgb);
        for (int c = 0; c < 3; ++c) {
            const double v = rgb[c] < 0.0 ? 0.0 : (rgb[c] > 255.0 ? 255.0 : rgb[c]);
            colors[j][c] = uint8_t(roundHalfAway(v));
        }
    }
}

// Every call reseeds the generator with the same seed, so every call draws the same
// numbers: they are worked out once, as the fractions rand() / RAND_MAX the starts
// scale (the same doubles the division gives at each call).
struct StartDraws {
    double fraction[kMaxStarts][2][3];
    StartDraws() {
        ETCRandom rng(10000);
        for (int s = 0; s < kMaxStarts; ++s)
            for (int j = 0; j < 2; ++j)
                for (int c = 0; c < 3; ++c) fraction[s][j][c] = double(rng.next()) / double(ETCRandom::kMax);
    }
};

const StartDraws& startDraws() {
    static const StartDraws draws;
    return draws;
}

// The block's points in the variant's space, one array per coordinate.
struct Points {
    double p[3][16];
    double lo[3], hi[3];  // bounding box
    Points(Space space, const uint8_t* image, int width, int startx, int starty) {
        for (int i = 0; i < 16; ++i) {
            double q[3];
            toSpace(space, image + 3 * ((starty + i / 4) * width + startx + i % 4), q);
            for (int c = 0; c < 3; ++c) p[c][i] = q[c];
        }
        for (int c = 0; c < 3; ++c) {
            lo[c] = hi[c] = p[c][0];
            for (int i = 1; i < 16; ++i) {
                if (p[c][i] < lo[c]) lo[c] = p[c][i];
                if (p[c][i] > hi[c]) hi[c] = p[c][i];
            }
        }
    }
};

// Squared distances of all 16 points to one codeword, in one loop over the points
// (the compiler vectorises it; no operation is fused or reordered, so every value is
// the one the per-point formula gives).
template <Space space>
inline void distances(const Points& pts, const double cw[3], double d[16]) {
    if (space == Space::HalfIntensity) {
        for (int i = 0; i < 16; ++i) {
            const double di = pts.p[0][i] - cw[0], du = pts.p[1][i] - cw[1], dv = pts.p[2][i] - cw[2];
            d[i] = 0.5 * di * di + du * du + dv * dv;
        }
    } else if (space == Space::NotIntensity) {
        for (int i = 0; i < 16; ++i) {
            const double du = pts.p[1][i] - cw[1], dv = pts.p[2][i] - cw[2];
            d[i] = du * du + dv * dv;
        }
    } else {
        // Distances are to the codeword rounded to integers; rounding it once per round
        // gives the same values as rounding it per point.
        const double r[3] = {roundHalfAway(cw[0]), roundHalfAway(cw[1]), roundHalfAway(cw[2])};
        for (int i = 0; i < 16; ++i) {
            const double d0 = pts.p[0][i] - r[0], d1 = pts.p[1][i] - r[1], d2 = pts.p[2][i] - r[2];
            d[i] = d0 * d0 + d1 * d1 + d2 * d2;
        }
    }
}

// One assignment round: each point to the nearer codeword (a tie goes to codeword 1),
// the error and the coordinate sums of each codeword formed in pixel order.
template <class T>
struct AssignmentT {
    T error;
    T sum[2][3];
    int count0;
    unsigned mask;  // bit i: point i went to codeword 0
};
using Assignment = AssignmentT<double>;

#if defined(__SSE2__)
// Without branches (the assignments are unpredictable): a point adds +0.0 to the sums
// of the codeword it is not assigned to, which leaves them unchanged, as no
// coordinate, and so no sum, is ever -0.0.
inline Assignment assign(const Points& pts, const double d0[16], const double d1[16]) {
    const __m128d allOnes = _mm_castsi128_pd(_mm_set1_epi32(-1));
    __m128d errorSum = _mm_setzero_pd();
    __m128d sums[3] = {errorSum, errorSum, errorSum};  // (codeword 0, codeword 1)
    Assignment a;
    a.count0 = 0;
    a.mask = 0;
    for (int i = 0; i < 16; ++i) {
        const __m128d x = _mm_load_sd(&d0[i]), y = _mm_load_sd(&d1[i]);
        const __m128d to0 = _mm_cmplt_sd(x, y);
        errorSum = _mm_add_sd(errorSum, _mm_or_pd(_mm_and_pd(to0, x), _mm_andnot_pd(to0, y)));
        const int bit = _mm_movemask_pd(to0) & 1;
        a.count0 += bit;
        a.mask |= unsigned(bit) << i;
        const __m128d lanes = _mm_unpacklo_pd(to0, _mm_xor_pd(to0, allOnes));
        for (int c = 0; c < 3; ++c) sums[c] = _mm_add_pd(sums[c], _mm_and_pd(lanes, _mm_set1_pd(pts.p[c][i])));
    }
    a.error = _mm_cvtsd_f64(errorSum);
    for (int c = 0; c < 3; ++c) {
        a.sum[0][c] = _mm_cvtsd_f64(sums[c]);
        a.sum[1][c] = _mm_cvtsd_f64(_mm_unpackhi_pd(sums[c], sums[c]));
    }
    return a;
}
#else
inline Assignment assign(const Points& pts, const double d0[16], const double d1[16]) {
    Assignment a = {0.0, {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}}, 0, 0};
    for (int i = 0; i < 16; ++i) {
        const int j = d0[i] < d1[i] ? 0 : 1;
        a.error += j == 0 ? d0[i] : d1[i];
        if (j == 0) {
            ++a.count0;
            a.mask |= 1u << i;
        }
        for (int c = 0; c < 3; ++c) a.sum[j][c] += pts.p[c][i];
    }
    return a;
}
#endif

// The LBG iteration shared by every variant, over codewords of type T (double, or int
// for the integer variant, whose start coordinates and means truncate). `round`
// assigns the points to two codewords. Returns the best codewords in `best`.
template <class T, class Round>
void lbg(const T lo[3], const T hi[3], bool restartAlways, Round round, T bestCodewords[2][3]) {
    const StartDraws& draws = startDraws();
    T best = T(kInitialError);
    for (int start = 0; start < kMaxStarts; ++start) {
        T cw[2][3];
        for (int j = 0; j < 2; ++j)
            for (int c = 0; c < 3; ++c) cw[j][c] = T(draws.fraction[start][j][c] * (hi[c] - lo[c]) + lo[c]);
        bool emptyCodeword = false;
        T previous = T(-1);
        unsigned previousAssignment = 0;
        for (int r = 0; r < kMaxRounds; ++r) {
            const AssignmentT<T> a = round(cw);
            const int count0 = a.count0, count1 = 16 - a.count0;
            if (a.error < best) {
                best = a.error;
                for (int j = 0; j < 2; ++j)
                    for (int c = 0; c < 3; ++c) bestCodewords[j][c] = cw[j][c];
            }
            if (count0 == 0 || count1 == 0) {
                emptyCodeword = true;
                break;
            }
            for (int c = 0; c < 3; ++c) {
                cw[0][c] = a.sum[0][c] / count0;
                cw[1][c] = a.sum[1][c] / count1;
            }
            if (a.error == T(0) || (r > 0 && a.error == previous)) break;
            // The same assignment as in the round before gives the same means, so the
            // codewords just computed equal the ones this round used: the next round
            // would repeat this error and stop without a change. Stop now.
            if (r > 0 && a.mask == previousAssignment) break;
            previous = a.error;
            previousAssignment = a.mask;
        }
        if (!emptyCodeword && !restartAlways) break;
    }
}

template <Space space>
void clusterFloat(const uint8_t* image, int width, int startx, int starty, bool restartAlways,
                  uint8_t colors[2][3]) {
    const Points pts(space, image, width, startx, starty);
    double bestCodewords[2][3] = {{0, 0, 0}, {0, 0, 0}};
    lbg<double>(pts.lo, pts.hi, restartAlways, [&pts](const double cw[2][3]) {
        double d0[16], d1[16];
        distances<space>(pts, cw[0], d0);
        distances<space>(pts, cw[1], d1);
        return assign(pts, d0, d1);
    }, bestCodewords);
    finish(space, bestCodewords, colors);
}

// RGB clustering in integer arithmetic (no restart after convergence).
void clusterInteger(const uint8_t* image, int width, int startx, int starty, uint8_t colors[2][3]) {
    int points[3][16];
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        const uint8_t* p = image + 3 * ((starty + i / 4) * width + startx + i % 4);
        for (int c = 0; c < 3; ++c) {
            points[c][i] = p[c];
            if (p[c] < lo[c]) lo[c] = p[c];
            if (p[c] > hi[c]) hi[c] = p[c];
        }
    }
    int bestCodewords[2][3] = {{0, 0, 0}, {0, 0, 0}};
    lbg<int>(lo, hi, false, [&points](const int cw[2][3]) {
        int d[2][16];
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 16; ++i) {
                const int dr = points[0][i] - cw[j][0], dg = points[1][i] - cw[j][1], db = points[2][i] - cw[j][2];
                d[j][i] = dr * dr + dg * dg + db * db;
            }
        // Integer sums: exact in any order.
        AssignmentT<int> a = {0, {{0, 0, 0}, {0, 0, 0}}, 0, 0};
        int total[3] = {0, 0, 0};
        for (int i = 0; i < 16; ++i) {
            const int to0 = d[0][i] < d[1][i] ? -1 : 0;
            a.error += to0 ? d[0][i] : d[1][i];
            a.count0 -= to0;
            a.mask |= unsigned(to0 & 1) << i;
            for (int c = 0; c < 3; ++c) {
                a.sum[0][c] += points[c][i] & to0;
                total[c] += points[c][i];
            }
        }
        for (int c = 0; c < 3; ++c) a.sum[1][c] = total[c] - a.sum[0][c];
        return a;
    }, bestCodewords);
    for (int j = 0; j < 2; ++j)
        for (int c = 0; c < 3; ++c) {
            const int v = bestCodewords[j][c];
            colors[j][c] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
}

}  // namespace

void computeColorLBGHalfIntensityFast(const uint8_t* image, int width, int startx, int starty,
                                      uint8_t LBGcolors[2][3]) {
    clusterFloat<Space::HalfIntensity>(image, width, startx, starty, false, LBGcolors);
}
void computeColorLBGNotIntensityFast(const uint8_t* image, int width, int startx, int starty,
                                     uint8_t LBGcolors[2][3]) {
    clusterFloat<Space::NotIntensity>(image, width, startx, starty, false, LBGcolors);
}
void computeColorLBGNotIntensity(const uint8_t* image, int width, int startx, int starty,
                                 uint8_t LBGcolors[2][3]) {
    clusterFloat<Space::NotIntensity>(image, width, startx, starty, true, LBGcolors);
}
void computeColorLBG(const uint8_t* image, int width, int startx, int starty,
                     uint8_t LBGcolors[2][3]) {
    clusterFloat<Space::RGBRounded>(image, width, startx, starty, true, LBGcolors);
}
void computeColorLBGfast(const uint8_t* image, int width, int startx, int starty,
                         uint8_t LBGcolors[2][3]) {
    clusterInteger(image, width, startx, starty, LBGcolors);
}

void quantizeColorsTo444(const uint8_t colors[2][3], uint8_t colors444[2][3]) {
    for (int j = 0; j < 2; ++j)
        for (int c = 0; c < 3; ++c) colors444[j][c] = uint8_t((15 * colors[j][c] + 120) / 255);
}

}  // namespace qeltexture
