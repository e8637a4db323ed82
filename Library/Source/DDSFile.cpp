// DDS container: "DDS ", a 124-byte header with a 32-byte pixel-format record, an optional
// 20-byte DX10 extension header, then the surfaces (member, face, MIP level innermost).
#include <cstring>
#include <utility>

#include "FormatTablesD3D.h"
#include "FileBytes.h"
#include "Texture.h"

namespace qeltexture {

namespace {

constexpr uint32_t kMagic = qelFourCC('D', 'D', 'S', ' ');
constexpr uint32_t kHeaderSize = 124;
constexpr uint32_t kFileHeaderBytes = 4 + kHeaderSize;  // magic + header
constexpr uint32_t kDX10Bytes = 20;

// Header flags.
constexpr uint32_t DDSD_CAPS_HEIGHT_WIDTH_PF = 0x1007;  // caps, height, width, pixel format
constexpr uint32_t DDSD_PITCH = 0x8;
constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDSD_LINEARSIZE = 0x80000;
constexpr uint32_t DDSD_DEPTH = 0x800000;
// Pixel-format flags.
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_ALPHA = 0x2;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDPF_BUMPLUMINANCE = 0x40000;
constexpr uint32_t DDPF_BUMPDUDV = 0x80000;
// Caps.
constexpr uint32_t DDSCAPS_COMPLEX = 0x8;
constexpr uint32_t DDSCAPS_TEXTURE = 0x1000;
constexpr uint32_t DDSCAPS_MIPMAP_COMPLEX_TEXTURE = 0x401008;
constexpr uint32_t DDSCAPS2_CUBEMAP_ALLFACES = 0xFE00;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;
// DX10 header.
constexpr uint32_t kDimension1D = 2, kDimension2D = 3, kDimension3D = 4;
constexpr uint32_t kMiscCube = 0x4;


struct PixelFormatRecord {
    uint32_t flags, fourCC, bits, r, g, b, a;
};

// The Direct3D code of a header without the DX10 extension; 0 when none fits.
uint32_t legacyD3DCode(const PixelFormatRecord& pf) {
    const bool alpha = (pf.flags & DDPF_ALPHAPIXELS) != 0;
    auto rgb = [&](uint32_t r, uint32_t g, uint32_t b) { return pf.r == r && pf.g == g && pf.b == b; };
    if (pf.flags & DDPF_FOURCC) return pf.fourCC;
    if (pf.flags & DDPF_RGB) {
        switch (pf.bits) {
            case 8:
                if (rgb(0xE0, 0x1C, 0x03)) return D3DFMT_R3G3B2;
                break;
            case 16:
                if (!alpha && rgb(0x7C00, 0x3E0, 0x1F)) return D3DFMT_X1R5G5B5;
                if (!alpha && rgb(0xF800, 0x7E0, 0x1F)) return D3DFMT_R5G6B5;
                if (alpha && rgb(0x7C00, 0x3E0, 0x1F) && pf.a == 0x8000) return D3DFMT_A1R5G5B5;
                if (alpha && rgb(0xE0, 0x1C, 0x03) && pf.a == 0xFF00) return D3DFMT_A8R3G3B2;
                if (alpha && rgb(0xF00, 0xF0, 0xF) && pf.a == 0xF000) return D3DFMT_A4R4G4B4;
                break;
            case 24:
                if (rgb(0xFF0000, 0xFF00, 0xFF)) return D3DFMT_R8G8B8;
                break;
            case 32:
                if (!alpha && pf.r == 0xFFFF && pf.g == 0xFFFF0000) return D3DFMT_G16R16;
                if (alpha && rgb(0xFF0000, 0xFF00, 0xFF) && pf.a == 0xFF000000) return D3DFMT_A8R8G8B8;
                if (alpha && rgb(0x3FF00000, 0xFFC00, 0x3FF) && pf.a == 0xC0000000)
                    return D3DFMT_A2B10G10R10;
                if (alpha && rgb(0x3FF, 0xFFC00, 0x3FF00000) && pf.a == 0xC0000000)
                    return D3DFMT_A2R10G10B10;
                break;
        }
        return 0;
    }
    if (pf.flags & DDPF_BUMPLUMINANCE) {
        if (pf.bits == 16 && rgb(0x1F, 0x3E0, 0xFC00)) return D3DFMT_L6V5U5;
        if (pf.bits == 32 && rgb(0xFF, 0xFF00, 0xFF0000)) return D3DFMT_X8L8V8U8;
        return 0;
    }
    if (pf.flags & DDPF_BUMPDUDV) {
        if (pf.bits == 16 && pf.r == 0xFF && pf.g == 0xFF00) return D3DFMT_V8U8;
        if (pf.bits == 32) {
            if (pf.a == 0xC0000000 && rgb(0x3FF00000, 0xFFC00, 0x3FF)) return D3DFMT_A2W10V10U10;
            if (pf.a == 0xFF000000 && rgb(0xFF, 0xFF00, 0xFF0000)) return D3DFMT_Q8W8V8U8;
            if (pf.r == 0xFFFF && pf.g == 0xFFFF0000) return D3DFMT_V16U16;
        }
        return 0;
    }
    if (pf.flags & DDPF_LUMINANCE) {
        if (pf.bits == 8 && pf.r == 0xFF) return D3DFMT_L8;
        if (pf.bits == 8 && alpha && pf.r == 0xF && pf.a == 0xF0) return D3DFMT_A4L4;
        if (pf.bits == 16 && alpha && pf.r == 0xFF && pf.a == 0xFF00) return D3DFMT_A8L8;
        if (pf.bits == 16 && pf.r == 0xFFFF) return D3DFMT_L16;
        return 0;
    }
    if ((pf.flags & DDPF_ALPHA) && pf.bits == 8 && pf.a == 0xFF) return D3DFMT_A8;
    return 0;
}

// Pixel-format records of the formats written with bit masks.
struct MaskRow {
    uint32_t code, flags, r, g, b, a;
};
const MaskRow kMaskRows[] = {
    {D3DFMT_R8G8B8, 0x40, 0xFF0000, 0xFF00, 0xFF, 0},
    {D3DFMT_A8R8G8B8, 0x41, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {D3DFMT_R5G6B5, 0x40, 0xF800, 0x7E0, 0x1F, 0},
    {D3DFMT_X1R5G5B5, 0x40, 0x7C00, 0x3E0, 0x1F, 0},
    {D3DFMT_A1R5G5B5, 0x41, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {D3DFMT_A4R4G4B4, 0x41, 0xF00, 0xF0, 0xF, 0xF000},
    {D3DFMT_R3G3B2, 0x40, 0xE0, 0x1C, 0x3, 0},
    {D3DFMT_A8, 0x2, 0, 0, 0, 0xFF},
    {D3DFMT_A8R3G3B2, 0x41, 0xE0, 0x1C, 0x3, 0xFF00},
    {D3DFMT_A2B10G10R10, 0x41, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {D3DFMT_G16R16, 0x40, 0xFFFF, 0xFFFF0000, 0, 0},
    {D3DFMT_A2R10G10B10, 0x41, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {D3DFMT_L8, 0x20000, 0xFF, 0, 0, 0},
    {D3DFMT_A8L8, 0x20001, 0xFF, 0, 0, 0xFF00},
    {D3DFMT_A4L4, 0x20001, 0xF, 0, 0, 0xF0},
    {D3DFMT_V8U8, 0x80000, 0xFF, 0xFF00, 0, 0},
    {D3DFMT_L6V5U5, 0x40000, 0x1F, 0x3E0, 0xFC00, 0},
    {D3DFMT_X8L8V8U8, 0x40000, 0xFF, 0xFF00, 0xFF0000, 0},
    {D3DFMT_Q8W8V8U8, 0x80000, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {D3DFMT_V16U16, 0x80000, 0xFFFF, 0xFFFF0000, 0, 0},
    {D3DFMT_A2W10V10U10, 0x80001, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {D3DFMT_L16, 0x20000, 0xFFFF, 0, 0, 0},
};

// Codes written in the FourCC field without masks.
bool isFourCCWritten(uint32_t code) {
    switch (code) {
        case D3DFMT_DXT1: case D3DFMT_DXT2: case D3DFMT_DXT3: case D3DFMT_DXT4: case D3DFMT_DXT5:
        case D3DFMT_QTC2: case D3DFMT_QTC4: case D3DFMT_YUY2: case D3DFMT_UYVY:
        case D3DFMT_A16B16G16R16: case D3DFMT_R16F: case D3DFMT_G16R16F:
        case D3DFMT_A16B16G16R16F: case D3DFMT_R32F: case D3DFMT_G32R32F: case D3DFMT_A32B32G32R32F:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool CQelTexture::privateLoadDDSFile(FILE* stream) {
    BoundedReader in;
    uint8_t raw[kFileHeaderBytes];
    if (!in.open(stream) || in.size() < kFileHeaderBytes || !in.read(raw, kFileHeaderBytes)) return false;
    if (readLE32(raw) != kMagic || readLE32(raw + 4) != kHeaderSize) return false;

    const uint8_t* h = raw + 4;  // the header proper, offsets as in the file minus 4
    const uint32_t flags = readLE32(h + 4);
    CQelTextureHeader header;
    header.setHeight(readLE32(h + 8));
    header.setWidth(readLE32(h + 12));
    header.setDepth(flags & DDSD_DEPTH ? readLE32(h + 20) : 1);
    header.setNumMIPLevels(flags & DDSD_MIPMAPCOUNT ? readLE32(h + 24) : 1);
    const uint32_t caps2 = readLE32(h + 108);
    header.setNumFaces(caps2 & DDSCAPS2_CUBEMAP_ALLFACES ? 6 : 1);
    const PixelFormatRecord pf = {readLE32(h + 76), readLE32(h + 80), readLE32(h + 84), readLE32(h + 88),
                                  readLE32(h + 92), readLE32(h + 96), readLE32(h + 100)};

    // Refusals after the dimensions are known keep them, as a texture without a format
    // (data size 0), when the shape itself is one the library can hold.
    auto failWithHeader = [&]() {
        *this = CQelTexture();
        if (header.isWithinSizeModel()) CQelTextureHeader::operator=(header);
        return false;
    };

    if ((pf.flags & DDPF_FOURCC) && pf.fourCC == D3DFMT_DX10) {
        uint8_t ext[kDX10Bytes];
        if (!in.read(ext, kDX10Bytes)) return failWithHeader();
        switch (readLE32(ext + 4)) {
            case kDimension3D: break;
            case kDimension2D: header.setDepth(1); break;
            case kDimension1D: header.setHeight(1); header.setDepth(1); break;
            default: return failWithHeader();
        }
        if (readLE32(ext + 8) & kMiscCube) header.setNumFaces(6);
        const uint32_t arraySize = readLE32(ext + 12);
        header.setNumArrayMembers(arraySize ? arraySize : 1);
        // An unknown DXGI code leaves format 27: nothing to read, and the load succeeds.
        header.setDXGIFormat(readLE32(ext));
    } else if (!header.setD3DFormat(legacyD3DCode(pf))) {
        return failWithHeader();
    }

    // Shapes outside the size model and pixel data longer than the file are refused before
    // anything is allocated; the texture is left as it was.
    const uint32_t dataSize = header.getDataSize(-1, true, true);
    if (!header.isWithinSizeModel() || dataSize > in.remaining()) return false;

    CQelTexture loaded(header, nullptr);
    uint64_t bytesRead = 0;
    bool ok = true;
    for (uint32_t m = 0; ok && dataSize && m < header.getNumArrayMembers(); ++m) {
        for (uint32_t f = 0; ok && f < header.getNumFaces(); ++f) {
            for (uint32_t L = 0; ok && L < header.getNumMIPLevels(); ++L) {
                const uint32_t faceBytes = header.getDataSize(int32_t(L), false, false);
                uint8_t* dst = loaded.getDataPtr(L, m, f);
                ok = faceBytes == 0 || (dst && in.read(dst, faceBytes));
                if (ok) bytesRead += faceBytes;
            }
        }
    }
    *this = std::move(loaded);
    return ok && bytesRead == dataSize;
}

bool CQelTexture::privateSaveDDSFile(FILE* stream) const {
    if (!stream) return false;

    uint32_t pfFlags = 0, fourCC = 0, bitCount = 0, masks[4] = {0, 0, 0, 0};
    bool dx10 = getNumArrayMembers() > 1;
    if (!dx10) {
        const uint32_t code = getD3DFormat();
        const MaskRow* row = nullptr;
        for (const MaskRow& r : kMaskRows)
            if (r.code == code) row = &r;
        if (row) {
            // Mask formats carry "DX10" in the FourCC field without the FourCC flag.
            pfFlags = row->flags;
            fourCC = D3DFMT_DX10;
            bitCount = getBitsPerPixel();
            masks[0] = row->r;
            masks[1] = row->g;
            masks[2] = row->b;
            masks[3] = row->a;
        } else if (isFourCCWritten(code)) {
            pfFlags = DDPF_FOURCC;
            fourCC = code;
        } else {
            dx10 = true;
        }
    }
    if (dx10) {
        pfFlags = DDPF_FOURCC;
        fourCC = D3DFMT_DX10;
    }

    const QelTextureHeaderV3& r = m_header;
    const bool mipMapped = r.u32MIPMapCount > 1;
    const bool cube = r.u32NumFaces == 6;
    const bool compressed = (r.u64PixelFormat >> 32) == 0;
    uint32_t flags = DDSD_CAPS_HEIGHT_WIDTH_PF | (mipMapped ? DDSD_MIPMAPCOUNT : 0) |
                     (r.u32Depth > 1 ? DDSD_DEPTH : 0) | (compressed ? DDSD_LINEARSIZE : DDSD_PITCH);
    const uint32_t pitchOrLinearSize =
        compressed ? getDataSize(-1, true, true)
                   : uint32_t((uint64_t(r.u32Width) * getBitsPerPixel() + 7) / 8);

    uint8_t out[kFileHeaderBytes + kDX10Bytes] = {};
    uint8_t* h = out + 4;
    writeLE32(out, kMagic);
    writeLE32(h + 0, kHeaderSize);
    writeLE32(h + 4, flags);
    writeLE32(h + 8, r.u32Height);
    writeLE32(h + 12, r.u32Width);
    writeLE32(h + 16, pitchOrLinearSize);
    writeLE32(h + 20, r.u32Depth);
    writeLE32(h + 24, r.u32MIPMapCount);
    writeLE32(h + 72, 32);
    writeLE32(h + 76, pfFlags);
    writeLE32(h + 80, fourCC);
    writeLE32(h + 84, bitCount);
    for (int i = 0; i < 4; ++i) writeLE32(h + 88 + 4 * i, masks[i]);
    writeLE32(h + 104, mipMapped ? DDSCAPS_MIPMAP_COMPLEX_TEXTURE
                               : DDSCAPS_TEXTURE | (cube ? DDSCAPS_COMPLEX : 0));
    writeLE32(h + 108, (cube ? DDSCAPS2_CUBEMAP_ALLFACES : 0) | (r.u32Depth > 1 ? DDSCAPS2_VOLUME : 0));
    size_t headerBytes = kFileHeaderBytes;
    if (dx10) {
        uint8_t* e = out + kFileHeaderBytes;
        writeLE32(e + 0, getDXGIFormat());
        writeLE32(e + 4, r.u32Depth > 1 ? kDimension3D : r.u32Height > 1 ? kDimension2D : kDimension1D);
        writeLE32(e + 8, cube ? kMiscCube : 0);
        writeLE32(e + 12, r.u32NumSurfaces);
        headerBytes += kDX10Bytes;
    }
    const bool headerOk = std::fwrite(out, 1, headerBytes, stream) == headerBytes;

    const uint32_t dataSize = getDataSize(-1, true, true);
    uint64_t written = 0;
    bool ok = headerOk;
    for (uint32_t m = 0; ok && dataSize && m < getNumArrayMembers(); ++m) {
        for (uint32_t f = 0; ok && f < getNumFaces(); ++f) {
            for (uint32_t L = 0; ok && L < getNumMIPLevels(); ++L) {
                const uint32_t faceBytes = getDataSize(int32_t(L), false, false);
                const uint8_t* src = getDataPtr(L, m, f);
                ok = faceBytes == 0 || (src && std::fwrite(src, 1, faceBytes, stream) == faceBytes);
                if (ok) written += faceBytes;
            }
        }
    }
    return ok && written == dataSize;
}

}  // namespace qeltexture
