#pragma once
// The exhaustive ETC1 searches written plainly, without the library's speed-ups; its
// optimised searches must give the same blocks.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETCTables.h"

namespace qeltest {
namespace simple {

using qeltexture::compressParams;

// The two metrics: squared error per channel, and its perceptual weighting x 1000.
struct Plain {
    static constexpr unsigned kFill = 3121200u;
    static constexpr bool kPerceptual = false;
    static const unsigned* square(int) { return qeltexture::square_table; }
};
struct Percep {
    static constexpr unsigned kFill = 1040400000u;
    static constexpr bool kPerceptual = true;
    static const unsigned* square(int c) {
        return c == 0 ? qeltexture::square_table_percep_red
                      : c == 1 ? qeltexture::square_table_percep_green : qeltexture::square_table_percep_blue;
    }
};

// The 16 pixels in column-major order (p = x*4 + y).
struct Block {
    int px[16][3];
    Block(const uint8_t* image, int width, int sx, int sy) {
        for (int p = 0; p < 16; ++p)
            for (int c = 0; c < 3; ++c) px[p][c] = image[3 * ((sy + p % 4) * width + sx + p / 4) + c];
    }
};

// Halves 0..3: upper, lower, left, right.
inline bool inHalf(int h, int p) { return h < 2 ? (p % 4 < 2) == (h == 0) : (p / 4 < 2) == (h == 2); }

// err = prev + the error of channel c at `level` plus each modifier, per table, pixel
// and modifier (prev absent for the first channel).
template <class M>
void addChannel(const Block& blk, int c, int level, const unsigned prev[8][16][4], unsigned err[8][16][4]) {
    for (int t = 0; t < 8; ++t)
        for (int p = 0; p < 16; ++p)
            for (int m = 0; m < 4; ++m) {
                const int v = std::clamp(level + compressParams[2 * t][m], 0, 255);
                err[t][p][m] = (prev ? prev[t][p][m] : 0u) + M::square(c)[v - blk.px[p][c] + 255];
            }
}

// Per half, the smallest over the tables of the sum of each pixel's best modifier.
inline void halfErrors(const unsigned err[8][16][4], unsigned out[4]) {
    std::fill(out, out + 4, ~0u);
    for (int t = 0; t < 8; ++t) {
        unsigned sums[4] = {};
        for (int p = 0; p < 16; ++p)
            for (int h = 0; h < 4; ++h)
                if (inHalf(h, p)) sums[h] += *std::min_element(err[t][p], err[t][p] + 4);
        for (int h = 0; h < 4; ++h) out[h] = std::min(out[h], sums[h]);
    }
}

inline bool anyHalfBelow(const unsigned err[8][16][4], unsigned bound) {
    unsigned e[4];
    halfErrors(err, e);
    return *std::min_element(e, e + 4) < bound;
}

// Calls visit(rgb, half errors) for every colour with `levels` levels per channel
// (level(v) its 8-bit value) that survives the red and the red-green pruning against
// `bound`, which visit may lower.
template <class M, class Level, class Visit>
void walkColours(const Block& blk, int levels, Level level, const unsigned& bound, Visit visit) {
    unsigned errR[8][16][4], errRG[8][16][4], errRGB[8][16][4];
    for (int r = 0; r < levels; ++r) {
        addChannel<M>(blk, 0, level(r), nullptr, errR);
        if (!anyHalfBelow(errR, bound)) continue;
        for (int g = 0; g < levels; ++g) {
            addChannel<M>(blk, 1, level(g), errR, errRG);
            if (!anyHalfBelow(errRG, bound)) continue;
            for (int b = 0; b < levels; ++b) {
                const int rgb[3] = {r, g, b};
                unsigned e[4];
                addChannel<M>(blk, 2, level(b), errRG, errRGB);
                halfErrors(errRGB, e);
                visit(rgb, e);
            }
        }
    }
}

template <class M>
unsigned individualExhaustive(const uint8_t* image, int width, int sx, int sy, unsigned& high,
                              unsigned& low, unsigned bound) {
    const Block blk(image, width, sx, sy);
    qeltexture::ETC1IndividualStart best =
        M::kPerceptual ? qeltexture::compressBlockOnlyIndividualAveragePerceptual1000(image, width, sx, sy)
                       : qeltexture::compressBlockOnlyIndividualAverage(image, width, sx, sy);
    bound = std::min(bound, best.blockError);
    walkColours<M>(blk, 16, [](int v) { return v * 17; }, bound, [&](const int rgb[3], const unsigned e[4]) {
        for (int h = 0; h < 4; ++h)
            if (e[h] < best.error[h]) {
                best.error[h] = e[h];
                std::copy(rgb, rgb + 3, best.code[h]);
            }
        // The half errors only fall, so lowering the bound here is the same as after
        // each red-green row.
        bound = std::min({bound, best.error[0] + best.error[1], best.error[2] + best.error[3]});
    });
    const bool flip = best.error[0] + best.error[1] < best.error[2] + best.error[3];
    const int first = flip ? 0 : 2;
    qeltexture::packETC1Individual(image, width, sx, sy, &best.code[first], flip, M::kPerceptual, high, low);
    return best.error[first] + best.error[first + 1];
}

template <class M>
unsigned differentialExhaustive(const uint8_t* image, int width, int sx, int sy, unsigned& high,
                                unsigned& low, unsigned bound) {
    const Block blk(image, width, sx, sy);
    qeltexture::ETC1DifferentialStart best =
        M::kPerceptual ? qeltexture::compressBlockOnlyDiffFlipAveragePerceptual1000(image, width, sx, sy)
                       : qeltexture::compressBlockOnlyDiffFlipAverage(image, width, sx, sy);
    bound = std::min(bound, best.blockError);

    // Phase 1: every half's best error for every colour (pruned colours keep the fill).
    std::vector<unsigned> halves[4];  // upper, lower, left, right
    for (auto& v : halves) v.assign(32768, M::kFill);
    walkColours<M>(blk, 32, [](int c) { return (c << 3) | (c >> 2); }, bound,
                   [&](const int rgb[3], const unsigned e[4]) {
                       for (int h = 0; h < 4; ++h) halves[h][(rgb[0] << 10) | (rgb[1] << 5) | rgb[2]] = e[h];
                   });
    // Phase 2: every pair of colours within the delta range, top/bottom split first.
    for (int c1 = 0; c1 < 32768; ++c1) {
        const int r1 = c1 >> 10, g1 = (c1 >> 5) & 31, b1 = c1 & 31;
        if (halves[0][c1] >= bound && halves[2][c1] >= bound) continue;
        for (int r2 = std::max(0, r1 - 4); r2 <= std::min(31, r1 + 3); ++r2)
            for (int g2 = std::max(0, g1 - 4); g2 <= std::min(31, g1 + 3); ++g2)
                for (int b2 = std::max(0, b1 - 4); b2 <= std::min(31, b1 + 3); ++b2) {
                    const int c2 = (r2 << 10) | (g2 << 5) | b2;
                    for (const bool flip : {true, false}) {
                        const unsigned e = flip ? halves[0][c1] + halves[1][c2] : halves[2][c1] + halves[3][c2];
                        if (e < best.blockError) best = {{{r1, g1, b1}, {r2, g2, b2}}, flip, e};
                    }
                }
        bound = std::min(bound, best.blockError);
    }
    qeltexture::packETC1Differential(image, width, sx, sy, best.code, best.flip, M::kPerceptual, high, low);
    return best.blockError;
}

// The fast block's error, capped as the exhaustive encoders cap it.
template <class M>
unsigned fastStart(const uint8_t* image, int width, int sx, int sy, unsigned& high, unsigned& low) {
    uint8_t decoded[48];
    if (!M::kPerceptual)
        return std::min(unsigned(qeltexture::compressBlockDiffFlipFast(image, decoded, width, sx, sy, high, low)), M::kFill);
    const double f = qeltexture::compressBlockDiffFlipFastPerceptual(image, decoded, width, sx, sy, high, low) * 1000.0;
    return f >= M::kFill ? M::kFill : unsigned(f);
}

// The exhaustive block encoders on the plain searches. Plain: individual, then
// differential, ties kept in the order differential, individual, fast. Perceptual:
// differential, then individual, ties kept in the order fast, differential, individual.
template <class M>
void etc1ExhaustiveWith(const uint8_t* image, int width, int sx, int sy, unsigned& high, unsigned& low) {
    struct Candidate { unsigned e, h, l; } f, d, i;
    f.e = fastStart<M>(image, width, sx, sy, f.h, f.l);
    if (M::kPerceptual) d.e = differentialExhaustive<M>(image, width, sx, sy, d.h, d.l, f.e);
    i.e = individualExhaustive<M>(image, width, sx, sy, i.h, i.l, M::kPerceptual ? std::min(f.e, d.e) : f.e);
    if (!M::kPerceptual) d.e = differentialExhaustive<M>(image, width, sx, sy, d.h, d.l, std::min(f.e, i.e));
    const Candidate order[3] = {M::kPerceptual ? f : d, M::kPerceptual ? d : i, M::kPerceptual ? i : f};
    unsigned err = ~0u;
    for (const Candidate& c : order)
        if (c.e < err) {
            err = c.e;
            high = c.h;
            low = c.l;
        }
}

inline void etc1Exhaustive(const uint8_t* image, int width, int sx, int sy, unsigned& high, unsigned& low) {
    etc1ExhaustiveWith<Plain>(image, width, sx, sy, high, low);
}

inline void etc1ExhaustivePerceptual(const uint8_t* image, int width, int sx, int sy, unsigned& high, unsigned& low) {
    etc1ExhaustiveWith<Percep>(image, width, sx, sy, high, low);
}

}  // namespace simple
}  // namespace qeltest
