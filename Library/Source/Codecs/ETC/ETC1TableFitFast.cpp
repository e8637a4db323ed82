// The plain-metric table fit used by the fast encoders: every table's error for all
// eight pixels at once in 32-bit vector lanes, without data-dependent branches. The
// errors are exact integers, per pixel the minimum over the four modifiers and per
// table their sum, so the first table with the smallest error, and per pixel the
// first modifier with the smallest error, are those of the plain fit.
//
// SSE2 is the x86-64 baseline; where the processor has AVX2 a twin working on all
// eight pixels per instruction is used instead (same integers, same result). Without
// SSE2 the straightforward fit runs.
#include "Codecs/ETC/ETC1TableFit.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#endif

namespace qeltexture {
namespace etc1detail {

namespace {

#if defined(__SSE2__)

// The clamped reconstructions of a base colour under every table and modifier,
// packed as the vector code needs them: (red | green << 16) and blue. Worked out for
// all 32 modifiers at once in 16-bit lanes.
struct Reconstructions {
    alignas(16) int rg[8][4];
    alignas(16) int b[8][4];
    explicit Reconstructions(const uint8_t colour[3]) {
        const __m128i r = _mm_set1_epi16(colour[0]), g = _mm_set1_epi16(colour[1]), bl = _mm_set1_epi16(colour[2]);
        const __m128i top = _mm_set1_epi16(255), zero = _mm_setzero_si128();
        for (int q = 0; q < 4; ++q) {  // tables 2q and 2q + 1
            const __m128i m = _mm_setr_epi16(
                int16_t(compressParamsFast[2 * q][0]), int16_t(compressParamsFast[2 * q][1]),
                int16_t(compressParamsFast[2 * q][2]), int16_t(compressParamsFast[2 * q][3]),
                int16_t(compressParamsFast[2 * q + 1][0]), int16_t(compressParamsFast[2 * q + 1][1]),
                int16_t(compressParamsFast[2 * q + 1][2]), int16_t(compressParamsFast[2 * q + 1][3]));
            const __m128i rr = _mm_max_epi16(_mm_min_epi16(_mm_add_epi16(r, m), top), zero);
            const __m128i gg = _mm_max_epi16(_mm_min_epi16(_mm_add_epi16(g, m), top), zero);
            const __m128i bb = _mm_max_epi16(_mm_min_epi16(_mm_add_epi16(bl, m), top), zero);
            _mm_store_si128(reinterpret_cast<__m128i*>(rg[2 * q]), _mm_unpacklo_epi16(rr, gg));
            _mm_store_si128(reinterpret_cast<__m128i*>(rg[2 * q + 1]), _mm_unpackhi_epi16(rr, gg));
            _mm_store_si128(reinterpret_cast<__m128i*>(b[2 * q]), _mm_unpacklo_epi16(bb, zero));
            _mm_store_si128(reinterpret_cast<__m128i*>(b[2 * q + 1]), _mm_unpackhi_epi16(bb, zero));
        }
    }
};

// Pixel masks (bit n = pixel n in fit order) of the stored index bits, from the
// per-pixel winning modifier column: scramble (3, 2, 0, 1) gives the msb for columns
// 0 and 1 and the lsb for columns 0 and 3.
struct ColumnMasks {
    unsigned msb, lsb;
};

// Signed 32-bit minimum (the values are far below 2^31).
inline __m128i min32(__m128i a, __m128i b) {
    const __m128i aGreater = _mm_cmpgt_epi32(a, b);
    return _mm_or_si128(_mm_and_si128(aGreater, b), _mm_andnot_si128(aGreater, a));
}

inline __m128i errors4(__m128i rg, __m128i b, int recRG, int recB) {
    const __m128i dRG = _mm_sub_epi16(_mm_set1_epi32(recRG), rg);
    const __m128i dB = _mm_sub_epi16(_mm_set1_epi32(recB), b);
    return _mm_add_epi32(_mm_madd_epi16(dRG, dRG), _mm_madd_epi16(dB, dB));
}

void tableErrorsSSE2(const HalfVectors& px, const Reconstructions& rec, unsigned err[8]) {
    const __m128i rg0 = _mm_load_si128(reinterpret_cast<const __m128i*>(px.rg));
    const __m128i rg1 = _mm_load_si128(reinterpret_cast<const __m128i*>(px.rg + 8));
    const __m128i b0 = _mm_load_si128(reinterpret_cast<const __m128i*>(px.b));
    const __m128i b1 = _mm_load_si128(reinterpret_cast<const __m128i*>(px.b + 8));
    for (int t = 0; t < 8; ++t) {
        __m128i best0 = errors4(rg0, b0, rec.rg[t][0], rec.b[t][0]);
        __m128i best1 = errors4(rg1, b1, rec.rg[t][0], rec.b[t][0]);
        for (int c = 1; c < 4; ++c) {
            best0 = min32(best0, errors4(rg0, b0, rec.rg[t][c], rec.b[t][c]));
            best1 = min32(best1, errors4(rg1, b1, rec.rg[t][c], rec.b[t][c]));
        }
        __m128i sum = _mm_add_epi32(best0, best1);
        sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(1, 0, 3, 2)));
        sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
        err[t] = unsigned(_mm_cvtsi128_si32(sum));
    }
}

ColumnMasks columnsSSE2(const HalfVectors& px, const Reconstructions& rec, int t) {
    unsigned msb = 0, lsb = 0;
    for (int g = 0; g < 2; ++g) {
        const __m128i rg = _mm_load_si128(reinterpret_cast<const __m128i*>(px.rg + 8 * g));
        const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(px.b + 8 * g));
        __m128i best = errors4(rg, b, rec.rg[t][0], rec.b[t][0]);
        __m128i column = _mm_setzero_si128();
        for (int c = 1; c < 4; ++c) {
            const __m128i e = errors4(rg, b, rec.rg[t][c], rec.b[t][c]);
            const __m128i smaller = _mm_cmpgt_epi32(best, e);  // ties keep the earlier column
            best = _mm_or_si128(_mm_and_si128(smaller, e), _mm_andnot_si128(smaller, best));
            column = _mm_or_si128(_mm_and_si128(smaller, _mm_set1_epi32(c)), _mm_andnot_si128(smaller, column));
        }
        const __m128i msbLanes = _mm_cmpgt_epi32(_mm_set1_epi32(2), column);
        const __m128i lsbLanes =
            _mm_or_si128(_mm_cmpeq_epi32(column, _mm_setzero_si128()), _mm_cmpeq_epi32(column, _mm_set1_epi32(3)));
        msb |= unsigned(_mm_movemask_ps(_mm_castsi128_ps(msbLanes))) << (4 * g);
        lsb |= unsigned(_mm_movemask_ps(_mm_castsi128_ps(lsbLanes))) << (4 * g);
    }
    return {msb, lsb};
}

__attribute__((target("avx2"))) inline __m256i errors8(__m256i rg, __m256i b, int recRG, int recB) {
    const __m256i dRG = _mm256_sub_epi16(_mm256_set1_epi32(recRG), rg);
    const __m256i dB = _mm256_sub_epi16(_mm256_set1_epi32(recB), b);
    return _mm256_add_epi32(_mm256_madd_epi16(dRG, dRG), _mm256_madd_epi16(dB, dB));
}

__attribute__((target("avx2"))) void tableErrorsAVX2(const HalfVectors& px, const Reconstructions& rec,
                                                     unsigned err[8]) {
    const __m256i rg = _mm256_load_si256(reinterpret_cast<const __m256i*>(px.rg));
    const __m256i b = _mm256_load_si256(reinterpret_cast<const __m256i*>(px.b));
    __m256i sums[8];
    for (int t = 0; t < 8; ++t) {
        __m256i best = errors8(rg, b, rec.rg[t][0], rec.b[t][0]);
        for (int c = 1; c < 4; ++c) best = _mm256_min_epi32(best, errors8(rg, b, rec.rg[t][c], rec.b[t][c]));
        sums[t] = best;
    }
    // Horizontal sums of the eight tables at once: pairwise adds that end with table t
    // in lane t.
    const __m256i s01 = _mm256_hadd_epi32(sums[0], sums[1]), s23 = _mm256_hadd_epi32(sums[2], sums[3]);
    const __m256i s45 = _mm256_hadd_epi32(sums[4], sums[5]), s67 = _mm256_hadd_epi32(sums[6], sums[7]);
    const __m256i s0123 = _mm256_hadd_epi32(s01, s23), s4567 = _mm256_hadd_epi32(s45, s67);
    const __m256i lo = _mm256_permute2x128_si256(s0123, s4567, 0x20);
    const __m256i hi = _mm256_permute2x128_si256(s0123, s4567, 0x31);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(err), _mm256_add_epi32(lo, hi));
}

__attribute__((target("avx2"))) ColumnMasks columnsAVX2(const HalfVectors& px, const Reconstructions& rec, int t) {
    const __m256i rg = _mm256_load_si256(reinterpret_cast<const __m256i*>(px.rg));
    const __m256i b = _mm256_load_si256(reinterpret_cast<const __m256i*>(px.b));
    __m256i best = errors8(rg, b, rec.rg[t][0], rec.b[t][0]);
    __m256i column = _mm256_setzero_si256();
    for (int c = 1; c < 4; ++c) {
        const __m256i e = errors8(rg, b, rec.rg[t][c], rec.b[t][c]);
        const __m256i smaller = _mm256_cmpgt_epi32(best, e);  // ties keep the earlier column
        best = _mm256_min_epi32(best, e);
        column = _mm256_blendv_epi8(column, _mm256_set1_epi32(c), smaller);
    }
    const __m256i msbLanes = _mm256_cmpgt_epi32(_mm256_set1_epi32(2), column);
    const __m256i lsbLanes = _mm256_or_si256(_mm256_cmpeq_epi32(column, _mm256_setzero_si256()),
                                             _mm256_cmpeq_epi32(column, _mm256_set1_epi32(3)));
    return {unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(msbLanes))),
            unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(lsbLanes)))};
}

// Pixel n of a 4x2 half (column-major: n = x*2 + y) owns bit x*4 + y.
inline unsigned spread4x2(unsigned m) {
    return (m & 0x3u) | ((m & 0xCu) << 2) | ((m & 0x30u) << 4) | ((m & 0xC0u) << 6);
}

#endif  // __SSE2__

}  // namespace

HalfVectors::HalfVectors(const uint8_t* image, int width, int startx, int starty, HalfShape shape) {
    int n = 0;
    for (int x = 0; x < shape.columns; ++x)
        for (int y = 0; y < shape.rows; ++y, ++n) {
            const uint8_t* p = image + 3 * ((starty + y) * width + startx + x);
            rg[2 * n] = p[0];
            rg[2 * n + 1] = p[1];
            b[2 * n] = p[2];
            b[2 * n + 1] = 0;
        }
}

unsigned int fitHalfAllTablesPlainVector(const HalfVectors& px, HalfShape shape, const uint8_t colour[3],
                                         int& table, unsigned int& msbBits, unsigned int& lsbBits,
                                         unsigned int limit, ETCVectorLevel level) {
#if defined(__SSE2__)
    const bool avx2 = etcUseAVX2(level);
    const Reconstructions rec(colour);
    alignas(32) unsigned err[8];
    if (avx2) tableErrorsAVX2(px, rec, err);
    else tableErrorsSSE2(px, rec, err);
    int best = 0;
    for (int t = 1; t < 8; ++t)
        if (err[t] < err[best]) best = t;
    if (err[best] >= limit) {
        table = 0;
        msbBits = lsbBits = 0;
        return limit;
    }
    const ColumnMasks m = avx2 ? columnsAVX2(px, rec, best) : columnsSSE2(px, rec, best);
    // 2x4 halves: pixel n is already bit n (x*4 + y with n = x*4 + y).
    const bool wide = shape.columns == 4;
    table = best;
    msbBits = wide ? spread4x2(m.msb) : m.msb;
    lsbBits = wide ? spread4x2(m.lsb) : m.lsb;
    return err[best];
#else
    (void)level;
    // The pixels back as a 4x4 RGB block holding the half in its own shape.
    uint8_t block[48] = {};
    int n = 0;
    for (int x = 0; x < shape.columns; ++x)
        for (int y = 0; y < shape.rows; ++y, ++n) {
            uint8_t* p = block + 3 * (y * 4 + x);
            p[0] = uint8_t(px.rg[2 * n]);
            p[1] = uint8_t(px.rg[2 * n + 1]);
            p[2] = uint8_t(px.b[2 * n]);
        }
    const unsigned err = fitHalfAllTables<PlainMetric>(block, 4, 0, 0, shape, colour, table, msbBits, lsbBits);
    if (err < limit) return err;
    table = 0;
    msbBits = lsbBits = 0;
    return limit;
#endif
}

unsigned int fitHalfAllTablesPlainFast(const uint8_t* image, int width, int startx, int starty,
                                       HalfShape shape, const uint8_t colour[3], int& table,
                                       unsigned int& msbBits, unsigned int& lsbBits, unsigned int limit) {
    return fitHalfAllTablesPlainVector(HalfVectors(image, width, startx, starty, shape), shape, colour, table,
                                       msbBits, lsbBits, limit);
}

}  // namespace etc1detail
}  // namespace qeltexture
