#pragma once
// Exact model of what the decoder produces around one block: the pixels whose decode reads
// the block, and for a set of 3 x 3 neighbour blocks the decoded colour and error of each of
// them under the best modulation the pixel's own block can give it.
#include <cstdint>

#include "Codecs/QELTC/amtc/AMTCTypes.h"

namespace qeltexture {

// A candidate as the decoder sees it.
struct AMTCBlockState {
    int a5[4], b5[4];  // 5-bit red, green, blue and 4-bit alpha, as interpolated
    int a8[4], b8[4];  // the same widened to 8 bits (the candidate's own colours)
    uint8_t modeFlag;  // colour bit 0
    uint8_t hard;      // QELTCII hard-transition flag
    uint8_t sub;       // 2 bpp sub-mode: 0 direct, 1 four-neighbour, 2 horizontal-only, 3 vertical-only
};

void amtc_block_state(const AMTCSettings& s, const AMTCCandidate& candidate, AMTCBlockState* state);

// Slots of the 3 x 3 neighbourhood: (dy + 1) * 3 + (dx + 1); slot 4 is the block itself.
const int kAMTCCentreSlot = 4;
const int kAMTCMaxRegionPixels = 128;  // 2 block widths x 2 block heights

struct AMTCRegionPixel {
    int src[4];
    int alphaFactor;  // 900 where the source alpha is 0 or 255, else 1
    uint8_t slot[4];  // P, Q, R, S (the blocks whose centres surround the pixel)
    uint8_t weight[4];  // bilinear weights, summing to 4 x block width
    uint8_t own;        // slot of the block holding the pixel
    uint8_t qx, qy;     // position inside the quad whose origin is P's centre
    uint8_t lx, ly;     // position inside the own block
    uint8_t inCentre;   // the own block is the centre block (also through wrapping)
    int16_t neighbour[4];  // 2 bpp: region index of the left, right, upper, lower pixel, -1 outside
};

// The pixels of block (cx, cy) and its surroundings whose decode reads that block: 2 block
// widths by 2 block heights starting half a block left of and above it, wrapped.
struct AMTCRegion {
    int count;
    int width;  // in pixels: 2 x block width
    uint32_t blockX[9], blockY[9];  // wrapped coordinates of each slot
    uint8_t slotIsCentre[9];        // slot wraps onto the centre block (tiny grids)
    AMTCRegionPixel px[kAMTCMaxRegionPixels];
};

void amtc_build_region(const AMTCSettings& s, const AMTCImage& image, uint32_t cx, uint32_t cy, AMTCRegion* region);

// Outcome for one pixel.
enum EAMTCPixelKind : uint8_t { eAMTCInterpolated = 0, eAMTCHardOwn = 1, eAMTCPalette = 2 };
struct AMTCPixelChoice {
    uint8_t weight;  // 0..8 in eighths of B
    uint8_t value;   // the chosen modulation value (2 bpp non-stored pixels: 0)
    uint8_t kind;
    uint8_t punched;
    uint8_t decoded[4];
};

// Error of the region under the given slot states (each pixel at its best modulation;
// 2 bpp pixels without a stored sample take the rounded mean of their chosen neighbours
// inside the region, as the block's sub-mode directs). choices, when given, receives the
// per-pixel outcome.
uint64_t amtc_evaluate(const AMTCSettings& s, const AMTCRegion& region, const AMTCBlockState* const states[9],
                       AMTCPixelChoice* choices);

// The decoder's bilinear result (sum scaled by 4 x block width) as 8 bits.
inline int amtc_to8(int sum, bool alpha, bool do2bit) {
    if (do2bit) return alpha ? (sum >> 5) + (sum >> 1) : (sum >> 7) + (sum >> 2);
    return alpha ? (sum >> 4) + sum : (sum >> 6) + (sum >> 1);
}

// Error of a decoded pixel against its source: squared differences, alpha scaled by 30 where
// the source alpha is 0 or 255.
inline uint32_t amtc_pixel_error(const int src[4], int alphaFactor, int r, int g, int b, int a) {
    const int dr = src[0] - r, dg = src[1] - g, db = src[2] - b, da = src[3] - a;
    return uint32_t(dr * dr + dg * dg + db * db) + uint32_t(alphaFactor * da * da);
}

// Local palette of a 4 bpp hard-transition block in mode 1 (entry per quad position and value;
// entries 0 A of P, 1 B of P, 2 A of S, 3 B of S, 4 A of Q, 5 B of Q, 6 A of R, 7 B of R).
extern const uint8_t kAMTCLocalPalette[4][4][4];

}  // namespace qeltexture
