// Exhaustive T and H searches over every pair of RGB444 colours, nested red of colour
// 0, red of colour 1, green 0, green 1, blue 0, blue 1 (H: colour 0 < colour 1 in
// 12-bit order; T: all ordered pairs), keeping the first pair strictly below the best.
//
// A pair's error is the minimum over the 8 distances of the sum over the pixels of the
// nearer colour's error, so every partial quantity below is a lower bound of it and
// nothing skipped could have won:
//  - per distance, red-only and red+green errors of each colour (the minimum over the
//    colour's paint options of the channels known so far) bound a red pair and a
//    red-green pair; distances whose bound is not below the best are dropped for the
//    whole red-green pair;
//  - with colour 0 complete, its exact errors against colour 1's red+green bound drop
//    more distances before the blue 1 loop;
//  - exact per-colour errors are built only for the red-green rows the search reaches.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETC2THScore.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"

namespace qeltexture {

using namespace etc2detail;
using etc1detail::Percep1000Metric;
using etc1detail::PlainMetric;

namespace {

using u32 = uint32_t;

struct Workspace {
    // Per channel, level and pixel: weighted squared error of level, level + d, level - d.
    u32 zero[3][16][16];
    u32 plus[3][16][8][16];
    u32 minus[3][16][8][16];
    // Paint-side lower bounds: red only [r][k][p] and red+green [rg][k][p].
    u32 sideR[16][8][16];
    u32 sideRG[256][8][16];
    // T colour 0 (a single paint colour): red+green [rg][p] and exact [colour][p].
    u32 zeroRG[256][16];
    u32 zeroFull[4096][16];
    bool zeroReady[256];
    // Exact paint-side errors [rg][b][k][p], filled per red-green row on demand.
    u32 side[256][16][8][16];
    bool sideReady[256];
};

Workspace* workspace() {
    thread_local std::unique_ptr<Workspace> ws;
    if (!ws) {
        ws.reset(new (std::nothrow) Workspace);
        if (!ws) {
            std::printf("Out of memory allocating ");
            return nullptr;
        }
    }
    return ws.get();
}

inline u32 sumMin(const u32* a, const u32* b) {
    u32 s = 0;
    for (int p = 0; p < 16; ++p) s += std::min(a[p], b[p]);
    return s;
}

template <bool kT>
void tabulate(Workspace& ws, const BlockPixels& px, const unsigned weight[3]) {
    for (int c = 0; c < 3; ++c)
        for (int l = 0; l < 16; ++l) {
            const int level = l * 17;
            for (int p = 0; p < 16; ++p) {
                const int d = level - px.rgb[p][c];
                ws.zero[c][l][p] = u32(d * d) * weight[c];
            }
            for (int k = 0; k < 8; ++k) {
                const int dist = table58H[k];
                const int up = clamp255(level + dist), down = clamp255(level - dist);
                for (int p = 0; p < 16; ++p) {
                    const int du = up - px.rgb[p][c], dd = down - px.rgb[p][c];
                    ws.plus[c][l][k][p] = u32(du * du) * weight[c];
                    ws.minus[c][l][k][p] = u32(dd * dd) * weight[c];
                }
            }
        }
    for (int r = 0; r < 16; ++r)
        for (int k = 0; k < 8; ++k)
            for (int p = 0; p < 16; ++p) {
                u32 v = std::min(ws.plus[0][r][k][p], ws.minus[0][r][k][p]);
                if (kT) v = std::min(v, ws.zero[0][r][p]);
                ws.sideR[r][k][p] = v;
            }
    for (int r = 0; r < 16; ++r)
        for (int g = 0; g < 16; ++g) {
            const int rg = r * 16 + g;
            for (int k = 0; k < 8; ++k)
                for (int p = 0; p < 16; ++p) {
                    u32 v = std::min(ws.plus[0][r][k][p] + ws.plus[1][g][k][p],
                                     ws.minus[0][r][k][p] + ws.minus[1][g][k][p]);
                    if (kT) v = std::min(v, ws.zero[0][r][p] + ws.zero[1][g][p]);
                    ws.sideRG[rg][k][p] = v;
                }
            if (kT)
                for (int p = 0; p < 16; ++p) ws.zeroRG[rg][p] = ws.zero[0][r][p] + ws.zero[1][g][p];
            ws.sideReady[rg] = false;
            ws.zeroReady[rg] = false;
        }
}

template <bool kT>
void ensureSide(Workspace& ws, int rg) {
    if (ws.sideReady[rg]) return;
    ws.sideReady[rg] = true;
    const int r = rg >> 4, g = rg & 15;
    for (int b = 0; b < 16; ++b)
        for (int k = 0; k < 8; ++k)
            for (int p = 0; p < 16; ++p) {
                u32 v = std::min(ws.plus[0][r][k][p] + ws.plus[1][g][k][p] + ws.plus[2][b][k][p],
                                 ws.minus[0][r][k][p] + ws.minus[1][g][k][p] + ws.minus[2][b][k][p]);
                if (kT) v = std::min(v, ws.zero[0][r][p] + ws.zero[1][g][p] + ws.zero[2][b][p]);
                ws.side[rg][b][k][p] = v;
            }
}

void ensureZero(Workspace& ws, int rg) {
    if (ws.zeroReady[rg]) return;
    ws.zeroReady[rg] = true;
    for (int b = 0; b < 16; ++b)
        for (int p = 0; p < 16; ++p) ws.zeroFull[rg * 16 + b][p] = ws.zeroRG[rg][p] + ws.zero[2][b][p];
}

// Colour-0 rows of the bounds: H uses the paint-side tables for both colours, T the
// single colour 0 (the same for every distance).
template <bool kT>
inline const u32* colour0R(const Workspace& ws, int r, int k) {
    return kT ? ws.zero[0][r] : ws.sideR[r][k];
}
template <bool kT>
inline const u32* colour0RG(const Workspace& ws, int rg, int k) {
    return kT ? ws.zeroRG[rg] : ws.sideRG[rg][k];
}

// Returns whether a pair below `best` was found, with its colours (4-bit codes).
template <bool kT>
bool searchPairs(Workspace& ws, u32& best, uint8_t bestColors[2][3]) {
    bool found = false;
    for (int r0 = 0; r0 < 16; ++r0)
        for (int r1 = kT ? 0 : r0; r1 < 16; ++r1) {
            unsigned redAlive = 0;
            for (int k = 0; k < 8; ++k)
                if (sumMin(colour0R<kT>(ws, r0, k), ws.sideR[r1][k]) < best) redAlive |= 1u << k;
            if (redAlive == 0) continue;
            for (int g0 = 0; g0 < 16; ++g0)
                for (int g1 = (!kT && r1 == r0) ? g0 : 0; g1 < 16; ++g1) {
                    const int rg0 = r0 * 16 + g0, rg1 = r1 * 16 + g1;
                    unsigned alive = 0;
                    for (int k = 0; k < 8; ++k)
                        if ((redAlive >> k & 1u) &&
                            sumMin(colour0RG<kT>(ws, rg0, k), ws.sideRG[rg1][k]) < best)
                            alive |= 1u << k;
                    if (alive == 0) continue;
                    ensureSide<kT>(ws, rg1);
                    if (kT)
                        ensureZero(ws, rg0);
                    else
                        ensureSide<kT>(ws, rg0);
                    for (int b0 = 0; b0 < 16; ++b0) {
                        const int c0 = rg0 * 16 + b0;
                        unsigned alive2 = 0;
                        for (int k = 0; k < 8; ++k) {
                            if (!(alive >> k & 1u)) continue;
                            const u32* e0 = kT ? ws.zeroFull[c0] : ws.side[rg0][b0][k];
                            if (sumMin(e0, ws.sideRG[rg1][k]) < best) alive2 |= 1u << k;
                        }
                        if (alive2 == 0) continue;
                        for (int b1 = (!kT && rg1 == rg0) ? b0 + 1 : 0; b1 < 16; ++b1) {
                            bool improved = false;
                            for (int k = 0; k < 8; ++k) {
                                if (!(alive2 >> k & 1u)) continue;
                                const u32* e0 = kT ? ws.zeroFull[c0] : ws.side[rg0][b0][k];
                                const u32 e = sumMin(e0, ws.side[rg1][b1][k]);
                                if (e < best) {
                                    best = e;
                                    improved = true;
                                }
                            }
                            if (improved) {
                                found = true;
                                bestColors[0][0] = uint8_t(r0);
                                bestColors[0][1] = uint8_t(g0);
                                bestColors[0][2] = uint8_t(b0);
                                bestColors[1][0] = uint8_t(r1);
                                bestColors[1][1] = uint8_t(g1);
                                bestColors[1][2] = uint8_t(b1);
                            }
                        }
                    }
                }
        }
    return found;
}

template <class M>
unsigned decodedError(bool tMode, unsigned word1, unsigned word2, const BlockPixels& px) {
    uint8_t decoded[48];
    if (tMode)
        decompressBlockTHUMB59T(word1, word2, decoded, 4, 0, 0);
    else
        decompressBlockTHUMB58H(word1, word2, decoded, 4, 0, 0);
    unsigned sum = 0;
    for (int i = 0; i < 16; ++i)
        sum += M::pixel(decoded[3 * i] - px.rgb[i][0], decoded[3 * i + 1] - px.rgb[i][1],
                        decoded[3 * i + 2] - px.rgb[i][2]);
    return sum;
}

template <bool kT, class M>
unsigned exhaustive(const uint8_t* image, int width, int startx, int starty, unsigned& word1,
                    unsigned& word2, unsigned bound, const unsigned weight[3]) {
    const BlockPixels px(image, width, startx, starty);
    Workspace* ws = workspace();
    uint8_t colors[2][3];
    u32 best = bound;
    if (ws == nullptr) return decodedError<M>(kT, word1, word2, px);
    tabulate<kT>(*ws, px, weight);
    if (!searchPairs<kT>(*ws, best, colors)) return decodedError<M>(kT, word1, word2, px);
    uint8_t distance;
    unsigned indices;
    if (kT) {
        const unsigned err = tSearch<M>(px, nullptr, colors, false, distance, indices);
        word1 = packT59Word1(colors, distance);
        word2 = indexConversion(indices);
        return err;
    }
    const unsigned err = hSearch<M>(px, nullptr, colors, distance, indices);
    packH58(colors, distance, indices, word1, word2);
    return err;
}

constexpr unsigned kPlainWeights[3] = {1, 1, 1};
constexpr unsigned kPercepWeights[3] = {299, 587, 114};

}  // namespace

unsigned int compressBlockTHUMB58HExhaustive(const uint8_t* image, int width, int startx,
                                             int starty, unsigned int& word1, unsigned int& word2,
                                             unsigned int bound) {
    return exhaustive<false, PlainMetric>(image, width, startx, starty, word1, word2, bound,
                                          kPlainWeights);
}
unsigned int compressBlockTHUMB58HExhaustivePerceptual(const uint8_t* image, int width,
                                                       int startx, int starty,
                                                       unsigned int& word1, unsigned int& word2,
                                                       unsigned int bound) {
    return exhaustive<false, Percep1000Metric>(image, width, startx, starty, word1, word2, bound,
                                               kPercepWeights);
}
unsigned int compressBlockTHUMB59TExhaustive(const uint8_t* image, int width, int startx,
                                             int starty, unsigned int& word1, unsigned int& word2,
                                             unsigned int bound) {
    return exhaustive<true, PlainMetric>(image, width, startx, starty, word1, word2, bound,
                                         kPlainWeights);
}
unsigned int compressBlockTHUMB59TExhaustivePerceptual(const uint8_t* image, int width,
                                                       int startx, int starty,
                                                       unsigned int& word1, unsigned int& word2,
                                                       unsigned int bound) {
    return exhaustive<true, Percep1000Metric>(image, width, startx, starty, word1, word2, bound,
                                              kPercepWeights);
}

}  // namespace qeltexture
