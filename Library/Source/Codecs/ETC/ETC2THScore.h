#pragma once
// Internal: scoring of T and H blocks for two given RGB444 colours, shared by the mode
// encoders and the exhaustive searches.
#include <cstdint>
#include <cstdio>

#include "Codecs/ETC/ETC1TableFit.h"
#include "Codecs/ETC/ETCTables.h"

namespace qeltexture {
namespace etc2detail {

// The block's pixels in row-major order (the order of the T/H index word).
struct BlockPixels {
    uint8_t rgb[16][3];
    BlockPixels(const uint8_t* image, int width, int startx, int starty) {
        for (int i = 0; i < 16; ++i) {
            const uint8_t* p = image + 3 * ((starty + i / 4) * width + startx + i % 4);
            rgb[i][0] = p[0];
            rgb[i][1] = p[1];
            rgb[i][2] = p[2];
        }
    }
};

inline uint8_t expand4(int c) { return uint8_t((c << 4) | c); }
inline int clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
inline unsigned value444(const uint8_t c[3]) { return (unsigned(c[0]) << 8) | (unsigned(c[1]) << 4) | c[2]; }

// Nearest of four paint colours per pixel (ties to the lower index), skipping the
// index `transparent` (-1: none) and making pixels whose alpha is 0 take it for free.
// Returns the block error and the row-major index word.
template <class M>
unsigned paintError(const BlockPixels& px, const uint8_t* alpha, const int paint[4][3],
                    int transparent, unsigned& indices) {
    unsigned sum = 0, word = 0;
    for (int i = 0; i < 16; ++i) {
        const uint8_t* p = px.rgb[i];
        unsigned index;
        if (alpha != nullptr && alpha[i] == 0) {
            index = unsigned(transparent);
        } else {
            unsigned best = ~0u;
            index = 0;
            for (int k = 0; k < 4; ++k) {
                if (k == transparent) continue;
                const unsigned e = M::pixel(paint[k][0] - p[0], paint[k][1] - p[1], paint[k][2] - p[2]);
                if (e < best) {
                    best = e;
                    index = unsigned(k);
                }
            }
            sum += best;
        }
        word = (word << 2) | index;
    }
    indices = word;
    return sum;
}

// T palette: colour 0, colour 1 + d, colour 1, colour 1 - d (8-bit colours).
inline void tPaint(const uint8_t c0[3], const uint8_t c1[3], int d, int paint[4][3]) {
    for (int c = 0; c < 3; ++c) {
        paint[0][c] = c0[c];
        paint[1][c] = clamp255(c1[c] + d);
        paint[2][c] = c1[c];
        paint[3][c] = clamp255(c1[c] - d);
    }
}
// H palette: colour 0 + d, colour 0 - d, colour 1 + d, colour 1 - d.
inline void hPaint(const uint8_t c0[3], const uint8_t c1[3], int d, int paint[4][3]) {
    for (int c = 0; c < 3; ++c) {
        paint[0][c] = clamp255(c0[c] + d);
        paint[1][c] = clamp255(c0[c] - d);
        paint[2][c] = clamp255(c1[c] + d);
        paint[3][c] = clamp255(c1[c] - d);
    }
}

// T: both orders (unless noSwap), distances 0..7; the first smallest wins and the
// colours are left in its order. Alpha (may be null) makes index 2 transparent.
template <class M>
unsigned tSearch(const BlockPixels& px, const uint8_t* alpha, uint8_t colors[2][3], bool trySwap,
                 uint8_t& distance, unsigned& indices) {
    unsigned best = ~0u;
    int bestOrder = 0;
    distance = 0;
    indices = 0;
    for (int order = 0; order < (trySwap ? 2 : 1); ++order) {
        uint8_t c0[3], c1[3];
        for (int c = 0; c < 3; ++c) {
            c0[c] = expand4(colors[order][c]);
            c1[c] = expand4(colors[1 - order][c]);
        }
        for (int k = 0; k < 8; ++k) {
            int paint[4][3];
            tPaint(c0, c1, table58H[k], paint);
            unsigned word;
            const unsigned e = paintError<M>(px, alpha, paint, alpha != nullptr ? 2 : -1, word);
            if (e < best) {
                best = e;
                bestOrder = order;
                distance = uint8_t(k);
                indices = word;
            }
        }
    }
    if (bestOrder == 1)
        for (int c = 0; c < 3; ++c) {
            const uint8_t t = colors[0][c];
            colors[0][c] = colors[1][c];
            colors[1][c] = t;
        }
    return best;
}

// H: distances 0..7 for the colours in the given order; the first smallest wins. With
// alpha, the transparent index is 2 when the distance's low bit already matches the
// colour order (no swap follows in packing) and 0 otherwise (stored as 2 after it).
template <class M>
unsigned hSearch(const BlockPixels& px, const uint8_t* alpha, const uint8_t colors[2][3],
                 uint8_t& distance, unsigned& indices) {
    uint8_t c0[3], c1[3];
    for (int c = 0; c < 3; ++c) {
        c0[c] = expand4(colors[0][c]);
        c1[c] = expand4(colors[1][c]);
    }
    const unsigned orderBit = value444(colors[0]) >= value444(colors[1]) ? 1u : 0u;
    unsigned best = ~0u;
    distance = 0;
    indices = 0;
    for (int k = 0; k < 8; ++k) {
        int paint[4][3];
        hPaint(c0, c1, table58H[k], paint);
        int transparent = -1;
        if (alpha != nullptr) {
            transparent = (unsigned(k) & 1u) == orderBit ? 2 : 0;
            for (int i = 0; i < 16; ++i)
                if (alpha[i] != 0 && alpha[i] != 255) std::printf("INVALID ALPHA DATA!!\n");
        }
        unsigned word;
        const unsigned e = paintError<M>(px, alpha, paint, transparent, word);
        if (e < best) {
            best = e;
            distance = uint8_t(k);
            indices = word;
        }
    }
    return best;
}

// Puts H colours in increasing 12-bit order; equal colours become value - 1 and value
// (0 and 1 for value 0) so the two always differ.
inline void orderHColors(uint8_t colors[2][3]) {
    unsigned v0 = value444(colors[0]), v1 = value444(colors[1]);
    if (v0 > v1) {
        const unsigned t = v0;
        v0 = v1;
        v1 = t;
    } else if (v0 == v1) {
        if (v0 == 0) {
            v1 = 1;
        } else {
            v0 = v0 - 1;
        }
    }
    const unsigned v[2] = {v0, v1};
    for (int j = 0; j < 2; ++j) {
        colors[j][0] = uint8_t((v[j] >> 8) & 15u);
        colors[j][1] = uint8_t((v[j] >> 4) & 15u);
        colors[j][2] = uint8_t(v[j] & 15u);
    }
}

}  // namespace etc2detail
}  // namespace qeltexture

namespace qeltexture {
namespace etc2detail {

// The channel weights of the integer metrics (plain, and perceptual x 1000).
template <class M>
struct MetricWeights;
template <>
struct MetricWeights<etc1detail::PlainMetric> {
    static constexpr int kR = 1, kG = 1, kB = 1;
};
template <>
struct MetricWeights<etc1detail::Percep1000Metric> {
    static constexpr int kR = 299, kG = 587, kB = 114;
};

// T and H scoring of one colour pair at once, sharing the per-pixel errors of the
// paint colours (c0, c1 and c0 +- d, c1 +- d for every distance): the fastest T and H
// encoders cluster the same pair. Gives exactly tSearch / hSearch's results. The
// perceptual encoders use it; the plain ones use its vector form, PlainPairScores.
template <class M>
struct PairScores {
    unsigned plain[2][16];     // error to colour 0, colour 1
    unsigned shifted[8][4][16];  // per distance: c0 + d, c0 - d, c1 + d, c1 - d

    PairScores(const BlockPixels& px, const uint8_t colors[2][3]) {
        // Channel planes, so each row of 16 errors is one simple (vectorisable) loop.
        int plane[3][16];
        for (int i = 0; i < 16; ++i)
            for (int c = 0; c < 3; ++c) plane[c][i] = px.rgb[i][c];
        auto row = [&plane](int r, int g, int b, unsigned* out) {
            for (int i = 0; i < 16; ++i) {
                const int dr = r - plane[0][i], dg = g - plane[1][i], db = b - plane[2][i];
                out[i] = unsigned(MetricWeights<M>::kR * dr * dr + MetricWeights<M>::kG * dg * dg +
                                  MetricWeights<M>::kB * db * db);
            }
        };
        int c8[2][3];
        for (int j = 0; j < 2; ++j)
            for (int c = 0; c < 3; ++c) c8[j][c] = expand4(colors[j][c]);
        for (int j = 0; j < 2; ++j) row(c8[j][0], c8[j][1], c8[j][2], plain[j]);
        for (int k = 0; k < 8; ++k) {
            const int d = table58H[k];
            for (int s = 0; s < 4; ++s) {
                const int* c = c8[s >> 1];
                const int sign = (s & 1) ? -d : d;
                row(clamp255(c[0] + sign), clamp255(c[1] + sign), clamp255(c[2] + sign), shifted[k][s]);
            }
        }
    }

    // Block error of a four-entry palette given as rows of per-pixel errors, abandoned
    // (some value >= limit returned) once it cannot beat `limit`; optionally the
    // row-major index word (ties to the lower entry).
    static unsigned paletteError(const unsigned* const rows[4], unsigned limit, unsigned* indices) {
        unsigned sum = 0, word = 0;
        for (int i = 0; i < 16; ++i) {
            unsigned best = rows[0][i], index = 0;
            for (unsigned k = 1; k < 4; ++k)
                if (rows[k][i] < best) {
                    best = rows[k][i];
                    index = k;
                }
            sum += best;
            word = (word << 2) | index;
            if (indices == nullptr && (i & 3) == 3 && sum >= limit) return sum;
        }
        if (indices) *indices = word;
        return sum;
    }

    // tSearch(colors, trySwap = true): returns the error, the winning order (1 =
    // swapped), distance and indices.
    unsigned bestT(int& order, uint8_t& distance, unsigned& indices) const {
        unsigned best = ~0u;
        order = 0;
        distance = 0;
        for (int o = 0; o < 2; ++o)
            for (int k = 0; k < 8; ++k) {
                const int other = 1 - o;
                const unsigned* rows[4] = {plain[o], shifted[k][2 * other], plain[other], shifted[k][2 * other + 1]};
                const unsigned e = paletteError(rows, best, nullptr);
                if (e < best) {
                    best = e;
                    order = o;
                    distance = uint8_t(k);
                }
            }
        const int other = 1 - order;
        const unsigned* rows[4] = {plain[order], shifted[distance][2 * other], plain[other],
                                   shifted[distance][2 * other + 1]};
        paletteError(rows, ~0u, &indices);
        return best;
    }

    // hSearch for these colours in the order given (`swapped`: as colour 1, colour 0).
    unsigned bestH(bool swapped, uint8_t& distance, unsigned& indices) const {
        const int a = swapped ? 1 : 0, b = 1 - a;
        unsigned best = ~0u;
        distance = 0;
        for (int k = 0; k < 8; ++k) {
            const unsigned* rows[4] = {shifted[k][2 * a], shifted[k][2 * a + 1], shifted[k][2 * b], shifted[k][2 * b + 1]};
            const unsigned e = paletteError(rows, best, nullptr);
            if (e < best) {
                best = e;
                distance = uint8_t(k);
            }
        }
        const unsigned* rows[4] = {shifted[distance][2 * a], shifted[distance][2 * a + 1], shifted[distance][2 * b],
                                   shifted[distance][2 * b + 1]};
        paletteError(rows, ~0u, &indices);
        return best;
    }
};

}  // namespace etc2detail
}  // namespace qeltexture
