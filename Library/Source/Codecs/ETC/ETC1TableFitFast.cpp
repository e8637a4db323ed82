// The plain-metric table fit used by the fast encoders, computed without per-modifier
// lookups. With d = base - pixel per channel, a reconstruction base + m that stays in
// 0..255 has error sum (d + m)^2 = D + m(2S + 3m), D = sum d^2, S = sum d. Where every
// modifier of a table stays unclamped the best modifier depends on S alone and comes
// from a table; otherwise clamped modifiers are scored directly. Ties, order and sums
// are those of the plain fit, so the result is identical.
#include <algorithm>
#include <cstdlib>

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

// The eight pixels of a half, with what the closed form needs.
struct HalfPixels {
    int dSq[8], dSum[8], r[8], g[8], b[8];
    int16_t r16[8], g16[8], b16[8];
};

// Scores one table whose modifiers in `Mask` clamp for this base colour: those are
// scored from their reconstructed colour, the others by the closed form. Returns
// false when the table cannot beat `best`. Works column by column over the eight
// pixels in narrow integers (squares of differences fit 16 bits unsigned) so the
// compiler can vectorise it.
template <unsigned Mask>
bool scoreClamped(const HalfPixels& px, const uint8_t colour[3], const int mods[4], unsigned best,
                  uint8_t columns[8], unsigned& sum) {
    int32_t e[4][8];
    for (int c = 0; c < 4; ++c) {
        const int m = mods[c];
        if (Mask & (1u << c)) {
            const int16_t rr = clamp_table[colour[0] + m + 255];
            const int16_t rg = clamp_table[colour[1] + m + 255];
            const int16_t rb = clamp_table[colour[2] + m + 255];
            for (int p = 0; p < 8; ++p) {
                const uint16_t dr = uint16_t(rr - px.r16[p]), dg = uint16_t(rg - px.g16[p]),
                               db = uint16_t(rb - px.b16[p]);
                e[c][p] = int32_t(uint16_t(dr * dr)) + int32_t(uint16_t(dg * dg)) + int32_t(uint16_t(db * db));
            }
        } else {
            const int32_t a = 2 * m, b = 3 * m * m;
            for (int p = 0; p < 8; ++p) e[c][p] = px.dSq[p] + a * px.dSum[p] + b;
        }
    }
    unsigned total = 0;
    for (int p = 0; p < 8; ++p) {
        int32_t bestE = e[0][p], col = 0;
        if (e[1][p] < bestE) { bestE = e[1][p]; col = 1; }
        if (e[2][p] < bestE) { bestE = e[2][p]; col = 2; }
        if (e[3][p] < bestE) { bestE = e[3][p]; col = 3; }
        columns[p] = uint8_t(col);
        total += unsigned(bestE);
    }
    sum = total;
    return total < best;
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
                                       unsigned int& msbBits, unsigned int& lsbBits) {
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
            half.r16[n] = p[0];
            half.g16[n] = p[1];
            half.b16[n] = p[2];
        }
    const int lo = std::min({colour[0], colour[1], colour[2]});
    const int hi = std::max({colour[0], colour[1], colour[2]});

    // Tables are tried starting from a guess (the one whose large modifier is nearest
    // the half's largest offset from the base), so later tables are abandoned early.
    // Ties still go to the lower table: the comparisons are on (error, table).
    int spread = 0;
    for (int p = 0; p < 8; ++p) spread = std::max(spread, std::abs(dSum[p]));
    spread /= 3;
    int guess = 0;
    for (int t = 1; t < 8; ++t)
        if (std::abs(compressParamsFast[t][3] - spread) < std::abs(compressParamsFast[guess][3] - spread))
            guess = t;

    unsigned best = PlainMetric::kInit;
    uint8_t bestColumns[8] = {};
    int bestTable = 8;
    for (int k = 0; k < 8; ++k) {
        const int t = k == 0 ? guess : (k <= guess ? k - 1 : k);
        // A table below the best one also wins a tie.
        const unsigned limit = t < bestTable ? best + 1 : best;
        const int* mods = compressParamsFast[t];
        uint8_t columns[8];
        unsigned sum = 0;
        if (lo + mods[0] >= 0 && hi + mods[3] <= 255) {
            const uint8_t* lut = kBestColumn.column[t] + kSumRange;
            int p = 0;
            for (; p < 8 && sum < limit; p += 2) {
                const int c0 = lut[dSum[p]], c1 = lut[dSum[p + 1]];
                const int m0 = mods[c0], m1 = mods[c1];
                columns[p] = uint8_t(c0);
                columns[p + 1] = uint8_t(c1);
                sum += unsigned(dSq[p] + m0 * (2 * dSum[p] + 3 * m0)) +
                       unsigned(dSq[p + 1] + m1 * (2 * dSum[p + 1] + 3 * m1));
            }
            if (p < 8) continue;  // cannot win any more
        } else {
            unsigned mask = 0;
            for (int c = 0; c < 4; ++c)
                if (lo + mods[c] < 0 || hi + mods[c] > 255) mask |= 1u << c;
            if (!kScoreClamped[mask](half, colour, mods, limit, columns, sum)) continue;
        }
        if (sum < limit) {
            best = sum;
            bestTable = t;
            std::copy(columns, columns + 8, bestColumns);
        }
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
