#pragma once
// Shared by the container tests: byte vectors with little-endian words, whole-file reads
// and writes, a scratch directory, patterned textures, and the texture's stream readers and
// writers driven through temporary files.
#include <stdlib.h>  // mkdtemp

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "Texture.h"

namespace qeltest {

using Bytes = std::vector<uint8_t>;

inline uint32_t getLE32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
inline void putLE32(Bytes& b, size_t at, uint32_t v) {
    if (b.size() < at + 4) b.resize(at + 4);
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
inline void appendLE32(Bytes& b, std::initializer_list<uint32_t> words) {
    for (uint32_t v : words)
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

inline Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
inline std::string writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// A fresh directory under the system's temporary folder, removed with its contents.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qeltex_test_XXXXXX").string();
        if (mkdtemp(pattern.data())) m_dir = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& dir() const { return m_dir; }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }

private:
    std::filesystem::path m_dir;
};

// pixelType("rgba", 8, 8, 8, 8): channel letters and their widths.
inline uint64_t pixelType(const char* names, uint8_t a, uint8_t b = 0, uint8_t c = 0, uint8_t d = 0) {
    auto at = [&](size_t i) { return uint8_t(std::strlen(names) > i ? names[i] : 0); };
    return qeltexture::PixelType(at(0), at(1), at(2), at(3), a, b, c, d).PixelTypeID;
}

// Every data byte differs from its neighbours (and from the next 256), so misplaced bytes show.
inline qeltexture::CQelTexture patterned(const qeltexture::CQelTextureHeader& header, uint32_t seed = 1) {
    qeltexture::CQelTexture t(header, nullptr);
    uint8_t* p = t.getDataPtr(0, 0, 0);
    for (uint32_t i = 0; p && i < t.getDataBlockSize(); ++i) p[i] = uint8_t(i * 131u + seed * 7u + (i >> 8));
    return t;
}

inline Bytes dataOf(const qeltexture::CQelTexture& t) {
    const uint8_t* p = t.getDataPtr(0, 0, 0);
    return p ? Bytes(p, p + t.getDataBlockSize()) : Bytes();
}

using StreamWriter = bool (qeltexture::CQelTexture::*)(FILE*) const;
using StreamReader = bool (qeltexture::CQelTexture::*)(FILE*);

// Runs one of the texture's writers into a temporary file and returns what it wrote.
inline Bytes saveWith(StreamWriter writer, const qeltexture::CQelTexture& t, bool* ok = nullptr) {
    FILE* f = std::tmpfile();
    if (!f) return {};
    const bool written = (t.*writer)(f);
    if (ok) *ok = written;
    std::fseek(f, 0, SEEK_END);
    Bytes out(size_t(std::ftell(f)));
    std::rewind(f);
    if (!out.empty()) out.resize(std::fread(out.data(), 1, out.size(), f));
    std::fclose(f);
    return out;
}

// Runs one of the texture's readers on a temporary file holding `bytes`.
inline bool loadWith(StreamReader reader, qeltexture::CQelTexture& t, const Bytes& bytes) {
    FILE* f = std::tmpfile();
    if (!f) return false;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    const bool ok = (t.*reader)(f);
    std::fclose(f);
    return ok;
}

}  // namespace qeltest
