// Native texture file: loading by path (loader chosen by extension), the native stream and
// memory loaders, saving by path (writer chosen by extension) and the native writer.
//
// Choices where the file format leaves room:
// - A load that fails after the first word was recognised leaves the default texture
//   (1x1x1, no format, data size 0), never a header whose data block is missing or short.
//   A first word that is not recognised leaves the texture untouched.
// - A byte-swapped version word (a big-endian file) is refused like any unknown first word.
// - A version 3 stream whose pixel data is cut short still loads when at least one byte of
//   data was read; the missing bytes read back as zero.
// - The bounded memory loader refuses an image shorter than its header, metadata or pixel
//   data claim; only the unbounded form trusts the caller for the length.
// - Allocations follow what the input can deliver: a metadata block is never allocated
//   larger than the bytes left in the file or image.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "FileBytes.h"
#include "LegacyHeaders.h"
#include "Texture.h"

namespace qeltexture {

namespace {

constexpr uint32_t kRecordSize = 52;
constexpr uint32_t kBlockHeaderSize = 12;
constexpr uint32_t kLegacyV1HeaderSize = 44;
constexpr uint32_t kLegacyV2HeaderSize = 52;
// Distinct metadata blocks one file may bring. Lookups are linear scans, so an unbounded
// count would make a file of many tiny blocks quadratic to load; real files hold a handful.
constexpr uint32_t kMaxMetaDataBlocks = 4096;
// Read size for streams whose length is unknown: allocations grow only as bytes arrive.
constexpr size_t kStreamChunk = size_t(1) << 16;

void decodeRecord(const uint8_t* b, QelTextureHeaderV3& r) {
    r.u32Version = readLE32(b);
    r.u32Flags = readLE32(b + 4);
    r.u64PixelFormat = uint64_t(readLE32(b + 8)) | uint64_t(readLE32(b + 12)) << 32;
    r.u32ColourSpace = readLE32(b + 16);
    r.u32ChannelType = readLE32(b + 20);
    r.u32Height = readLE32(b + 24);
    r.u32Width = readLE32(b + 28);
    r.u32Depth = readLE32(b + 32);
    r.u32NumSurfaces = readLE32(b + 36);
    r.u32NumFaces = readLE32(b + 40);
    r.u32MIPMapCount = readLE32(b + 44);
    r.u32MetaDataSize = readLE32(b + 48);
}

void encodeRecord(const QelTextureHeaderV3& r, uint8_t* b) {
    writeLE32(b, r.u32Version);
    writeLE32(b + 4, r.u32Flags);
    writeLE32(b + 8, uint32_t(r.u64PixelFormat));
    writeLE32(b + 12, uint32_t(r.u64PixelFormat >> 32));
    writeLE32(b + 16, r.u32ColourSpace);
    writeLE32(b + 20, r.u32ChannelType);
    writeLE32(b + 24, r.u32Height);
    writeLE32(b + 28, r.u32Width);
    writeLE32(b + 32, r.u32Depth);
    writeLE32(b + 36, r.u32NumSurfaces);
    writeLE32(b + 40, r.u32NumFaces);
    writeLE32(b + 44, r.u32MIPMapCount);
    writeLE32(b + 48, r.u32MetaDataSize);
}

// The one place where version 1 (44-byte) and version 2 (52-byte) headers become a version
// 3 record plus metadata; hostile legacy fields are refused there.
bool convertLegacyHeader(const uint8_t* header, uint32_t headerSize, QelTextureHeaderV3& record,
                         MetaDataMap& metaData) {
    uint32_t size;
    return ConvertLegacyHeader(header, headerSize, record, metaData, size);
}

// A C stream that knows how many bytes are left when it is seekable, so that nothing is
// allocated beyond what the file can deliver. Reads start at the beginning of the stream.
class StreamReader {
public:
    explicit StreamReader(FILE* stream) : m_stream(stream) {
        if (std::fseek(stream, 0, SEEK_END) == 0) {
            const long end = std::ftell(stream);
            const bool rewound = std::fseek(stream, 0, SEEK_SET) == 0;
            if (end >= 0 && rewound) {
                m_sizeKnown = true;
                m_remaining = uint64_t(end);
            }
        }
    }

    size_t read(void* destination, size_t n) {
        if (m_sizeKnown && n > m_remaining) n = size_t(m_remaining);
        if (n == 0) return 0;
        size_t got = std::fread(destination, 1, n, m_stream);
        if (m_sizeKnown) m_remaining -= got;
        return got;
    }

    // Whether at least n more bytes may arrive (always true when the length is unknown).
    bool mayHold(uint64_t n) const { return !m_sizeKnown || m_remaining >= n; }

    // Reads exactly n bytes into a new array; false without allocating more than what
    // arrived when the stream ends first.
    bool readExactly(uint32_t n, std::unique_ptr<uint8_t[]>& out) {
        if (!mayHold(n)) return false;
        if (m_sizeKnown) {
            out.reset(new uint8_t[n]);
            return read(out.get(), n) == n;
        }
        std::vector<uint8_t> bytes;
        while (bytes.size() < n) {
            size_t step = std::min(kStreamChunk, n - bytes.size());
            size_t at = bytes.size();
            bytes.resize(at + step);
            if (read(bytes.data() + at, step) != step) return false;
        }
        out.reset(new uint8_t[n]);
        std::memcpy(out.get(), bytes.data(), n);
        return true;
    }

private:
    FILE* m_stream;
    bool m_sizeKnown = false;
    uint64_t m_remaining = 0;
};

}  // namespace

// ---------------------------------------------------------------------------------------
// Loading

CQelTexture::CQelTexture(const char* filePath) {
    if (!filePath) return;
    // The extension runs from the last '.' (included); a path without one is its own extension.
    CQelTString path(filePath);
    CQelTString::size_type dot = path.find_last_of('.');
    CQelTString extension = dot == CQelTString::npos ? path : CQelTString(path, dot);
    extension.toLower();

    FILE* stream = std::fopen(filePath, "rb");
    if (!stream) return;
    bool loaded;
    if (extension == ".ktx") loaded = privateLoadKTXFile(stream);
    else if (extension == ".dds") loaded = privateLoadDDSFile(stream);
    else loaded = privateLoadQELFile(stream);
    std::fclose(stream);

    // A failed load is not reported: the caller sees the empty default texture. This also
    // guards against any loader leaving a header whose data the block does not hold.
    if (!loaded || m_dataSize != getDataSize(-1, true, true) || (m_dataSize != 0 && !m_data))
        *this = CQelTexture();
}

CQelTexture::CQelTexture(const void* fileInMemory) {
    // The caller guarantees a complete image: no bound beyond what the header claims.
    privateLoadQELMemory(static_cast<const uint8_t*>(fileInMemory), SIZE_MAX);
}

CQelTexture::CQelTexture(const void* fileInMemory, size_t byteCount) {
    privateLoadQELMemory(static_cast<const uint8_t*>(fileInMemory), byteCount);
}

bool CQelTexture::privateLoadQELFile(FILE* stream) {
    if (!stream) return false;
    StreamReader in(stream);
    uint8_t header[kRecordSize];
    if (in.read(header, 4) != 4) return false;
    const uint32_t firstWord = readLE32(header);
    const bool legacy = firstWord == kLegacyV1HeaderSize || firstWord == kLegacyV2HeaderSize;
    if (!legacy && firstWord != QEL_HEADER_VERSION3) return false;

    auto fail = [this]() {
        *this = CQelTexture();
        return false;
    };
    CQelTexture loaded;
    // Bytes of a metadata block that ran past the metadata size: the pixel data starts at
    // that block's header, so these bytes open the data block.
    std::vector<uint8_t> carried;

    if (legacy) {
        if (in.read(header + 4, firstWord - 4) != firstWord - 4) return fail();
        if (!convertLegacyHeader(header, firstWord, loaded.m_header, loaded.m_metaData)) return fail();
        if (!QelTIsWithinSizeModel(loaded.m_header)) return fail();
    } else {
        if (in.read(header + 4, kRecordSize - 4) != kRecordSize - 4) return fail();
        decodeRecord(header, loaded.m_header);
        if (!QelTIsWithinSizeModel(loaded.m_header)) return fail();

        const uint64_t claimed = loaded.m_header.u32MetaDataSize;
        loaded.m_header.u32MetaDataSize = 0;
        uint64_t consumed = 0;
        uint32_t distinct = 0;
        while (consumed < claimed) {
            uint8_t blockHeader[kBlockHeaderSize];
            if (in.read(blockHeader, kBlockHeaderSize) != kBlockHeaderSize) return fail();
            MetaDataBlock block;
            block.DevFOURCC = readLE32(blockHeader);
            block.u32Key = readLE32(blockHeader + 4);
            block.u32DataSize = readLE32(blockHeader + 8);
            // Reading zero bytes reports nothing read: an empty block is a failed read.
            if (block.u32DataSize == 0 || !in.readExactly(block.u32DataSize, block.Data)) return fail();
            consumed += kBlockHeaderSize + uint64_t(block.u32DataSize);
            if (consumed > claimed) {
                carried.assign(blockHeader, blockHeader + kBlockHeaderSize);
                carried.insert(carried.end(), block.Data.get(), block.Data.get() + block.u32DataSize);
                break;
            }
            if (!loaded.hasMetaData(block.DevFOURCC, block.u32Key) && ++distinct > kMaxMetaDataBlocks)
                return fail();
            loaded.addMetaData(block);
        }
    }

    const uint32_t dataSize = loaded.getDataSize(-1, true, true);
    if (legacy) {
        // Every piece must arrive whole, so a file shorter than the data is refused up front.
        if (dataSize == 0 || !in.mayHold(dataSize)) return fail();
        loaded.m_data = allocateDataBlock(dataSize);
        loaded.m_dataSize = dataSize;
        for (uint32_t surface = 0; surface < loaded.getNumArrayMembers(); ++surface)
            for (uint32_t face = 0; face < loaded.getNumFaces(); ++face)
                for (uint32_t level = 0; level < loaded.getNumMIPLevels(); ++level) {
                    const uint32_t piece = loaded.getDataSize(int32_t(level), false, false);
                    uint8_t* target = loaded.getDataPtr(level, surface, face);
                    if (!target || in.read(target, piece) != piece) return fail();
                }
    } else {
        // One read of the whole block; any non-empty read counts, the rest stays zero.
        if (dataSize == 0 || (carried.empty() && !in.mayHold(1))) return fail();
        loaded.m_data = allocateDataBlock(dataSize);
        size_t got = std::min(carried.size(), size_t(dataSize));
        if (got) std::memcpy(loaded.m_data.get(), carried.data(), got);
        got += in.read(loaded.m_data.get() + got, dataSize - got);
        if (got == 0) return fail();
        loaded.m_dataSize = dataSize;
    }
    *this = std::move(loaded);
    return true;
}

bool CQelTexture::privateLoadQELMemory(const uint8_t* image, size_t byteCount) {
    if (!image || byteCount < 4) return false;
    const uint32_t firstWord = readLE32(image);
    const bool legacy = firstWord == kLegacyV1HeaderSize || firstWord == kLegacyV2HeaderSize;
    if (!legacy && firstWord != QEL_HEADER_VERSION3) return false;

    auto fail = [this]() {
        *this = CQelTexture();
        return false;
    };
    CQelTexture loaded;
    size_t offset;

    if (legacy) {
        if (byteCount < firstWord) return fail();
        if (!convertLegacyHeader(image, firstWord, loaded.m_header, loaded.m_metaData)) return fail();
        offset = firstWord;
    } else {
        if (byteCount < kRecordSize) return fail();
        decodeRecord(image, loaded.m_header);
        offset = kRecordSize;
        // Blocks are taken until their total reaches or passes the claimed size; the block
        // that passes it is kept and the pixel data follows it.
        const uint64_t claimed = loaded.m_header.u32MetaDataSize;
        loaded.m_header.u32MetaDataSize = 0;
        uint64_t total = 0;
        uint32_t distinct = 0;
        while (total < claimed) {
            const size_t left = byteCount - offset;
            if (left < kBlockHeaderSize) return fail();
            const uint32_t size = readLE32(image + offset + 8);
            if (left - kBlockHeaderSize < size) return fail();
            total += kBlockHeaderSize + uint64_t(size);
            if (total > UINT32_MAX) return fail();  // the record's metadata size is 32-bit
            MetaDataBlock block;
            const unsigned char* cursor = image + offset;
            block.ReadFromPtr(&cursor);
            if (!loaded.hasMetaData(block.DevFOURCC, block.u32Key) && ++distinct > kMaxMetaDataBlocks)
                return fail();
            loaded.addMetaData(block);
            offset += kBlockHeaderSize + size_t(size);
        }
    }
    if (!QelTIsWithinSizeModel(loaded.m_header)) return fail();

    const uint32_t dataSize = loaded.getDataSize(-1, true, true);
    const size_t left = byteCount - offset;
    if (dataSize != 0) {
        if (legacy) {
            // Only the first surface is stored; the other surfaces read back as zero.
            loaded.m_data = allocateDataBlock(dataSize);
            loaded.m_dataSize = dataSize;
            for (uint32_t face = 0; face < loaded.getNumFaces(); ++face)
                for (uint32_t level = 0; level < loaded.getNumMIPLevels(); ++level) {
                    const uint32_t piece = loaded.getDataSize(int32_t(level), false, false);
                    uint8_t* target = loaded.getDataPtr(level, 0, face);
                    if (!target || byteCount - offset < piece) return fail();
                    std::memcpy(target, image + offset, piece);
                    offset += piece;
                }
        } else {
            if (left < dataSize) return fail();
            loaded.m_data = allocateDataBlock(dataSize);
            std::memcpy(loaded.m_data.get(), image + offset, dataSize);
            loaded.m_dataSize = dataSize;
        }
    }
    *this = std::move(loaded);
    return true;
}

// ---------------------------------------------------------------------------------------
// Saving

bool CQelTexture::privateSaveQELFile(FILE* stream) const {
    if (!stream) return false;
    uint8_t record[kRecordSize];
    encodeRecord(m_header, record);
    std::fwrite(record, kRecordSize, 1, stream);  // as in every writer, judged by what follows

    bool ok = true;
    const MetaDataMap& fourCCs = m_metaData;
    for (uint32_t i = 0; i < fourCCs.GetSize(); ++i) {
        const MetaDataKeyMap& keys = fourCCs.GetValue(i);
        for (uint32_t k = 0; k < keys.GetSize(); ++k) {
            const MetaDataBlock& block = keys.GetValue(k);
            uint8_t blockHeader[kBlockHeaderSize];
            writeLE32(blockHeader, block.DevFOURCC);
            writeLE32(blockHeader + 4, block.u32Key);
            writeLE32(blockHeader + 8, block.u32DataSize);
            for (int field = 0; field < 3; ++field)
                ok &= std::fwrite(blockHeader + 4 * field, 4, 1, stream) == 1;
            // An empty block writes no item and so fails the file.
            ok &= block.Data && block.u32DataSize != 0 &&
                  std::fwrite(block.Data.get(), block.u32DataSize, 1, stream) == 1;
        }
    }

    // The shape may have been changed by a setter since the block was built: never write
    // past the block.
    const uint32_t dataSize = getDataSize(-1, true, true);
    ok &= m_data && dataSize != 0 && dataSize <= m_dataSize &&
          std::fwrite(m_data.get(), dataSize, 1, stream) == 1;
    return ok;
}

bool CQelTexture::saveFile(const CQelTString& filePath) const {
    // An empty path would otherwise become the hidden file ".qel" in the working directory.
    if (filePath.empty()) return false;
    CQelTString path(filePath);
    // Here the extension is the text after the last '.', or the whole path without one.
    CQelTString::size_type dot = path.find_last_of('.');
    CQelTString extension = dot == CQelTString::npos ? path : CQelTString(path, dot + 1);
    extension.toLower();

    enum class Writer { KTX, DDS, CHeader, Native } writer = Writer::Native;
    if (extension == "ktx") writer = Writer::KTX;
    else if (extension == "dds") writer = Writer::DDS;
    else if (extension == "h") writer = Writer::CHeader;
    else if (extension != "qel") path += ".qel";

    FILE* stream = std::fopen(path.c_str(), "wb");
    if (!stream) return false;
    bool ok = false;
    switch (writer) {
    case Writer::KTX: ok = privateSaveKTXFile(stream); break;
    case Writer::DDS: ok = privateSaveDDSFile(stream); break;
    case Writer::CHeader: {
        // Array name: the path up to its first '.', without its directories.
        CQelTString name = QelTStringGetFileName(path.left(path.find('.')));
        // The C header writer succeeds once the file is open; a false from it is still
        // honoured like the other writers' (no file left behind).
        ok = privateSaveCHeaderFile(stream, name);
        break;
    }
    case Writer::Native: ok = privateSaveQELFile(stream); break;
    }
    // Buffered bytes reach the file only at close: a failed close is a failed write.
    if (std::fclose(stream) != 0) ok = false;
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace qeltexture
