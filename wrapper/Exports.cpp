// The exported C functions: a null test, then one library operation each.
#define QELTEX_BUILDING_LIBRARY 1
#include "QelTexLib.h"

#include <cstring>

#include "ImageOps/MIPMaps.h"
#include "ImageOps/PreMultiply.h"
#include "ImageOps/Resize.h"
#include "Texture.h"
#include "Transcode.h"

using qeltexture::CQelTexture;
using qeltexture::CQelTextureHeader;

namespace {
CQelTexture* toTexture(QelTextureHandle handle) { return static_cast<CQelTexture*>(handle); }
}  // namespace

extern "C" {

QELTEX_API QelTextureHandle CreateTexture(const void* data, uint32_t width, uint32_t height,
                                          uint32_t depth, uint64_t pixelFormat,
                                          QelTBool preMultiplied, uint32_t channelType,
                                          uint32_t colourSpace) {
    CQelTextureHeader header(pixelFormat, height, width, depth, 1, 1, 1,
                             qeltexture::EQelTColourSpace(colourSpace),
                             qeltexture::EQelTVariableType(channelType), (preMultiplied & 1) != 0);
    return new CQelTexture(header, data);
}

// Never null: a file that cannot be read gives an empty texture (data size 0).
QELTEX_API QelTextureHandle CreateTextureFromFile(const char* path) {
    return path ? new CQelTexture(path) : new CQelTexture();
}

QELTEX_API QelTBool SaveTexture(QelTextureHandle texture, const char* path) {
    if (!texture || !path) return 0;
    return toTexture(texture)->saveFile(CQelTString(path)) ? 1 : 0;
}

QELTEX_API QelTBool Resize(QelTextureHandle texture, uint32_t width, uint32_t height, uint32_t depth,
                           uint32_t filter) {
    if (!texture) return 0;
    // The library takes the sizes by reference; the caller's values are copies here.
    return qeltexture::Resize(*toTexture(texture), width, height, depth, qeltexture::EResizeMode(filter)) ? 1 : 0;
}

QELTEX_API QelTBool PremultiplyAlpha(QelTextureHandle texture) {
    if (!texture) return 0;
    return qeltexture::PreMultiplyAlpha(*toTexture(texture)) ? 1 : 0;
}

QELTEX_API QelTBool GenerateMIPMaps(QelTextureHandle texture, uint32_t filter, uint32_t levels) {
    if (!texture) return 0;
    return qeltexture::GenerateMIPMaps(*toTexture(texture), qeltexture::EResizeMode(filter), levels) ? 1 : 0;
}

// Runs on the calling thread, apart from the high-quality QELTC encoder (its own workers).
QELTEX_API QelTBool Transcode(QelTextureHandle texture, uint64_t pixelFormat, uint32_t channelType,
                              uint32_t colourSpace, uint32_t quality, QelTBool dither) {
    if (!texture) return 0;
    return qeltexture::Transcode(*toTexture(texture), qeltexture::PixelType(pixelFormat),
                                 qeltexture::EQelTVariableType(channelType),
                                 qeltexture::EQelTColourSpace(colourSpace),
                                 qeltexture::ECompressorQuality(quality), (dither & 1) != 0)
               ? 1
               : 0;
}

QELTEX_API void DestroyTexture(QelTextureHandle texture) { delete toTexture(texture); }

QELTEX_API uint32_t GetTextureDataSize(QelTextureHandle texture, int32_t mipLevel) {
    if (!texture) return 0;
    return toTexture(texture)->getDataSize(mipLevel, true, true);
}

QELTEX_API void GetTextureData(QelTextureHandle texture, void* destination, uint32_t byteCount,
                               uint32_t mipLevel) {
    if (!texture || !destination) return;
    const CQelTexture* t = toTexture(texture);
    const uint8_t* start = t->getDataPtr(mipLevel, 0, 0);
    if (!start) return;
    // Never copy past the end of the data block, whatever count the caller asked for.
    const uint8_t* blockStart = t->getDataPtr(0, 0, 0);
    size_t available = t->getDataBlockSize() - size_t(start - blockStart);
    std::memcpy(destination, start, byteCount < available ? byteCount : available);
}

}  // extern "C"
