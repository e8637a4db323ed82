#pragma once
// Drivers of the iterative class compressors: build the compressor, run preprocess and the
// sectioned iterations, write the block words. width and height must be whole numbers of
// blocks (8 x 4 at 2 bpp, 4 x 4 at 4 bpp); otherwise nothing is written and 0 returned.
// The alpha argument is unused: opacity follows from each colour's alpha.
#include <cstdint>

namespace qeltexture {

// QELTC: blocks in QELTC block order. Returns width x height / 4 (2 bpp) or / 2 (4 bpp).
unsigned int qeltcCompressMW(const void* src, void* dst, uint32_t width, uint32_t height, bool alpha,
                             bool preprocessFlag, bool do2bit, uint32_t iterations);
unsigned int qeltcCompress2bppMW(const void* src, void* dst, uint32_t width, uint32_t height, bool alpha,
                                 bool preprocessFlag, uint32_t iterations);
unsigned int qeltcCompress4bppMW(const void* src, void* dst, uint32_t width, uint32_t height, bool alpha,
                                 bool preprocessFlag, uint32_t iterations);

// QELTCII: hard-transition flags, shared opacity, row-major blocks.
unsigned int qeltc2Compress(const void* src, void* dst, uint32_t width, uint32_t height, bool alpha,
                            bool preprocessFlag, bool do2bit, uint32_t iterations);
unsigned int qeltc2Compress2bpp(const void* src, void* dst, uint32_t width, uint32_t height, bool alpha,
                                bool preprocessFlag, uint32_t iterations);
unsigned int qeltc2Compress4bpp(const void* src, void* dst, uint32_t width, uint32_t height, bool alpha,
                                bool preprocessFlag, uint32_t iterations);

}  // namespace qeltexture
