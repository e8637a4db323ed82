#pragma once
// The loops behind StretchImage. They evaluate exactly the arithmetic of SampleLinear,
// SampleCubic and the cubic low-pass filter (same single/double precision steps, same
// order of summation) but compute every per-axis tap and weight once per pass instead
// of once per pixel, and share horizontal cubic results between output rows.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Resample.h"

namespace qeltexture {
namespace resample_detail {

// Four channels in one register. Every lane performs the scalar operations of the
// formulas in the same order, so results are bit-identical to the one-channel-at-a-time
// code as long as the compiler neither reassociates nor contracts multiply-adds (the
// default for standard C++; tests/test_resample.cpp checks it).
typedef float Vec4 __attribute__((vector_size(16)));

// Whole-pixel conversion; each lane is exactly float(channel).
template <typename T>
inline Vec4 loadPixel(const Pixel<T>& p) {
#if defined(__SSE2__)
    if constexpr (std::is_same<T, uint8_t>::value) {
        int32_t bytes;
        std::memcpy(&bytes, &p, 4);
        const __m128i zero = _mm_setzero_si128();
        const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero);
        return Vec4(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)));
    }
    if constexpr (std::is_same<T, uint16_t>::value) {
        const __m128i words = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&p));
        return Vec4(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, _mm_setzero_si128())));
    }
#endif
    return Vec4{float(p.red), float(p.green), float(p.blue), float(p.alpha)};
}

// ElementRange<T>::fromFloat on every lane.
template <typename T>
inline void storePixel(Vec4 v, Pixel<T>& p) {
#if defined(__SSE2__)
    if constexpr (std::is_integral<T>::value && sizeof(T) <= 2) {
        // max() returns its second operand for NaN, so NaN and everything up to 0 give 0;
        // then the top clamp and truncation, as in fromFloat.
        const __m128 clamped = _mm_min_ps(_mm_max_ps(__m128(v), _mm_setzero_ps()),
                                          _mm_set1_ps(ElementRange<T>::maxFloat));
        alignas(16) int32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_cvttps_epi32(clamped));
        p = Pixel<T>{T(lanes[0]), T(lanes[1]), T(lanes[2]), T(lanes[3])};
        return;
    }
#endif
    p.red = ElementRange<T>::fromFloat(v[0]);
    p.green = ElementRange<T>::fromFloat(v[1]);
    p.blue = ElementRange<T>::fromFloat(v[2]);
    p.alpha = ElementRange<T>::fromFloat(v[3]);
}

// evaluateSplines on four lanes, written with the same operations in the same order.
inline Vec4 splines4(Vec4 p0, Vec4 p1, Vec4 p2, Vec4 p3, float t) {
    return 0.5f * ((3.0f * p1 - p0 - 3.0f * p2 + p3) * t * t * t + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * t * t +
                   (p2 - p0) * t + 2.0f * p1);
}

// Sampling positions of one axis: index x ratio when the pass enlarges, otherwise the
// reduction positions.
inline std::vector<float> axisPositions(uint32_t oldSize, uint32_t newSize, bool enlarge) {
    std::vector<float> positions(newSize);
    const double ratio = double(oldSize) / double(newSize);
    for (uint32_t i = 0; i < newSize; ++i)
        positions[i] = enlarge ? float(double(i) * ratio)
                               : calculateDownscalePosition(i, newSize, 1.0 / ratio, ratio);
    return positions;
}

// Source index of each destination index for nearest sampling: trunc(index x ratio).
inline std::vector<uint32_t> nearestIndices(uint32_t oldSize, uint32_t newSize) {
    std::vector<uint32_t> indices(newSize);
    const double ratio = double(oldSize) / double(newSize);
    for (uint32_t i = 0; i < newSize; ++i) {
        const uint32_t s = uint32_t(double(i) * ratio);
        indices[i] = s < oldSize ? s : oldSize - 1;
    }
    return indices;
}

template <typename T>
void nearestPass(const Pixel<T>* src, Pixel<T>* dst, uint32_t W, uint32_t H, uint32_t D, uint32_t w,
                 uint32_t h, uint32_t d) {
    const std::vector<uint32_t> xs = nearestIndices(W, w), ys = nearestIndices(H, h), zs = nearestIndices(D, d);
    for (uint32_t z = 0; z < d; ++z)
        for (uint32_t y = 0; y < h; ++y) {
            const Pixel<T>* row = src + (size_t(zs[z]) * H + ys[y]) * W;
            for (uint32_t x = 0; x < w; ++x) *dst++ = row[xs[x]];
        }
}

struct LinearTaps {
    uint32_t index[2];
    float weight[2];
};

inline std::vector<LinearTaps> linearTaps(const std::vector<float>& positions, uint32_t size) {
    std::vector<LinearTaps> taps(positions.size());
    for (size_t i = 0; i < positions.size(); ++i) {
        const float p = positions[i];
        const float f = tapFraction(p);
        taps[i] = {{clampTap(p, size), clampTap(p + 1.0f, size)}, {1.0f - f, f}};
    }
    return taps;
}

// Taps of one axis when every weight pair is (0.5, 0.5) -> 1, or (1, 0) -> 0; else -1.
inline int halvingSteps(const std::vector<LinearTaps>& taps) {
    bool half = true, unit = true;
    for (const LinearTaps& t : taps) {
        half = half && t.weight[0] == 0.5f && t.weight[1] == 0.5f;
        unit = unit && t.weight[0] == 1.0f && t.weight[1] == 0.0f;
    }
    return half ? 1 : unit ? 0 : -1;
}

// Exact halving (the MIP case) of 8- and 16-bit images: every weight is a power of two,
// so each product and partial sum of the float formula is an exact integer multiple of
// 1/8 below 2^24, and the truncated sum is the integer sum shifted right.
template <typename T>
void boxPass(const Pixel<T>* src, Pixel<T>* dst, uint32_t W, uint32_t H, uint32_t w, uint32_t h, uint32_t d,
             const std::vector<LinearTaps>& tx, const std::vector<LinearTaps>& ty,
             const std::vector<LinearTaps>& tz, int xSteps, int ySteps, int zSteps) {
    const unsigned shift = unsigned(xSteps + ySteps + zSteps);
    for (uint32_t z = 0; z < d; ++z)
        for (uint32_t y = 0; y < h; ++y) {
            const Pixel<T>* rows[4];
            int count = 0;
            for (int k = 0; k <= zSteps; ++k)
                for (int j = 0; j <= ySteps; ++j)
                    rows[count++] = src + (size_t(tz[z].index[k]) * H + ty[y].index[j]) * W;
            for (uint32_t x = 0; x < w; ++x, ++dst) {
                uint32_t sum[4] = {0, 0, 0, 0};
                for (int r = 0; r < count; ++r)
                    for (int i = 0; i <= xSteps; ++i) {
                        const Pixel<T>& p = rows[r][tx[x].index[i]];
                        sum[0] += p.red;
                        sum[1] += p.green;
                        sum[2] += p.blue;
                        sum[3] += p.alpha;
                    }
                dst->red = T(sum[0] >> shift);
                dst->green = T(sum[1] >> shift);
                dst->blue = T(sum[2] >> shift);
                dst->alpha = T(sum[3] >> shift);
            }
        }
}

template <typename T>
void linearPass(const Pixel<T>* src, Pixel<T>* dst, uint32_t W, uint32_t H, uint32_t D, uint32_t w,
                uint32_t h, uint32_t d, bool enlarge) {
    const std::vector<LinearTaps> tx = linearTaps(axisPositions(W, w, enlarge), W);
    const std::vector<LinearTaps> ty = linearTaps(axisPositions(H, h, enlarge), H);
    const std::vector<LinearTaps> tz = linearTaps(axisPositions(D, d, enlarge), D);
    if constexpr (std::is_integral<T>::value && sizeof(T) <= 2) {
        const int xs = halvingSteps(tx), ys = halvingSteps(ty), zs = halvingSteps(tz);
        if (xs >= 0 && ys >= 0 && zs >= 0) {
            boxPass(src, dst, W, H, w, h, d, tx, ty, tz, xs, ys, zs);
            return;
        }
    }
    // For integer elements a tap of weight 0 adds exactly +0.0 to the sum, so it may be
    // skipped; float elements keep it, since 0 x infinity is NaN.
    const bool skipZeroTaps = std::is_integral<T>::value;
    for (uint32_t z = 0; z < d; ++z) {
        const LinearTaps& cz = tz[z];
        const int zCount = skipZeroTaps && cz.weight[1] == 0.0f ? 1 : 2;
        for (uint32_t y = 0; y < h; ++y) {
            const LinearTaps& cy = ty[y];
            const int yCount = skipZeroTaps && cy.weight[1] == 0.0f ? 1 : 2;
            const Pixel<T>* rows[2][2];
            for (int k = 0; k < 2; ++k)
                for (int j = 0; j < 2; ++j)
                    rows[k][j] = src + (size_t(cz.index[k]) * H + cy.index[j]) * W;
            for (uint32_t x = 0; x < w; ++x, ++dst) {
                const LinearTaps& cx = tx[x];
                Vec4 sum = {0.0f, 0.0f, 0.0f, 0.0f};
                for (int k = 0; k < zCount; ++k)
                    for (int j = 0; j < yCount; ++j)
                        for (int i = 0; i < 2; ++i) {
                            const float weight = cx.weight[i] * cy.weight[j] * cz.weight[k];
                            sum += loadPixel(rows[k][j][cx.index[i]]) * weight;
                        }
                storePixel(sum, *dst);
            }
        }
    }
}

struct CubicTaps {
    uint32_t index[4];
    float fraction;
};

inline std::vector<CubicTaps> cubicTaps(const std::vector<float>& positions, uint32_t size) {
    std::vector<CubicTaps> taps(positions.size());
    for (size_t i = 0; i < positions.size(); ++i) {
        const float p = positions[i];
        for (int k = 0; k < 4; ++k) taps[i].index[k] = clampTap(p + float(k - 1), size);
        taps[i].fraction = tapFraction(p);
    }
    return taps;
}

template <typename T>
void cubicPass(const Pixel<T>* src, Pixel<T>* dst, uint32_t W, uint32_t H, uint32_t D, uint32_t w,
               uint32_t h, uint32_t d, bool enlarge) {
    const std::vector<CubicTaps> tx = cubicTaps(axisPositions(W, w, enlarge), W);
    const std::vector<CubicTaps> ty = cubicTaps(axisPositions(H, h, enlarge), H);
    const std::vector<CubicTaps> tz = cubicTaps(axisPositions(D, d, enlarge), D);
    const bool flat = D == 1;
    const int zTaps = flat ? 1 : 4;
    const int slots = 4 * zTaps;
    // Horizontal splines of whole source rows (4 floats per destination column), kept
    // while successive output rows reuse them. Keyed by slice * H + row.
    std::vector<Vec4> cache(size_t(slots) * w);
    uint64_t tags[16];
    for (int s = 0; s < slots; ++s) tags[s] = ~uint64_t(0);

    auto fillRow = [&](int slot, uint64_t key) {
        const Pixel<T>* row = src + key * W;
        Vec4* out = &cache[size_t(slot) * w];
        for (uint32_t x = 0; x < w; ++x) {
            const CubicTaps& c = tx[x];
            out[x] = splines4(loadPixel(row[c.index[0]]), loadPixel(row[c.index[1]]), loadPixel(row[c.index[2]]),
                              loadPixel(row[c.index[3]]), c.fraction);
        }
        tags[slot] = key;
    };

    for (uint32_t z = 0; z < d; ++z) {
        for (uint32_t y = 0; y < h; ++y) {
            uint64_t need[16];
            int slotOf[16];
            bool used[16] = {};
            for (int k = 0; k < zTaps; ++k)
                for (int j = 0; j < 4; ++j)
                    need[k * 4 + j] = (flat ? 0 : uint64_t(tz[z].index[k]) * H) + ty[y].index[j];
            for (int n = 0; n < slots; ++n) {
                slotOf[n] = -1;
                for (int s = 0; s < slots; ++s)
                    if (tags[s] == need[n]) slotOf[n] = s;
                if (slotOf[n] >= 0) used[slotOf[n]] = true;
            }
            for (int n = 0; n < slots; ++n) {
                if (slotOf[n] >= 0) continue;
                for (int s = 0; s < slots && slotOf[n] < 0; ++s)
                    if (tags[s] == need[n]) slotOf[n] = s;  // filled for an earlier duplicate
                for (int s = 0; s < slots && slotOf[n] < 0; ++s)
                    if (!used[s]) {
                        fillRow(s, need[n]);
                        used[s] = true;
                        slotOf[n] = s;
                    }
            }
            const Vec4* rows[16];
            for (int n = 0; n < slots; ++n) rows[n] = &cache[size_t(slotOf[n]) * w];
            const float fy = ty[y].fraction, fz = tz[z].fraction;
            if (flat) {
                for (uint32_t x = 0; x < w; ++x, ++dst)
                    storePixel(splines4(rows[0][x], rows[1][x], rows[2][x], rows[3][x], fy), *dst);
            } else {
                for (uint32_t x = 0; x < w; ++x, ++dst) {
                    Vec4 alongZ[4];
                    for (int k = 0; k < 4; ++k) {
                        const Vec4* const* r = rows + k * 4;
                        alongZ[k] = splines4(r[0][x], r[1][x], r[2][x], r[3][x], fy);
                    }
                    storePixel(splines4(alongZ[0], alongZ[1], alongZ[2], alongZ[3], fz), *dst);
                }
            }
        }
    }
}

// The cubic reduction's low-pass filter: 1 2 1 / 2 4 2 / 1 2 1 (and its 3D extension)
// with edge pixels repeated, summed z, y, x in single precision and truncated to T.
// For u8 and u16 every partial sum is an integer below 2^24, so integer sums give the
// same result and the filter runs separably.
template <typename T>
void lowPassFilter(const Pixel<T>* src, Pixel<T>* dst, uint32_t W, uint32_t H, uint32_t D) {
    const bool flat = D == 1;
    auto clampIndex = [](uint32_t i, int delta, uint32_t size) -> uint32_t {
        if (delta < 0) return i == 0 ? 0 : i - 1;
        if (delta > 0) return i + 1 >= size ? size - 1 : i + 1;
        return i;
    };
    if constexpr (std::is_integral<T>::value && sizeof(T) <= 2) {
        const unsigned shift = flat ? 4 : 6;
        const size_t rowElements = size_t(W) * 4;
        std::vector<uint32_t> columns(rowElements);
        auto rowAt = [&](uint32_t z, uint32_t y) { return &src[(size_t(z) * H + y) * W].red; };
        for (uint32_t z = 0; z < D; ++z)
            for (uint32_t y = 0; y < H; ++y) {
                // Vertical (and depth) 1 2 1 sums per column and channel.
                const uint32_t up = clampIndex(y, -1, H), down = clampIndex(y, 1, H);
                if (flat) {
                    const T *a = rowAt(0, up), *b = rowAt(0, y), *c = rowAt(0, down);
                    for (size_t i = 0; i < rowElements; ++i) columns[i] = a[i] + 2u * b[i] + c[i];
                } else {
                    std::fill(columns.begin(), columns.end(), 0u);
                    for (int dz = -1; dz <= 1; ++dz) {
                        const uint32_t zz = clampIndex(z, dz, D), wz = dz == 0 ? 2u : 1u;
                        const T *a = rowAt(zz, up), *b = rowAt(zz, y), *c = rowAt(zz, down);
                        for (size_t i = 0; i < rowElements; ++i) columns[i] += wz * (a[i] + 2u * b[i] + c[i]);
                    }
                }
                // Horizontal 1 2 1; the edge columns repeat themselves.
                T* out = &dst[(size_t(z) * H + y) * W].red;
                const uint32_t* m = columns.data();
                const size_t last = rowElements - 4;
                for (size_t c = 0; c < 4; ++c) {
                    out[c] = T((3u * m[c] + m[W > 1 ? c + 4 : c]) >> shift);
                    if (W > 1) out[last + c] = T((m[last + c - 4] + 3u * m[last + c]) >> shift);
                }
                for (size_t i = 4; i < last; ++i) out[i] = T((m[i - 4] + 2u * m[i] + m[i + 4]) >> shift);
            }
    } else {
        const float divisor = flat ? 16.0f : 64.0f;
        for (uint32_t z = 0; z < D; ++z)
            for (uint32_t y = 0; y < H; ++y)
                for (uint32_t x = 0; x < W; ++x) {
                    Vec4 sum = {0.0f, 0.0f, 0.0f, 0.0f};
                    for (int dz = flat ? 0 : -1; dz <= (flat ? 0 : 1); ++dz)
                        for (int dy = -1; dy <= 1; ++dy) {
                            const Pixel<T>* row =
                                src + (size_t(clampIndex(z, dz, D)) * H + clampIndex(y, dy, H)) * W;
                            for (int dx = -1; dx <= 1; ++dx) {
                                const float weight = float((flat || dz == 0 ? 2 : 1) * (dy == 0 ? 2 : 1) *
                                                           (dx == 0 ? 2 : 1)) /
                                                     (flat ? 2.0f : 1.0f);
                                sum += loadPixel(row[clampIndex(x, dx, W)]) * weight;
                            }
                        }
                    Pixel<T>& out = dst[(size_t(z) * H + y) * W + x];
                    out.red = ElementRange<T>::truncate(sum[0] / divisor);
                    out.green = ElementRange<T>::truncate(sum[1] / divisor);
                    out.blue = ElementRange<T>::truncate(sum[2] / divisor);
                    out.alpha = ElementRange<T>::truncate(sum[3] / divisor);
                }
    }
}

}  // namespace resample_detail
}  // namespace qeltexture
