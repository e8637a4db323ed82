#pragma once
// Alpha premultiplication and bleeding of colour into transparent pixels.
#include <cstdint>

#include "Pixel.h"
#include "Texture.h"

namespace qeltexture {

// Multiplies red, green and blue of every pixel of every surface by alpha and marks the
// header premultiplied. False, nothing changed, for a non-standard layout or a texture
// already marked premultiplied; false (flag still set) when there is no array member.
bool PreMultiplyAlpha(CQelTexture& texture);

// Gives every transparent pixel (alpha below 8 of 255 of full scale) the mean colour of
// the opaque pixels within 8 pixels in each direction, or black when there are none.
// Alpha is unchanged. Returns the result of the last surface.
bool Bleed(CQelTexture& texture);

// One dense width x height x depth surface; false for null pixels or when the scratch
// copy cannot be allocated (the surface is then unchanged).
template <typename T>
bool Bleed(Pixel<T>* pixels, const uint32_t& width, const uint32_t& height, const uint32_t& depth);

extern template bool Bleed<uint8_t>(Pixel<uint8_t>*, const uint32_t&, const uint32_t&, const uint32_t&);
extern template bool Bleed<uint16_t>(Pixel<uint16_t>*, const uint32_t&, const uint32_t&, const uint32_t&);
extern template bool Bleed<uint32_t>(Pixel<uint32_t>*, const uint32_t&, const uint32_t&, const uint32_t&);
extern template bool Bleed<float>(Pixel<float>*, const uint32_t&, const uint32_t&, const uint32_t&);

}  // namespace qeltexture
