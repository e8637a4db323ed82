// The header's accessors and setters that speak OpenGL, Direct3D 9 and DXGI format codes.
#include "FormatTablesD3D.h"
#include "FormatTablesOGL.h"
#include "TextureHeader.h"

namespace qeltexture {

bool CQelTextureHeader::getOGLFormat(uint32_t& internalFormat, uint32_t& format, uint32_t& type) const {
    uint32_t base, typeSize;
    const uint64_t pixelFormat = m_header.u64PixelFormat;
    const EQelTVariableType channelType = getChannelType();
    const EQelTColourSpace colourSpace = getColourSpace();
    return getOpenGLFormat(pixelFormat, channelType, colourSpace, internalFormat, base, format, type,
                           typeSize);
}

bool CQelTextureHeader::getOGLESFormat(uint32_t& internalFormat, uint32_t& format, uint32_t& type) const {
    uint32_t sized, typeSize;
    const uint64_t pixelFormat = m_header.u64PixelFormat;
    const EQelTVariableType channelType = getChannelType();
    const EQelTColourSpace colourSpace = getColourSpace();
    return getOpenGLFormat(pixelFormat, channelType, colourSpace, sized, internalFormat, format, type,
                           typeSize);
}

uint32_t CQelTextureHeader::getD3DFormat() const {
    uint32_t code;
    const uint64_t pixelFormat = m_header.u64PixelFormat;
    const EQelTVariableType channelType = getChannelType();
    const EQelTColourSpace colourSpace = getColourSpace();
    getDirect3DFormat(pixelFormat, channelType, colourSpace, code);
    return code;
}

uint32_t CQelTextureHeader::getDXGIFormat() const {
    uint32_t code;
    const uint64_t pixelFormat = m_header.u64PixelFormat;
    const EQelTVariableType channelType = getChannelType();
    const EQelTColourSpace colourSpace = getColourSpace();
    getDirectXGIFormat(pixelFormat, channelType, colourSpace, code);
    return code;
}

bool CQelTextureHeader::setOGLFormat(const uint32_t& internalFormat, const uint32_t& format,
                                     const uint32_t& type) {
    EQelTVariableType channelType = getChannelType();
    EQelTColourSpace colourSpace = getColourSpace();
    uint64_t pixelFormat = m_header.u64PixelFormat;  // a local: the record's member is 4-aligned
    if (!getQelcoreFormatOGL(pixelFormat, channelType, colourSpace, internalFormat, format, type))
        return false;
    m_header.u64PixelFormat = pixelFormat;
    setChannelType(channelType);
    setColourSpace(colourSpace);
    return true;
}

bool CQelTextureHeader::setOGLESFormat(const uint32_t& internalFormat, const uint32_t& format,
                                       const uint32_t& type) {
    return setOGLFormat(internalFormat, format, type);
}

bool CQelTextureHeader::setD3DFormat(const uint32_t& code) {
    EQelTVariableType channelType = getChannelType();
    EQelTColourSpace colourSpace = getColourSpace();
    bool preMultiplied = isPreMultiplied();
    uint64_t pixelFormat = m_header.u64PixelFormat;
    if (!getQelcoreFormatD3D(pixelFormat, channelType, colourSpace, preMultiplied, code)) return false;
    m_header.u64PixelFormat = pixelFormat;
    setChannelType(channelType);
    setColourSpace(colourSpace);
    setIsPreMultiplied(preMultiplied);
    return true;
}

bool CQelTextureHeader::setDXGIFormat(const uint32_t& code) {
    EQelTVariableType channelType = getChannelType();
    EQelTColourSpace colourSpace = getColourSpace();
    uint64_t pixelFormat = m_header.u64PixelFormat;
    if (!getQelcoreFormatDXGI(pixelFormat, channelType, colourSpace, code)) return false;
    m_header.u64PixelFormat = pixelFormat;
    setChannelType(channelType);
    setColourSpace(colourSpace);
    return true;
}

}  // namespace qeltexture
