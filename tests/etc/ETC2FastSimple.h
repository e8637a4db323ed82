#pragma once
// Straightforward versions of the fast ETC2 colour encoder's building blocks, written
// to read like their description: the two-colour clustering, the T and H scoring of
// the clustered pair, the fast ETC1 search, the planar fit and the whole fast encoder.
// The library's restructured versions must give identical results.
#include <algorithm>
#include <cmath>
#include <cstdint>
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

// Random blocks of every kind the fast encoder treats differently: the kinds of
// etctest::randomBlocks (noise, gradients, extremes, two colours) and flat blocks,
// near-flat ones (+-2 noise) and flat ones with a single outlier pixel.
inline std::vector<Block> variedBlocks(size_t count, uint32_t seed) {
    std::vector<Block> out = etctest::randomBlocks(count - count / 2, seed);
    std::mt19937 rng(seed ^ 0x5bd1e995u);
    for (size_t k = out.size(); k < count; ++k) {
        Block blk(48);
        const int kind = int(k % 3);
        int base[3];
        for (int c = 0; c < 3; ++c) base[c] = int(rng() % 256);
        const int outlier = int(rng() % 16);
        for (int i = 0; i < 16; ++i)
            for (int c = 0; c < 3; ++c) {
                int v = base[c];
                if (kind == 1) v += int(rng() % 5) - 2;
                if (kind == 2 && i == outlier) v = int(rng() % 256);
                blk[3 * i + c] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
        out.push_back(blk);
    }
    return out;
}

// ---- Two-colour clustering ----
// A fresh generator seeded with 10000 per call; points in their space as 16 x 3;
// nearest codeword per pixel (ties to codeword 1), sums in pixel order.
enum class Space { HalfIntensity, NotIntensity, RGBRounded };

inline double roundHalfAway(double v) { return v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5); }

inline void cluster(Space space, bool restartAlways, const uint8_t* image, int width, int startx,
                    int starty, uint8_t colors[2][3]) {
    const double s2 = 1.0 / std::sqrt(2.0), s3 = 1.0 / std::sqrt(3.0), s6 = 1.0 / std::sqrt(6.0);
    qeltexture::ETCRandom rng(10000);
    double pt[16][3];
    for (int i = 0; i < 16; ++i) {
        const uint8_t* p = image + 3 * ((starty + i / 4) * width + startx + i % 4);
        const double r = p[0], g = p[1], b = p[2];
        if (space == Space::RGBRounded) {
            pt[i][0] = r;
            pt[i][1] = g;
            pt[i][2] = b;
        } else {
            pt[i][0] = (r + g + b) * s3;
            pt[i][1] = (r - g) * s2;
            pt[i][2] = (r + g - 2.0 * b) * s6;
        }
    }
    double lo[3], hi[3];
    for (int c = 0; c < 3; ++c) {
        lo[c] = hi[c] = pt[0][c];
        for (int i = 1; i < 16; ++i) {
            if (pt[i][c] < lo[c]) lo[c] = pt[i][c];
            if (pt[i][c] > hi[c]) hi[c] = pt[i][c];
        }
    }
    auto dist = [space](const double p[3], const double cw[3]) {
        if (space == Space::HalfIntensity) {
            const double di = p[0] - cw[0], du = p[1] - cw[1], dv = p[2] - cw[2];
            return 0.5 * di * di + du * du + dv * dv;
        }
        if (space == Space::NotIntensity) {
            const double du = p[1] - cw[1], dv = p[2] - cw[2];
            return du * du + dv * dv;
        }
        double sum = 0.0;
        for (int c = 0; c < 3; ++c) {
            const double d = p[c] - roundHalfAway(cw[c]);
            sum += d * d;
        }
        return sum;
    };
    double best = 12582912.0, bestCw[2][3] = {{0, 0, 0}, {0, 0, 0}};
    for (int start = 0; start < 10; ++start) {
        double cw[2][3];
        for (int j = 0; j < 2; ++j)
            for (int c = 0; c < 3; ++c)
                cw[j][c] = double(rng.next()) / double(qeltexture::ETCRandom::kMax) * (hi[c] - lo[c]) + lo[c];
        bool empty = false;
        double previous = -1.0;
        for (int round = 0; round < 10; ++round) {
            double sum[2][3] = {{0, 0, 0}, {0, 0, 0}}, error = 0.0;
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
                for (int j = 0; j < 2; ++j)
                    for (int c = 0; c < 3; ++c) bestCw[j][c] = cw[j][c];
            }
            if (count[0] == 0 || count[1] == 0) {
                empty = true;
                break;
            }
            for (int j = 0; j < 2; ++j)
                for (int c = 0; c < 3; ++c) cw[j][c] = sum[j][c] / count[j];
            if (error == 0.0 || (round > 0 && error == previous)) break;
            previous = error;
        }
        if (!empty && !restartAlways) break;
    }
    for (int j = 0; j < 2; ++j) {
        double rgb[3];
        if (space == Space::RGBRounded) {
            for (int c = 0; c < 3; ++c) rgb[c] = bestCw[j][c];
        } else {
            const double* w = bestCw[j];
            rgb[0] = w[0] * s3 + w[1] * s2 + w[2] * s6;
            rgb[1] = w[0] * s3 - w[1] * s2 + w[2] * s6;
            rgb[2] = w[0] * s3 - 2.0 * w[2] * s6;
        }
        for (int c = 0; c < 3; ++c) {
            const double v = rgb[c] < 0.0 ? 0.0 : (rgb[c] > 255.0 ? 255.0 : rgb[c]);
            colors[j][c] = uint8_t(roundHalfAway(v));
        }
    }
}

// RGB clustering in integers: truncated start coordinates and means.
inline void clusterInteger(const uint8_t* image, int width, int startx, int starty, uint8_t colors[2][3]) {
    qeltexture::ETCRandom rng(10000);
    int pt[16][3], lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i)
        for (int c = 0; c < 3; ++c) {
            pt[i][c] = image[3 * ((starty + i / 4) * width + startx + i % 4) + c];
            lo[c] = std::min(lo[c], pt[i][c]);
            hi[c] = std::max(hi[c], pt[i][c]);
        }
    int best = 12582912, bestCw[2][3] = {{0, 0, 0}, {0, 0, 0}};
    for (int start = 0; start < 10; ++start) {
        int cw[2][3];
        for (int j = 0; j < 2; ++j)
            for (int c = 0; c < 3; ++c)
                cw[j][c] = int(double(rng.next()) / double(qeltexture::ETCRandom::kMax) * (hi[c] - lo[c]) + lo[c]);
        bool empty = false;
        int previous = -1;
        for (int round = 0; round < 10; ++round) {
            int sum[2][3] = {{0, 0, 0}, {0, 0, 0}}, count[2] = {0, 0}, error = 0;
            for (int i = 0; i < 16; ++i) {
                int d[2] = {0, 0};
                for (int j = 0; j < 2; ++j)
                    for (int c = 0; c < 3; ++c) d[j] += (pt[i][c] - cw[j][c]) * (pt[i][c] - cw[j][c]);
                const int j = d[0] < d[1] ? 0 : 1;
                error += d[j];
                ++count[j];
                for (int c = 0; c < 3; ++c) sum[j][c] += pt[i][c];
            }
            if (error < best) {
                best = error;
                for (int j = 0; j < 2; ++j)
                    for (int c = 0; c < 3; ++c) bestCw[j][c] = cw[j][c];
            }
            if (count[0] == 0 || count[1] == 0) {
                empty = true;
                break;
            }
            for (int j = 0; j < 2; ++j)
                for (int c = 0; c < 3; ++c) cw[j][c] = sum[j][c] / count[j];
            if (error == 0 || (round > 0 && error == previous)) break;
            previous = error;
        }
        if (!empty) break;
    }
    for (int j = 0; j < 2; ++j)
        for (int c = 0; c < 3; ++c) colors[j][c] = uint8_t(std::clamp(bestCw[j][c], 0, 255));
}

inline void to444(uint8_t colors[2][3]) {
    for (int j = 0; j < 2; ++j)
        for (int c = 0; c < 3; ++c) colors[j][c] = uint8_t((15 * colors[j][c] + 120) / 255);
}

// ---- T and H scoring of an RGB444 pair ----
inline int clampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Nearest of four 8-bit paint colours per pixel (ties to the lower index), row-major
// index word, plain error.
inline unsigned paint(const uint8_t* image, int width, int startx, int starty, const int pal[4][3],
                      unsigned& indices) {
    unsigned sum = 0, word = 0;
    for (int i = 0; i < 16; ++i) {
        const uint8_t* p = image + 3 * ((starty + i / 4) * width + startx + i % 4);
        unsigned best = ~0u, index = 0;
        for (int k = 0; k < 4; ++k) {
            unsigned e = 0;
            for (int c = 0; c < 3; ++c) e += unsigned((pal[k][c] - p[c]) * (pal[k][c] - p[c]));
            if (e < best) {
                best = e;
                index = unsigned(k);
            }
        }
        sum += best;
        word = (word << 2) | index;
    }
    indices = word;
    return sum;
}

// T: both orders, distances 0..7, the first smallest; returns the packed words.
inline unsigned tBlock(const uint8_t* image, int width, int startx, int starty, const uint8_t colors[2][3],
                       unsigned& word1, unsigned& word2) {
    unsigned best = ~0u;
    for (int order = 0; order < 2; ++order)
        for (int k = 0; k < 8; ++k) {
            const int d = qeltexture::table58H[k];
            int pal[4][3];
            for (int c = 0; c < 3; ++c) {
                const int c0 = colors[order][c] * 17, c1 = colors[1 - order][c] * 17;
                pal[0][c] = c0;
                pal[1][c] = clampByte(c1 + d);
                pal[2][c] = c1;
                pal[3][c] = clampByte(c1 - d);
            }
            unsigned indices;
            const unsigned e = paint(image, width, startx, starty, pal, indices);
            if (e < best) {
                best = e;
                const uint8_t ordered[2][3] = {{colors[order][0], colors[order][1], colors[order][2]},
                                               {colors[1 - order][0], colors[1 - order][1], colors[1 - order][2]}};
                word1 = qeltexture::packT59Word1(ordered, uint8_t(k));
                word2 = qeltexture::indexConversion(indices);
            }
        }
    return best;
}

// H: colours put in increasing 12-bit order (equal ones become v - 1, v or 0, 1),
// distances 0..7, the first smallest; returns the packed words.
inline unsigned hBlock(const uint8_t* image, int width, int startx, int starty, const uint8_t colors[2][3],
                       unsigned& word1, unsigned& word2) {
    unsigned v[2];
    for (int j = 0; j < 2; ++j) v[j] = unsigned(colors[j][0]) << 8 | unsigned(colors[j][1]) << 4 | colors[j][2];
    if (v[0] > v[1]) std::swap(v[0], v[1]);
    else if (v[0] == v[1]) {
        if (v[0] == 0) v[1] = 1;
        else --v[0];
    }
    uint8_t ordered[2][3];
    for (int j = 0; j < 2; ++j) {
        ordered[j][0] = uint8_t(v[j] >> 8);
        ordered[j][1] = uint8_t((v[j] >> 4) & 15);
        ordered[j][2] = uint8_t(v[j] & 15);
    }
    unsigned best = ~0u;
    for (int k = 0; k < 8; ++k) {
        const int d = qeltexture::table58H[k];
        int pal[4][3];
        for (int c = 0; c < 3; ++c) {
            pal[0][c] = clampByte(ordered[0][c] * 17 + d);
            pal[1][c] = clampByte(ordered[0][c] * 17 - d);
            pal[2][c] = clampByte(ordered[1][c] * 17 + d);
            pal[3][c] = clampByte(ordered[1][c] * 17 - d);
        }
        unsigned indices;
        const unsigned e = paint(image, width, startx, starty, pal, indices);
        if (e < best) {
            best = e;
            qeltexture::packH58(ordered, uint8_t(k), indices, word1, word2);
        }
    }
    return best;
}

using ClusterFn = void (*)(const uint8_t*, int, int, int, uint8_t[2][3]);
inline void halfIntensityFast(const uint8_t* im, int w, int x, int y, uint8_t c[2][3]) {
    cluster(Space::HalfIntensity, false, im, w, x, y, c);
}
inline void notIntensityFast(const uint8_t* im, int w, int x, int y, uint8_t c[2][3]) {
    cluster(Space::NotIntensity, false, im, w, x, y, c);
}
inline void notIntensity(const uint8_t* im, int w, int x, int y, uint8_t c[2][3]) {
    cluster(Space::NotIntensity, true, im, w, x, y, c);
}
inline void rgbRounded(const uint8_t* im, int w, int x, int y, uint8_t c[2][3]) {
    cluster(Space::RGBRounded, true, im, w, x, y, c);
}

// The T (or H) mode encoder over the given clusterings: a later candidate replaces
// the kept one only when strictly better.
inline unsigned modeFromClusterings(bool tMode, const ClusterFn* clusterings, int n, const uint8_t* image,
                                    int width, int startx, int starty, unsigned& word1, unsigned& word2) {
    unsigned best = ~0u;
    for (int c = 0; c < n; ++c) {
        uint8_t colors[2][3];
        clusterings[c](image, width, startx, starty, colors);
        to444(colors);
        unsigned w1 = 0, w2 = 0;
        const unsigned e = tMode ? tBlock(image, width, startx, starty, colors, w1, w2)
                                 : hBlock(image, width, startx, starty, colors, w1, w2);
        if (e < best) {
            best = e;
            word1 = w1;
            word2 = w2;
        }
    }
    return best;
}

// ---- ETC1 fast encoder: average and combined encoders, decoded and compared ----
inline unsigned etc1Split(const uint8_t* image, int width, int startx, int starty, bool combined, bool flip,
                          unsigned& high, unsigned& low) {
    using namespace qeltexture::etc1detail;
    double avg[2][3];
    for (int h = 0; h < 2; ++h) {
        int sum[3] = {0, 0, 0};
        for (int y = 0; y < (flip ? 2 : 4); ++y)
            for (int x = 0; x < (flip ? 4 : 2); ++x)
                for (int c = 0; c < 3; ++c)
                    sum[c] += image[3 * ((starty + y + (flip ? 2 * h : 0)) * width + startx + x + (flip ? 0 : 2 * h)) + c];
        for (int c = 0; c < 3; ++c) avg[h][c] = sum[c] * 0.125;
    }
    int code[2][3];
    for (int h = 0; h < 2; ++h) {
        if (combined) qeltexture::quantize555ColorCombined(avg[h], code[h]);
        else
            for (int c = 0; c < 3; ++c) code[h][c] = int(31.0 * avg[h][c] / 255.0 + 0.5);
    }
    bool differential = true;
    for (int c = 0; c < 3; ++c) differential = differential && code[1][c] - code[0][c] >= -4 && code[1][c] - code[0][c] <= 3;
    if (!differential)
        for (int h = 0; h < 2; ++h) {
            if (combined) qeltexture::quantize444ColorCombined(avg[h], code[h]);
            else
                for (int c = 0; c < 3; ++c) code[h][c] = int(avg[h][c] / 17.0 + 0.5 + 0.0001);
        }
    HalfFit fit[2];
    unsigned err = 0;
    for (int h = 0; h < 2; ++h) {
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
        unsigned h1, l1;
        const unsigned e0 = etc1Split(image, width, startx, starty, combined != 0, false, hi[combined], lo[combined]);
        const unsigned e1 = etc1Split(image, width, startx, starty, combined != 0, true, h1, l1);
        if (e1 < e0) {
            hi[combined] = h1;
            lo[combined] = l1;
        }
        qeltexture::decompressBlockDiffFlip(hi[combined], lo[combined], decoded, 4, 0, 0);
        err[combined] = qeltexture::calcBlockErrorRGB(image, decoded, width, startx, starty);
    }
    const int k = err[1] < err[0] ? 1 : 0;
    high = hi[k];
    low = lo[k];
    return err[k];
}

// ---- The whole fast ETC2 encoder (RGB) ----
inline double score(const uint8_t* image, int width, int startx, int starty, unsigned high, unsigned low) {
    uint8_t decoded[48];
    qeltexture::decompressBlockETC2(high, low, decoded, 4, 0, 0);
    return qeltexture::calcBlockErrorRGB(image, decoded, width, startx, starty);
}

inline void etc2Fast(const uint8_t* image, int width, int startx, int starty, unsigned& high, unsigned& low) {
    double err = etc1Fast(image, width, startx, starty, high, low);
    int winner = 0;
    unsigned w1, w2, h, l;
    qeltexture::compressBlockPlanar57(image, width, startx, starty, w1, w2);
    qeltexture::stuff57bits(w1, w2, h, l);
    double e = score(image, width, startx, starty, h, l);
    if (e < err) {
        err = e;
        high = h;
        low = l;
        winner = 1;
    }
    const ClusterFn fastest[1] = {halfIntensityFast};
    for (int mode = 0; mode < 2; ++mode) {
        modeFromClusterings(mode == 0, fastest, 1, image, width, startx, starty, w1, w2);
        if (mode == 0) qeltexture::stuff59bits(w1, w2, h, l);
        else qeltexture::stuff58bits(w1, w2, h, l);
        e = score(image, width, startx, starty, h, l);
        if (e < err) {
            err = e;
            high = h;
            low = l;
            winner = 2 + mode;
        }
    }
    if (winner < 2) return;
    const ClusterFn tFast[3] = {notIntensityFast, halfIntensityFast, clusterInteger};
    const ClusterFn hFast[2] = {notIntensity, rgbRounded};
    if (winner == 2) {
        modeFromClusterings(true, tFast, 3, image, width, startx, starty, w1, w2);
        qeltexture::stuff59bits(w1, w2, h, l);
    } else {
        modeFromClusterings(false, hFast, 2, image, width, startx, starty, w1, w2);
        qeltexture::stuff58bits(w1, w2, h, l);
    }
    if (score(image, width, startx, starty, h, l) < err) {
        high = h;
        low = l;
    }
}

}  // namespace etc2simple
