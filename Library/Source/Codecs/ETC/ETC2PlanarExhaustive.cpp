// Exhaustive planar search. The planar error separates by channel, so each channel
// searches its (O, H, V) codes alone, O outermost, V innermost, keeping the first
// combination strictly below its best. The first row depends on (O, H) only and the
// first column on (O, V) only; their errors bound a combination from below, so:
//  - an O whose pixel (0, 0) alone is not below the best is skipped,
//  - per O, only the V whose column error is below the best take part,
//  - an (O, H) whose row plus the smallest live column is not below the best is
//    skipped, and the nine remaining pixels are summed with an early exit.
// None of these can skip a combination that would have won.
#include <algorithm>

#include "Codecs/ETC/ETC2Compress.h"

namespace qeltexture {

namespace {

inline int clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Reconstruction of pixel (x, y) from expanded O, H, V.
inline int planarValue(int o, int h, int v, int x, int y) {
    return clamp255((x * (h - o) + y * (v - o) + 4 * o + 2) >> 2);
}

template <int kBits>
void searchChannel(const int px[16], unsigned weight, unsigned best, unsigned code[3]) {
    constexpr int kCodes = 1 << kBits;
    int level[kCodes];
    for (int c = 0; c < kCodes; ++c) level[c] = kBits == 6 ? (c << 2) | (c >> 4) : (c << 1) | (c >> 6);
    auto sq = [weight](int d) { return unsigned(d * d) * weight; };
    unsigned column[kCodes];
    int liveV[kCodes];
    for (int O = 0; O < kCodes; ++O) {
        const int o = level[O];
        if (sq(o - px[0]) >= best) continue;
        int liveCount = 0;
        unsigned minColumn = ~0u;
        for (int V = 0; V < kCodes; ++V) {
            const int v = level[V];
            unsigned e = 0;
            for (int y = 1; y < 4; ++y) e += sq(planarValue(o, 0, v, 0, y) - px[y * 4]);
            column[V] = e;
            if (e < best) {
                liveV[liveCount++] = V;
                minColumn = std::min(minColumn, e);
            }
        }
        if (liveCount == 0) continue;
        for (int H = 0; H < kCodes; ++H) {
            const int h = level[H];
            unsigned row = 0;
            for (int x = 0; x < 4; ++x) row += sq(planarValue(o, h, 0, x, 0) - px[x]);
            if (row + minColumn >= best) continue;
            for (int i = 0; i < liveCount; ++i) {
                const int V = liveV[i];
                unsigned e = row + column[V];
                if (e >= best) continue;
                const int v = level[V];
                for (int y = 1; y < 4 && e < best; ++y)
                    for (int x = 1; x < 4; ++x) e += sq(planarValue(o, h, v, x, y) - px[y * 4 + x]);
                if (e < best) {
                    best = e;
                    code[0] = unsigned(O);
                    code[1] = unsigned(H);
                    code[2] = unsigned(V);
                }
            }
        }
    }
}

unsigned planarExhaustive(const uint8_t* image, int width, int startx, int starty,
                          unsigned& word1, unsigned& word2, unsigned bound, const unsigned error[3],
                          const unsigned weight[3]) {
    // Starting codes [channel][O, H, V] from the block passed in.
    unsigned code[3][3] = {{(word1 >> 26) & 63u, (word1 >> 7) & 63u, (word2 >> 20) & 63u},
                           {(word1 >> 19) & 127u, word1 & 127u, (word2 >> 13) & 127u},
                           {(word1 >> 13) & 63u, (word2 >> 26) & 63u, (word2 >> 7) & 63u}};
    for (int c = 0; c < 3; ++c) {
        int px[16];
        for (int i = 0; i < 16; ++i) px[i] = image[3 * ((starty + i / 4) * width + startx + i % 4) + c];
        const unsigned channelBound = std::min(bound, error[c]);
        if (c == 1)
            searchChannel<7>(px, weight[c], channelBound, code[c]);
        else
            searchChannel<6>(px, weight[c], channelBound, code[c]);
    }
    word1 = (code[0][0] << 26) | (code[1][0] << 19) | (code[2][0] << 13) | (code[0][1] << 7) | code[1][1];
    word2 = (code[2][1] << 26) | (code[0][2] << 20) | (code[1][2] << 13) | (code[2][2] << 7);
    uint8_t decoded[48];
    unsigned r, g, b;
    return weight[0] == 1
               ? decompressBlockPlanar57errorPerComponent(word1, word2, decoded, image, width, startx,
                                                          starty, r, g, b)
               : decompressBlockPlanar57errorPerComponentPerceptual1000(word1, word2, decoded, image,
                                                                        width, startx, starty, r, g, b);
}

}  // namespace

unsigned int compressBlockPlanar57Exhaustive(const uint8_t* image, int width, int startx,
                                             int starty, unsigned int& word1, unsigned int& word2,
                                             unsigned int bound, unsigned int errorR,
                                             unsigned int errorG, unsigned int errorB) {
    const unsigned error[3] = {errorR, errorG, errorB}, weight[3] = {1, 1, 1};
    return planarExhaustive(image, width, startx, starty, word1, word2, bound, error, weight);
}

unsigned int compressBlockPlanar57ExhaustivePerceptual(const uint8_t* image, int width,
                                                       int startx, int starty,
                                                       unsigned int& word1, unsigned int& word2,
                                                       unsigned int bound, unsigned int errorR,
                                                       unsigned int errorG, unsigned int errorB) {
    const unsigned error[3] = {errorR, errorG, errorB}, weight[3] = {299, 587, 114};
    return planarExhaustive(image, width, startx, starty, word1, word2, bound, error, weight);
}

}  // namespace qeltexture
