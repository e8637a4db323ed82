// 11-bit EAC channel search over every (base, table, multiplier), base outermost,
// keeping the first triple with the smallest error.
//
// The result is the first triple in search order whose error equals the minimum, so
// the search may work from a known upper bound U of that minimum (first the best
// triple at the base nearest the block's mean, then the best found so far): every
// triple above U is skipped and the first triple at or below U, then strictly below
// the best, wins as in the plain scan. A triple at or below U brings every pixel within
// sqrt(U) of one of its values; the values of a (table, multiplier) move with the base
// in whole steps, so for each base the pairs that reach a probe pixel that closely come
// from one lookup in a table of modifier offsets (see LiveTriples), and only pairs that
// reach every probe are scored. Scoring starts with the pixels most likely to end it
// (the extremes, then the median), and the scan stops at a triple no other can beat
// (see floorError).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Codecs/ETC/EAC11Score.h"
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

constexpr double kCap = 1099511627776.0;  // 2^40
constexpr double kAbandonPenalty = 1073741824.0;  // 2^30

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

// One bit per (table, multiplier): bit tm & 63 of word tm >> 6, tm = table << 4 | multiplier.
struct TripleMask {
    uint64_t w[4];
    bool any() const { return (w[0] | w[1] | w[2] | w[3]) != 0; }
};
inline TripleMask operator|(const TripleMask& a, const TripleMask& b) {
    return {{a.w[0] | b.w[0], a.w[1] | b.w[1], a.w[2] | b.w[2], a.w[3] | b.w[3]}};
}
inline TripleMask operator&(const TripleMask& a, const TripleMask& b) {
    return {{a.w[0] & b.w[0], a.w[1] & b.w[1], a.w[2] & b.w[2], a.w[3] & b.w[3]}};
}
inline TripleMask operator~(const TripleMask& a) { return {{~a.w[0], ~a.w[1], ~a.w[2], ~a.w[3]}}; }

// The (table, multiplier) pairs with some index at an offset d in [first, last], for
// any window, as the OR of two overlapping power-of-two runs (a sparse table). Built
// once; offsetOf(tm, i) gives index i's offset, or one outside [kMin, kMax] to leave it out.
template <int kMin, int kMax>
class OffsetReach {
public:
    template <class OffsetOf>
    explicit OffsetReach(OffsetOf offsetOf) {
        for (int tm = 0; tm < 256; ++tm)
            for (int i = 0; i < 8; ++i) {
                const int d = offsetOf(tm, i);
                if (d >= kMin && d <= kMax) level_[0][d - kMin].w[tm >> 6] |= uint64_t(1) << (tm & 63);
            }
        for (int j = 1; j < kLevels; ++j)
            for (int i = 0; i + (1 << j) <= kSize; ++i)
                level_[j][i] = level_[j - 1][i] | level_[j - 1][i + (1 << (j - 1))];
    }
    TripleMask query(int first, int last) const {
        first = std::max(first, kMin);
        last = std::min(last, kMax);
        if (first > last) return TripleMask{};
        const int lo = first - kMin, length = last - first + 1;
        const int j = 31 - __builtin_clz(unsigned(length));
        return level_[j][lo] | level_[j][lo + length - (1 << j)];
    }

private:
    static constexpr int kSize = kMax - kMin + 1;
    static constexpr int kLevels = 32 - __builtin_clz(unsigned(kSize));
    TripleMask level_[kLevels][kSize] = {};
};

// Modifier of index i of table t (the value of index i is 8 * base + 4, unsigned, or
// 8 * base, signed, plus the modifier times 8 * multiplier, or the bare modifier at
// multiplier 0, then clamped). Modifiers lie in -15..14.
inline int modifierOf(int t, int i) {
    const int entry = alphaBase[t][3 - (i & 3)];
    return i < 4 ? entry : -entry - 1;
}
constexpr int kNoOffset = 1 << 20;

// Multipliers 1-15 move the value in whole base steps: offset d = modifier * multiplier
// (in units of 8) lies in -225..210.
const OffsetReach<-225, 210>& coarseReach() {
    static const OffsetReach<-225, 210> table(
        [](int tm, int i) { return (tm & 15) == 0 ? kNoOffset : modifierOf(tm >> 4, i) * (tm & 15); });
    return table;
}
// Multiplier 0 adds the bare modifier, in 11-bit units.
const OffsetReach<-15, 14>& fineReach() {
    static const OffsetReach<-15, 14> table(
        [](int tm, int i) { return (tm & 15) != 0 ? kNoOffset : modifierOf(tm >> 4, i); });
    return table;
}

// A probe pixel's window of 11-bit values [A, Z] seen from the base value s. Multipliers
// 1-15 hit it when some offset d has 8 (s + d) + c0 in [A, Z], i.e. d in
// [ceil((A - c0) / 8) - s, floor((Z - c0) / 8) - s]; multiplier 0 when some modifier o has
// 8 s + c0 + o in [A, Z]. A window that reaches the lowest (highest) value takes every
// value clamped to it, so that end is open; an empty window has its ends swapped far
// apart, which every query clips to nothing.
struct ProbeWindow {
    static constexpr int kOpen = 1 << 20;
    int uFirst, uLast, vFirst, vLast;
    ProbeWindow() = default;
    ProbeWindow(const ValueRange& range, bool isSigned) {
        const int64_t vMin = isSigned ? -1023 : 0, vMax = isSigned ? 1023 : 2047, c0 = isSigned ? 0 : 4;
        if (range.A > range.Z) {
            uFirst = vFirst = kOpen;
            uLast = vLast = -kOpen;
            return;
        }
        uFirst = range.A <= vMin ? -kOpen : int(ceilDiv(range.A - c0, 8));
        uLast = range.Z >= vMax ? kOpen : int(floorDiv(range.Z - c0, 8));
        vFirst = range.A <= vMin ? -kOpen : int(range.A - c0);
        vLast = range.Z >= vMax ? kOpen : int(range.Z - c0);
    }
};

// Error no triple can go below: each pixel's squared distance to the nearest 16-bit
// value that any 11-bit value decodes to.
template <bool isSigned>
int64_t floorError(const int64_t px[16]) {
    const int64_t vMin = isSigned ? -1023 : 0, vMax = isSigned ? 1023 : 2047;
    int64_t sum = 0;
    for (int k = 0; k < 16; ++k) {
        // The value of v lies within 31 of 32 v, so the nearest ones are within two
        // steps of floor(p / 32) on either side (a range that always meets vMin..vMax).
        const int64_t q = floorDiv(px[k], 32);
        int64_t best = INT64_MAX;
        for (int64_t v = std::max(q - 2, vMin); v <= std::min(q + 2, vMax); ++v) {
            const int64_t d = px[k] - expand11(v, isSigned);
            best = std::min(best, d * d);
        }
        sum += best;
    }
    return sum;
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

// Probe pixels per block for the live-triple test: more prune harder but cost more per
// base; 9 measured fastest on photographs (5 scored about 9% slower).
constexpr int kProbeCount = 9;

// Which triples may score at most a bound U. Such a triple has every pixel within
// r = floor(sqrt(U)) of one of its values, and at most one pixel farther than
// h = floor(sqrt(U / 2)) (two would already sum above U); the probes are the block's
// pixels from the extremes inwards.
template <bool isSigned>
class LiveTriples {
public:
    explicit LiveTriples(const int64_t sorted[16]) : sorted_(sorted) {}

    void setBound(uint64_t bound) {
        const int64_t r = isqrt(int64_t(bound)), h = isqrt(int64_t(bound / 2));
        static constexpr int kProbeOrder[kProbeCount] = {0, 15, 8, 4, 12, 2, 6, 10, 14};
        // Multiplier 0 keeps every value within 15 of 8 s + c0, so it can be live only
        // at bases from which every probe's full window is that close.
        fineFirst_ = -ProbeWindow::kOpen;
        fineLast_ = ProbeWindow::kOpen;
        for (int k = 0; k < kProbeCount; ++k) {
            const int64_t p = sorted_[kProbeOrder[k]];
            full_[k] = ProbeWindow(ValueRange(isSigned, p - r, p + r), isSigned);
            half_[k] = ProbeWindow(ValueRange(isSigned, p - h, p + h), isSigned);
            fineFirst_ = std::max(fineFirst_, int(ceilDiv(full_[k].vFirst - 14, 8)));
            fineLast_ = std::min(fineLast_, int(floorDiv(full_[k].vLast + 15, 8)));
        }
    }

    // The (table, multiplier) pairs that may score at most the bound at base value s:
    // the base index unsigned, the stored byte read as signed (-127 for index 0).
    TripleMask at(int s) const {
        TripleMask mask = {{~uint64_t(0), ~uint64_t(0), ~uint64_t(0), ~uint64_t(0)}}, farOnce = {};
        const bool fine = s >= fineFirst_ && s <= fineLast_;
        for (int k = 0; k < kProbeCount; ++k) {
            TripleMask reach = coarse_.query(full_[k].uFirst - s, full_[k].uLast - s);
            TripleMask near = coarse_.query(half_[k].uFirst - s, half_[k].uLast - s);
            if (fine) {
                reach = reach | fine_.query(full_[k].vFirst - 8 * s, full_[k].vLast - 8 * s);
                near = near | fine_.query(half_[k].vFirst - 8 * s, half_[k].vLast - 8 * s);
            }
            mask = mask & reach & ~(farOnce & ~near);
            farOnce = farOnce | ~near;
            if (!mask.any()) break;
        }
        return mask;
    }

private:
    static int64_t isqrt(int64_t x) {
        int64_t v = int64_t(std::sqrt(double(x)));
        while (v * v > x) --v;
        while ((v + 1) * (v + 1) <= x) ++v;
        return v;
    }
    const int64_t* sorted_;
    const OffsetReach<-225, 210>& coarse_ = coarseReach();
    const OffsetReach<-15, 14>& fine_ = fineReach();
    ProbeWindow full_[kProbeCount], half_[kProbeCount];
    int fineFirst_ = 0, fineLast_ = -1;
};

// The search, compiled once per signedness so the value reads and window arithmetic
// carry no run-time branch on it.
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
    alignas(16) uint16_t ordered[16];
    for (int i = 0; i < 16; ++i) ordered[i] = eac11OrderedPattern(uint16_t(order[i]), isSigned);
#if defined(__SSE2__)
    const __m128i pixels[2] = {_mm_load_si128(reinterpret_cast<const __m128i*>(ordered)),
                               _mm_load_si128(reinterpret_cast<const __m128i*>(ordered + 8))};
    // Table entries become ordered patterns the same way: the top bit flipped when signed.
    const __m128i flipLanes = _mm_set1_epi16(isSigned ? -32768 : 0);
#endif
    // Exact error of the triple at `entries` when below `limit`, else some value >= limit.
    auto score = [&](const uint16_t* entries, uint64_t limit) {
#if defined(__SSE2__)
        const __m128i values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(entries));
        return eac11ErrorSse2(pixels, _mm_xor_si128(values, flipLanes), limit);
#else
        uint16_t values[8];
        for (int i = 0; i < 8; ++i) values[i] = eac11OrderedPattern(entries[i], isSigned);
        return eac11ErrorScalar(ordered, values, limit);
#endif
    };
    auto entriesOf = [&](int b, int tm) { return valueTable + ((size_t(b) << 11) | (size_t(tm) << 3)); };

    // Upper bound: the best triple at the base whose own value is nearest the mean.
    int64_t mean = 0;
    for (int i = 0; i < 16; ++i) mean += px[i];
    mean /= 16;
    int meanBase = 0;
    {
        int64_t bestDistance = INT64_MAX;
        for (int b = 0; b < 256; ++b) {
            // Multiplier 0, table 13, index 0: one 11-bit step below the base value.
            const int64_t d = std::abs(tableValue(entriesOf(b, 13 << 4), 0, isSigned) - mean);
            if (d < bestDistance) {
                bestDistance = d;
                meanBase = b;
            }
        }
    }
    uint64_t bound = UINT64_MAX;
    for (int tm = 0; tm < 256; ++tm) bound = std::min(bound, score(entriesOf(meanBase, tm), bound));

    // Plain scan order over the live triples; the first at or below the bound, then
    // each strictly better one, replaces the best. Each base's live triples are found
    // just before it is scanned, with the best so far as the bound. A triple at
    // floorError cannot be beaten, so the scan ends there (this is what keeps blocks of
    // unreachable values, such as signed -32768, from scoring every one of the
    // thousands of triples that clamp to the same value).
    LiveTriples<isSigned> live(sorted);
    live.setBound(bound);
    uint64_t best = bound + 1, liveBound = bound;
    int bestB = meanBase, bestTM = 0;
    const uint64_t lowest = uint64_t(floorError<isSigned>(px));
    for (int b = 0; b < 256 && best > lowest; ++b) {
        if (best - 1 < liveBound) {
            liveBound = best - 1;
            live.setBound(liveBound);
        }
        const TripleMask mask = live.at(isSigned ? std::max(b - 128, -127) : b);
        for (int w = 0; w < 4 && best > lowest; ++w)
            for (uint64_t bits = mask.w[w]; bits != 0; bits &= bits - 1) {
                const int tm = (w << 6) | __builtin_ctzll(bits);
                const uint64_t e = score(entriesOf(b, tm), best);
                if (e < best) {
                    best = e;
                    bestB = b;
                    bestTM = tm;
                    if (best == lowest) break;
                }
            }
    }

    // Indices with the winning triple, column-major; index 0's square is capped at
    // 4228250625 (65025^2), ties go to the lower index.
    const uint16_t* winner = entriesOf(bestB, bestTM);
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        const int64_t p = px[(i % 4) * 4 + i / 4];
        int64_t bestErr = std::min<int64_t>((p - tableValue(winner, 0, isSigned)) * (p - tableValue(winner, 0, isSigned)),
                                            4228250625LL);
        int index = 0;
        for (int k = 1; k < 8; ++k) {
            const int64_t d = p - tableValue(winner, k, isSigned);
            if (d * d < bestErr) {
                bestErr = d * d;
                index = k;
            }
        }
        bits = (bits << 3) | unsigned(index);
    }
    output[0] = uint8_t(isSigned ? bestB - 128 : bestB);
    output[1] = uint8_t(bestTM >> 4 | (bestTM & 15) << 4);
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
