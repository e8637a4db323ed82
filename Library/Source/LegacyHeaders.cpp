// Version 1 and 2 header conversion and the legacy pixel type code tables.
#include "LegacyHeaders.h"

#include "FileBytes.h"

#include <array>
#include <cstring>

namespace qeltexture {

namespace {

struct LegacyFormat {
    uint64_t pixelFormat;
    EQelTVariableType channelType;
    EQelTColourSpace colourSpace;
    bool preMultiplied;
};

constexpr uint64_t pt(char c1, char c2, char c3, char c4, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4) {
    return PixelType(uint8_t(c1), uint8_t(c2), uint8_t(c3), uint8_t(c4), b1, b2, b3, b4).PixelTypeID;
}

constexpr EQelTVariableType vt(int v) { return EQelTVariableType(v); }

// Index: the legacy code. Rows not set stay "no format".
constexpr std::array<LegacyFormat, 256> buildLegacyTable() {
    std::array<LegacyFormat, 256> t{};
    for (auto& row : t) row = {ePF_NumCompressedPFs, eVT_NumVarTypes, eCS_LinearRGB, false};
    auto set = [&t](unsigned code, uint64_t format, int type = 0, EQelTColourSpace cs = eCS_LinearRGB,
                    bool pre = false) { t[code] = {format, vt(type), cs, pre}; };
    const EQelTColourSpace S = eCS_sRGB;
    const EQelTColourSpace L = eCS_LinearRGB;

    // 0-13: the generic list.
    set(0, pt('a', 'r', 'g', 'b', 4, 4, 4, 4), 4);
    set(1, pt('a', 'r', 'g', 'b', 1, 5, 5, 5), 4);
    set(2, pt('r', 'g', 'b', 0, 5, 6, 5, 0), 4);
    set(3, pt('x', 'r', 'g', 'b', 1, 5, 5, 5), 4);
    set(4, pt('r', 'g', 'b', 0, 8, 8, 8, 0), 8);
    set(5, pt('a', 'r', 'g', 'b', 8, 8, 8, 8), 8);
    set(6, pt('a', 'r', 'g', 'b', 8, 3, 3, 2), 4);
    set(7, pt('i', 0, 0, 0, 8, 0, 0, 0));
    set(8, pt('a', 'i', 0, 0, 8, 8, 0, 0), 4);
    set(9, ePF_BW1bpp);
    set(10, ePF_YUY2);
    set(11, ePF_UYVY);
    set(12, ePF_QELTCI_2bpp_RGBA);
    set(13, ePF_QELTCI_4bpp_RGBA);

    // 16-29: GL-style list.
    set(16, pt('r', 'g', 'b', 'a', 4, 4, 4, 4), 4);
    set(17, pt('r', 'g', 'b', 'a', 5, 5, 5, 1), 4);
    set(18, pt('r', 'g', 'b', 'a', 8, 8, 8, 8));
    set(19, pt('r', 'g', 'b', 0, 5, 6, 5, 0), 4);
    set(20, pt('r', 'g', 'b', 'x', 5, 5, 5, 1), 4);
    set(21, pt('r', 'g', 'b', 0, 8, 8, 8, 0));
    set(22, pt('l', 0, 0, 0, 8, 0, 0, 0));
    set(23, pt('l', 'a', 0, 0, 8, 8, 0, 0));
    set(24, ePF_QELTCI_2bpp_RGBA);
    set(25, ePF_QELTCI_4bpp_RGBA);
    set(26, pt('b', 'g', 'r', 'a', 8, 8, 8, 8));
    set(27, pt('a', 0, 0, 0, 8, 0, 0, 0));
    set(28, ePF_QELTCII_4bpp);
    set(29, ePF_QELTCII_2bpp);

    // 37-70: Direct3D 9 style list.
    set(37, pt('r', 'g', 'b', 0, 3, 3, 2, 0), 8);
    set(38, pt('a', 'l', 0, 0, 4, 4, 0, 0), 8);
    set(39, pt('l', 'g', 'r', 0, 6, 5, 5, 0), 9);
    set(40, pt('x', 'l', 'g', 'r', 8, 8, 8, 8), 9);
    set(41, pt('a', 'b', 'g', 'r', 8, 8, 8, 8), 9);
    set(42, pt('a', 'b', 'g', 'r', 2, 10, 10, 10), 8);
    set(43, pt('a', 'r', 'g', 'b', 2, 10, 10, 10), 8);
    set(44, pt('a', 'r', 'g', 'b', 2, 10, 10, 10), 8);
    set(45, pt('g', 'r', 0, 0, 16, 16, 0, 0), 8);
    set(46, pt('g', 'r', 0, 0, 16, 16, 0, 0), 9);
    set(47, pt('a', 'b', 'g', 'r', 16, 16, 16, 16), 8);
    set(48, pt('r', 0, 0, 0, 16, 0, 0, 0), 12);
    set(49, pt('g', 'r', 0, 0, 16, 16, 0, 0), 12);
    set(50, pt('a', 'b', 'g', 'r', 16, 16, 16, 16), 12);
    set(51, pt('r', 0, 0, 0, 32, 0, 0, 0), 12);
    set(52, pt('g', 'r', 0, 0, 32, 32, 0, 0), 12);
    set(53, pt('a', 'b', 'g', 'r', 32, 32, 32, 32), 12);
    set(54, ePF_ETC1);
    set(64, pt('a', 0, 0, 0, 8, 0, 0, 0), 8);
    set(65, pt('g', 'r', 0, 0, 8, 8, 0, 0), 9);
    set(66, pt('l', 0, 0, 0, 16, 0, 0, 0), 8);
    set(67, pt('l', 0, 0, 0, 8, 0, 0, 0), 8);
    set(68, pt('a', 'l', 0, 0, 8, 8, 0, 0), 8);
    set(69, ePF_UYVY);
    set(70, ePF_YUY2);

    // 80-127: Direct3D 10 style list.
    const int floatTypes[3] = {12, 10, 11};
    for (unsigned i = 0; i < 3; ++i) {
        set(80 + i, pt('r', 'g', 'b', 'a', 32, 32, 32, 32), floatTypes[i]);
        set(83 + i, pt('r', 'g', 'b', 0, 32, 32, 32, 0), floatTypes[i]);
        set(91 + i, pt('r', 'g', 0, 0, 32, 32, 0, 0), floatTypes[i]);
        set(107 + i, pt('r', 0, 0, 0, 32, 0, 0, 0), floatTypes[i]);
    }
    const int shortTypes[5] = {12, 4, 6, 5, 7};
    for (unsigned i = 0; i < 5; ++i) {
        set(86 + i, pt('r', 'g', 'b', 'a', 16, 16, 16, 16), shortTypes[i]);
        set(102 + i, pt('r', 'g', 0, 0, 16, 16, 0, 0), shortTypes[i]);
        set(114 + i, pt('r', 0, 0, 0, 16, 0, 0, 0), shortTypes[i]);
    }
    const int byteTypes[4] = {0, 2, 1, 3};
    for (unsigned i = 0; i < 4; ++i) {
        set(110 + i, pt('r', 'g', 0, 0, 8, 8, 0, 0), byteTypes[i]);
        set(119 + i, pt('r', 0, 0, 0, 8, 0, 0, 0), byteTypes[i]);
    }
    set(94, pt('r', 'g', 'b', 'a', 10, 10, 10, 2), 8);
    set(95, pt('r', 'g', 'b', 'a', 10, 10, 10, 2), 10);
    set(96, pt('r', 'g', 'b', 0, 11, 11, 10, 0), 12);
    set(97, pt('r', 'g', 'b', 'a', 8, 8, 8, 8));
    set(98, pt('r', 'g', 'b', 'a', 8, 8, 8, 8), 0, S);
    set(99, pt('r', 'g', 'b', 'a', 8, 8, 8, 8), 2);
    set(100, pt('r', 'g', 'b', 'a', 8, 8, 8, 8), 1);
    set(101, pt('r', 'g', 'b', 'a', 8, 8, 8, 8), 3);
    set(123, pt('r', 0, 0, 0, 8, 0, 0, 0));
    set(124, ePF_BW1bpp);
    set(125, ePF_SharedExponentR9G9B9E5, 12);
    set(126, ePF_RGBG8888);
    set(127, ePF_GRGB8888);

    // 144-181: vector-graphics list; colour space and premultiplication tell variants apart.
    const uint64_t rgbx8 = pt('r', 'g', 'b', 'x', 8, 8, 8, 8), rgba8 = pt('r', 'g', 'b', 'a', 8, 8, 8, 8);
    const uint64_t xrgb8 = pt('x', 'r', 'g', 'b', 8, 8, 8, 8), argb8 = pt('a', 'r', 'g', 'b', 8, 8, 8, 8);
    const uint64_t bgrx8 = pt('b', 'g', 'r', 'x', 8, 8, 8, 8), bgra8 = pt('b', 'g', 'r', 'a', 8, 8, 8, 8);
    const uint64_t xbgr8 = pt('x', 'b', 'g', 'r', 8, 8, 8, 8), abgr8 = pt('a', 'b', 'g', 'r', 8, 8, 8, 8);
    const uint64_t l8 = pt('l', 0, 0, 0, 8, 0, 0, 0);
    set(144, rgbx8, 0, S);
    set(145, rgba8, 0, S);
    set(146, rgba8, 0, S, true);
    set(147, pt('r', 'g', 'b', 0, 5, 6, 5, 0), 4, S);
    set(148, pt('r', 'g', 'b', 'a', 5, 5, 5, 1), 4, S);
    set(149, pt('r', 'g', 'b', 'a', 4, 4, 4, 4), 4, S);
    set(150, l8, 0, S);
    set(151, rgbx8, 0, L);
    set(152, rgba8, 0, L);
    set(153, rgba8, 0, L, true);
    set(154, l8, 0, L);
    set(155, pt('a', 0, 0, 0, 8, 0, 0, 0));
    set(156, ePF_BW1bpp);
    set(157, xrgb8, 0, S);
    set(158, argb8, 0, S);
    set(159, argb8, 0, S, true);
    set(160, pt('a', 'r', 'g', 'b', 1, 5, 5, 5), 4, S);
    set(161, pt('a', 'r', 'g', 'b', 4, 4, 4, 4), 4, S);
    set(162, xrgb8, 0, L);
    set(163, argb8, 0, L);
    set(164, argb8, 0, L, true);
    set(165, bgrx8, 0, S);
    set(166, bgra8, 0, S);
    set(167, bgra8, 0, S, true);
    set(168, pt('b', 'g', 'r', 0, 5, 6, 5, 0), 4, S);
    set(169, pt('b', 'g', 'r', 'a', 5, 5, 5, 1), 4, S);
    set(170, pt('b', 'g', 'r', 'x', 4, 4, 4, 4), 4, S);
    set(171, bgrx8, 0, L);
    set(172, bgra8, 0, L);
    set(173, bgra8, 0, L, true);
    set(174, xbgr8, 0, S);
    set(175, abgr8, 0, S);
    set(176, abgr8, 0, S, true);
    set(177, pt('a', 'b', 'g', 'r', 1, 5, 5, 5), 4, S);
    set(178, pt('x', 'b', 'g', 'r', 4, 4, 4, 4), 4, S);
    set(179, xbgr8, 0, L);
    set(180, abgr8, 0, L);
    set(181, abgr8, 0, L, true);
    return t;
}

constexpr std::array<LegacyFormat, 256> kLegacyTable = buildLegacyTable();

// Codes each API group may write, in order of preference: the first matching row wins.
// In the GL-style group 24 and 25 are preferred to the generic 12 and 13 for the QELTC
// RGBA formats; elsewhere the lower code wins (43 over 44, 97 over its sRGB twin 98).
struct CodeRange {
    uint8_t first, last;
};
constexpr CodeRange kGroupGL[] = {{16, 29}, {54, 54}, {12, 13}};
constexpr CodeRange kGroupD3D9[] = {{4, 5}, {10, 13}, {37, 53}, {64, 70}};
constexpr CodeRange kGroupD3D10[] = {{80, 127}};
constexpr CodeRange kGroupVG[] = {{144, 181}};

template <size_t N>
uint32_t findCode(const CodeRange (&ranges)[N], uint64_t format, EQelTVariableType channelType,
                  EQelTColourSpace colourSpace, bool preMultiplied, bool variantsMatter) {
    for (const CodeRange& r : ranges)
        for (unsigned code = r.first; code <= r.last; ++code) {
            const LegacyFormat& row = kLegacyTable[code];
            if (row.pixelFormat != format || row.channelType != channelType) continue;
            if (variantsMatter && (row.colourSpace != colourSpace || row.preMultiplied != preMultiplied))
                continue;
            return code;
        }
    return QEL_LEGACY_NO_VALUE;
}

MetaDataBlock ownBlock(uint32_t key, const uint8_t* data, uint32_t size) {
    MetaDataBlock block;
    block.DevFOURCC = QEL_FOURCC;
    block.u32Key = key;
    block.u32DataSize = size;
    block.Data.reset(new uint8_t[size]);
    std::memcpy(block.Data.get(), data, size);
    return block;
}

// Shared by both versions: `storedSurfaces` counts every face of every member.
void convertLegacy(uint32_t height, uint32_t width, uint32_t storedMIPs, uint32_t flags,
                   uint32_t storedSurfaces, QelTextureHeaderV3& record, MetaDataMap& metaData) {
    const LegacyFormat& row = kLegacyTable[flags & QEL_LEGACY_PIXEL_TYPE_MASK];
    record = QelTextureHeaderV3();
    record.u32Version = QEL_HEADER_VERSION3;
    record.u32Flags = row.preMultiplied ? QEL_FLAG_PREMULTIPLIED : 0;
    record.u64PixelFormat = row.pixelFormat;
    record.u32ColourSpace = row.colourSpace;
    record.u32ChannelType = row.channelType;
    record.u32Height = height;
    record.u32Width = width;
    record.u32Depth = 1;
    // The top level is not counted in the file, whether or not the MIP flag is set.
    record.u32MIPMapCount = storedMIPs + 1;
    record.u32NumFaces = (flags & QEL_LEGACY_FLAG_CUBEMAP) ? 6 : 1;
    const uint32_t members = storedSurfaces / record.u32NumFaces;
    record.u32NumSurfaces = members ? members : 1;
    record.u32MetaDataSize = 0;

    metaData.Clear();
    if (flags & QEL_LEGACY_FLAG_BUMPMAP) {
        // Scale 1.0, then the order "xyz" and a 0 byte.
        uint8_t bump[8] = {0, 0, 0, 0, 'x', 'y', 'z', 0};
        const float scale = 1.0f;
        std::memcpy(bump, &scale, 4);
        MetaDataBlock block = ownBlock(eMetaDataBumpData, bump, 8);
        record.u32MetaDataSize += block.SizeOfBlock();
        metaData[QEL_FOURCC][eMetaDataBumpData] = std::move(block);
    }
    if (flags & QEL_LEGACY_FLAG_VERTICAL_FLIP) {
        const uint8_t orientation[3] = {0, uint8_t(eOrientUp), 0};
        MetaDataBlock block = ownBlock(eMetaDataTextureOrientation, orientation, 3);
        record.u32MetaDataSize += block.SizeOfBlock();
        metaData[QEL_FOURCC][eMetaDataTextureOrientation] = std::move(block);
    }
}

// Rebuilds `out` from a converted record and map through the public metadata API.
void assignHeader(const QelTextureHeaderV3& record, const MetaDataMap& metaData, CQelTextureHeader& out) {
    QelTextureHeaderV3 bare = record;
    bare.u32MetaDataSize = 0;  // addMetaData counts the blocks back in
    CQelTextureHeader header(bare);
    for (uint32_t i = 0; i < metaData.GetSize(); ++i) {
        const MetaDataKeyMap& keys = metaData.GetValue(i);
        for (uint32_t k = 0; k < keys.GetSize(); ++k) header.addMetaData(keys.GetValue(k));
    }
    out = header;
}

}  // namespace

void QelTMapLegacyTextureEnumToNewFormat(QelTPixelType legacy, uint64_t& pixelFormat,
                                         EQelTColourSpace& colourSpace,
                                         EQelTVariableType& channelType, bool& preMultiplied) {
    const LegacyFormat& row = kLegacyTable[legacy];
    pixelFormat = row.pixelFormat;
    colourSpace = row.colourSpace;
    channelType = row.channelType;
    preMultiplied = row.preMultiplied;
}

void MapLegacyEnumToNewFormat(QelTPixelType legacy, PixelType& pixelFormat,
                              EQelTColourSpace& colourSpace, EQelTVariableType& channelType,
                              bool& preMultiplied) {
    uint64_t format = 0;
    QelTMapLegacyTextureEnumToNewFormat(legacy, format, colourSpace, channelType, preMultiplied);
    pixelFormat = PixelType(format);
}

uint32_t MapNewFormatToLegacyEnum(PixelType pixelFormat, EQelTColourSpace colourSpace,
                                  EQelTVariableType channelType, bool preMultiplied, ELegacyApi api) {
    const uint64_t format = pixelFormat.PixelTypeID;
    switch (uint32_t(api)) {
        case eLegacyApiOpenGLES:
        case eLegacyApiOpenGLES2:
        case eLegacyApiOpenGL:
            // Intensity formats are written with the luminance codes 22 and 23 (which read
            // back as luminance): the GL-style list has no intensity code of its own.
            if (channelType == eVT_UnsignedByteNorm) {
                if (format == pt('i', 0, 0, 0, 8, 0, 0, 0)) return 22;
                if (format == pt('a', 'i', 0, 0, 8, 8, 0, 0)) return 23;
            }
            return findCode(kGroupGL, format, channelType, colourSpace, preMultiplied, false);
        case eLegacyApiDirect3DMobile:
        case eLegacyApiDirect3D9:
            return findCode(kGroupD3D9, format, channelType, colourSpace, preMultiplied, false);
        case eLegacyApiDirect3D10:
            return findCode(kGroupD3D10, format, channelType, colourSpace, preMultiplied, false);
        case eLegacyApiOpenVG:
            return findCode(kGroupVG, format, channelType, colourSpace, preMultiplied, true);
        default:
            return QEL_LEGACY_NO_VALUE;
    }
}

void ConvertTextureHeader1To3(QelTextureHeaderV1 legacy, QelTextureHeaderV3& record, MetaDataMap& metaData) {
    convertLegacy(legacy.u32Height, legacy.u32Width, legacy.u32MIPMapCount, legacy.u32Flags, 1, record,
                  metaData);
}

void ConvertTextureHeader2To3(QelTextureHeaderV2 legacy, QelTextureHeaderV3& record, MetaDataMap& metaData) {
    convertLegacy(legacy.u32Height, legacy.u32Width, legacy.u32MIPMapCount, legacy.u32Flags,
                  legacy.u32NumSurfaces, record, metaData);
}

void ConvertTextureHeader1To3(const QelTextureHeaderV1& legacy, CQelTextureHeader& out) {
    QelTextureHeaderV3 record;
    MetaDataMap metaData;
    ConvertTextureHeader1To3(legacy, record, metaData);
    assignHeader(record, metaData, out);
}

void ConvertTextureHeader2To3(const QelTextureHeaderV2& legacy, CQelTextureHeader& out) {
    QelTextureHeaderV3 record;
    MetaDataMap metaData;
    ConvertTextureHeader2To3(legacy, record, metaData);
    assignHeader(record, metaData, out);
}

Qel_Texture_Header ConvertTextureHeader3To2(CQelTextureHeader header, ELegacyApi api) {
    Qel_Texture_Header legacy;
    legacy.u32HeaderSize = QEL_LEGACY_HEADER_SIZE_V2;
    legacy.u32Height = header.getHeight(0);
    legacy.u32Width = header.getWidth(0);
    legacy.u32MIPMapCount = header.getNumMIPLevels() - 1;
    legacy.u32DataSize = header.getDataSize(-1, true, true);
    legacy.u32BitsPerPixel = header.getBitsPerPixel();
    legacy.u32RedMask = legacy.u32GreenMask = legacy.u32BlueMask = legacy.u32AlphaMask = 0;
    legacy.u32Tag = QEL_LEGACY_TAG;
    legacy.u32NumSurfaces = header.getNumArrayMembers() * header.getNumFaces();

    uint32_t flags = MapNewFormatToLegacyEnum(header.getPixelType(), header.getColourSpace(),
                                              header.getChannelType(), header.isPreMultiplied(), api);
    if (header.getNumMIPLevels() >= 2) flags |= QEL_LEGACY_FLAG_MIPMAPS;
    const uint64_t format = header.getPixelType().PixelTypeID;
    if (format == ePF_QELTCI_2bpp_RGBA || format == ePF_QELTCI_4bpp_RGBA) {
        flags |= QEL_LEGACY_FLAG_ALPHA;
        legacy.u32AlphaMask = 1;
    }
    if (header.getNumFaces() >= 2) flags |= QEL_LEGACY_FLAG_CUBEMAP;
    if (header.isBumpMap()) flags |= QEL_LEGACY_FLAG_BUMPMAP;
    if (header.getOrientation(eAxisY) == eOrientUp) flags |= QEL_LEGACY_FLAG_VERTICAL_FLIP;
    legacy.u32Flags = flags;
    return legacy;
}

bool ConvertLegacyHeader(const uint8_t* bytes, size_t byteCount, QelTextureHeaderV3& record,
                         MetaDataMap& metaData, uint32_t& headerSize) {
    if (!bytes || byteCount < 4) return false;
    const uint32_t size = readLE32(bytes);
    if ((size != QEL_LEGACY_HEADER_SIZE_V1 && size != QEL_LEGACY_HEADER_SIZE_V2) || byteCount < size)
        return false;
    // Both records are nothing but u32 words, so they fill from host-order words.
    uint32_t words[13] = {};
    for (uint32_t i = 0; i < size / 4; ++i) words[i] = readLE32(bytes + 4 * i);

    QelTextureHeaderV3 converted;
    MetaDataMap blocks;
    if (size == QEL_LEGACY_HEADER_SIZE_V1) {
        QelTextureHeaderV1 v1;
        std::memcpy(&v1, words, sizeof(v1));
        ConvertTextureHeader1To3(v1, converted, blocks);
    } else {
        QelTextureHeaderV2 v2;
        std::memcpy(&v2, words, sizeof(v2));
        ConvertTextureHeader2To3(v2, converted, blocks);
    }
    // A stored count of 0xFFFFFFFF wraps to no level at all.
    if (converted.u32MIPMapCount == 0 || !QelTIsWithinSizeModel(converted)) return false;
    record = converted;
    metaData = blocks;
    headerSize = size;
    return true;
}

bool ConvertLegacyHeader(const uint8_t* bytes, size_t byteCount, CQelTextureHeader& out,
                         uint32_t& headerSize) {
    QelTextureHeaderV3 record;
    MetaDataMap metaData;
    if (!ConvertLegacyHeader(bytes, byteCount, record, metaData, headerSize)) return false;
    assignHeader(record, metaData, out);
    return true;
}

}  // namespace qeltexture
