// T and H mode encoders from clustered colour pairs, and the scoring entry points.
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETC2THPlainScores.h"
#include "Codecs/ETC/ETC2THScore.h"

namespace qeltexture {

using namespace etc2detail;
using etc1detail::Percep1000Metric;
using etc1detail::PlainMetric;

namespace {

// The alpha image of a block in row-major order.
struct BlockAlpha {
    uint8_t a[16];
    BlockAlpha(const uint8_t* alphaImage, int width, int startx, int starty) {
        for (int i = 0; i < 16; ++i) a[i] = alphaImage[(starty + i / 4) * width + startx + i % 4];
    }
};

// The pair scoring of a metric: the vector one for the plain metric.
template <class M>
struct ScoresOf {
    using type = PairScores<M>;
};
template <>
struct ScoresOf<PlainMetric> {
    using type = PlainPairScores;
};

// The H block of a clustered pair: colours in increasing 12-bit order, equal colours
// changed first (then scored as a new pair).
template <class M>
unsigned hFromPair(const BlockPixels& px, const typename ScoresOf<M>::type& scores, const uint8_t colors[2][3],
                   unsigned& word1, unsigned& word2) {
    uint8_t distance;
    unsigned indices, err;
    const unsigned v0 = value444(colors[0]), v1 = value444(colors[1]);
    uint8_t ordered[2][3];
    const bool swap = v0 > v1;
    for (int c = 0; c < 3; ++c) {
        ordered[0][c] = colors[swap][c];
        ordered[1][c] = colors[!swap][c];
    }
    if (v0 != v1) {
        err = scores.bestH(swap, distance, indices);
    } else {
        orderHColors(ordered);
        err = typename ScoresOf<M>::type(px, ordered).bestH(false, distance, indices);
    }
    packH58(ordered, distance, indices, word1, word2);
    return err;
}

using Clustering = void (*)(const uint8_t*, int, int, int, uint8_t[2][3]);

void clustered444(Clustering cluster, const uint8_t* image, int width, int startx, int starty,
                  uint8_t colors444[2][3]) {
    uint8_t colors[2][3];
    cluster(image, width, startx, starty, colors);
    quantizeColorsTo444(colors, colors444);
}

template <class M>
unsigned tFromClustering(Clustering cluster, const uint8_t* image, int width, int startx,
                         int starty, const uint8_t* alpha, uint8_t colors[2][3], uint8_t& distance,
                         unsigned& indices) {
    clustered444(cluster, image, width, startx, starty, colors);
    return tSearch<M>(BlockPixels(image, width, startx, starty), alpha, colors, true, distance,
                      indices);
}

template <class M>
unsigned hFromClustering(Clustering cluster, const uint8_t* image, int width, int startx,
                         int starty, const uint8_t* alpha, uint8_t colors[2][3], uint8_t& distance,
                         unsigned& indices) {
    clustered444(cluster, image, width, startx, starty, colors);
    orderHColors(colors);
    return hSearch<M>(BlockPixels(image, width, startx, starty), alpha, colors, distance, indices);
}

// One H candidate: clustered, quantised, ordered, scored and packed.
void hCandidate(Clustering cluster, const uint8_t* image, int width, int startx, int starty,
                const BlockPixels& px, unsigned& err, unsigned& word1, unsigned& word2) {
    uint8_t colors[2][3];
    clustered444(cluster, image, width, startx, starty, colors);
    err = hFromPair<PlainMetric>(px, PlainPairScores(px, colors), colors, word1, word2);
}

// The fastest T and H blocks of a block from one clustering (both use the same pair).
template <class M>
void thFastest(const uint8_t* image, int width, int startx, int starty, unsigned& tErr,
               unsigned& tWord1, unsigned& tWord2, unsigned& hErr, unsigned& hWord1,
               unsigned& hWord2) {
    uint8_t colors[2][3];
    clustered444(computeColorLBGHalfIntensityFast, image, width, startx, starty, colors);
    const BlockPixels px(image, width, startx, starty);
    const typename ScoresOf<M>::type scores(px, colors);
    int order;
    uint8_t distance;
    unsigned indices;
    tErr = scores.bestT(order, distance, indices);
    const uint8_t tColors[2][3] = {{colors[order][0], colors[order][1], colors[order][2]},
                                   {colors[1 - order][0], colors[1 - order][1], colors[1 - order][2]}};
    tWord1 = packT59Word1(tColors, distance);
    tWord2 = indexConversion(indices);
    hErr = hFromPair<M>(px, scores, colors, hWord1, hWord2);
}

}  // namespace

unsigned int packT59Word1(const uint8_t colors[2][3], uint8_t distance) {
    unsigned w = 0;
    for (int j = 0; j < 2; ++j)
        for (int c = 0; c < 3; ++c) w = (w << 4) | (colors[j][c] & 15u);
    return (w << 3) | (distance & 7u);
}

void packH58(const uint8_t colors[2][3], uint8_t distance, unsigned int pixelIndices,
             unsigned int& word1, unsigned int& word2) {
    int first = 0;
    if (distance & 1u) {
        // The decoder reads distance bit 0 as "colour 0 >= colour 1": swap the colours
        // and move every pixel to the matching entry of the swapped palette.
        first = 1;
        pixelIndices ^= 0xAAAAAAAAu;
    }
    unsigned w = 0;
    for (int j = 0; j < 2; ++j)
        for (int c = 0; c < 3; ++c) w = (w << 4) | (colors[j ^ first][c] & 15u);
    word1 = (w << 2) | ((distance >> 1) & 3u);
    word2 = indexConversion(pixelIndices);
}

unsigned int calculateError59T(const uint8_t* image, int width, int startx, int starty,
                               uint8_t colors[2][3], uint8_t& distance, unsigned int& pixelIndices) {
    return tSearch<PlainMetric>(BlockPixels(image, width, startx, starty), nullptr, colors, true,
                                distance, pixelIndices);
}
unsigned int calculateError59TnoSwap(const uint8_t* image, int width, int startx, int starty,
                                     const uint8_t colors[2][3], uint8_t& distance,
                                     unsigned int& pixelIndices) {
    uint8_t c[2][3] = {{colors[0][0], colors[0][1], colors[0][2]},
                       {colors[1][0], colors[1][1], colors[1][2]}};
    return tSearch<PlainMetric>(BlockPixels(image, width, startx, starty), nullptr, c, false,
                                distance, pixelIndices);
}
unsigned int calculateError59TPerceptual1000(const uint8_t* image, int width, int startx,
                                             int starty, uint8_t colors[2][3], uint8_t& distance,
                                             unsigned int& pixelIndices) {
    return tSearch<Percep1000Metric>(BlockPixels(image, width, startx, starty), nullptr, colors,
                                     true, distance, pixelIndices);
}
unsigned int calculateError59TnoSwapPerceptual1000(const uint8_t* image, int width, int startx,
                                                   int starty, const uint8_t colors[2][3],
                                                   uint8_t& distance, unsigned int& pixelIndices) {
    uint8_t c[2][3] = {{colors[0][0], colors[0][1], colors[0][2]},
                       {colors[1][0], colors[1][1], colors[1][2]}};
    return tSearch<Percep1000Metric>(BlockPixels(image, width, startx, starty), nullptr, c, false,
                                     distance, pixelIndices);
}
unsigned int calculateError59TAlpha(const uint8_t* image, const uint8_t* alphaImage, int width,
                                    int startx, int starty, uint8_t colors[2][3],
                                    uint8_t& distance, unsigned int& pixelIndices) {
    const BlockAlpha alpha(alphaImage, width, startx, starty);
    return tSearch<PlainMetric>(BlockPixels(image, width, startx, starty), alpha.a, colors, true,
                                distance, pixelIndices);
}
unsigned int calculateErrorAndCompress58H(const uint8_t* image, int width, int startx, int starty,
                                          const uint8_t colors[2][3], uint8_t& distance,
                                          unsigned int& pixelIndices) {
    return hSearch<PlainMetric>(BlockPixels(image, width, startx, starty), nullptr, colors,
                                distance, pixelIndices);
}
unsigned int calculateErrorAndCompress58HPerceptual1000(const uint8_t* image, int width,
                                                        int startx, int starty,
                                                        const uint8_t colors[2][3],
                                                        uint8_t& distance,
                                                        unsigned int& pixelIndices) {
    return hSearch<Percep1000Metric>(BlockPixels(image, width, startx, starty), nullptr, colors,
                                     distance, pixelIndices);
}
unsigned int calculateErrorAndCompress58HAlpha(const uint8_t* image, const uint8_t* alphaImage,
                                               int width, int startx, int starty,
                                               const uint8_t colors[2][3], uint8_t& distance,
                                               unsigned int& pixelIndices) {
    const BlockAlpha alpha(alphaImage, width, startx, starty);
    return hSearch<PlainMetric>(BlockPixels(image, width, startx, starty), alpha.a, colors,
                                distance, pixelIndices);
}

unsigned int compressBlockTHUMB59TFastest(const uint8_t* image, int width, int startx, int starty,
                                          unsigned int& word1, unsigned int& word2) {
    unsigned tErr, hErr, h1, h2;
    thFastest<PlainMetric>(image, width, startx, starty, tErr, word1, word2, hErr, h1, h2);
    return tErr;
}
unsigned int compressBlockTHUMB59TFastestPerceptual1000(const uint8_t* image, int width,
                                                        int startx, int starty,
                                                        unsigned int& word1, unsigned int& word2) {
    unsigned tErr, hErr, h1, h2;
    thFastest<Percep1000Metric>(image, width, startx, starty, tErr, word1, word2, hErr, h1, h2);
    return tErr;
}
unsigned int compressBlockTHUMB58HFastest(const uint8_t* image, int width, int startx, int starty,
                                          unsigned int& word1, unsigned int& word2) {
    unsigned tErr, hErr, t1, t2;
    thFastest<PlainMetric>(image, width, startx, starty, tErr, t1, t2, hErr, word1, word2);
    return hErr;
}
unsigned int compressBlockTHUMB58HFastestPerceptual1000(const uint8_t* image, int width,
                                                        int startx, int starty,
                                                        unsigned int& word1, unsigned int& word2) {
    unsigned tErr, hErr, t1, t2;
    thFastest<Percep1000Metric>(image, width, startx, starty, tErr, t1, t2, hErr, word1, word2);
    return hErr;
}
void compressBlockTHFastest(const uint8_t* image, int width, int startx, int starty,
                            unsigned int& tErr, unsigned int& tWord1, unsigned int& tWord2,
                            unsigned int& hErr, unsigned int& hWord1, unsigned int& hWord2) {
    thFastest<PlainMetric>(image, width, startx, starty, tErr, tWord1, tWord2, hErr, hWord1, hWord2);
}
void compressBlockTHFastestPerceptual1000(const uint8_t* image, int width, int startx, int starty,
                                          unsigned int& tErr, unsigned int& tWord1,
                                          unsigned int& tWord2, unsigned int& hErr,
                                          unsigned int& hWord1, unsigned int& hWord2) {
    thFastest<Percep1000Metric>(image, width, startx, starty, tErr, tWord1, tWord2, hErr, hWord1, hWord2);
}

unsigned int compressBlockTHUMB59TFast(const uint8_t* image, int width, int startx, int starty,
                                       unsigned int& word1, unsigned int& word2) {
    return tFastWithFastest(image, width, startx, starty, nullptr, word1, word2);
}

unsigned int compressBlockTHUMB58HFast(const uint8_t* image, int width, int startx, int starty,
                                       unsigned int& word1, unsigned int& word2) {
    const Clustering candidates[2] = {computeColorLBGNotIntensity, computeColorLBG};
    const BlockPixels px(image, width, startx, starty);
    unsigned best = ~0u;
    for (Clustering cluster : candidates) {
        unsigned err, w1, w2;
        hCandidate(cluster, image, width, startx, starty, px, err, w1, w2);
        if (err < best) {
            best = err;
            word1 = w1;
            word2 = w2;
        }
    }
    return best;
}

unsigned int tFastWithFastest(const uint8_t* image, int width, int startx, int starty,
                              const unsigned int* fastest, unsigned int& word1,
                              unsigned int& word2) {
    const Clustering candidates[3] = {computeColorLBGNotIntensityFast,
                                      computeColorLBGHalfIntensityFast, computeColorLBGfast};
    const BlockPixels px(image, width, startx, starty);
    unsigned best = ~0u;
    for (int c = 0; c < 3; ++c) {
        unsigned err, w1, w2;
        if (c == 1 && fastest != nullptr) {
            // The fastest T encoder is exactly this candidate.
            err = fastest[0];
            w1 = fastest[1];
            w2 = fastest[2];
        } else {
            uint8_t colors[2][3];
            clustered444(candidates[c], image, width, startx, starty, colors);
            const PlainPairScores scores(px, colors);
            int order;
            uint8_t distance;
            unsigned indices;
            err = scores.bestT(order, distance, indices);
            const uint8_t ordered[2][3] = {{colors[order][0], colors[order][1], colors[order][2]},
                                           {colors[1 - order][0], colors[1 - order][1], colors[1 - order][2]}};
            w1 = packT59Word1(ordered, distance);
            w2 = indexConversion(indices);
        }
        if (err < best) {
            best = err;
            word1 = w1;
            word2 = w2;
        }
    }
    return best;
}

unsigned int compressBlockTHUMB59TAlpha(const uint8_t* image, const uint8_t* alphaImage,
                                        int width, int startx, int starty, unsigned int& word1,
                                        unsigned int& word2) {
    const BlockAlpha alpha(alphaImage, width, startx, starty);
    uint8_t colors[2][3], distance;
    unsigned indices;
    const unsigned err = tFromClustering<PlainMetric>(computeColorLBGHalfIntensityFast, image, width,
                                                      startx, starty, alpha.a, colors, distance,
                                                      indices);
    word1 = packT59Word1(colors, distance);
    word2 = indexConversion(indices);
    return err;
}

unsigned int compressBlockTHUMB58HAlpha(const uint8_t* image, const uint8_t* alphaImage,
                                        int width, int startx, int starty, unsigned int& word1,
                                        unsigned int& word2) {
    const BlockAlpha alpha(alphaImage, width, startx, starty);
    uint8_t colors[2][3], distance;
    unsigned indices;
    const unsigned err = hFromClustering<PlainMetric>(computeColorLBGHalfIntensityFast, image, width,
                                                      startx, starty, alpha.a, colors, distance,
                                                      indices);
    packH58(colors, distance, indices, word1, word2);
    return err;
}

}  // namespace qeltexture
