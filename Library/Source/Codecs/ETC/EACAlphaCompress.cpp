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
//
// The fast search goes further with a lower bound of the error at every base the row
// can visit, sixteen bases at a time (exact where nothing clamps): a row whose bounds
// all reach the global best is skipped, an exact error within the abandon limit is
// taken from the bounds, and once a row has matched the global best, a base whose
// bound reaches it is not evaluated (its partial sum could no longer move the row).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Codecs/ETC/EACAlphaBound.h"
#include "Codecs/ETC/EACCompress.h"
#include "Codecs/ETC/ETCTables.h"
#include "Codecs/ETC/ETCVectorLevel.h"

namespace qeltexture {

namespace {

inline int clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

struct AlphaSearch {
    int negativeLast;          // last entry of the negative walk
    int rowFirst, rowEnd;      // rows searched: [rowFirst, rowEnd)
    bool abandonAtGlobal;      // abandon limit: global best (fast) or row best (slow)
    int steps[3], reaches[3];
};

// One pixel's error under the directed walk; `value` maps base + modifier to the value
// the decoder would produce (clamped, or left as it is for the per-difference table).
template <class Value>
int walkPixel(int a, int base, const int* row, int negativeLast, Value value) {
    if (a <= base) {
        int d = value(base + row[0]) - a, best = d * d;
        for (int e = 1; e <= negativeLast; ++e) {
            d = value(base + row[e]) - a;
            if (d * d >= best) break;
            best = d * d;
        }
        return best;
    }
    int d = value(base + row[7]) - a, best = d * d;
    for (int e = 6; e >= 4; --e) {
        d = value(base + row[e]) - a;
        if (d * d > best) break;
        best = d * d;
    }
    return best;
}

// Error of (base, row) by the directed walk, abandoned once the sum exceeds `limit`
// (the partial sum is returned then).
int walkError(const int alpha[16], int base, const int* row, int negativeLast, int limit) {
    int sum = 0;
    for (int i = 0; i < 16; ++i) {
        sum += walkPixel(alpha[i], base, row, negativeLast, clamp255);
        if (sum > limit) return sum;
    }
    return sum;
}

// walkError of the fast walk (entries 0-3) for the library's table. Its modifiers are
// strictly monotone on each side (or all 0), and clamping can only flatten the values
// at the ends, so the walk ends at the nearest value of the pixel's side; taking that
// minimum directly avoids the walk's branches.
int sideError(const int alpha[16], int base, const int* row, int limit) {
    int v[8];
    for (int e = 0; e < 8; ++e) v[e] = clamp255(base + row[e]);
    int sum = 0;
    for (int i = 0; i < 16; ++i) {
        const int a = alpha[i];
        const int first = a <= base ? 0 : 4;
        int best = (v[first] - a) * (v[first] - a);
        for (int e = first + 1; e < first + 4; ++e) best = std::min(best, (v[e] - a) * (v[e] - a));
        sum += best;
        if (sum > limit) return sum;
    }
    return sum;
}

// Per-pixel walk errors without clamping, reversed and padded for vector loads:
// [walk (fast, slow)][row][k], k = base - alpha + 255.
struct WalkTables {
    std::vector<uint16_t> error;
    explicit WalkTables(const int (*rows)[8]) : error(std::size_t(2) * 256 * eacdetail::kWalkRowStride, 0xFFFF) {
        for (int w = 0; w < 2; ++w)
            for (int r = 0; r < 256; ++r)
                for (int k = 0; k <= 510; ++k)  // without clamping only alpha - base matters
                    error[(std::size_t(w) * 256 + r) * eacdetail::kWalkRowStride + std::size_t(k)] =
                        uint16_t(walkPixel(255 - k, 0, rows[r], w == 0 ? 3 : 4, [](int v) { return v; }));
    }
};

// walkError through a table of per-difference errors (no clamping at this base).
inline int tableError(const int alpha[16], int base, const uint16_t* row, int limit) {
    const uint16_t* t = row + base + 255;
    int sum = 0;
    for (int i = 0; i < 16; ++i) {
        sum += t[-alpha[i]];
        if (sum > limit) return sum;
    }
    return sum;
}

struct Best {
    int err = 1000000000, base = 128, row = 0;
};

// One row's coarse-to-fine base search. `table` is the row's walk table, or null to
// take the walk at every base.
void plainRow(const int alpha[16], int avg, const AlphaSearch& s, int r, const int* row,
              const uint16_t* table, Best& best) {
    const int safeFirst = -row[3], safeLast = 255 - row[7];  // no modifier clamps in between
    int centre = avg, rowErr = 1000000000, rowBase = avg;
    for (int k = 0; k < 3; ++k) {
        const int from = clamp255(centre - s.reaches[k]), to = clamp255(centre + s.reaches[k]);
        for (int base = from; base <= to; base += s.steps[k]) {
            const int limit = s.abandonAtGlobal ? best.err : rowErr;
            const int err = table != nullptr && base >= safeFirst && base <= safeLast
                                ? tableError(alpha, base, table, limit)
                                : walkError(alpha, base, row, s.negativeLast, limit);
            if (err < rowErr) {
                rowErr = err;
                rowBase = base;
            }
            if (err < best.err) {
                best.err = err;
                best.base = base;
                best.row = r;
            }
        }
        centre = rowBase;
    }
}

// plainRow for the fast search (abandon limit = global best) given the row's bounds
// at every base it can visit, with the same result. While the row has not matched the
// global best, an evaluation that cannot beat it only matters through its partial sum
// in the row's own choice of centre, and only if no later evaluation of the same step
// beats the global best: such evaluations are recorded and summed at the end of the
// step only when needed (the global best, and so the abandon limit, is unchanged then).
void boundedRow(const int alpha[16], int avg, const AlphaSearch& s, int r, const uint16_t* table,
                const uint16_t* bounds, Best& best) {
    const int* row = qeltexture::alphaTable[r];
    const int safeFirst = -row[3], safeLast = 255 - row[7];
    auto evaluate = [&](int base, int limit) {
        const bool safe = base >= safeFirst && base <= safeLast;
        if (safe && bounds[base] < 65535 && bounds[base] <= limit) return int(bounds[base]);
        return safe ? tableError(alpha, base, table, limit) : sideError(alpha, base, row, limit);
    };
    int centre = avg, rowErr = 1000000000, rowBase = avg;
    for (int k = 0; k < 3; ++k) {
        struct Pending {
            int base, err;  // err < 0: not evaluated yet
        } pending[9];
        int pendingCount = 0;
        const int from = clamp255(centre - s.reaches[k]), to = clamp255(centre + s.reaches[k]);
        for (int base = from; base <= to; base += s.steps[k]) {
            const bool cannotBeat = bounds[base] >= best.err;
            if (rowErr <= best.err) {
                if (cannotBeat) continue;  // neither the row nor the global best can move
            } else if (cannotBeat) {
                pending[pendingCount++] = {base, -1};
                continue;
            }
            const int err = evaluate(base, best.err);
            if (err < best.err) {
                best.err = err;
                best.base = base;
                best.row = r;
                rowErr = err;
                rowBase = base;
                pendingCount = 0;  // every earlier result of this step is above it
            } else if (rowErr > best.err) {
                pending[pendingCount++] = {base, err};
            }
        }
        for (int i = 0; i < pendingCount; ++i) {
            const int err = pending[i].err >= 0 ? pending[i].err : evaluate(pending[i].base, best.err);
            if (err < rowErr) {
                rowErr = err;
                rowBase = pending[i].base;
            }
        }
        centre = rowBase;
    }
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
    const bool useBounds = useTables && !slow && etcUseAVX2(ETCVectorLevel::Best);
    const int windowFirst = clamp255(avg - 74), windowLast = clamp255(avg + 74);  // every base a row can visit
    uint16_t bounds[272];
    Best best;
    int& bestErr = best.err;
    for (int r = s.rowFirst; r < s.rowEnd; ++r) {
        const int* row = alphaTable[r];
        if (useTables) {
            const int gap = range - (row[7] - row[3]);
            if ((r < 16 && bestErr <= averageError) || (gap > 0 && bestErr <= gap * gap / 2)) continue;
        }
        const uint16_t* table = &tables.error[(std::size_t(slow ? 1 : 0) * 256 + std::size_t(r)) * eacdetail::kWalkRowStride];
        if (useBounds &&
            int(eacdetail::alphaRowBounds(alpha, table, row, windowFirst, windowLast, bounds)) >= bestErr)
            continue;
        if (useBounds)
            boundedRow(alpha, avg, s, r, table, bounds, best);
        else
            plainRow(alpha, avg, s, r, row, useTables ? table : nullptr, best);
        if (bestErr == 0) break;
    }

    const int bestBase = best.base;
    int values[8];
    for (int k = 0; k < 8; ++k) values[k] = clamp255(bestBase + alphaTable[best.row][k]);
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int bestIndex = 0, best = 0;
        for (int k = 0; k < 8; ++k) {
            const int d = values[k] - alpha[i];
            if (k == 0 || d * d < best) {
                best = d * d;
                bestIndex = k;
            }
        }
        bits = (bits << 3) | unsigned(bestIndex);
    }
    output[0] = uint8_t(bestBase);
    output[1] = uint8_t(best.row);
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
