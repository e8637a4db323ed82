#pragma once
// Re-canvassing: a new size without resampling, the old image placed at an offset.
#include <cstdint>

#include "ImageOps/Pixel.h"
#include "Texture.h"

namespace qeltexture {

// Places MIP level 0 of every array member and face at (offsetX, offsetY, offsetZ) in a
// zero-filled canvas of width x height x depth; the result has one MIP level and its
// border widths scaled like a resize (width x oldBorderX / oldWidth, unsigned 32-bit).
// True and nothing changes when the size is level 0's and every offset is 0. False,
// texture unchanged, for a non-standard layout, a zero size, a texture without pixels or
// surfaces, or a canvas beyond the library's size model.
bool ResizeCanvas(CQelTexture& texture, const uint32_t& width, const uint32_t& height, const uint32_t& depth,
                  const int32_t& offsetX, const int32_t& offsetY, const int32_t& offsetZ);

// One surface: destination pixel (x, y, z) takes source (x - offsetX, y - offsetY,
// z - offsetZ) when that lies inside the source, otherwise (0, 0, 0, 0). False for null
// pointers. Instances: u8, u16, u32, float.
template <typename T>
bool ResizeCanvas(const Pixel<T>* source, Pixel<T>* destination, uint32_t width, uint32_t height,
                  uint32_t depth, uint32_t newWidth, uint32_t newHeight, uint32_t newDepth, int32_t offsetX,
                  int32_t offsetY, int32_t offsetZ);

}  // namespace qeltexture
