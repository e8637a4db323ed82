// CPixelEncoder: layout construction, validity check, channel storage and access.
#include "PixelEncoder.h"

#include <cstring>
#include <initializer_list>

#include "PixelBits.h"

namespace qeltexture {

using namespace pixelbits;

EChannelName MapCharToEnum(uint8_t letter) {
    switch (letter) {
        case 'r': return eRed;
        case 'g': return eGreen;
        case 'b': return eBlue;
        case 'a': return eAlpha;
        case 'l': return eLuminance;
        case 'i': return eIntensity;
        case 'x': return eUnspecified;
        default: return eNoChannel;
    }
}

uint8_t MapEnumToChar(EChannelName channel) {
    static const char letters[eNumChannels] = {0, 'r', 'g', 'b', 'a', 'l', 'i', 'x'};
    return uint32_t(channel) < eNumChannels ? uint8_t(letters[channel]) : 0;
}

namespace {

bool isNaturalWidth(EQelTVariableType type, unsigned bits) {
    if (type <= eVT_SignedByte) return bits == 8;
    if (type <= eVT_SignedShort) return bits == 16;
    if (type <= eVT_SignedInteger) return bits == 32;
    if (type <= eVT_UnsignedFloat) return bits == 16 || bits == 32;
    return false;
}

uint8_t naturalElementSize(EQelTVariableType type) {
    if (type <= eVT_SignedByte) return 8;
    if (type <= eVT_SignedShort) return 16;
    if (type <= eVT_UnsignedFloat) return 32;
    return 0;
}

bool isUnsignedInteger(EQelTVariableType type) { return type <= eVT_UnsignedInteger && (type & 1u) == 0; }
bool isSignedInteger(EQelTVariableType type) { return type <= eVT_SignedInteger && (type & 1u) == 1; }

uint64_t readWord(const uint8_t* data) {
    uint64_t word = 0;
    for (int i = 7; i >= 0; --i) word = word << 8 | data[i];
    return word;
}

void writeWord(uint8_t* data, uint64_t word) {
    for (int i = 0; i < 8; ++i) data[i] = uint8_t(word >> (8 * i));
}

}  // namespace

CPixelEncoder::CPixelEncoder(PixelType pixelType, EQelTVariableType variableType) {
    uint8_t bits[4];
    EChannelName names[4];
    for (unsigned k = 0; k < 4; ++k) {
        bits[k] = pixelType.channelBits(k);
        names[k] = MapCharToEnum(pixelType.channelName(k));
    }
    construct(variableType, bits, names);
}

CPixelEncoder::CPixelEncoder(EQelTVariableType variableType, uint8_t bits0, uint8_t bits1,
                             uint8_t bits2, uint8_t bits3, EChannelName name0, EChannelName name1,
                             EChannelName name2, EChannelName name3) {
    const uint8_t bits[4] = {bits0, bits1, bits2, bits3};
    const EChannelName names[4] = {name0, name1, name2, name3};
    construct(variableType, bits, names);
}

CPixelEncoder::CPixelEncoder(const CPixelEncoder& other) {
    *this = other;
    m_elementSize = naturalElementSize(m_variableType);
}

void CPixelEncoder::construct(EQelTVariableType variableType, const uint8_t bits[4],
                              const EChannelName names[4]) {
    m_errorFlags = 0;
    m_variableType = variableType;
    m_totalBits = 0;
    m_channelCount = 0;
    for (unsigned k = 0; k < 4; ++k) {
        m_channelNames[k] = names[k];
        m_bitWidths[k] = bits[k];
        m_totalBits = uint16_t(m_totalBits + bits[k]);
        if (names[k] != eNoChannel) ++m_channelCount;
    }
    for (unsigned n = 0; n < eNumChannels; ++n) m_channelIndex[n] = -1;
    for (unsigned k = 0; k < 4; ++k)
        if (uint32_t(names[k]) < eNumChannels) m_channelIndex[names[k]] = int8_t(k);
    m_channelIndex[eNoChannel] = -1;

    // One layout for the whole pixel: an array when every named channel has the same
    // natural width, otherwise one packed word with the first channel in the top bits.
    int commonWidth = -1;
    bool sameWidth = true;
    for (unsigned k = 0; k < 4; ++k) {
        if (names[k] == eNoChannel) continue;
        if (commonWidth < 0) commonWidth = bits[k];
        else if (commonWidth != bits[k]) sameWidth = false;
    }
    m_arrayLayout = commonWidth > 0 && sameWidth && isNaturalWidth(variableType, unsigned(commonWidth));

    uint16_t offset = 0;
    for (unsigned k = 0; k < 4; ++k) {
        m_bitOffsets[k] = offset;
        m_shifts[k] = uint16_t(m_totalBits - offset - bits[k]);
        offset = uint16_t(offset + bits[k]);
    }
    for (unsigned k = 0; k < 4; ++k) m_channelLocations[k] = GenerateChannelByteMask(uint8_t(k));

    m_elementSize = naturalElementSize(variableType);
    std::memset(m_colourData, 0, sizeof(m_colourData));
    CheckPixelValidity();
}

uint64_t CPixelEncoder::GenerateChannelByteMask(uint8_t channel) const {
    const unsigned k = channel & 3u;
    if (m_arrayLayout) return k;
    const unsigned width = m_bitWidths[k];
    const unsigned shift = m_shifts[k];
    if (width == 0 || width > 64 || shift >= 64) return 0;
    const uint64_t ones = width == 64 ? ~uint64_t(0) : (uint64_t(1) << width) - 1u;
    return ones << shift;
}

uint32_t CPixelEncoder::GetChannelBitPosition(uint32_t position) const {
    const unsigned k = position & 3u;
    // Array layouts of valid encoders name position 0, whose width is the element width.
    if (m_arrayLayout) return k * m_bitWidths[0];
    return m_shifts[k];
}

// --- Validity -----------------------------------------------------------------------

void CPixelEncoder::CheckPixelValidity() {
    CheckChannelContinuity();
    CheckDuplicatedChannels();
    CheckInvalidChannelBits();
    CheckValidTotalBits();
    CheckSupportedLayout();
}

void CPixelEncoder::CheckChannelContinuity() {
    for (unsigned k = 1; k < 4; ++k) {
        if (m_channelNames[k] == eNoChannel) continue;
        for (unsigned j = 0; j < k; ++j)
            if (m_channelNames[j] == eNoChannel) {
                m_errorFlags |= ePE_ChannelGap;
                break;
            }
    }
}

void CPixelEncoder::CheckDuplicatedChannels() {
    for (unsigned k = 0; k < 4; ++k) {
        if (m_channelNames[k] == eNoChannel) continue;
        for (unsigned j = 0; j < 4; ++j)
            if (j != k && m_channelNames[j] == m_channelNames[k]) m_errorFlags |= ePE_DuplicatedChannel;
    }
}

void CPixelEncoder::CheckInvalidChannelBits() {
    for (unsigned k = 0; k < 4; ++k) {
        if (m_channelNames[k] != eNoChannel && m_bitWidths[k] == 0) m_errorFlags |= ePE_ChannelWithoutBits;
        if (m_channelNames[k] == eNoChannel && m_bitWidths[k] != 0) m_errorFlags |= ePE_BitsWithoutChannel;
    }
}

void CPixelEncoder::CheckValidTotalBits() {
    if (m_totalBits % 8u != 0) m_errorFlags |= ePE_TotalBitsNotByteMultiple;
}

void CPixelEncoder::CheckSupportedLayout() {
    bool unsupported = m_variableType > eVT_UnsignedFloat || m_totalBits > 128 ||
                       (!m_arrayLayout && m_totalBits > 64);
    bool has16 = false, has32 = false;
    for (unsigned k = 0; k < 4; ++k) {
        if (m_bitWidths[k] > 32 || uint32_t(m_channelNames[k]) >= eNumChannels) unsupported = true;
        if (m_channelNames[k] == eNoChannel) continue;
        has16 = has16 || m_bitWidths[k] == 16;
        has32 = has32 || m_bitWidths[k] == 32;
    }
    if (m_variableType >= eVT_SignedFloat && has16 && has32) unsupported = true;
    if (unsupported) m_errorFlags |= ePE_UnsupportedLayout;
}

// --- Raw storage ----------------------------------------------------------------------

bool CPixelEncoder::OverwriteColourData(const uint8_t* pixel) {
    if (!pixel) return false;
    const uint32_t size = GetColourDataSize();
    std::memcpy(m_colourData, pixel, size < sizeof(m_colourData) ? size : sizeof(m_colourData));
    return true;
}

uint32_t CPixelEncoder::GetChannelBits32(uint32_t position) const {
    const unsigned k = position & 3u;
    const unsigned width = m_bitWidths[k];
    if (m_arrayLayout) {
        switch (width) {
            case 8: return m_colourData[k];
            case 16: return uint32_t(m_colourData[2 * k]) | uint32_t(m_colourData[2 * k + 1]) << 8;
            case 32: {
                uint32_t value = 0;
                for (int i = 3; i >= 0; --i) value = value << 8 | m_colourData[4 * k + i];
                return value;
            }
            default: return 0;
        }
    }
    if (width == 0 || width > 32 || m_shifts[k] + width > 64) return 0;
    return uint32_t(readWord(m_colourData) >> m_shifts[k]) & unsignedMax(width);
}

void CPixelEncoder::SetChannelBits32(uint32_t position, uint32_t bits) {
    const unsigned k = position & 3u;
    const unsigned width = m_bitWidths[k];
    if (m_arrayLayout) {
        const unsigned bytes = width / 8u;
        if (bytes != 1 && bytes != 2 && bytes != 4) return;
        for (unsigned i = 0; i < bytes; ++i) m_colourData[bytes * k + i] = uint8_t(bits >> (8 * i));
        return;
    }
    if (width == 0 || width > 32 || m_shifts[k] + width > 64) return;
    const uint64_t mask = uint64_t(unsignedMax(width)) << m_shifts[k];
    const uint64_t word = (readWord(m_colourData) & ~mask) | ((uint64_t(bits) << m_shifts[k]) & mask);
    writeWord(m_colourData, word);
}

// --- Channel values -------------------------------------------------------------------

float CPixelEncoder::GetChannelFloat(EChannelName name) const {
    const int32_t k = GetChannelPosition(name);
    if (k < 0) return (name == eAlpha || name == eUnspecified) ? 1.0f : 0.0f;
    const uint32_t raw = GetChannelBits32(uint32_t(k));
    const unsigned width = m_bitWidths[k];
    if (isUnsignedInteger(m_variableType)) return growUNorm(raw, width);
    if (isSignedInteger(m_variableType)) return growSNorm(raw, width);
    if (m_variableType == eVT_SignedFloat || m_variableType == eVT_UnsignedFloat) {
        const bool isUnsigned = m_variableType == eVT_UnsignedFloat;
        switch (width) {
            case 16: return halfToFloat(uint16_t(isUnsigned ? raw & 0x7FFFu : raw));
            // 32-bit unsigned floats read like binary32 with the sign bit ignored.
            case 32: return bitsToFloat(isUnsigned ? raw & 0x7FFFFFFFu : raw);
            case 11: return growFloat(raw, 6, 5, 15, false);
            case 10: return growFloat(raw, 5, 5, 15, false);
            default: return 0.0f;
        }
    }
    return 0.0f;
}

void CPixelEncoder::SetChannelUNorm(EChannelName name, const float& value) {
    const int32_t k = GetChannelPosition(name);
    if (k >= 0) SetChannelBits32(uint32_t(k), shrinkUNorm(value, m_bitWidths[k]));
}

void CPixelEncoder::SetChannelSNorm(EChannelName name, const float& value) {
    const int32_t k = GetChannelPosition(name);
    if (k >= 0) SetChannelBits32(uint32_t(k), shrinkSNorm(value, m_bitWidths[k]));
}

void CPixelEncoder::SetChannelSFloat(EChannelName name, const float& value) {
    const int32_t k = GetChannelPosition(name);
    if (k < 0) return;
    if (m_bitWidths[k] == 16) SetChannelBits32(uint32_t(k), floatToHalf(value));
    else if (m_bitWidths[k] == 32) SetChannelBits32(uint32_t(k), floatToBits(value));
}

// 11- and 10-bit channels: negative values become 0, finite overflow the largest finite
// value, values below the smallest normal the truncated subnormal; infinity and NaN stay.
// 32-bit channels store the float itself, like 32-bit signed float channels.
void CPixelEncoder::SetChannelUFloat(EChannelName name, const float& value) {
    const int32_t k = GetChannelPosition(name);
    if (k < 0) return;
    switch (m_bitWidths[k]) {
        case 16: SetChannelBits32(uint32_t(k), floatToHalf(value)); break;
        case 32: SetChannelBits32(uint32_t(k), floatToBits(value)); break;
        case 11: SetChannelBits32(uint32_t(k), shrinkFloat(value, 6, 5, 15, false, true)); break;
        case 10: SetChannelBits32(uint32_t(k), shrinkFloat(value, 5, 5, 15, false, true)); break;
        default: break;
    }
}

void CPixelEncoder::writeByType(int32_t position, float value) {
    const EChannelName name = m_channelNames[position];
    if (isUnsignedInteger(m_variableType)) SetChannelUNorm(name, value);
    else if (isSignedInteger(m_variableType)) SetChannelSNorm(name, value);
    else if (m_variableType == eVT_SignedFloat) SetChannelSFloat(name, value);
    else if (m_variableType == eVT_UnsignedFloat) SetChannelUFloat(name, value);
}

// --- Conversion -----------------------------------------------------------------------

CPixelEncoder& CPixelEncoder::EncodeFrom(CPixelEncoder& source) {
    if (source.m_errorFlags != 0 || m_errorFlags != 0) return *this;
    std::memset(m_colourData, 0, sizeof(m_colourData));

    auto has = [](const CPixelEncoder& e, EChannelName n) { return e.m_channelIndex[n] >= 0; };
    const bool destinationLuminance = has(*this, eLuminance);
    const bool destinationIntensity = has(*this, eIntensity);
    const bool sourceLuminance = has(source, eLuminance);
    const bool sourceIntensity = has(source, eIntensity);

    float luminance = 0.0f, intensity = 0.0f, grey = 0.0f;
    if (destinationLuminance && sourceLuminance) {
        luminance = grey = source.GetChannelFloat(eLuminance);
    } else if (destinationIntensity) {
        if (sourceIntensity) intensity = grey = source.GetChannelFloat(eIntensity);
        else if (sourceLuminance) intensity = grey = source.GetChannelFloat(eLuminance);
    } else {
        if (sourceIntensity) luminance = grey = source.GetChannelFloat(eIntensity);
        else if (sourceLuminance) intensity = grey = source.GetChannelFloat(eLuminance);
    }
    if (!sourceLuminance && !sourceIntensity && (destinationLuminance || destinationIntensity)) {
        if (destinationLuminance) {
            luminance = 0.0f;
            if (has(source, eRed)) luminance += 0.2126f * source.GetChannelFloat(eRed);
            if (has(source, eGreen)) luminance += 0.7152f * source.GetChannelFloat(eGreen);
            if (has(source, eBlue)) luminance += 0.0722f * source.GetChannelFloat(eBlue);
        } else {
            float sum = 0.0f;
            unsigned count = 0;
            for (EChannelName n : {eRed, eGreen, eBlue})
                if (has(source, n)) {
                    sum += source.GetChannelFloat(n);
                    ++count;
                }
            intensity = count ? sum / float(count) : 0.0f;
        }
    }

    for (unsigned n = eRed; n <= eUnspecified; ++n) {
        const int32_t k = m_channelIndex[n];
        if (k < 0) continue;
        float value;
        switch (n) {
            case eRed:
            case eGreen:
            case eBlue:
                value = has(source, EChannelName(n)) ? source.GetChannelFloat(EChannelName(n)) : grey;
                break;
            case eAlpha:
                value = has(source, eAlpha) ? source.GetChannelFloat(eAlpha)
                        : has(source, eUnspecified) ? source.GetChannelFloat(eUnspecified) : 1.0f;
                break;
            case eUnspecified:
                value = has(source, eUnspecified) ? source.GetChannelFloat(eUnspecified)
                        : has(source, eAlpha) ? source.GetChannelFloat(eAlpha) : 1.0f;
                break;
            case eLuminance: value = luminance; break;
            default: value = intensity; break;
        }
        writeByType(k, value);
    }
    return *this;
}

void CPixelEncoder::ConvertToColourSpace(EQelTColourSpace target, EQelTColourSpace source) {
    bool toLinear;
    if (target == eCS_LinearRGB && source == eCS_sRGB) toLinear = true;
    else if (target == eCS_sRGB && source == eCS_LinearRGB) toLinear = false;
    else return;
    for (EChannelName n : {eRed, eGreen, eBlue, eLuminance, eIntensity}) {
        const int32_t k = m_channelIndex[n];
        if (k < 0) continue;
        // 11- and 10-bit float channels are left as they are.
        if (m_variableType >= eVT_SignedFloat && m_bitWidths[k] != 16 && m_bitWidths[k] != 32) continue;
        const float value = GetChannelFloat(n);
        const float converted = toLinear ? srgbToLinear(value) : linearToSrgb(value);
        if (m_variableType >= eVT_SignedFloat) SetChannelSFloat(n, converted);
        else writeByType(k, converted);
    }
}

// --- Bit-level conversions ------------------------------------------------------------

uint32_t CPixelEncoder::ShrinkFloatToUNorm(const float& value, const uint8_t& bits) const {
    return shrinkUNorm(value, bits);
}

uint32_t CPixelEncoder::ShrinkFloatToSNorm(const float& value, const uint8_t& bits) const {
    return shrinkSNorm(value, bits);
}

float CPixelEncoder::GrowUNormToFloat(const uint32_t& value, const uint8_t& bits) const {
    return growUNorm(value, bits);
}

float CPixelEncoder::GrowSNormToFloat(const int32_t& value, const uint8_t& bits) const {
    return growSNorm(uint32_t(value), bits);
}

uint32_t CPixelEncoder::ShrinkFloat(const float& value, const uint8_t& mantissaBits,
                                    const uint8_t& exponentBits, const uint8_t& bias, bool hasSign,
                                    bool clampToFinite) const {
    return shrinkFloat(value, mantissaBits, exponentBits, bias, hasSign, clampToFinite);
}

float CPixelEncoder::GrowFloat(const uint32_t& value, const uint8_t& mantissaBits,
                               const uint8_t& exponentBits, const uint8_t& bias, bool hasSign) const {
    return growFloat(value, mantissaBits, exponentBits, bias, hasSign);
}

// Sign-extends the low fromBits bits, then clamps symmetrically to +-(2^(toBits-1) - 1).
int32_t CPixelEncoder::ResizeSInt(const int32_t& value, const uint8_t& fromBits, const uint8_t& toBits) const {
    if (fromBits == 0 || toBits == 0) return 0;
    int64_t extended = value;
    if (fromBits < 32) {
        const uint32_t low = uint32_t(value) & unsignedMax(fromBits);
        const uint32_t signBit = uint32_t(1) << (fromBits - 1);
        extended = int64_t(low ^ signBit) - int64_t(signBit);
    }
    const int64_t limit = toBits >= 32 ? int64_t(0x7FFFFFFF) : (int64_t(1) << (toBits - 1)) - 1;
    if (extended > limit) extended = limit;
    if (extended < -limit) extended = -limit;
    return int32_t(extended);
}

}  // namespace qeltexture
