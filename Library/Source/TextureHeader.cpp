#include "TextureHeader.h"

namespace qeltexture {

namespace {
// Bits of one level of one face of one surface. Formed in 64-bit arithmetic: a 32-bit
// product would wrap for levels of 512 MiB and more, while every level that fits the
// size model gives the same value either way.
uint64_t levelBits(const QelTextureHeaderV3& h, uint32_t level, uint32_t minW, uint32_t minH,
                   uint32_t bpp) {
    auto dim = [level](uint32_t d) -> uint64_t {
        uint32_t v = level < 32 ? d >> level : 0;
        return v ? v : 1;
    };
    uint64_t w = dim(h.u32Width), hh = dim(h.u32Height), d = dim(h.u32Depth);
    w = (w + minW - 1) / minW * minW;
    hh = (hh + minH - 1) / minH * minH;
    // w, h <= 2^32 and d * bpp <= 2^32 * 1020: kept below 2^64 by dividing the work.
    unsigned __int128 bits = (unsigned __int128)(w * hh) * (d * bpp);
    return bits > UINT64_MAX ? UINT64_MAX : uint64_t(bits);
}

void minDims(uint64_t format, uint32_t& minW, uint32_t& minH) {
    minW = minH = 1;
    if ((format >> 32) == 0 && format < ePF_NumCompressedPFs) {
        uint32_t minZ;
        QelTGetFormatMinDims(format, minW, minH, minZ);
    }
}

// Total bits of levels [0, count). Levels from 32 on are all 1x1x1, so a hostile count
// costs no more than 33 level computations.
unsigned __int128 allLevelBits(const QelTextureHeaderV3& h) {
    uint32_t minW, minH;
    minDims(h.u64PixelFormat, minW, minH);
    uint32_t bpp = QelTGetBitsPerPixel(h.u64PixelFormat);
    unsigned __int128 sum = 0;
    uint32_t direct = h.u32MIPMapCount < 32 ? h.u32MIPMapCount : 32;
    for (uint32_t L = 0; L < direct; ++L) sum += levelBits(h, L, minW, minH, bpp);
    if (h.u32MIPMapCount > 32)
        sum += (unsigned __int128)(h.u32MIPMapCount - 32) * levelBits(h, 32, minW, minH, bpp);
    return sum;
}
}  // namespace

uint32_t QelTGetTextureDataSize(const QelTextureHeaderV3& header, int32_t mipLevel,
                                bool allSurfaces, bool allFaces) {
    uint64_t bits;
    if (mipLevel == -1) {
        bits = uint64_t(allLevelBits(header));
    } else {
        uint32_t minW, minH;
        minDims(header.u64PixelFormat, minW, minH);
        bits = levelBits(header, uint32_t(mipLevel), minW, minH,
                         QelTGetBitsPerPixel(header.u64PixelFormat));
    }
    uint64_t bytes = bits / 8;
    if (allFaces) bytes *= header.u32NumFaces;
    if (allSurfaces) bytes *= header.u32NumSurfaces;
    return uint32_t(bytes);
}

bool QelTIsWithinSizeModel(const QelTextureHeaderV3& header) {
    if (header.u32MIPMapCount > QEL_MAX_MIP_LEVELS) return false;
    unsigned __int128 bytes = allLevelBits(header) / 8;
    if (bytes > UINT32_MAX) return false;
    bytes *= header.u32NumFaces;
    if (bytes > UINT32_MAX) return false;
    bytes *= header.u32NumSurfaces;
    return bytes <= UINT32_MAX;
}

CQelTextureHeader::CQelTextureHeader(const QelTextureHeaderV3& fileHeader, uint32_t numMetaDataBlocks,
                                     const MetaDataBlock* metaData)
    : m_header(fileHeader) {
    if (metaData)
        for (uint32_t i = 0; i < numMetaDataBlocks; ++i) addMetaData(metaData[i]);
}

CQelTextureHeader::CQelTextureHeader(uint64_t pixelFormat, uint32_t height, uint32_t width,
                                     uint32_t depth, uint32_t numMipMaps, uint32_t numArrayMembers,
                                     uint32_t numFaces, EQelTColourSpace colourSpace,
                                     EQelTVariableType channelType, bool preMultiplied) {
    m_header.u32Flags = preMultiplied ? QEL_FLAG_PREMULTIPLIED : 0;
    m_header.u64PixelFormat = pixelFormat;
    m_header.u32ColourSpace = colourSpace;
    m_header.u32ChannelType = channelType;
    m_header.u32Height = height;
    m_header.u32Width = width;
    m_header.u32Depth = depth;
    m_header.u32NumSurfaces = numArrayMembers;
    m_header.u32NumFaces = numFaces;
    m_header.u32MIPMapCount = numMipMaps;
}

uint32_t CQelTextureHeader::getTextureSize(int32_t mip, bool allSurfaces, bool allFaces) const {
    uint32_t bpp = getBitsPerPixel();
    if (bpp == 0) return 0;
    return uint32_t(uint64_t(getDataSize(mip, allSurfaces, allFaces)) * 8 / bpp);
}

}  // namespace qeltexture
