#pragma once
// Straightforward exhaustive T, H and planar searches and the 11-bit EAC search,
// written to read like their description: full precomputed tables, the red and
// red-green pruning (planar: the first-row/first-column pruning), and every other
// candidate scored in full. The library's searches must give identical results.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "Codecs/ETC/EACCompress.h"
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCTables.h"
#include "ETC1ExhaustiveSimple.h"

namespace etc2simple {

using qeltexture::table58H;

inline int clampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

struct Pixels {
    int rgb[16][3];
    Pixels(const uint8_t* image, int width, int startx, int starty) {
        for (int i = 0; i < 16; ++i)
            for (int c = 0; c < 3; ++c) rgb[i][c] = image[3 * ((starty + i / 4) * width + startx + i % 4) + c];
    }
};

// Squared error of channel c of pixel p against level v, weighted.
inline unsigned chanErr(const Pixels& px, int p, int c, int v, const unsigned w[3]) {
    const int d = v - px.rgb[p][c];
    return unsigned(d * d) * w[c];
}

// H: table[colour][k][p] = error of the nearer of colour +- d. Red-only and red-green
// lower bounds per level (pair) likewise. Colour 0 < colour 1; first pair strictly
// below the best wins. Returns whether one was found (and its colours).
inline bool searchH(const uint8_t* image, int width, int startx, int starty, unsigned& best,
                    uint8_t colors[2][3], const unsigned w[3]) {
    const Pixels px(image, width, startx, starty);
    std::vector<unsigned> full(4096 * 8 * 16), red(16 * 8 * 16), rg(256 * 8 * 16);
    for (int col = 0; col < 4096; ++col) {
        const int v[3] = {(col >> 8) * 17, ((col >> 4) & 15) * 17, (col & 15) * 17};
        for (int k = 0; k < 8; ++k)
            for (int p = 0; p < 16; ++p) {
                unsigned up = 0, down = 0, upR = 0, downR = 0, upRG = 0, downRG = 0;
                for (int c = 0; c < 3; ++c) {
                    up += chanErr(px, p, c, clampByte(v[c] + table58H[k]), w);
                    down += chanErr(px, p, c, clampByte(v[c] - table58H[k]), w);
                    if (c == 0) {
                        upR = up;
                        downR = down;
                    }
                    if (c == 1) {
                        upRG = up;
                        downRG = down;
                    }
                }
                full[(col * 8 + k) * 16 + p] = std::min(up, down);
                if ((col & 255) == 0) red[((col >> 8) * 8 + k) * 16 + p] = std::min(upR, downR);
                if ((col & 15) == 0) rg[((col >> 4) * 8 + k) * 16 + p] = std::min(upRG, downRG);
            }
    }
    auto pairBound = [](const std::vector<unsigned>& t, int a, int b) {
        unsigned lb = ~0u;
        for (int k = 0; k < 8; ++k) {
            unsigned s = 0;
            for (int p = 0; p < 16; ++p) s += std::min(t[(a * 8 + k) * 16 + p], t[(b * 8 + k) * 16 + p]);
            lb = std::min(lb, s);
        }
        return lb;
    };
    bool found = false;
    for (int r0 = 0; r0 < 16; ++r0)
        for (int r1 = r0; r1 < 16; ++r1) {
            if (pairBound(red, r0, r1) >= best) continue;
            for (int g0 = 0; g0 < 16; ++g0)
                for (int g1 = 0; g1 < 16; ++g1) {
                    if (r1 == r0 && g1 < g0) continue;
                    if (pairBound(rg, r0 * 16 + g0, r1 * 16 + g1) >= best) continue;
                    for (int b0 = 0; b0 < 16; ++b0)
                        for (int b1 = 0; b1 < 16; ++b1) {
                            const int c0 = (r0 << 8) | (g0 << 4) | b0, c1 = (r1 << 8) | (g1 << 4) | b1;
                            if (c0 >= c1) continue;
                            const unsigned e = pairBound(full, c0, c1);
                            if (e < best) {
                                best = e;
                                found = true;
                                const int cs[2] = {c0, c1};
                                for (int j = 0; j < 2; ++j) {
                                    colors[j][0] = uint8_t(cs[j] >> 8);
                                    colors[j][1] = uint8_t((cs[j] >> 4) & 15);
                                    colors[j][2] = uint8_t(cs[j] & 15);
                                }
                            }
                        }
                }
        }
    return found;
}

// T: colour 0 alone [colour][p]; colour 1 with +d, 0, -d [colour][k][p]; all ordered
// pairs in the same nesting.
inline bool searchT(const uint8_t* image, int width, int startx, int starty, unsigned& best,
                    uint8_t colors[2][3], const unsigned w[3]) {
    const Pixels px(image, width, startx, starty);
    std::vector<unsigned> c0full(4096 * 16), c0red(16 * 16), c0rg(256 * 16);
    std::vector<unsigned> c1full(4096 * 8 * 16), c1red(16 * 8 * 16), c1rg(256 * 8 * 16);
    for (int col = 0; col < 4096; ++col) {
        const int v[3] = {(col >> 8) * 17, ((col >> 4) & 15) * 17, (col & 15) * 17};
        for (int p = 0; p < 16; ++p) {
            unsigned s = 0;
            for (int c = 0; c < 3; ++c) {
                s += chanErr(px, p, c, v[c], w);
                if (c == 0 && (col & 255) == 0) c0red[(col >> 8) * 16 + p] = s;
                if (c == 1 && (col & 15) == 0) c0rg[(col >> 4) * 16 + p] = s;
            }
            c0full[col * 16 + p] = s;
            for (int k = 0; k < 8; ++k) {
                unsigned opt[3] = {0, 0, 0};
                for (int c = 0; c < 3; ++c) {
                    opt[0] += chanErr(px, p, c, clampByte(v[c] + table58H[k]), w);
                    opt[1] += chanErr(px, p, c, v[c], w);
                    opt[2] += chanErr(px, p, c, clampByte(v[c] - table58H[k]), w);
                    const unsigned m = std::min(opt[0], std::min(opt[1], opt[2]));
                    if (c == 0 && (col & 255) == 0) c1red[((col >> 8) * 8 + k) * 16 + p] = m;
                    if (c == 1 && (col & 15) == 0) c1rg[((col >> 4) * 8 + k) * 16 + p] = m;
                    if (c == 2) c1full[(col * 8 + k) * 16 + p] = m;
                }
            }
        }
    }
    auto pairBound = [](const std::vector<unsigned>& t0, const std::vector<unsigned>& t1, int a, int b) {
        unsigned lb = ~0u;
        for (int k = 0; k < 8; ++k) {
            unsigned s = 0;
            for (int p = 0; p < 16; ++p) s += std::min(t0[a * 16 + p], t1[(b * 8 + k) * 16 + p]);
            lb = std::min(lb, s);
        }
        return lb;
    };
    bool found = false;
    for (int r0 = 0; r0 < 16; ++r0)
        for (int r1 = 0; r1 < 16; ++r1) {
            if (pairBound(c0red, c1red, r0, r1) >= best) continue;
            for (int g0 = 0; g0 < 16; ++g0)
                for (int g1 = 0; g1 < 16; ++g1) {
                    if (pairBound(c0rg, c1rg, r0 * 16 + g0, r1 * 16 + g1) >= best) continue;
                    for (int b0 = 0; b0 < 16; ++b0)
                        for (int b1 = 0; b1 < 16; ++b1) {
                            const int c0 = (r0 << 8) | (g0 << 4) | b0, c1 = (r1 << 8) | (g1 << 4) | b1;
                            const unsigned e = pairBound(c0full, c1full, c0, c1);
                            if (e < best) {
                                best = e;
                                found = true;
                                const int cs[2] = {c0, c1};
                                for (int j = 0; j < 2; ++j) {
                                    colors[j][0] = uint8_t(cs[j] >> 8);
                                    colors[j][1] = uint8_t((cs[j] >> 4) & 15);
                                    colors[j][2] = uint8_t(cs[j] & 15);
                                }
                            }
                        }
                }
        }
    return found;
}

// Planar, one channel: row (O, H) and column (O, V) partial errors precomputed, a
// combination whose partial error is not below the best skipped, the rest scored on
// all 16 pixels.
inline void searchPlanarChannel(const uint8_t* image, int width, int startx, int starty, int c,
                                unsigned weight, unsigned best, unsigned code[3]) {
    const int bits = c == 1 ? 7 : 6, n = 1 << bits;
    int px[16];
    for (int i = 0; i < 16; ++i) px[i] = image[3 * ((starty + i / 4) * width + startx + i % 4) + c];
    auto level = [bits](int v) { return bits == 6 ? (v << 2) | (v >> 4) : (v << 1) | (v >> 6); };
    auto value = [](int o, int h, int v, int x, int y) {
        return clampByte((x * (h - o) + y * (v - o) + 4 * o + 2) >> 2);
    };
    auto sq = [weight](int d) { return unsigned(d * d) * weight; };
    std::vector<unsigned> row(n * n), column(n * n);
    for (int O = 0; O < n; ++O)
        for (int X = 0; X < n; ++X) {
            unsigned r = 0, col = 0;
            for (int i = 0; i < 4; ++i) r += sq(value(level(O), level(X), 0, i, 0) - px[i]);
            for (int j = 1; j < 4; ++j) col += sq(value(level(O), 0, level(X), 0, j) - px[j * 4]);
            row[O * n + X] = r;
            column[O * n + X] = col;
        }
    for (int O = 0; O < n; ++O)
        for (int H = 0; H < n; ++H)
            for (int V = 0; V < n; ++V) {
                if (row[O * n + H] + column[O * n + V] >= best) continue;
                unsigned e = 0;
                for (int i = 0; i < 16; ++i) e += sq(value(level(O), level(H), level(V), i % 4, i / 4) - px[i]);
                if (e < best) {
                    best = e;
                    code[0] = unsigned(O);
                    code[1] = unsigned(H);
                    code[2] = unsigned(V);
                }
            }
}

// Planar words after the per-channel searches (starting codes from word1/word2).
inline void searchPlanar(const uint8_t* image, int width, int startx, int starty, unsigned& word1,
                         unsigned& word2, unsigned bound, const unsigned error[3], const unsigned w[3]) {
    unsigned code[3][3] = {{(word1 >> 26) & 63u, (word1 >> 7) & 63u, (word2 >> 20) & 63u},
                           {(word1 >> 19) & 127u, word1 & 127u, (word2 >> 13) & 127u},
                           {(word1 >> 13) & 63u, (word2 >> 26) & 63u, (word2 >> 7) & 63u}};
    for (int c = 0; c < 3; ++c)
        searchPlanarChannel(image, width, startx, starty, c, w[c], std::min(bound, error[c]), code[c]);
    word1 = (code[0][0] << 26) | (code[1][0] << 19) | (code[2][0] << 13) | (code[0][1] << 7) | code[1][1];
    word2 = (code[2][1] << 26) | (code[0][2] << 20) | (code[1][2] << 13) | (code[2][2] << 7);
}

// The whole T or H search as the library runs it: start block in (word1, word2), the
// first pair strictly below `bound`, finished by the mode's scoring and packing.
inline void exhaustiveTH(bool tMode, bool perceptual, const uint8_t* image, int width, int startx,
                         int starty, unsigned& word1, unsigned& word2, unsigned bound) {
    static const unsigned plain[3] = {1, 1, 1}, percep[3] = {299, 587, 114};
    const unsigned* w = perceptual ? percep : plain;
    uint8_t colors[2][3], distance;
    unsigned indices;
    if (tMode) {
        if (!searchT(image, width, startx, starty, bound, colors, w)) return;
        if (perceptual)
            qeltexture::calculateError59TnoSwapPerceptual1000(image, width, startx, starty, colors, distance, indices);
        else
            qeltexture::calculateError59TnoSwap(image, width, startx, starty, colors, distance, indices);
        word1 = qeltexture::packT59Word1(colors, distance);
        word2 = qeltexture::indexConversion(indices);
        return;
    }
    if (!searchH(image, width, startx, starty, bound, colors, w)) return;
    if (perceptual)
        qeltexture::calculateErrorAndCompress58HPerceptual1000(image, width, startx, starty, colors, distance, indices);
    else
        qeltexture::calculateErrorAndCompress58H(image, width, startx, starty, colors, distance, indices);
    qeltexture::packH58(colors, distance, indices, word1, word2);
}

// The whole exhaustive ETC2 encoder (plain or perceptual) on the straightforward
// searches, in the library's order and with its final selection.
inline void etc2Exhaustive(bool perceptual, const uint8_t* image, int width, int sx, int sy,
                           unsigned& high, unsigned& low) {
    using namespace qeltexture;
    static const unsigned plainW[3] = {1, 1, 1}, percepW[3] = {299, 587, 114};
    uint8_t decoded[48];
    unsigned fh, fl, fErr;
    if (perceptual) {
        const double f = compressBlockDiffFlipFastPerceptual(image, decoded, width, sx, sy, fh, fl) * 1000.0;
        fErr = f >= 1040400000.0 ? 1040400000u : unsigned(f);
    } else {
        fErr = unsigned(compressBlockDiffFlipFast(image, decoded, width, sx, sy, fh, fl));
    }
    unsigned p1, p2, e[3];
    compressBlockPlanar57(image, width, sx, sy, p1, p2);
    const unsigned p0 = perceptual
        ? decompressBlockPlanar57errorPerComponentPerceptual1000(p1, p2, decoded, image, width, sx, sy, e[0], e[1], e[2])
        : decompressBlockPlanar57errorPerComponent(p1, p2, decoded, image, width, sx, sy, e[0], e[1], e[2]);
    unsigned bound = perceptual ? std::min(fErr, p0) : std::min(std::min(fErr, 3121200u), p0);
    unsigned t1, t2, h1, h2;
    bound = std::min(bound, perceptual ? compressBlockTHUMB59TFastestPerceptual1000(image, width, sx, sy, t1, t2)
                                       : compressBlockTHUMB59TFastest(image, width, sx, sy, t1, t2));
    bound = std::min(bound, perceptual ? compressBlockTHUMB58HFastestPerceptual1000(image, width, sx, sy, h1, h2)
                                       : compressBlockTHUMB58HFastest(image, width, sx, sy, h1, h2));
    auto modeError = [&](unsigned hi, unsigned lo) {
        decompressBlockETC2(hi, lo, decoded, 4, 0, 0);
        unsigned sum = 0;
        for (int i = 0; i < 16; ++i)
            for (int c = 0; c < 3; ++c) {
                const int d = decoded[i * 3 + c] - image[3 * ((sy + i / 4) * width + sx + i % 4) + c];
                sum += unsigned(d * d) * (perceptual ? percepW[c] : 1u);
            }
        return sum;
    };
    unsigned dh, dl, ih, il, dErr, iErr, pErr;
    if (perceptual) {
        searchPlanar(image, width, sx, sy, p1, p2, bound, e, percepW);
        unsigned ph, pl;
        stuff57bits(p1, p2, ph, pl);
        pErr = modeError(ph, pl);
        bound = std::min(bound, pErr);
        dErr = qeltest::simple::differentialExhaustive<qeltest::simple::Percep>(image, width, sx, sy, dh, dl, bound);
        bound = std::min(bound, dErr);
        iErr = qeltest::simple::individualExhaustive<qeltest::simple::Percep>(image, width, sx, sy, ih, il, bound);
        bound = std::min(bound, iErr);
    } else {
        dErr = qeltest::simple::differentialExhaustive<qeltest::simple::Plain>(image, width, sx, sy, dh, dl, bound);
        bound = std::min(bound, dErr);
        searchPlanar(image, width, sx, sy, p1, p2, bound, e, plainW);
        unsigned ph, pl;
        stuff57bits(p1, p2, ph, pl);
        pErr = modeError(ph, pl);
        bound = std::min(bound, pErr);
        iErr = qeltest::simple::individualExhaustive<qeltest::simple::Plain>(image, width, sx, sy, ih, il, bound);
        bound = std::min(bound, iErr);
    }
    // A search that beats nothing keeps its start; its real error is what counts.
    unsigned sh, sl;
    exhaustiveTH(false, perceptual, image, width, sx, sy, h1, h2, bound);
    stuff58bits(h1, h2, sh, sl);
    const unsigned hErr = modeError(sh, sl);
    bound = std::min(bound, hErr);
    exhaustiveTH(true, perceptual, image, width, sx, sy, t1, t2, bound);
    unsigned th, tl;
    stuff59bits(t1, t2, th, tl);
    const unsigned tErr = modeError(th, tl);

    unsigned err = fErr;
    high = fh;
    low = fl;
    const struct { unsigned e, h, l; } later[] = {{dErr, dh, dl}, {iErr, ih, il}, {pErr, 0, 0}, {hErr, sh, sl}, {tErr, th, tl}};
    for (int k = 0; k < 5; ++k) {
        if (later[k].e >= err) continue;
        err = later[k].e;
        if (k == 2) stuff57bits(p1, p2, high, low);
        else {
            high = later[k].h;
            low = later[k].l;
        }
    }
}

// 11-bit EAC: every (base, table, multiplier) through calcError with the best so far.
inline void compressAlpha16(const uint16_t* data, int stride, int ix, int iy, int width, uint8_t* out,
                            bool isSigned) {
    const uint16_t* table = isSigned ? qeltexture::valueTableSigned() : qeltexture::valueTableUnsigned();
    double best = 1099511627776.0;
    int bb = 0, bt = 0, bm = 0;
    for (int b = 0; b < 256; ++b)
        for (int t = 0; t < 16; ++t)
            for (int m = 0; m < 16; ++m) {
                const double e = qeltexture::calcError(data, stride, ix, iy, width, b, t, m, best, table, isSigned);
                if (e < best) {
                    best = e;
                    bb = b;
                    bt = t;
                    bm = m;
                }
            }
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        const uint16_t raw = data[(size_t(iy + i % 4) * width + ix + i / 4) * stride];
        const int64_t p = isSigned ? int64_t(int16_t(raw)) : int64_t(raw);
        int64_t bestErr = 0;
        int index = 0;
        for (int k = 0; k < 8; ++k) {
            const int v = qeltexture::get16bits11bits(isSigned ? (bb + 128) & 255 : bb, bt, bm, k, isSigned);
            int64_t e = (p - v) * (p - v);
            if (k == 0 && e > 4228250625LL) e = 4228250625LL;
            if (k == 0 || e < bestErr) {
                bestErr = e;
                index = k;
            }
        }
        bits = (bits << 3) | unsigned(index);
    }
    out[0] = uint8_t(isSigned ? bb - 128 : bb);
    out[1] = uint8_t((bm << 4) | bt);
    for (int i = 0; i < 6; ++i) out[2 + i] = uint8_t(bits >> (40 - 8 * i));
}

}  // namespace etc2simple
