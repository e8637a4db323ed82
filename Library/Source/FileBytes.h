#pragma once
// Little-endian fields and a size-bounded stream reader, shared by the container loaders
// and writers so that no read passes the end of a file and nothing is allocated that the
// file cannot fill.
#include <cstdint>
#include <cstdio>

namespace qeltexture {

inline uint32_t readLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void writeLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Reads from a seekable stream whose size is measured when it is opened.
class BoundedReader {
public:
    bool open(FILE* f) {
        if (!f || std::fseek(f, 0, SEEK_END) != 0) return false;
        long end = std::ftell(f);
        if (end < 0 || std::fseek(f, 0, SEEK_SET) != 0) return false;
        m_file = f;
        m_size = uint64_t(end);
        m_pos = 0;
        return true;
    }
    uint64_t size() const { return m_size; }
    uint64_t remaining() const { return m_size - m_pos; }
    bool read(void* dst, uint64_t n) {
        if (n > remaining()) return false;
        if (n && std::fread(dst, 1, size_t(n), m_file) != n) return false;
        m_pos += n;
        return true;
    }
    bool readU32(uint32_t& v) {
        uint8_t b[4];
        if (!read(b, 4)) return false;
        v = readLE32(b);
        return true;
    }
    bool seek(uint64_t to) {
        if (to > m_size || std::fseek(m_file, long(to), SEEK_SET) != 0) return false;
        m_pos = to;
        return true;
    }
    bool skip(uint64_t n) { return n <= remaining() && seek(m_pos + n); }

private:
    FILE* m_file = nullptr;
    uint64_t m_size = 0;
    uint64_t m_pos = 0;
};

}  // namespace qeltexture
