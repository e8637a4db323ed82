#include "FormatTablesD3D.h"

namespace qeltexture {

namespace {

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
    {packedPixelType("rgb", 8, 8, 8), T(0) | T(8), D3DFMT_R8G8B8},
    {packedPixelType("argb", 8, 8, 8, 8), T(0) | T(8), D3DFMT_A8R8G8B8},
    {packedPixelType("xrgb", 8, 8, 8, 8), T(0) | T(8), D3DFMT_X8R8G8B8},
    {packedPixelType("rgb", 5, 6, 5), T(4) | T(8), D3DFMT_R5G6B5},
    {packedPixelType("xrgb", 1, 5, 5, 5), T(4) | T(8), D3DFMT_X1R5G5B5},
    {packedPixelType("argb", 1, 5, 5, 5), T(4) | T(8), D3DFMT_A1R5G5B5},
    {packedPixelType("argb", 4, 4, 4, 4), T(4) | T(8), D3DFMT_A4R4G4B4},
    {packedPixelType("rgb", 3, 3, 2), T(0) | T(8), D3DFMT_R3G3B2},
    {packedPixelType("a", 8), T(0) | T(8), D3DFMT_A8},
    {packedPixelType("argb", 8, 3, 3, 2), T(4) | T(8), D3DFMT_A8R3G3B2},
    {packedPixelType("abgr", 2, 10, 10, 10), T(8), D3DFMT_A2B10G10R10},
    {packedPixelType("gr", 16, 16), T(4) | T(8), D3DFMT_G16R16},
    {packedPixelType("argb", 2, 10, 10, 10), T(8), D3DFMT_A2R10G10B10},
    {packedPixelType("abgr", 16, 16, 16, 16), T(4) | T(8), D3DFMT_A16B16G16R16},
    {packedPixelType("l", 8), T(0) | T(8), D3DFMT_L8},
    {packedPixelType("al", 8, 8), T(0) | T(8), D3DFMT_A8L8},
    {packedPixelType("al", 4, 4), T(0) | T(8), D3DFMT_A4L4},
    {packedPixelType("gr", 8, 8), T(9), D3DFMT_V8U8},
    {packedPixelType("lgr", 6, 5, 5), T(9), D3DFMT_L6V5U5},
    {packedPixelType("xlgr", 8, 8, 8, 8), T(9), D3DFMT_X8L8V8U8},
    {packedPixelType("abgr", 8, 8, 8, 8), T(9), D3DFMT_Q8W8V8U8},
    {packedPixelType("gr", 16, 16), T(9), D3DFMT_V16U16},
    {packedPixelType("abgr", 2, 10, 10, 10), T(9), D3DFMT_A2W10V10U10},
    {packedPixelType("l", 16), T(4) | T(8), D3DFMT_L16},
    {packedPixelType("r", 16), T(12), D3DFMT_R16F},
    {packedPixelType("gr", 16, 16), T(12), D3DFMT_G16R16F},
    {packedPixelType("rgba", 16, 16, 16, 16), T(12), D3DFMT_A16B16G16R16F},
    {packedPixelType("r", 32), T(12), D3DFMT_R32F},
    {packedPixelType("rg", 32, 32), T(12), D3DFMT_G32R32F},
    {packedPixelType("abgr", 32, 32, 32, 32), T(12), D3DFMT_A32B32G32R32F},
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
    {D3DFMT_R8G8B8, packedPixelType("rgb", 8, 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_A8R8G8B8, packedPixelType("argb", 8, 8, 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_X8R8G8B8, packedPixelType("xrgb", 8, 8, 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_R5G6B5, packedPixelType("rgb", 5, 6, 5), eVT_UnsignedIntegerNorm},
    {D3DFMT_X1R5G5B5, packedPixelType("xrgb", 1, 5, 5, 5), eVT_UnsignedIntegerNorm},
    {D3DFMT_A1R5G5B5, packedPixelType("argb", 1, 5, 5, 5), eVT_UnsignedIntegerNorm},
    {D3DFMT_A4R4G4B4, packedPixelType("argb", 4, 4, 4, 4), eVT_UnsignedIntegerNorm},
    {D3DFMT_R3G3B2, packedPixelType("rgb", 3, 3, 2), eVT_UnsignedIntegerNorm},
    {D3DFMT_A8, packedPixelType("a", 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_A8R3G3B2, packedPixelType("argb", 8, 3, 3, 2), eVT_UnsignedIntegerNorm},
    {D3DFMT_X4R4G4B4, packedPixelType("argb", 4, 4, 4, 4), eVT_UnsignedIntegerNorm},
    {D3DFMT_A2B10G10R10, packedPixelType("abgr", 2, 10, 10, 10), eVT_UnsignedIntegerNorm},
    {D3DFMT_A8B8G8R8, packedPixelType("abgr", 8, 8, 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_X8B8G8R8, packedPixelType("xbgr", 8, 8, 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_G16R16, packedPixelType("gr", 16, 16), eVT_UnsignedIntegerNorm},
    {D3DFMT_A2R10G10B10, packedPixelType("argb", 2, 10, 10, 10), eVT_UnsignedIntegerNorm},
    {D3DFMT_A16B16G16R16, packedPixelType("abgr", 16, 16, 16, 16), eVT_UnsignedIntegerNorm},
    {D3DFMT_L8, packedPixelType("l", 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_A8L8, packedPixelType("al", 8, 8), eVT_UnsignedIntegerNorm},
    {D3DFMT_A4L4, packedPixelType("al", 4, 4), eVT_UnsignedIntegerNorm},
    {D3DFMT_V8U8, packedPixelType("gr", 8, 8), eVT_SignedIntegerNorm},
    {D3DFMT_L6V5U5, packedPixelType("lgr", 6, 5, 5), eVT_SignedIntegerNorm},
    {D3DFMT_X8L8V8U8, packedPixelType("xlgr", 8, 8, 8, 8), eVT_SignedIntegerNorm},
    {D3DFMT_Q8W8V8U8, packedPixelType("abgr", 8, 8, 8, 8), eVT_SignedIntegerNorm},
    {D3DFMT_V16U16, packedPixelType("gr", 16, 16), eVT_SignedIntegerNorm},
    {D3DFMT_A2W10V10U10, packedPixelType("abgr", 2, 10, 10, 10), eVT_SignedIntegerNorm},
    {D3DFMT_L16, packedPixelType("l", 16), eVT_UnsignedIntegerNorm},
    {D3DFMT_Q16W16V16U16, packedPixelType("abgr", 16, 16, 16, 16), eVT_SignedIntegerNorm},
    {D3DFMT_R16F, packedPixelType("r", 16), eVT_SignedFloat},
    {D3DFMT_G16R16F, packedPixelType("gr", 16, 16), eVT_SignedFloat},
    {D3DFMT_A16B16G16R16F, packedPixelType("rgba", 16, 16, 16, 16), eVT_SignedFloat},
    {D3DFMT_R32F, packedPixelType("r", 32), eVT_SignedFloat},
    {D3DFMT_G32R32F, packedPixelType("gr", 32, 32), eVT_SignedFloat},
    {D3DFMT_A32B32G32R32F, packedPixelType("abgr", 32, 32, 32, 32), eVT_SignedFloat},
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
    {packedPixelType("rgba", 32, 32, 32, 32), T(12), kAnySpace, DXGI_FORMAT_R32G32B32A32_FLOAT},
    {packedPixelType("rgba", 32, 32, 32, 32), T(10), kAnySpace, DXGI_FORMAT_R32G32B32A32_UINT},
    {packedPixelType("rgba", 32, 32, 32, 32), T(11), kAnySpace, DXGI_FORMAT_R32G32B32A32_SINT},
    {packedPixelType("rgb", 32, 32, 32), T(12), kAnySpace, DXGI_FORMAT_R32G32B32_FLOAT},
    {packedPixelType("rgb", 32, 32, 32), T(10), kAnySpace, DXGI_FORMAT_R32G32B32_UINT},
    {packedPixelType("rgb", 32, 32, 32), T(11), kAnySpace, DXGI_FORMAT_R32G32B32_SINT},
    {packedPixelType("rgba", 16, 16, 16, 16), T(12), kAnySpace, DXGI_FORMAT_R16G16B16A16_FLOAT},
    {packedPixelType("rgba", 16, 16, 16, 16), T(4), kAnySpace, DXGI_FORMAT_R16G16B16A16_UNORM},
    {packedPixelType("rgba", 16, 16, 16, 16), T(6), kAnySpace, DXGI_FORMAT_R16G16B16A16_UINT},
    {packedPixelType("rgba", 16, 16, 16, 16), T(5), kAnySpace, DXGI_FORMAT_R16G16B16A16_SNORM},
    {packedPixelType("rgba", 16, 16, 16, 16), T(7), kAnySpace, DXGI_FORMAT_R16G16B16A16_SINT},
    {packedPixelType("rg", 32, 32), T(12), kAnySpace, DXGI_FORMAT_R32G32_FLOAT},
    {packedPixelType("rg", 32, 32), T(10), kAnySpace, DXGI_FORMAT_R32G32_UINT},
    {packedPixelType("rg", 32, 32), T(11), kAnySpace, DXGI_FORMAT_R32G32_SINT},
    {packedPixelType("rgba", 10, 10, 10, 2), T(8), kAnySpace, DXGI_FORMAT_R10G10B10A2_UNORM},
    {packedPixelType("rgba", 10, 10, 10, 2), T(10), kAnySpace, DXGI_FORMAT_R10G10B10A2_UINT},
    {packedPixelType("rgb", 11, 11, 10), T(12), kAnySpace, DXGI_FORMAT_R11G11B10_FLOAT},
    {packedPixelType("rgba", 8, 8, 8, 8), T(0), kLinearOnly, DXGI_FORMAT_R8G8B8A8_UNORM},
    {packedPixelType("rgba", 8, 8, 8, 8), T(0), kSRGBOnly, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB},
    {packedPixelType("rgba", 8, 8, 8, 8), T(2), kAnySpace, DXGI_FORMAT_R8G8B8A8_UINT},
    {packedPixelType("rgba", 8, 8, 8, 8), T(1), kAnySpace, DXGI_FORMAT_R8G8B8A8_SNORM},
    {packedPixelType("rgba", 8, 8, 8, 8), T(3), kAnySpace, DXGI_FORMAT_R8G8B8A8_SINT},
    {packedPixelType("rg", 16, 16), T(12), kAnySpace, DXGI_FORMAT_R16G16_FLOAT},
    {packedPixelType("rg", 16, 16), T(4), kAnySpace, DXGI_FORMAT_R16G16_UNORM},
    {packedPixelType("rg", 16, 16), T(6), kAnySpace, DXGI_FORMAT_R16G16_UINT},
    {packedPixelType("rg", 16, 16), T(5), kAnySpace, DXGI_FORMAT_R16G16_SNORM},
    {packedPixelType("rg", 16, 16), T(7), kAnySpace, DXGI_FORMAT_R16G16_SINT},
    {packedPixelType("r", 32), T(12), kAnySpace, DXGI_FORMAT_R32_FLOAT},
    {packedPixelType("r", 32), T(10), kAnySpace, DXGI_FORMAT_R32_UINT},
    {packedPixelType("r", 32), T(11), kAnySpace, DXGI_FORMAT_R32_SINT},
    {packedPixelType("rg", 8, 8), T(0), kAnySpace, DXGI_FORMAT_R8G8_UNORM},
    {packedPixelType("rg", 8, 8), T(2), kAnySpace, DXGI_FORMAT_R8G8_UINT},
    {packedPixelType("rg", 8, 8), T(1), kAnySpace, DXGI_FORMAT_R8G8_SNORM},
    {packedPixelType("rg", 8, 8), T(3), kAnySpace, DXGI_FORMAT_R8G8_SINT},
    {packedPixelType("r", 16), T(12), kAnySpace, DXGI_FORMAT_R16_FLOAT},
    {packedPixelType("r", 16), T(4), kAnySpace, DXGI_FORMAT_R16_UNORM},
    {packedPixelType("r", 16), T(6), kAnySpace, DXGI_FORMAT_R16_UINT},
    {packedPixelType("r", 16), T(5), kAnySpace, DXGI_FORMAT_R16_SNORM},
    {packedPixelType("r", 16), T(7), kAnySpace, DXGI_FORMAT_R16_SINT},
    {packedPixelType("r", 8), T(0), kAnySpace, DXGI_FORMAT_R8_UNORM},
    {packedPixelType("r", 8), T(2), kAnySpace, DXGI_FORMAT_R8_UINT},
    {packedPixelType("r", 8), T(1), kAnySpace, DXGI_FORMAT_R8_SNORM},
    {packedPixelType("r", 8), T(3), kAnySpace, DXGI_FORMAT_R8_SINT},
    {packedPixelType("a", 8), T(0), kAnySpace, DXGI_FORMAT_A8_UNORM},
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
    {packedPixelType("rgb", 5, 6, 5), T(4), kAnySpace, DXGI_FORMAT_B5G6R5_UNORM},
    {packedPixelType("argb", 1, 5, 5, 5), T(4), kAnySpace, DXGI_FORMAT_B5G5R5A1_UNORM},
    {packedPixelType("bgra", 8, 8, 8, 8), T(0), kLinearOnly, DXGI_FORMAT_B8G8R8A8_UNORM},
    {packedPixelType("bgra", 8, 8, 8, 8), T(0), kSRGBOnly, DXGI_FORMAT_B8G8R8A8_UNORM_SRGB},
    {packedPixelType("bgrx", 8, 8, 8, 8), T(0), kLinearOnly, DXGI_FORMAT_B8G8R8X8_UNORM},
    {packedPixelType("bgrx", 8, 8, 8, 8), T(0), kSRGBOnly, DXGI_FORMAT_B8G8R8X8_UNORM_SRGB},
    {packedPixelType("argb", 4, 4, 4, 4), T(4), kAnySpace, DXGI_FORMAT_B4G4R4A4_UNORM},
};

struct DXGIReverse {
    uint32_t code;
    uint64_t pixelType;
    EQelTVariableType channelType;
    EQelTColourSpace colourSpace;
};

constexpr EQelTColourSpace LIN = eCS_LinearRGB, SRGB = eCS_sRGB;

const DXGIReverse kDXGIReverse[] = {
    {DXGI_FORMAT_R32G32B32A32_FLOAT, packedPixelType("rgba", 32, 32, 32, 32), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R32G32B32A32_UINT, packedPixelType("rgba", 32, 32, 32, 32), eVT_UnsignedInteger, LIN},
    {DXGI_FORMAT_R32G32B32A32_SINT, packedPixelType("rgba", 32, 32, 32, 32), eVT_SignedInteger, LIN},
    {DXGI_FORMAT_R32G32B32_FLOAT, packedPixelType("rgb", 32, 32, 32), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R32G32B32_UINT, packedPixelType("rgb", 32, 32, 32), eVT_UnsignedInteger, LIN},
    {DXGI_FORMAT_R32G32B32_SINT, packedPixelType("rgb", 32, 32, 32), eVT_SignedInteger, LIN},
    {DXGI_FORMAT_R16G16B16A16_FLOAT, packedPixelType("rgba", 16, 16, 16, 16), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R16G16B16A16_UNORM, packedPixelType("rgba", 16, 16, 16, 16), eVT_UnsignedShortNorm, LIN},
    {DXGI_FORMAT_R16G16B16A16_UINT, packedPixelType("rgba", 16, 16, 16, 16), eVT_UnsignedShort, LIN},
    {DXGI_FORMAT_R16G16B16A16_SNORM, packedPixelType("rgba", 16, 16, 16, 16), eVT_SignedShortNorm, LIN},
    {DXGI_FORMAT_R16G16B16A16_SINT, packedPixelType("rgba", 16, 16, 16, 16), eVT_SignedShort, LIN},
    {DXGI_FORMAT_R32G32_FLOAT, packedPixelType("rg", 32, 32), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R32G32_UINT, packedPixelType("rg", 32, 32), eVT_UnsignedInteger, LIN},
    {DXGI_FORMAT_R32G32_SINT, packedPixelType("rg", 32, 32), eVT_SignedInteger, LIN},
    {DXGI_FORMAT_R10G10B10A2_UNORM, packedPixelType("rgba", 10, 10, 10, 2), eVT_UnsignedIntegerNorm, LIN},
    {DXGI_FORMAT_R10G10B10A2_UINT, packedPixelType("rgba", 10, 10, 10, 2), eVT_UnsignedInteger, LIN},
    {DXGI_FORMAT_R11G11B10_FLOAT, packedPixelType("rgb", 11, 11, 10), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R8G8B8A8_UNORM, packedPixelType("rgba", 8, 8, 8, 8), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, packedPixelType("rgba", 8, 8, 8, 8), eVT_UnsignedByteNorm, SRGB},
    {DXGI_FORMAT_R8G8B8A8_UINT, packedPixelType("rgba", 8, 8, 8, 8), eVT_UnsignedByte, LIN},
    {DXGI_FORMAT_R8G8B8A8_SNORM, packedPixelType("rgba", 8, 8, 8, 8), eVT_SignedByteNorm, LIN},
    {DXGI_FORMAT_R8G8B8A8_SINT, packedPixelType("rgba", 8, 8, 8, 8), eVT_SignedByte, LIN},
    {DXGI_FORMAT_R16G16_FLOAT, packedPixelType("rg", 16, 16), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R16G16_UNORM, packedPixelType("rg", 16, 16), eVT_UnsignedShortNorm, LIN},
    {DXGI_FORMAT_R16G16_UINT, packedPixelType("rg", 16, 16), eVT_UnsignedShort, LIN},
    {DXGI_FORMAT_R16G16_SNORM, packedPixelType("rg", 16, 16), eVT_SignedShortNorm, LIN},
    {DXGI_FORMAT_R16G16_SINT, packedPixelType("rg", 16, 16), eVT_SignedShort, LIN},
    {DXGI_FORMAT_R32_FLOAT, packedPixelType("r", 32), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R32_UINT, packedPixelType("r", 32), eVT_UnsignedInteger, LIN},
    {DXGI_FORMAT_R32_SINT, packedPixelType("r", 32), eVT_SignedInteger, LIN},
    {DXGI_FORMAT_R8G8_UNORM, packedPixelType("rg", 8, 8), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_R8G8_UINT, packedPixelType("rg", 8, 8), eVT_UnsignedByte, LIN},
    {DXGI_FORMAT_R8G8_SNORM, packedPixelType("rg", 8, 8), eVT_SignedByteNorm, LIN},
    {DXGI_FORMAT_R8G8_SINT, packedPixelType("rg", 8, 8), eVT_SignedByte, LIN},
    {DXGI_FORMAT_R16_FLOAT, packedPixelType("r", 16), eVT_SignedFloat, LIN},
    {DXGI_FORMAT_R16_UNORM, packedPixelType("r", 16), eVT_UnsignedShortNorm, LIN},
    {DXGI_FORMAT_R16_UINT, packedPixelType("r", 16), eVT_UnsignedShort, LIN},
    {DXGI_FORMAT_R16_SNORM, packedPixelType("r", 16), eVT_SignedShortNorm, LIN},
    {DXGI_FORMAT_R16_SINT, packedPixelType("r", 16), eVT_SignedShort, LIN},
    {DXGI_FORMAT_R8_UNORM, packedPixelType("r", 8), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_R8_UINT, packedPixelType("r", 8), eVT_UnsignedByte, LIN},
    {DXGI_FORMAT_R8_SNORM, packedPixelType("r", 8), eVT_SignedByteNorm, LIN},
    {DXGI_FORMAT_R8_SINT, packedPixelType("r", 8), eVT_SignedByte, LIN},
    // Written from a lone alpha channel but read back as red.
    {DXGI_FORMAT_A8_UNORM, packedPixelType("r", 8), eVT_UnsignedByteNorm, LIN},
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
    {DXGI_FORMAT_B5G6R5_UNORM, packedPixelType("rgb", 5, 6, 5), eVT_UnsignedShortNorm, LIN},
    {DXGI_FORMAT_B5G5R5A1_UNORM, packedPixelType("argb", 1, 5, 5, 5), eVT_UnsignedShortNorm, LIN},
    {DXGI_FORMAT_B8G8R8A8_UNORM, packedPixelType("bgra", 8, 8, 8, 8), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_B8G8R8X8_UNORM, packedPixelType("bgrx", 8, 8, 8, 8), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_B8G8R8A8_UNORM_SRGB, packedPixelType("bgra", 8, 8, 8, 8), eVT_UnsignedByteNorm, SRGB},
    {DXGI_FORMAT_B8G8R8X8_UNORM_SRGB, packedPixelType("bgrx", 8, 8, 8, 8), eVT_UnsignedByteNorm, SRGB},
    {DXGI_FORMAT_BC6H_SF16, ePF_BC6, eVT_SignedFloat, LIN},
    {DXGI_FORMAT_BC7_UNORM, ePF_BC7, eVT_UnsignedIntegerNorm, LIN},
    {DXGI_FORMAT_BC7_UNORM_SRGB, ePF_BC7, eVT_UnsignedIntegerNorm, SRGB},
    {DXGI_FORMAT_YUY2, ePF_YUY2, eVT_UnsignedIntegerNorm, LIN},
    {DXGI_FORMAT_AI44, packedPixelType("ai", 4, 4), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_IA44, packedPixelType("ia", 4, 4), eVT_UnsignedByteNorm, LIN},
    {DXGI_FORMAT_B4G4R4A4_UNORM, packedPixelType("argb", 4, 4, 4, 4), eVT_UnsignedShortNorm, LIN},
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
