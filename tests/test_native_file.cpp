// The native texture file: exact byte layout, choice of loader and writer by extension,
// round trips through files, streams and memory, and hostile input (truncated, oversized,
// byte-swapped, garbage) that must fail cleanly without over-allocating.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Texture.h"

using namespace qeltexture;
namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------
// Allocation watch: the largest single request made while a scope is armed, to prove that
// a hostile claim never turns into an allocation larger than the input.
namespace {
std::atomic<bool> gWatching{false};
std::atomic<size_t> gLargest{0};
void* allocate(size_t n) {
    if (gWatching.load(std::memory_order_relaxed)) {
        size_t seen = gLargest.load(std::memory_order_relaxed);
        while (n > seen && !gLargest.compare_exchange_weak(seen, n)) {
        }
    }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
struct AllocationWatch {
    AllocationWatch() {
        gLargest = 0;
        gWatching = true;
    }
    ~AllocationWatch() { gWatching = false; }
    size_t largest() const { return gLargest.load(); }
};
}  // namespace

void* operator new(size_t n) { return allocate(n); }
void* operator new[](size_t n) { return allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

typedef std::vector<uint8_t> Bytes;

constexpr uint32_t kVersion3 = 0x034C4551u;
constexpr uint64_t kRGBA8 = 0x0808080861626772ull;

void putU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
void appendU32(Bytes& b, uint32_t v) {
    b.resize(b.size() + 4);
    putU32(b, b.size() - 4, v);
}
uint32_t getU32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// The 52-byte record written field by field, independently of the library.
Bytes recordBytes(uint32_t flags, uint64_t format, uint32_t colourSpace, uint32_t channelType,
                  uint32_t height, uint32_t width, uint32_t depth, uint32_t surfaces,
                  uint32_t faces, uint32_t mips, uint32_t metaDataSize) {
    Bytes b;
    for (uint32_t v : {kVersion3, flags, uint32_t(format), uint32_t(format >> 32), colourSpace,
                       channelType, height, width, depth, surfaces, faces, mips, metaDataSize})
        appendU32(b, v);
    return b;
}

// Every byte of the data block gets a distinct, position-dependent value.
CQelTexture patterned(const CQelTextureHeader& header, uint32_t seed = 1) {
    CQelTexture t(header);
    uint8_t* p = t.getDataPtr(0, 0, 0);
    for (uint32_t i = 0; i < t.getDataBlockSize(); ++i) p[i] = uint8_t(i * 131u + seed * 7u + (i >> 8));
    return t;
}

Bytes dataOf(const CQelTexture& t) {
    const uint8_t* p = t.getDataPtr(0, 0, 0);
    return p ? Bytes(p, p + t.getDataBlockSize()) : Bytes();
}

bool isDefault(const CQelTexture& t) {
    QelTextureHeaderV3 r = t.getFileHeader(), d;
    return std::memcmp(&r, &d, sizeof r) == 0 && t.getDataBlockSize() == 0 &&
           t.getDataPtr(0, 0, 0) == nullptr && t.getMetaDataMap()->GetSize() == 0;
}

// Record, blocks (FourCC and key order, bytes) and data all equal.
void expectSameTexture(const CQelTexture& a, const CQelTexture& b) {
    QelTextureHeaderV3 ra = a.getFileHeader(), rb = b.getFileHeader();
    EXPECT_EQ(std::memcmp(&ra, &rb, sizeof ra), 0);
    EXPECT_EQ(a.getMetaDataSize(), b.getMetaDataSize());
    const MetaDataMap* ma = a.getMetaDataMap();
    const MetaDataMap* mb = b.getMetaDataMap();
    ASSERT_EQ(ma->GetSize(), mb->GetSize());
    for (uint32_t i = 0; i < ma->GetSize(); ++i) {
        EXPECT_EQ(ma->GetKey(i), mb->GetKey(i));
        const MetaDataKeyMap& ka = ma->GetValue(i);
        const MetaDataKeyMap& kb = mb->GetValue(i);
        ASSERT_EQ(ka.GetSize(), kb.GetSize());
        for (uint32_t k = 0; k < ka.GetSize(); ++k) {
            const MetaDataBlock& x = ka.GetValue(k);
            const MetaDataBlock& y = kb.GetValue(k);
            EXPECT_EQ(ka.GetKey(k), kb.GetKey(k));
            EXPECT_EQ(x.DevFOURCC, y.DevFOURCC);
            EXPECT_EQ(x.u32Key, y.u32Key);
            ASSERT_EQ(x.u32DataSize, y.u32DataSize);
            if (x.u32DataSize) {
                EXPECT_EQ(std::memcmp(x.Data.get(), y.Data.get(), x.u32DataSize), 0);
            }
        }
    }
    EXPECT_EQ(a.getDataBlockSize(), b.getDataSize(-1, true, true));
    EXPECT_EQ(dataOf(a), dataOf(b));
}

class NativeFile : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<unsigned> counter{0};
        m_dir = fs::temp_directory_path() /
                ("qeltex_native_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) +
                 "_" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    static Bytes readFile(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string writeFile(const std::string& name, const Bytes& bytes) const {
        std::string p = path(name);
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return p;
    }
    // Files left in the directory, by name.
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(m_dir))
            if (e.is_regular_file()) names.push_back(fs::relative(e.path(), m_dir).string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path m_dir;
};

// Loads through the stream loader from an in-memory stream.
bool loadStream(CQelTexture& t, const Bytes& bytes) {
    FILE* f = fmemopen(const_cast<uint8_t*>(bytes.data()), bytes.size(), "rb");
    if (!f) return false;
    bool ok = t.privateLoadQELFile(f);
    std::fclose(f);
    return ok;
}

// Saves through the native writer into memory.
Bytes saveStream(const CQelTexture& t, bool* ok = nullptr) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&buffer, &size);
    bool written = t.privateSaveQELFile(f);
    std::fclose(f);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    if (ok) *ok = written;
    return out;
}

CQelTextureHeader rgba8(uint32_t w, uint32_t h, uint32_t mips = 1, uint32_t members = 1,
                        uint32_t faces = 1) {
    return CQelTextureHeader(kRGBA8, h, w, 1, mips, members, faces);
}

// ---------------------------------------------------------------------------------------
// Byte layout

TEST_F(NativeFile, RecordOnlyFileLayout) {
    CQelTexture t = patterned(CQelTextureHeader(kRGBA8, 2, 4, 1, 1, 1, 1, eCS_sRGB,
                                                eVT_UnsignedByteNorm, true));
    ASSERT_TRUE(t.saveFile(CQelTString(path("plain.qel").c_str())));
    Bytes file = readFile(path("plain.qel"));
    ASSERT_EQ(file.size(), 52u + 32u);
    Bytes expected = recordBytes(2, kRGBA8, 1, 0, 2, 4, 1, 1, 1, 1, 0);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 52), expected);
    EXPECT_EQ(file[0], 'Q');
    EXPECT_EQ(file[1], 'E');
    EXPECT_EQ(file[2], 'L');
    EXPECT_EQ(file[3], 3);
    EXPECT_EQ(Bytes(file.begin() + 52, file.end()), dataOf(t));
}

TEST_F(NativeFile, BorderBlockLayout) {
    CQelTexture t = patterned(rgba8(4, 4));
    t.setBorder(1, 2, 0x01020304);
    ASSERT_TRUE(t.saveFile(CQelTString(path("border.qel").c_str())));
    Bytes file = readFile(path("border.qel"));
    ASSERT_EQ(file.size(), 76u + 64u);
    EXPECT_EQ(getU32(file, 48), 24u);
    const Bytes blockHeader = {0x51, 0x45, 0x4c, 0x03, 0x04, 0, 0, 0, 0x0c, 0, 0, 0};
    EXPECT_EQ(Bytes(file.begin() + 52, file.begin() + 64), blockHeader);
    const Bytes widths = {1, 0, 0, 0, 2, 0, 0, 0, 0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(Bytes(file.begin() + 64, file.begin() + 76), widths);
    EXPECT_EQ(Bytes(file.begin() + 76, file.end()), dataOf(t));
}

TEST_F(NativeFile, BlocksAreWrittenByFourCCThenKey) {
    CQelTexture t = patterned(rgba8(1, 1));
    MetaDataBlock a;
    a.DevFOURCC = 0xAAAAAAAA;
    a.u32Key = 9;
    a.u32DataSize = 1;
    a.Data.reset(new uint8_t[1]{0x5a});
    t.addMetaData(a);
    t.setBorder(7, 8, 9);
    a.u32Key = 2;
    t.addMetaData(a);
    t.setOrientation(eOrientUp);
    Bytes file = saveStream(t);
    ASSERT_EQ(file.size(), 52u + 13 + 24 + 13 + 15 + 4);
    // FourCC 0xAAAAAAAA entered first: its keys 9, 2, then the library's keys 4, 3.
    EXPECT_EQ(getU32(file, 52), 0xAAAAAAAAu);
    EXPECT_EQ(getU32(file, 56), 9u);
    EXPECT_EQ(getU32(file, 52 + 13 + 4), 2u);
    EXPECT_EQ(getU32(file, 52 + 26), kVersion3);
    EXPECT_EQ(getU32(file, 52 + 26 + 4), 4u);
    EXPECT_EQ(getU32(file, 52 + 26 + 24 + 4), 3u);
    EXPECT_EQ(Bytes(file.end() - 7, file.end() - 4), (Bytes{0, 2, 0}));
}

// ---------------------------------------------------------------------------------------
// Choice of writer and loader by extension

TEST_F(NativeFile, SaveChoosesWriterByExtension) {
    CQelTexture t = patterned(rgba8(4, 4));
    EXPECT_TRUE(t.saveFile(CQelTString(path("out.Qel").c_str())));   // nothing appended
    EXPECT_TRUE(t.saveFile(CQelTString(path("out.png").c_str())));   // out.png.qel
    EXPECT_TRUE(t.saveFile(CQelTString(path("noext").c_str())));     // noext.qel
    fs::create_directories(m_dir / "a.b");
    EXPECT_TRUE(t.saveFile(CQelTString(path("a.b/texture").c_str())));  // extension "b/texture"
    // The other containers get their own writers, recognised by their first bytes; a writer
    // that fails leaves no file behind.
    const std::vector<std::pair<std::string, std::string>> others = {
        {"out.KTX", "\xABKTX 11\xBB"}, {"out.dds", "DDS "}, {"out.h", "/*"}};
    std::vector<std::string> expected = {"a.b/texture.qel", "noext.qel", "out.Qel", "out.png.qel"};
    for (const auto& [name, magic] : others) {
        if (t.saveFile(CQelTString(path(name).c_str()))) {
            const Bytes file = readFile(path(name));
            ASSERT_GE(file.size(), magic.size()) << name;
            EXPECT_EQ(std::string(file.begin(), file.begin() + long(magic.size())), magic) << name;
            expected.push_back(name);
        }
    }
    // A directory that does not exist cannot be opened.
    EXPECT_FALSE(t.saveFile(CQelTString(path("missing/out.qel").c_str())));
    EXPECT_FALSE(t.saveFile(CQelTString("")));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listing(), expected);
    const Bytes reference = readFile(path("out.Qel"));
    EXPECT_EQ(readFile(path("out.png.qel")), reference);
    EXPECT_EQ(readFile(path("a.b/texture.qel")), reference);
}

TEST_F(NativeFile, FailingWriterLeavesNoFile) {
    // An empty metadata block writes no item: the save fails and the file is deleted.
    CQelTexture t = patterned(rgba8(4, 4));
    t.addPaddingMetaData(16);  // metadata size 0 gives a padding block of 0 bytes
    EXPECT_FALSE(t.saveFile(CQelTString(path("pad.qel").c_str())));
    // A texture without data has nothing to write.
    CQelTexture empty;
    EXPECT_FALSE(empty.saveFile(CQelTString(path("empty.qel").c_str())));
    // A header grown by a setter no longer matches its block: refused, never read past it.
    CQelTexture grown = patterned(rgba8(4, 4));
    grown.setWidth(64);
    EXPECT_FALSE(grown.saveFile(CQelTString(path("grown.qel").c_str())));
    EXPECT_TRUE(listing().empty());
    // An existing file of that name is replaced and then removed, not left half-written.
    writeFile("pad.qel", Bytes(1000, 0xee));
    EXPECT_FALSE(t.saveFile(CQelTString(path("pad.qel").c_str())));
    EXPECT_TRUE(listing().empty());
}

TEST_F(NativeFile, LoadChoosesLoaderByExtension) {
    CQelTexture t = patterned(rgba8(4, 4));
    ASSERT_TRUE(t.saveFile(CQelTString(path("src.qel").c_str())));
    const Bytes image = readFile(path("src.qel"));
    fs::create_directories(m_dir / "a.b");
    // Native content under names that go to the native loader.
    for (const char* name : {"copy.qel", "copy.png", "copy", "a.b/texture", "copy.ktx2"}) {
        CQelTexture loaded(writeFile(name, image).c_str());
        expectSameTexture(loaded, t);
    }
    // The same bytes under .KTX or .dds go to those loaders, which reject them: the
    // texture stays the empty default.
    for (const char* name : {"copy.KTX", "copy.ktx", "copy.DdS"}) {
        CQelTexture loaded(writeFile(name, image).c_str());
        EXPECT_TRUE(isDefault(loaded)) << name;
    }
    CQelTexture missing(path("nowhere.qel").c_str());
    EXPECT_TRUE(isDefault(missing));
    EXPECT_EQ(missing.getPixelType().PixelTypeID, 27u);
    EXPECT_EQ(missing.getWidth(), 1u);
    EXPECT_EQ(missing.getHeight(), 1u);
    EXPECT_EQ(missing.getDepth(), 1u);
    CQelTexture directory(m_dir.string().c_str());
    EXPECT_TRUE(isDefault(directory));
    CQelTexture null(static_cast<const char*>(nullptr));
    EXPECT_TRUE(isDefault(null));
}

// ---------------------------------------------------------------------------------------
// Round trips

TEST_F(NativeFile, RoundTripsKeepRecordBlocksAndData) {
    std::vector<CQelTexture> cases;
    // Levels, members and faces, with blocks under two FourCCs.
    CQelTexture cube = patterned(CQelTextureHeader(kRGBA8, 16, 16, 1, 5, 2, 6, eCS_sRGB,
                                                   eVT_UnsignedByteNorm, false));
    cube.setBorder(1, 2, 3);
    cube.setCubeMapOrder(CQelTString("XxYyZz"));
    cube.setOrientation(EQelTOrientation(eOrientLeft | eOrientUp));
    cube.setBumpMap(0.75f, CQelTString("xyz"));
    const float atlas[4] = {0, 0.5f, 0.5f, 1};
    cube.setTextureAtlas(atlas, 4);
    MetaDataBlock foreign;
    foreign.DevFOURCC = 0x54534554;
    foreign.u32Key = 77;
    foreign.u32DataSize = 300;
    foreign.Data.reset(new uint8_t[300]);
    for (int i = 0; i < 300; ++i) foreign.Data[i] = uint8_t(i);
    cube.addMetaData(foreign);
    cube.addPaddingMetaData(64);  // the pixel data then starts at a multiple of 64
    cases.push_back(cube);
    // A compressed format with rounded level sizes, a depth, and flag bits that carry no
    // meaning but must pass through.
    CQelTexture etc = patterned(CQelTextureHeader(ePF_ETC1, 3, 5, 1, 3, 1, 1), 2);
    cases.push_back(etc);
    CQelTexture volume = patterned(CQelTextureHeader(QelStandard16PixelType.PixelTypeID, 4, 6, 3, 2,
                                                     3, 1, eCS_LinearRGB, eVT_UnsignedShortNorm, true),
                                   3);
    volume.setIsFileCompressed(true);
    cases.push_back(volume);

    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(c);
        const CQelTexture& original = cases[c];
        const std::string p = path("rt" + std::to_string(c) + ".qel");
        ASSERT_TRUE(original.saveFile(CQelTString(p.c_str())));
        const Bytes file = readFile(p);
        EXPECT_EQ(file.size(), 52u + original.getMetaDataSize() + original.getDataSize(-1, true, true));
        EXPECT_EQ(saveStream(original), file);

        CQelTexture fromPath(p.c_str());
        expectSameTexture(fromPath, original);
        CQelTexture fromBounded(static_cast<const void*>(file.data()), file.size());
        expectSameTexture(fromBounded, original);
        CQelTexture fromUnbounded(static_cast<const void*>(file.data()));
        expectSameTexture(fromUnbounded, original);
        CQelTexture fromStream;
        ASSERT_TRUE(loadStream(fromStream, file));
        expectSameTexture(fromStream, original);
        // Saving what was loaded gives the same bytes again.
        EXPECT_EQ(saveStream(fromPath), file);
    }
    EXPECT_EQ((52 + cube.getMetaDataSize()) % 64, 0u);
    EXPECT_EQ(cases[2].getFileHeader().u32Flags, 3u);
}

TEST_F(NativeFile, LoadsFromPipesWithoutKnowingTheLength) {
    // Pixel data and a metadata block both larger than the pipe's buffer and the loader's
    // read chunk.
    CQelTexture t = patterned(rgba8(128, 64, 3));
    t.setBorder(4, 4, 0);
    MetaDataBlock big;
    big.DevFOURCC = 0x47494221;
    big.u32Key = 1;
    big.u32DataSize = 150000;
    big.Data.reset(new uint8_t[150000]);
    for (uint32_t i = 0; i < 150000; ++i) big.Data[i] = uint8_t(i % 251);
    t.addMetaData(big);
    const Bytes file = saveStream(t);
    ASSERT_GT(file.size(), 2u * 65536u);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::thread writer([&] {
        size_t done = 0;
        while (done < file.size()) {
            ssize_t n = ::write(fds[1], file.data() + done, file.size() - done);
            if (n <= 0) break;
            done += size_t(n);
        }
        ::close(fds[1]);
    });
    FILE* f = fdopen(fds[0], "rb");
    ASSERT_NE(f, nullptr);
    CQelTexture loaded;
    EXPECT_TRUE(loaded.privateLoadQELFile(f));
    std::fclose(f);
    writer.join();
    expectSameTexture(loaded, t);
}

// ---------------------------------------------------------------------------------------
// Hostile and damaged input

// A 4x4 RGBA8 file with a border block: 52 + 24 + 64 bytes.
Bytes sampleFile() {
    CQelTexture t = patterned(rgba8(4, 4));
    t.setBorder(1, 2, 3);
    return saveStream(t);
}

TEST_F(NativeFile, TruncatedFiles) {
    const Bytes full = sampleFile();
    ASSERT_EQ(full.size(), 140u);
    CQelTexture reference(static_cast<const void*>(full.data()), full.size());
    ASSERT_FALSE(isDefault(reference));
    for (size_t n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        const Bytes cut(full.begin(), full.begin() + n);
        // The bounded image loader refuses anything shorter than the header claims.
        CQelTexture fromMemory(static_cast<const void*>(cut.data()), cut.size());
        EXPECT_TRUE(isDefault(fromMemory));
        // The stream loader fails until at least one data byte is present, then loads with
        // the missing bytes zero.
        CQelTexture fromStream;
        const bool ok = loadStream(fromStream, cut);
        if (n <= 76) {
            EXPECT_FALSE(ok);
            EXPECT_TRUE(isDefault(fromStream));
        } else {
            ASSERT_TRUE(ok);
            Bytes expected = dataOf(reference);
            std::fill(expected.begin() + long(n - 76), expected.end(), 0);
            EXPECT_EQ(dataOf(fromStream), expected);
            uint32_t x, y, z;
            fromStream.getBorder(x, y, z);
            EXPECT_EQ(z, 3u);
        }
    }
}

TEST_F(NativeFile, FailedLoadLeavesDefaultTextureUnrecognisedLeavesItUntouched) {
    const Bytes full = sampleFile();
    CQelTexture previous = patterned(rgba8(8, 8));
    previous.setOrientation(eOrientOut);

    // Metadata cut inside the block: the header was recognised, the load resets.
    CQelTexture t(previous);
    EXPECT_FALSE(loadStream(t, Bytes(full.begin(), full.begin() + 60)));
    EXPECT_TRUE(isDefault(t));
    CQelTexture u(previous);
    EXPECT_FALSE(u.privateLoadQELMemory(full.data(), 60));
    EXPECT_TRUE(isDefault(u));

    // A byte-swapped version word (big-endian file), legacy sizes and garbage are refused
    // at the first word, leaving the texture as it was.
    for (uint32_t word : {0x51454C03u, 0u, 0xFFFFFFFFu, 0x034C4552u}) {
        Bytes bad = full;
        putU32(bad, 0, word);
        CQelTexture v(previous);
        EXPECT_FALSE(loadStream(v, bad));
        expectSameTexture(v, previous);
        EXPECT_FALSE(v.privateLoadQELMemory(bad.data(), bad.size()));
        expectSameTexture(v, previous);
        CQelTexture w(static_cast<const void*>(bad.data()), bad.size());
        EXPECT_TRUE(isDefault(w));
    }
    // Legacy header sizes are recognised; one cut inside its header fails like any other.
    for (uint32_t word : {44u, 52u}) {
        Bytes legacy(word - 1, 0);
        putU32(legacy, 0, word);
        CQelTexture v(previous);
        EXPECT_FALSE(loadStream(v, legacy));
        EXPECT_TRUE(isDefault(v));
        CQelTexture w(static_cast<const void*>(legacy.data()), legacy.size());
        EXPECT_TRUE(isDefault(w));
        CQelTexture x(writeFile("legacy.qel", legacy).c_str());
        EXPECT_TRUE(isDefault(x));
    }
    // Fewer than four bytes: no first word.
    CQelTexture v(previous);
    EXPECT_FALSE(loadStream(v, Bytes{0x51, 0x45, 0x4c}));
    expectSameTexture(v, previous);
    EXPECT_FALSE(v.privateLoadQELFile(nullptr));
    EXPECT_FALSE(v.privateLoadQELMemory(nullptr, 100));
    expectSameTexture(v, previous);
    CQelTexture nullImage(static_cast<const void*>(nullptr));
    EXPECT_TRUE(isDefault(nullImage));
}

TEST_F(NativeFile, HeadersOutsideTheSizeModelAreRefused) {
    struct Case {
        const char* what;
        uint32_t height, width, depth, surfaces, faces, mips;
        uint64_t format;
    };
    const Case cases[] = {
        {"33 MIP levels", 1, 1, 1, 1, 1, 33, kRGBA8},
        {"2^32 MIP levels", 1, 1, 1, 1, 1, 0xFFFFFFFFu, kRGBA8},
        {"64 GiB level", 65536, 65536, 1, 1, 1, 1, QelStandard32PixelType.PixelTypeID},
        {"4 GiB exactly", 32768, 32768, 1, 1, 1, 1, kRGBA8},
        {"faces times surfaces wrap", 16, 16, 1, 0x10000, 0x10000, 1, kRGBA8},
        {"depth", 1024, 1024, 0xFFFFFFFFu, 1, 1, 1, kRGBA8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = recordBytes(0, c.format, 0, 0, c.height, c.width, c.depth, c.surfaces,
                                 c.faces, c.mips, 0);
        file.resize(file.size() + 256, 0x11);
        AllocationWatch watch;
        CQelTexture fromStream;
        EXPECT_FALSE(loadStream(fromStream, file));
        EXPECT_TRUE(isDefault(fromStream));
        CQelTexture fromMemory(static_cast<const void*>(file.data()), file.size());
        EXPECT_TRUE(isDefault(fromMemory));
        EXPECT_LT(watch.largest(), 4096u);
    }
    // The largest texture inside the model, 32 levels of a 2^31 x 1 'x' 8 texture
    // (4 GiB - 1 bytes), passes the header checks and is refused only for its length.
    Bytes edge = recordBytes(0, 0x0000000800000078ull, 0, 0, 1, 0x80000000u, 1, 1, 1, 32, 0);
    edge.push_back(1);
    CQelTextureHeader edgeHeader(0x0000000800000078ull, 1, 0x80000000u, 1, 32);
    ASSERT_TRUE(edgeHeader.isWithinSizeModel());
    EXPECT_EQ(edgeHeader.getDataSize(-1, true, true), 0xFFFFFFFFu);
    CQelTexture fromMemory(static_cast<const void*>(edge.data()), edge.size());
    EXPECT_TRUE(isDefault(fromMemory));
}

TEST_F(NativeFile, ClaimsLargerThanTheInputNeverBecomeAllocations) {
    // A metadata block claiming ~4 GiB in a file of a few hundred bytes.
    Bytes file = recordBytes(0, kRGBA8, 0, 0, 4, 4, 1, 1, 1, 1, 0xFFFFFFF0u);
    for (uint32_t v : {kVersion3, 1u, 0xFFFFFF00u}) appendU32(file, v);
    file.resize(file.size() + 300, 0x22);
    const std::string onDisk = writeFile("huge-block.qel", file);
    {
        AllocationWatch watch;
        CQelTexture fromStream;
        EXPECT_FALSE(loadStream(fromStream, file));
        EXPECT_TRUE(isDefault(fromStream));
        CQelTexture fromMemory(static_cast<const void*>(file.data()), file.size());
        EXPECT_TRUE(isDefault(fromMemory));
        CQelTexture fromPath(onDisk.c_str());
        EXPECT_TRUE(isDefault(fromPath));
        EXPECT_LT(watch.largest(), 4096u);
    }
    // A 16 MiB texture with only its record: nothing to read, nothing allocated.
    Bytes bare = recordBytes(0, kRGBA8, 0, 0, 2048, 2048, 1, 1, 1, 1, 0);
    {
        AllocationWatch watch;
        CQelTexture fromStream;
        EXPECT_FALSE(loadStream(fromStream, bare));
        CQelTexture fromMemory(static_cast<const void*>(bare.data()), bare.size());
        EXPECT_TRUE(isDefault(fromMemory));
        EXPECT_LT(watch.largest(), 4096u);
    }
    // With one data byte the stream loader accepts the short read: the block has its full
    // size, the byte at the start and zeros after it.
    bare.push_back(0x9c);
    CQelTexture shortRead;
    ASSERT_TRUE(loadStream(shortRead, bare));
    ASSERT_EQ(shortRead.getDataBlockSize(), 2048u * 2048u * 4u);
    const uint8_t* p = shortRead.getDataPtr(0, 0, 0);
    EXPECT_EQ(p[0], 0x9c);
    size_t nonZero = 0;
    for (uint32_t i = 1; i < shortRead.getDataBlockSize(); ++i) nonZero += p[i] != 0;
    EXPECT_EQ(nonZero, 0u);
    // The bounded image loader refuses the same image.
    CQelTexture fromMemory(static_cast<const void*>(bare.data()), bare.size());
    EXPECT_TRUE(isDefault(fromMemory));
}

TEST_F(NativeFile, MetadataBlockRules) {
    // A block with no data bytes: a failed read from a stream, an ordinary block in memory.
    Bytes empty = recordBytes(0, kRGBA8, 0, 0, 1, 1, 1, 1, 1, 1, 12);
    for (uint32_t v : {0x12345678u, 5u, 0u}) appendU32(empty, v);
    for (uint8_t b : {1, 2, 3, 4}) empty.push_back(b);
    CQelTexture fromStream;
    EXPECT_FALSE(loadStream(fromStream, empty));
    EXPECT_TRUE(isDefault(fromStream));
    CQelTexture fromMemory(static_cast<const void*>(empty.data()), empty.size());
    EXPECT_TRUE(fromMemory.hasMetaData(0x12345678u, 5));
    EXPECT_EQ(fromMemory.getMetaDataSize(), 12u);
    EXPECT_EQ(dataOf(fromMemory), (Bytes{1, 2, 3, 4}));

    // A block running past the claimed size. Claim 20, then a 24-byte border block, then
    // 64 data bytes. The stream loader drops the block and its data starts at the block;
    // the image loader keeps it and its data follows it.
    Bytes over = recordBytes(0, kRGBA8, 0, 0, 4, 4, 1, 1, 1, 1, 20);
    for (uint32_t v : {kVersion3, 4u, 12u, 7u, 8u, 9u}) appendU32(over, v);
    for (int i = 0; i < 64; ++i) over.push_back(uint8_t(200 + i));
    CQelTexture dropped;
    ASSERT_TRUE(loadStream(dropped, over));
    EXPECT_EQ(dropped.getMetaDataSize(), 0u);
    EXPECT_FALSE(dropped.hasMetaData(QEL_FOURCC, eMetaDataBorderData));
    EXPECT_EQ(dataOf(dropped), Bytes(over.begin() + 52, over.begin() + 52 + 64));
    CQelTexture kept(static_cast<const void*>(over.data()), over.size());
    EXPECT_EQ(kept.getMetaDataSize(), 24u);
    uint32_t x, y, z;
    kept.getBorder(x, y, z);
    EXPECT_EQ(x + y + z, 24u);
    EXPECT_EQ(dataOf(kept), Bytes(over.begin() + 76, over.end()));

    // A repeated (FourCC, key) replaces the earlier block; the size counts what is held.
    Bytes twice = recordBytes(0, kRGBA8, 0, 0, 1, 1, 1, 1, 1, 1, 28);
    for (uint32_t v : {9u, 1u, 2u}) appendU32(twice, v);
    twice.push_back(0xaa);
    twice.push_back(0xbb);
    for (uint32_t v : {9u, 1u, 2u}) appendU32(twice, v);
    twice.push_back(0xcc);
    twice.push_back(0xdd);
    for (uint8_t b : {1, 2, 3, 4}) twice.push_back(b);
    CQelTexture replaced;
    ASSERT_TRUE(loadStream(replaced, twice));
    EXPECT_EQ(replaced.getMetaDataSize(), 14u);
    EXPECT_EQ(replaced.getMetaData(9, 1).Data[0], 0xcc);
    EXPECT_EQ(dataOf(replaced), (Bytes{1, 2, 3, 4}));
}

TEST_F(NativeFile, ManyDistinctBlocksAreRefused) {
    // Tiny blocks under distinct keys: a few thousand are fine, beyond that the file is
    // treated as hostile rather than loaded in quadratic time.
    auto build = [](uint32_t count) {
        Bytes f = recordBytes(0, kRGBA8, 0, 0, 1, 1, 1, 1, 1, 1, count * 13);
        for (uint32_t k = 0; k < count; ++k) {
            for (uint32_t v : {1u, k, 1u}) appendU32(f, v);
            f.push_back(uint8_t(k));
        }
        for (uint8_t b : {1, 2, 3, 4}) f.push_back(b);
        return f;
    };
    const Bytes fine = build(4096), tooMany = build(4097);
    CQelTexture a, b;
    EXPECT_TRUE(loadStream(a, fine));
    EXPECT_EQ(a.getMetaDataSize(), 4096u * 13u);
    EXPECT_FALSE(loadStream(b, tooMany));
    CQelTexture c(static_cast<const void*>(fine.data()), fine.size());
    EXPECT_EQ(c.getMetaDataSize(), 4096u * 13u);
    CQelTexture d(static_cast<const void*>(tooMany.data()), tooMany.size());
    EXPECT_TRUE(isDefault(d));
}

// Writes a few valid files made by the library as the seed corpus of the native fuzz
// harnesses (build-fuzz/corpus-native, outside version control).
TEST(NativeFileSeeds, WriteFuzzCorpus) {
    const fs::path dir = fs::path(QELTEX_SOURCE_DIR) / "build-fuzz" / "corpus-native";
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        GTEST_SKIP() << "cannot create " << dir;
    }
    std::vector<CQelTexture> seeds;
    seeds.push_back(patterned(rgba8(4, 4)));
    CQelTexture bordered = patterned(rgba8(8, 4, 2));
    bordered.setBorder(1, 2, 3);
    bordered.setOrientation(eOrientUp);
    seeds.push_back(bordered);
    CQelTexture cube = patterned(CQelTextureHeader(ePF_ETC2_RGBA, 8, 8, 1, 3, 2, 6));
    cube.setCubeMapOrder(CQelTString("XxYyZz"));
    cube.setBumpMap(1.5f, CQelTString("xyz"));
    seeds.push_back(cube);
    CQelTexture padded = patterned(CQelTextureHeader(QelStandard32PixelType.PixelTypeID, 2, 3, 2, 2,
                                                     1, 1, eCS_LinearRGB, eVT_SignedFloat));
    const float atlas[2] = {0.5f, 0.25f};
    padded.setTextureAtlas(atlas, 2);
    padded.addPaddingMetaData(32);
    seeds.push_back(padded);
    seeds.push_back(patterned(CQelTextureHeader(ePF_BW1bpp, 1, 1, 1, 1, 1, 1)));
    for (size_t i = 0; i < seeds.size(); ++i) {
        bool ok = false;
        Bytes bytes = saveStream(seeds[i], &ok);
        ASSERT_TRUE(ok) << i;
        std::ofstream out(dir / ("seed" + std::to_string(i) + ".qel"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
}

}  // namespace
