#pragma once
// Surface encoder for ETC1, ETC2 (RGB, RGBA, RGB A1) and EAC (R11, RG11).
#include <cstdint>

namespace qeltexture {

// Encodes one width x height surface of plain pixels into blocks, row-major, each
// colour block stored as its high then low word, big-endian, EAC blocks byte by byte.
// Source rows (no padding): RGB8 for ePF_ETC1 and ePF_ETC2_RGB, RGBA8 for
// ePF_ETC2_RGBA and ePF_ETC2_RGB_A1, one 16-bit value per pixel for ePF_EAC_R11 and
// two (R, G) for ePF_EAC_RG11, signed when isSigned (EAC formats only).
// Quality 0..3 is fast, fast perceptual, exhaustive, exhaustive perceptual (the ETC
// reading of ECompressorQuality); 4 and 5 read as 2 and 3; anything else (negative
// included) is refused. A null src or dst, or an empty surface, is a size query.
// Returns the byte count of the surface's blocks, or 0 when refused.
unsigned int ETCCompress(const void* src, void* dst, const unsigned int& width,
                         const unsigned int& height, int quality, unsigned int format,
                         bool isSigned);
// The same, spreading block rows over `threadCount` threads (0 = one per hardware
// thread). The output is identical for every thread count.
unsigned int ETCCompress(const void* src, void* dst, const unsigned int& width,
                         const unsigned int& height, int quality, unsigned int format,
                         bool isSigned, unsigned int threadCount);

}  // namespace qeltexture
