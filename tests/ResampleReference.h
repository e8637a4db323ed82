#pragma once
// A plain, per-pixel resampler written straight from the filter formulas, with no tables
// or caching: the yardstick the library's resampling loops must match byte for byte
// (tests) and the baseline they are timed against (benchmarks).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>
#include <type_traits>
#include <vector>

#include "ImageOps/Pixel.h"

namespace reference {

using qeltexture::Pixel;

// Channel c of a pixel, const or not.
template <typename P>
auto& channelRef(P& p, int c) {
    return c == 0 ? p.red : c == 1 ? p.green : c == 2 ? p.blue : p.alpha;
}

template <typename T>
float channel(const Pixel<T>& p, int c) {
    return float(channelRef(p, c));
}

// Clamp to the element range, then truncate.
template <typename T>
T clampStore(float v) {
    if constexpr (std::is_same<T, float>::value) {
        return v > 1.0f ? 1.0f : v >= 0.0f ? v : 0.0f;
    } else {
        const float top = float(std::numeric_limits<T>::max());  // 2^32 for u32
        if (!(v > 0.0f)) return 0;
        if (v >= top) return std::numeric_limits<T>::max();
        return T(v);
    }
}

inline uint32_t tap(float c, uint32_t size) {
    if (!(c > 0.0f)) return 0;
    if (c >= float(size - 1)) return size - 1;
    return uint32_t(c);
}

inline float spline(const float* p, float t) {
    return 0.5f * ((3.0f * p[1] - p[0] - 3.0f * p[2] + p[3]) * t * t * t +
                   (2.0f * p[0] - 5.0f * p[1] + 4.0f * p[2] - p[3]) * t * t + (p[2] - p[0]) * t +
                   2.0f * p[1]);
}

inline float reductionPosition(uint32_t index, uint32_t count, double a, double ratio) {
    const double r = count == 1 ? 0.0 : double(index) / double(count - 1);
    const float q = float((1.0 - a) * (1.0 - r) + r * a);
    return float((double(index) + r) * ratio + (-2.0 * r + double(q)));
}

template <typename T>
const Pixel<T>& at(const Pixel<T>* image, uint32_t W, uint32_t H, uint32_t x, uint32_t y, uint32_t z) {
    return image[(size_t(z) * H + y) * W + x];
}

template <typename T>
Pixel<T> linear(const Pixel<T>* src, uint32_t W, uint32_t H, uint32_t D, float x, float y, float z) {
    const uint32_t xs[2] = {tap(x, W), tap(x + 1.0f, W)}, ys[2] = {tap(y, H), tap(y + 1.0f, H)},
                   zs[2] = {tap(z, D), tap(z + 1.0f, D)};
    const float fx = x - std::trunc(x), fy = y - std::trunc(y), fz = z - std::trunc(z);
    const float wx[2] = {1 - fx, fx}, wy[2] = {1 - fy, fy}, wz[2] = {1 - fz, fz};
    Pixel<T> out;
    for (int c = 0; c < 4; ++c) {
        float sum = 0.0f;
        for (int k = 0; k < 2; ++k)
            for (int j = 0; j < 2; ++j)
                for (int i = 0; i < 2; ++i)
                    sum += channel(at(src, W, H, xs[i], ys[j], zs[k]), c) * (wx[i] * wy[j] * wz[k]);
        channelRef(out, c) = clampStore<T>(sum);
    }
    return out;
}

template <typename T>
Pixel<T> cubic(const Pixel<T>* src, uint32_t W, uint32_t H, uint32_t D, float x, float y, float z) {
    uint32_t xs[4], ys[4], zs[4];
    for (int i = 0; i < 4; ++i) {
        xs[i] = tap(x + float(i - 1), W);
        ys[i] = tap(y + float(i - 1), H);
        zs[i] = tap(z + float(i - 1), D);
    }
    const float fx = x - std::trunc(x), fy = y - std::trunc(y), fz = z - std::trunc(z);
    Pixel<T> out;
    for (int c = 0; c < 4; ++c) {
        float planes[4];
        for (int k = 0; k < (D == 1 ? 1 : 4); ++k) {
            float rows[4];
            for (int j = 0; j < 4; ++j) {
                float p[4];
                for (int i = 0; i < 4; ++i) p[i] = channel(at(src, W, H, xs[i], ys[j], D == 1 ? 0 : zs[k]), c);
                rows[j] = spline(p, fx);
            }
            planes[k] = spline(rows, fy);
        }
        channelRef(out, c) = clampStore<T>(D == 1 ? planes[0] : spline(planes, fz));
    }
    return out;
}

// The 1-2-1 low-pass filter (in depth too for volumes), edges repeated.
template <typename T>
std::vector<Pixel<T>> lowPass(const Pixel<T>* src, uint32_t W, uint32_t H, uint32_t D) {
    std::vector<Pixel<T>> out(size_t(W) * H * D);
    const float w121[3] = {1, 2, 1};
    const int reach = D == 1 ? 0 : 1;
    auto clampI = [](int64_t i, uint32_t n) { return uint32_t(std::min<int64_t>(std::max<int64_t>(i, 0), n - 1)); };
    for (uint32_t z = 0; z < D; ++z)
        for (uint32_t y = 0; y < H; ++y)
            for (uint32_t x = 0; x < W; ++x)
                for (int c = 0; c < 4; ++c) {
                    float sum = 0.0f;
                    for (int dz = -reach; dz <= reach; ++dz)
                        for (int dy = -1; dy <= 1; ++dy)
                            for (int dx = -1; dx <= 1; ++dx) {
                                const Pixel<T>& p = at(src, W, H, clampI(int64_t(x) + dx, W), clampI(int64_t(y) + dy, H),
                                                       clampI(int64_t(z) + dz, D));
                                sum += channel(p, c) * ((reach ? w121[dz + 1] : 1.0f) * w121[dy + 1] * w121[dx + 1]);
                            }
                    const float v = sum / (reach ? 64.0f : 16.0f);
                    channelRef(out[(size_t(z) * H + y) * W + x], c) = std::is_same<T, float>::value ? T(v) : clampStore<T>(v);
                }
    return out;
}

// One pass, modes 0 nearest, 1 linear, 2 cubic.
template <typename T>
void stretch(const Pixel<T>* src, Pixel<T>* dst, uint32_t W, uint32_t H, uint32_t D, uint32_t w, uint32_t h,
             uint32_t d, int mode) {
    const double R[3] = {double(W) / w, double(H) / h, double(D) / d};
    const uint32_t newSize[3] = {w, h, d};
    const bool enlarge = W < w || H < h || D < d;
    std::vector<Pixel<T>> filtered;
    const Pixel<T>* from = src;
    if (mode == 2 && !enlarge) {
        filtered = lowPass(src, W, H, D);
        from = filtered.data();
    }
    for (uint32_t z = 0; z < d; ++z)
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t index[3] = {x, y, z};
                float p[3];
                for (int axis = 0; axis < 3; ++axis)
                    p[axis] = enlarge ? float(index[axis] * R[axis])
                                      : reductionPosition(index[axis], newSize[axis], 1.0 / R[axis], R[axis]);
                Pixel<T>& out = dst[(size_t(z) * h + y) * w + x];
                if (mode == 0)
                    out = at(src, W, H, uint32_t(x * R[0]), uint32_t(y * R[1]), uint32_t(z * R[2]));
                else if (mode == 1)
                    out = linear(from, W, H, D, p[0], p[1], p[2]);
                else
                    out = cubic(from, W, H, D, p[0], p[1], p[2]);
            }
}

inline uint32_t step(uint32_t cur, uint32_t target) {
    return cur < target ? std::min(cur * 2, target) : cur > target ? std::max(cur / 2, target) : cur;
}

// Halving / doubling passes until the target size is reached.
template <typename T>
std::vector<Pixel<T>> stepped(const Pixel<T>* src, uint32_t W, uint32_t H, uint32_t D, uint32_t w, uint32_t h,
                              uint32_t d, int mode) {
    std::vector<Pixel<T>> cur(src, src + size_t(W) * H * D);
    while (W != w || H != h || D != d) {
        const uint32_t nw = step(W, w), nh = step(H, h), nd = step(D, d);
        std::vector<Pixel<T>> next(size_t(nw) * nh * nd);
        stretch(cur.data(), next.data(), W, H, D, nw, nh, nd, mode);
        cur.swap(next);
        std::tie(W, H, D) = std::make_tuple(nw, nh, nd);
    }
    return cur;
}

}  // namespace reference
