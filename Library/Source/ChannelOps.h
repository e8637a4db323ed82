#pragma once
// Channel operations on textures in the standard RGBA layouts: setting chosen channels to
// constants and copying chosen channels between textures (with luminance and intensity
// derived on the way). eLuminance and eIntensity name red, green and blue together as a
// destination; eUnspecified names alpha.
#include <cstdint>

#include "ImageOps/Pixel.h"
#include "PixelEncoder.h"
#include "Texture.h"

namespace qeltexture {

bool SetChannels(CQelTexture& texture, uint32_t count, EChannelName* channels, uint32_t* values);
bool SetChannelsFloat(CQelTexture& texture, uint32_t count, EChannelName* channels, float* values);
bool CopyChannels(CQelTexture& destination, const CQelTexture& source, uint32_t count,
                  EChannelName* destinationChannels, EChannelName* sourceChannels);

// One surface; instantiated for every pair of u8, u16, u32 and float. Source and
// destination may be the same memory: each pixel's values are all read before any is
// written.
template <typename S, typename D>
bool CopyChannels(Pixel<S>* source, Pixel<D>* destination, const uint32_t& width, const uint32_t& height,
                  const uint32_t& depth, const uint32_t& count, EChannelName* destinationChannels,
                  EChannelName* sourceChannels);

}  // namespace qeltexture
