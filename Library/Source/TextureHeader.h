#pragma once
// The 52-byte texture header record, the size rules, and CQelTextureHeader
// (record plus metadata map).
#include <cstddef>
#include <cstdint>

#include "MetaData.h"
#include "PixelFormat.h"
#include "QelTMap.h"
#include "QelTString.h"

namespace qeltexture {

constexpr uint32_t QEL_HEADER_VERSION3 = 0x034C4551u;  // "QEL" then 3
constexpr uint32_t QEL_FLAG_COMPRESSED = 1u;
constexpr uint32_t QEL_FLAG_PREMULTIPLIED = 2u;
// A 32-bit dimension has at most 32 distinct MIP levels; larger counts are refused.
constexpr uint32_t QEL_MAX_MIP_LEVELS = 32;

#pragma pack(push, 4)
// Little-endian, no gaps; the same bytes open a native file.
struct QelTextureHeaderV3 {
    uint32_t u32Version = QEL_HEADER_VERSION3;
    uint32_t u32Flags = 0;
    uint64_t u64PixelFormat = ePF_NumCompressedPFs;
    uint32_t u32ColourSpace = eCS_LinearRGB;
    uint32_t u32ChannelType = eVT_UnsignedByteNorm;
    uint32_t u32Height = 1;
    uint32_t u32Width = 1;
    uint32_t u32Depth = 1;
    uint32_t u32NumSurfaces = 1;
    uint32_t u32NumFaces = 1;
    uint32_t u32MIPMapCount = 1;
    uint32_t u32MetaDataSize = 0;
};
#pragma pack(pop)

static_assert(sizeof(QelTextureHeaderV3) == 52, "header record is 52 bytes");
static_assert(offsetof(QelTextureHeaderV3, u32Flags) == 4, "layout");
static_assert(offsetof(QelTextureHeaderV3, u64PixelFormat) == 8, "layout");
static_assert(offsetof(QelTextureHeaderV3, u32ColourSpace) == 16, "layout");
static_assert(offsetof(QelTextureHeaderV3, u32ChannelType) == 20, "layout");
static_assert(offsetof(QelTextureHeaderV3, u32Height) == 24, "layout");
static_assert(offsetof(QelTextureHeaderV3, u32Width) == 28, "layout");
static_assert(offsetof(QelTextureHeaderV3, u32Depth) == 32, "layout");
static_assert(offsetof(QelTextureHeaderV3, u32NumSurfaces) == 36, "layout");
static_assert(offsetof(QelTextureHeaderV3, u32NumFaces) == 40, "layout");
static_assert(offsetof(QelTextureHeaderV3, u32MIPMapCount) == 44, "layout");
static_assert(offsetof(QelTextureHeaderV3, u32MetaDataSize) == 48, "layout");

// Bytes of one MIP level (or of all levels for mipLevel -1), times faces and surfaces
// when asked. Unsigned 32-bit result.
uint32_t QelTGetTextureDataSize(const QelTextureHeaderV3& header, int32_t mipLevel = -1,
                                bool allSurfaces = true, bool allFaces = true);

// The library's size model: at most 32 MIP levels and a whole texture of at most
// 2^32-1 bytes. Headers outside it are refused wherever a data block would be built,
// so no 32-bit size computed for them can wrap.
bool QelTIsWithinSizeModel(const QelTextureHeaderV3& header);

typedef CQelTMap<uint32_t, MetaDataBlock> MetaDataKeyMap;
typedef CQelTMap<uint32_t, MetaDataKeyMap> MetaDataMap;

class CQelTextureHeader {
public:
    CQelTextureHeader() = default;
    CQelTextureHeader(const QelTextureHeaderV3& fileHeader, uint32_t numMetaDataBlocks = 0,
                      const MetaDataBlock* metaData = nullptr);
    // Note the order: MIP levels come before array members and faces.
    CQelTextureHeader(uint64_t pixelFormat, uint32_t height, uint32_t width, uint32_t depth = 1,
                      uint32_t numMipMaps = 1, uint32_t numArrayMembers = 1, uint32_t numFaces = 1,
                      EQelTColourSpace colourSpace = eCS_LinearRGB,
                      EQelTVariableType channelType = eVT_UnsignedByteNorm,
                      bool preMultiplied = false);

    QelTextureHeaderV3 getFileHeader() const { return m_header; }
    PixelType getPixelType() const { return PixelType(m_header.u64PixelFormat); }
    uint32_t getBitsPerPixel() const { return QelTGetBitsPerPixel(m_header.u64PixelFormat); }
    EQelTColourSpace getColourSpace() const { return EQelTColourSpace(m_header.u32ColourSpace); }
    EQelTVariableType getChannelType() const { return EQelTVariableType(m_header.u32ChannelType); }
    // 0 beyond the last MIP level, otherwise max(1, dimension >> level).
    uint32_t getWidth(uint32_t mip = 0) const { return levelDim(m_header.u32Width, mip); }
    uint32_t getHeight(uint32_t mip = 0) const { return levelDim(m_header.u32Height, mip); }
    uint32_t getDepth(uint32_t mip = 0) const { return levelDim(m_header.u32Depth, mip); }
    uint32_t getNumArrayMembers() const { return m_header.u32NumSurfaces; }
    uint32_t getNumMIPLevels() const { return m_header.u32MIPMapCount; }
    uint32_t getNumFaces() const { return m_header.u32NumFaces; }
    bool isFileCompressed() const { return (m_header.u32Flags & QEL_FLAG_COMPRESSED) != 0; }
    bool isPreMultiplied() const { return (m_header.u32Flags & QEL_FLAG_PREMULTIPLIED) != 0; }
    uint32_t getMetaDataSize() const { return m_header.u32MetaDataSize; }
    uint32_t getDataSize(int32_t mip = -1, bool allSurfaces = true, bool allFaces = true) const {
        return QelTGetTextureDataSize(m_header, mip, allSurfaces, allFaces);
    }
    // Pixels covered by getDataSize; 0 for formats without a bit size.
    uint32_t getTextureSize(int32_t mip = -1, bool allSurfaces = true, bool allFaces = true) const;
    bool isWithinSizeModel() const { return QelTIsWithinSizeModel(m_header); }

    // API format codes of this header's format (TextureHeaderFormats.cpp). The ES form
    // reports the unsized base internal format. Codes are 0 when there is no mapping.
    bool getOGLFormat(uint32_t& internalFormat, uint32_t& format, uint32_t& type) const;
    bool getOGLESFormat(uint32_t& internalFormat, uint32_t& format, uint32_t& type) const;
    uint32_t getD3DFormat() const;
    uint32_t getDXGIFormat() const;

    void setPixelFormat(PixelType format) { m_header.u64PixelFormat = format.PixelTypeID; }
    void setColourSpace(EQelTColourSpace cs) { m_header.u32ColourSpace = cs; }
    void setChannelType(EQelTVariableType vt) { m_header.u32ChannelType = vt; }
    void setWidth(uint32_t w) { m_header.u32Width = w; }
    void setHeight(uint32_t h) { m_header.u32Height = h; }
    void setDepth(uint32_t d) { m_header.u32Depth = d; }
    void setNumArrayMembers(uint32_t n) { m_header.u32NumSurfaces = n; }
    void setNumMIPLevels(uint32_t n) { m_header.u32MIPMapCount = n; }
    void setNumFaces(uint32_t n) { m_header.u32NumFaces = n; }
    void setIsFileCompressed(bool on) { setFlag(QEL_FLAG_COMPRESSED, on); }
    void setIsPreMultiplied(bool on) { setFlag(QEL_FLAG_PREMULTIPLIED, on); }
    // Set pixel format, channel type and colour space from an API code; false (header
    // unchanged) when the code is unknown. setD3DFormat also sets or clears the
    // premultiplied flag.
    bool setOGLFormat(const uint32_t& internalFormat, const uint32_t& format, const uint32_t& type);
    bool setOGLESFormat(const uint32_t& internalFormat, const uint32_t& format, const uint32_t& type);
    bool setD3DFormat(const uint32_t& code);
    bool setDXGIFormat(const uint32_t& code);

    // Metadata (TextureMetaData.cpp). The record's metadata size always equals the sum
    // of (12 + data size) over the blocks held.
    void addMetaData(const MetaDataBlock& block);
    MetaDataBlock getMetaData(uint32_t fourCC, uint32_t key) const;
    bool hasMetaData(uint32_t fourCC, uint32_t key) const;
    void removeMetaData(const uint32_t& fourCC, const uint32_t& key);
    const MetaDataMap* getMetaDataMap() const { return &m_metaData; }

    void setTextureAtlas(const float* data, uint32_t count);
    const float* getTextureAtlasData() const;
    uint32_t getNumTextureAtlasMembers() const;
    void setBumpMap(float scale, const CQelTString& order);
    bool isBumpMap() const;
    float getBumpMapScale() const;
    CQelTString getBumpMapOrder() const;
    void setCubeMapOrder(const CQelTString& order);
    CQelTString getCubeMapOrder() const;
    void setOrientation(EQelTOrientation orientation);
    EQelTOrientation getOrientation(EQelTAxis axis) const;
    void setBorder(uint32_t x, uint32_t y, uint32_t z);
    void getBorder(uint32_t& x, uint32_t& y, uint32_t& z) const;

protected:
    // Padding so the pixel data of a saved native file starts at a multiple of `padding`.
    void addPaddingMetaDataToHeader(uint32_t padding);

    QelTextureHeaderV3 m_header;
    MetaDataMap m_metaData;

private:
    uint32_t levelDim(uint32_t dim, uint32_t mip) const {
        if (mip >= m_header.u32MIPMapCount) return 0;
        uint32_t d = mip < 32 ? dim >> mip : 0;
        return d ? d : 1;
    }
    void setFlag(uint32_t bit, bool on) {
        m_header.u32Flags = on ? (m_header.u32Flags | bit) : (m_header.u32Flags & ~bit);
    }
    const MetaDataBlock* findMetaData(uint32_t fourCC, uint32_t key) const;
    void setOwnMetaData(uint32_t key, const void* data, uint32_t size);
};

}  // namespace qeltexture
