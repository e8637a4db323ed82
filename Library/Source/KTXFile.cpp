// KTX 1.1 container: a 64-byte header naming the OpenGL format, a key/value section
// (the orientation travels under "KTXOrientation"), then per MIP level an image size and
// the faces, uncompressed rows padded to 4 bytes.
#include <cstring>
#include <utility>
#include <vector>

#include "FormatTablesOGL.h"
#include "FileBytes.h"
#include "Texture.h"

namespace qeltexture {

namespace {

const uint8_t kIdentifier[12] = {0xAB, 'K', 'T', 'X', ' ', '1', '1', 0xBB, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t kEndianness = 0x04030201u;
constexpr uint32_t kHeaderBytes = 64;
// The key with its terminating NUL: 15 bytes.
const char kOrientationKey[] = "KTXOrientation";
constexpr uint32_t kOrientationKeyBytes = sizeof(kOrientationKey);

uint32_t padTo4(uint64_t n) { return uint32_t((4 - n % 4) % 4); }

// Uncompressed formats (packed types and the shared-exponent format) travel row by row.
bool isBlockCompressed(uint64_t pixelFormat) {
    return (pixelFormat >> 32) == 0 && pixelFormat != ePF_SharedExponentR9G9B9E5;
}

// One member and all faces of a one-member cube map; otherwise everything at that level.
uint32_t imageSizeOf(const CQelTextureHeader& h, uint32_t level) {
    if (h.getNumFaces() == 6 && h.getNumArrayMembers() == 1)
        return h.getDataSize(int32_t(level), false, false);
    return h.getDataSize(int32_t(level), true, true);
}

// Folds one key/value entry into the orientation gathered so far.
uint32_t foldOrientation(uint32_t orientation, const uint8_t* entry, uint32_t size) {
    uint32_t keyLen = 0;
    while (keyLen < size && entry[keyLen]) ++keyLen;
    if (keyLen + 1 != kOrientationKeyBytes || std::memcmp(entry, kOrientationKey, keyLen) != 0)
        return orientation;
    unsigned l = 0, d = 0, o = 0;
    for (uint32_t i = kOrientationKeyBytes; i < size && entry[i]; ++i) {
        l += entry[i] == 'l';
        d += entry[i] == 'd';
        o += entry[i] == 'o';
    }
    if (l == 1) orientation |= eOrientLeft;
    if (d != 1) orientation |= eOrientUp;
    if (o == 1) orientation |= eOrientOut;
    return orientation;
}

}  // namespace

bool CQelTexture::privateLoadKTXFile(FILE* stream) {
    BoundedReader in;
    uint8_t raw[kHeaderBytes];
    if (!in.open(stream) || in.size() < kHeaderBytes || !in.read(raw, kHeaderBytes)) return false;
    if (std::memcmp(raw, kIdentifier, sizeof(kIdentifier)) != 0 || readLE32(raw + 12) != kEndianness)
        return false;

    const uint32_t glType = readLE32(raw + 16), glFormat = readLE32(raw + 24), glInternalFormat = readLE32(raw + 28);
    const uint32_t height = readLE32(raw + 40), depth = readLE32(raw + 44), members = readLE32(raw + 48);
    CQelTextureHeader header;
    header.setWidth(readLE32(raw + 36));
    header.setHeight(height ? height : 1);
    header.setDepth(depth ? depth : 1);
    header.setNumArrayMembers(members ? members : 1);
    header.setNumFaces(readLE32(raw + 52));
    header.setNumMIPLevels(readLE32(raw + 56));
    // An unknown format leaves format 27 (no data) and fails the load once the rest is read.
    const bool formatKnown = header.setOGLFormat(glInternalFormat, glFormat, glType);

    // Refused before the texture is touched: shapes the library cannot hold, and sections or
    // pixel data larger than the file.
    if (header.getNumFaces() != 1 && header.getNumFaces() != 6) return false;
    if (!header.isWithinSizeModel()) return false;
    const uint64_t keyValueEnd = uint64_t(kHeaderBytes) + readLE32(raw + 60);
    if (keyValueEnd > in.size()) return false;
    if (header.getDataSize(-1, true, true) > in.size() - keyValueEnd) return false;

    uint32_t orientation = 0;
    bool anyEntry = false;
    std::vector<uint8_t> entry;
    for (uint64_t pos = kHeaderBytes; pos < keyValueEnd;) {
        uint32_t entrySize;
        if (keyValueEnd - pos < 4 || !in.readU32(entrySize)) return false;
        if (entrySize > keyValueEnd - pos - 4) return false;  // runs past the section
        entry.resize(entrySize);
        if (!in.read(entry.data(), entrySize)) return false;
        orientation = foldOrientation(orientation, entry.data(), entrySize);
        anyEntry = true;
        pos += 4 + uint64_t(entrySize);
        pos += padTo4(pos);
        if (pos < keyValueEnd && !in.seek(pos)) return false;
    }
    if (!in.seek(keyValueEnd)) return false;

    CQelTexture loaded(header, nullptr);
    // Every entry, whatever its key, leaves the orientation gathered so far.
    if (anyEntry) loaded.setOrientation(EQelTOrientation(orientation));

    bool ok = true;
    const uint64_t format = header.getPixelType().PixelTypeID;
    const bool compressed = isBlockCompressed(format);
    const uint32_t bytesPerPixel = header.getBitsPerPixel() / 8;
    const bool oneMemberCube = header.getNumFaces() == 6 && header.getNumArrayMembers() == 1;
    for (uint32_t L = 0; ok && L < header.getNumMIPLevels(); ++L) {
        uint32_t imageSize;
        ok = in.readU32(imageSize);  // not trusted: the sizes come from the header
        const uint32_t faceBytes = header.getDataSize(int32_t(L), false, false);
        const uint32_t w = header.getWidth(L), h = header.getHeight(L), d = header.getDepth(L);
        const uint64_t rowBytes = uint64_t(w) * bytesPerPixel;
        // Faces without bytes (no format) have no padding either: nothing to walk, however
        // many members the header claims.
        for (uint32_t m = 0; ok && faceBytes && m < header.getNumArrayMembers(); ++m) {
            for (uint32_t f = 0; ok && f < header.getNumFaces(); ++f) {
                uint8_t* dst = loaded.getDataPtr(L, m, f);
                if (!dst) ok = false;
                if (ok && compressed) {
                    ok = in.read(dst, faceBytes);
                } else if (ok && rowBytes) {
                    for (uint64_t row = 0; ok && row < uint64_t(h) * d; ++row)
                        ok = in.read(dst + row * rowBytes, rowBytes) && in.skip(padTo4(rowBytes));
                }
                if (ok && oneMemberCube) ok = in.skip(padTo4(faceBytes));
            }
        }
        if (ok) ok = in.skip(padTo4(imageSizeOf(header, L)));
    }
    *this = std::move(loaded);
    return ok && formatKnown;
}

bool CQelTexture::privateSaveKTXFile(FILE* stream) const {
    if (!stream) return false;

    // A format without an OpenGL mapping is still written, with zero format fields.
    uint32_t internalFormat, baseFormat, glFormat, glType, glTypeSize;
    const uint64_t format = m_header.u64PixelFormat;
    const EQelTVariableType channelType = getChannelType();
    const EQelTColourSpace colourSpace = getColourSpace();
    getOpenGLFormat(format, channelType, colourSpace, internalFormat, baseFormat, glFormat, glType,
                    glTypeSize);

    uint8_t head[kHeaderBytes];
    std::memcpy(head, kIdentifier, sizeof(kIdentifier));
    const uint32_t fields[13] = {kEndianness,
                                 glType,
                                 glTypeSize,
                                 glFormat,
                                 internalFormat,
                                 baseFormat,
                                 m_header.u32Width,
                                 m_header.u32Height == 1 ? 0 : m_header.u32Height,
                                 m_header.u32Depth == 1 ? 0 : m_header.u32Depth,
                                 getNumArrayMembers() == 1 ? 0 : getNumArrayMembers(),
                                 getNumFaces(),
                                 getNumMIPLevels(),
                                 32};
    for (int i = 0; i < 13; ++i) writeLE32(head + 12 + 4 * i, fields[i]);

    // One entry: size 27 (key and value with their NULs), then one byte of padding.
    uint8_t keyValue[32] = {};
    writeLE32(keyValue, 27);
    std::memcpy(keyValue + 4, kOrientationKey, kOrientationKeyBytes);
    const char value[12] = {'S', '=', getOrientation(eAxisX) == eOrientLeft ? 'l' : 'r',
                            ',', 'T', '=', getOrientation(eAxisY) == eOrientUp ? 'u' : 'd',
                            ',', 'R', '=', getOrientation(eAxisZ) == eOrientOut ? 'o' : 'i', 0};
    std::memcpy(keyValue + 4 + kOrientationKeyBytes, value, sizeof(value));

    bool ok = std::fwrite(head, 1, sizeof(head), stream) == sizeof(head);
    ok = std::fwrite(keyValue, 1, sizeof(keyValue), stream) == sizeof(keyValue) && ok;
    if (!m_data) return false;

    static const uint8_t zeros[4] = {0, 0, 0, 0};
    auto pad = [&](uint64_t n) { return std::fwrite(zeros, 1, padTo4(n), stream) == padTo4(n); };
    const bool compressed = isBlockCompressed(format);
    const uint32_t bytesPerPixel = getBitsPerPixel() / 8;
    const bool oneMemberCube = getNumFaces() == 6 && getNumArrayMembers() == 1;
    for (uint32_t L = 0; ok && L < getNumMIPLevels(); ++L) {
        const uint32_t imageSize = imageSizeOf(*this, L);
        uint8_t sizeBytes[4];
        writeLE32(sizeBytes, imageSize);
        ok = std::fwrite(sizeBytes, 1, 4, stream) == 4;
        const uint32_t faceBytes = getDataSize(int32_t(L), false, false);
        const uint32_t w = getWidth(L), h = getHeight(L), d = getDepth(L);
        const uint64_t rowBytes = uint64_t(w) * bytesPerPixel;
        for (uint32_t m = 0; ok && faceBytes && m < getNumArrayMembers(); ++m) {
            for (uint32_t f = 0; ok && f < getNumFaces(); ++f) {
                const uint8_t* src = getDataPtr(L, m, f);
                if (!src) ok = false;
                if (ok && compressed) {
                    ok = std::fwrite(src, 1, faceBytes, stream) == faceBytes;
                } else if (ok && rowBytes) {
                    for (uint64_t row = 0; ok && row < uint64_t(h) * d; ++row)
                        ok = std::fwrite(src + row * rowBytes, 1, size_t(rowBytes), stream) == rowBytes &&
                             pad(rowBytes);
                }
                if (ok && oneMemberCube) ok = pad(faceBytes);
            }
        }
        if (ok) ok = pad(imageSize);
    }
    return ok;
}

}  // namespace qeltexture
