#include "FormatTablesD3D.h"

namespace qeltexture {

namespace {

constexpr uint64_t packed(const char* names, uint8_t w0, uint8_t w1 = 0, uint8_t w2 = 0,
                          uint8_t w3 = 0) {
    uint8_t n[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 && names[i]; ++i) n[i] = uint8_t(names[i]);
    return PixelType(n[0], n[1], n[2], n[3], w0, w1, w2, w3).PixelTypeID;
}

// Accepted channel types of a forward row, one bit per EQelTVariableType.
constexpr uint32_t T(uint32_t t) { return 1u << t; }
constexpr uint32_t kAnyType = 0xFFFFFFFFu;

bool typeAccepted(uint32_t mask, EQelTVariableType t) {
    return mask == kAnyType || (uint32_t(t) < 32 && (mask & T(t)) != 0);
}

// ---- Direct3D 9 ----

struct D3DForward {
    uint64_t pixelType;
    uint32_t types;
    uint32_t code;
};

const D3DForward kD3DForward[] = {
    {packed("rgb", 8, 8, 8), T(0) | T(8), D3DFMT_R8G8B8},
    {packed("argb", 8, 8, 8, 8), T(0) | T(8), D3DFMT_A8R8G8B8},
    {packed("xrgb", 8, 8, 8, 8), T(0) | T(8), D3DFMT_X8R8G8B8},
    {packed("rgb", 5, 6, 5), T(4) | T(8), D3DFMT_R5G6B5},
    {packed("xrgb", 1, 5, 5, 5), T(4) | T(8), D3DFMT_X1R5G5B5},
    {packed("argb", 1, 5, 5, 5), T(4) | T(8), D3DFMT_A1R5G5B5},
    {packed("argb", 4, 4, 4, 4), T(4) | T(8), D3DFMT_A4R4G4B4},
    {packed("rgb", 3, 3, 2), T(0) | T(8), D3DFMT_R3G3B2},
    {packed("a", 8), T(0) | T(8), D3DFMT_A8},
    {packed("argb", 8, 3, 3, 2), T(4) | T(8), D3DFMT_A8R3G3B2},
    {packed("abgr", 2, 10, 10, 10), T(8), D3DFMT_A2B10G10R10},
    {packed("gr", 16, 16), T(4) | T(8), D3DFMT_G16R16},
    {packed("argb", 2, 10, 10, 10), T(8), D3DFMT_A2R10G10B10},
    {packed("abgr", 16, 16, 16, 16), T(4) | T(8), D3DFMT_A16B16G16R16},
    {packed("l", 8), T(0) | T(8), D3DFMT_L8},
    {packed("al", 8, 8), T(0) | T(8), D3DFMT_A8L8},
    {packed("al", 4, 4), T(0) | T(8), D3DFMT_A4L4},
    {packed("gr", 8, 8), T(9), D3DFMT_V8U8},
    {packed("lgr", 6, 5, 5), T(9), D3DFMT_L6V5U5},
    {packed("xlgr", 8, 8, 8, 8), T(9), D3DFMT_X8L8V8U8},
    {packed("abgr", 8, 8, 8, 8), T(9), D3DFMT_Q8W8V8U8},
    {packed("gr", 16, 16), T(9), D3DFMT_V16U16},
    {packed("abgr", 2, 10, 10, 10), T(9), D3DFMT_A2W10V10U10},
    {packed("l", 16), T(4) | T(8), D3DFMT_L16},
    {packed("r", 16), T(12), D3DFMT_R16F},
    {packed("gr", 16, 16), T(12), D3DFMT_G16R16F},
    {packed("rgba", 16, 16, 16, 16), T(12), D3DFMT_A16B16G16R16F},
    {packed("r", 32), T(12), D3DFMT_R32F},
    {packed("rg", 32, 32), T(12), D3DFMT_G32R32F},
    {packed("abgr", 32, 32, 32, 32), T(12), D3DFMT_A32B32G32R32F},
    {ePF_DXT1, kAnyType, D3DFMT_DXT1},
    {ePF_DXT2, kAnyType, D3DFMT_DXT2},
    {ePF_DXT3, kAnyType, D3DFMT_DXT3},
    {ePF_DXT4, kAnyType, D3DFMT_DXT4},
    {ePF_DXT5, kAnyType, D3DFMT_DXT5},
    {ePF_QELTCI_2bpp_RGB, kAnyType, D3DFMT_QTC2},
    {ePF_QELTCI_2bpp_RGBA, kAnyType, D3DFMT_QTC2},
    {ePF_QELTCI_4bpp_RGB, kAnyType, D3DFMT_QTC4},
    {ePF_QELTCI_4bpp_RGBA, kAnyType, D3DFMT_QTC4},
    {ePF_UYVY, kAnyType, D3DFMT_UYVY},
    {ePF_YUY2, kAnyType, D3DFMT_YUY2},
    {ePF_RGBG8888, kAnyType, D3DFMT_R8G8_B8G8},
    {ePF_GRGB8888, kAnyType, D3DFMT_G8R8_G8B8},
};

struct D3DReverse {
    uint32_t code;
    uint64_t pixelType;
    EQelTVariableType channelType;
};

const D3DReverse kD3DReverse[] = {
    {D3DFMT_R8G8B8, packed("rgb", 8, 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_A8R8G8B8, packed("argb", 8, 8, 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_X8R8G8B8, packed("xrgb", 8, 8, 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_R5G6B5, packed("rgb", 5, 6, 5), eVT_UnsignedIntegerNorm},
    {D3DFMT_X1R5G5B5, packed("xrgb", 1, 5, 5, 5), eVT_UnsignedIntegerNorm},
    {D3DFMT_A1R5G5B5, packed("argb", 1, 5, 5, 5), eVT_UnsignedIntegerNorm},
    {D3DFMT_A4R4G4B4, packed("argb", 4, 4, 4, 4), eVT_UnsignedIntegerNorm},
    {D3DFMT_R3G3B2, packed("rgb", 3, 3, 2), eVT_UnsignedIntegerNorm},
    {D3DFMT_A8, packed("a", 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_A8R3G3B2, packed("argb", 8, 3, 3, 2), eVT_UnsignedIntegerNorm},
    {D3DFMT_X4R4G4B4, packed("argb", 4, 4, 4, 4), eVT_UnsignedIntegerNorm},
    {D3DFMT_A2B10G10R10, packed("abgr", 2, 10, 10, 10), eVT_UnsignedIntegerNorm},
    {D3DFMT_A8B8G8R8, packed("abgr", 8, 8, 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_X8B8G8R8, packed("xbgr", 8, 8, 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_G16R16, packed("gr", 16, 16), eVT_UnsignedIntegerNorm},
    {D3DFMT_A2R10G10B10, packed("argb", 2, 10, 10, 10), eVT_UnsignedIntegerNorm},
    {D3DFMT_A16B16G16R16, packed("abgr", 16, 16, 16, 16), eVT_UnsignedIntegerNorm},
    {D3DFMT_L8, packed("l", 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_A8L8, packed("al", 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_A4L4, packed("al", 4, 4), eVT_UnsignedIntegerNorm},
    {D3DFMT_V8U8, packed("gr", 8, 8), eVT_SignedIntegerNorm},
    {D3DFMT_L6V5U5, packed("lgr", 6, 5, 5), eVT_SignedIntegerNorm},
    {D3DFMT_X8L8V8U8, packed("xlgr", 8, 8, 8, 8), eVT_SignedIntegerNorm},
    {D3DFMT_Q8W8V8U8, packed("abgr", 8, 8, 8, 8), eVT_SignedIntegerNorm},
    {D3DFMT_V16U16, packed("gr", 16, 16), eVT_SignedIntegerNorm},
    {D3DFMT_A2W10V10U10, packed("abgr", 2, 10, 10, 10), eVT_SignedIntegerNorm},
    {D3DFMT_L16, packed("l", 16), eVT_UnsignedIntegerNorm},
    {D3DFMT_Q16W16V16U16, packed("abgr", 16, 16, 16, 16), eVT_SignedIntegerNorm},
    {D3DFMT_R16F, packed("r", 16), eVT_SignedFloat},
    {D3DFMT_G16R16F, packed("gr", 16, 16), eVT_SignedFloat},
    {D3DFMT_A16B16G16R16F, packed("rgba", 16, 16, 16, 16), eVT_SignedFloat},
    {D3DFMT_R32F, packed("r", 32), eVT_SignedFloat},
    {D3DFMT_G32R32F, packed("gr", 32, 32), eVT_SignedFloat},
    {D3DFMT_A32B32G32R32F, packed("abgr", 32, 32, 32, 32), eVT_SignedFloat},
    {D3DFMT_DXT1, ePF_DXT1, eVT_UnsignedByteNorm},
    {D3DFMT_DXT2, ePF_DXT2, eVT_UnsignedByteNorm},
    {D3DFMT_DXT3, ePF_DXT3, eVT_UnsignedByteNorm},
    {D3DFMT_DXT4, ePF_DXT4, eVT_UnsignedByteNorm},
    {D3DFMT_DXT5, ePF_DXT5, eVT_UnsignedByteNorm},
    {D3DFMT_QTC2, ePF_QELTCI_2bpp_RGBA, eVT_UnsignedByteNorm},
    {D3DFMT_QTC4, ePF_QELTCI_4bpp_RGBA, eVT_UnsignedByteNorm},
    {D3DFMT_UYVY, ePF_UYVY, eVT_UnsignedByteNorm},
    {D3DFMT_YUY2, ePF_YUY2, eVT_UnsignedByteNorm},
    {D3DFMT_R8G8_B8G8, ePF_RGBG8888, eVT_UnsignedByteNorm},
    {D3DFMT_G8R8_G8B8, ePF_GRGB8888, eVT_UnsignedByteNorm},
};

// ---- DXGI ----

enum ColourRule : uint8_t { kAnySpace, kLinearOnly, kSRGBOnly };

struct DXGIForward {
    uint64_t pixelType;
    uint32_t types;
    ColourRule space;
    uint32_t code;
};

const DXGIForward kDXGIForward[] = {
    {packed("rgba", 32, 32, 32, 32), T(12), kAnySpace, DXGI_FORMAT_R32G32B32A32_FLOAT},
    {packed("rgba", 32, 32, 32, 32), T(10), kAnySpace, DXGI_FORMAT_R32G32B32A32_UINT},
    {packed("rgba", 32, 32, 32, 32), T(11), kAnySpace, DXGI_FORMAT_R32G32B32A32_SINT},
    {packed("rgb", 32, 32, 32), T(12), kAnySpace, DXGI_FORMAT_R32G32B32_FLOAT},
    {packed("rgb", 32, 32, 32), T(10), kAnySpace, DXGI_FORMAT_R32G32B32_UINT},
    {packed("rgb", 32, 32, 32), T(11), kAnySpace, DXGI_FORMAT_R32G32B32_SINT},
    {packed("rgba", 16, 16, 16, 16), T(12), kAnySpace, DXGI_FORMAT_R16G16B16A16_FLOAT},
    {packed("rgba", 16, 16, 16, 16), T(4), kAnySpace, DXGI_FORMAT_R16G16B16A16_UNORM},
    {packed("rgba", 16, 16, 16, 16), T(6), kAnySpace, DXGI_FORMAT_R16G16B16A16_UINT},
    {packed("rgba", 16, 16, 16, 16), T(5), kAnySpace, DXGI_FORMAT_R16G16B16A16_SNORM},
    {packed("rgba", 16, 16, 16, 16), T(7), kAnySpace, DXGI_FORMAT_R16G16B16A16_SINT},
    {packed("rg", 32, 32), T(12), kAnySpace, DXGI_FORMAT_R32G32_FLOAT},
    {packed("rg", 32, 32), T(10), kAnySpace, DXGI_FORMAT_R32G32_UINT},
    {packed("rg", 32, 32), T(11), kAnySpace, DXGI_FORMAT_R32G32_SINT},
    {packed("rgba", 10, 10, 10, 2), T(8), kAnySpace, DXGI_FORMAT_R10G10B10A2_UNORM},
    {packed("rgba", 10, 10, 10, 2), T(10), kAnySpace, DXGI_FORMAT_R10G10B10A2_UINT},
    {packed("rgb", 11, 11, 10), T(12), kAnySpace, DXGI_FORMAT_R11G11B10_FLOAT},
    {packed("rgba", 8, 8, 8, 8), T(0), kLinearOnly, DXGI_FORMAT_R8G8B8A8_UNORM},
    {packed("rgba", 8, 8, 8, 8), T(0), kSRGBOnly, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB},
    {packed("rgba", 8, 8, 8, 8), T(2), kAnySpace, DXGI_FORMAT_R8G8B8A8_UINT},
    {packed("rgba", 8, 8, 8, 8), T(1), kAnySpace, DXGI_FORMAT_R8G8B8A8_SNORM},
    {packed("rgba", 8, 8, 8, 8), T(3), kAnySpace, DXGI_FORMAT_R8G8B8A8_SINT},
    {packed("rg", 16, 16), T(12), kAnySpace, DXGI_FORMAT_R16G16_FLOAT},
    {packed("rg", 16, 16), T(4), kAnySpace, DXGI_FORMAT_R16G16_UNORM},
    {packed("rg", 16, 16), T(6), kAnySpace, DXGI_FORMAT_R16G16_UINT},
    {packed("rg", 16, 16), T(5), kAnySpace, DXGI_FORMAT_R16G16_SNORM},
    {packed("rg", 16, 16), T(7), kAnySpace, DXGI_FORMAT_R16G16_SINT},
    {packed("r", 32), T(12), kAnySpace, DXGI_FORMAT_R32_FLOAT},
    {packed("r", 32), T(10), kAnySpace, DXGI_FORMAT_R32_UINT},
    {packed("r", 32), T(11), kAnySpace, DXGI_FORMAT_R32_SINT},
    {packed("rg", 8, 8), T(0), kAnySpace, DXGI_FORMAT_R8G8_UNORM},
    {packed("rg", 8, 8), T(2), kAnySpace, DXGI_FORMAT_R8G8_UINT},
    {packed("rg", 8, 8), T(1), kAnySpace, DXGI_FORMAT_R8G8_SNORM},
    {packed("rg", 8, 8), T(3), kAnySpace, DXGI_FORMAT_R8G8_SINT},
    {packed("r", 16), T(12), kAnySpace, DXGI_FORMAT_R16_FLOAT},
    {packed("r", 16), T(4), kAnySpace, DXGI_FORMAT_R16_UNORM},
    {packed("r", 16), T(6), kAnySpace, DXGI_FORMAT_R16_UINT},
    {packed("r", 16), T(5), kAnySpace, DXGI_FORMAT_R16_SNORM},
    {packed("r", 16), T(7), kAnySpace, DXGI_FORMAT_R16_SINT},
    {packed("r", 8), T(0), kAnySpace, DXGI_FORMAT_R8_UNORM},
    {packed("r", 8), T(2), kAnySpace, DXGI_FORMAT_R8_UINT},
    {packed("r", 8), T(1), kAnySpace, DXGI_FORMAT_R8_SNORM},
    {packed("r", 8), T(3), kAnySpace, DXGI_FORMAT_R8_SINT},
    {packed("a", 8), T(0), kAnySpace, DXGI_FORMAT_A8_UNORM},
    {ePF_BW1bpp, kAnyType, kAnySpace, DXGI_FORMAT_R1_UNORM},
    {ePF_RGBG8888, kAnyType, kAnySpace, DXGI_FORMAT_R8G8_B8G8_UNORM},
    {ePF_GRGB8888, kAnyType, kAnySpace, DXGI_FORMAT_G8R8_G8B8_UNORM},
    {ePF_DXT1, T(8), kLinearOnly, DXGI_FORMAT_BC1_UNORM},
    {ePF_DXT1, T(8), kSRGBOnly, DXGI_FORMAT_BC1_UNORM_SRGB},
    {ePF_DXT3, T(8), kLinearOnly, DXGI_FORMAT_BC2_UNORM},
    {ePF_DXT3, T(8), kSRGBOnly, DXGI_FORMAT_BC2_UNORM_SRGB},
    {ePF_DXT5, T(8), kLinearOnly, DXGI_FORMAT_BC3_UNORM},
    {ePF_DXT5, T(8), kSRGBOnly, DXGI_FORMAT_BC3_UNORM_SRGB},
    {ePF_BC4, T(8), kAnySpace, DXGI_FORMAT_BC4_UNORM},
    {ePF_BC4, T(9), kAnySpace, DXGI_FORMAT_BC4_SNORM},
    {ePF_BC5, T(8), kAnySpace, DXGI_FORMAT_BC5_UNORM},
    {ePF_BC5, T(9), kAnySpace, DXGI_FORMAT_BC5_SNORM},
    {packed("rgb", 5, 6, 5), T(4), kAnySpace, DXGI_FORMAT_B5G6R5_UNORM},
    {packed("argb", 1, 5, 5, 5), T(4), kAnySpace, DXGI_FORMAT_B5G5R5A1_UNORM},
    {packed("bgra", 8, 8, 8, 8), T(0), kLinearOnly, DXGI_FORMAT_B8G8R8A8_UNORM},
    {packed("bgra", 8, 8, 8, 8), T(0), kSRGBOnly, DXGI_FORMAT_B8G8R8A8_UNORM_SRGB},
    {packed("bgrx", 8, 8, 8, 8), T(0), kLinearOnly, DXGI_FORMAT_B8G8R8X8_UNORM},
    {packed("bgrx", 8, 8, 8, 8), T(0), kSRGBOnly, DXGI_FORMAT_B8G8R8X8_UNORM_SRGB},
    {packed("argb", 4, 4, 4, 4), T(4), kAnySpace, DXGI_FORMAT_B4G4R4A4_UNORM},
};

struct DXGIReverse {
    uint32_t code;
    uint64_t pixelType;
    EQelTVariableType channelType;
    EQelTColourSpace colourSpace;
};

constexpr EQelTColourSpace LIN = eCS_LinearRGB, SRGB = eCS_sRGB;

const DXGIReverse kDXGIReverse[] = {
    {DXGI_FORMAT_R32G32B32A32_FLOAT, packed("rgba", 32, 32, 32, 32), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R32G32B32A32_UINT, packed("rgba", 32, 32, 32, 32), eVT_UnsignedInteger, LIN},
    {DXGI_FORMAT_R32G32B32A32_SINT, packed("rgba", 32, 32, 32, 32), eVT_SignedInteger, LIN},
    {DXGI_FORMAT_R32G32B32_FLOAT, packed("rgb", 32, 32, 32), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R32G32B32_UINT, packed("rgb", 32, 32, 32), eVT_UnsignedInteger, LIN},
    {DXGI_FORMAT_R32G32B32_SINT, packed("rgb", 32, 32, 32), eVT_SignedInteger, LIN},
    {DXGI_FORMAT_R16G16B16A16_FLOAT, packed("rgba", 16, 16, 16, 16), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R16G16B16A16_UNORM, packed("rgba", 16, 16, 16, 16), eVT_UnsignedShortNorm, LIN},
    {DXGI_FORMAT_R16G16B16A16_UINT, packed("rgba", 16, 16, 16, 16), eVT_UnsignedShort, LIN},
    {DXGI_FORMAT_R16G16B16A16_SNORM, packed("rgba", 16, 16, 16, 16), eVT_SignedShortNorm, LIN},
    {DXGI_FORMAT_R16G16B16A16_SINT, packed("rgba", 16, 16, 16, 16), eVT_SignedShort, LIN},
    {DXGI_FORMAT_R32G32_FLOAT, packed("rg", 32, 32), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R32G32_UINT, packed("rg", 32, 32), eVT_UnsignedInteger, LIN},
    {DXGI_FORMAT_R32G32_SINT, packed("rg", 32, 32), eVT_SignedInteger, LIN},
    {DXGI_FORMAT_R10G10B10A2_UNORM, packed("rgba", 10, 10, 10, 2), eVT_UnsignedIntegerNorm, LIN},
    {DXGI_FORMAT_R10G10B10A2_UINT, packed("rgba", 10, 10, 10, 2), eVT_UnsignedInteger, LIN},
    {DXGI_FORMAT_R11G11B10_FLOAT, packed("rgb", 11, 11, 10), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R8G8B8A8_UNORM, packed("rgba", 8, 8, 8, 8), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, packed("rgba", 8, 8, 8, 8), eVT_UnsignedByteNorm, SRGB},
    {DXGI_FORMAT_R8G8B8A8_UINT, packed("rgba", 8, 8, 8, 8), eVT_UnsignedByte, LIN},
    {DXGI_FORMAT_R8G8B8A8_SNORM, packed("rgba", 8, 8, 8, 8), eVT_SignedByteNorm, LIN},
    {DXGI_FORMAT_R8G8B8A8_SINT, packed("rgba", 8, 8, 8, 8), eVT_SignedByte, LIN},
    {DXGI_FORMAT_R16G16_FLOAT, packed("rg", 16, 16), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R16G16_UNORM, packed("rg", 16, 16), eVT_UnsignedShortNorm, LIN},
    {DXGI_FORMAT_R16G16_UINT, packed("rg", 16, 16), eVT_UnsignedShort, LIN},
    {DXGI_FORMAT_R16G16_SNORM, packed("rg", 16, 16), eVT_SignedShortNorm, LIN},
    {DXGI_FORMAT_R16G16_SINT, packed("rg", 16, 16), eVT_SignedShort, LIN},
    {DXGI_FORMAT_R32_FLOAT, packed("r", 32), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R32_UINT, packed("r", 32), eVT_UnsignedInteger, LIN},
    {DXGI_FORMAT_R32_SINT, packed("r", 32), eVT_SignedInteger, LIN},
    {DXGI_FORMAT_R8G8_UNORM, packed("rg", 8, 8), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_R8G8_UINT, packed("rg", 8, 8), eVT_UnsignedByte, LIN},
    {DXGI_FORMAT_R8G8_SNORM, packed("rg", 8, 8), eVT_SignedByteNorm, LIN},
    {DXGI_FORMAT_R8G8_SINT, packed("rg", 8, 8), eVT_SignedByte, LIN},
    {DXGI_FORMAT_R16_FLOAT, packed("r", 16), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R16_UNORM, packed("r", 16), eVT_UnsignedShortNorm, LIN},
    {DXGI_FORMAT_R16_UINT, packed("r", 16), eVT_UnsignedShort, LIN},
    {DXGI_FORMAT_R16_SNORM, packed("r", 16), eVT_SignedShortNorm, LIN},
    {DXGI_FORMAT_R16_SINT, packed("r", 16), eVT_SignedShort, LIN},
    {DXGI_FORMAT_R8_UNORM, packed("r", 8), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_R8_UINT, packed("r", 8), eVT_UnsignedByte, LIN},
    {DXGI_FORMAT_R8_SNORM, packed("r", 8), eVT_SignedByteNorm, LIN},
    {DXGI_FORMAT_R8_SINT, packed("r", 8), eVT_SignedByte, LIN},
    // Written from a lone alpha channel but read back as red.
    {DXGI_FORMAT_A8_UNORM, packed("r", 8), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_R1_UNORM, ePF_BW1bpp, eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_R9G9B9E5_SHAREDEXP, ePF_SharedExponentR9G9B9E5, eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R8G8_B8G8_UNORM, ePF_RGBG8888, eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_G8R8_G8B8_UNORM, ePF_GRGB8888, eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_BC1_UNORM, ePF_DXT1, eVT_UnsignedIntegerNorm, LIN},
    {DXGI_FORMAT_BC1_UNORM_SRGB, ePF_DXT1, eVT_UnsignedIntegerNorm, SRGB},
    {DXGI_FORMAT_BC2_UNORM, ePF_DXT3, eVT_UnsignedIntegerNorm, LIN},
    {DXGI_FORMAT_BC2_UNORM_SRGB, ePF_DXT3, eVT_UnsignedIntegerNorm, SRGB},
    {DXGI_FORMAT_BC3_UNORM, ePF_DXT5, eVT_UnsignedIntegerNorm, LIN},
    {DXGI_FORMAT_BC3_UNORM_SRGB, ePF_DXT5, eVT_UnsignedIntegerNorm, SRGB},
    {DXGI_FORMAT_BC4_UNORM, ePF_BC4, eVT_UnsignedIntegerNorm, LIN},
    {DXGI_FORMAT_BC4_SNORM, ePF_BC4, eVT_SignedIntegerNorm, LIN},
    {DXGI_FORMAT_BC5_UNORM, ePF_BC5, eVT_UnsignedIntegerNorm, LIN},
    {DXGI_FORMAT_BC5_SNORM, ePF_BC5, eVT_SignedIntegerNorm, LIN},
    {DXGI_FORMAT_B5G6R5_UNORM, packed("rgb", 5, 6, 5), eVT_UnsignedShortNorm, LIN},
    {DXGI_FORMAT_B5G5R5A1_UNORM, packed("argb", 1, 5, 5, 5), eVT_UnsignedShortNorm, LIN},
    {DXGI_FORMAT_B8G8R8A8_UNORM, packed("bgra", 8, 8, 8, 8), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_B8G8R8X8_UNORM, packed("bgrx", 8, 8, 8, 8), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_B8G8R8A8_UNORM_SRGB, packed("bgra", 8, 8, 8, 8), eVT_UnsignedByteNorm, SRGB},
    {DXGI_FORMAT_B8G8R8X8_UNORM_SRGB, packed("bgrx", 8, 8, 8, 8), eVT_UnsignedByteNorm, SRGB},
    {DXGI_FORMAT_BC6H_SF16, ePF_BC6, eVT_SignedFloat, LIN},
    {DXGI_FORMAT_BC7_UNORM, ePF_BC7, eVT_UnsignedIntegerNorm, LIN},
    {DXGI_FORMAT_BC7_UNORM_SRGB, ePF_BC7, eVT_UnsignedIntegerNorm, SRGB},
    {DXGI_FORMAT_YUY2, ePF_YUY2, eVT_UnsignedIntegerNorm, LIN},
    {DXGI_FORMAT_AI44, packed("ai", 4, 4), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_IA44, packed("ia", 4, 4), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_B4G4R4A4_UNORM, packed("argb", 4, 4, 4, 4), eVT_UnsignedShortNorm, LIN},
};

}  // namespace

bool getDirect3DFormat(const uint64_t& pixelFormat, const EQelTVariableType& channelType,
                       const EQelTColourSpace& /*colourSpace*/, uint32_t& code) {
    for (const D3DForward& r : kD3DForward) {
        if (r.pixelType == pixelFormat && typeAccepted(r.types, channelType)) {
            code = r.code;
            return true;
        }
    }
    code = 0;
    return false;
}

bool getDirectXGIFormat(const uint64_t& pixelFormat, const EQelTVariableType& channelType,
                        const EQelTColourSpace& colourSpace, uint32_t& code) {
    for (const DXGIForward& r : kDXGIForward) {
        if (r.pixelType != pixelFormat || !typeAccepted(r.types, channelType)) continue;
        if (r.space == kLinearOnly && colourSpace == eCS_sRGB) continue;
        if (r.space == kSRGBOnly && colourSpace != eCS_sRGB) continue;
        code = r.code;
        return true;
    }
    code = 0;
    return false;
}

bool getQelcoreFormatD3D(uint64_t& pixelFormat, EQelTVariableType& channelType,
                         EQelTColourSpace& colourSpace, bool& isPreMultiplied, const uint32_t& code) {
    for (const D3DReverse& r : kD3DReverse) {
        if (r.code != code) continue;
        pixelFormat = r.pixelType;
        channelType = r.channelType;
        colourSpace = eCS_LinearRGB;
        isPreMultiplied = code == D3DFMT_DXT2 || code == D3DFMT_DXT4;
        return true;
    }
    return false;
}

bool getQelcoreFormatDXGI(uint64_t& pixelFormat, EQelTVariableType& channelType,
                          EQelTColourSpace& colourSpace, const uint32_t& code) {
    for (const DXGIReverse& r : kDXGIReverse) {
        if (r.code != code) continue;
        pixelFormat = r.pixelType;
        channelType = r.channelType;
        colourSpace = r.colourSpace;
        return true;
    }
    return false;
}

}  // namespace qeltexture
