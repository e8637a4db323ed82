#pragma once
// MIP chain generation and the tinted-levels debugging aid.
#include <cstdint>

#include "Pixel.h"
#include "Texture.h"

namespace qeltexture {

// Full chain length of a level-0 size: 1 + floor(log2(max(width, height, depth))).
uint32_t fullMIPChainLength(uint32_t width, uint32_t height, uint32_t depth);

// Rebuilds the chain below level 0 with `levels` levels (0xFFFFFFFF: the full chain;
// counts past the full chain add 1x1x1 levels, up to 32 in all). Each level is one
// resampling pass from the level above. False, texture unchanged, for a non-standard
// layout, 0 levels, more than 32, or a mode other than nearest, linear and cubic.
bool GenerateMIPMaps(CQelTexture& texture, EResizeMode mode, uint32_t levels);

// Replaces the colour of every level below the top by its grey value in a six-level
// cycle of tints: 1 green, 2 blue, 3 cyan, 4 magenta, 5 yellow, 6 red, ...
bool ColourMIPMaps(CQelTexture& texture);

}  // namespace qeltexture
