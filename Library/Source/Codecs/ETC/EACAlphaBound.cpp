// Sixteen bases per step: with the reversed table, the errors of one pixel at bases
// b0..b0+15 are 16 consecutive entries, so a block's errors at 16 bases are 16 vector
// loads and saturating adds.
//
// Where a modifier of the row clamps, the walk picks the nearest of its side's clamped
// values; clamping only ever replaces a value by 0 (negative side) or 255 (positive
// side), so the error there is at least the smaller of the unclamped one and alpha^2
// or (255 - alpha)^2, whichever clamp the base allows.
#include "Codecs/ETC/EACAlphaBound.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QELTEX_ALPHA_BOUND_AVX2 1
#endif

namespace qeltexture {
namespace eacdetail {

#ifdef QELTEX_ALPHA_BOUND_AVX2

namespace {

// The error sum of the 16 bases (lanes) from b0; starts[i] is pixel i's reversed-row
// entry for base 0. Each term is capped by the clamp terms its lane allows: `noLow` /
// `noHigh` are all ones in lanes that cannot clamp that way.
template <bool low, bool high>
__attribute__((target("avx2"))) inline __m256i chunkSum(const uint16_t* const starts[16], int b0,
                                                        const __m256i* lowClamp, const __m256i* highClamp,
                                                        __m256i noLow, __m256i noHigh) {
    __m256i sum = _mm256_setzero_si256();
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
        __m256i term = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(starts[i] + b0));
        if (low) term = _mm256_min_epu16(term, _mm256_or_si256(lowClamp[i], noLow));
        if (high) term = _mm256_min_epu16(term, _mm256_or_si256(highClamp[i], noHigh));
        sum = _mm256_adds_epu16(sum, term);
    }
    return sum;
}

}  // namespace

__attribute__((target("avx2"))) unsigned alphaRowBounds(const int alpha[16], const uint16_t* row,
                                                        const int modifiers[8], int first, int last,
                                                        uint16_t* bounds) {
    const int safeFirst = -modifiers[3], safeLast = 255 - modifiers[7];
    const __m256i lanes = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const bool anyClamp = first < safeFirst || last > safeLast;
    __m256i lowClamp[16], highClamp[16];
    const uint16_t* starts[16];  // each pixel's errors from base 0 on
    for (int i = 0; i < 16; ++i) starts[i] = row + 255 - alpha[i];
    if (anyClamp)
        for (int i = 0; i < 16; ++i) {
            lowClamp[i] = _mm256_set1_epi16(short(alpha[i] * alpha[i]));
            highClamp[i] = _mm256_set1_epi16(short((255 - alpha[i]) * (255 - alpha[i])));
        }
    __m256i smallest = _mm256_set1_epi16(-1);
    for (int b0 = first; b0 <= last; b0 += 16) {
        const __m256i base = _mm256_add_epi16(_mm256_set1_epi16(short(b0)), lanes);
        const bool low = b0 < safeFirst, high = b0 + 15 > safeLast;
        const __m256i noLow = _mm256_cmpgt_epi16(base, _mm256_set1_epi16(short(safeFirst - 1)));
        const __m256i noHigh = _mm256_cmpgt_epi16(_mm256_set1_epi16(short(safeLast + 1)), base);
        __m256i sum;
        if (low && high)
            sum = chunkSum<true, true>(starts, b0, lowClamp, highClamp, noLow, noHigh);
        else if (low)
            sum = chunkSum<true, false>(starts, b0, lowClamp, highClamp, noLow, noHigh);
        else if (high)
            sum = chunkSum<false, true>(starts, b0, lowClamp, highClamp, noLow, noHigh);
        else
            sum = chunkSum<false, false>(starts, b0, lowClamp, highClamp, noLow, noHigh);
        if (b0 + 15 > last) sum = _mm256_or_si256(sum, _mm256_cmpgt_epi16(base, _mm256_set1_epi16(short(last))));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(bounds + b0), sum);
        smallest = _mm256_min_epu16(smallest, sum);
    }
    const __m128i half = _mm_min_epu16(_mm256_castsi256_si128(smallest), _mm256_extracti128_si256(smallest, 1));
    return unsigned(_mm_cvtsi128_si32(_mm_minpos_epu16(half)) & 0xFFFF);
}

#else

// Never called: etcUseAVX2 is false here.
unsigned alphaRowBounds(const int*, const uint16_t*, const int*, int, int, uint16_t*) { return 0; }

#endif

}  // namespace eacdetail
}  // namespace qeltexture
