#include "Texture.h"

#include <cstring>
#include <utility>

namespace qeltexture {

CQelTexture::CQelTexture(const CQelTextureHeader& header, const void* data) {
    if (!header.isWithinSizeModel()) return;
    CQelTextureHeader::operator=(header);
    m_dataSize = getDataSize(-1, true, true);
    if (m_dataSize == 0) return;
    m_data = allocateDataBlock(m_dataSize);
    if (data) std::memcpy(m_data.get(), data, m_dataSize);
}

CQelTexture::CQelTexture(const CQelTexture& other) : CQelTextureHeader(other), m_dataSize(other.m_dataSize) {
    if (other.m_data) {
        m_data = allocateDataBlock(m_dataSize);
        std::memcpy(m_data.get(), other.m_data.get(), m_dataSize);
    } else {
        m_dataSize = 0;
    }
}

CQelTexture& CQelTexture::operator=(const CQelTexture& other) {
    if (this != &other) {
        // Build the copy first so an allocation failure leaves this texture as it was.
        CQelTexture copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CQelTexture::CQelTexture(CQelTexture&& other) noexcept
    : CQelTextureHeader(std::move(other)), m_dataSize(other.m_dataSize), m_data(std::move(other.m_data)) {
    other.m_dataSize = 0;
}

CQelTexture& CQelTexture::operator=(CQelTexture&& other) noexcept {
    if (this != &other) {
        CQelTextureHeader::operator=(std::move(other));
        m_dataSize = other.m_dataSize;
        m_data = std::move(other.m_data);
        other.m_dataSize = 0;
    }
    return *this;
}

uint8_t* CQelTexture::getDataPtr(uint32_t mip, uint32_t arrayMember, uint32_t face) const {
    if (mip == 0xFFFFFFFFu || mip >= getNumMIPLevels() || arrayMember >= getNumArrayMembers() ||
        face >= getNumFaces() || !m_data)
        return nullptr;
    uint64_t offset = 0;
    for (uint32_t L = 0; L < mip; ++L) offset += getDataSize(int32_t(L), true, true);
    offset += uint64_t(arrayMember) * getDataSize(int32_t(mip), false, true);
    offset += uint64_t(face) * getDataSize(int32_t(mip), false, false);
    if (offset + getDataSize(int32_t(mip), false, false) > m_dataSize) return nullptr;
    return m_data.get() + offset;
}

}  // namespace qeltexture
