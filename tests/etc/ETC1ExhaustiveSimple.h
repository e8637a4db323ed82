#pragma once
// The exhaustive ETC1 searches written plainly, loop for loop, without any of the
// library's speed-ups. Tests check that the library's optimised searches give the
// same blocks; the benchmark runs both side by side.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETCTables.h"

namespace qeltest {
namespace simple {

using qeltexture::compressParams;

struct Plain {
    static constexpr unsigned kFill = 3121200u;
    static const unsigned* r() { return qeltexture::square_table; }
    static const unsigned* g() { return qeltexture::square_table; }
    static const unsigned* b() { return qeltexture::square_table; }
    static constexpr bool kPerceptual = false;
};
struct Percep {
    static constexpr unsigned kFill = 1040400000u;
    static const unsigned* r() { return qeltexture::square_table_percep_red; }
    static const unsigned* g() { return qeltexture::square_table_percep_green; }
    static const unsigned* b() { return qeltexture::square_table_percep_blue; }
    static constexpr bool kPerceptual = true;
};

// The 16 pixels in column-major order (p = x*4 + y) and the halves they belong to:
// upper, lower, left, right.
struct Block {
    int px[16][3];
    bool inHalf[4][16];
    Block(const uint8_t* image, int width, int sx, int sy) {
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 4; ++y) {
                const int p = x * 4 + y;
                for (int c = 0; c < 3; ++c) px[p][c] = image[3 * ((sy + y) * width + sx + x) + c];
                inHalf[0][p] = y < 2;
                inHalf[1][p] = y >= 2;
                inHalf[2][p] = x < 2;
                inHalf[3][p] = x >= 2;
            }
    }
};

inline int clampLevel(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Per table and half: sum over the half of the per-pixel minimum over modifiers.
// True when any of those sums is below the bound.
inline bool anyHalfBelow(const unsigned err[8][16][4], const Block& blk, unsigned bound) {
    for (int t = 0; t < 8; ++t)
        for (int h = 0; h < 4; ++h) {
            unsigned sum = 0;
            for (int p = 0; p < 16; ++p) {
                if (!blk.inHalf[h][p]) continue;
                sum += *std::min_element(err[t][p], err[t][p] + 4);
            }
            if (sum < bound) return true;
        }
    return false;
}

// Best error over the tables for each half, colour's blue level completing err.
template <class M>
void halfErrors(const unsigned errRG[8][16][4], const Block& blk, int blue, unsigned out[4]) {
    unsigned perTable[8][4] = {};
    for (int t = 0; t < 8; ++t)
        for (int p = 0; p < 16; ++p) {
            unsigned best = 0;
            for (int m = 0; m < 4; ++m) {
                const int level = clampLevel(blue + compressParams[2 * t][m]);
                const unsigned e = errRG[t][p][m] + M::b()[level - blk.px[p][2] + 255];
                if (m == 0 || e < best) best = e;
            }
            for (int h = 0; h < 4; ++h)
                if (blk.inHalf[h][p]) perTable[t][h] += best;
        }
    for (int h = 0; h < 4; ++h) {
        out[h] = perTable[0][h];
        for (int t = 1; t < 8; ++t) out[h] = std::min(out[h], perTable[t][h]);
    }
}

template <class M>
void redErrors(const Block& blk, int red, unsigned err[8][16][4]) {
    for (int t = 0; t < 8; ++t)
        for (int p = 0; p < 16; ++p)
            for (int m = 0; m < 4; ++m)
                err[t][p][m] = M::r()[clampLevel(red + compressParams[2 * t][m]) - blk.px[p][0] + 255];
}

template <class M>
void addGreen(const Block& blk, int green, const unsigned errR[8][16][4], unsigned err[8][16][4]) {
    for (int t = 0; t < 8; ++t)
        for (int p = 0; p < 16; ++p)
            for (int m = 0; m < 4; ++m)
                err[t][p][m] = errR[t][p][m] +
                               M::g()[clampLevel(green + compressParams[2 * t][m]) - blk.px[p][1] + 255];
}

template <class M>
unsigned individualExhaustive(const uint8_t* image, int width, int sx, int sy, unsigned& high,
                              unsigned& low, unsigned bound) {
    const Block blk(image, width, sx, sy);
    const qeltexture::ETC1IndividualStart start =
        M::kPerceptual ? qeltexture::compressBlockOnlyIndividualAveragePerceptual1000(image, width, sx, sy)
                       : qeltexture::compressBlockOnlyIndividualAverage(image, width, sx, sy);
    unsigned bestErr[4];
    int bestCode[4][3];
    for (int h = 0; h < 4; ++h) {
        bestErr[h] = start.error[h];
        for (int c = 0; c < 3; ++c) bestCode[h][c] = start.code[h][c];
    }
    bound = std::min(bound, start.blockError);
    unsigned errR[8][16][4], errRG[8][16][4];
    for (int r = 0; r < 16; ++r) {
        redErrors<M>(blk, r * 17, errR);
        if (!anyHalfBelow(errR, blk, bound)) continue;
        for (int g = 0; g < 16; ++g) {
            addGreen<M>(blk, g * 17, errR, errRG);
            if (!anyHalfBelow(errRG, blk, bound)) continue;
            bool improved = false;
            for (int b = 0; b < 16; ++b) {
                unsigned e[4];
                halfErrors<M>(errRG, blk, b * 17, e);
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
    const bool flip = bestErr[0] + bestErr[1] < bestErr[2] + bestErr[3];
    const int first = flip ? 0 : 2;
    int code[2][3];
    for (int h = 0; h < 2; ++h)
        for (int c = 0; c < 3; ++c) code[h][c] = bestCode[first + h][c];
    qeltexture::packETC1Individual(image, width, sx, sy, code, flip, M::kPerceptual, high, low);
    return bestErr[first] + bestErr[first + 1];
}

template <class M>
unsigned differentialExhaustive(const uint8_t* image, int width, int sx, int sy, unsigned& high,
                                unsigned& low, unsigned bound) {
    const Block blk(image, width, sx, sy);
    const qeltexture::ETC1DifferentialStart start =
        M::kPerceptual ? qeltexture::compressBlockOnlyDiffFlipAveragePerceptual1000(image, width, sx, sy)
                       : qeltexture::compressBlockOnlyDiffFlipAverage(image, width, sx, sy);
    unsigned best = start.blockError;
    bool bestFlip = start.flip;
    int bestCode[2][3];
    for (int h = 0; h < 2; ++h)
        for (int c = 0; c < 3; ++c) bestCode[h][c] = start.code[h][c];
    bound = std::min(bound, best);

    std::vector<unsigned> halves[4];
    for (auto& v : halves) v.assign(32768, M::kFill);
    unsigned errR[8][16][4], errRG[8][16][4];
    auto level = [](int c) { return (c << 3) | (c >> 2); };
    for (int r = 0; r < 32; ++r) {
        redErrors<M>(blk, level(r), errR);
        if (!anyHalfBelow(errR, blk, bound)) continue;
        for (int g = 0; g < 32; ++g) {
            addGreen<M>(blk, level(g), errR, errRG);
            if (!anyHalfBelow(errRG, blk, bound)) continue;
            for (int b = 0; b < 32; ++b) {
                unsigned e[4];
                halfErrors<M>(errRG, blk, level(b), e);
                for (int h = 0; h < 4; ++h) halves[h][(r << 10) | (g << 5) | b] = e[h];
            }
        }
    }
    const auto& upper = halves[0];
    const auto& lower = halves[1];
    const auto& left = halves[2];
    const auto& right = halves[3];
    for (int r1 = 0; r1 < 32; ++r1)
        for (int g1 = 0; g1 < 32; ++g1)
            for (int b1 = 0; b1 < 32; ++b1) {
                const int c1 = (r1 << 10) | (g1 << 5) | b1;
                if (upper[c1] >= bound && left[c1] >= bound) continue;
                for (int r2 = std::max(0, r1 - 4); r2 <= std::min(31, r1 + 3); ++r2)
                    for (int g2 = std::max(0, g1 - 4); g2 <= std::min(31, g1 + 3); ++g2)
                        for (int b2 = std::max(0, b1 - 4); b2 <= std::min(31, b1 + 3); ++b2) {
                            const int c2 = (r2 << 10) | (g2 << 5) | b2;
                            const int codes[2][3] = {{r1, g1, b1}, {r2, g2, b2}};
                            if (upper[c1] + lower[c2] < best) {
                                best = upper[c1] + lower[c2];
                                bestFlip = true;
                                std::copy(&codes[0][0], &codes[0][0] + 6, &bestCode[0][0]);
                            }
                            if (left[c1] + right[c2] < best) {
                                best = left[c1] + right[c2];
                                bestFlip = false;
                                std::copy(&codes[0][0], &codes[0][0] + 6, &bestCode[0][0]);
                            }
                        }
                bound = std::min(bound, best);
            }
    qeltexture::packETC1Differential(image, width, sx, sy, bestCode, bestFlip, M::kPerceptual, high, low);
    return best;
}

// The two exhaustive block encoders, built on the plain searches above.
inline void etc1Exhaustive(const uint8_t* image, int width, int sx, int sy, unsigned& high,
                           unsigned& low) {
    uint8_t decoded[48];
    unsigned fastHigh, fastLow, indHigh, indLow, diffHigh, diffLow;
    const unsigned fastErr = unsigned(
        qeltexture::compressBlockDiffFlipFast(image, decoded, width, sx, sy, fastHigh, fastLow));
    unsigned bound = std::min(fastErr, 3121200u);
    const unsigned indErr = individualExhaustive<Plain>(image, width, sx, sy, indHigh, indLow, bound);
    bound = std::min(bound, indErr);
    const unsigned diffErr = differentialExhaustive<Plain>(image, width, sx, sy, diffHigh, diffLow, bound);
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

inline void etc1ExhaustivePerceptual(const uint8_t* image, int width, int sx, int sy,
                                     unsigned& high, unsigned& low) {
    uint8_t decoded[48];
    unsigned fastHigh, fastLow, indHigh, indLow, diffHigh, diffLow;
    const double f = qeltexture::compressBlockDiffFlipFastPerceptual(image, decoded, width, sx, sy,
                                                                     fastHigh, fastLow) * 1000.0;
    const unsigned fastErr = f >= 1040400000.0 ? 1040400000u : unsigned(f);
    unsigned bound = fastErr;
    const unsigned diffErr = differentialExhaustive<Percep>(image, width, sx, sy, diffHigh, diffLow, bound);
    bound = std::min(bound, diffErr);
    const unsigned indErr = individualExhaustive<Percep>(image, width, sx, sy, indHigh, indLow, bound);
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

}  // namespace simple
}  // namespace qeltest
