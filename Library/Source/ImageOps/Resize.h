#pragma once
// Resizing a texture: every array member and face of MIP level 0 is resampled to the
// new size; the other MIP levels are dropped.
#include <cstdint>

#include "Pixel.h"
#include "Texture.h"

namespace qeltexture {

// False (texture unchanged) for a layout other than the four standard RGBA ones, a zero
// size or a mode other than nearest, linear and cubic; true and no change for the
// current size. The border metadata is scaled with the image (and written even when the
// texture had none).
bool Resize(CQelTexture& texture, const uint32_t& width, const uint32_t& height, const uint32_t& depth,
            EResizeMode mode);

}  // namespace qeltexture
