#pragma once
// Mirrored borders around the top level of a texture.
#include <cstdint>

#include "ImageOps/Pixel.h"
#include "Texture.h"

namespace qeltexture {

// Grows MIP level 0 of every array member and face by borderX, borderY and borderZ pixels
// on each side, filled by mirroring the image across its edges, and records the widths in
// the border metadata. The result has one MIP level. True and nothing changes when all
// three widths are 0. False, texture unchanged, for a non-standard layout, a texture
// without surfaces, or a bordered size beyond the library's size model.
bool Border(CQelTexture& texture, uint32_t borderX, uint32_t borderY, uint32_t borderZ);

// One surface of width x height x depth into newWidth x newHeight x newDepth; the widths
// are (new - old) / 2 per axis. Each border mirrors the image with the edge pixel
// repeated (the first border row equals the first image row); corners mirror in both
// directions. A border wider than the image would mirror into border pixels not yet
// written, so the mirrored index is clamped to the image: past the image's own extent the
// border repeats the image's opposite edge. False for null pointers, an empty image, a
// new size smaller than the old one or an odd growth. Instances: u8, u16, u32, float.
template <typename T>
bool Border(const Pixel<T>* source, Pixel<T>* destination, uint32_t width, uint32_t height, uint32_t depth,
            uint32_t newWidth, uint32_t newHeight, uint32_t newDepth);

}  // namespace qeltexture
