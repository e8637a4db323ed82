#pragma once
// Internal: the error metrics of the ETC1 encoders and the half-block table fit.
#include <cstdint>

#include "Codecs/ETC/ETCTables.h"
#include "Codecs/ETC/ETCVectorLevel.h"

namespace qeltexture {
namespace etc1detail {

// Plain squared RGB error, integer.
struct PlainMetric {
    using Err = unsigned int;
    static constexpr Err kInit = 3121200u;
    static Err pixel(int dr, int dg, int db) {
        return square_table[dr + 255] + square_table[dg + 255] + square_table[db + 255];
    }
};

// Perceptual error of the fast encoders: single precision with the red product in
// double, as the C expression 0.299*dR2 + 0.587f*dG2 + 0.114f*dB2 evaluates (the sum
// is formed in double and rounded once to float).
struct PercepMetric {
    using Err = float;
    static constexpr Err kInit = 3121200.0f;
    static Err pixel(int dr, int dg, int db) {
        const int r2 = dr * dr, g2 = dg * dg, b2 = db * db;
        return float(0.299 * double(r2) + double(0.587f * float(g2)) + double(0.114f * float(b2)));
    }
};

// Integer perceptual error of the exhaustive encoders (weights x 1000).
struct Percep1000Metric {
    using Err = unsigned int;
    static constexpr Err kInit = 1040400000u;
    static Err pixel(int dr, int dg, int db) {
        return square_table_percep_red[dr + 255] + square_table_percep_green[dg + 255] +
               square_table_percep_blue[db + 255];
    }
};

// Half-block geometry: 2 columns x 4 rows (flip 0 halves) or 4 x 2 (flip 1 halves).
struct HalfShape {
    int columns, rows;
};
constexpr HalfShape kHalf2x4{2, 4};
constexpr HalfShape kHalf4x2{4, 2};

// Average colour of a half (8 pixels): each channel's sum x 0.125.
void halfAverage(const uint8_t* image, int width, int startx, int starty, HalfShape shape,
                 double average[3]);

// Fits one table to one half: each pixel (column-major) takes the first modifier with
// the smallest error. Index bits are relative to the half's origin.
template <class M>
typename M::Err fitHalfTable(const uint8_t* image, int width, int startx, int starty,
                             HalfShape shape, const uint8_t colour[3], int tableRow,
                             unsigned int& msbBits, unsigned int& lsbBits) {
    using Err = typename M::Err;
    const int* modifiers = compressParams[tableRow];
    Err sum = 0;
    unsigned msb = 0, lsb = 0;
    for (int x = 0; x < shape.columns; ++x)
        for (int y = 0; y < shape.rows; ++y) {
            const uint8_t* p = image + 3 * ((starty + y) * width + startx + x);
            Err best = M::kInit;
            int bestColumn = 0;
            for (int c = 0; c < 4; ++c) {
                const int m = modifiers[c];
                const Err e = M::pixel(clamp_table[colour[0] + m + 255] - p[0],
                                       clamp_table[colour[1] + m + 255] - p[1],
                                       clamp_table[colour[2] + m + 255] - p[2]);
                if (e < best) {
                    best = e;
                    bestColumn = c;
                }
            }
            const unsigned index = unsigned(scramble[bestColumn]);
            const int bit = x * 4 + y;
            msb |= (index >> 1) << bit;
            lsb |= (index & 1u) << bit;
            sum += best;
        }
    msbBits = msb;
    lsbBits = lsb;
    return sum;
}

// Tries tables 0..7 in order and keeps the first with the smallest half error.
template <class M>
typename M::Err fitHalfAllTables(const uint8_t* image, int width, int startx, int starty,
                                 HalfShape shape, const uint8_t colour[3], int& table,
                                 unsigned int& msbBits, unsigned int& lsbBits) {
    using Err = typename M::Err;
    Err best = M::kInit;
    table = 0;
    msbBits = lsbBits = 0;
    for (int t = 0; t < 8; ++t) {
        unsigned msb, lsb;
        const Err e = fitHalfTable<M>(image, width, startx, starty, shape, colour, 2 * t, msb, lsb);
        if (e < best) {
            best = e;
            table = t;
            msbBits = msb;
            lsbBits = lsb;
        }
    }
    return best;
}

// The plain fit over all tables, computed in vector lanes; same result bit for bit.
// Only errors below `limit` are of interest: when no table gets below it, `limit` is
// returned and the table and bits are meaningless.
unsigned int fitHalfAllTablesPlainFast(const uint8_t* image, int width, int startx, int starty,
                                       HalfShape shape, const uint8_t colour[3], int& table,
                                       unsigned int& msbBits, unsigned int& lsbBits,
                                       unsigned int limit = PlainMetric::kInit);

// The eight pixels of a half in fit order (column-major), as 16-bit (red, green) and
// (blue, 0) pairs, loaded once for every colour fitted to the half.
struct HalfVectors {
    alignas(32) int16_t rg[16];
    alignas(32) int16_t b[16];
    HalfVectors() = default;
    HalfVectors(const uint8_t* image, int width, int startx, int starty, HalfShape shape);
};
// fitHalfAllTablesPlainFast on pixels already loaded (`level`: see ETCVectorLevel).
unsigned int fitHalfAllTablesPlainVector(const HalfVectors& pixels, HalfShape shape, const uint8_t colour[3],
                                         int& table, unsigned int& msbBits, unsigned int& lsbBits,
                                         unsigned int limit = PlainMetric::kInit,
                                         ETCVectorLevel level = ETCVectorLevel::Best);

// Packs a block from its two halves. Codes are 4-bit (individual) or 5-bit with the
// second half's delta in -4..3 (differential). Bits of the second half are shifted in.
struct HalfFit {
    int table;
    unsigned msb, lsb;
};
void packBlock(bool differential, bool flip, const int code[2][3], const HalfFit fit[2],
               unsigned int& high, unsigned int& low);

inline uint8_t expand4(int c) { return uint8_t((c << 4) | c); }
inline uint8_t expand5(int c) { return uint8_t((c << 3) | (c >> 2)); }

}  // namespace etc1detail
}  // namespace qeltexture
