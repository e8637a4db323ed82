#pragma once
// Names of pixel formats, channel types, colour spaces and qualities as users type them.
#include <cstdint>
#include <string>

#include "PixelFormat.h"

namespace qeltex_cli {

// "ETC2_RGBA" (a compressed format's name without its prefix, any case) or a packed layout
// such as "r8g8b8a8", "r5g6b5", "l8", "rgba16f", "rgba32f". `channelType` receives the
// natural channel type of the name (unsigned normalised, or float for an 'f' suffix).
bool parsePixelFormat(const std::string& name, qeltexture::PixelType& format,
                      qeltexture::EQelTVariableType& channelType);
std::string pixelFormatName(const qeltexture::PixelType& format);
// The RGBA channels a format stores (bit c = channel c), for quality measures.
unsigned formatChannelMask(const qeltexture::PixelType& format);

bool parseChannelType(const std::string& name, qeltexture::EQelTVariableType& type);
std::string channelTypeName(uint32_t type);
bool parseColourSpace(const std::string& name, qeltexture::EQelTColourSpace& space);
std::string colourSpaceName(uint32_t space);
// Quality names: fastest, fast, normal, high, best (QELTC) and etc-fast, etc-fast-perceptual,
// etc-slow, etc-slow-perceptual (ETC); plain numbers are accepted too.
bool parseQuality(const std::string& name, uint32_t& quality);

// Lists for --help.
std::string compressedFormatNames();
std::string channelTypeNames();

}  // namespace qeltex_cli
