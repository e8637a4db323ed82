#pragma once
// Transcoding one MIP level at a time, so long encodes can report "level k of N". Levels
// are encoded independently by the library anyway, so the bytes equal a whole-texture
// Transcode of the same input.
#include <cstdint>

#include "Progress.h"
#include "Texture.h"
#include "Transcode.h"

namespace qeltex_cli {

bool transcodeByLevel(qeltexture::CQelTexture& tex, qeltexture::PixelType format,
                      qeltexture::EQelTVariableType channelType, qeltexture::EQelTColourSpace colourSpace,
                      qeltexture::ECompressorQuality quality, bool dither, uint32_t threads, Progress& progress);

}  // namespace qeltex_cli
