#pragma once
// EAC block encoders: the 8-bit alpha block of ETC2 RGBA and the 11-bit channel block
// of R11 / RG11, unsigned or signed. Each writes one 8-byte block in its final byte
// order: base, multiplier << 4 | table, then sixteen 3-bit indices, most significant
// bit first, pixels in column-major order.
#include <cstdint>

namespace qeltexture {

// 8-bit alpha at (ix, iy) of an image `width` bytes wide. The fast search looks at a
// window of about 30 table rows around an estimate from the block's spread; the slow
// one at every row. `alphaTable` is the table of that name (256 rows x 8 modifiers).
void compressBlockAlphaFast(const uint8_t* data, int ix, int iy, int width, uint8_t* output,
                            const int (*alphaTable)[8]);
void compressBlockAlphaSlow(const uint8_t* data, int ix, int iy, int width, uint8_t* output,
                            const int (*alphaTable)[8]);

// Every 16-bit value an 11-bit EAC block can decode to: entry
// (b << 11) | (table << 7) | (multiplier << 3) | index. In the signed table b is the
// stored base byte plus 128 (mod 256) and entries hold two's-complement patterns.
// Built on first use.
const uint16_t* valueTableUnsigned();
const uint16_t* valueTableSigned();

// 16-bit channel values at index ((iy + y) * width + ix + x) * stride (stride 1 for
// R11, 2 for RG11), read as signed when `isSigned`. Finds the first (base, table,
// multiplier) with the smallest error. `valueTable` is the table matching isSigned.
void compressBlockAlpha16(const uint16_t* data, int stride, int ix, int iy, int width,
                          uint8_t* output, bool isSigned, const uint16_t* valueTable);
// Error of one (base index, table, multiplier) choice; once the running sum reaches
// `bestSoFar` the evaluation stops and bestSoFar + 2^30 is returned.
double calcError(const uint16_t* data, int stride, int ix, int iy, int width, int base, int table,
                 int multiplier, double bestSoFar, const uint16_t* valueTable, bool isSigned);

}  // namespace qeltexture
