#include "LevelTranscode.h"

#include <cstring>
#include <string>
#include <vector>

namespace qeltex_cli {

using namespace qeltexture;

bool transcodeByLevel(CQelTexture& tex, PixelType format, EQelTVariableType channelType, EQelTColourSpace colourSpace,
                      ECompressorQuality quality, bool dither, uint32_t threads, Progress& progress) {
    const uint32_t levels = tex.getNumMIPLevels();
    if (levels <= 1) {
        progress.stage("encoding");
        return Transcode(tex, format, channelType, colourSpace, quality, dither, threads);
    }
    std::vector<CQelTexture> encoded;
    encoded.reserve(levels);
    for (uint32_t L = 0; L < levels; ++L) {
        progress.stage("encoding MIP level " + std::to_string(L + 1) + " of " + std::to_string(levels));
        // One level of every member and face lies contiguously in the data block, in the
        // same member/face order a one-level texture uses.
        CQelTextureHeader header = tex.getHeader();
        header.setWidth(tex.getWidth(L));
        header.setHeight(tex.getHeight(L));
        header.setDepth(tex.getDepth(L));
        header.setNumMIPLevels(1);
        const uint8_t* source = tex.getDataPtr(L, 0, 0);
        if (!source) return false;
        encoded.emplace_back(header, source);
        if (!Transcode(encoded.back(), format, channelType, colourSpace, quality, dither, threads)) return false;
    }
    CQelTextureHeader header = encoded[0].getHeader();
    header.setNumMIPLevels(levels);
    CQelTexture result(header);
    for (uint32_t L = 0; L < levels; ++L) {
        uint8_t* target = result.getDataPtr(L, 0, 0);
        uint32_t bytes = encoded[L].getDataSize(-1, true, true);
        if (!target || bytes != result.getDataSize(int32_t(L), true, true)) return false;
        std::memcpy(target, encoded[L].getDataPtr(0, 0, 0), bytes);
    }
    tex = std::move(result);
    return true;
}

}  // namespace qeltex_cli
