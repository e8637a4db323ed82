// Plain-metric scoring of a T/H colour pair in vector lanes. Per pixel, the error to
// the nearer of c + d and c - d is what every candidate is built from (T: the minimum
// over colour o, colour o', o' +- d; H: over both colours +- d). With
// S = sum over channels of (c - pixel) and no channel of c +- d clamped,
//   err(c + d) = err(c) + 2dS + 3d^2, err(c - d) = err(c) - 2dS + 3d^2,
// so the nearer one is err(c) + 3d^2 - 2d|S|, exact in integers; a colour whose
// c +- d clamps in some channel is scored directly. Sums are exact integers, so the
// first smallest candidate is the one the scalar search finds.
//
// SSE2 is the x86-64 baseline; where the processor has AVX2 a twin working on eight
// pixels per instruction is used instead (same integers, same result). Without SSE2
// a scalar loop computes the same sums.
#include "Codecs/ETC/ETC2THPlainScores.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#endif

namespace qeltexture {
namespace etc2detail {

namespace {

struct PairColours {
    int c8[2][3];
    int total[2];   // channel sums
    bool unclamped[2][8];  // colour j +- distance k stays in 0..255 in every channel
    int coef[8];    // (-2d) in the low 16 bits, 3d^2 in the high ones
    explicit PairColours(const int colours[2][3]) {
        for (int j = 0; j < 2; ++j) {
            int lo = 255, hi = 0;
            for (int c = 0; c < 3; ++c) {
                c8[j][c] = colours[j][c];
                lo = c8[j][c] < lo ? c8[j][c] : lo;
                hi = c8[j][c] > hi ? c8[j][c] : hi;
            }
            total[j] = c8[j][0] + c8[j][1] + c8[j][2];
            for (int k = 0; k < 8; ++k) unclamped[j][k] = lo - table58H[k] >= 0 && hi + table58H[k] <= 255;
        }
        for (int k = 0; k < 8; ++k) {
            const int d = table58H[k];
            coef[k] = int((unsigned(-2 * d) & 0xFFFFu) | (unsigned(3 * d * d) << 16));
        }
    }
    int packedRG(int j, int shift) const { return clamp255(c8[j][0] + shift) | (clamp255(c8[j][1] + shift) << 16); }
    int packedB(int j, int shift) const { return clamp255(c8[j][2] + shift); }
};

#if defined(__SSE2__)

// Row-major index word from per-pixel masks of the index bits (bit i = pixel i):
// pixel i ends up in bits 31 - 2i (msb) and 30 - 2i (lsb).
unsigned indexWord(unsigned lsbMask, unsigned msbMask) {
    auto spread = [](unsigned x) {
        x = (x | (x << 8)) & 0x00FF00FFu;
        x = (x | (x << 4)) & 0x0F0F0F0Fu;
        x = (x | (x << 2)) & 0x33333333u;
        return (x | (x << 1)) & 0x55555555u;
    };
    unsigned x = spread(lsbMask) | (spread(msbMask) << 1);  // pixel i in bits 2i + 1, 2i
    // Reverse the order of the 2-bit fields.
    x = (x >> 16) | (x << 16);
    x = ((x & 0xFF00FF00u) >> 8) | ((x & 0x00FF00FFu) << 8);
    x = ((x & 0xF0F0F0F0u) >> 4) | ((x & 0x0F0F0F0Fu) << 4);
    return ((x & 0xCCCCCCCCu) >> 2) | ((x & 0x33333333u) << 2);
}

// ---- SSE2: four pixels per vector ----

inline __m128i min32(__m128i a, __m128i b) {  // signed; the values are far below 2^31
    const __m128i aGreater = _mm_cmpgt_epi32(a, b);
    return _mm_or_si128(_mm_and_si128(aGreater, b), _mm_andnot_si128(aGreater, a));
}
inline unsigned sum4(__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return unsigned(_mm_cvtsi128_si32(v));
}
// Squared errors of four pixels against one colour: one multiply-add squares and sums
// a pair of 16-bit channels into 32 bits.
inline __m128i errors4(__m128i rg, __m128i b, int colourRG, int colourB) {
    const __m128i dRG = _mm_sub_epi16(_mm_set1_epi32(colourRG), rg);
    const __m128i dB = _mm_sub_epi16(_mm_set1_epi32(colourB), b);
    return _mm_add_epi32(_mm_madd_epi16(dRG, dRG), _mm_madd_epi16(dB, dB));
}

void pairErrorsSSE2(const PairPixels& px, const PairColours& pc, unsigned tErr[2][8], unsigned hErr[8]) {
    __m128i rg[4], b[4], plain[2][4], absSum[2][4], nearest[4];
    const __m128i ones = _mm_set1_epi16(1), highOne = _mm_set1_epi32(1 << 16);
    for (int g = 0; g < 4; ++g) {
        rg[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(px.rg + 8 * g));
        b[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(px.b + 8 * g));
        const __m128i pixelSum = _mm_add_epi32(_mm_madd_epi16(rg[g], ones), _mm_madd_epi16(b[g], ones));
        for (int j = 0; j < 2; ++j) {
            plain[j][g] = errors4(rg[g], b[g], pc.packedRG(j, 0), pc.packedB(j, 0));
            const __m128i s = _mm_sub_epi32(_mm_set1_epi32(pc.total[j]), pixelSum);
            const __m128i sign = _mm_srai_epi32(s, 31);
            // |S| in the low 16 bits and 1 in the high ones, for one multiply-add with
            // (-2d, 3d^2).
            absSum[j][g] = _mm_or_si128(_mm_sub_epi32(_mm_xor_si128(s, sign), sign), highOne);
        }
        nearest[g] = min32(plain[0][g], plain[1][g]);
    }
    for (int k = 0; k < 8; ++k) {
        const int d = table58H[k];
        __m128i pm[2][4];  // nearer of colour j + d and colour j - d
        for (int j = 0; j < 2; ++j) {
            if (pc.unclamped[j][k]) {
                const __m128i coef = _mm_set1_epi32(pc.coef[k]);
                for (int g = 0; g < 4; ++g) pm[j][g] = _mm_add_epi32(plain[j][g], _mm_madd_epi16(absSum[j][g], coef));
            } else {
                const int upRG = pc.packedRG(j, d), upB = pc.packedB(j, d);
                const int downRG = pc.packedRG(j, -d), downB = pc.packedB(j, -d);
                for (int g = 0; g < 4; ++g)
                    pm[j][g] = min32(errors4(rg[g], b[g], upRG, upB), errors4(rg[g], b[g], downRG, downB));
            }
        }
        __m128i h = _mm_setzero_si128(), t0 = h, t1 = h;
        for (int g = 0; g < 4; ++g) {
            h = _mm_add_epi32(h, min32(pm[0][g], pm[1][g]));
            t0 = _mm_add_epi32(t0, min32(nearest[g], pm[1][g]));  // colour 0 alone
            t1 = _mm_add_epi32(t1, min32(nearest[g], pm[0][g]));  // colour 1 alone
        }
        hErr[k] = sum4(h);
        tErr[0][k] = sum4(t0);
        tErr[1][k] = sum4(t1);
    }
}

unsigned indicesSSE2(const PairPixels& px, const int paint[4][3]) {
    unsigned lsb = 0, msb = 0;
    for (int g = 0; g < 4; ++g) {
        const __m128i rg = _mm_load_si128(reinterpret_cast<const __m128i*>(px.rg + 8 * g));
        const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(px.b + 8 * g));
        __m128i best = errors4(rg, b, paint[0][0] | (paint[0][1] << 16), paint[0][2]);
        __m128i index = _mm_setzero_si128();
        for (int k = 1; k < 4; ++k) {
            const __m128i e = errors4(rg, b, paint[k][0] | (paint[k][1] << 16), paint[k][2]);
            const __m128i smaller = _mm_cmpgt_epi32(best, e);  // ties keep the lower index
            best = _mm_or_si128(_mm_and_si128(smaller, e), _mm_andnot_si128(smaller, best));
            index = _mm_or_si128(_mm_and_si128(smaller, _mm_set1_epi32(k)), _mm_andnot_si128(smaller, index));
        }
        lsb |= unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_slli_epi32(index, 31)))) << (4 * g);
        msb |= unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_slli_epi32(index, 30)))) << (4 * g);
    }
    return indexWord(lsb, msb);
}

// ---- AVX2: eight pixels per vector ----

__attribute__((target("avx2"))) inline __m256i errors8(__m256i rg, __m256i b, int colourRG, int colourB) {
    const __m256i dRG = _mm256_sub_epi16(_mm256_set1_epi32(colourRG), rg);
    const __m256i dB = _mm256_sub_epi16(_mm256_set1_epi32(colourB), b);
    return _mm256_add_epi32(_mm256_madd_epi16(dRG, dRG), _mm256_madd_epi16(dB, dB));
}

// Lane k of the result: the sum of the lanes of v[k].
__attribute__((target("avx2"))) inline __m256i sum8x8(const __m256i v[8]) {
    const __m256i s01 = _mm256_hadd_epi32(v[0], v[1]), s23 = _mm256_hadd_epi32(v[2], v[3]);
    const __m256i s45 = _mm256_hadd_epi32(v[4], v[5]), s67 = _mm256_hadd_epi32(v[6], v[7]);
    const __m256i s0123 = _mm256_hadd_epi32(s01, s23), s4567 = _mm256_hadd_epi32(s45, s67);
    return _mm256_add_epi32(_mm256_permute2x128_si256(s0123, s4567, 0x20),
                            _mm256_permute2x128_si256(s0123, s4567, 0x31));
}

__attribute__((target("avx2"))) void pairErrorsAVX2(const PairPixels& px, const PairColours& pc,
                                                    unsigned tErr[2][8], unsigned hErr[8]) {
    __m256i rg[2], b[2], plain[2][2], absSum[2][2], nearest[2];
    const __m256i ones = _mm256_set1_epi16(1), highOne = _mm256_set1_epi32(1 << 16);
    for (int g = 0; g < 2; ++g) {
        rg[g] = _mm256_load_si256(reinterpret_cast<const __m256i*>(px.rg + 16 * g));
        b[g] = _mm256_load_si256(reinterpret_cast<const __m256i*>(px.b + 16 * g));
        const __m256i pixelSum = _mm256_add_epi32(_mm256_madd_epi16(rg[g], ones), _mm256_madd_epi16(b[g], ones));
        for (int j = 0; j < 2; ++j) {
            plain[j][g] = errors8(rg[g], b[g], pc.packedRG(j, 0), pc.packedB(j, 0));
            const __m256i s = _mm256_sub_epi32(_mm256_set1_epi32(pc.total[j]), pixelSum);
            absSum[j][g] = _mm256_or_si256(_mm256_abs_epi32(s), highOne);
        }
        nearest[g] = _mm256_min_epi32(plain[0][g], plain[1][g]);
    }
    __m256i h[8], t0[8], t1[8];
    for (int k = 0; k < 8; ++k) {
        const int d = table58H[k];
        __m256i pm[2][2];
        for (int j = 0; j < 2; ++j) {
            if (pc.unclamped[j][k]) {
                const __m256i coef = _mm256_set1_epi32(pc.coef[k]);
                for (int g = 0; g < 2; ++g)
                    pm[j][g] = _mm256_add_epi32(plain[j][g], _mm256_madd_epi16(absSum[j][g], coef));
            } else {
                const int upRG = pc.packedRG(j, d), upB = pc.packedB(j, d);
                const int downRG = pc.packedRG(j, -d), downB = pc.packedB(j, -d);
                for (int g = 0; g < 2; ++g)
                    pm[j][g] = _mm256_min_epi32(errors8(rg[g], b[g], upRG, upB), errors8(rg[g], b[g], downRG, downB));
            }
        }
        h[k] = _mm256_add_epi32(_mm256_min_epi32(pm[0][0], pm[1][0]), _mm256_min_epi32(pm[0][1], pm[1][1]));
        t0[k] = _mm256_add_epi32(_mm256_min_epi32(nearest[0], pm[1][0]), _mm256_min_epi32(nearest[1], pm[1][1]));
        t1[k] = _mm256_add_epi32(_mm256_min_epi32(nearest[0], pm[0][0]), _mm256_min_epi32(nearest[1], pm[0][1]));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(hErr), sum8x8(h));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(tErr[0]), sum8x8(t0));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(tErr[1]), sum8x8(t1));
}

__attribute__((target("avx2"))) unsigned indicesAVX2(const PairPixels& px, const int paint[4][3]) {
    unsigned lsb = 0, msb = 0;
    for (int g = 0; g < 2; ++g) {
        const __m256i rg = _mm256_load_si256(reinterpret_cast<const __m256i*>(px.rg + 16 * g));
        const __m256i b = _mm256_load_si256(reinterpret_cast<const __m256i*>(px.b + 16 * g));
        __m256i best = errors8(rg, b, paint[0][0] | (paint[0][1] << 16), paint[0][2]);
        __m256i index = _mm256_setzero_si256();
        for (int k = 1; k < 4; ++k) {
            const __m256i e = errors8(rg, b, paint[k][0] | (paint[k][1] << 16), paint[k][2]);
            const __m256i smaller = _mm256_cmpgt_epi32(best, e);  // ties keep the lower index
            best = _mm256_min_epi32(best, e);
            index = _mm256_blendv_epi8(index, _mm256_set1_epi32(k), smaller);
        }
        lsb |= unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_slli_epi32(index, 31)))) << (8 * g);
        msb |= unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_slli_epi32(index, 30)))) << (8 * g);
    }
    return indexWord(lsb, msb);
}

#else  // no SSE2

inline int pixelError(const PairPixels& px, int i, int r, int g, int b) {
    const int dr = r - px.rg[2 * i], dg = g - px.rg[2 * i + 1], db = b - px.b[2 * i];
    return dr * dr + dg * dg + db * db;
}

void pairErrorsScalar(const PairPixels& px, const PairColours& pc, unsigned tErr[2][8], unsigned hErr[8]) {
    for (int k = 0; k < 8; ++k) {
        const int d = table58H[k];
        unsigned h = 0, t0 = 0, t1 = 0;
        for (int i = 0; i < 16; ++i) {
            int plain[2], pm[2];
            for (int j = 0; j < 2; ++j) {
                const int* c = pc.c8[j];
                plain[j] = pixelError(px, i, c[0], c[1], c[2]);
                const int up = pixelError(px, i, clamp255(c[0] + d), clamp255(c[1] + d), clamp255(c[2] + d));
                const int down = pixelError(px, i, clamp255(c[0] - d), clamp255(c[1] - d), clamp255(c[2] - d));
                pm[j] = up < down ? up : down;
            }
            const int nearest = plain[0] < plain[1] ? plain[0] : plain[1];
            h += unsigned(pm[0] < pm[1] ? pm[0] : pm[1]);
            t0 += unsigned(nearest < pm[1] ? nearest : pm[1]);
            t1 += unsigned(nearest < pm[0] ? nearest : pm[0]);
        }
        hErr[k] = h;
        tErr[0][k] = t0;
        tErr[1][k] = t1;
    }
}

unsigned indicesScalar(const PairPixels& px, const int paint[4][3]) {
    unsigned word = 0;
    for (int i = 0; i < 16; ++i) {
        int best = pixelError(px, i, paint[0][0], paint[0][1], paint[0][2]);
        unsigned index = 0;
        for (int k = 1; k < 4; ++k) {
            const int e = pixelError(px, i, paint[k][0], paint[k][1], paint[k][2]);
            if (e < best) {
                best = e;
                index = unsigned(k);
            }
        }
        word = (word << 2) | index;
    }
    return word;
}

#endif

struct PairKernels {
    void (*pairErrors)(const PairPixels&, const PairColours&, unsigned[2][8], unsigned[8]);
    unsigned (*indices)(const PairPixels&, const int[4][3]);
};

PairKernels kernels(ETCVectorLevel level) {
#if defined(__SSE2__)
    return etcUseAVX2(level) ? PairKernels{pairErrorsAVX2, indicesAVX2} : PairKernels{pairErrorsSSE2, indicesSSE2};
#else
    (void)level;
    return PairKernels{pairErrorsScalar, indicesScalar};
#endif
}

}  // namespace

PlainPairScores::PlainPairScores(const BlockPixels& px, const uint8_t colors[2][3], ETCVectorLevel level)
    : pixels_(px), level_(level) {
    for (int j = 0; j < 2; ++j)
        for (int c = 0; c < 3; ++c) c8_[j][c] = expand4(colors[j][c]);
    kernels(level_).pairErrors(pixels_, PairColours(c8_), tErr_, hErr_);
}

unsigned PlainPairScores::bestT(int& order, uint8_t& distance, unsigned& indices) const {
    unsigned best = ~0u;
    order = 0;
    distance = 0;
    for (int o = 0; o < 2; ++o)
        for (int k = 0; k < 8; ++k)
            if (tErr_[o][k] < best) {
                best = tErr_[o][k];
                order = o;
                distance = uint8_t(k);
            }
    uint8_t c0[3], c1[3];
    for (int c = 0; c < 3; ++c) {
        c0[c] = uint8_t(c8_[order][c]);
        c1[c] = uint8_t(c8_[1 - order][c]);
    }
    int paint[4][3];
    tPaint(c0, c1, table58H[distance], paint);
    indices = kernels(level_).indices(pixels_, paint);
    return best;
}

unsigned PlainPairScores::bestH(bool swapped, uint8_t& distance, unsigned& indices) const {
    unsigned best = ~0u;
    distance = 0;
    for (int k = 0; k < 8; ++k)
        if (hErr_[k] < best) {
            best = hErr_[k];
            distance = uint8_t(k);
        }
    const int a = swapped ? 1 : 0;
    uint8_t c0[3], c1[3];
    for (int c = 0; c < 3; ++c) {
        c0[c] = uint8_t(c8_[a][c]);
        c1[c] = uint8_t(c8_[1 - a][c]);
    }
    int paint[4][3];
    hPaint(c0, c1, table58H[distance], paint);
    indices = kernels(level_).indices(pixels_, paint);
    return best;
}

}  // namespace etc2detail
}  // namespace qeltexture
