// Fuzzes the version 1/2 header converter and the legacy path of the native loader. A
// header is either refused or converted into a shape the size model bounds; a converted
// texture whose format has a legacy code writes as a version 2 file that converts back to
// the same shape and data.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "LegacyHeaders.h"
#include "NativeFuzzChecks.h"

namespace {

using namespace qeltexture;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "legacy fuzz check failed: %s\n", what);
        std::abort();
    }
}

// The GL-style codes write intensity formats with the luminance codes, which read back
// as luminance: compare with 'i' channels read as 'l'.
uint64_t intensityAsLuminance(PixelType type) {
    uint64_t id = type.PixelTypeID;
    if (type.isCompressedOrSpecial()) return id;
    for (unsigned i = 0; i < 4; ++i)
        if (type.channelName(i) == 'i') id = (id & ~(uint64_t(0xFF) << (8 * i))) | uint64_t('l') << (8 * i);
    return id;
}

bool sameRecord(const QelTextureHeaderV3& a, const QelTextureHeaderV3& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Builds the texture the bytes after the header describe, in legacy order (member, face,
// level), or leaves it empty when they fall short.
CQelTexture fillLegacy(const CQelTextureHeader& header, const uint8_t* data, size_t size) {
    CQelTexture texture(header);
    size_t at = 0;
    for (uint32_t m = 0; m < texture.getNumArrayMembers(); ++m)
        for (uint32_t f = 0; f < texture.getNumFaces(); ++f)
            for (uint32_t l = 0; l < texture.getNumMIPLevels(); ++l) {
                const uint32_t n = texture.getDataSize(int32_t(l), false, false);
                uint8_t* p = texture.getDataPtr(l, m, f);
                if (!p || size - at < n) return CQelTexture();
                std::memcpy(p, data + at, n);
                at += n;
            }
    return texture;
}

void checkLegacyRoundTrip(const CQelTexture& texture, ELegacyApi api) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&buffer, &size);
    if (!stream) return;
    const bool saved = texture.privateSaveLegacyQELFile(stream, api);
    std::fclose(stream);
    if (saved) {
        require(size == 52 + uint64_t(texture.getDataSize()), "written length");
        CQelTextureHeader back;
        uint32_t headerSize = 0;
        require(ConvertLegacyHeader(reinterpret_cast<const uint8_t*>(buffer), size, back, headerSize),
                "written header refused");
        require(headerSize == 52, "written header size");
        require(intensityAsLuminance(back.getPixelType()) == intensityAsLuminance(texture.getPixelType()),
                "format changed");
        require(back.getChannelType() == texture.getChannelType(), "channel type changed");
        require(back.getWidth() == texture.getWidth() && back.getHeight() == texture.getHeight(), "size changed");
        require(back.getNumMIPLevels() == texture.getNumMIPLevels(), "levels changed");
        require(back.getNumFaces() == texture.getNumFaces(), "faces changed");
        require(back.getNumArrayMembers() == texture.getNumArrayMembers(), "members changed");
        require(back.isBumpMap() == texture.isBumpMap(), "bump map changed");
        const CQelTexture reread = fillLegacy(back, reinterpret_cast<const uint8_t*>(buffer) + 52, size - 52);
        require(reread.getDataSize() == texture.getDataSize(), "reread length");
        require(std::memcmp(reread.getDataPtr(), texture.getDataPtr(), texture.getDataSize()) == 0,
                "data order changed");
    }
    std::free(buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Both converter forms must agree.
    QelTextureHeaderV3 record;
    MetaDataMap map;
    uint32_t rawSize = 0;
    const bool rawOk = ConvertLegacyHeader(data, size, record, map, rawSize);
    CQelTextureHeader header;
    uint32_t headerSize = 0;
    const bool ok = ConvertLegacyHeader(data, size, header, headerSize);
    require(ok == rawOk, "forms disagree");
    if (ok) {
        require(headerSize == rawSize && (headerSize == 44 || headerSize == 52), "header size");
        require(sameRecord(record, header.getFileHeader()), "records differ");
        require(header.isWithinSizeModel() && header.getNumMIPLevels() >= 1, "shape outside the model");
        require(header.getDepth() == 1, "depth");
        require(header.getNumFaces() == 1 || header.getNumFaces() == 6, "faces");
        require(header.getMetaDataSize() <= 35, "metadata beyond the two flag blocks");

        // Textures small enough to build: fill from the bytes and write them back.
        if (header.getDataSize() != 0 && header.getDataSize() <= fuzzcheck::kMaxClaimedData) {
            const CQelTexture texture = fillLegacy(header, data + headerSize, size - headerSize);
            if (texture.getDataSize() != 0)
                for (uint32_t api = 0; api <= 8; ++api) checkLegacyRoundTrip(texture, ELegacyApi(api));
        }
    }

    // The native loader on the same bytes (legacy files included).
    fuzzcheck::CQelTexture loaded(static_cast<const void*>(data), size);
    fuzzcheck::checkTexture(loaded);
    fuzzcheck::checkRoundTrip(loaded);
    return 0;
}
