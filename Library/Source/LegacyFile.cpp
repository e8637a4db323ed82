// Writing a texture as a version 2 native file for a chosen legacy API.
#include <cstdio>

#include "LegacyHeaders.h"
#include "Texture.h"

namespace qeltexture {

namespace {
bool writeLE32(FILE* stream, uint32_t v) {
    const uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    return fwrite(bytes, 1, 4, stream) == 4;
}
}  // namespace

bool CQelTexture::privateSaveLegacyQELFile(FILE* stream, ELegacyApi api) const {
    if (!stream || getDepth() > 1) return false;
    const Qel_Texture_Header header = ConvertTextureHeader3To2(getHeader(), api);
    if (header.u32Flags == QEL_LEGACY_NO_VALUE) return false;

    const uint32_t fields[13] = {header.u32HeaderSize, header.u32Height,   header.u32Width,
                                 header.u32MIPMapCount, header.u32Flags,   header.u32DataSize,
                                 header.u32BitsPerPixel, header.u32RedMask, header.u32GreenMask,
                                 header.u32BlueMask,   header.u32AlphaMask, header.u32Tag,
                                 header.u32NumSurfaces};
    bool ok = true;
    for (uint32_t field : fields) ok = writeLE32(stream, field) && ok;

    // Legacy order: member, then face, then MIP level innermost.
    for (uint32_t member = 0; ok && member < getNumArrayMembers(); ++member)
        for (uint32_t face = 0; ok && face < getNumFaces(); ++face)
            for (uint32_t mip = 0; ok && mip < getNumMIPLevels(); ++mip) {
                const uint32_t size = getDataSize(int32_t(mip), false, false);
                const uint8_t* piece = getDataPtr(mip, member, face);
                // A face the data block does not hold cannot be written.
                if (!piece || fwrite(piece, 1, size, stream) != size) ok = false;
            }
    return ok;
}

bool CQelTexture::saveFileLegacyQEL(const CQelTString& filePath, ELegacyApi api) const {
    FILE* stream = fopen(filePath.c_str(), "wb");
    if (!stream) return false;
    bool ok = privateSaveLegacyQELFile(stream, api);
    ok = (fclose(stream) == 0) && ok;
    if (!ok) remove(filePath.c_str());
    return ok;
}

}  // namespace qeltexture
