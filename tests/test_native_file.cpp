// The native texture file: byte layout, loader and writer chosen by extension, round trips
// through paths, streams and memory, and hostile input that fails without over-allocating.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#include "TestFiles.h"

using namespace qeltexture;
using namespace qeltest;
namespace fs = std::filesystem;

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

constexpr uint32_t kVersion3 = 0x034C4551u;
constexpr uint64_t kRGBA8 = 0x0808080861626772ull;

// The 52-byte record written field by field (channel type 0), independently of the library.
Bytes recordBytes(uint32_t flags, uint64_t format, uint32_t colourSpace, uint32_t height, uint32_t width,
                  uint32_t depth, uint32_t surfaces, uint32_t faces, uint32_t mips, uint32_t metaDataSize) {
    Bytes b;
    appendLE32(b, {kVersion3, flags, uint32_t(format), uint32_t(format >> 32), colourSpace, 0, height, width,
                   depth, surfaces, faces, mips, metaDataSize});
    return b;
}

CQelTextureHeader rgba8(uint32_t w, uint32_t h, uint32_t mips = 1) { return CQelTextureHeader(kRGBA8, h, w, 1, mips); }
Bytes save(const CQelTexture& t, bool* ok = nullptr) { return saveWith(&CQelTexture::privateSaveQELFile, t, ok); }
bool load(CQelTexture& t, const Bytes& file) { return loadWith(&CQelTexture::privateLoadQELFile, t, file); }
CQelTexture fromMemory(const Bytes& file) { return CQelTexture(static_cast<const void*>(file.data()), file.size()); }

bool isDefault(const CQelTexture& t) {
    QelTextureHeaderV3 r = t.getFileHeader(), d;
    return std::memcmp(&r, &d, sizeof r) == 0 && t.getDataBlockSize() == 0 && t.getDataPtr(0, 0, 0) == nullptr &&
           t.getMetaDataMap()->GetSize() == 0;
}

// Both the stream loader (into `t`) and the bounded image loader give the default texture.
void expectRefused(const Bytes& file, CQelTexture t = CQelTexture()) {
    EXPECT_FALSE(load(t, file));
    EXPECT_TRUE(isDefault(t));
    EXPECT_TRUE(isDefault(fromMemory(file)));
}

// The writer's layout is pinned by the first test, so equal files mean equal textures.
void expectSameTexture(const CQelTexture& a, const CQelTexture& b) {
    EXPECT_EQ(a.getDataBlockSize(), a.getDataSize(-1, true, true));
    EXPECT_EQ(save(a), save(b));
}

std::vector<std::string> listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) names.push_back(fs::relative(e.path(), dir).string());
    std::sort(names.begin(), names.end());
    return names;
}

MetaDataBlock block(uint32_t fourCC, uint32_t key, uint32_t size) {
    MetaDataBlock b;
    b.DevFOURCC = fourCC;
    b.u32Key = key;
    b.u32DataSize = size;
    b.Data.reset(new uint8_t[size]);
    for (uint32_t i = 0; i < size; ++i) b.Data[i] = uint8_t(i % 251);
    return b;
}

}  // namespace

TEST(NativeFile, RecordAndBorderBlockLayouts) {
    // No metadata: the record, then exactly the data block.
    const CQelTexture t = patterned(CQelTextureHeader(kRGBA8, 2, 4, 1, 1, 1, 1, eCS_sRGB, eVT_UnsignedByteNorm, true));
    Bytes file = save(t);
    ASSERT_EQ(file.size(), 52u + 32u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 52), recordBytes(2, kRGBA8, 1, 2, 4, 1, 1, 1, 1, 0));
    EXPECT_EQ(Bytes(file.begin() + 52, file.end()), dataOf(t));

    // A border block: metadata size 24, block header at 52-63, widths at 64-75, data from 76.
    CQelTexture b = patterned(rgba8(4, 4));
    b.setBorder(1, 2, 0x01020304);
    file = save(b);
    ASSERT_EQ(file.size(), 76u + 64u);
    EXPECT_EQ(getLE32(file, 48), 24u);
    EXPECT_EQ(Bytes(file.begin() + 52, file.begin() + 76),
              (Bytes{0x51, 0x45, 0x4c, 0x03, 4, 0, 0, 0, 12, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 4, 3, 2, 1}));
    EXPECT_EQ(Bytes(file.begin() + 76, file.end()), dataOf(b));
}

TEST(NativeFile, WriterAndLoaderChosenByExtension) {
    ScratchDir d;
    const CQelTexture t = patterned(rgba8(4, 4));
    auto saveAs = [&](const CQelTexture& x, const std::string& name) { return x.saveFile(CQelTString(d.path(name).c_str())); };
    fs::create_directories(d.dir() / "a.b");
    // Native: nothing appended to .Qel, ".qel" appended otherwise ("a.b/texture" has extension "b/texture").
    for (const char* name : {"out.Qel", "out.png", "a.b/texture"}) EXPECT_TRUE(saveAs(t, name)) << name;
    std::vector<std::string> expected = {"a.b/texture.qel", "out.Qel", "out.png.qel"};
    for (const auto& [name, magic] : std::vector<std::pair<std::string, std::string>>{
             {"out.KTX", "\xABKTX 11\xBB"}, {"out.dds", "DDS "}, {"out.h", "/*"}}) {
        ASSERT_TRUE(saveAs(t, name)) << name;
        const Bytes f = readFile(d.path(name));
        EXPECT_EQ(std::string(f.begin(), f.begin() + long(std::min(f.size(), magic.size()))), magic) << name;
        expected.push_back(name);
    }
    EXPECT_FALSE(saveAs(t, "missing/out.qel"));
    // A failing writer deletes its file, also one it replaced (0-byte blocks cannot be written).
    CQelTexture padded = t;
    padded.addPaddingMetaData(16);
    writeFile(d.path("pad.qel"), Bytes(1000, 0xee));
    EXPECT_FALSE(saveAs(padded, "pad.qel"));
    EXPECT_FALSE(saveAs(CQelTexture(), "empty.qel"));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listing(d.dir()), expected);
    const Bytes image = save(t);
    for (const char* name : {"out.Qel", "out.png.qel", "a.b/texture.qel"}) EXPECT_EQ(readFile(d.path(name)), image) << name;

    // Native bytes load through the native loader; the .ktx and .dds loaders (any case) refuse them.
    for (const char* name : {"copy.png", "copy", "a.b/texture"})
        expectSameTexture(CQelTexture(writeFile(d.path(name), image).c_str()), t);
    for (const char* name : {"copy.KTX", "copy.DdS"})
        EXPECT_TRUE(isDefault(CQelTexture(writeFile(d.path(name), image).c_str()))) << name;
    EXPECT_TRUE(isDefault(CQelTexture(d.path("nowhere.qel").c_str())));  // format 27, 1 x 1 x 1, no data
    EXPECT_TRUE(isDefault(CQelTexture(static_cast<const char*>(nullptr))));
}

TEST(NativeFile, RoundTripsKeepRecordBlocksAndData) {
    std::vector<CQelTexture> cases;
    // Levels, members, faces; blocks under two FourCCs, one larger than the loader's read chunk.
    CQelTexture cube = patterned(CQelTextureHeader(kRGBA8, 16, 16, 1, 5, 2, 6, eCS_sRGB, eVT_UnsignedByteNorm, false));
    cube.setBorder(1, 2, 3);
    cube.setCubeMapOrder(CQelTString("XxYyZz"));
    cube.setOrientation(EQelTOrientation(eOrientLeft | eOrientUp));
    cube.setBumpMap(0.75f, CQelTString("xyz"));
    const float atlas[4] = {0, 0.5f, 0.5f, 1};
    cube.setTextureAtlas(atlas, 4);
    cube.addMetaData(block(0x54534554, 77, 150000));
    cube.addPaddingMetaData(64);
    EXPECT_EQ((52 + cube.getMetaDataSize()) % 64, 0u);
    cases.push_back(cube);
    // A compressed format with rounded level sizes.
    cases.push_back(patterned(CQelTextureHeader(ePF_ETC1, 3, 5, 1, 3, 1, 1), 2));
    // A depth, and flag bits that carry no meaning here but must pass through.
    CQelTexture volume = patterned(CQelTextureHeader(QelStandard16PixelType.PixelTypeID, 4, 6, 3, 2, 3, 1,
                                                     eCS_LinearRGB, eVT_UnsignedShortNorm, true), 3);
    volume.setIsFileCompressed(true);
    EXPECT_EQ(volume.getFileHeader().u32Flags, 3u);
    cases.push_back(volume);

    ScratchDir d;
    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(c);
        const CQelTexture& original = cases[c];
        const std::string p = d.path("rt" + std::to_string(c) + ".qel");
        ASSERT_TRUE(original.saveFile(CQelTString(p.c_str())));
        const Bytes file = readFile(p);
        EXPECT_EQ(file.size(), 52u + original.getMetaDataSize() + original.getDataSize(-1, true, true));
        EXPECT_EQ(save(original), file);

        expectSameTexture(CQelTexture(p.c_str()), original);
        expectSameTexture(fromMemory(file), original);
        expectSameTexture(CQelTexture(static_cast<const void*>(file.data())), original);
        CQelTexture fromStream;
        ASSERT_TRUE(load(fromStream, file));
        expectSameTexture(fromStream, original);
    }
}

TEST(NativeFile, TruncatedSwappedAndUnrecognisedFiles) {
    CQelTexture sample = patterned(rgba8(4, 4));
    sample.setBorder(1, 2, 3);
    const Bytes full = save(sample);
    ASSERT_EQ(full.size(), 52u + 24u + 64u);
    for (size_t n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        const Bytes cut(full.begin(), full.begin() + long(n));
        // The bounded image loader refuses anything shorter than the header claims.
        EXPECT_TRUE(isDefault(fromMemory(cut)));
        // The stream loader needs at least one data byte; the missing ones read back as zero.
        CQelTexture t;
        if (n <= 76) {
            EXPECT_FALSE(load(t, cut));
            EXPECT_TRUE(isDefault(t));
            continue;
        }
        ASSERT_TRUE(load(t, cut));
        Bytes expected = dataOf(sample);
        std::fill(expected.begin() + long(n - 76), expected.end(), 0);
        EXPECT_EQ(dataOf(t), expected);
    }

    CQelTexture previous = patterned(rgba8(8, 8));
    previous.setOrientation(eOrientOut);
    // Metadata cut inside a block: the header was recognised, so the texture resets.
    CQelTexture cutInBlock(previous);
    EXPECT_FALSE(cutInBlock.privateLoadQELMemory(full.data(), 60));
    EXPECT_TRUE(isDefault(cutInBlock));
    // A byte-swapped version word or a near miss: refused at once, the texture untouched.
    for (uint32_t word : {0x51454C03u, 0x034C4552u}) {
        Bytes bad = full;
        putLE32(bad, 0, word);
        CQelTexture t(previous);
        EXPECT_FALSE(load(t, bad));
        EXPECT_FALSE(t.privateLoadQELMemory(bad.data(), bad.size()));
        expectSameTexture(t, previous);
        EXPECT_TRUE(isDefault(fromMemory(bad)));
    }
    // No stream, no image.
    CQelTexture t(previous);
    EXPECT_FALSE(t.privateLoadQELFile(nullptr));
    EXPECT_FALSE(t.privateLoadQELMemory(nullptr, 100));
    expectSameTexture(t, previous);
    EXPECT_TRUE(isDefault(CQelTexture(static_cast<const void*>(nullptr))));
}

TEST(NativeFile, HeadersOutsideTheSizeModelAreRefused) {
    const struct { const char* what; uint32_t height, width, surfaces, faces, mips; } cases[] = {
        {"2^32 MIP levels", 1, 1, 1, 1, 0xFFFFFFFFu},
        {"4 GiB exactly", 32768, 32768, 1, 1, 1},
        {"faces times surfaces wrap", 16, 16, 0x10000, 0x10000, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = recordBytes(0, kRGBA8, 0, c.height, c.width, 1, c.surfaces, c.faces, c.mips, 0);
        file.resize(file.size() + 256, 0x11);
        AllocationWatch watch;
        expectRefused(file);
        EXPECT_LT(watch.largest(), 4096u);
    }
    // The largest texture inside the model, 32 levels of a 2^31 x 1 'x' 8 texture (4 GiB - 1
    // bytes), passes the header checks and is refused only for its length.
    const CQelTextureHeader edgeHeader(0x0000000800000078ull, 1, 0x80000000u, 1, 32);
    ASSERT_TRUE(edgeHeader.isWithinSizeModel());
    EXPECT_EQ(edgeHeader.getDataSize(-1, true, true), 0xFFFFFFFFu);
    Bytes edge = recordBytes(0, 0x0000000800000078ull, 0, 1, 0x80000000u, 1, 1, 1, 32, 0);
    edge.push_back(1);
    EXPECT_TRUE(isDefault(fromMemory(edge)));
}

TEST(NativeFile, ClaimsLargerThanTheInputNeverBecomeAllocations) {
    // A metadata block claiming ~4 GiB in a file of a few hundred bytes.
    Bytes file = recordBytes(0, kRGBA8, 0, 4, 4, 1, 1, 1, 1, 0xFFFFFFF0u);
    appendLE32(file, {kVersion3, 1u, 0xFFFFFF00u});
    file.resize(file.size() + 300, 0x22);
    // A 16 MiB texture with only its record.
    Bytes bare = recordBytes(0, kRGBA8, 0, 2048, 2048, 1, 1, 1, 1, 0);
    {
        AllocationWatch watch;
        expectRefused(file);
        expectRefused(bare);
        EXPECT_LT(watch.largest(), 4096u);
    }
}

TEST(NativeFile, MetadataBlockRules) {
    // Claim 20, then a 24-byte border block, then 64 data bytes. The stream loader drops the
    // block past the claim (data starts at it); the image loader keeps it, data after it.
    Bytes over = recordBytes(0, kRGBA8, 0, 4, 4, 1, 1, 1, 1, 20);
    appendLE32(over, {kVersion3, 4u, 12u, 7u, 8u, 9u});
    for (int i = 0; i < 64; ++i) over.push_back(uint8_t(200 + i));
    CQelTexture dropped;
    ASSERT_TRUE(load(dropped, over));
    EXPECT_EQ(dropped.getMetaDataSize(), 0u);
    EXPECT_EQ(dataOf(dropped), Bytes(over.begin() + 52, over.begin() + 52 + 64));
    const CQelTexture kept = fromMemory(over);
    EXPECT_EQ(kept.getMetaDataSize(), 24u);
    EXPECT_EQ(dataOf(kept), Bytes(over.begin() + 76, over.end()));
}

// Writes valid library files as the native fuzz seed corpus (build-fuzz/corpus-native).
TEST(NativeFileSeeds, WriteFuzzCorpus) {
    const fs::path dir = fs::path(QELTEX_SOURCE_DIR) / "build-fuzz" / "corpus-native";
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) GTEST_SKIP() << "cannot create " << dir;
    std::vector<CQelTexture> seeds;
    CQelTexture bordered = patterned(rgba8(8, 4, 2));
    bordered.setBorder(1, 2, 3);
    bordered.setOrientation(eOrientUp);
    seeds.push_back(bordered);
    CQelTexture cube = patterned(CQelTextureHeader(ePF_ETC2_RGBA, 8, 8, 1, 3, 2, 6));
    cube.setCubeMapOrder(CQelTString("XxYyZz"));
    cube.setBumpMap(1.5f, CQelTString("xyz"));
    cube.addPaddingMetaData(32);
    seeds.push_back(cube);
    seeds.push_back(patterned(CQelTextureHeader(ePF_BW1bpp, 1, 1, 1, 1, 1, 1)));
    for (size_t i = 0; i < seeds.size(); ++i) {
        bool ok = false;
        const Bytes bytes = save(seeds[i], &ok);
        ASSERT_TRUE(ok) << i;
        writeFile((dir / ("seed" + std::to_string(i) + ".qel")).string(), bytes);
    }
}
