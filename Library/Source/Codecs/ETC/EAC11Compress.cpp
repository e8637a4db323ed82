// 11-bit EAC channel search over every (base, table, multiplier), base outermost,
// keeping the first triple with the smallest error.
//
// The result is the first triple in search order whose error equals the minimum, so
// the search may work from a known upper bound U of that minimum (the best triple at
// the base nearest the block's mean): every triple above U is skipped and the first
// triple at or below U, then strictly below the best, wins as in the plain scan.
// Every value of a triple grows with the base, so for each (table, multiplier) the
// bases that bring some value within reach of a given pixel form a union of intervals;
// only bases that reach a few probe pixels closely enough (see below) are scored, the
// rest cannot get to U. Scoring starts with the pixels most likely to end it (the
// extremes, then the median).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Codecs/ETC/EACCompress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCTables.h"

namespace qeltexture {

namespace {

std::vector<uint16_t> buildValueTable(bool isSigned) {
    std::vector<uint16_t> table(size_t(1) << 19);
    for (int b = 0; b < 256; ++b) {
        // Signed tables are indexed by the stored base byte plus 128.
        const int stored = isSigned ? (b + 128) & 255 : b;
        for (int t = 0; t < 16; ++t)
            for (int m = 0; m < 16; ++m)
                for (int i = 0; i < 8; ++i)
                    table[(size_t(b) << 11) | (t << 7) | (m << 3) | i] =
                        uint16_t(get16bits11bits(stored, t, m, i, isSigned));
    }
    return table;
}

inline int64_t readValue(const uint16_t* data, size_t index, bool isSigned) {
    return isSigned ? int64_t(int16_t(data[index])) : int64_t(data[index]);
}
inline int64_t tableValue(const uint16_t* entries, int i, bool isSigned) {
    return isSigned ? int64_t(int16_t(entries[i])) : int64_t(entries[i]);
}

// Pixels used to find the live triples (more prune harder but cost more).
constexpr int kProbeCount = 5;

constexpr double kCap = 1099511627776.0;  // 2^40
constexpr double kAbandonPenalty = 1073741824.0;  // 2^30

// Squared distance to the nearest of 8 values. Values differ by at most 65535, so
// the square is exact in 32 unsigned bits (the wrapped difference squares the same).
inline uint32_t nearest(const int32_t v[8], int32_t p) {
    uint32_t best = ~0u;
    for (int i = 0; i < 8; ++i) {
        const uint32_t d = uint32_t(p) - uint32_t(v[i]);
        best = std::min(best, d * d);
    }
    return best;
}

// 11-bit offset of each (table, multiplier, index) from 8 * base: the modifier times
// 8 * multiplier, or the bare modifier at multiplier 0.
struct Offsets {
    int value[256][8];
    Offsets() {
        for (int t = 0; t < 16; ++t)
            for (int m = 0; m < 16; ++m)
                for (int i = 0; i < 8; ++i) {
                    const int entry = alphaBase[t][3 - (i & 3)];
                    const int modifier = i < 4 ? entry : -entry - 1;
                    value[(t << 4) | m][i] = m == 0 ? modifier : modifier * m * 8;
                }
    }
};
const Offsets& offsets() {
    static const Offsets table;
    return table;
}

inline int64_t floorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
inline int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

// 16-bit value of an 11-bit one (strictly increasing).
inline int64_t expand11(int64_t v, bool isSigned) {
    if (!isSigned) return (v << 5) + (v >> 6);
    const int64_t a = v < 0 ? -v : v, m = (a << 5) + (a >> 5);
    return v < 0 ? -m : m;
}

// The 11-bit values v whose 16-bit value lies in [lo, hi]: [A, Z] (empty when A > Z).
// The 16-bit value is within 31 of 32 v, which puts the first guesses within a step.
struct ValueRange {
    int64_t A = 1, Z = 0;
    ValueRange() = default;
    ValueRange(bool isSigned, int64_t lo, int64_t hi) {
        const int64_t vMin = isSigned ? -1023 : 0, vMax = isSigned ? 1023 : 2047;
        A = std::max(ceilDiv(lo - 31, 32), vMin);
        while (A <= vMax && expand11(A, isSigned) < lo) ++A;
        Z = std::min(floorDiv(hi + 31, 32), vMax);
        while (Z >= vMin && expand11(Z, isSigned) > hi) --Z;
    }
};

// Bases (table indices 0..255) whose value for `offset` lies in `range`: the value is
// clamp(8 s + offset) with s = base (unsigned, plus 4) or the signed base value
// (stored byte - 128, -128 read as -127).
inline bool baseInterval(bool isSigned, int offset, const ValueRange& range, int& first, int& last) {
    const int64_t vMin = isSigned ? -1023 : 0, vMax = isSigned ? 1023 : 2047;
    if (range.A > range.Z) return false;
    const int64_t c = isSigned ? offset : offset + 4;
    const int64_t sMin = isSigned ? -127 : 0, sMax = isSigned ? 127 : 255;
    // Floor and ceiling division by 8 as arithmetic shifts.
    int64_t sFirst = range.A <= vMin ? sMin : -((c - range.A) >> 3);
    int64_t sLast = range.Z >= vMax ? sMax : (range.Z - c) >> 3;
    sFirst = std::max(sFirst, sMin);
    sLast = std::min(sLast, sMax);
    if (sFirst > sLast) return false;
    if (isSigned) {
        // Base index b holds the value b - 128, and index 0 the same as index 1.
        first = sFirst == -127 ? 0 : int(sFirst + 128);
        last = int(sLast + 128);
    } else {
        first = int(sFirst);
        last = int(sLast);
    }
    return true;
}

// Sets bits [first, end) of a 256-bit mask (0 <= first < end <= 256).
inline void setBits(uint64_t mask[4], int first, int end) {
    const int w0 = first >> 6, w1 = (end - 1) >> 6;
    const uint64_t low = ~uint64_t(0) << (first & 63), high = ~uint64_t(0) >> (63 - ((end - 1) & 63));
    if (w0 == w1) {
        mask[w0] |= low & high;
        return;
    }
    mask[w0] |= low;
    for (int w = w0 + 1; w < w1; ++w) mask[w] = ~uint64_t(0);
    mask[w1] |= high;
}

}  // namespace

const uint16_t* valueTableUnsigned() {
    static const std::vector<uint16_t> table = buildValueTable(false);
    return table.data();
}

const uint16_t* valueTableSigned() {
    static const std::vector<uint16_t> table = buildValueTable(true);
    return table.data();
}

double calcError(const uint16_t* data, int stride, int ix, int iy, int width, int base, int table,
                 int multiplier, double bestSoFar, const uint16_t* valueTable, bool isSigned) {
    const uint16_t* entries = valueTable + ((base << 11) | (table << 7) | (multiplier << 3));
    double sum = 0.0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int64_t p = readValue(data, (size_t(iy + y) * width + ix + x) * stride, isSigned);
            double best = kCap;
            for (int i = 0; i < 8; ++i) {
                const int64_t d = p - tableValue(entries, i, isSigned);
                const double e = double(d * d);
                if (e < best) best = e;
            }
            sum += best;
            if (sum >= bestSoFar) return bestSoFar + kAbandonPenalty;
        }
    return sum;
}

namespace {

// The search, compiled once per signedness so the value reads and interval
// arithmetic carry no run-time branch on it.
template <bool isSigned>
void searchAlpha16(const uint16_t* data, int stride, int ix, int iy, int width, uint8_t* output,
                   const uint16_t* valueTable) {
    int64_t px[16];
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            px[y * 4 + x] = readValue(data, (size_t(iy + y) * width + ix + x) * stride, isSigned);

    // Scoring order: smallest, largest, median, then the rest (the order of a sum does
    // not change it; it only ends hopeless triples sooner).
    int64_t sorted[16];
    std::copy(px, px + 16, sorted);
    std::sort(sorted, sorted + 16);
    int64_t order[16] = {sorted[0], sorted[15], sorted[8]};
    for (int i = 1, n = 3; i < 15; ++i)
        if (i != 8) order[n++] = sorted[i];

    auto valuesOf = [&](int b, int t, int m, int32_t v[8]) {
        const uint16_t* e = valueTable + ((b << 11) | (t << 7) | (m << 3));
        for (int i = 0; i < 8; ++i) v[i] = int32_t(tableValue(e, i, isSigned));
    };
    int32_t order32[16];
    for (int i = 0; i < 16; ++i) order32[i] = int32_t(order[i]);
    // Exact error when below `limit`, else some value >= limit.
    auto score = [&](const int32_t v[8], int64_t limit) {
        int64_t sum = 0;
        for (int i = 0; i < 16; ++i) {
            sum += nearest(v, order32[i]);
            if (sum >= limit) return sum;
        }
        return sum;
    };

    // Upper bound: the best triple at the base whose own value is nearest the mean.
    int64_t mean = 0;
    for (int i = 0; i < 16; ++i) mean += px[i];
    mean /= 16;
    int meanBase = 0;
    {
        int64_t bestDistance = INT64_MAX;
        for (int b = 0; b < 256; ++b) {
            // Multiplier 0, table 13, index 0: one 11-bit step below the base value.
            int32_t v[8];
            valuesOf(b, 13, 0, v);
            const int64_t d = std::abs(v[0] - mean);
            if (d < bestDistance) {
                bestDistance = d;
                meanBase = b;
            }
        }
    }
    int64_t bound = INT64_MAX;
    for (int t = 0; t < 16; ++t)
        for (int m = 0; m < 16; ++m) {
            int32_t v[8];
            valuesOf(meanBase, t, m, v);
            bound = std::min(bound, score(v, bound));
        }

    // Live bases per (table, multiplier). A triple whose error is at most U has every
    // pixel within r = floor(sqrt(U)) of one of its values, and at most one pixel
    // farther than h = floor(sqrt(U / 2)) (two would already sum above U). The 11-bit
    // value of index i is clamp(8 * base + offset), so the bases that bring it within
    // a distance of a probe pixel form an interval; the probes are the block's pixels
    // from the extremes inwards.
    auto isqrt = [](int64_t x) {
        int64_t v = int64_t(std::sqrt(double(x)));
        while (v * v > x) --v;
        while ((v + 1) * (v + 1) <= x) ++v;
        return v;
    };
    const int64_t r = isqrt(bound), h = isqrt(bound / 2);
    constexpr int kProbes = kProbeCount;
    static constexpr int kProbeOrder[16] = {0, 15, 8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13};
    ValueRange full[kProbes], half[kProbes];
    for (int k = 0; k < kProbes; ++k) {
        const int64_t p = sorted[kProbeOrder[k]];
        full[k] = ValueRange(isSigned, p - r, p + r);
        half[k] = ValueRange(isSigned, p - h, p + h);
    }
    const Offsets& offset = offsets();
    // liveByBase[b][w]: bit tm & 63 of word tm >> 6 set when (b, tm) is live.
    uint64_t liveByBase[256][4] = {};
    for (int tm = 0; tm < 256; ++tm) {
        uint64_t mask[4] = {~uint64_t(0), ~uint64_t(0), ~uint64_t(0), ~uint64_t(0)};
        uint64_t farOnce[4] = {0, 0, 0, 0}, farTwice[4] = {0, 0, 0, 0};
        bool any = true;
        for (int k = 0; k < kProbes && any; ++k) {
            uint64_t reach[4] = {0, 0, 0, 0}, near[4] = {0, 0, 0, 0};
            for (int i = 0; i < 8; ++i) {
                int first, last;
                if (baseInterval(isSigned, offset.value[tm][i], full[k], first, last)) {
                    setBits(reach, first, last + 1);
                    if (baseInterval(isSigned, offset.value[tm][i], half[k], first, last))
                        setBits(near, first, last + 1);
                }
            }
            any = false;
            for (int w = 0; w < 4; ++w) {
                mask[w] &= reach[w];
                farTwice[w] |= farOnce[w] & ~near[w];
                farOnce[w] |= ~near[w];
                mask[w] &= ~farTwice[w];
                any |= mask[w] != 0;
            }
        }
        if (!any) continue;
        for (int w = 0; w < 4; ++w)
            for (uint64_t bits = mask[w]; bits != 0; bits &= bits - 1) {
                const int base = (w << 6) | __builtin_ctzll(bits);
                liveByBase[base][tm >> 6] |= uint64_t(1) << (tm & 63);
            }
    }

    // Plain scan order over the live triples; the first at or below the bound, then
    // each strictly better one, replaces the best.
    int64_t best = bound + 1;
    int bestB = meanBase, bestT = 0, bestM = 0;
    for (int b = 0; b < 256; ++b)
        for (int w = 0; w < 4; ++w)
            for (uint64_t bits = liveByBase[b][w]; bits != 0; bits &= bits - 1) {
                const int tm = (w << 6) | __builtin_ctzll(bits);
                int32_t v[8];
                valuesOf(b, tm >> 4, tm & 15, v);
                const int64_t e = score(v, best);
                if (e < best) {
                    best = e;
                    bestB = b;
                    bestT = tm >> 4;
                    bestM = tm & 15;
                }
            }

    // Indices with the winning triple, column-major; index 0's square is capped at
    // 4228250625 (65025^2), ties go to the lower index.
    int32_t v32[8];
    valuesOf(bestB, bestT, bestM, v32);
    int64_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = v32[i];
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        const int64_t p = px[(i % 4) * 4 + i / 4];
        int64_t bestErr = std::min<int64_t>((p - v[0]) * (p - v[0]), 4228250625LL);
        int index = 0;
        for (int k = 1; k < 8; ++k)
            if ((p - v[k]) * (p - v[k]) < bestErr) {
                bestErr = (p - v[k]) * (p - v[k]);
                index = k;
            }
        bits = (bits << 3) | unsigned(index);
    }
    output[0] = uint8_t(isSigned ? bestB - 128 : bestB);
    output[1] = uint8_t((bestM << 4) | bestT);
    for (int i = 0; i < 6; ++i) output[2 + i] = uint8_t(bits >> (40 - 8 * i));
}

}  // namespace

void compressBlockAlpha16(const uint16_t* data, int stride, int ix, int iy, int width,
                          uint8_t* output, bool isSigned, const uint16_t* valueTable) {
    if (isSigned)
        searchAlpha16<true>(data, stride, ix, iy, width, output, valueTable);
    else
        searchAlpha16<false>(data, stride, ix, iy, width, output, valueTable);
}


}  // namespace qeltexture
