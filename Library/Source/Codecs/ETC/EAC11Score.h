#pragma once
// Block error of one 11-bit EAC candidate: the 8 values one (base, table, multiplier)
// decodes to against a block's 16 pixels, for the exhaustive 11-bit search.
//
// Pixels and values are ordered patterns: 16-bit patterns whose unsigned order is the
// order of the numbers they stand for (unsigned data as it is, signed data with the top
// bit flipped, i.e. the number plus 32768). Differences are unchanged by the shift, so
// one unsigned distance serves both kinds exactly. The nearest value is the one at the
// smallest distance, so each pixel squares only its smallest distance.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qeltexture {

inline uint16_t eac11OrderedPattern(uint16_t raw, bool isSigned) {
    return isSigned ? uint16_t(raw ^ 0x8000u) : raw;
}

// Sum over the 16 pixels of the squared distance to the nearest of `values`. Pixels 0-7
// are summed first; when they already reach `limit` that partial sum is returned, so the
// result is exact whenever it is below `limit` and otherwise some number >= limit.
inline uint64_t eac11ErrorScalar(const uint16_t pixels[16], const uint16_t values[8], uint64_t limit) {
    uint64_t sum = 0;
    for (int half = 0; half < 2; ++half) {
        for (int k = 8 * half; k < 8 * half + 8; ++k) {
            int nearest = 65535;
            for (int j = 0; j < 8; ++j) nearest = std::min(nearest, std::abs(int(pixels[k]) - int(values[j])));
            sum += uint64_t(nearest) * uint64_t(nearest);
        }
        if (sum >= limit) return sum;
    }
    return sum;
}

#if defined(__SSE2__)
// The same on eight pixels per register (pixels[0] holds pixels 0-7, pixels[1] 8-15),
// with the same early return. Distances and minima stay in unsigned 16-bit lanes through
// saturating subtraction, the only unsigned 16-bit operations SSE2 has.
inline uint64_t eac11HalfError(__m128i pixels, const __m128i broadcast[8]) {
    auto distance = [](__m128i a, __m128i b) { return _mm_or_si128(_mm_subs_epu16(a, b), _mm_subs_epu16(b, a)); };
    __m128i nearest = distance(pixels, broadcast[0]);
    for (int j = 1; j < 8; ++j) {
        const __m128i d = distance(pixels, broadcast[j]);
        nearest = _mm_sub_epi16(nearest, _mm_subs_epu16(nearest, d));  // min(nearest, d)
    }
    // Squares as 32-bit lanes from the low and high product halves, summed in 64 bits
    // (eight squares can pass 2^32).
    const __m128i low = _mm_mullo_epi16(nearest, nearest), high = _mm_mulhi_epu16(nearest, nearest);
    const __m128i sq0 = _mm_unpacklo_epi16(low, high), sq1 = _mm_unpackhi_epi16(low, high);
    const __m128i zero = _mm_setzero_si128();
    const __m128i sum = _mm_add_epi64(_mm_add_epi64(_mm_unpacklo_epi32(sq0, zero), _mm_unpackhi_epi32(sq0, zero)),
                                      _mm_add_epi64(_mm_unpacklo_epi32(sq1, zero), _mm_unpackhi_epi32(sq1, zero)));
    alignas(16) uint64_t parts[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(parts), sum);
    return parts[0] + parts[1];
}

inline uint64_t eac11ErrorSse2(const __m128i pixels[2], __m128i values, uint64_t limit) {
    const __m128i lo = _mm_unpacklo_epi16(values, values), hi = _mm_unpackhi_epi16(values, values);
    const __m128i broadcast[8] = {_mm_shuffle_epi32(lo, 0x00), _mm_shuffle_epi32(lo, 0x55),
                                  _mm_shuffle_epi32(lo, 0xAA), _mm_shuffle_epi32(lo, 0xFF),
                                  _mm_shuffle_epi32(hi, 0x00), _mm_shuffle_epi32(hi, 0x55),
                                  _mm_shuffle_epi32(hi, 0xAA), _mm_shuffle_epi32(hi, 0xFF)};
    const uint64_t first = eac11HalfError(pixels[0], broadcast);
    if (first >= limit) return first;
    return first + eac11HalfError(pixels[1], broadcast);
}
#endif

}  // namespace qeltexture
