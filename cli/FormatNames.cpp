#include "FormatNames.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace qeltex_cli {

using namespace qeltexture;

namespace {
const char* const kCompressedNames[ePF_NumCompressedPFs] = {
    "QELTCI_2bpp_RGB", "QELTCI_2bpp_RGBA", "QELTCI_4bpp_RGB", "QELTCI_4bpp_RGBA", "QELTCII_2bpp",
    "QELTCII_4bpp", "ETC1", "DXT1", "DXT2", "DXT3", "DXT4", "DXT5", "BC4", "BC5", "BC6", "BC7",
    "UYVY", "YUY2", "BW1bpp", "SharedExponentR9G9B9E5", "RGBG8888", "GRGB8888", "ETC2_RGB",
    "ETC2_RGBA", "ETC2_RGB_A1", "EAC_R11", "EAC_RG11"};

const char* const kChannelTypeNames[eVT_NumVarTypes] = {
    "ubyte-norm", "sbyte-norm", "ubyte", "sbyte", "ushort-norm", "sshort-norm", "ushort",
    "sshort", "uint-norm", "sint-norm", "uint", "sint", "float", "ufloat"};

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool isChannelLetter(char c) { return std::strchr("rgbalix", c) != nullptr && c != 0; }

// Natural channel type for the widths of a packed layout.
EQelTVariableType naturalType(const uint8_t widths[4], bool isFloat) {
    uint32_t total = 0, widest = 0;
    bool allSame = true;
    for (int i = 0; i < 4; ++i) {
        total += widths[i];
        if (widths[i] > widest) widest = widths[i];
        if (widths[i] && widths[0] && widths[i] != widths[0]) allSame = false;
    }
    if (isFloat) return (allSame && (widest == 16 || widest == 32)) ? eVT_SignedFloat : eVT_UnsignedFloat;
    if (allSame && widest == 8) return eVT_UnsignedByteNorm;
    if (widest <= 16 && total <= 16) return eVT_UnsignedShortNorm;
    if (allSame && widest == 16) return eVT_UnsignedShortNorm;
    return eVT_UnsignedIntegerNorm;
}
}  // namespace

bool parsePixelFormat(const std::string& name, PixelType& format, EQelTVariableType& channelType) {
    for (uint32_t i = 0; i < ePF_NumCompressedPFs; ++i)
        if (lower(name) == lower(kCompressedNames[i])) {
            format = PixelType(i);
            // The shared-exponent format holds floats; every other one is nominally unsigned
            // normalised (EAC decodes signed only when asked with --channel-type).
            channelType = i == ePF_SharedExponentR9G9B9E5 ? eVT_SignedFloat : eVT_UnsignedByteNorm;
            return true;
        }
    std::string s = lower(name);
    bool isFloat = !s.empty() && s.back() == 'f';
    if (isFloat) s.pop_back();
    char letters[4] = {0, 0, 0, 0};
    uint8_t widths[4] = {0, 0, 0, 0};
    size_t pos = 0;
    int count = 0;
    // Either letter/width pairs (r5g6b5) or letters followed by one shared width (rgba16).
    size_t firstDigit = s.find_first_of("0123456789");
    if (firstDigit == std::string::npos || firstDigit == 0) return false;
    bool shared = s.find_first_not_of("0123456789", firstDigit) == std::string::npos && firstDigit > 1;
    if (shared) {
        int width = std::atoi(s.c_str() + firstDigit);
        if (firstDigit > 4 || width <= 0 || width > 32) return false;
        for (size_t i = 0; i < firstDigit; ++i) {
            if (!isChannelLetter(s[i])) return false;
            letters[i] = s[i];
            widths[i] = uint8_t(width);
        }
        count = int(firstDigit);
    } else {
        while (pos < s.size()) {
            if (count == 4 || !isChannelLetter(s[pos])) return false;
            letters[count] = s[pos++];
            size_t end = s.find_first_not_of("0123456789", pos);
            if (end == pos) return false;
            if (end == std::string::npos) end = s.size();
            int width = std::atoi(s.substr(pos, end - pos).c_str());
            if (width <= 0 || width > 32) return false;
            widths[count++] = uint8_t(width);
            pos = end;
        }
    }
    if (count == 0) return false;
    format = PixelType(uint8_t(letters[0]), uint8_t(letters[1]), uint8_t(letters[2]), uint8_t(letters[3]),
                       widths[0], widths[1], widths[2], widths[3]);
    channelType = naturalType(widths, isFloat);
    return true;
}

std::string pixelFormatName(const PixelType& format) {
    if (format.isCompressedOrSpecial()) {
        if (format.PixelTypeID < ePF_NumCompressedPFs) return kCompressedNames[format.PixelTypeID];
        if (format.PixelTypeID == ePF_NumCompressedPFs) return "none";
        return "unknown(" + std::to_string(format.PixelTypeID) + ")";
    }
    std::string s;
    for (unsigned i = 0; i < 4; ++i) {
        if (!format.channelName(i) && !format.channelBits(i)) continue;
        char c = char(format.channelName(i));
        s += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
        s += std::to_string(format.channelBits(i));
    }
    return s;
}

unsigned formatChannelMask(const PixelType& format) {
    if (!format.isCompressedOrSpecial()) {
        unsigned mask = 0;
        for (unsigned i = 0; i < 4; ++i) {
            switch (format.channelName(i)) {
                case 'r': mask |= 1; break;
                case 'g': mask |= 2; break;
                case 'b': mask |= 4; break;
                case 'a': mask |= 8; break;
                case 'l': case 'i': mask |= 7; break;
                default: break;
            }
        }
        return mask;
    }
    switch (format.PixelTypeID) {
        case ePF_EAC_R11: return 1;
        case ePF_EAC_RG11: return 3;
        case ePF_QELTCI_2bpp_RGBA: case ePF_QELTCI_4bpp_RGBA: case ePF_QELTCII_2bpp: case ePF_QELTCII_4bpp:
        case ePF_DXT1: case ePF_DXT2: case ePF_DXT3: case ePF_DXT4: case ePF_DXT5: case ePF_BC7:
        case ePF_ETC2_RGBA: case ePF_ETC2_RGB_A1:
            return 0xF;
        default:
            return 7;
    }
}

bool parseChannelType(const std::string& name, EQelTVariableType& type) {
    for (uint32_t i = 0; i < eVT_NumVarTypes; ++i)
        if (lower(name) == kChannelTypeNames[i]) {
            type = EQelTVariableType(i);
            return true;
        }
    return false;
}

std::string channelTypeName(uint32_t type) {
    return type < eVT_NumVarTypes ? kChannelTypeNames[type] : "unknown(" + std::to_string(type) + ")";
}

bool parseColourSpace(const std::string& name, EQelTColourSpace& space) {
    std::string s = lower(name);
    if (s == "srgb") space = eCS_sRGB;
    else if (s == "linear") space = eCS_LinearRGB;
    else return false;
    return true;
}

std::string colourSpaceName(uint32_t space) {
    return space == eCS_sRGB ? "srgb" : space == eCS_LinearRGB ? "linear" : "unknown(" + std::to_string(space) + ")";
}

bool parseQuality(const std::string& name, uint32_t& quality) {
    static const struct { const char* name; uint32_t value; } kQualities[] = {
        {"fastest", 0}, {"fast", 1}, {"normal", 2}, {"high", 3}, {"best", 4},
        {"etc-fast", 0}, {"etc-fast-perceptual", 1}, {"etc-slow", 2}, {"etc-slow-perceptual", 3}};
    for (const auto& q : kQualities)
        if (lower(name) == q.name) {
            quality = q.value;
            return true;
        }
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos && name.size() < 4) {
        quality = uint32_t(std::atoi(name.c_str()));
        return true;
    }
    return false;
}

std::string compressedFormatNames() {
    std::string s;
    for (const char* n : kCompressedNames) s += std::string(s.empty() ? "" : ", ") + n;
    return s;
}

std::string channelTypeNames() {
    std::string s;
    for (const char* n : kChannelTypeNames) s += std::string(s.empty() ? "" : ", ") + n;
    return s;
}

}  // namespace qeltex_cli
