#pragma once
// Geometry helpers of the candidate search: oriented bounding boxes in RGBA space, mapping
// of a colour pair to colours the format can store, candidate order and the nudging of
// under-used candidates.
#include <cstddef>
#include <cstdint>

#include "Codecs/QELTC/amtc/AMTCTypes.h"

namespace qeltexture {

struct AMTCOrientedBBox {
    float axes[4][4];  // orthonormal, one axis per row
    float minimum[4];
    float maximum[4];
};

void InitOrientedBBox(AMTCOrientedBBox* box, const float axes[4][4]);
void InitOrientedBBoxToSingleColour(AMTCOrientedBBox* box, const float colour[4]);
void AddIColourToOrientedBBox(AMTCOrientedBBox* box, uint32_t rgba);
void AddFColourToOrientedBBox(AMTCOrientedBBox* box, const float colour[4]);
void OffsetOrientedBBox(AMTCOrientedBBox* box, const float colour[4]);
float SizeOfOrientedBBox(const AMTCOrientedBBox* box);
float EstimateDistFromMainAxisForOBBox(const AMTCOrientedBBox* box);
bool OrientedBBoxIsEmpty(const AMTCOrientedBBox* box);
void ClampToOrientedBBox(const AMTCOrientedBBox* box, float colour[4]);

// A and B (floats on the 0..255 scale) to 8-bit colours that decode exactly to themselves.
void MapToRepresentableColours(bool isQELTCII, const float A[4], const float B[4], uint8_t outA[4],
                               uint8_t outB[4]);

// qsort-style order: ascending error, then ascending key.
int CompareCandidates(const void* a, const void* b);
// Stable merge sort of n candidates with CompareCandidates; scratch holds n records.
void qelmergesort(AMTCCandidate* items, size_t n, AMTCCandidate* scratch);

// colourA, colourB: 8-bit RGBA, red in the low byte. outFirst = A + offset; outSecond is
// outFirst nudged 5 per channel towards B when the offset points towards B, else A.
void AdjustUnderusedCandidates(uint32_t colourA, uint32_t colourB, const float offset[4], uint32_t* outFirst,
                               uint32_t* outSecond);

}  // namespace qeltexture
