// Punch-through (RGB A1) differential blocks: pixels of alpha < 128 are made
// transparent, the others get the best modifier the punch-through decoding allows.
#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETCTables.h"

namespace qeltexture {

namespace {

inline uint8_t expand5(int c) { return uint8_t((c << 3) | (c >> 2)); }

struct HalfResult {
    unsigned error;
    int table;
    unsigned msb, lsb;  // block-absolute index bits
};

// Best table for one half (2x4 at flip 0, 4x2 at flip 1) starting at (hx, hy) within
// the block. In transparent mode only the columns -large, "base" (+small, decoded as
// modifier 0) and +large can be used.
HalfResult fitHalf(const uint8_t* image, const uint8_t* alphaImage, int width, int startx,
                   int starty, int hx, int hy, bool flip, const uint8_t base[3],
                   bool isTransparent) {
    const int columns = flip ? 4 : 2, rows = flip ? 2 : 4;
    HalfResult best{0, 0, 0, 0};
    for (int t = 0; t < 8; ++t) {
        const int* modifiers = compressParams[2 * t];
        HalfResult r{0, t, 0, 0};
        for (int x = hx; x < hx + columns; ++x)
            for (int y = hy; y < hy + rows; ++y) {
                const int bit = x * 4 + y;
                const uint8_t alpha = alphaImage[(starty + y) * width + startx + x];
                unsigned index;
                if (alpha < 128) {
                    index = unsigned(scramble[1]);  // the transparent index, 2
                } else {
                    const uint8_t* p = image + 3 * ((starty + y) * width + startx + x);
                    unsigned bestErr = 390150u;
                    int bestColumn = 0;
                    for (int c = 0; c < 4; ++c) {
                        if (isTransparent && c == 1) continue;
                        const int m = (isTransparent && c == 2) ? 0 : modifiers[c];
                        unsigned e = 0;
                        for (int ch = 0; ch < 3; ++ch) {
                            const int d = clamp_table[base[ch] + m + 255] - p[ch];
                            e += unsigned(d * d);
                        }
                        if (e < bestErr) {
                            bestErr = e;
                            bestColumn = c;
                        }
                    }
                    index = unsigned(scramble[bestColumn]);
                    r.error += bestErr;
                }
                r.msb |= (index >> 1) << bit;
                r.lsb |= (index & 1u) << bit;
            }
        if (t == 0 || r.error < best.error) best = r;
    }
    return best;
}

}  // namespace

unsigned int compressBlockDifferentialWithAlpha(bool isTransparent, const uint8_t* image,
                                                const uint8_t* alphaImage, int width, int startx,
                                                int starty, unsigned int& high, unsigned int& low) {
    unsigned bestErr = 0;
    for (int flip = 0; flip < 2; ++flip) {
        int code[2][3];
        for (int h = 0; h < 2; ++h) {
            const int hx = flip ? 0 : 2 * h, hy = flip ? 2 * h : 0;
            // Transparent pixels weigh almost nothing, so a half of them still averages
            // to a colour.
            double sum[3] = {0, 0, 0}, weight = 0;
            for (int x = hx; x < hx + (flip ? 4 : 2); ++x)
                for (int y = hy; y < hy + (flip ? 2 : 4); ++y) {
                    const double w = alphaImage[(starty + y) * width + startx + x] >= 128 ? 1.0 : 0.0001;
                    const uint8_t* p = image + 3 * ((starty + y) * width + startx + x);
                    for (int c = 0; c < 3; ++c) sum[c] += w * p[c];
                    weight += w;
                }
            double average[3];
            for (int c = 0; c < 3; ++c) average[c] = sum[c] / weight;
            quantize555ColorCombined(average, code[h]);
        }
        for (int c = 0; c < 3; ++c) {
            int d = code[1][c] - code[0][c];
            d = d < -4 ? -4 : (d > 3 ? 3 : d);
            code[1][c] = code[0][c] + d;
        }
        HalfResult half[2];
        for (int h = 0; h < 2; ++h) {
            const uint8_t base[3] = {expand5(code[h][0]), expand5(code[h][1]), expand5(code[h][2])};
            half[h] = fitHalf(image, alphaImage, width, startx, starty, flip ? 0 : 2 * h,
                              flip ? 2 * h : 0, flip != 0, base, isTransparent);
        }
        const unsigned err = half[0].error + half[1].error;
        if (flip == 0 || err < bestErr) {
            bestErr = err;
            unsigned h = 0;
            for (int c = 0; c < 3; ++c)
                h |= (unsigned(code[0][c]) << (27 - 8 * c)) |
                     ((unsigned(code[1][c] - code[0][c]) & 7u) << (24 - 8 * c));
            h |= unsigned(half[0].table) << 5 | unsigned(half[1].table) << 2 | unsigned(flip);
            if (!isTransparent) h |= 2u;  // the opaque flag
            high = h;
            low = ((half[0].msb | half[1].msb) << 16) | half[0].lsb | half[1].lsb;
        }
    }
    return bestErr;
}

double calcBlockErrorRGBA(const uint8_t* image, const uint8_t* alphaImage, const uint8_t* decoded,
                          int width, int startx, int starty) {
    unsigned sum = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            if (alphaImage[(starty + y) * width + startx + x] <= 128) continue;
            const uint8_t* p = image + 3 * ((starty + y) * width + startx + x);
            const uint8_t* d = decoded + 3 * (y * 4 + x);
            for (int c = 0; c < 3; ++c) {
                const int diff = int(d[c]) - int(p[c]);
                sum += unsigned(diff * diff);
            }
        }
    return double(sum);
}

}  // namespace qeltexture
