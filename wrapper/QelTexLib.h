/* QelTexLib: the C interface for hosts that load libQelTexLib.so through their FFI.
 * A texture handle is an opaque pointer owned by the caller between its creation and
 * DestroyTexture. Booleans are one byte (only the lowest bit of an argument is read;
 * results are exactly 0 or 1). All functions run on the calling thread. */
#ifndef QELTEXLIB_H
#define QELTEXLIB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(QELTEX_BUILDING_LIBRARY)
#define QELTEX_API __attribute__((visibility("default")))
#else
#define QELTEX_API
#endif

typedef void* QelTextureHandle;
typedef uint8_t QelTBool;

/* A packed uncompressed pixel format: four channel letters and their bit widths. */
#define QELT_PIXEL_TYPE(c1, c2, c3, c4, b1, b2, b3, b4)                                  \
    ((uint64_t)(uint8_t)(c1) | (uint64_t)(uint8_t)(c2) << 8 | (uint64_t)(uint8_t)(c3) << 16 | \
     (uint64_t)(uint8_t)(c4) << 24 | (uint64_t)(uint8_t)(b1) << 32 |                      \
     (uint64_t)(uint8_t)(b2) << 40 | (uint64_t)(uint8_t)(b3) << 48 | (uint64_t)(uint8_t)(b4) << 56)
#define QELT_PIXEL_RGBA8 QELT_PIXEL_TYPE('r', 'g', 'b', 'a', 8, 8, 8, 8)
#define QELT_PIXEL_RGB8 QELT_PIXEL_TYPE('r', 'g', 'b', 0, 8, 8, 8, 0)
#define QELT_PIXEL_RGBA16 QELT_PIXEL_TYPE('r', 'g', 'b', 'a', 16, 16, 16, 16)
#define QELT_PIXEL_RGBA32 QELT_PIXEL_TYPE('r', 'g', 'b', 'a', 32, 32, 32, 32)

/* GenerateMIPMaps: the whole chain down to 1 x 1 x 1. */
#define QELT_FULL_MIP_CHAIN 0xFFFFFFFFu

/* Compressed and special formats (pixel format values with the high 32 bits zero). */
enum QelTPixelFormat {
    QELT_PF_QELTCI_2BPP_RGB = 0,
    QELT_PF_QELTCI_2BPP_RGBA = 1,
    QELT_PF_QELTCI_4BPP_RGB = 2,
    QELT_PF_QELTCI_4BPP_RGBA = 3,
    QELT_PF_QELTCII_2BPP = 4,
    QELT_PF_QELTCII_4BPP = 5,
    QELT_PF_ETC1 = 6,
    QELT_PF_DXT1 = 7,
    QELT_PF_DXT2 = 8,
    QELT_PF_DXT3 = 9,
    QELT_PF_DXT4 = 10,
    QELT_PF_DXT5 = 11,
    QELT_PF_BC4 = 12,
    QELT_PF_BC5 = 13,
    QELT_PF_BC6 = 14,
    QELT_PF_BC7 = 15,
    QELT_PF_UYVY = 16,
    QELT_PF_YUY2 = 17,
    QELT_PF_BW1BPP = 18,
    QELT_PF_SHARED_EXPONENT_R9G9B9E5 = 19,
    QELT_PF_RGBG8888 = 20,
    QELT_PF_GRGB8888 = 21,
    QELT_PF_ETC2_RGB = 22,
    QELT_PF_ETC2_RGBA = 23,
    QELT_PF_ETC2_RGB_A1 = 24,
    QELT_PF_EAC_R11 = 25,
    QELT_PF_EAC_RG11 = 26
};

/* Channel data types (32-bit). */
enum QelTVariableType {
    QELT_VT_UNSIGNED_BYTE_NORM = 0,
    QELT_VT_SIGNED_BYTE_NORM = 1,
    QELT_VT_UNSIGNED_BYTE = 2,
    QELT_VT_SIGNED_BYTE = 3,
    QELT_VT_UNSIGNED_SHORT_NORM = 4,
    QELT_VT_SIGNED_SHORT_NORM = 5,
    QELT_VT_UNSIGNED_SHORT = 6,
    QELT_VT_SIGNED_SHORT = 7,
    QELT_VT_UNSIGNED_INTEGER_NORM = 8,
    QELT_VT_SIGNED_INTEGER_NORM = 9,
    QELT_VT_UNSIGNED_INTEGER = 10,
    QELT_VT_SIGNED_INTEGER = 11,
    QELT_VT_SIGNED_FLOAT = 12,
    QELT_VT_UNSIGNED_FLOAT = 13
};

/* Colour spaces (32-bit). */
enum QelTColourSpace { QELT_CS_LINEAR_RGB = 0, QELT_CS_SRGB = 1 };

/* Resize filters (32-bit). */
enum QelTResizeMode { QELT_RESIZE_NEAREST = 0, QELT_RESIZE_LINEAR = 1, QELT_RESIZE_CUBIC = 2 };

/* Compressor qualities (32-bit): QELTC values for the QELTC formats, ETC values for ETC/EAC. */
enum QelTCompressorQuality {
    QELT_QELTC_FASTEST = 0,
    QELT_QELTC_FAST = 1,
    QELT_QELTC_NORMAL = 2,
    QELT_QELTC_HIGH = 3,
    QELT_QELTC_BEST = 4,
    QELT_ETC_FAST = 0,
    QELT_ETC_FAST_PERCEPTUAL = 1,
    QELT_ETC_SLOW = 2,
    QELT_ETC_SLOW_PERCEPTUAL = 3
};

/* Wraps width x height x depth pixels (copied when `data` is not null; otherwise the
 * block is zeroed). A shape whose data would exceed 2^32-1 bytes or 32 MIP levels gives
 * an empty texture (GetTextureDataSize 0). Note: channel type before colour space. */
QELTEX_API QelTextureHandle CreateTexture(const void* data, uint32_t width, uint32_t height,
                                          uint32_t depth, uint64_t pixelFormat,
                                          QelTBool preMultiplied, uint32_t channelType,
                                          uint32_t colourSpace);

/* Loads a .ktx, .dds or native texture file (chosen by the extension). Never NULL: a file
 * that cannot be read gives an empty texture (GetTextureDataSize 0). */
QELTEX_API QelTextureHandle CreateTextureFromFile(const char* path);

/* Saves by extension: .ktx, .dds, .h (C array of the native file's bytes); anything else is
 * written as a native file, ".qel" appended unless the path already ends in it. A failed save
 * leaves no file. False for a NULL handle or path. */
QELTEX_API QelTBool SaveTexture(QelTextureHandle texture, const char* path);

/* Resamples the top level of every member and face to width x height x depth and drops the
 * other MIP levels. Standard RGBA layouts only (8/16/32-bit unsigned normalised, 32-bit float);
 * filter 0 nearest, 1 linear, 2 cubic; anything else is refused. */
QELTEX_API QelTBool Resize(QelTextureHandle texture, uint32_t width, uint32_t height, uint32_t depth,
                           uint32_t filter);

/* Multiplies colour by alpha (standard RGBA layouts) and marks the texture premultiplied. */
QELTEX_API QelTBool PremultiplyAlpha(QelTextureHandle texture);

/* Rebuilds the MIP chain from the top level; levels 0xFFFFFFFF asks for the full chain. */
QELTEX_API QelTBool GenerateMIPMaps(QelTextureHandle texture, uint32_t filter, uint32_t levels);

/* Converts to another pixel format, channel type and colour space, encoding block formats at
 * the given quality; only the lowest bit of `dither` is read. Runs on the calling thread. */
QELTEX_API QelTBool Transcode(QelTextureHandle texture, uint64_t pixelFormat, uint32_t channelType,
                              uint32_t colourSpace, uint32_t quality, QelTBool dither);

/* Releases the texture; does nothing for NULL. */
QELTEX_API void DestroyTexture(QelTextureHandle texture);

/* Bytes of one MIP level over all members and faces, or of every level for -1; 0 for NULL. */
QELTEX_API uint32_t GetTextureDataSize(QelTextureHandle texture, int32_t mipLevel);

/* Copies `byteCount` bytes starting at the given MIP level (member 0, face 0); the copy may
 * run into the following levels. Copies nothing for NULL handles or destinations or for a
 * level beyond the texture, and never more than the texture holds from that level on. */
QELTEX_API void GetTextureData(QelTextureHandle texture, void* destination, uint32_t byteCount,
                               uint32_t mipLevel);

#ifdef __cplusplus
}
#endif

#endif /* QELTEXLIB_H */
