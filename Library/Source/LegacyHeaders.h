#pragma once
// The version 1 (44-byte) and version 2 (52-byte) native file headers, their one-byte
// pixel type codes, and the conversions to and from the version 3 record.
#include <cstddef>
#include <cstdint>

#include "TextureHeader.h"

namespace qeltexture {

// Graphics API a version 2 file is written for. Only the grouping is fixed by the file
// format; the names follow the format family of each group's codes:
//   1, 2, 4 -> codes 12-29 and 54 (the GL-style list),
//   3, 5    -> codes 4, 5, 10-13, 37-53, 64-70 (the Direct3D 9 style list),
//   6       -> codes 80-127 (the Direct3D 10 style list),
//   7       -> codes 144-181 (the vector-graphics list with sRGB and premultiplied variants).
// Any other value selects no code.
enum ELegacyApi : uint32_t {
    eLegacyApiOpenGLES = 1,
    eLegacyApiOpenGLES2 = 2,
    eLegacyApiDirect3DMobile = 3,
    eLegacyApiOpenGL = 4,
    eLegacyApiDirect3D9 = 5,
    eLegacyApiDirect3D10 = 6,
    eLegacyApiOpenVG = 7
};

// The legacy pixel type code: bits 0-7 of a legacy header's flags word.
typedef uint8_t QelTPixelType;

// Legacy flags (above the pixel type byte).
constexpr uint32_t QEL_LEGACY_PIXEL_TYPE_MASK = 0xFFu;
constexpr uint32_t QEL_LEGACY_FLAG_MIPMAPS = 0x100u;
constexpr uint32_t QEL_LEGACY_FLAG_BUMPMAP = 0x400u;
constexpr uint32_t QEL_LEGACY_FLAG_CUBEMAP = 0x1000u;
constexpr uint32_t QEL_LEGACY_FLAG_ALPHA = 0x8000u;
constexpr uint32_t QEL_LEGACY_FLAG_VERTICAL_FLIP = 0x10000u;

constexpr uint32_t QEL_LEGACY_HEADER_SIZE_V1 = 44;
constexpr uint32_t QEL_LEGACY_HEADER_SIZE_V2 = 52;
// "QEL!" read as a little-endian u32.
constexpr uint32_t QEL_LEGACY_TAG = 0x214C4551u;
// MapNewFormatToLegacyEnum: no code for the format.
constexpr uint32_t QEL_LEGACY_NO_VALUE = 0xFFFFFFFFu;

#pragma pack(push, 4)
// Version 1: little-endian u32 fields, no gaps.
struct QelTextureHeaderV1 {
    uint32_t u32HeaderSize = QEL_LEGACY_HEADER_SIZE_V1;
    uint32_t u32Height = 0;
    uint32_t u32Width = 0;
    uint32_t u32MIPMapCount = 0;  // levels below the top one
    uint32_t u32Flags = 0;        // pixel type code and QEL_LEGACY_FLAG_* bits
    uint32_t u32DataSize = 0;
    uint32_t u32BitsPerPixel = 0;
    uint32_t u32RedMask = 0;
    uint32_t u32GreenMask = 0;
    uint32_t u32BlueMask = 0;
    uint32_t u32AlphaMask = 0;
};

// Version 2: version 1 plus the tag and the surface count (every face of every member).
struct QelTextureHeaderV2 {
    uint32_t u32HeaderSize = QEL_LEGACY_HEADER_SIZE_V2;
    uint32_t u32Height = 0;
    uint32_t u32Width = 0;
    uint32_t u32MIPMapCount = 0;
    uint32_t u32Flags = 0;
    uint32_t u32DataSize = 0;
    uint32_t u32BitsPerPixel = 0;
    uint32_t u32RedMask = 0;
    uint32_t u32GreenMask = 0;
    uint32_t u32BlueMask = 0;
    uint32_t u32AlphaMask = 0;
    uint32_t u32Tag = QEL_LEGACY_TAG;
    uint32_t u32NumSurfaces = 1;
};
#pragma pack(pop)

// The full (version 2) form of the legacy header.
typedef QelTextureHeaderV2 Qel_Texture_Header;

static_assert(sizeof(QelTextureHeaderV1) == 44, "version 1 header is 44 bytes");
static_assert(sizeof(QelTextureHeaderV2) == 52, "version 2 header is 52 bytes");
static_assert(offsetof(QelTextureHeaderV1, u32Height) == 4, "layout");
static_assert(offsetof(QelTextureHeaderV1, u32Width) == 8, "layout");
static_assert(offsetof(QelTextureHeaderV1, u32MIPMapCount) == 12, "layout");
static_assert(offsetof(QelTextureHeaderV1, u32Flags) == 16, "layout");
static_assert(offsetof(QelTextureHeaderV1, u32DataSize) == 20, "layout");
static_assert(offsetof(QelTextureHeaderV1, u32BitsPerPixel) == 24, "layout");
static_assert(offsetof(QelTextureHeaderV1, u32RedMask) == 28, "layout");
static_assert(offsetof(QelTextureHeaderV1, u32AlphaMask) == 40, "layout");
static_assert(offsetof(QelTextureHeaderV2, u32Flags) == 16, "layout");
static_assert(offsetof(QelTextureHeaderV2, u32AlphaMask) == 40, "layout");
static_assert(offsetof(QelTextureHeaderV2, u32Tag) == 44, "layout");
static_assert(offsetof(QelTextureHeaderV2, u32NumSurfaces) == 48, "layout");

// Legacy code -> library format. Codes without a format give pixel format 27
// (ePF_NumCompressedPFs), channel type 14 (eVT_NumVarTypes), linear, not premultiplied.
void QelTMapLegacyTextureEnumToNewFormat(QelTPixelType legacy, uint64_t& pixelFormat,
                                         EQelTColourSpace& colourSpace,
                                         EQelTVariableType& channelType, bool& preMultiplied);
void MapLegacyEnumToNewFormat(QelTPixelType legacy, PixelType& pixelFormat,
                              EQelTColourSpace& colourSpace, EQelTVariableType& channelType,
                              bool& preMultiplied);

// Library format -> legacy code within the API's group, or QEL_LEGACY_NO_VALUE.
uint32_t MapNewFormatToLegacyEnum(PixelType pixelFormat, EQelTColourSpace colourSpace,
                                  EQelTVariableType channelType, bool preMultiplied, ELegacyApi api);

// Raw form: fills the record and the metadata map (emptied first); the record's metadata
// size is the total of (12 + data size) over the blocks added.
void ConvertTextureHeader1To3(QelTextureHeaderV1 legacy, QelTextureHeaderV3& record, MetaDataMap& metaData);
void ConvertTextureHeader2To3(QelTextureHeaderV2 legacy, QelTextureHeaderV3& record, MetaDataMap& metaData);
// Header form, for callers that cannot reach a header's map: `out` is replaced by a header
// built from the converted record and the same blocks (added through addMetaData).
void ConvertTextureHeader1To3(const QelTextureHeaderV1& legacy, CQelTextureHeader& out);
void ConvertTextureHeader2To3(const QelTextureHeaderV2& legacy, CQelTextureHeader& out);

// Version 2 header for writing `header` as a file for `api`. The flags word is
// QEL_LEGACY_NO_VALUE when the format has no code for that API.
Qel_Texture_Header ConvertTextureHeader3To2(CQelTextureHeader header, ELegacyApi api);

// Validating entry points for loaders of untrusted bytes. Read a version 1 or 2 header
// from the first `byteCount` bytes (first word 44 or 52, little-endian), convert it and
// accept it only when the result has at least one MIP level and lies within the size
// model, so no hostile field can ask for an absurd data block. On success the outputs
// hold the converted header, `headerSize` is 44 or 52 (the pixel data starts there) and
// the result is true; otherwise every output is untouched and the result is false.
// Neither the stored data size nor the bits per pixel is consulted: the data size follows
// from the converted record.
bool ConvertLegacyHeader(const uint8_t* bytes, size_t byteCount, QelTextureHeaderV3& record,
                         MetaDataMap& metaData, uint32_t& headerSize);
bool ConvertLegacyHeader(const uint8_t* bytes, size_t byteCount, CQelTextureHeader& out,
                         uint32_t& headerSize);

}  // namespace qeltexture
