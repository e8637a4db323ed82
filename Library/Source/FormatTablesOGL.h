#pragma once
// Translation between the library's (pixel format, channel type, colour space) triple and
// OpenGL's (internal format, format, type), used by the KTX reader and writer and by the
// header's OpenGL accessors and setters.
#include <cstdint>

#include "PixelFormat.h"

namespace qeltexture {

// Unsized (base) formats, also used as glFormat.
constexpr uint32_t GL_RED = 0x1903;
constexpr uint32_t GL_ALPHA = 0x1906;
constexpr uint32_t GL_RGB = 0x1907;
constexpr uint32_t GL_RGBA = 0x1908;
constexpr uint32_t GL_LUMINANCE = 0x1909;
constexpr uint32_t GL_LUMINANCE_ALPHA = 0x190A;
constexpr uint32_t GL_RG = 0x8227;
constexpr uint32_t GL_RG_INTEGER = 0x8228;
constexpr uint32_t GL_BGRA = 0x80E1;
constexpr uint32_t GL_RED_INTEGER = 0x8D94;
constexpr uint32_t GL_RGB_INTEGER = 0x8D98;
constexpr uint32_t GL_RGBA_INTEGER = 0x8D99;

// glType values.
constexpr uint32_t GL_BYTE = 0x1400;
constexpr uint32_t GL_UNSIGNED_BYTE = 0x1401;
constexpr uint32_t GL_SHORT = 0x1402;
constexpr uint32_t GL_UNSIGNED_SHORT = 0x1403;
constexpr uint32_t GL_INT = 0x1404;
constexpr uint32_t GL_UNSIGNED_INT = 0x1405;
constexpr uint32_t GL_FLOAT = 0x1406;
constexpr uint32_t GL_HALF_FLOAT = 0x140B;
constexpr uint32_t GL_UNSIGNED_BYTE_3_3_2 = 0x8032;
constexpr uint32_t GL_UNSIGNED_SHORT_4_4_4_4 = 0x8033;
constexpr uint32_t GL_UNSIGNED_SHORT_5_5_5_1 = 0x8034;
constexpr uint32_t GL_UNSIGNED_SHORT_5_6_5 = 0x8363;
constexpr uint32_t GL_UNSIGNED_INT_2_10_10_10_REV = 0x8368;
constexpr uint32_t GL_UNSIGNED_INT_10F_11F_11F_REV = 0x8C3B;
constexpr uint32_t GL_UNSIGNED_INT_5_9_9_9_REV = 0x8C3E;

// Sized internal formats.
constexpr uint32_t GL_R3_G3_B2 = 0x2A10;
constexpr uint32_t GL_ALPHA8 = 0x803C;
constexpr uint32_t GL_ALPHA16 = 0x803E;
constexpr uint32_t GL_LUMINANCE8 = 0x8040;
constexpr uint32_t GL_LUMINANCE16 = 0x8042;
constexpr uint32_t GL_LUMINANCE8_ALPHA8 = 0x8045;
constexpr uint32_t GL_LUMINANCE16_ALPHA16 = 0x8048;
constexpr uint32_t GL_RGB8 = 0x8051;
constexpr uint32_t GL_RGB10 = 0x8052;
constexpr uint32_t GL_RGB16 = 0x8054;
constexpr uint32_t GL_RGBA4 = 0x8056;
constexpr uint32_t GL_RGB5_A1 = 0x8057;
constexpr uint32_t GL_RGBA8 = 0x8058;
constexpr uint32_t GL_RGB10_A2 = 0x8059;
constexpr uint32_t GL_RGBA16 = 0x805B;
constexpr uint32_t GL_R8 = 0x8229;
constexpr uint32_t GL_R16 = 0x822A;
constexpr uint32_t GL_RG8 = 0x822B;
constexpr uint32_t GL_RG16 = 0x822C;
constexpr uint32_t GL_R16F = 0x822D;
constexpr uint32_t GL_R32F = 0x822E;
constexpr uint32_t GL_RG16F = 0x822F;
constexpr uint32_t GL_RG32F = 0x8230;
constexpr uint32_t GL_R8I = 0x8231;
constexpr uint32_t GL_R8UI = 0x8232;
constexpr uint32_t GL_R16I = 0x8233;
constexpr uint32_t GL_R16UI = 0x8234;
constexpr uint32_t GL_R32I = 0x8235;
constexpr uint32_t GL_R32UI = 0x8236;
constexpr uint32_t GL_RG8I = 0x8237;
constexpr uint32_t GL_RG8UI = 0x8238;
constexpr uint32_t GL_RG16I = 0x8239;
constexpr uint32_t GL_RG16UI = 0x823A;
constexpr uint32_t GL_RG32I = 0x823B;
constexpr uint32_t GL_RG32UI = 0x823C;
constexpr uint32_t GL_RGBA32F = 0x8814;
constexpr uint32_t GL_RGB32F = 0x8815;
constexpr uint32_t GL_ALPHA32F = 0x8816;
constexpr uint32_t GL_LUMINANCE32F = 0x8818;
constexpr uint32_t GL_LUMINANCE_ALPHA32F = 0x8819;
constexpr uint32_t GL_RGBA16F = 0x881A;
constexpr uint32_t GL_RGB16F = 0x881B;
constexpr uint32_t GL_ALPHA16F = 0x881C;
constexpr uint32_t GL_LUMINANCE16F = 0x881E;
constexpr uint32_t GL_LUMINANCE_ALPHA16F = 0x881F;
constexpr uint32_t GL_R11F_G11F_B10F = 0x8C3A;
constexpr uint32_t GL_RGB9_E5 = 0x8C3D;
constexpr uint32_t GL_SRGB8 = 0x8C41;
constexpr uint32_t GL_SRGB8_ALPHA8 = 0x8C43;
constexpr uint32_t GL_RGB565 = 0x8D62;
constexpr uint32_t GL_RGBA32UI = 0x8D70;
constexpr uint32_t GL_RGB32UI = 0x8D71;
constexpr uint32_t GL_RGBA16UI = 0x8D76;
constexpr uint32_t GL_RGB16UI = 0x8D77;
constexpr uint32_t GL_RGBA8UI = 0x8D7C;
constexpr uint32_t GL_RGB8UI = 0x8D7D;
constexpr uint32_t GL_RGBA32I = 0x8D82;
constexpr uint32_t GL_RGB32I = 0x8D83;
constexpr uint32_t GL_RGBA16I = 0x8D88;
constexpr uint32_t GL_RGB16I = 0x8D89;
constexpr uint32_t GL_RGBA8I = 0x8D8E;
constexpr uint32_t GL_RGB8I = 0x8D8F;
constexpr uint32_t GL_R8_SNORM = 0x8F94;
constexpr uint32_t GL_RG8_SNORM = 0x8F95;
constexpr uint32_t GL_RGB8_SNORM = 0x8F96;
constexpr uint32_t GL_RGBA8_SNORM = 0x8F97;
constexpr uint32_t GL_R16_SNORM = 0x8F98;
constexpr uint32_t GL_RG16_SNORM = 0x8F99;
constexpr uint32_t GL_RGB16_SNORM = 0x8F9A;
constexpr uint32_t GL_RGBA16_SNORM = 0x8F9B;
constexpr uint32_t GL_ALPHA8_SNORM = 0x9014;
constexpr uint32_t GL_LUMINANCE8_SNORM = 0x9015;
constexpr uint32_t GL_LUMINANCE8_ALPHA8_SNORM = 0x9016;
constexpr uint32_t GL_ALPHA16_SNORM = 0x9018;
constexpr uint32_t GL_LUMINANCE16_SNORM = 0x9019;
constexpr uint32_t GL_LUMINANCE16_ALPHA16_SNORM = 0x901A;
constexpr uint32_t GL_RGB10_A2UI = 0x906F;

// Compressed internal formats.
constexpr uint32_t GL_COMPRESSED_RGB_S3TC_DXT1 = 0x83F0;
constexpr uint32_t GL_COMPRESSED_RGBA_S3TC_DXT3 = 0x83F2;
constexpr uint32_t GL_COMPRESSED_RGBA_S3TC_DXT5 = 0x83F3;
constexpr uint32_t GL_COMPRESSED_RGB_QELTC_4BPPV1 = 0x8C00;
constexpr uint32_t GL_COMPRESSED_RGB_QELTC_2BPPV1 = 0x8C01;
constexpr uint32_t GL_COMPRESSED_RGBA_QELTC_4BPPV1 = 0x8C02;
constexpr uint32_t GL_COMPRESSED_RGBA_QELTC_2BPPV1 = 0x8C03;
constexpr uint32_t GL_ETC1_RGB8 = 0x8D64;
constexpr uint32_t GL_COMPRESSED_RGBA_QELTC_2BPPV2 = 0x9137;
constexpr uint32_t GL_COMPRESSED_RGBA_QELTC_4BPPV2 = 0x9138;
constexpr uint32_t GL_COMPRESSED_R11_EAC = 0x9270;
constexpr uint32_t GL_COMPRESSED_SIGNED_R11_EAC = 0x9271;
constexpr uint32_t GL_COMPRESSED_RG11_EAC = 0x9272;
constexpr uint32_t GL_COMPRESSED_SIGNED_RG11_EAC = 0x9273;
constexpr uint32_t GL_COMPRESSED_RGB8_ETC2 = 0x9274;
constexpr uint32_t GL_COMPRESSED_SRGB8_ETC2 = 0x9275;
constexpr uint32_t GL_COMPRESSED_RGB8_PUNCHTHROUGH_ALPHA1_ETC2 = 0x9276;
constexpr uint32_t GL_COMPRESSED_SRGB8_PUNCHTHROUGH_ALPHA1_ETC2 = 0x9277;
constexpr uint32_t GL_COMPRESSED_RGBA8_ETC2_EAC = 0x9278;
constexpr uint32_t GL_COMPRESSED_SRGB8_ALPHA8_ETC2_EAC = 0x9279;

// Library -> OpenGL. True when a mapping exists; otherwise false with the outputs as
// documented (internal formats and glFormat/glType 0; glTypeSize 1 for the unmapped
// compressed formats up to 27, else 0).
bool getOpenGLFormat(const uint64_t& pixelFormat, const EQelTVariableType& channelType,
                     const EQelTColourSpace& colourSpace, uint32_t& glInternalFormat,
                     uint32_t& glBaseInternalFormat, uint32_t& glFormat, uint32_t& glType,
                     uint32_t& glTypeSize);

// OpenGL -> library. glFormat is accepted but not looked at. On failure the outputs keep
// their values.
bool getQelcoreFormatOGL(uint64_t& pixelFormat, EQelTVariableType& channelType,
                         EQelTColourSpace& colourSpace, const uint32_t& glInternalFormat,
                         const uint32_t& glFormat, const uint32_t& glType);

}  // namespace qeltexture
