#pragma once
// Mirroring of whole textures along one axis, in place.
#include <cstdint>

#include "ImageOps/Pixel.h"
#include "Texture.h"

namespace qeltexture {

// Mirrors every MIP level, array member and face along `axis`. The orientation metadata
// is left as it is (a caller that wants it to describe the new data updates it). False,
// texture unchanged, for a non-standard layout, an axis other than x, y or z, or a
// texture without surfaces.
bool Flip(CQelTexture& texture, EQelTAxis axis);

// One surface in place: x swaps columns, y rows, z slices. Any other axis value changes
// nothing and reports true; a null pointer reports false. Instances: u8, u16, u32, float.
template <typename T>
bool Flip(Pixel<T>* pixels, const uint32_t& width, const uint32_t& height, const uint32_t& depth,
          EQelTAxis axis);

}  // namespace qeltexture
