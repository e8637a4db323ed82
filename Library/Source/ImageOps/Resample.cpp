#include "Resample.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "ResampleKernels.h"

namespace qeltexture {

namespace {

uint64_t saturatingProduct(uint64_t a, uint64_t b) {
    if (a != 0 && b > ~uint64_t(0) / a) return ~uint64_t(0);
    return a * b;
}

uint64_t imageBytes(uint32_t w, uint32_t h, uint32_t d, uint32_t pixelBytes) {
    return saturatingProduct(saturatingProduct(saturatingProduct(w, h), d), pixelBytes);
}

// One step of the stepped resampler: at most double or halve towards the target.
uint32_t stepToward(uint32_t current, uint32_t target) {
    if (current < target) return uint32_t(std::min<uint64_t>(uint64_t(current) * 2, target));
    if (current > target) return std::max(current / 2, target);
    return current;
}

constexpr uint64_t kLargestScratchBytes = 0xFFFFFFFFull;

}  // namespace

uint64_t steppedStretchLargestImage(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t sourceDepth,
                                    uint32_t width, uint32_t height, uint32_t depth, uint32_t pixelBytes) {
    if (!sourceWidth || !sourceHeight || !sourceDepth || !width || !height || !depth) return 0;
    uint32_t w = sourceWidth, h = sourceHeight, d = sourceDepth;
    uint64_t largest = imageBytes(w, h, d, pixelBytes);
    while (w != width || h != height || d != depth) {
        w = stepToward(w, width);
        h = stepToward(h, height);
        d = stepToward(d, depth);
        largest = std::max(largest, imageBytes(w, h, d, pixelBytes));
    }
    return largest;
}

template <typename T>
bool StretchImage(const Pixel<T>* source, Pixel<T>* destination, uint32_t sourceWidth,
                  uint32_t sourceHeight, uint32_t sourceDepth, uint32_t width, uint32_t height,
                  uint32_t depth, EResizeMode mode) {
    if (!source || !destination || !isValidResizeMode(mode)) return false;
    if (!sourceWidth || !sourceHeight || !sourceDepth || !width || !height || !depth) return false;
    const bool enlarge = sourceWidth < width || sourceHeight < height || sourceDepth < depth;
    using namespace resample_detail;
    switch (mode) {
        case eResizeNearest:
            nearestPass(source, destination, sourceWidth, sourceHeight, sourceDepth, width, height, depth);
            return true;
        case eResizeLinear:
            linearPass(source, destination, sourceWidth, sourceHeight, sourceDepth, width, height, depth,
                       enlarge);
            return true;
        case eResizeCubic: {
            if (enlarge) {
                cubicPass(source, destination, sourceWidth, sourceHeight, sourceDepth, width, height, depth,
                          true);
                return true;
            }
            // A reduction samples a low-passed copy so the cubic taps do not alias.
            const uint64_t bytes = imageBytes(sourceWidth, sourceHeight, sourceDepth, sizeof(Pixel<T>));
            if (bytes > kLargestScratchBytes) return false;
            std::unique_ptr<Pixel<T>[]> filtered(new (std::nothrow) Pixel<T>[size_t(bytes / sizeof(Pixel<T>))]);
            if (!filtered) return false;
            lowPassFilter(source, filtered.get(), sourceWidth, sourceHeight, sourceDepth);
            cubicPass<T>(filtered.get(), destination, sourceWidth, sourceHeight, sourceDepth, width, height,
                         depth, false);
            return true;
        }
    }
    return false;
}

template <typename T>
bool SteppedStretchImage(const Pixel<T>* source, Pixel<T>* destination, uint32_t sourceWidth,
                         uint32_t sourceHeight, uint32_t sourceDepth, uint32_t width, uint32_t height,
                         uint32_t depth, EResizeMode mode) {
    if (!source || !destination || !isValidResizeMode(mode)) return false;
    const uint64_t largest = steppedStretchLargestImage(sourceWidth, sourceHeight, sourceDepth, width, height,
                                                        depth, sizeof(Pixel<T>));
    if (largest == 0 || largest > kLargestScratchBytes) return false;

    uint32_t w = sourceWidth, h = sourceHeight, d = sourceDepth;
    if (w == width && h == height && d == depth) {
        std::memcpy(destination, source, size_t(largest));
        return true;
    }
    // The first pass reads the source and the last writes the destination directly;
    // only the passes in between need the two scratch images.
    std::unique_ptr<Pixel<T>[]> scratch[2];
    const Pixel<T>* current = source;
    int next = 0;
    while (w != width || h != height || d != depth) {
        const uint32_t nw = stepToward(w, width), nh = stepToward(h, height), nd = stepToward(d, depth);
        Pixel<T>* out = destination;
        if (nw != width || nh != height || nd != depth) {
            if (!scratch[next]) {
                scratch[next].reset(new (std::nothrow) Pixel<T>[size_t(largest / sizeof(Pixel<T>))]);
                if (!scratch[next]) return false;
            }
            out = scratch[next].get();
            next ^= 1;
        }
        if (!StretchImage<T>(current, out, w, h, d, nw, nh, nd, mode)) return false;
        current = out;
        w = nw;
        h = nh;
        d = nd;
    }
    return true;
}

#define QELTEX_INSTANTIATE_RESAMPLERS(T)                                                                  \
    template bool StretchImage<T>(const Pixel<T>*, Pixel<T>*, uint32_t, uint32_t, uint32_t, uint32_t,      \
                                  uint32_t, uint32_t, EResizeMode);                                       \
    template bool SteppedStretchImage<T>(const Pixel<T>*, Pixel<T>*, uint32_t, uint32_t, uint32_t, uint32_t, \
                                         uint32_t, uint32_t, EResizeMode);
QELTEX_INSTANTIATE_RESAMPLERS(uint8_t)
QELTEX_INSTANTIATE_RESAMPLERS(uint16_t)
QELTEX_INSTANTIATE_RESAMPLERS(uint32_t)
QELTEX_INSTANTIATE_RESAMPLERS(float)
#undef QELTEX_INSTANTIATE_RESAMPLERS

}  // namespace qeltexture
