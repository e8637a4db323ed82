#pragma once
// Straightforward versions of the fast ETC2 colour encoder and its building blocks;
// the library's restructured versions must give identical results.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC1TableFit.h"
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCRandom.h"
#include "Codecs/ETC/ETCTables.h"
#include "ETCTestBlocks.h"

namespace etc2simple {

using etctest::Block;

// The kinds of etctest::randomBlocks, then flat blocks, near-flat ones (+-2 noise)
// and flat ones with a single outlier pixel.
inline std::vector<Block> variedBlocks(size_t count, uint32_t seed) {
    std::vector<Block> out = etctest::randomBlocks(count - count / 2, seed);
    std::mt19937 rng(seed ^ 0x5bd1e995u);
    for (size_t k = out.size(); k < count; ++k) {
        Block blk(48);
        int base[3];
        for (int& b : base) b = int(rng() % 256);
        const int outlier = int(rng() % 16);
        for (int i = 0; i < 48; ++i) {
            int v = base[i % 3];
            if (k % 3 == 1) v += int(rng() % 5) - 2;
            if (k % 3 == 2 && i / 3 == outlier) v = int(rng() % 256);
            blk[i] = uint8_t(std::clamp(v, 0, 255));
        }
        out.push_back(blk);
    }
    return out;
}

// ---- Two-colour clustering ----
// A fresh generator seeded with 10000 per call; nearest codeword per pixel (ties to
// codeword 1), sums in pixel order. RGBInteger truncates start points and means.
enum class Space { HalfIntensity, NotIntensity, RGBRounded, RGBInteger };

inline double roundHalfAway(double v) { return v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5); }

inline void cluster(Space space, bool restartAlways, const uint8_t* image, int width, int startx,
                    int starty, uint8_t colors[2][3]) {
    const double s2 = 1.0 / std::sqrt(2.0), s3 = 1.0 / std::sqrt(3.0), s6 = 1.0 / std::sqrt(6.0);
    const bool rgb = space >= Space::RGBRounded, integer = space == Space::RGBInteger;
    qeltexture::ETCRandom rng(10000);
    double pt[16][3], lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (int i = 0; i < 16; ++i) {
        const uint8_t* p = image + 3 * ((starty + i / 4) * width + startx + i % 4);
        const double r = p[0], g = p[1], b = p[2];
        const double rotated[3] = {(r + g + b) * s3, (r - g) * s2, (r + g - 2.0 * b) * s6};
        for (int c = 0; c < 3; ++c) {
            pt[i][c] = rgb ? p[c] : rotated[c];
            lo[c] = std::min(lo[c], pt[i][c]);
            hi[c] = std::max(hi[c], pt[i][c]);
        }
    }
    // Rotated spaces: intensity weighted 0.5 or ignored; RGB: to the rounded codeword.
    auto dist = [&](const double p[3], const double cw[3]) {
        double sum = 0.0;
        for (int c = 0; c < 3; ++c) {
            const double d = p[c] - (rgb ? roundHalfAway(cw[c]) : cw[c]);
            sum += (c > 0 || rgb) ? d * d : space == Space::HalfIntensity ? 0.5 * d * d : 0.0;
        }
        return sum;
    };
    double best = 12582912.0, bestCw[2][3] = {};
    for (int start = 0; start < 10; ++start) {
        double cw[2][3];
        for (auto& w : cw)
            for (int c = 0; c < 3; ++c) {
                w[c] = double(rng.next()) / double(qeltexture::ETCRandom::kMax) * (hi[c] - lo[c]) + lo[c];
                if (integer) w[c] = std::floor(w[c]);
            }
        bool empty = false;
        double previous = -1.0;
        for (int round = 0; round < 10; ++round) {
            double sum[2][3] = {}, error = 0.0;
            int count[2] = {0, 0};
            for (int i = 0; i < 16; ++i) {
                const double d0 = dist(pt[i], cw[0]), d1 = dist(pt[i], cw[1]);
                const int j = d0 < d1 ? 0 : 1;
                error += j == 0 ? d0 : d1;
                ++count[j];
                for (int c = 0; c < 3; ++c) sum[j][c] += pt[i][c];
            }
            if (error < best) {
                best = error;
                std::copy(&cw[0][0], &cw[0][0] + 6, &bestCw[0][0]);
            }
            empty = count[0] == 0 || count[1] == 0;
            if (empty) break;
            for (int j = 0; j < 2; ++j)
                for (int c = 0; c < 3; ++c) cw[j][c] = integer ? std::floor(sum[j][c] / count[j]) : sum[j][c] / count[j];
            if (error == 0.0 || (round > 0 && error == previous)) break;
            previous = error;
        }
        if (!empty && !restartAlways) break;
    }
    for (int j = 0; j < 2; ++j) {
        const double* w = bestCw[j];
        const double back[3] = {w[0] * s3 + w[1] * s2 + w[2] * s6, w[0] * s3 - w[1] * s2 + w[2] * s6,
                                w[0] * s3 - 2.0 * w[2] * s6};
        for (int c = 0; c < 3; ++c) colors[j][c] = uint8_t(roundHalfAway(std::clamp(rgb ? w[c] : back[c], 0.0, 255.0)));
    }
}

using ClusterFn = void (*)(const uint8_t*, int, int, int, uint8_t[2][3]);
template <Space S, bool restartAlways>
void clusterIn(const uint8_t* im, int w, int x, int y, uint8_t c[2][3]) {
    cluster(S, restartAlways, im, w, x, y, c);
}
constexpr ClusterFn halfIntensityFast = clusterIn<Space::HalfIntensity, false>;
constexpr ClusterFn notIntensityFast = clusterIn<Space::NotIntensity, false>;
constexpr ClusterFn notIntensity = clusterIn<Space::NotIntensity, true>;
constexpr ClusterFn rgbRounded = clusterIn<Space::RGBRounded, true>;
constexpr ClusterFn rgbInteger = clusterIn<Space::RGBInteger, false>;

// ---- T and H scoring of a clustered pair ----
inline int clampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// The pair quantised to 4 bits; T tries both orders, H sorts them as 12-bit values
// (equal ones become v - 1, v, or 0, 1). Each pixel takes the nearest paint colour
// (ties to the lower index); the first distance with the smallest error wins.
inline unsigned modeBlock(bool tMode, const uint8_t* image, int width, int startx, int starty,
                          const uint8_t clustered[2][3], unsigned& word1, unsigned& word2) {
    uint8_t q[2][3];
    unsigned v[2];
    for (int j = 0; j < 2; ++j) {
        for (int c = 0; c < 3; ++c) q[j][c] = uint8_t((15 * clustered[j][c] + 120) / 255);
        v[j] = unsigned(q[j][0]) << 8 | unsigned(q[j][1]) << 4 | q[j][2];
    }
    if (!tMode) {
        if (v[0] > v[1]) std::swap(v[0], v[1]);
        else if (v[0] == v[1]) v[0] == 0 ? ++v[1] : --v[0];
        for (int j = 0; j < 2; ++j)
            for (int c = 0; c < 3; ++c) q[j][c] = uint8_t((v[j] >> (8 - 4 * c)) & 15);
    }
    unsigned best = ~0u;
    for (int order = 0; order < (tMode ? 2 : 1); ++order)
        for (int k = 0; k < 8; ++k) {
            const int d = qeltexture::table58H[k];
            const uint8_t ordered[2][3] = {{q[order][0], q[order][1], q[order][2]},
                                           {q[1 - order][0], q[1 - order][1], q[1 - order][2]}};
            int pal[4][3];
            for (int c = 0; c < 3; ++c) {
                const int c0 = ordered[0][c] * 17, c1 = ordered[1][c] * 17;
                const int t[4] = {c0, c1 + d, c1, c1 - d}, h[4] = {c0 + d, c0 - d, c1 + d, c1 - d};
                for (int m = 0; m < 4; ++m) pal[m][c] = clampByte(tMode ? t[m] : h[m]);
            }
            unsigned e = 0, indices = 0;
            for (int i = 0; i < 16; ++i) {
                const uint8_t* p = image + 3 * ((starty + i / 4) * width + startx + i % 4);
                unsigned pixelBest = ~0u, index = 0;
                for (unsigned m = 0; m < 4; ++m) {
                    unsigned pe = 0;
                    for (int c = 0; c < 3; ++c) pe += unsigned((pal[m][c] - p[c]) * (pal[m][c] - p[c]));
                    if (pe < pixelBest) {
                        pixelBest = pe;
                        index = m;
                    }
                }
                e += pixelBest;
                indices = (indices << 2) | index;
            }
            if (e >= best) continue;
            best = e;
            if (tMode) {
                word1 = qeltexture::packT59Word1(ordered, uint8_t(k));
                word2 = qeltexture::indexConversion(indices);
            } else {
                qeltexture::packH58(ordered, uint8_t(k), indices, word1, word2);
            }
        }
    return best;
}

// The T (or H) encoder over the given clusterings; later ones win only when strictly better.
inline unsigned modeFromClusterings(bool tMode, std::initializer_list<ClusterFn> clusterings, const uint8_t* image,
                                    int width, int startx, int starty, unsigned& word1, unsigned& word2) {
    unsigned best = ~0u;
    for (ClusterFn fn : clusterings) {
        uint8_t colors[2][3];
        fn(image, width, startx, starty, colors);
        unsigned w1 = 0, w2 = 0;
        const unsigned e = modeBlock(tMode, image, width, startx, starty, colors, w1, w2);
        if (e < best) {
            best = e;
            word1 = w1;
            word2 = w2;
        }
    }
    return best;
}
const std::initializer_list<ClusterFn> kTFast = {notIntensityFast, halfIntensityFast, rgbInteger};
const std::initializer_list<ClusterFn> kHFast = {notIntensity, rgbRounded};

// ---- ETC1 fast encoder: average and combined encoders, decoded and compared ----
// One split (flip 0: left/right, 1: top/bottom): 555 codes of the half averages when
// their deltas fit, else 444 codes (rounded or combined); the best table per half.
inline unsigned etc1Split(const uint8_t* image, int width, int startx, int starty, bool combined, bool flip,
                          unsigned& high, unsigned& low) {
    using namespace qeltexture::etc1detail;
    double avg[2][3];
    int code[2][3];
    bool differential = true;
    for (int h = 0; h < 2; ++h) {
        int sum[3] = {0, 0, 0};
        for (int i = 0; i < 8; ++i) {
            const int x = flip ? i % 4 : 2 * h + i % 2, y = flip ? 2 * h + i / 4 : i / 2;
            for (int c = 0; c < 3; ++c) sum[c] += image[3 * ((starty + y) * width + startx + x) + c];
        }
        for (int c = 0; c < 3; ++c) {
            avg[h][c] = sum[c] * 0.125;
            code[h][c] = int(31.0 * avg[h][c] / 255.0 + 0.5);
        }
        if (combined) qeltexture::quantize555ColorCombined(avg[h], code[h]);
    }
    for (int c = 0; c < 3; ++c) differential = differential && code[1][c] - code[0][c] >= -4 && code[1][c] - code[0][c] <= 3;
    HalfFit fit[2];
    unsigned err = 0;
    for (int h = 0; h < 2; ++h) {
        if (!differential) {
            for (int c = 0; c < 3; ++c) code[h][c] = int(avg[h][c] / 17.0 + 0.5 + 0.0001);
            if (combined) qeltexture::quantize444ColorCombined(avg[h], code[h]);
        }
        uint8_t colour[3];
        for (int c = 0; c < 3; ++c) colour[c] = differential ? expand5(code[h][c]) : expand4(code[h][c]);
        err += fitHalfAllTables<PlainMetric>(image, width, startx + (flip ? 0 : 2 * h), starty + (flip ? 2 * h : 0),
                                             flip ? kHalf4x2 : kHalf2x4, colour, fit[h].table, fit[h].msb, fit[h].lsb);
    }
    packBlock(differential, flip, code, fit, high, low);
    return err;
}

inline double etc1Fast(const uint8_t* image, int width, int startx, int starty, unsigned& high, unsigned& low) {
    uint8_t decoded[48];
    double err[2];
    unsigned hi[2], lo[2];
    for (int combined = 0; combined < 2; ++combined) {
        unsigned h[2], l[2];
        const unsigned e0 = etc1Split(image, width, startx, starty, combined != 0, false, h[0], l[0]);
        const int flip = etc1Split(image, width, startx, starty, combined != 0, true, h[1], l[1]) < e0 ? 1 : 0;
        hi[combined] = h[flip];
        lo[combined] = l[flip];
        qeltexture::decompressBlockDiffFlip(hi[combined], lo[combined], decoded, 4, 0, 0);
        err[combined] = qeltexture::calcBlockErrorRGB(image, decoded, width, startx, starty);
    }
    const int k = err[1] < err[0] ? 1 : 0;
    high = hi[k];
    low = lo[k];
    return err[k];
}

// ---- The whole fast ETC2 encoder (RGB) ----
// ETC1, then planar, T and H (fastest) each kept when strictly better; a winning T or
// H is refined by its fast encoder, kept when strictly better.
inline void etc2Fast(const uint8_t* image, int width, int startx, int starty, unsigned& high, unsigned& low) {
    using namespace qeltexture;
    enum { kETC1, kPlanar, kT, kH };
    double err = etc1Fast(image, width, startx, starty, high, low);
    int winner = kETC1;
    auto consider = [&](int mode, unsigned w1, unsigned w2) {
        unsigned h, l;
        (mode == kPlanar ? stuff57bits : mode == kT ? stuff59bits : stuff58bits)(w1, w2, h, l);
        uint8_t decoded[48];
        decompressBlockETC2(h, l, decoded, 4, 0, 0);
        const double e = calcBlockErrorRGB(image, decoded, width, startx, starty);
        if (e < err) {
            err = e;
            high = h;
            low = l;
            winner = mode;
        }
    };
    unsigned w1, w2;
    compressBlockPlanar57(image, width, startx, starty, w1, w2);
    consider(kPlanar, w1, w2);
    for (int mode : {kT, kH}) {
        modeFromClusterings(mode == kT, {halfIntensityFast}, image, width, startx, starty, w1, w2);
        consider(mode, w1, w2);
    }
    if (winner == kT || winner == kH) {
        modeFromClusterings(winner == kT, winner == kT ? kTFast : kHFast, image, width, startx, starty, w1, w2);
        consider(winner, w1, w2);
    }
}

}  // namespace etc2simple
