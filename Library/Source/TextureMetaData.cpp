// Metadata operations of CQelTextureHeader, with the metadata-size bookkeeping.
#include <cstring>

#include "TextureHeader.h"

namespace qeltexture {

const MetaDataBlock* CQelTextureHeader::findMetaData(uint32_t fourCC, uint32_t key) const {
    const MetaDataKeyMap* keys = m_metaData.Lookup(fourCC);
    return keys ? keys->Lookup(key) : nullptr;
}

void CQelTextureHeader::addMetaData(const MetaDataBlock& block) {
    const MetaDataBlock* existing = findMetaData(block.DevFOURCC, block.u32Key);
    if (existing == &block) return;  // re-adding the stored block: sizes already balance
    // Copy first: `block` may live in this map, and inserting can move the map's storage.
    MetaDataBlock copy(block);
    if (existing) m_header.u32MetaDataSize -= existing->SizeOfBlock();
    m_header.u32MetaDataSize += copy.SizeOfBlock();
    m_metaData[copy.DevFOURCC][copy.u32Key] = std::move(copy);
}

MetaDataBlock CQelTextureHeader::getMetaData(uint32_t fourCC, uint32_t key) const {
    const MetaDataBlock* b = findMetaData(fourCC, key);
    return b ? *b : MetaDataBlock();
}

bool CQelTextureHeader::hasMetaData(uint32_t fourCC, uint32_t key) const {
    return findMetaData(fourCC, key) != nullptr;
}

void CQelTextureHeader::removeMetaData(const uint32_t& fourCC, const uint32_t& key) {
    MetaDataKeyMap* keys = m_metaData.Lookup(fourCC);
    if (!keys) return;
    const MetaDataBlock* b = keys->Lookup(key);
    if (!b) return;
    m_header.u32MetaDataSize -= b->SizeOfBlock();
    keys->Remove(key);
}

void CQelTextureHeader::setOwnMetaData(uint32_t key, const void* data, uint32_t size) {
    MetaDataBlock block;
    block.DevFOURCC = QEL_FOURCC;
    block.u32Key = key;
    block.u32DataSize = size;
    if (size) {
        block.Data.reset(new uint8_t[size]);
        std::memcpy(block.Data.get(), data, size);
    }
    addMetaData(block);
}

void CQelTextureHeader::setTextureAtlas(const float* data, uint32_t count) {
    setOwnMetaData(eMetaDataTextureAtlasCoords, data, 4 * count);
}

const float* CQelTextureHeader::getTextureAtlasData() const {
    const MetaDataBlock* b = findMetaData(QEL_FOURCC, eMetaDataTextureAtlasCoords);
    return b ? reinterpret_cast<const float*>(b->Data.get()) : nullptr;
}

uint32_t CQelTextureHeader::getNumTextureAtlasMembers() const {
    const MetaDataBlock* b = findMetaData(QEL_FOURCC, eMetaDataTextureAtlasCoords);
    if (!b || getNumMIPLevels() == 0) return 0;
    if (getWidth() <= 1 && getHeight() <= 1 && getDepth() <= 1) return 0;
    return b->u32DataSize / 4;
}

void CQelTextureHeader::setBumpMap(float scale, const CQelTString& order) {
    uint8_t bytes[8] = {};
    std::memcpy(bytes, &scale, 4);
    std::memcpy(bytes + 4, order.data(), order.length() < 4 ? order.length() : 4);
    setOwnMetaData(eMetaDataBumpData, bytes, 8);
}

bool CQelTextureHeader::isBumpMap() const { return hasMetaData(QEL_FOURCC, eMetaDataBumpData); }

float CQelTextureHeader::getBumpMapScale() const {
    const MetaDataBlock* b = findMetaData(QEL_FOURCC, eMetaDataBumpData);
    float scale = 0.0f;
    if (b && b->Data && b->u32DataSize >= 4) std::memcpy(&scale, b->Data.get(), 4);
    return scale;
}

namespace {
// Characters up to the first 0 byte, at most `max`.
CQelTString charsUpToNul(const uint8_t* p, uint32_t available, uint32_t max) {
    uint32_t n = 0;
    while (n < available && n < max && p[n] != 0) ++n;
    return CQelTString(reinterpret_cast<const char*>(p), n);
}
}  // namespace

CQelTString CQelTextureHeader::getBumpMapOrder() const {
    const MetaDataBlock* b = findMetaData(QEL_FOURCC, eMetaDataBumpData);
    if (!b || !b->Data || b->u32DataSize <= 4) return CQelTString();
    return charsUpToNul(b->Data.get() + 4, b->u32DataSize - 4, 4);
}

void CQelTextureHeader::setCubeMapOrder(const CQelTString& order) {
    uint32_t n = order.length() < 6 ? uint32_t(order.length()) : 6;
    setOwnMetaData(eMetaDataCubeMapOrder, order.data(), n);
}

CQelTString CQelTextureHeader::getCubeMapOrder() const {
    const MetaDataBlock* b = findMetaData(QEL_FOURCC, eMetaDataCubeMapOrder);
    if (getNumFaces() < 2 || !b || !b->Data) return CQelTString();
    return charsUpToNul(b->Data.get(), b->u32DataSize, 6);
}

void CQelTextureHeader::setOrientation(EQelTOrientation o) {
    const uint8_t bytes[3] = {uint8_t(o & eOrientLeft), uint8_t(o & eOrientUp), uint8_t(o & eOrientOut)};
    setOwnMetaData(eMetaDataTextureOrientation, bytes, 3);
}

EQelTOrientation CQelTextureHeader::getOrientation(EQelTAxis axis) const {
    const MetaDataBlock* b = findMetaData(QEL_FOURCC, eMetaDataTextureOrientation);
    if (!b || !b->Data || uint32_t(axis) >= b->u32DataSize) return EQelTOrientation(0);
    return EQelTOrientation(b->Data[axis]);
}

void CQelTextureHeader::setBorder(uint32_t x, uint32_t y, uint32_t z) {
    const uint32_t widths[3] = {x, y, z};
    setOwnMetaData(eMetaDataBorderData, widths, 12);
}

void CQelTextureHeader::getBorder(uint32_t& x, uint32_t& y, uint32_t& z) const {
    const MetaDataBlock* b = findMetaData(QEL_FOURCC, eMetaDataBorderData);
    x = y = z = 0;
    if (!b || !b->Data || b->u32DataSize < 12) return;
    std::memcpy(&x, b->Data.get(), 4);
    std::memcpy(&y, b->Data.get() + 4, 4);
    std::memcpy(&z, b->Data.get() + 8, 4);
}

void CQelTextureHeader::addPaddingMetaDataToHeader(uint32_t padding) {
    if (padding <= 1) return;
    uint32_t length = (0u - 64u - m_header.u32MetaDataSize) % padding;
    std::unique_ptr<uint8_t[]> zeros(new uint8_t[length ? length : 1]());
    setOwnMetaData(eMetaDataPadding, zeros.get(), length);
}

}  // namespace qeltexture
