#pragma once
// Height map to tangent-space normal map.
#include <cstdint>

#include "ImageOps/Pixel.h"
#include "Texture.h"

namespace qeltexture {

// Replaces the texture by a 32-bit float RGBA texture of the same shape (sizes, MIP levels,
// members, faces, colour space and metadata kept) holding the normals of its red channel
// read as heights, each component mapped from -1...1 to 0...1, in the channels named by
// `channelOrder` (see CreateNormalMap). Records the scale and the lower-cased order in the
// bump-map metadata. False, texture unchanged, for a scale of 0, a non-standard layout, a
// texture without surfaces or a float texture beyond the library's size model.
bool GenerateNormalMap(CQelTexture& texture, float scale, CQelTString channelOrder);

// One surface, each depth slice on its own. Heights are the red channel as a fraction of
// the type's range (u8 / 255, u16 / 65535, u32 / 2^32, float as is); neighbours wrap
// around the slice's edges. `channelOrder` holds up to four case-insensitive letters, one
// per output channel (red, green, blue, alpha): 'x', 'y' and 'z' for the normal's
// components and 'h' for the height; a letter used twice goes to its later channel, and
// channels given nothing (other characters, a short string) are 1.0. A null order means
// "xyz". The per-pixel arithmetic: dx and dy in single precision, the length and the
// mapping to 0...1 in double precision, each output rounded once to float. False for a
// scale of 0 or a null pixel pointer. Instances: u8, u16, u32, float sources.
template <typename T>
bool CreateNormalMap(const Pixel<T>* heights, Pixel<float>* normals, uint32_t width, uint32_t height,
                     uint32_t depth, float scale, const char* channelOrder);

}  // namespace qeltexture
