#pragma once
// Pixel format identifiers: the 64-bit PixelType, the compressed/special format
// enumeration, channel data types and colour spaces.
#include <cstdint>

namespace qeltexture {

// Compressed and special formats. A PixelType whose high 32 bits are zero holds one of these.
enum EQelTPixelFormat : uint32_t {
    ePF_QELTCI_2bpp_RGB = 0,
    ePF_QELTCI_2bpp_RGBA = 1,
    ePF_QELTCI_4bpp_RGB = 2,
    ePF_QELTCI_4bpp_RGBA = 3,
    ePF_QELTCII_2bpp = 4,
    ePF_QELTCII_4bpp = 5,
    ePF_ETC1 = 6,
    ePF_DXT1 = 7,
    ePF_DXT2 = 8,
    ePF_DXT3 = 9,
    ePF_DXT4 = 10,
    ePF_DXT5 = 11,
    ePF_BC4 = 12,
    ePF_BC5 = 13,
    ePF_BC6 = 14,
    ePF_BC7 = 15,
    ePF_UYVY = 16,
    ePF_YUY2 = 17,
    ePF_BW1bpp = 18,
    ePF_SharedExponentR9G9B9E5 = 19,
    ePF_RGBG8888 = 20,
    ePF_GRGB8888 = 21,
    ePF_ETC2_RGB = 22,
    ePF_ETC2_RGBA = 23,
    ePF_ETC2_RGB_A1 = 24,
    ePF_EAC_R11 = 25,
    ePF_EAC_RG11 = 26,
    ePF_NumCompressedPFs = 27
};

// How the bits of each channel of an uncompressed format are read.
enum EQelTVariableType : uint32_t {
    eVT_UnsignedByteNorm = 0,
    eVT_SignedByteNorm = 1,
    eVT_UnsignedByte = 2,
    eVT_SignedByte = 3,
    eVT_UnsignedShortNorm = 4,
    eVT_SignedShortNorm = 5,
    eVT_UnsignedShort = 6,
    eVT_SignedShort = 7,
    eVT_UnsignedIntegerNorm = 8,
    eVT_SignedIntegerNorm = 9,
    eVT_UnsignedInteger = 10,
    eVT_SignedInteger = 11,
    eVT_SignedFloat = 12,
    eVT_UnsignedFloat = 13,
    eVT_NumVarTypes = 14
};

enum EQelTColourSpace : uint32_t {
    eCS_LinearRGB = 0,
    eCS_sRGB = 1
};

// A pixel format. High 32 bits zero: the low word is an EQelTPixelFormat. Otherwise
// bytes 0-3 are four channel letters in storage order and bytes 4-7 their bit widths.
struct PixelType {
    uint64_t PixelTypeID = 0;

    constexpr PixelType() = default;
    constexpr PixelType(uint64_t value) : PixelTypeID(value) {}
    constexpr PixelType(uint8_t c1Name, uint8_t c2Name, uint8_t c3Name, uint8_t c4Name,
                        uint8_t c1Bits, uint8_t c2Bits, uint8_t c3Bits, uint8_t c4Bits)
        : PixelTypeID(uint64_t(c1Name) | uint64_t(c2Name) << 8 | uint64_t(c3Name) << 16 |
                      uint64_t(c4Name) << 24 | uint64_t(c1Bits) << 32 | uint64_t(c2Bits) << 40 |
                      uint64_t(c3Bits) << 48 | uint64_t(c4Bits) << 56) {}

    constexpr bool isCompressedOrSpecial() const { return (PixelTypeID >> 32) == 0; }
    constexpr uint8_t channelName(unsigned i) const { return uint8_t(PixelTypeID >> (8 * i)); }
    constexpr uint8_t channelBits(unsigned i) const { return uint8_t(PixelTypeID >> (32 + 8 * i)); }

    constexpr bool operator==(const PixelType& o) const { return PixelTypeID == o.PixelTypeID; }
    constexpr bool operator!=(const PixelType& o) const { return PixelTypeID != o.PixelTypeID; }
};

// A PixelType value from channel letters in storage order (up to four) and their bit
// widths, e.g. packedPixelType("rgba", 8, 8, 8, 8).
constexpr uint64_t packedPixelType(const char* names, uint8_t w0, uint8_t w1 = 0, uint8_t w2 = 0,
                                   uint8_t w3 = 0) {
    uint8_t n[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 && names[i]; ++i) n[i] = uint8_t(names[i]);
    return PixelType(n[0], n[1], n[2], n[3], w0, w1, w2, w3).PixelTypeID;
}

// Built when the library loads: 'r','g','b','a' at 8, 16 and 32 bits per channel.
extern const PixelType QelStandard8PixelType;
extern const PixelType QelStandard16PixelType;
extern const PixelType QelStandard32PixelType;

uint32_t QelTGetBitsPerPixel(uint64_t pixelFormat);
void QelTGetFormatMinDims(uint64_t pixelFormat, uint32_t& minX, uint32_t& minY, uint32_t& minZ);

}  // namespace qeltexture
