#pragma once
// Row walk shared by the two-pixels-per-unit formats (RGBG/GRGB, UYVY/YUY2).
// A row of width w is stored as ceil(w/2) four-byte units: the last unit of an odd row
// holds the row's last pixel as its left pixel, and its right pixel repeats that pixel,
// so rows stay aligned with the texture's data size and nothing lands outside the surface.
#include <cstdint>

#include "Codecs/SmallCodecs/CodecCounts.h"

namespace qeltexture {
namespace smallcodecs {

inline uint32_t unitsPerRow(uint32_t width) { return width / 2 + (width & 1); }

// Bytes of the packed surface; 0 when it would not fit 32 bits.
inline uint32_t packedPairCount(uint32_t width, uint32_t height) {
    return fitCount(uint64_t(unitsPerRow(width)) * 4 * height);
}

// Calls fn(left, right, unit) for every unit: left and right point at 8-bit RGBA pixels
// of the source (right == left for the lone last pixel of an odd row).
template <typename Fn>
void forEachPairToPack(const uint8_t* rgba, uint8_t* packed, uint32_t width, uint32_t height, Fn&& fn) {
    const uint32_t units = unitsPerRow(width);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = rgba + uint64_t(y) * width * 4;
        uint8_t* unit = packed + uint64_t(y) * units * 4;
        for (uint32_t j = 0; j < units; ++j, unit += 4) {
            const uint32_t x = 2 * j;
            const uint8_t* left = row + uint64_t(x) * 4;
            fn(left, x + 1 < width ? left + 4 : left, unit);
        }
    }
}

// Calls fn(unit, left, right) for every unit: right is null for the lone last pixel of an
// odd row, which has no place in the destination.
template <typename Fn>
void forEachPairToUnpack(const uint8_t* packed, uint8_t* rgba, uint32_t width, uint32_t height, Fn&& fn) {
    const uint32_t units = unitsPerRow(width);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* unit = packed + uint64_t(y) * units * 4;
        uint8_t* row = rgba + uint64_t(y) * width * 4;
        for (uint32_t j = 0; j < units; ++j, unit += 4) {
            const uint32_t x = 2 * j;
            uint8_t* left = row + uint64_t(x) * 4;
            fn(unit, left, x + 1 < width ? left + 4 : nullptr);
        }
    }
}

}  // namespace smallcodecs
}  // namespace qeltexture
