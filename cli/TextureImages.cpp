#include "TextureImages.h"

#include <cstdio>
#include <cstring>

#include "FormatNames.h"
#include "PngIO.h"
#include "Transcode.h"

namespace qeltex_cli {

using namespace qeltexture;

namespace {
bool hasPngSignature(const std::string& path) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    uint8_t head[8];
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bool ok = std::fread(head, 1, 8, f) == 8 && std::memcmp(head, kSignature, 8) == 0;
    std::fclose(f);
    return ok;
}
}  // namespace

bool loadInput(const std::string& path, const std::string& colourSpaceOverride, CQelTexture& tex,
               InputInfo& info, std::string& error) {
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
    } else {
        error = "cannot open input '" + path + "'";
        return false;
    }
    if (hasPngSignature(path)) {
        PngPixels png;
        if (!readPng(path, png, error)) return false;
        info.fromPng = true;
        info.pngBitDepth = png.bitDepth;
        info.pngIsColour = png.isColour;
        EQelTColourSpace space = (png.bitDepth == 8 && png.isColour) ? eCS_sRGB : eCS_LinearRGB;
        if (!colourSpaceOverride.empty() && !parseColourSpace(colourSpaceOverride, space)) {
            error = "unknown colour space '" + colourSpaceOverride + "' (use srgb or linear)";
            return false;
        }
        bool wide = png.bitDepth == 16;
        CQelTextureHeader header(wide ? QelStandard16PixelType.PixelTypeID : QelStandard8PixelType.PixelTypeID,
                                 png.height, png.width, 1, 1, 1, 1, space,
                                 wide ? eVT_UnsignedShortNorm : eVT_UnsignedByteNorm);
        tex = CQelTexture(header, png.data.data());
        if (tex.getDataBlockSize() != png.data.size()) {
            error = "image '" + path + "' is too large";
            return false;
        }
        return true;
    }
    tex = CQelTexture(path.c_str());
    if (tex.getDataBlockSize() == 0) {
        error = "'" + path + "' is neither a PNG nor a texture file this library can read";
        return false;
    }
    if (!colourSpaceOverride.empty()) {
        EQelTColourSpace space;
        if (!parseColourSpace(colourSpaceOverride, space)) {
            error = "unknown colour space '" + colourSpaceOverride + "' (use srgb or linear)";
            return false;
        }
        tex.setColourSpace(space);  // reinterprets the stored values; converts nothing
    }
    return true;
}

uint32_t pngDepthFor(const CQelTexture& tex) {
    PixelType t = tex.getPixelType();
    if (t.isCompressedOrSpecial()) return t.PixelTypeID == ePF_EAC_R11 || t.PixelTypeID == ePF_EAC_RG11 ? 16 : 8;
    for (unsigned i = 0; i < 4; ++i)
        if (t.channelBits(i) > 8) return 16;
    return 8;
}

bool decodeToRGBA(const CQelTexture& tex, uint32_t bitDepth, CQelTexture& out, std::string& error) {
    out = tex;
    bool wide = bitDepth == 16;
    if (!Transcode(out, wide ? QelStandard16PixelType : QelStandard8PixelType,
                   wide ? eVT_UnsignedShortNorm : eVT_UnsignedByteNorm, tex.getColourSpace(), ECompressorQuality(0),
                   false)) {
        error = "the library cannot decode " + pixelFormatName(tex.getPixelType()) + " textures";
        return false;
    }
    return true;
}

}  // namespace qeltex_cli
