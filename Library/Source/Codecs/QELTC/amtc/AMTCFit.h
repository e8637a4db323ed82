#pragma once
// Least-squares fitting of a block's colour pair to the modulation weights its pixels chose.
#include "Codecs/QELTC/amtc/AMTCPixelModel.h"

namespace qeltexture {

// The pair (A, B) of the centre block that minimises the error over the region pixels, with
// every other block and each pixel's weight held fixed. The decoder's interpolation of the
// 5-bit values is modelled as linear interpolation of the 8-bit colours, alpha errors weigh
// as the error measure weighs them, and a light pull towards the current pair (cur) keeps
// channels the pixels do not constrain where they are. Hard-transition pixels count with the
// own block's colours; local-palette pixels are left out.
void Fit3x3RepPairsToWeights(const AMTCSettings& s, const AMTCRegion& region, const AMTCBlockState* const states[9],
                             const AMTCPixelChoice* choices, const float curA[4], const float curB[4], float outA[4],
                             float outB[4]);
// The same over the centre block's own pixels only (cheaper, used in the early passes).
void FitOnlyCentralRepPairsToWeights(const AMTCSettings& s, const AMTCRegion& region,
                                     const AMTCBlockState* const states[9], const AMTCPixelChoice* choices,
                                     const float curA[4], const float curB[4], float outA[4], float outB[4]);

}  // namespace qeltexture
