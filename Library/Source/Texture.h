#pragma once
// CQelTexture: a header with its metadata plus one data block holding every MIP level,
// array member, face and depth slice (level outermost, then member, then face).
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "TextureHeader.h"

namespace qeltexture {

// Graphics API a legacy version 2 file is written for (LegacyHeaders.h).
enum ELegacyApi : uint32_t;

// Releases a texture data block (DataBlock.cpp): mapped blocks remember their mapping, the
// others came from calloc.
struct DataBlockDeleter {
    void* mapping = nullptr;
    size_t mappingSize = 0;
    void operator()(uint8_t* p) const;
};

class CQelTexture : public CQelTextureHeader {
public:
    // 1x1x1, no format, no data block.
    CQelTexture() = default;
    // Copies `data` (getDataSize(-1) bytes) when given; otherwise the block is zeroed so no
    // caller ever reads unset bytes. A header outside the size model gives the default
    // (empty) texture instead: its data size is 0, so no size computed for it can wrap.
    CQelTexture(const CQelTextureHeader& header, const void* data = nullptr);
    CQelTexture(const CQelTexture& other);
    CQelTexture& operator=(const CQelTexture& other);
    CQelTexture(CQelTexture&& other) noexcept;
    CQelTexture& operator=(CQelTexture&& other) noexcept;
    ~CQelTexture() = default;

    // Loads a file, choosing the loader by its extension (TextureFile.cpp).
    explicit CQelTexture(const char* filePath);
    // Reads a complete native file image; the caller guarantees its length.
    explicit CQelTexture(const void* fileInMemory);
    // Bounded form for untrusted images: refuses an image shorter than its header claims.
    CQelTexture(const void* fileInMemory, size_t byteCount);

    const CQelTextureHeader& getHeader() const { return *this; }

    // Start of one face of one member of one MIP level, or null when any index is out of
    // range or the block does not hold that face (after a header setter changed the shape).
    uint8_t* getDataPtr(uint32_t mip = 0, uint32_t arrayMember = 0, uint32_t face = 0) const;
    // Bytes held by the data block.
    uint32_t getDataBlockSize() const { return m_dataSize; }

    void addPaddingMetaData(uint32_t padding) { addPaddingMetaDataToHeader(padding); }

    // Writes the file, choosing the writer by the path's extension (TextureFile.cpp).
    bool saveFile(const CQelTString& filePath) const;

    // Single-format loaders and writers over open streams. Each container's code lives in
    // its own file (TextureFile.cpp, KTXFile.cpp, DDSFile.cpp, CHeaderFile.cpp).
    bool privateLoadQELFile(FILE* stream);
    bool privateLoadQELMemory(const uint8_t* image, size_t byteCount);
    bool privateSaveQELFile(FILE* stream) const;
    bool privateLoadKTXFile(FILE* stream);
    bool privateSaveKTXFile(FILE* stream) const;
    bool privateLoadDDSFile(FILE* stream);
    bool privateSaveDDSFile(FILE* stream) const;
    bool privateSaveCHeaderFile(FILE* stream, const CQelTString& arrayName) const;
    // Legacy version 2 writer (LegacyFile.cpp); no exported function reaches it.
    bool saveFileLegacyQEL(const CQelTString& filePath, ELegacyApi api) const;
    bool privateSaveLegacyQELFile(FILE* stream, ELegacyApi api) const;

private:
    typedef std::unique_ptr<uint8_t[], DataBlockDeleter> DataBlock;
    // A zeroed block. Its pages come zeroed from the system, so unlike new[] plus memset it
    // costs no extra pass over memory the caller is about to overwrite; large blocks also
    // ask for huge pages, which cuts the page faults of a fresh texture 512-fold.
    // Throws std::bad_alloc on failure.
    static DataBlock allocateDataBlock(uint32_t size);

    uint32_t m_dataSize = 0;
    DataBlock m_data;
};

}  // namespace qeltexture
