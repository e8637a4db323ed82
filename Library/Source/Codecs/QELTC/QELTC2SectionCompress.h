#pragma once
// One-pass QELTCII 4 bpp encoder: every 4 x 4 block on its own, without neighbours.
namespace qeltexture {

// src: width x height 8-bit RGBA; dst: (width / 4) x (height / 4) block words, row-major.
// Sizes should be multiples of 4; a partial last block column or row is not encoded.
// Returns 1 (it cannot fail).
unsigned int QELTC2SectionCompress(const void* src, void* dst, const unsigned int& width,
                                   const unsigned int& height);

}  // namespace qeltexture
