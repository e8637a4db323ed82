#pragma once
// Bridges between images and textures for the tool: loading any input as a texture, and
// decoding any texture surface to 8- or 16-bit RGBA for PNG output and comparison.
#include <cstdint>
#include <string>
#include <vector>

#include "Texture.h"

namespace qeltex_cli {

struct InputInfo {
    bool fromPng = false;
    uint32_t pngBitDepth = 8;
    bool pngIsColour = false;
};

// A PNG (recognised by its signature) becomes an 8- or 16-bit RGBA texture in the given
// colour space (or the PNG default: sRGB for 8-bit colour, linear otherwise); any other
// file goes to the library's loaders.
bool loadInput(const std::string& path, const std::string& colourSpaceOverride, qeltexture::CQelTexture& tex,
               InputInfo& info, std::string& error);

// A copy of the texture decoded to the standard RGBA layout of the given bit depth
// (8 or 16), keeping its colour space so the stored values come out unchanged.
bool decodeToRGBA(const qeltexture::CQelTexture& tex, uint32_t bitDepth, qeltexture::CQelTexture& out,
                  std::string& error);

// Bits per channel that represent a texture without loss in an RGBA PNG (8 or 16).
uint32_t pngDepthFor(const qeltexture::CQelTexture& tex);

}  // namespace qeltex_cli
