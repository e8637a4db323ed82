#pragma once
// The two QELTC decoders. Both write 8-bit RGBA (red, green, blue, alpha bytes) and
// share one block-decoding core, so version 0 data decodes alike through either.
#include <cstdint>

namespace qeltexture {

// The general decoder (each pixel blends the four blocks around it) over whole blocks:
// width a multiple of 8 (2 bpp) or 4 (4 bpp), height a multiple of 4, addressing wrapped
// around the image.
// Version 0 reads QELTC words in QELTC block order; any other version reads QELTCII words
// (shared opacity, hard-transition flag, local palette) in row-major order. False when a
// size is 0 or not a whole number of blocks, or when its working maps cannot be allocated.
bool Decompress(const void* src, uint8_t* dst, uint32_t width, uint32_t height, bool do2bit,
                unsigned version);

// General decoder for any size: pads to whole blocks, decodes, copies width x height
// pixels out. 1 on success, 0 on failure.
int qeltc_decompress(const void* src, unsigned char* dst, unsigned int width, unsigned int height,
                     unsigned int version, int do2bit);

// Classic QELTC decoder. The working size is at least 16 x 8 (2 bpp) or 8 x 8 (4 bpp);
// a width or height that is not a whole number of blocks is rounded up to one as well, so
// that every visible pixel is written. Returns the compressed bytes read (working size in
// blocks x 8), or 0 for non-positive sizes, null pointers or an output beyond 4 GiB.
int QelTDecompressQELTC(const void* compressed, int do2bitMode, int width, int height,
                        unsigned char* result);

}  // namespace qeltexture
