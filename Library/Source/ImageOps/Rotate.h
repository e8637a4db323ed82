#pragma once
// Quarter turns of whole textures about one axis.
#include <cstdint>

#include "ImageOps/Pixel.h"
#include "Texture.h"

namespace qeltexture {

// Turns every MIP level, array member and face by 90 degrees about `axis`. The header
// exchanges two sizes (z: width and height, x: height and depth, y: width and depth);
// metadata is kept as it is, the border widths included. False, texture unchanged, for a
// non-standard layout, an axis other than x, y or z, or a texture without surfaces.
bool Rotate90(CQelTexture& texture, EQelTAxis axis, bool clockwise);

// One surface of width x height x depth pixels into `destination`, which has the exchanged
// sizes. The sense follows the cyclic order x -> y -> z -> x: with (u, v) the in-plane
// coordinates (x, y) about z, (y, z) about x and (z, x) about y, and U, V their sizes,
// `clockwise` moves (u, v) to (V - 1 - v, u) and its opposite moves (u, v) to
// (v, U - 1 - u). About z with y pointing down, `clockwise` turns the picture clockwise
// on screen. False for null pointers or an unknown axis. Instances: u8, u16, u32, float.
template <typename T>
bool Rotate90(const Pixel<T>* source, Pixel<T>* destination, const uint32_t& width,
              const uint32_t& height, const uint32_t& depth, EQelTAxis axis, bool clockwise);

}  // namespace qeltexture
