#pragma once
// Where block (bx, by) of a blocksX x blocksY grid lies in memory.
#include <cstdint>

namespace qeltexture {

// Twiddled (Morton) index: the low bits of by and bx interleave (by in the even bits) up
// to the smaller side; the rest of the longer coordinate is appended above them.
uint32_t QELTCTwiddledIndex(uint32_t bx, uint32_t by, uint32_t blocksX, uint32_t blocksY);

// The twiddled formula is a permutation of the grid only when both sides are powers of two;
// elsewhere (24 x 24 at 4 bpp is 6 x 6 blocks) it would address past the level's data.
// QELTC therefore uses twiddled order only for power-of-two grids and row-major order
// for all others, in the decoders and in every encoder alike.
bool QELTCUsesTwiddledOrder(uint32_t blocksX, uint32_t blocksY);

// Memory index of a block: version 0 (QELTC) as above, any other version row-major.
uint32_t QELTCBlockIndex(uint32_t bx, uint32_t by, uint32_t blocksX, uint32_t blocksY, unsigned version);

}  // namespace qeltexture
