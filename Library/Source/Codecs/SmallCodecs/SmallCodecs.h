#pragma once
// The small fixed-rate codecs: black-and-white 1 bpp, shared-exponent R9G9B9E5,
// RGBG8888/GRGB8888 and UYVY/YUY2. Each works on one surface (one MIP level of one
// array member and face), rows of `width` pixels, and returns the bytes it produced.
// A null source or destination is a size query: nothing is touched and the count the
// call would produce is returned. A count that would not fit 32 bits gives 0.
//
// Intermediate layouts: 8-bit RGBA (4 bytes per pixel, R, G, B, A) for every codec
// except the shared-exponent one, which takes and gives three floats per pixel (R, G, B).
// Stored words are little-endian.
#include <cstdint>

#include "ImageOps/Pixel.h"
#include "PixelFormat.h"

namespace qeltexture {

// 1 bpp: bit k of byte i is pixel 8i+k of the surface in memory order (rows not padded).
// Compress writes width*height/8 bytes; pixels past the last whole byte are dropped.
// Decompress reads ceil(width*height/8) bytes and writes width*height*4.
uint32_t OneBPPCompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height);
uint32_t OneBPPDecompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height);

// Shared exponent: float RGB (12 bytes per pixel) <-> one u32 per pixel.
// Both give 0 when the width is 0.
uint32_t RGB9E5Compress(const void* src, void* dst, const uint32_t& width, const uint32_t& height);
uint32_t RGB9E5Decompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height);

// Pair formats (two horizontally adjacent pixels per 4-byte unit). A row is stored as
// ceil(width/2) units, which is what the texture's data size allots an odd-width row:
// the encoders pair the last pixel of an odd row with itself, and the decoders write only
// the left pixel of that row's last unit. So the encoders return ceil(width/2)*4*height
// (width*height*2 for even widths) and the decoders width*height*4. A format other than
// the codec's two, or a height of 0, gives 0 and writes nothing.
uint32_t RGBGCompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height,
                      const EQelTPixelFormat& format);
uint32_t RGBGDecompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height,
                        const EQelTPixelFormat& format);
uint32_t YUVCompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height,
                     const EQelTPixelFormat& format);
uint32_t YUVDecompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height,
                       const EQelTPixelFormat& format);

// One pixel pair to Y0, Y1 and the pair's U (from the left pixel) and V (from the right).
void ConvertRGBToYUV(Pixel<uint8_t> first, Pixel<uint8_t> second, uint8_t& y0, uint8_t& y1,
                     uint8_t& u, uint8_t& v);
// One Y with the unit's U and V to R, G, B.
void ConvertYUVToRGB(int32_t y, int32_t u, int32_t v, uint8_t& red, uint8_t& green, uint8_t& blue);

}  // namespace qeltexture
