#pragma once
// CPixelEncoder: one pixel of one uncompressed layout held inline, with the channel
// arithmetic that converts between layouts, channel types and colour spaces. Two encoders
// convert a whole texture; nothing here allocates.
#include <cstdint>

#include "PixelFormat.h"

namespace qeltexture {

enum EChannelName : uint32_t {
    eNoChannel = 0,
    eRed = 1,
    eGreen = 2,
    eBlue = 3,
    eAlpha = 4,
    eLuminance = 5,
    eIntensity = 6,
    eUnspecified = 7,
    eNumChannels = 8
};

// 'r','g','b','a','l','i','x' <-> eRed..eUnspecified; anything else maps to eNoChannel / 0.
EChannelName MapCharToEnum(uint8_t letter);
uint8_t MapEnumToChar(EChannelName channel);

enum EPixelEncoderError : uint32_t {
    ePE_DuplicatedChannel = 0x01,
    ePE_ChannelWithoutBits = 0x02,
    ePE_BitsWithoutChannel = 0x04,
    ePE_ChannelGap = 0x08,
    ePE_TotalBitsNotByteMultiple = 0x10,
    // Layouts that have no defined storage: a channel wider than 32 bits, a packed pixel
    // wider than 64 bits, a pixel wider than 128 bits, a float layout mixing 16- and 32-bit
    // channels, or a channel type outside the enumeration.
    ePE_UnsupportedLayout = 0x20
};

class CPixelEncoder {
public:
    CPixelEncoder(PixelType pixelType, EQelTVariableType variableType);
    CPixelEncoder(EQelTVariableType variableType, uint8_t bits0, uint8_t bits1, uint8_t bits2,
                  uint8_t bits3, EChannelName name0, EChannelName name1, EChannelName name2,
                  EChannelName name3);
    CPixelEncoder(const CPixelEncoder& other);
    CPixelEncoder& operator=(const CPixelEncoder& other) = default;

    uint32_t GetError() const { return m_errorFlags; }
    uint32_t GetBitsPerPixel() const { return m_totalBits; }
    uint32_t GetColourDataSize() const { return m_totalBits / 8u; }
    uint8_t* GetColourData() { return m_colourData; }
    const uint8_t* GetColourData() const { return m_colourData; }
    bool OverwriteColourData(const uint8_t* pixel);
    uint32_t GetTypeSize() const { return m_elementSize; }

    // Layout queries (used by the specialised converters that reproduce this arithmetic).
    EQelTVariableType GetVariableType() const { return m_variableType; }
    bool IsArrayLayout() const { return m_arrayLayout; }
    int32_t GetChannelPosition(EChannelName name) const {
        return uint32_t(name) < eNumChannels ? m_channelIndex[name] : -1;
    }
    EChannelName GetChannelName(uint32_t position) const { return m_channelNames[position & 3]; }
    uint8_t GetChannelBits(uint32_t position) const { return m_bitWidths[position & 3]; }
    // Bit position of a channel's lowest bit in the little-endian pixel word.
    uint32_t GetChannelBitPosition(uint32_t position) const;

    float GetChannelFloat(EChannelName name) const;
    void SetChannelUNorm(EChannelName name, const float& value);
    void SetChannelSNorm(EChannelName name, const float& value);
    void SetChannelSFloat(EChannelName name, const float& value);
    void SetChannelUFloat(EChannelName name, const float& value);

    // Raw channel bits (right-aligned) of the channel at a storage position.
    uint32_t GetChannelBits32(uint32_t position) const;
    void SetChannelBits32(uint32_t position, uint32_t bits);

    CPixelEncoder& EncodeFrom(CPixelEncoder& source);
    void ConvertToColourSpace(EQelTColourSpace target, EQelTColourSpace source);

    void CheckPixelValidity();
    void CheckChannelContinuity();
    void CheckDuplicatedChannels();
    void CheckInvalidChannelBits();
    void CheckValidTotalBits();
    void CheckSupportedLayout();

    uint32_t ShrinkFloatToUNorm(const float& value, const uint8_t& bits) const;
    uint32_t ShrinkFloatToSNorm(const float& value, const uint8_t& bits) const;
    float GrowUNormToFloat(const uint32_t& value, const uint8_t& bits) const;
    float GrowSNormToFloat(const int32_t& value, const uint8_t& bits) const;
    uint32_t ShrinkFloat(const float& value, const uint8_t& mantissaBits, const uint8_t& exponentBits,
                         const uint8_t& bias, bool hasSign, bool clampToFinite) const;
    float GrowFloat(const uint32_t& value, const uint8_t& mantissaBits, const uint8_t& exponentBits,
                    const uint8_t& bias, bool hasSign) const;
    int32_t ResizeSInt(const int32_t& value, const uint8_t& fromBits, const uint8_t& toBits) const;
    uint64_t GenerateChannelByteMask(uint8_t channel) const;

private:
    void construct(EQelTVariableType variableType, const uint8_t bits[4], const EChannelName names[4]);
    // Writes a value with the rule of this encoder's channel type (what EncodeFrom and the
    // colour-space conversion use).
    void writeByType(int32_t position, float value);

    uint32_t m_errorFlags = 0;
    EQelTVariableType m_variableType = eVT_UnsignedByteNorm;
    EChannelName m_channelNames[4] = {};
    uint64_t m_channelLocations[4] = {};
    int8_t m_channelIndex[eNumChannels] = {};
    // Offsets, shifts and the total are kept wider than a byte so that a nonsense layout
    // (widths up to 255) is reported rather than wrapped.
    uint16_t m_bitOffsets[4] = {};
    uint8_t m_bitWidths[4] = {};
    uint16_t m_shifts[4] = {};
    uint16_t m_totalBits = 0;
    uint8_t m_elementSize = 0;
    uint8_t m_channelCount = 0;
    bool m_arrayLayout = false;
    alignas(8) uint8_t m_colourData[16] = {};
};

}  // namespace qeltexture
