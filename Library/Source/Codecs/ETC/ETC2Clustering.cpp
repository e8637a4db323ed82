// Two-colour clustering (LBG) of a block, the source of the T and H colour pairs.
// Every call reseeds its own generator with 10000, so a block's result depends on that
// block alone and encoding is thread-safe.
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

template <Space space>
inline double distance(const double p[3], const double cw[3]) {
    switch (space) {
        case Space::HalfIntensity: {
            const double di = p[0] - cw[0], du = p[1] - cw[1], dv = p[2] - cw[2];
            return 0.5 * di * di + du * du + dv * dv;
        }
        case Space::NotIntensity: {
            const double du = p[1] - cw[1], dv = p[2] - cw[2];
            return du * du + dv * dv;
        }
        default: {
            double sum = 0.0;
            for (int c = 0; c < 3; ++c) {
                const double d = p[c] - roundHalfAway(cw[c]);
                sum += d * d;
            }
            return sum;
        }
    }
}

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

template <Space space>
void clusterFloat(const uint8_t* image, int width, int startx, int starty, bool restartAlways,
                  uint8_t colors[2][3]) {
    ETCRandom rng(10000);
    double points[16][3];
    for (int i = 0; i < 16; ++i)
        toSpace(space, image + 3 * ((starty + i / 4) * width + startx + i % 4), points[i]);
    double lo[3] = {points[0][0], points[0][1], points[0][2]};
    double hi[3] = {lo[0], lo[1], lo[2]};
    for (int i = 1; i < 16; ++i)
        for (int c = 0; c < 3; ++c) {
            if (points[i][c] < lo[c]) lo[c] = points[i][c];
            if (points[i][c] > hi[c]) hi[c] = points[i][c];
        }
    double best = kInitialError;
    double bestCodewords[2][3] = {{0, 0, 0}, {0, 0, 0}};
    for (int start = 0; start < kMaxStarts; ++start) {
        double cw[2][3];
        for (int j = 0; j < 2; ++j)
            for (int c = 0; c < 3; ++c)
                cw[j][c] = double(rng.next()) / double(ETCRandom::kMax) * (hi[c] - lo[c]) + lo[c];
        bool emptyCodeword = false;
        double previous = -1.0;
        for (int round = 0; round < kMaxRounds; ++round) {
            double sum[2][3] = {{0, 0, 0}, {0, 0, 0}};
            int count[2] = {0, 0};
            double error = 0.0;
            for (int i = 0; i < 16; ++i) {
                const double d0 = distance<space>(points[i], cw[0]);
                const double d1 = distance<space>(points[i], cw[1]);
                const int j = d0 < d1 ? 0 : 1;  // a tie goes to codeword 1
                error += j == 0 ? d0 : d1;
                ++count[j];
                for (int c = 0; c < 3; ++c) sum[j][c] += points[i][c];
            }
            if (error < best) {
                best = error;
                for (int j = 0; j < 2; ++j)
                    for (int c = 0; c < 3; ++c) bestCodewords[j][c] = cw[j][c];
            }
            if (count[0] == 0 || count[1] == 0) {
                emptyCodeword = true;
                break;
            }
            for (int j = 0; j < 2; ++j)
                for (int c = 0; c < 3; ++c) cw[j][c] = sum[j][c] / count[j];
            if (error == 0.0 || (round > 0 && error == previous)) break;
            previous = error;
        }
        if (!emptyCodeword && !restartAlways) break;
    }
    finish(space, bestCodewords, colors);
}

// RGB clustering in integer arithmetic (no restart after convergence).
void clusterInteger(const uint8_t* image, int width, int startx, int starty, uint8_t colors[2][3]) {
    ETCRandom rng(10000);
    int points[16][3];
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        const uint8_t* p = image + 3 * ((starty + i / 4) * width + startx + i % 4);
        for (int c = 0; c < 3; ++c) {
            points[i][c] = p[c];
            if (p[c] < lo[c]) lo[c] = p[c];
            if (p[c] > hi[c]) hi[c] = p[c];
        }
    }
    int best = int(kInitialError);
    int bestCodewords[2][3] = {{0, 0, 0}, {0, 0, 0}};
    for (int start = 0; start < kMaxStarts; ++start) {
        int cw[2][3];
        for (int j = 0; j < 2; ++j)
            for (int c = 0; c < 3; ++c)
                cw[j][c] = int(double(rng.next()) / double(ETCRandom::kMax) * (hi[c] - lo[c]) + lo[c]);
        bool emptyCodeword = false;
        int previous = -1;
        for (int round = 0; round < kMaxRounds; ++round) {
            int sum[2][3] = {{0, 0, 0}, {0, 0, 0}};
            int count[2] = {0, 0};
            int error = 0;
            for (int i = 0; i < 16; ++i) {
                int d[2] = {0, 0};
                for (int j = 0; j < 2; ++j)
                    for (int c = 0; c < 3; ++c) {
                        const int diff = points[i][c] - cw[j][c];
                        d[j] += diff * diff;
                    }
                const int j = d[0] < d[1] ? 0 : 1;
                error += d[j];
                ++count[j];
                for (int c = 0; c < 3; ++c) sum[j][c] += points[i][c];
            }
            if (error < best) {
                best = error;
                for (int j = 0; j < 2; ++j)
                    for (int c = 0; c < 3; ++c) bestCodewords[j][c] = cw[j][c];
            }
            if (count[0] == 0 || count[1] == 0) {
                emptyCodeword = true;
                break;
            }
            for (int j = 0; j < 2; ++j)
                for (int c = 0; c < 3; ++c) cw[j][c] = sum[j][c] / count[j];
            if (error == 0 || (round > 0 && error == previous)) break;
            previous = error;
        }
        if (!emptyCodeword) break;
    }
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
