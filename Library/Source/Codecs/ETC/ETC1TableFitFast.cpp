// The plain-metric table fit used by the fast encoders, computed without per-modifier
// lookups. With d = base - pixel per channel, a reconstruction base + m that stays in
// 0..255 has error sum (d + m)^2 = D + m(2S + 3m), D = sum d^2, S = sum d. Where every
// modifier of a table stays unclamped the best modifier depends on S alone and comes
// from a table; otherwise clamped modifiers are scored directly. Ties, order and sums
// are those of the plain fit, so the result is identical.
#include <algorithm>

#include "Codecs/ETC/ETC1TableFit.h"

namespace qeltexture {
namespace etc1detail {

namespace {

constexpr int kSumRange = 765;  // |S| <= 3 * 255

struct BestColumnTable {
    uint8_t column[8][2 * kSumRange + 1] = {};
    constexpr BestColumnTable() {
        const int mods[8][2] = {{8, 2}, {17, 5}, {29, 9}, {42, 13}, {60, 18}, {80, 24}, {106, 33}, {183, 47}};
        for (int t = 0; t < 8; ++t)
            for (int s = -kSumRange; s <= kSumRange; ++s) {
                const int m[4] = {-mods[t][0], -mods[t][1], mods[t][1], mods[t][0]};
                int best = 0;
                long bestValue = 0;
                for (int c = 0; c < 4; ++c) {
                    const long v = long(m[c]) * (2 * s + 3 * m[c]);
                    if (c == 0 || v < bestValue) {
                        bestValue = v;
                        best = c;
                    }
                }
                column[t][s + kSumRange] = uint8_t(best);
            }
    }
};

constexpr BestColumnTable kBestColumn{};

// Which modifiers of each table clamp, from the smallest and the largest channel of the
// base colour: bit c set when modifier column c leaves 0..255.
struct ClampMasks {
    uint8_t low[8][256] = {};
    uint8_t high[8][256] = {};
    // The table whose large modifier is nearest a spread (first on ties).
    uint8_t nearestTable[256] = {};
    constexpr ClampMasks() {
        const int large[8] = {8, 17, 29, 42, 60, 80, 106, 183};
        const int small[8] = {2, 5, 9, 13, 18, 24, 33, 47};
        for (int t = 0; t < 8; ++t)
            for (int v = 0; v < 256; ++v) {
                const int m[4] = {-large[t], -small[t], small[t], large[t]};
                for (int c = 0; c < 4; ++c) {
                    if (v + m[c] < 0) low[t][v] = uint8_t(low[t][v] | (1u << c));
                    if (v + m[c] > 255) high[t][v] = uint8_t(high[t][v] | (1u << c));
                }
            }
        for (int spread = 0; spread < 256; ++spread) {
            int guess = 0;
            for (int t = 1; t < 8; ++t) {
                const int d = large[t] > spread ? large[t] - spread : spread - large[t];
                const int g = large[guess] > spread ? large[guess] - spread : spread - large[guess];
                if (d < g) guess = t;
            }
            nearestTable[spread] = uint8_t(guess);
        }
    }
};

constexpr ClampMasks kClampMasks{};

// The eight pixels of a half, with what the closed form needs.
struct HalfPixels {
    int dSq[8], dSum[8], r[8], g[8], b[8];
};

// Scores one table whose modifiers in `Mask` clamp for this base colour: those are
// scored from their reconstructed colour, the others by the closed form. Stops (false)
// as soon as the running sum shows the table cannot beat `best`.
template <unsigned Mask>
bool scoreClamped(const HalfPixels& px, const uint8_t colour[3], const int mods[4], unsigned best,
                  uint8_t columns[8], unsigned& sum) {
    int rec[4][3];
    for (int c = 0; c < 4; ++c)
        for (int ch = 0; ch < 3; ++ch) rec[c][ch] = clamp_table[colour[ch] + mods[c] + 255];
    unsigned total = 0;
    for (int p = 0; p < 8; ++p) {
        if (total >= best) return false;
        int pixelBest = 0, pixelColumn = 0;
        for (int c = 0; c < 4; ++c) {
            int e;
            if (Mask & (1u << c)) {
                const int dr = rec[c][0] - px.r[p], dg = rec[c][1] - px.g[p], db = rec[c][2] - px.b[p];
                e = dr * dr + dg * dg + db * db;
            } else {
                const int m = mods[c];
                e = px.dSq[p] + m * (2 * px.dSum[p] + 3 * m);
            }
            if (c == 0 || e < pixelBest) {
                pixelBest = e;
                pixelColumn = c;
            }
        }
        columns[p] = uint8_t(pixelColumn);
        total += unsigned(pixelBest);
    }
    sum = total;
    return true;
}

using ScoreFn = bool (*)(const HalfPixels&, const uint8_t*, const int*, unsigned, uint8_t*, unsigned&);
constexpr ScoreFn kScoreClamped[16] = {
    scoreClamped<0>,  scoreClamped<1>,  scoreClamped<2>,  scoreClamped<3>,
    scoreClamped<4>,  scoreClamped<5>,  scoreClamped<6>,  scoreClamped<7>,
    scoreClamped<8>,  scoreClamped<9>,  scoreClamped<10>, scoreClamped<11>,
    scoreClamped<12>, scoreClamped<13>, scoreClamped<14>, scoreClamped<15>};

}  // namespace

unsigned int fitHalfAllTablesPlainFast(const uint8_t* image, int width, int startx, int starty,
                                       HalfShape shape, const uint8_t colour[3], int& table,
                                       unsigned int& msbBits, unsigned int& lsbBits, unsigned int limit) {
    HalfPixels half;
    int(&dSq)[8] = half.dSq;
    int(&dSum)[8] = half.dSum;
    int bit[8];
    int n = 0;
    for (int x = 0; x < shape.columns; ++x)
        for (int y = 0; y < shape.rows; ++y, ++n) {
            const uint8_t* p = image + 3 * ((starty + y) * width + startx + x);
            const int dr = colour[0] - p[0], dg = colour[1] - p[1], db = colour[2] - p[2];
            dSq[n] = dr * dr + dg * dg + db * db;
            dSum[n] = dr + dg + db;
            bit[n] = x * 4 + y;
            half.r[n] = p[0];
            half.g[n] = p[1];
            half.b[n] = p[2];
        }
    const int lo = std::min({colour[0], colour[1], colour[2]});
    const int hi = std::max({colour[0], colour[1], colour[2]});

    // Tables are tried starting from a guess (the one whose large modifier is nearest
    // the half's largest offset from the base), so later tables are abandoned early.
    // Ties still go to the lower table: the comparisons are on (error, table).
    int spread = 0;
    for (int p = 0; p < 8; ++p) spread = std::max(spread, dSum[p] < 0 ? -dSum[p] : dSum[p]);
    const int guess = kClampMasks.nearestTable[spread / 3];

    unsigned best = limit;
    uint8_t bestColumns[8] = {};
    int bestTable = -1;
    for (int k = 0; k < 8; ++k) {
        const int t = k == 0 ? guess : (k <= guess ? k - 1 : k);
        // Below the caller's limit strictly; then a table below the best one also wins
        // a tie.
        const unsigned below = bestTable >= 0 && t < bestTable ? best + 1 : best;
        const int* mods = compressParamsFast[t];
        uint8_t columns[8];
        unsigned sum = 0;
        const unsigned mask = unsigned(kClampMasks.low[t][lo] | kClampMasks.high[t][hi]);
        if (mask == 0) {
            const uint8_t* lut = kBestColumn.column[t] + kSumRange;
            int p = 0;
            for (; p < 8 && sum < below; p += 2) {
                const int c0 = lut[dSum[p]], c1 = lut[dSum[p + 1]];
                const int m0 = mods[c0], m1 = mods[c1];
                columns[p] = uint8_t(c0);
                columns[p + 1] = uint8_t(c1);
                sum += unsigned(dSq[p] + m0 * (2 * dSum[p] + 3 * m0)) +
                       unsigned(dSq[p + 1] + m1 * (2 * dSum[p + 1] + 3 * m1));
            }
            if (p < 8) continue;  // cannot win any more
        } else {
            if (!kScoreClamped[mask](half, colour, mods, below, columns, sum)) continue;
        }
        if (sum < below) {
            best = sum;
            bestTable = t;
            std::copy(columns, columns + 8, bestColumns);
        }
    }
    if (bestTable < 0) {
        table = 0;
        msbBits = lsbBits = 0;
        return limit;
    }
    unsigned msb = 0, lsb = 0;
    for (int p = 0; p < 8; ++p) {
        const unsigned index = unsigned(scramble[bestColumns[p]]);
        msb |= (index >> 1) << bit[p];
        lsb |= (index & 1u) << bit[p];
    }
    table = bestTable;
    msbBits = msb;
    lsbBits = lsb;
    return best;
}

}  // namespace etc1detail
}  // namespace qeltexture
