// Exhaustive ETC1 searches over every individual (4-bit) and differential (5-bit) base
// colour. The candidate order, the red and red-green pruning and the tie rules fix the
// result; everything else here only makes candidates cheaper to score or skip, and
// none of it can change which candidate wins:
//  - per-channel lower bounds (each pixel's nearest reconstruction of a level, from a
//    block-independent table) are summed per quadrant and half; a table, a colour or
//    a whole row of blues whose bound is not below the value it would have to beat is
//    skipped;
//  - exact per-pixel errors of a (channel, level) are worked out only when first
//    needed, and red + green tables are combined only when a bound lets them through;
//  - the differential tables only need exact values below the starting error (every
//    comparison made with them is against a value at or below it), so larger values
//    are stored as that error, and (r, g) rows that the pruning removes are not
//    written at all: the pair search skips them, as all their entries would be the
//    fill value.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC1TableFit.h"
#include "Codecs/ETC/ETCTables.h"

namespace qeltexture {

using namespace etc1detail;

namespace {

struct PlainSquares {
    static int weight(int) { return 1; }
    static constexpr bool kPerceptual = false;
};
struct PercepSquares {
    // The weights of square_table_percep_red, _green and _blue.
    static int weight(int c) { return c == 0 ? 299 : (c == 1 ? 587 : 114); }
    static constexpr bool kPerceptual = true;
};

// Pixels are held quadrant by quadrant: slot q*4 + k, quadrants upper-left, upper-right,
// lower-left, lower-right. Halves are quadrant pairs.
constexpr int kHalfQuadrants[4][2] = {{0, 1}, {2, 3}, {0, 2}, {1, 3}};  // upper, lower, left, right

// For every pixel value, level, and table: the smallest squared distance from the
// pixel to the table's four reconstructions of the level (block independent).
template <int kLevels>
struct NearestSquares {
    uint16_t value[256][kLevels][8];
    NearestSquares() {
        for (int p = 0; p < 256; ++p)
            for (int l = 0; l < kLevels; ++l) {
                const int level = kLevels == 16 ? l * 17 : ((l << 3) | (l >> 2));
                for (int t = 0; t < 8; ++t) {
                    int best = 65025;
                    for (int m = 0; m < 4; ++m) {
                        const int d = clamp_table[level + compressParams[2 * t][m] + 255] - p;
                        best = std::min(best, d * d);
                    }
                    value[p][l][t] = uint16_t(best);
                }
            }
    }
};

template <int kLevels>
const NearestSquares<kLevels>& nearestSquares() {
    static const NearestSquares<kLevels> table;
    return table;
}

// Per-block errors for the levels of a 4- or 5-bit code. The per-pixel errors of a
// (channel, level) are only worked out when a search first needs them.
template <int kLevels>
struct ChannelErrors {
    // [channel][level][table][modifier][pixel slot]
    int32_t err[3][kLevels][8][4][16];
    bool ready[3][kLevels];
    // [channel][level][table][quadrant]: sum over the quadrant of the per-pixel minimum
    // over modifiers; a lower bound for that channel's share of any table fit.
    int32_t quadMin[3][kLevels][8][4];
    // The same summed over each half (upper, lower, left, right).
    int32_t halfMin[3][kLevels][8][4];
    // Green's and blue's halfMin transposed to [table][half][level].
    int32_t greenHalfMin[8][4][kLevels];
    int32_t blueHalfMin[8][4][kLevels];
    int32_t px[3][16];
    int16_t px16[3][16];
    int32_t weight[3];

    const int32_t (&errors(int c, int l))[8][4][16] {
        if (!ready[c][l]) {
            ready[c][l] = true;
            const int level = kLevels == 16 ? l * 17 : ((l << 3) | (l >> 2));
            for (int t = 0; t < 8; ++t)
                for (int m = 0; m < 4; ++m) {
                    const int32_t rec = clamp_table[level + compressParams[2 * t][m] + 255];
                    int32_t* out = err[c][l][t][m];
                    const int32_t w = weight[c];
                    // Squares kept to 16 bits (at most 255^2) so the multiplication
                    // vectorises; the unsigned product wraps harmlessly for negative
                    // differences, whose low 16 bits square to the same value.
                    uint16_t sq[16];
                    for (int p = 0; p < 16; ++p) {
                        const uint32_t d = uint16_t(rec - px16[c][p]);
                        sq[p] = uint16_t(d * d);
                    }
                    if (w == 1) {
                        for (int p = 0; p < 16; ++p) out[p] = sq[p];
                    } else {
                        for (int p = 0; p < 16; ++p) out[p] = int32_t(sq[p]) * w;
                    }
                }
        }
        return err[c][l];
    }
};

template <class S, int kLevels>
void tabulate(const uint8_t* image, int width, int startx, int starty, ChannelErrors<kLevels>& ce) {
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int slot = ((y >> 1) * 2 + (x >> 1)) * 4 + (y & 1) * 2 + (x & 1);
            for (int c = 0; c < 3; ++c) {
                ce.px[c][slot] = image[3 * ((starty + y) * width + startx + x) + c];
                ce.px16[c][slot] = int16_t(ce.px[c][slot]);
            }
        }
    const NearestSquares<kLevels>& nearest = nearestSquares<kLevels>();
    for (int c = 0; c < 3; ++c) {
        const int32_t w = S::weight(c);
        ce.weight[c] = w;
        for (int l = 0; l < kLevels; ++l) {
            ce.ready[c][l] = false;
            for (int t = 0; t < 8; ++t) {
                for (int q = 0; q < 4; ++q) {
                    int32_t sum = 0;
                    for (int k = 0; k < 4; ++k) sum += nearest.value[ce.px[c][4 * q + k]][l][t];
                    ce.quadMin[c][l][t][q] = sum * w;
                }
                for (int h = 0; h < 4; ++h) {
                    ce.halfMin[c][l][t][h] =
                        ce.quadMin[c][l][t][kHalfQuadrants[h][0]] + ce.quadMin[c][l][t][kHalfQuadrants[h][1]];
                    if (c == 1) ce.greenHalfMin[t][h][l] = ce.halfMin[c][l][t][h];
                    if (c == 2) ce.blueHalfMin[t][h][l] = ce.halfMin[c][l][t][h];
                }
            }
        }
    }
}

// True when some table leaves some half's summed per-pixel minimum below the bound.
inline bool anyHalfBelow(const int32_t half[8][4], unsigned bound) {
    int32_t any = 0;
    for (int t = 0; t < 8; ++t)
        for (int h = 0; h < 4; ++h) any |= int32_t(unsigned(half[t][h]) < bound);
    return any != 0;
}

// Red + green errors of one (r, g). Tables are combined only when needed: until then
// a table's quadrant values are the sum of each channel's own per-pixel minimum, a
// lower bound of the joint one.
template <int kLevels>
struct RedGreen {
    ChannelErrors<kLevels>* ce;
    int r, g;
    int32_t err[8][4][16];
    int32_t quadMin[8][4];
    int32_t halfMin[8][4];  // quadMin summed per half
    bool exact[8];

    void setHalves(int t) {
        for (int h = 0; h < 4; ++h) halfMin[t][h] = quadMin[t][kHalfQuadrants[h][0]] + quadMin[t][kHalfQuadrants[h][1]];
    }

    // `lower` holds, per table and half, the sum of red's and green's own minimums.
    void start(ChannelErrors<kLevels>& errors, int red, int green, const int32_t (&lower)[8][4][kLevels]) {
        ce = &errors;
        r = red;
        g = green;
        // quadMin is only read for combined tables, which set it themselves.
        for (int t = 0; t < 8; ++t) {
            exact[t] = false;
            for (int h = 0; h < 4; ++h) halfMin[t][h] = lower[t][h][green];
        }
    }

    void combine(int t) {
        if (exact[t]) return;
        exact[t] = true;
        const int32_t(&redErr)[8][4][16] = ce->errors(0, r);
        const int32_t(&greenErr)[8][4][16] = ce->errors(1, g);
        for (int m = 0; m < 4; ++m) {
            const int32_t* er = redErr[t][m];
            const int32_t* eg = greenErr[t][m];
            int32_t* out = err[t][m];
            for (int p = 0; p < 16; ++p) out[p] = er[p] + eg[p];
        }
        int32_t pixMin[16];
        for (int p = 0; p < 16; ++p)
            pixMin[p] = std::min(std::min(err[t][0][p], err[t][1][p]), std::min(err[t][2][p], err[t][3][p]));
        for (int q = 0; q < 4; ++q)
            quadMin[t][q] = pixMin[4 * q] + pixMin[4 * q + 1] + pixMin[4 * q + 2] + pixMin[4 * q + 3];
        setHalves(t);
    }

    // The red-green pruning test: does some table leave some half's summed per-pixel
    // minimum below the bound? Tables whose lower bound already fails are not combined.
    bool anyHalfBelow(unsigned bound) {
        // Bounds above every possible half error pass everything; below 2^31 the signed
        // comparisons are exact.
        const int32_t b = bound > 0x7FFFFFFFu ? 0x7FFFFFFF : int32_t(bound);
        int32_t mayPass[8];
        int32_t anyMay = 0;
        for (int t = 0; t < 8; ++t) {
            mayPass[t] = int32_t(halfMin[t][0] < b) | int32_t(halfMin[t][1] < b) | int32_t(halfMin[t][2] < b) |
                         int32_t(halfMin[t][3] < b);
            anyMay |= mayPass[t];
        }
        if (!anyMay) return false;
        for (int t = 0; t < 8; ++t) {
            if (!mayPass[t]) continue;
            combine(t);
            int32_t pass = 0;
            for (int h = 0; h < 4; ++h) pass |= int32_t(halfMin[t][h] < b);
            if (pass) return true;
        }
        return false;
    }
};

// For one red level, the red-plus-green lower bounds of every green at once, and
// mayPass[g] set where some table and half is below the bound (elsewhere the exact
// red-green test prunes too). Green innermost so the loops vectorise.
template <int kLevels>
struct GreenBounds {
    int32_t lb[8][4][kLevels];
    int32_t mayPass[kLevels];

    void compute(const ChannelErrors<kLevels>& ce, int r, unsigned bound) {
        const int32_t limit = bound > 0x7FFFFFFFu ? 0x7FFFFFFF : int32_t(bound);
        for (int g = 0; g < kLevels; ++g) mayPass[g] = 0;
        for (int t = 0; t < 8; ++t)
            for (int h = 0; h < 4; ++h) {
                const int32_t a = ce.halfMin[0][r][t][h];
                const int32_t* green = ce.greenHalfMin[t][h];
                int32_t* out = lb[t][h];
                for (int g = 0; g < kLevels; ++g) {
                    out[g] = a + green[g];
                    mayPass[g] |= int32_t(out[g] < limit);
                }
            }
    }
};

// Lower bounds for a whole (r, g) row of blues at once: lb[t][h][b] for every table,
// half and blue, and need[b] set where some bound is below that half's cap (only those
// blues can produce a value below the cap). Laid out with blue innermost so the loops
// vectorise.
template <int kLevels>
struct RowBounds {
    int32_t lb[8][4][kLevels];
    int32_t need[kLevels];

    void compute(const ChannelErrors<kLevels>& ce, const RedGreen<kLevels>& rg, const unsigned cap[4]) {
        for (int b = 0; b < kLevels; ++b) need[b] = 0;
        for (int t = 0; t < 8; ++t)
            for (int h = 0; h < 4; ++h) {
                const int32_t a = rg.halfMin[t][h], c = int32_t(cap[h]);  // all below 2^31
                const int32_t* blue = ce.blueHalfMin[t][h];
                int32_t* out = lb[t][h];
                for (int b = 0; b < kLevels; ++b) {
                    out[b] = a + blue[b];
                    need[b] |= int32_t(out[b] < c);
                }
            }
    }
};

// Best table-fit error of each half for colour (r, g, b), where only values below
// cap[h] are needed exactly: out[h] = min(cap[h], exact error of half h). `bounds`
// holds the row's lower bounds (computed with caps at or above these).
template <int kLevels>
void halfErrorsCapped(ChannelErrors<kLevels>& ce, RedGreen<kLevels>& rg, const RowBounds<kLevels>& bounds,
                      int b, const unsigned cap[4], unsigned out[4]) {
    for (int h = 0; h < 4; ++h) out[h] = cap[h];
    if (!bounds.need[b]) return;
    for (int t = 0; t < 8; ++t) {
        bool need = false;
        for (int h = 0; h < 4; ++h) need |= bounds.lb[t][h][b] < int32_t(out[h]);
        if (!need) continue;
        rg.combine(t);
        const int32_t(&blueErr)[4][16] = ce.errors(2, b)[t];
        int32_t pixMin[16];
        for (int p = 0; p < 16; ++p) {
            const int32_t e0 = rg.err[t][0][p] + blueErr[0][p];
            const int32_t e1 = rg.err[t][1][p] + blueErr[1][p];
            const int32_t e2 = rg.err[t][2][p] + blueErr[2][p];
            const int32_t e3 = rg.err[t][3][p] + blueErr[3][p];
            pixMin[p] = std::min(std::min(e0, e1), std::min(e2, e3));
        }
        int32_t quad[4];
        for (int q = 0; q < 4; ++q)
            quad[q] = pixMin[4 * q] + pixMin[4 * q + 1] + pixMin[4 * q + 2] + pixMin[4 * q + 3];
        for (int h = 0; h < 4; ++h) {
            const unsigned e = unsigned(quad[kHalfQuadrants[h][0]] + quad[kHalfQuadrants[h][1]]);
            if (e < out[h]) out[h] = e;
        }
    }
}

// Reusable per-thread work space (the tables are too large for the stack and too
// costly to allocate per block).
struct Workspace {
    ChannelErrors<32> diff;
    ChannelErrors<16> individual;
    std::vector<unsigned> halves[4];
    unsigned rowMin[2][1024];
    bool rowLive[1024];
};

Workspace* workspace() {
    thread_local std::unique_ptr<Workspace> ws;
    if (!ws) {
        try {
            ws.reset(new Workspace);
            for (auto& v : ws->halves) v.resize(32768);
        } catch (const std::bad_alloc&) {
            ws.reset();
            std::printf("Out of memory allocating ");
            return nullptr;
        }
    }
    return ws.get();
}

template <class S>
unsigned individualSearch(const uint8_t* image, int width, int startx, int starty,
                          unsigned int& high, unsigned int& low, unsigned bound) {
    const ETC1IndividualStart start =
        S::kPerceptual ? compressBlockOnlyIndividualAveragePerceptual1000(image, width, startx, starty)
                       : compressBlockOnlyIndividualAverage(image, width, startx, starty);
    unsigned bestErr[4];
    int bestCode[4][3];
    for (int h = 0; h < 4; ++h) {
        bestErr[h] = start.error[h];
        for (int c = 0; c < 3; ++c) bestCode[h][c] = start.code[h][c];
    }
    bound = std::min(bound, start.blockError);

    Workspace* ws = workspace();
    if (ws != nullptr) {
        ChannelErrors<16>& ce = ws->individual;
        tabulate<S, 16>(image, width, startx, starty, ce);
        RedGreen<16> rg;
        RowBounds<16> rowBounds;
        GreenBounds<16> greenBounds;
        for (int r = 0; r < 16; ++r) {
            if (!anyHalfBelow(ce.halfMin[0][r], bound)) continue;
            greenBounds.compute(ce, r, bound);
            for (int g = 0; g < 16; ++g) {
                if (!greenBounds.mayPass[g]) continue;
                rg.start(ce, r, g, greenBounds.lb);
                if (!rg.anyHalfBelow(bound)) continue;
                bool improved = false;
                rowBounds.compute(ce, rg, bestErr);  // the bests only fall during the row
                for (int b = 0; b < 16; ++b) {
                    unsigned e[4];
                    halfErrorsCapped(ce, rg, rowBounds, b, bestErr, e);
                    for (int h = 0; h < 4; ++h)
                        if (e[h] < bestErr[h]) {
                            bestErr[h] = e[h];
                            bestCode[h][0] = r;
                            bestCode[h][1] = g;
                            bestCode[h][2] = b;
                            improved = true;
                        }
                }
                if (improved)
                    bound = std::min(bound, std::min(bestErr[0] + bestErr[1], bestErr[2] + bestErr[3]));
            }
        }
    }
    const bool flip = bestErr[0] + bestErr[1] < bestErr[2] + bestErr[3];
    const int first = flip ? 0 : 2;
    int code[2][3];
    for (int h = 0; h < 2; ++h)
        for (int c = 0; c < 3; ++c) code[h][c] = bestCode[first + h][c];
    packETC1Individual(image, width, startx, starty, code, flip, S::kPerceptual, high, low);
    return bestErr[first] + bestErr[first + 1];
}

template <class S>
unsigned differentialSearch(const uint8_t* image, int width, int startx, int starty,
                            unsigned int& high, unsigned int& low, unsigned bound) {
    const ETC1DifferentialStart start =
        S::kPerceptual ? compressBlockOnlyDiffFlipAveragePerceptual1000(image, width, startx, starty)
                       : compressBlockOnlyDiffFlipAverage(image, width, startx, starty);
    unsigned best = start.blockError;
    bool bestFlip = start.flip;
    int bestCode[2][3];
    for (int h = 0; h < 2; ++h)
        for (int c = 0; c < 3; ++c) bestCode[h][c] = start.code[h][c];
    bound = std::min(bound, best);

    Workspace* ws = workspace();
    if (ws != nullptr) {
        ChannelErrors<32>& ce = ws->diff;
        tabulate<S, 32>(image, width, startx, starty, ce);
        unsigned* upper = ws->halves[0].data();
        unsigned* lower = ws->halves[1].data();
        unsigned* left = ws->halves[2].data();
        unsigned* right = ws->halves[3].data();
        // Values at or above the starting error never decide a comparison.
        const unsigned cap = best;
        const unsigned caps[4] = {cap, cap, cap, cap};
        // Minimum of the lower and right tables over each (r, g) row of blues: lets the
        // pair loop skip a row whose best cannot reach below the best so far.
        unsigned* lowerRowMin = ws->rowMin[0];
        unsigned* rightRowMin = ws->rowMin[1];
        RedGreen<32> rg;
        RowBounds<32> rowBounds;
        GreenBounds<32> greenBounds;
        // A pruned (r, g) row is not written: every entry of it would be the fill value,
        // which is at or above the cap, so the pair loop skips such rows wholesale.
        bool* rowLive = ws->rowLive;
        for (int r = 0; r < 32; ++r) {
            const bool redLive = anyHalfBelow(ce.halfMin[0][r], bound);
            if (redLive) greenBounds.compute(ce, r, bound);
            for (int g = 0; g < 32; ++g) {
                const int row = (r << 5) | g, base = row << 5;
                bool live = redLive && greenBounds.mayPass[g];
                if (live) {
                    rg.start(ce, r, g, greenBounds.lb);
                    live = rg.anyHalfBelow(bound);
                }
                rowLive[row] = live;
                if (!live) continue;
                unsigned lowerMin = cap, rightMin = cap;
                rowBounds.compute(ce, rg, caps);
                for (int b = 0; b < 32; ++b) {
                    unsigned e[4];
                    halfErrorsCapped(ce, rg, rowBounds, b, caps, e);
                    upper[base | b] = e[0];
                    lower[base | b] = e[1];
                    left[base | b] = e[2];
                    right[base | b] = e[3];
                    lowerMin = std::min(lowerMin, e[1]);
                    rightMin = std::min(rightMin, e[3]);
                }
                lowerRowMin[row] = lowerMin;
                rightRowMin[row] = rightMin;
            }
        }
        for (int r1 = 0; r1 < 32; ++r1)
            for (int g1 = 0; g1 < 32; ++g1) {
                if (!rowLive[(r1 << 5) | g1]) continue;  // all fill values: skipped below anyway
                for (int b1 = 0; b1 < 32; ++b1) {
                    const int c1 = (r1 << 10) | (g1 << 5) | b1;
                    const unsigned u = upper[c1], l = left[c1];
                    if (u >= bound && l >= bound) continue;
                    if (u >= best && l >= best) continue;  // no pair can beat the best
                    for (int r2 = std::max(0, r1 - 4); r2 <= std::min(31, r1 + 3); ++r2)
                        for (int g2 = std::max(0, g1 - 4); g2 <= std::min(31, g1 + 3); ++g2) {
                            const int row = (r2 << 5) | g2;
                            if (!rowLive[row]) continue;  // fill values cannot beat the best
                            if (u + lowerRowMin[row] >= best && l + rightRowMin[row] >= best)
                                continue;  // no blue of this row can win
                            for (int b2 = std::max(0, b1 - 4); b2 <= std::min(31, b1 + 3); ++b2) {
                                const int c2 = (row << 5) | b2;
                                if (u + lower[c2] < best) {
                                    best = u + lower[c2];
                                    bestFlip = true;
                                    bestCode[0][0] = r1; bestCode[0][1] = g1; bestCode[0][2] = b1;
                                    bestCode[1][0] = r2; bestCode[1][1] = g2; bestCode[1][2] = b2;
                                }
                                if (l + right[c2] < best) {
                                    best = l + right[c2];
                                    bestFlip = false;
                                    bestCode[0][0] = r1; bestCode[0][1] = g1; bestCode[0][2] = b1;
                                    bestCode[1][0] = r2; bestCode[1][1] = g2; bestCode[1][2] = b2;
                                }
                            }
                        }
                    bound = std::min(bound, best);
                }
            }
    }
    packETC1Differential(image, width, startx, starty, bestCode, bestFlip, S::kPerceptual, high, low);
    return best;
}

}  // namespace

unsigned int compressBlockIndividualExhaustive(const uint8_t* image, int width, int startx,
                                               int starty, unsigned int& high, unsigned int& low,
                                               unsigned int bound) {
    return individualSearch<PlainSquares>(image, width, startx, starty, high, low, bound);
}
unsigned int compressBlockDifferentialExhaustive(const uint8_t* image, int width, int startx,
                                                 int starty, unsigned int& high, unsigned int& low,
                                                 unsigned int bound) {
    return differentialSearch<PlainSquares>(image, width, startx, starty, high, low, bound);
}
unsigned int compressBlockIndividualExhaustivePerceptual(const uint8_t* image, int width,
                                                         int startx, int starty, unsigned int& high,
                                                         unsigned int& low, unsigned int bound) {
    return individualSearch<PercepSquares>(image, width, startx, starty, high, low, bound);
}
unsigned int compressBlockDifferentialExhaustivePerceptual(const uint8_t* image, int width,
                                                           int startx, int starty,
                                                           unsigned int& high, unsigned int& low,
                                                           unsigned int bound) {
    return differentialSearch<PercepSquares>(image, width, startx, starty, high, low, bound);
}

void compressBlockETC1Exhaustive(const uint8_t* image, uint8_t* decoded, int width, int startx,
                                 int starty, unsigned int& high, unsigned int& low) {
    unsigned fastHigh, fastLow;
    const unsigned fastErr =
        unsigned(compressBlockDiffFlipFast(image, decoded, width, startx, starty, fastHigh, fastLow));
    unsigned bound = std::min(fastErr, PlainMetric::kInit);
    unsigned indHigh, indLow, diffHigh, diffLow;
    const unsigned indErr =
        compressBlockIndividualExhaustive(image, width, startx, starty, indHigh, indLow, bound);
    bound = std::min(bound, indErr);
    const unsigned diffErr =
        compressBlockDifferentialExhaustive(image, width, startx, starty, diffHigh, diffLow, bound);
    unsigned err = diffErr;
    high = diffHigh;
    low = diffLow;
    if (indErr < err) {
        err = indErr;
        high = indHigh;
        low = indLow;
    }
    if (fastErr < err) {
        high = fastHigh;
        low = fastLow;
    }
}

void compressBlockETC1ExhaustivePerceptual(const uint8_t* image, uint8_t* decoded, int width,
                                           int startx, int starty, unsigned int& high,
                                           unsigned int& low) {
    unsigned fastHigh, fastLow;
    const double fastPercep =
        compressBlockDiffFlipFastPerceptual(image, decoded, width, startx, starty, fastHigh, fastLow);
    const double scaled = fastPercep * 1000.0;
    const unsigned fastErr =
        scaled >= double(Percep1000Metric::kInit) ? Percep1000Metric::kInit : unsigned(scaled);
    unsigned bound = fastErr;
    unsigned diffHigh, diffLow, indHigh, indLow;
    const unsigned diffErr = compressBlockDifferentialExhaustivePerceptual(
        image, width, startx, starty, diffHigh, diffLow, bound);
    bound = std::min(bound, diffErr);
    const unsigned indErr = compressBlockIndividualExhaustivePerceptual(image, width, startx, starty,
                                                                        indHigh, indLow, bound);
    unsigned err = fastErr;
    high = fastHigh;
    low = fastLow;
    if (diffErr < err) {
        err = diffErr;
        high = diffHigh;
        low = diffLow;
    }
    if (indErr < err) {
        high = indHigh;
        low = indLow;
    }
}

}  // namespace qeltexture
