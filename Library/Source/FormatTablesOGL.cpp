#include "FormatTablesOGL.h"

namespace qeltexture {

namespace {

struct CompressedRow {
    uint32_t format;        // EQelTPixelFormat
    uint32_t internal;      // linear colour space / unsigned channels
    uint32_t internalAlt;   // sRGB (ETC2) or signed channels (EAC); 0 when none
    uint32_t base;
};

const CompressedRow kCompressed[] = {
    {ePF_QELTCI_2bpp_RGB, GL_COMPRESSED_RGB_QELTC_2BPPV1, 0, GL_RGB},
    {ePF_QELTCI_2bpp_RGBA, GL_COMPRESSED_RGBA_QELTC_2BPPV1, 0, GL_RGBA},
    {ePF_QELTCI_4bpp_RGB, GL_COMPRESSED_RGB_QELTC_4BPPV1, 0, GL_RGB},
    {ePF_QELTCI_4bpp_RGBA, GL_COMPRESSED_RGBA_QELTC_4BPPV1, 0, GL_RGBA},
    {ePF_QELTCII_2bpp, GL_COMPRESSED_RGBA_QELTC_2BPPV2, 0, GL_RGBA},
    {ePF_QELTCII_4bpp, GL_COMPRESSED_RGBA_QELTC_4BPPV2, 0, GL_RGBA},
    {ePF_ETC1, GL_ETC1_RGB8, 0, GL_RGB},
    {ePF_DXT1, GL_COMPRESSED_RGB_S3TC_DXT1, 0, GL_RGB},
    {ePF_DXT2, GL_COMPRESSED_RGBA_S3TC_DXT3, 0, GL_RGBA},
    {ePF_DXT3, GL_COMPRESSED_RGBA_S3TC_DXT3, 0, GL_RGBA},
    {ePF_DXT4, GL_COMPRESSED_RGBA_S3TC_DXT5, 0, GL_RGBA},
    {ePF_DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5, 0, GL_RGBA},
    {ePF_ETC2_RGB, GL_COMPRESSED_RGB8_ETC2, GL_COMPRESSED_SRGB8_ETC2, GL_RGB},
    {ePF_ETC2_RGBA, GL_COMPRESSED_RGBA8_ETC2_EAC, GL_COMPRESSED_SRGB8_ALPHA8_ETC2_EAC, GL_RGBA},
    {ePF_ETC2_RGB_A1, GL_COMPRESSED_RGB8_PUNCHTHROUGH_ALPHA1_ETC2,
     GL_COMPRESSED_SRGB8_PUNCHTHROUGH_ALPHA1_ETC2, GL_RGBA},
    {ePF_EAC_R11, GL_COMPRESSED_R11_EAC, GL_COMPRESSED_SIGNED_R11_EAC, GL_RED},
    {ePF_EAC_RG11, GL_COMPRESSED_RG11_EAC, GL_COMPRESSED_SIGNED_RG11_EAC, GL_RG},
};

bool isSignedChannelType(EQelTVariableType t) {
    switch (t) {
        case eVT_SignedByteNorm: case eVT_SignedByte: case eVT_SignedShortNorm:
        case eVT_SignedShort: case eVT_SignedIntegerNorm: case eVT_SignedInteger:
        case eVT_SignedFloat:
            return true;
        default:
            return false;
    }
}

// One row of the packed table; glBaseInternalFormat always equals glFormat.
struct PackedRow {
    EQelTVariableType channelType;
    uint64_t pixelType;
    uint32_t internal;
    uint32_t internalSRGB;  // 0: the colour space does not matter
    uint32_t format;
    uint32_t type;
    uint32_t typeSize;
    bool reverse;           // false: the internal format is not read back
};

constexpr EQelTVariableType UBN = eVT_UnsignedByteNorm, SBN = eVT_SignedByteNorm,
                            UB = eVT_UnsignedByte, SB = eVT_SignedByte,
                            USN = eVT_UnsignedShortNorm, SSN = eVT_SignedShortNorm,
                            US = eVT_UnsignedShort, SS = eVT_SignedShort,
                            UIN = eVT_UnsignedIntegerNorm, UI = eVT_UnsignedInteger,
                            SI = eVT_SignedInteger, SF = eVT_SignedFloat, UF = eVT_UnsignedFloat;

const PackedRow kPacked[] = {
    // GL_BGRA as an internal format is unsized: the reverse resolves it by glType.
    {UBN, packedPixelType("bgra", 8, 8, 8, 8), GL_BGRA, 0, GL_BGRA, GL_UNSIGNED_BYTE, 1, false},
    {UBN, packedPixelType("rgba", 8, 8, 8, 8), GL_RGBA8, GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE, 1, true},
    {UBN, packedPixelType("rgb", 8, 8, 8), GL_RGB8, GL_SRGB8, GL_RGB, GL_UNSIGNED_BYTE, 1, true},
    {UBN, packedPixelType("rgb", 3, 3, 2), GL_R3_G3_B2, 0, GL_RGB, GL_UNSIGNED_BYTE_3_3_2, 1, true},
    {UBN, packedPixelType("rg", 8, 8), GL_RG8, 0, GL_RG, GL_UNSIGNED_BYTE, 1, true},
    {UBN, packedPixelType("a", 8), GL_ALPHA8, 0, GL_ALPHA, GL_UNSIGNED_BYTE, 1, true},
    {UBN, packedPixelType("l", 8), GL_LUMINANCE8, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, 1, true},
    {UBN, packedPixelType("r", 8), GL_R8, 0, GL_RED, GL_UNSIGNED_BYTE, 1, true},
    {UBN, packedPixelType("la", 8, 8), GL_LUMINANCE8_ALPHA8, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, 1, true},

    {SBN, packedPixelType("rgba", 8, 8, 8, 8), GL_RGBA8_SNORM, 0, GL_RGBA, GL_BYTE, 1, true},
    {SBN, packedPixelType("rgb", 8, 8, 8), GL_RGB8_SNORM, 0, GL_RGB, GL_BYTE, 1, true},
    {SBN, packedPixelType("rg", 8, 8), GL_RG8_SNORM, 0, GL_RG, GL_BYTE, 1, true},
    {SBN, packedPixelType("a", 8), GL_ALPHA8_SNORM, 0, GL_ALPHA, GL_BYTE, 1, true},
    {SBN, packedPixelType("l", 8), GL_LUMINANCE8_SNORM, 0, GL_LUMINANCE, GL_BYTE, 1, true},
    {SBN, packedPixelType("r", 8), GL_R8_SNORM, 0, GL_RED, GL_BYTE, 1, true},
    {SBN, packedPixelType("la", 8, 8), GL_LUMINANCE8_ALPHA8_SNORM, 0, GL_LUMINANCE_ALPHA, GL_BYTE, 1, true},

    {UB, packedPixelType("r", 8), GL_R8UI, 0, GL_RED_INTEGER, GL_UNSIGNED_BYTE, 1, true},
    {UB, packedPixelType("rg", 8, 8), GL_RG8UI, 0, GL_RG_INTEGER, GL_UNSIGNED_BYTE, 1, true},
    {UB, packedPixelType("rgb", 8, 8, 8), GL_RGB8UI, 0, GL_RGB_INTEGER, GL_UNSIGNED_BYTE, 1, true},
    {UB, packedPixelType("rgba", 8, 8, 8, 8), GL_RGBA8UI, 0, GL_RGBA_INTEGER, GL_UNSIGNED_BYTE, 1, true},

    {SB, packedPixelType("r", 8), GL_R8I, 0, GL_RED_INTEGER, GL_BYTE, 1, true},
    {SB, packedPixelType("rg", 8, 8), GL_RG8I, 0, GL_RG_INTEGER, GL_BYTE, 1, true},
    {SB, packedPixelType("rgb", 8, 8, 8), GL_RGB8I, 0, GL_RGB_INTEGER, GL_BYTE, 1, true},
    {SB, packedPixelType("rgba", 8, 8, 8, 8), GL_RGBA8I, 0, GL_RGBA_INTEGER, GL_BYTE, 1, true},

    {USN, packedPixelType("rgba", 16, 16, 16, 16), GL_RGBA16, 0, GL_RGBA, GL_UNSIGNED_SHORT, 2, true},
    {USN, packedPixelType("rgba", 4, 4, 4, 4), GL_RGBA4, 0, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 2, true},
    {USN, packedPixelType("rgba", 5, 5, 5, 1), GL_RGB5_A1, 0, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, 2, true},
    {USN, packedPixelType("rgb", 16, 16, 16), GL_RGB16, 0, GL_RGB, GL_UNSIGNED_SHORT, 2, true},
    {USN, packedPixelType("rgb", 5, 6, 5), GL_RGB565, 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2, true},
    {USN, packedPixelType("rg", 16, 16), GL_RG16, 0, GL_RG, GL_UNSIGNED_SHORT, 2, true},
    {USN, packedPixelType("a", 16), GL_ALPHA16, 0, GL_ALPHA, GL_UNSIGNED_SHORT, 2, true},
    {USN, packedPixelType("l", 16), GL_LUMINANCE16, 0, GL_LUMINANCE, GL_UNSIGNED_SHORT, 2, true},
    {USN, packedPixelType("r", 16), GL_R16, 0, GL_RED, GL_UNSIGNED_SHORT, 2, true},
    {USN, packedPixelType("la", 16, 16), GL_LUMINANCE16_ALPHA16, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_SHORT, 2,
     false},

    {SSN, packedPixelType("rgba", 16, 16, 16, 16), GL_RGBA16_SNORM, 0, GL_RGBA, GL_SHORT, 2, true},
    {SSN, packedPixelType("rgb", 16, 16, 16), GL_RGB16_SNORM, 0, GL_RGB, GL_SHORT, 2, true},
    {SSN, packedPixelType("rg", 16, 16), GL_RG16_SNORM, 0, GL_RG, GL_SHORT, 2, true},
    {SSN, packedPixelType("a", 16), GL_ALPHA16_SNORM, 0, GL_ALPHA, GL_SHORT, 2, true},
    {SSN, packedPixelType("l", 16), GL_LUMINANCE16_SNORM, 0, GL_LUMINANCE, GL_SHORT, 2, true},
    {SSN, packedPixelType("r", 16), GL_R16_SNORM, 0, GL_RED, GL_SHORT, 2, true},
    {SSN, packedPixelType("la", 16, 16), GL_LUMINANCE16_ALPHA16_SNORM, 0, GL_LUMINANCE_ALPHA, GL_SHORT, 2,
     false},

    {US, packedPixelType("r", 16), GL_R16UI, 0, GL_RED_INTEGER, GL_UNSIGNED_SHORT, 2, true},
    {US, packedPixelType("rg", 16, 16), GL_RG16UI, 0, GL_RG_INTEGER, GL_UNSIGNED_SHORT, 2, true},
    {US, packedPixelType("rgb", 16, 16, 16), GL_RGB16UI, 0, GL_RGB_INTEGER, GL_UNSIGNED_SHORT, 2, true},
    {US, packedPixelType("rgba", 16, 16, 16, 16), GL_RGBA16UI, 0, GL_RGBA_INTEGER, GL_UNSIGNED_SHORT, 2, true},

    {SS, packedPixelType("r", 16), GL_R16I, 0, GL_RED_INTEGER, GL_SHORT, 2, true},
    {SS, packedPixelType("rg", 16, 16), GL_RG16I, 0, GL_RG_INTEGER, GL_SHORT, 2, true},
    {SS, packedPixelType("rgb", 16, 16, 16), GL_RGB16I, 0, GL_RGB_INTEGER, GL_SHORT, 2, true},
    {SS, packedPixelType("rgba", 16, 16, 16, 16), GL_RGBA16I, 0, GL_RGBA_INTEGER, GL_SHORT, 2, true},

    // The three 10-10-10-2 codes read back in 'rgb(a|x)' order (kReverse10bit below).
    {UIN, packedPixelType("xbgr", 2, 10, 10, 10), GL_RGB10, 0, GL_RGB, GL_UNSIGNED_INT_2_10_10_10_REV, 4, false},
    {UIN, packedPixelType("abgr", 2, 10, 10, 10), GL_RGB10_A2, 0, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, 4,
     false},

    {UI, packedPixelType("rgba", 32, 32, 32, 32), GL_RGBA32UI, 0, GL_RGBA_INTEGER, GL_UNSIGNED_INT, 4, true},
    {UI, packedPixelType("r", 32), GL_R32UI, 0, GL_RED_INTEGER, GL_UNSIGNED_INT, 4, true},
    {UI, packedPixelType("rg", 32, 32), GL_RG32UI, 0, GL_RG_INTEGER, GL_UNSIGNED_INT, 4, true},
    {UI, packedPixelType("rgb", 32, 32, 32), GL_RGB32UI, 0, GL_RGB_INTEGER, GL_UNSIGNED_INT, 4, true},
    {UI, packedPixelType("abgr", 2, 10, 10, 10), GL_RGB10_A2UI, 0, GL_RGBA_INTEGER,
     GL_UNSIGNED_INT_2_10_10_10_REV, 4, false},

    {SI, packedPixelType("r", 32), GL_R32I, 0, GL_RED_INTEGER, GL_INT, 4, true},
    {SI, packedPixelType("rg", 32, 32), GL_RG32I, 0, GL_RG_INTEGER, GL_INT, 4, true},
    {SI, packedPixelType("rgb", 32, 32, 32), GL_RGB32I, 0, GL_RGB_INTEGER, GL_INT, 4, true},
    {SI, packedPixelType("rgba", 32, 32, 32, 32), GL_RGBA32I, 0, GL_RGBA_INTEGER, GL_INT, 4, true},

    {SF, packedPixelType("rgba", 32, 32, 32, 32), GL_RGBA32F, 0, GL_RGBA, GL_FLOAT, 4, true},
    {SF, packedPixelType("rgba", 16, 16, 16, 16), GL_RGBA16F, 0, GL_RGBA, GL_HALF_FLOAT, 2, true},
    {SF, packedPixelType("rgb", 32, 32, 32), GL_RGB32F, 0, GL_RGB, GL_FLOAT, 4, true},
    {SF, packedPixelType("rgb", 16, 16, 16), GL_RGB16F, 0, GL_RGB, GL_HALF_FLOAT, 2, true},
    {SF, packedPixelType("rg", 32, 32), GL_RG32F, 0, GL_RG, GL_FLOAT, 4, true},
    {SF, packedPixelType("rg", 16, 16), GL_RG16F, 0, GL_RG, GL_HALF_FLOAT, 2, true},
    {SF, packedPixelType("la", 32, 32), GL_LUMINANCE_ALPHA32F, 0, GL_LUMINANCE_ALPHA, GL_FLOAT, 4, true},
    {SF, packedPixelType("la", 16, 16), GL_LUMINANCE_ALPHA16F, 0, GL_LUMINANCE_ALPHA, GL_HALF_FLOAT, 2, true},
    {SF, packedPixelType("a", 32), GL_ALPHA32F, 0, GL_ALPHA, GL_FLOAT, 4, true},
    {SF, packedPixelType("a", 16), GL_ALPHA16F, 0, GL_ALPHA, GL_HALF_FLOAT, 2, true},
    {SF, packedPixelType("l", 32), GL_LUMINANCE32F, 0, GL_LUMINANCE, GL_FLOAT, 4, true},
    {SF, packedPixelType("l", 16), GL_LUMINANCE16F, 0, GL_LUMINANCE, GL_HALF_FLOAT, 2, true},
    {SF, packedPixelType("r", 32), GL_R32F, 0, GL_RED, GL_FLOAT, 4, true},
    {SF, packedPixelType("r", 16), GL_R16F, 0, GL_RED, GL_HALF_FLOAT, 2, true},

    {UF, packedPixelType("rgb", 11, 11, 10), GL_R11F_G11F_B10F, 0, GL_RGB, GL_UNSIGNED_INT_10F_11F_11F_REV, 4,
     true},
};

struct ReverseRow {
    uint32_t internal;
    uint64_t pixelType;
    EQelTVariableType channelType;
};

// Sized codes whose reading differs from the forward row that writes them.
const ReverseRow kReverse10bit[] = {
    {GL_RGB10, packedPixelType("rgbx", 10, 10, 10, 2), UIN},
    {GL_RGB10_A2, packedPixelType("rgba", 10, 10, 10, 2), UIN},
    {GL_RGB10_A2UI, packedPixelType("rgba", 10, 10, 10, 2), UI},
};

// Unsized base formats: channel letters resolved together with glType.
struct BaseRow {
    uint32_t base;
    const char* names;
};
const BaseRow kBase[] = {
    {GL_RED, "r"}, {GL_ALPHA, "a"}, {GL_RGB, "rgb"}, {GL_RGBA, "rgba"},
    {GL_LUMINANCE, "l"}, {GL_LUMINANCE_ALPHA, "la"}, {GL_RG, "rg"},
};

bool fromUnsized(uint64_t& pixelFormat, EQelTVariableType& channelType, uint32_t internal,
                 uint32_t glType) {
    // Packed types first: they name all channel widths at once.
    struct PackedType { uint32_t base, type; uint64_t pixelType; EQelTVariableType channelType; };
    static const PackedType kPackedTypes[] = {
        {GL_RGB, GL_UNSIGNED_BYTE_3_3_2, packedPixelType("rgb", 3, 3, 2), UBN},
        {GL_RGB, GL_UNSIGNED_SHORT_5_6_5, packedPixelType("rgb", 5, 6, 5), USN},
        {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, packedPixelType("rgba", 4, 4, 4, 4), USN},
        {GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, packedPixelType("rgba", 5, 5, 5, 1), USN},
        {GL_BGRA, GL_UNSIGNED_BYTE, packedPixelType("bgra", 8, 8, 8, 8), UBN},
    };
    for (const PackedType& p : kPackedTypes) {
        if (p.base == internal && p.type == glType) {
            pixelFormat = p.pixelType;
            channelType = p.channelType;
            return true;
        }
    }
    const char* names = nullptr;
    for (const BaseRow& b : kBase)
        if (b.base == internal) names = b.names;  // the codes are distinct
    if (!names) return false;

    uint8_t width;
    EQelTVariableType type;
    switch (glType) {
        case GL_BYTE: width = 8; type = eVT_SignedByteNorm; break;
        case GL_UNSIGNED_BYTE: width = 8; type = eVT_UnsignedByteNorm; break;
        case GL_SHORT: width = 16; type = eVT_SignedShortNorm; break;
        case GL_UNSIGNED_SHORT: width = 16; type = eVT_UnsignedShortNorm; break;
        case GL_INT: width = 32; type = eVT_SignedIntegerNorm; break;
        case GL_UNSIGNED_INT: width = 32; type = eVT_UnsignedIntegerNorm; break;
        default: return false;
    }
    uint8_t n[4] = {0, 0, 0, 0}, w[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 && names[i]; ++i) {
        n[i] = uint8_t(names[i]);
        w[i] = width;
    }
    pixelFormat = PixelType(n[0], n[1], n[2], n[3], w[0], w[1], w[2], w[3]).PixelTypeID;
    channelType = type;
    return true;
}

}  // namespace

bool getOpenGLFormat(const uint64_t& pixelFormat, const EQelTVariableType& channelType,
                     const EQelTColourSpace& colourSpace, uint32_t& glInternalFormat,
                     uint32_t& glBaseInternalFormat, uint32_t& glFormat, uint32_t& glType,
                     uint32_t& glTypeSize) {
    glInternalFormat = glBaseInternalFormat = glFormat = glType = glTypeSize = 0;

    if ((pixelFormat >> 32) == 0) {
        if (pixelFormat == ePF_SharedExponentR9G9B9E5) {
            glInternalFormat = GL_RGB9_E5;
            glBaseInternalFormat = GL_RGB;
            glFormat = GL_RGB;
            glType = GL_UNSIGNED_INT_5_9_9_9_REV;
            glTypeSize = 4;
            return true;
        }
        glTypeSize = pixelFormat <= ePF_NumCompressedPFs ? 1 : 0;
        for (const CompressedRow& r : kCompressed) {
            if (r.format != pixelFormat) continue;
            bool alt = r.format == ePF_EAC_R11 || r.format == ePF_EAC_RG11
                           ? isSignedChannelType(channelType)
                           : colourSpace == eCS_sRGB;
            glInternalFormat = alt && r.internalAlt ? r.internalAlt : r.internal;
            glBaseInternalFormat = r.base;
            return true;
        }
        return false;
    }

    for (const PackedRow& r : kPacked) {
        if (r.channelType != channelType || r.pixelType != pixelFormat) continue;
        glInternalFormat = colourSpace == eCS_sRGB && r.internalSRGB ? r.internalSRGB : r.internal;
        glBaseInternalFormat = glFormat = r.format;
        glType = r.type;
        glTypeSize = r.typeSize;
        return true;
    }
    return false;
}

bool getQelcoreFormatOGL(uint64_t& pixelFormat, EQelTVariableType& channelType,
                         EQelTColourSpace& colourSpace, const uint32_t& glInternalFormat,
                         const uint32_t& /*glFormat*/, const uint32_t& glType) {
    if (glInternalFormat == GL_RGB9_E5) {
        pixelFormat = ePF_SharedExponentR9G9B9E5;
        channelType = eVT_UnsignedFloat;
        colourSpace = eCS_LinearRGB;
        return true;
    }
    for (const CompressedRow& r : kCompressed) {
        // DXT2 and DXT4 share their codes with DXT3 and DXT5, which the later rows name.
        if (r.format == ePF_DXT2 || r.format == ePF_DXT4) continue;
        bool isAlt = r.internalAlt && glInternalFormat == r.internalAlt;
        if (glInternalFormat != r.internal && !isAlt) continue;
        pixelFormat = r.format;
        bool eac = r.format == ePF_EAC_R11 || r.format == ePF_EAC_RG11;
        channelType = eac && isAlt ? eVT_SignedByteNorm : eVT_UnsignedByteNorm;
        colourSpace = !eac && isAlt ? eCS_sRGB : eCS_LinearRGB;
        return true;
    }
    for (const ReverseRow& r : kReverse10bit) {
        if (r.internal != glInternalFormat) continue;
        pixelFormat = r.pixelType;
        channelType = r.channelType;
        colourSpace = eCS_LinearRGB;
        return true;
    }
    for (const PackedRow& r : kPacked) {
        if (!r.reverse) continue;
        bool isSRGB = r.internalSRGB && glInternalFormat == r.internalSRGB;
        if (glInternalFormat != r.internal && !isSRGB) continue;
        pixelFormat = r.pixelType;
        channelType = r.channelType;
        colourSpace = isSRGB ? eCS_sRGB : eCS_LinearRGB;
        return true;
    }
    uint64_t format;
    EQelTVariableType type;
    if (!fromUnsized(format, type, glInternalFormat, glType)) return false;
    pixelFormat = format;
    channelType = type;
    colourSpace = eCS_LinearRGB;
    return true;
}

}  // namespace qeltexture
