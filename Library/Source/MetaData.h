#pragma once
// Typed metadata blocks carried by a texture header, identified by (FourCC, key).
#include <cstdint>
#include <memory>

namespace qeltexture {

// FourCC of the library's own blocks: "QEL" then 3, the same value as the file version word.
constexpr uint32_t QEL_FOURCC = 0x034C4551u;

enum EQelTMetaDataKey : uint32_t {
    eMetaDataTextureAtlasCoords = 0,  // float array
    eMetaDataBumpData = 1,            // float scale, then 4 order characters
    eMetaDataCubeMapOrder = 2,        // up to 6 face letters
    eMetaDataTextureOrientation = 3,  // 3 bytes, one per axis
    eMetaDataBorderData = 4,          // three u32 widths
    eMetaDataPadding = 5              // alignment filler
};

enum EQelTAxis : uint32_t { eAxisX = 0, eAxisY = 1, eAxisZ = 2 };

enum EQelTOrientation : uint32_t {
    eOrientLeft = 1,
    eOrientRight = 0,
    eOrientUp = 2,
    eOrientDown = 0,
    eOrientOut = 4,
    eOrientIn = 0
};

struct MetaDataBlock {
    uint32_t DevFOURCC = 0;
    uint32_t u32Key = 0;
    uint32_t u32DataSize = 0;
    std::unique_ptr<uint8_t[]> Data;

    MetaDataBlock() = default;
    MetaDataBlock(const MetaDataBlock& other);
    MetaDataBlock& operator=(const MetaDataBlock& other);
    MetaDataBlock(MetaDataBlock&&) noexcept = default;
    MetaDataBlock& operator=(MetaDataBlock&&) noexcept = default;

    // Size of the block in a file: 12 header bytes plus the data.
    uint32_t SizeOfBlock() const { return 12 + u32DataSize; }

    // Reads a block from an unbounded cursor; the caller guarantees the bytes exist.
    bool ReadFromPtr(const unsigned char** cursor);
    // Bounded form for untrusted images: false (cursor unmoved) when the block
    // header or its data would run past `end`.
    bool ReadFromPtr(const unsigned char** cursor, const unsigned char* end);
};

}  // namespace qeltexture
