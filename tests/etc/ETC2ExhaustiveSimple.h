#pragma once
// Straightforward exhaustive T, H and planar searches, the whole exhaustive ETC2
// encoder and the 11-bit EAC search; the library's searches must give identical results.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "Codecs/ETC/EACCompress.h"
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCTables.h"
#include "ETC1ExhaustiveSimple.h"

namespace etc2simple {

using qeltexture::table58H;

inline int clampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

const unsigned kPlainWeights[3] = {1, 1, 1}, kPercepWeights[3] = {299, 587, 114};

// Per-pixel errors [colour][k][p] of every colour of the first `channels` RGB444
// channels, used as T colour 0 (itself), an H colour (nearer of colour +- d) or T
// colour 1 (nearest of colour + d, colour, colour - d).
enum class Role { T0, H, T1 };

inline std::vector<unsigned> roleErrors(const uint8_t* image, int width, int startx, int starty, int channels,
                                        Role role, const unsigned w[3]) {
    const int count = 1 << (4 * channels);
    std::vector<unsigned> t(size_t(count) * 8 * 16);
    for (int col = 0; col < count; ++col)
        for (int k = 0; k < 8; ++k)
            for (int p = 0; p < 16; ++p) {
                const uint8_t* px = image + 3 * ((starty + p / 4) * width + startx + p % 4);
                unsigned up = 0, same = 0, down = 0;
                for (int c = 0; c < channels; ++c) {
                    const int v = ((col >> (4 * (channels - 1 - c))) & 15) * 17;
                    const int du = clampByte(v + table58H[k]) - px[c], d0 = v - px[c], dd = clampByte(v - table58H[k]) - px[c];
                    up += unsigned(du * du) * w[c];
                    same += unsigned(d0 * d0) * w[c];
                    down += unsigned(dd * dd) * w[c];
                }
                t[(size_t(col) * 8 + k) * 16 + p] =
                    role == Role::T0 ? same : role == Role::H ? std::min(up, down) : std::min({up, same, down});
            }
    return t;
}

// H pairs with colour 0 < colour 1, T all ordered pairs, nested red 0, red 1, green 0,
// green 1, blue 0, blue 1, pruned by the red and red-green errors; the first pair
// strictly below the best wins. Returns whether one was found.
inline bool searchPair(bool hMode, const uint8_t* image, int width, int startx, int starty, unsigned& best,
                       uint8_t colors[2][3], const unsigned w[3]) {
    std::vector<unsigned> t0[3], t1[3];
    for (int n = 0; n < 3; ++n) {
        t0[n] = roleErrors(image, width, startx, starty, n + 1, hMode ? Role::H : Role::T0, w);
        t1[n] = hMode ? t0[n] : roleErrors(image, width, startx, starty, n + 1, Role::T1, w);
    }
    // Best distance; each pixel takes the better of the two colours' options.
    auto pairError = [&](int n, int a, int b) {
        unsigned lowest = ~0u;
        for (int k = 0; k < 8; ++k) {
            unsigned s = 0;
            for (int p = 0; p < 16; ++p) s += std::min(t0[n][(a * 8 + k) * 16 + p], t1[n][(b * 8 + k) * 16 + p]);
            lowest = std::min(lowest, s);
        }
        return lowest;
    };
    bool found = false;
    for (int r0 = 0; r0 < 16; ++r0)
        for (int r1 = hMode ? r0 : 0; r1 < 16; ++r1) {
            if (pairError(0, r0, r1) >= best) continue;
            for (int g0 = 0; g0 < 16; ++g0)
                for (int g1 = 0; g1 < 16; ++g1) {
                    const int rg0 = r0 * 16 + g0, rg1 = r1 * 16 + g1;
                    if ((hMode && rg0 > rg1) || pairError(1, rg0, rg1) >= best) continue;
                    for (int b0 = 0; b0 < 16; ++b0)
                        for (int b1 = 0; b1 < 16; ++b1) {
                            const int c0 = rg0 * 16 + b0, c1 = rg1 * 16 + b1;
                            if (hMode && c0 >= c1) continue;
                            const unsigned e = pairError(2, c0, c1);
                            if (e >= best) continue;
                            best = e;
                            found = true;
                            for (int c = 0; c < 3; ++c) {
                                colors[0][c] = uint8_t((c0 >> (8 - 4 * c)) & 15);
                                colors[1][c] = uint8_t((c1 >> (8 - 4 * c)) & 15);
                            }
                        }
                }
        }
    return found;
}

// Planar, one channel: every combination of codes O, H, V (O outermost) scored on all
// 16 pixels; the first one strictly below the best wins.
inline void searchPlanarChannel(const uint8_t* image, int width, int startx, int starty, int c,
                                unsigned weight, unsigned best, unsigned code[3]) {
    const int bits = c == 1 ? 7 : 6, n = 1 << bits;
    int px[16];
    for (int i = 0; i < 16; ++i) px[i] = image[3 * ((starty + i / 4) * width + startx + i % 4) + c];
    auto level = [bits](int v) { return bits == 6 ? (v << 2) | (v >> 4) : (v << 1) | (v >> 6); };
    for (int o = 0; o < n; ++o)
        for (int h = 0; h < n; ++h)
            for (int v = 0; v < n; ++v) {
                unsigned e = 0;
                for (int i = 0; i < 16; ++i) {
                    const int x = i % 4, y = i / 4;
                    const int d = clampByte((x * (level(h) - level(o)) + y * (level(v) - level(o)) + 4 * level(o) + 2) >> 2) - px[i];
                    e += unsigned(d * d) * weight;
                }
                if (e < best) {
                    best = e;
                    code[0] = unsigned(o);
                    code[1] = unsigned(h);
                    code[2] = unsigned(v);
                }
            }
}

// Planar words after the per-channel searches (starting codes from word1/word2).
inline void searchPlanar(const uint8_t* image, int width, int startx, int starty, unsigned& word1,
                         unsigned& word2, unsigned bound, const unsigned error[3], const unsigned w[3]) {
    unsigned code[3][3] = {{(word1 >> 26) & 63u, (word1 >> 7) & 63u, (word2 >> 20) & 63u},
                           {(word1 >> 19) & 127u, word1 & 127u, (word2 >> 13) & 127u},
                           {(word1 >> 13) & 63u, (word2 >> 26) & 63u, (word2 >> 7) & 63u}};
    for (int c = 0; c < 3; ++c)
        searchPlanarChannel(image, width, startx, starty, c, w[c], std::min(bound, error[c]), code[c]);
    word1 = (code[0][0] << 26) | (code[1][0] << 19) | (code[2][0] << 13) | (code[0][1] << 7) | code[1][1];
    word2 = (code[2][1] << 26) | (code[0][2] << 20) | (code[1][2] << 13) | (code[2][2] << 7);
}

// The whole T or H search as the library runs it: start block in (word1, word2), the
// first pair strictly below `bound`, finished by the mode's scoring and packing.
inline void exhaustiveTH(bool tMode, bool perceptual, const uint8_t* image, int width, int startx,
                         int starty, unsigned& word1, unsigned& word2, unsigned bound) {
    using namespace qeltexture;
    uint8_t colors[2][3], distance;
    unsigned indices;
    if (!searchPair(!tMode, image, width, startx, starty, bound, colors, perceptual ? kPercepWeights : kPlainWeights))
        return;
    if (!tMode) {
        (perceptual ? calculateErrorAndCompress58HPerceptual1000 : calculateErrorAndCompress58H)(
            image, width, startx, starty, colors, distance, indices);
        return packH58(colors, distance, indices, word1, word2);
    }
    (perceptual ? calculateError59TnoSwapPerceptual1000 : calculateError59TnoSwap)(image, width, startx, starty,
                                                                                  colors, distance, indices);
    word1 = packT59Word1(colors, distance);
    word2 = indexConversion(indices);
}

// The whole exhaustive ETC2 encoder on the straightforward searches, in the library's
// order and with its final selection (M: qeltest::simple::Plain or Percep).
template <class M>
void etc2ExhaustiveWith(const uint8_t* image, int width, int sx, int sy, unsigned& high, unsigned& low) {
    using namespace qeltexture;
    namespace s = qeltest::simple;
    constexpr bool perceptual = M::kPerceptual;
    const unsigned* w = perceptual ? kPercepWeights : kPlainWeights;
    uint8_t decoded[48];
    auto blockError = [&](unsigned hi, unsigned lo) {
        decompressBlockETC2(hi, lo, decoded, 4, 0, 0);
        unsigned sum = 0;
        for (int i = 0; i < 48; ++i) {
            const int d = decoded[i] - image[3 * ((sy + i / 12) * width + sx + i / 3 % 4) + i % 3];
            sum += unsigned(d * d) * w[i % 3];
        }
        return sum;
    };
    unsigned fh, fl;
    const unsigned fErr = s::fastStart<M>(image, width, sx, sy, fh, fl);
    unsigned p1, p2, e[3], t1, t2, h1, h2;
    compressBlockPlanar57(image, width, sx, sy, p1, p2);
    unsigned bound = std::min(
        fErr, (perceptual ? decompressBlockPlanar57errorPerComponentPerceptual1000 : decompressBlockPlanar57errorPerComponent)(
                  p1, p2, decoded, image, width, sx, sy, e[0], e[1], e[2]));
    bound = std::min(bound, (perceptual ? compressBlockTHUMB59TFastestPerceptual1000 : compressBlockTHUMB59TFastest)(
                                image, width, sx, sy, t1, t2));
    bound = std::min(bound, (perceptual ? compressBlockTHUMB58HFastestPerceptual1000 : compressBlockTHUMB58HFastest)(
                                image, width, sx, sy, h1, h2));
    // Planar comes before the differential search in the perceptual encoder, after it
    // in the plain one; a T or H search that beats nothing keeps its start, whose real
    // error is what counts.
    unsigned dh, dl, ih, il, ph, pl, sh, sl, th, tl, pErr = 0;
    auto planar = [&] {
        searchPlanar(image, width, sx, sy, p1, p2, bound, e, w);
        stuff57bits(p1, p2, ph, pl);
        bound = std::min(bound, pErr = blockError(ph, pl));
    };
    if (perceptual) planar();
    const unsigned dErr = s::differentialExhaustive<M>(image, width, sx, sy, dh, dl, bound);
    bound = std::min(bound, dErr);
    if (!perceptual) planar();
    const unsigned iErr = s::individualExhaustive<M>(image, width, sx, sy, ih, il, bound);
    bound = std::min(bound, iErr);
    exhaustiveTH(false, perceptual, image, width, sx, sy, h1, h2, bound);
    stuff58bits(h1, h2, sh, sl);
    const unsigned hErr = blockError(sh, sl);
    exhaustiveTH(true, perceptual, image, width, sx, sy, t1, t2, std::min(bound, hErr));
    stuff59bits(t1, t2, th, tl);

    // The fast ETC1 block, replaced by each later one only when strictly better.
    const struct { unsigned e, h, l; } candidates[] = {
        {fErr, fh, fl}, {dErr, dh, dl}, {iErr, ih, il}, {pErr, ph, pl}, {hErr, sh, sl}, {blockError(th, tl), th, tl}};
    unsigned err = ~0u;
    for (const auto& c : candidates)
        if (c.e < err) {
            err = c.e;
            high = c.h;
            low = c.l;
        }
}

inline void etc2Exhaustive(bool perceptual, const uint8_t* image, int width, int sx, int sy, unsigned& high,
                           unsigned& low) {
    if (perceptual) etc2ExhaustiveWith<qeltest::simple::Percep>(image, width, sx, sy, high, low);
    else etc2ExhaustiveWith<qeltest::simple::Plain>(image, width, sx, sy, high, low);
}

// 11-bit EAC: every (base, table, multiplier) through calcError with the best so far.
inline void compressAlpha16(const uint16_t* data, int stride, int ix, int iy, int width, uint8_t* out,
                            bool isSigned) {
    const uint16_t* table = isSigned ? qeltexture::valueTableSigned() : qeltexture::valueTableUnsigned();
    double best = 1099511627776.0;
    int bb = 0, bt = 0, bm = 0;
    for (int b = 0; b < 256; ++b)
        for (int t = 0; t < 16; ++t)
            for (int m = 0; m < 16; ++m) {
                const double e = qeltexture::calcError(data, stride, ix, iy, width, b, t, m, best, table, isSigned);
                if (e < best) {
                    best = e;
                    bb = b;
                    bt = t;
                    bm = m;
                }
            }
    // Indices in column-major order: the nearest value, index 0's square capped, ties to
    // the lower index.
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        const uint16_t raw = data[(size_t(iy + i % 4) * width + ix + i / 4) * stride];
        const int64_t p = isSigned ? int64_t(int16_t(raw)) : int64_t(raw);
        int64_t bestErr = INT64_MAX;
        int index = 0;
        for (int k = 0; k < 8; ++k) {
            const int64_t d = p - qeltexture::get16bits11bits(isSigned ? (bb + 128) & 255 : bb, bt, bm, k, isSigned);
            const int64_t e = k == 0 ? std::min<int64_t>(d * d, 4228250625LL) : d * d;
            if (e < bestErr) {
                bestErr = e;
                index = k;
            }
        }
        bits = (bits << 3) | unsigned(index);
    }
    out[0] = uint8_t(isSigned ? bb - 128 : bb);
    out[1] = uint8_t((bm << 4) | bt);
    for (int i = 0; i < 6; ++i) out[2 + i] = uint8_t(bits >> (40 - 8 * i));
}

}  // namespace etc2simple
