#pragma once
// Translation between the library's (pixel format, channel type, colour space) triple and
// the Direct3D 9 and DXGI format codes, used by the DDS reader and writer and by the
// header's D3D/DXGI accessors and setters.
#include <cstdint>

#include "PixelFormat.h"

namespace qeltexture {

// A FourCC read as a little-endian u32: "DXT1" is 0x31545844.
constexpr uint32_t qelFourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}

// Direct3D 9 format codes.
constexpr uint32_t D3DFMT_R8G8B8 = 20;
constexpr uint32_t D3DFMT_A8R8G8B8 = 21;
constexpr uint32_t D3DFMT_X8R8G8B8 = 22;
constexpr uint32_t D3DFMT_R5G6B5 = 23;
constexpr uint32_t D3DFMT_X1R5G5B5 = 24;
constexpr uint32_t D3DFMT_A1R5G5B5 = 25;
constexpr uint32_t D3DFMT_A4R4G4B4 = 26;
constexpr uint32_t D3DFMT_R3G3B2 = 27;
constexpr uint32_t D3DFMT_A8 = 28;
constexpr uint32_t D3DFMT_A8R3G3B2 = 29;
constexpr uint32_t D3DFMT_X4R4G4B4 = 30;
constexpr uint32_t D3DFMT_A2B10G10R10 = 31;
constexpr uint32_t D3DFMT_A8B8G8R8 = 32;
constexpr uint32_t D3DFMT_X8B8G8R8 = 33;
constexpr uint32_t D3DFMT_G16R16 = 34;
constexpr uint32_t D3DFMT_A2R10G10B10 = 35;
constexpr uint32_t D3DFMT_A16B16G16R16 = 36;
constexpr uint32_t D3DFMT_L8 = 50;
constexpr uint32_t D3DFMT_A8L8 = 51;
constexpr uint32_t D3DFMT_A4L4 = 52;
constexpr uint32_t D3DFMT_V8U8 = 60;
constexpr uint32_t D3DFMT_L6V5U5 = 61;
constexpr uint32_t D3DFMT_X8L8V8U8 = 62;
constexpr uint32_t D3DFMT_Q8W8V8U8 = 63;
constexpr uint32_t D3DFMT_V16U16 = 64;
constexpr uint32_t D3DFMT_A2W10V10U10 = 67;
constexpr uint32_t D3DFMT_L16 = 81;
constexpr uint32_t D3DFMT_Q16W16V16U16 = 110;
constexpr uint32_t D3DFMT_R16F = 111;
constexpr uint32_t D3DFMT_G16R16F = 112;
constexpr uint32_t D3DFMT_A16B16G16R16F = 113;
constexpr uint32_t D3DFMT_R32F = 114;
constexpr uint32_t D3DFMT_G32R32F = 115;
constexpr uint32_t D3DFMT_A32B32G32R32F = 116;
constexpr uint32_t D3DFMT_DXT1 = qelFourCC('D', 'X', 'T', '1');
constexpr uint32_t D3DFMT_DXT2 = qelFourCC('D', 'X', 'T', '2');
constexpr uint32_t D3DFMT_DXT3 = qelFourCC('D', 'X', 'T', '3');
constexpr uint32_t D3DFMT_DXT4 = qelFourCC('D', 'X', 'T', '4');
constexpr uint32_t D3DFMT_DXT5 = qelFourCC('D', 'X', 'T', '5');
constexpr uint32_t D3DFMT_QTC2 = qelFourCC('Q', 'T', 'C', '2');
constexpr uint32_t D3DFMT_QTC4 = qelFourCC('Q', 'T', 'C', '4');
constexpr uint32_t D3DFMT_UYVY = qelFourCC('U', 'Y', 'V', 'Y');
constexpr uint32_t D3DFMT_YUY2 = qelFourCC('Y', 'U', 'Y', '2');
constexpr uint32_t D3DFMT_R8G8_B8G8 = qelFourCC('R', 'G', 'B', 'G');
constexpr uint32_t D3DFMT_G8R8_G8B8 = qelFourCC('G', 'R', 'G', 'B');
// The DDS FourCC announcing the extension header.
constexpr uint32_t D3DFMT_DX10 = qelFourCC('D', 'X', '1', '0');

// DXGI format codes.
constexpr uint32_t DXGI_FORMAT_UNKNOWN = 0;
constexpr uint32_t DXGI_FORMAT_R32G32B32A32_FLOAT = 2;
constexpr uint32_t DXGI_FORMAT_R32G32B32A32_UINT = 3;
constexpr uint32_t DXGI_FORMAT_R32G32B32A32_SINT = 4;
constexpr uint32_t DXGI_FORMAT_R32G32B32_FLOAT = 6;
constexpr uint32_t DXGI_FORMAT_R32G32B32_UINT = 7;
constexpr uint32_t DXGI_FORMAT_R32G32B32_SINT = 8;
constexpr uint32_t DXGI_FORMAT_R16G16B16A16_FLOAT = 10;
constexpr uint32_t DXGI_FORMAT_R16G16B16A16_UNORM = 11;
constexpr uint32_t DXGI_FORMAT_R16G16B16A16_UINT = 12;
constexpr uint32_t DXGI_FORMAT_R16G16B16A16_SNORM = 13;
constexpr uint32_t DXGI_FORMAT_R16G16B16A16_SINT = 14;
constexpr uint32_t DXGI_FORMAT_R32G32_FLOAT = 16;
constexpr uint32_t DXGI_FORMAT_R32G32_UINT = 17;
constexpr uint32_t DXGI_FORMAT_R32G32_SINT = 18;
constexpr uint32_t DXGI_FORMAT_R10G10B10A2_UNORM = 24;
constexpr uint32_t DXGI_FORMAT_R10G10B10A2_UINT = 25;
constexpr uint32_t DXGI_FORMAT_R11G11B10_FLOAT = 26;
constexpr uint32_t DXGI_FORMAT_R8G8B8A8_UNORM = 28;
constexpr uint32_t DXGI_FORMAT_R8G8B8A8_UNORM_SRGB = 29;
constexpr uint32_t DXGI_FORMAT_R8G8B8A8_UINT = 30;
constexpr uint32_t DXGI_FORMAT_R8G8B8A8_SNORM = 31;
constexpr uint32_t DXGI_FORMAT_R8G8B8A8_SINT = 32;
constexpr uint32_t DXGI_FORMAT_R16G16_FLOAT = 34;
constexpr uint32_t DXGI_FORMAT_R16G16_UNORM = 35;
constexpr uint32_t DXGI_FORMAT_R16G16_UINT = 36;
constexpr uint32_t DXGI_FORMAT_R16G16_SNORM = 37;
constexpr uint32_t DXGI_FORMAT_R16G16_SINT = 38;
constexpr uint32_t DXGI_FORMAT_R32_FLOAT = 41;
constexpr uint32_t DXGI_FORMAT_R32_UINT = 42;
constexpr uint32_t DXGI_FORMAT_R32_SINT = 43;
constexpr uint32_t DXGI_FORMAT_R8G8_UNORM = 49;
constexpr uint32_t DXGI_FORMAT_R8G8_UINT = 50;
constexpr uint32_t DXGI_FORMAT_R8G8_SNORM = 51;
constexpr uint32_t DXGI_FORMAT_R8G8_SINT = 52;
constexpr uint32_t DXGI_FORMAT_R16_FLOAT = 54;
constexpr uint32_t DXGI_FORMAT_R16_UNORM = 56;
constexpr uint32_t DXGI_FORMAT_R16_UINT = 57;
constexpr uint32_t DXGI_FORMAT_R16_SNORM = 58;
constexpr uint32_t DXGI_FORMAT_R16_SINT = 59;
constexpr uint32_t DXGI_FORMAT_R8_UNORM = 61;
constexpr uint32_t DXGI_FORMAT_R8_UINT = 62;
constexpr uint32_t DXGI_FORMAT_R8_SNORM = 63;
constexpr uint32_t DXGI_FORMAT_R8_SINT = 64;
constexpr uint32_t DXGI_FORMAT_A8_UNORM = 65;
constexpr uint32_t DXGI_FORMAT_R1_UNORM = 66;
constexpr uint32_t DXGI_FORMAT_R9G9B9E5_SHAREDEXP = 67;
constexpr uint32_t DXGI_FORMAT_R8G8_B8G8_UNORM = 68;
constexpr uint32_t DXGI_FORMAT_G8R8_G8B8_UNORM = 69;
constexpr uint32_t DXGI_FORMAT_BC1_UNORM = 71;
constexpr uint32_t DXGI_FORMAT_BC1_UNORM_SRGB = 72;
constexpr uint32_t DXGI_FORMAT_BC2_UNORM = 74;
constexpr uint32_t DXGI_FORMAT_BC2_UNORM_SRGB = 75;
constexpr uint32_t DXGI_FORMAT_BC3_UNORM = 77;
constexpr uint32_t DXGI_FORMAT_BC3_UNORM_SRGB = 78;
constexpr uint32_t DXGI_FORMAT_BC4_UNORM = 80;
constexpr uint32_t DXGI_FORMAT_BC4_SNORM = 81;
constexpr uint32_t DXGI_FORMAT_BC5_UNORM = 83;
constexpr uint32_t DXGI_FORMAT_BC5_SNORM = 84;
constexpr uint32_t DXGI_FORMAT_B5G6R5_UNORM = 85;
constexpr uint32_t DXGI_FORMAT_B5G5R5A1_UNORM = 86;
constexpr uint32_t DXGI_FORMAT_B8G8R8A8_UNORM = 87;
constexpr uint32_t DXGI_FORMAT_B8G8R8X8_UNORM = 88;
constexpr uint32_t DXGI_FORMAT_B8G8R8A8_UNORM_SRGB = 91;
constexpr uint32_t DXGI_FORMAT_B8G8R8X8_UNORM_SRGB = 93;
constexpr uint32_t DXGI_FORMAT_BC6H_SF16 = 96;
constexpr uint32_t DXGI_FORMAT_BC7_UNORM = 98;
constexpr uint32_t DXGI_FORMAT_BC7_UNORM_SRGB = 99;
constexpr uint32_t DXGI_FORMAT_YUY2 = 107;
constexpr uint32_t DXGI_FORMAT_AI44 = 111;
constexpr uint32_t DXGI_FORMAT_IA44 = 112;
constexpr uint32_t DXGI_FORMAT_B4G4R4A4_UNORM = 115;

// Library -> Direct3D 9 code. The colour space is ignored. No mapping: code 0, false.
bool getDirect3DFormat(const uint64_t& pixelFormat, const EQelTVariableType& channelType,
                       const EQelTColourSpace& colourSpace, uint32_t& code);
// Library -> DXGI code. No mapping: code 0, false.
bool getDirectXGIFormat(const uint64_t& pixelFormat, const EQelTVariableType& channelType,
                        const EQelTColourSpace& colourSpace, uint32_t& code);
// Direct3D 9 code -> library. `isPreMultiplied` comes back true for DXT2 and DXT4 and
// false for every other known code. Unknown code: outputs unchanged, false.
bool getQelcoreFormatD3D(uint64_t& pixelFormat, EQelTVariableType& channelType,
                         EQelTColourSpace& colourSpace, bool& isPreMultiplied, const uint32_t& code);
// DXGI code -> library. Unknown code: outputs unchanged, false.
bool getQelcoreFormatDXGI(uint64_t& pixelFormat, EQelTVariableType& channelType,
                          EQelTColourSpace& colourSpace, const uint32_t& code);

}  // namespace qeltexture
