#pragma once
// Resampling of one RGBA surface: the point samplers, the reduction sampling positions,
// one pass from any size to any size (StretchImage) and the stepped resampler that
// never more than halves or doubles a dimension per pass (SteppedStretchImage).
//
// Arithmetic is fixed so that every path gives the same bytes: positions in double
// precision rounded to single, filtering in single precision, results clamped to the
// element range and truncated. Linear taps are summed z outermost, then y, then x,
// each with weight (wx * wy) * wz.
#include <cmath>
#include <cstdint>

#include "Pixel.h"

namespace qeltexture {

// Tap coordinate clamped to 0 ... size - 1 (negative and NaN give 0) and truncated.
inline uint32_t clampTap(float c, uint32_t size) {
    if (!(c > 0.0f)) return 0;
    const uint32_t last = size - 1;
    if (c >= float(last)) return last;
    return uint32_t(c);
}

// Fraction of a sampling coordinate, taken before clamping.
inline float tapFraction(float c) { return c - std::trunc(c); }

// Catmull-Rom cubic through p[0..3] at t (between p[1] and p[2]), single precision.
inline float evaluateSplines(const float* p, const float& t) {
    return 0.5f * ((3.0f * p[1] - p[0] - 3.0f * p[2] + p[3]) * t * t * t +
                   (2.0f * p[0] - 5.0f * p[1] + 4.0f * p[2] - p[3]) * t * t + (p[2] - p[0]) * t +
                   2.0f * p[1]);
}

// Sampling position of destination `index` of `count` when a dimension shrinks (or stays)
// by `ratio` = old / new with a = 1 / ratio: the first sample lies 1 - 1/ratio source
// pixels after the start, the last as far before the end (2i + 0.5 for ratio 2).
// A single destination pixel is a first sample (r = 0): 2 -> 1 samples 0.5, the mean of
// the pair, while a dimension that stays 1 samples 0.
inline float calculateDownscalePosition(uint32_t index, uint32_t count, double a, double ratio) {
    const double r = count > 1 ? double(index) / double(count - 1) : 0.0;
    const float q = float((1.0 - a) * (1.0 - r) + r * a);
    return float((double(index) + r) * ratio + (-2.0 * r + double(q)));
}

template <typename T>
inline float elementToFloat(T v) {
    return float(v);
}

// One linearly filtered pixel at (x, y, z) of a width x height x depth image.
template <typename T>
void SampleLinear(const Pixel<T>* source, Pixel<T>* out, const uint32_t& width, const uint32_t& height,
                  const uint32_t& depth, const float& x, const float& y, const float& z) {
    if (!source || !out || !width || !height || !depth) return;
    const uint32_t xs[2] = {clampTap(x, width), clampTap(x + 1.0f, width)};
    const uint32_t ys[2] = {clampTap(y, height), clampTap(y + 1.0f, height)};
    const uint32_t zs[2] = {clampTap(z, depth), clampTap(z + 1.0f, depth)};
    const float fx = tapFraction(x), fy = tapFraction(y), fz = tapFraction(z);
    const float wx[2] = {1.0f - fx, fx}, wy[2] = {1.0f - fy, fy}, wz[2] = {1.0f - fz, fz};
    float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i) {
                const Pixel<T>& p = source[(size_t(zs[k]) * height + ys[j]) * width + xs[i]];
                const float w = wx[i] * wy[j] * wz[k];
                sum[0] += elementToFloat(p.red) * w;
                sum[1] += elementToFloat(p.green) * w;
                sum[2] += elementToFloat(p.blue) * w;
                sum[3] += elementToFloat(p.alpha) * w;
            }
    out->red = ElementRange<T>::fromFloat(sum[0]);
    out->green = ElementRange<T>::fromFloat(sum[1]);
    out->blue = ElementRange<T>::fromFloat(sum[2]);
    out->alpha = ElementRange<T>::fromFloat(sum[3]);
}

// One bicubic (depth 1) or tricubic pixel at (x, y, z): along x for each y tap, then
// along y, then (3D) along z; only the final value is clamped.
template <typename T>
void SampleCubic(const Pixel<T>* source, Pixel<T>* out, const uint32_t& width, const uint32_t& height,
                 const uint32_t& depth, const float& x, const float& y, const float& z) {
    if (!source || !out || !width || !height || !depth) return;
    uint32_t xs[4], ys[4], zs[4];
    for (int i = 0; i < 4; ++i) {
        const float o = float(i - 1);
        xs[i] = clampTap(x + o, width);
        ys[i] = clampTap(y + o, height);
        zs[i] = clampTap(z + o, depth);
    }
    const float fx = tapFraction(x), fy = tapFraction(y), fz = tapFraction(z);
    const int zTaps = depth == 1 ? 1 : 4;
    T Pixel<T>::*const channels[4] = {&Pixel<T>::red, &Pixel<T>::green, &Pixel<T>::blue, &Pixel<T>::alpha};
    float result[4];
    for (int c = 0; c < 4; ++c) {
        float alongZ[4];
        for (int k = 0; k < zTaps; ++k) {
            const uint32_t slice = depth == 1 ? 0 : zs[k];
            float alongY[4];
            for (int j = 0; j < 4; ++j) {
                const Pixel<T>* row = source + (size_t(slice) * height + ys[j]) * width;
                const float taps[4] = {elementToFloat(row[xs[0]].*channels[c]),
                                       elementToFloat(row[xs[1]].*channels[c]),
                                       elementToFloat(row[xs[2]].*channels[c]),
                                       elementToFloat(row[xs[3]].*channels[c])};
                alongY[j] = evaluateSplines(taps, fx);
            }
            alongZ[k] = evaluateSplines(alongY, fy);
        }
        result[c] = zTaps == 1 ? alongZ[0] : evaluateSplines(alongZ, fz);
    }
    out->red = ElementRange<T>::fromFloat(result[0]);
    out->green = ElementRange<T>::fromFloat(result[1]);
    out->blue = ElementRange<T>::fromFloat(result[2]);
    out->alpha = ElementRange<T>::fromFloat(result[3]);
}

// One resampling pass. Returns false for null pointers, a zero size or a mode other than
// nearest, linear and cubic (nothing is written then), and when the scratch image of the
// cubic reduction cannot be allocated. Source and destination must not overlap.
template <typename T>
bool StretchImage(const Pixel<T>* source, Pixel<T>* destination, uint32_t sourceWidth,
                  uint32_t sourceHeight, uint32_t sourceDepth, uint32_t width, uint32_t height,
                  uint32_t depth, EResizeMode mode);

// Reaches the target size in passes that at most halve or double each dimension, so
// large reductions still average over every source pixel. The scratch images are sized
// to the largest intermediate step; a step larger than 2^32 - 1 bytes is refused.
template <typename T>
bool SteppedStretchImage(const Pixel<T>* source, Pixel<T>* destination, uint32_t sourceWidth,
                         uint32_t sourceHeight, uint32_t sourceDepth, uint32_t width, uint32_t height,
                         uint32_t depth, EResizeMode mode);

// Bytes of the largest image SteppedStretchImage passes through (start and end included),
// or 0 when a size is 0.
uint64_t steppedStretchLargestImage(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t sourceDepth,
                                    uint32_t width, uint32_t height, uint32_t depth, uint32_t pixelBytes);

#define QELTEX_DECLARE_RESAMPLERS(T)                                                                        \
    extern template bool StretchImage<T>(const Pixel<T>*, Pixel<T>*, uint32_t, uint32_t, uint32_t, uint32_t, \
                                         uint32_t, uint32_t, EResizeMode);                                 \
    extern template bool SteppedStretchImage<T>(const Pixel<T>*, Pixel<T>*, uint32_t, uint32_t, uint32_t,   \
                                                uint32_t, uint32_t, uint32_t, EResizeMode);
QELTEX_DECLARE_RESAMPLERS(uint8_t)
QELTEX_DECLARE_RESAMPLERS(uint16_t)
QELTEX_DECLARE_RESAMPLERS(uint32_t)
QELTEX_DECLARE_RESAMPLERS(float)
#undef QELTEX_DECLARE_RESAMPLERS

}  // namespace qeltexture
