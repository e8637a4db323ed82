#include "MetaData.h"

#include <cstring>

namespace qeltexture {

MetaDataBlock::MetaDataBlock(const MetaDataBlock& other)
    : DevFOURCC(other.DevFOURCC), u32Key(other.u32Key), u32DataSize(other.u32DataSize) {
    if (other.Data) {
        Data.reset(new uint8_t[u32DataSize]);
        std::memcpy(Data.get(), other.Data.get(), u32DataSize);
    }
}

MetaDataBlock& MetaDataBlock::operator=(const MetaDataBlock& other) {
    if (this != &other) {
        MetaDataBlock copy(other);
        *this = std::move(copy);
    }
    return *this;
}

bool MetaDataBlock::ReadFromPtr(const unsigned char** cursor) {
    std::memcpy(&DevFOURCC, *cursor, 4);
    std::memcpy(&u32Key, *cursor + 4, 4);
    std::memcpy(&u32DataSize, *cursor + 8, 4);
    *cursor += 12;
    Data.reset();
    if (u32DataSize != 0) {
        Data.reset(new uint8_t[u32DataSize]);
        std::memcpy(Data.get(), *cursor, u32DataSize);
        *cursor += u32DataSize;
    }
    return true;
}

bool MetaDataBlock::ReadFromPtr(const unsigned char** cursor, const unsigned char* end) {
    if (end < *cursor || size_t(end - *cursor) < 12) return false;
    uint32_t size;
    std::memcpy(&size, *cursor + 8, 4);
    if (size_t(end - *cursor) - 12 < size) return false;
    return ReadFromPtr(cursor);
}

}  // namespace qeltexture
