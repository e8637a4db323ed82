// 8-bit EAC alpha: per table row, a coarse-to-fine base search around the block
// average, every evaluation competing for the global best.
//
// A pixel's error under the directed walk depends only on alpha - base as long as no
// modifier of the row clamps at that base, so per (walk, row) a table indexed by that
// difference replaces the walk for such bases; bases where a modifier may clamp take
// the walk itself. Both give the same per-pixel errors, summed and abandoned in the
// same order.
//
// Only an evaluation whose exact error is below the global best can change the result
// (a row's own state is dropped after the row, and a partial sum is above the global
// best), so a row that cannot get below it anywhere is skipped: the multiplier-0 rows
// once the best is at most the error of the average (their best base), and a row
// whose modifiers span less than the block's range d by at least g once the best is
// at most g^2 / 2 (the smallest and the largest alpha together miss by g).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Codecs/ETC/EACCompress.h"
#include "Codecs/ETC/ETCTables.h"

namespace qeltexture {

namespace {

inline int clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

struct AlphaSearch {
    int negativeLast;          // last entry of the negative walk
    int rowFirst, rowEnd;      // rows searched: [rowFirst, rowEnd)
    bool abandonAtGlobal;      // abandon limit: global best (fast) or row best (slow)
    int steps[3], reaches[3];
};

// Error of (base, row) by the directed walk, abandoned once the sum exceeds `limit`
// (the partial sum is returned then).
int walkError(const int alpha[16], int base, const int* row, int negativeLast, int limit) {
    int sum = 0;
    for (int i = 0; i < 16; ++i) {
        const int a = alpha[i];
        int best;
        if (a <= base) {
            int d = clamp255(base + row[0]) - a;
            best = d * d;
            for (int e = 1; e <= negativeLast; ++e) {
                d = clamp255(base + row[e]) - a;
                if (d * d >= best) break;
                best = d * d;
            }
        } else {
            int d = clamp255(base + row[7]) - a;
            best = d * d;
            for (int e = 6; e >= 4; --e) {
                d = clamp255(base + row[e]) - a;
                if (d * d > best) break;
                best = d * d;
            }
        }
        sum += best;
        if (sum > limit) return sum;
    }
    return sum;
}

// Per-pixel walk errors without clamping: [walk (fast, slow)][row][alpha - base + 255].
struct WalkTables {
    std::vector<uint16_t> error;
    explicit WalkTables(const int (*rows)[8]) : error(std::size_t(2) * 256 * 511) {
        for (int w = 0; w < 2; ++w)
            for (int r = 0; r < 256; ++r)
                for (int d = -255; d <= 255; ++d)  // without clamping only d matters
                    error[(std::size_t(w) * 256 + r) * 511 + std::size_t(d + 255)] =
                        uint16_t(walkErrorUnclamped(d, 0, rows[r], w == 0 ? 3 : 4));
    }
    // The walk with plain arithmetic (no clamping), for the table.
    static int walkErrorUnclamped(int a, int base, const int* row, int negativeLast) {
        int best;
        if (a <= base) {
            int d = base + row[0] - a;
            best = d * d;
            for (int e = 1; e <= negativeLast; ++e) {
                d = base + row[e] - a;
                if (d * d >= best) break;
                best = d * d;
            }
        } else {
            int d = base + row[7] - a;
            best = d * d;
            for (int e = 6; e >= 4; --e) {
                d = base + row[e] - a;
                if (d * d > best) break;
                best = d * d;
            }
        }
        return best;
    }
};

// walkError through a table of per-difference errors (no clamping at this base).
inline int tableError(const int alpha[16], int base, const uint16_t* table, int limit) {
    const uint16_t* t = table - base;
    int sum = 0;
    for (int i = 0; i < 16; ++i) {
        sum += t[alpha[i]];
        if (sum > limit) return sum;
    }
    return sum;
}

void alphaBlock(const uint8_t* data, int ix, int iy, int width, uint8_t* output,
                const int (*alphaTable)[8], bool slow) {
    int alpha[16];  // column-major, the order of the stored indices
    int sum = 0;
    for (int i = 0; i < 16; ++i) {
        alpha[i] = data[(iy + i % 4) * width + ix + i / 4];
        sum += alpha[i];
    }
    const int avg = int(sum * 0.0625 + 0.5);
    int lowest = 255, highest = 0, averageError = 0;
    for (int i = 0; i < 16; ++i) {
        lowest = alpha[i] < lowest ? alpha[i] : lowest;
        highest = alpha[i] > highest ? alpha[i] : highest;
        averageError += (avg - alpha[i]) * (avg - alpha[i]);
    }
    const int range = highest - lowest;

    AlphaSearch s;
    if (slow) {
        s = {4, 0, 256, false, {32, 4, 1}, {128, 16, 4}};
    } else {
        int spread = 0;
        for (int i = 0; i < 16; ++i) {
            const int d = avg > alpha[i] ? avg - alpha[i] : alpha[i] - avg;
            if (d > spread) spread = d;
        }
        const int q = spread * 255 / 160;
        const int first = q - 19 < 0 ? 0 : (q - 19 > 240 ? 240 : q - 19);
        const int end = q + 11 < 0 ? 0 : (q + 11 > 255 ? 255 : q + 11);
        s = {3, first, end, true, {16, 4, 1}, {64, 8, 2}};
    }

    // The tables are built from the standard table; another one takes the walk always.
    static const WalkTables tables(qeltexture::alphaTable);
    const bool useTables = alphaTable == qeltexture::alphaTable;
    int bestErr = 1000000000, bestBase = 128, bestRow = 0;
    for (int r = s.rowFirst; r < s.rowEnd; ++r) {
        const int* row = alphaTable[r];
        if (useTables) {
            const int gap = range - (row[7] - row[3]);
            if ((r < 16 && bestErr <= averageError) || (gap > 0 && bestErr <= gap * gap / 2)) continue;
        }
        // Bases for which no modifier of the row clamps: [-row[3], 255 - row[7]].
        const int safeFirst = -row[3], safeLast = 255 - row[7];
        const uint16_t* table = &tables.error[(std::size_t(slow ? 1 : 0) * 256 + std::size_t(r)) * 511 + 255];
        int centre = avg, rowErr = 1000000000, rowBase = avg;
        for (int k = 0; k < 3; ++k) {
            const int from = clamp255(centre - s.reaches[k]), to = clamp255(centre + s.reaches[k]);
            for (int base = from; base <= to; base += s.steps[k]) {
                const int limit = s.abandonAtGlobal ? bestErr : rowErr;
                const int err = useTables && base >= safeFirst && base <= safeLast
                                    ? tableError(alpha, base, table, limit)
                                    : walkError(alpha, base, row, s.negativeLast, limit);
                if (err < rowErr) {
                    rowErr = err;
                    rowBase = base;
                }
                if (err < bestErr) {
                    bestErr = err;
                    bestBase = base;
                    bestRow = r;
                }
            }
            centre = rowBase;
        }
        if (bestErr == 0) break;
    }

    const int* row = alphaTable[bestRow];
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int bestIndex = 0, best = 0;
        for (int k = 0; k < 8; ++k) {
            const int d = clamp255(bestBase + row[k]) - alpha[i];
            if (k == 0 || d * d < best) {
                best = d * d;
                bestIndex = k;
            }
        }
        bits = (bits << 3) | unsigned(bestIndex);
    }
    output[0] = uint8_t(bestBase);
    output[1] = uint8_t(bestRow);
    for (int i = 0; i < 6; ++i) output[2 + i] = uint8_t(bits >> (40 - 8 * i));
}

}  // namespace

void compressBlockAlphaFast(const uint8_t* data, int ix, int iy, int width, uint8_t* output,
                            const int (*alphaTable)[8]) {
    alphaBlock(data, ix, iy, width, output, alphaTable, false);
}

void compressBlockAlphaSlow(const uint8_t* data, int ix, int iy, int width, uint8_t* output,
                            const int (*alphaTable)[8]) {
    alphaBlock(data, ix, iy, width, output, alphaTable, true);
}

}  // namespace qeltexture
