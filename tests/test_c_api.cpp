// The exported functions, called as a host calls them: through dlopen and C pointers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "HostLibrary.h"
#include "Texture.h"  // only to inspect the object behind a handle

namespace {
const uint64_t kRGBA8 = 0x0808080861626772ull;
const qeltexture::CQelTexture& inspect(void* handle) {
    return *static_cast<const qeltexture::CQelTexture*>(handle);
}
}  // namespace

TEST(CApi, ArgumentOrderFlagsAndSizes) {
    HostLibrary host;
    ASSERT_TRUE(host.ok()) << dlerror();

    std::vector<uint8_t> pixels(4 * 2 * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i);
    // Width before height; channel type (12) before colour space (1); premultiplied bit 0 only.
    void* t = host.CreateTexture(pixels.data(), 4, 2, 1, kRGBA8, 0xFF, 12, 1);
    ASSERT_NE(t, nullptr);
    const auto& tex = inspect(t);
    EXPECT_EQ(tex.getWidth() * 10 + tex.getHeight(), 42u);
    EXPECT_EQ(tex.getChannelType(), qeltexture::eVT_SignedFloat);
    EXPECT_EQ(tex.getColourSpace(), qeltexture::eCS_sRGB);
    EXPECT_EQ(tex.getFileHeader().u32Flags, 2u);
    EXPECT_EQ(host.GetTextureDataSize(t, 0), 32u);
    EXPECT_EQ(host.GetTextureDataSize(t, -1), 32u);

    std::vector<uint8_t> out(32, 0xEE);
    host.GetTextureData(t, out.data(), 32, 0);
    EXPECT_EQ(out, pixels);
    host.DestroyTexture(t);

    pixels.resize(64);
    void* plain = host.CreateTexture(pixels.data(), 4, 4, 1, kRGBA8, 2, 0, 0);  // bit 0 clear
    EXPECT_EQ(inspect(plain).getFileHeader().u32Flags, 0u);
    EXPECT_EQ(host.GetTextureDataSize(plain, -1), 64u);
    host.DestroyTexture(plain);
}

TEST(CApi, NullHandlesMissingFilesAndNullData) {
    HostLibrary host;
    ASSERT_TRUE(host.ok());
    EXPECT_EQ(host.SaveTexture(nullptr, "/tmp/never.qel"), 0);
    EXPECT_EQ(host.Resize(nullptr, 2, 2, 1, 1), 0);
    EXPECT_EQ(host.PremultiplyAlpha(nullptr), 0);
    EXPECT_EQ(host.GenerateMIPMaps(nullptr, 1, 0xFFFFFFFF), 0);
    EXPECT_EQ(host.Transcode(nullptr, kRGBA8, 0, 0, 0, 0), 0);
    EXPECT_EQ(host.GetTextureDataSize(nullptr, -1), 0u);
    host.DestroyTexture(nullptr);
    uint8_t sink[4] = {1, 2, 3, 4};
    host.GetTextureData(nullptr, sink, 4, 0);
    EXPECT_EQ(sink[0], 1);
    void* missing = host.CreateTextureFromFile("/nonexistent/dir/texture.ktx");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(host.GetTextureDataSize(missing, -1), 0u);
    host.DestroyTexture(missing);

    // Null data: the full block exists, zeroed, and can be filled later.
    void* etc = host.CreateTexture(nullptr, 5, 3, 1, 6 /* ETC1 */, 0, 0, 0);
    EXPECT_EQ(host.GetTextureDataSize(etc, -1), 16u);
    std::vector<uint8_t> out(16, 0xAA);
    host.GetTextureData(etc, out.data(), 16, 0);
    EXPECT_EQ(out, std::vector<uint8_t>(16, 0));
    inspect(etc).getDataPtr()[15] = 7;
    host.GetTextureData(etc, out.data(), 16, 0);
    EXPECT_EQ(out[15], 7);
    // A level beyond the texture copies nothing; an oversized count stops at the block end.
    std::vector<uint8_t> guard(64, 0x55);
    host.GetTextureData(etc, guard.data(), 64, 1);
    EXPECT_EQ(guard[0], 0x55);
    host.GetTextureData(etc, guard.data(), 64, 0);
    EXPECT_EQ(guard[15], 7);
    EXPECT_EQ(guard[16], 0x55);
    host.DestroyTexture(etc);

    // A shape outside the 32-bit size model gives an empty texture, never a short block.
    void* huge = host.CreateTexture(nullptr, 65536, 65536, 1, kRGBA8, 0, 0, 0);
    EXPECT_EQ(host.GetTextureDataSize(huge, -1), 0u);
    host.GetTextureData(huge, guard.data(), 64, 0);
    host.DestroyTexture(huge);
}

TEST(CApi, ExportedSymbolSetIsExactlyTheCFunctions) {
    FILE* p = popen(("nm -D --defined-only " + std::string(QELTEX_SHARED_LIB_PATH) + " 2>/dev/null").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::set<std::string> exported;
    char type, name[400];
    unsigned long long addr;
    while (fscanf(p, "%llx %c %399s", &addr, &type, name) == 3) exported.insert(name);
    ASSERT_EQ(pclose(p), 0) << "nm failed";
    const std::set<std::string> expected = {"CreateTexture", "CreateTextureFromFile", "SaveTexture", "DestroyTexture",
                                            "Resize", "PremultiplyAlpha", "GenerateMIPMaps", "Transcode",
                                            "GetTextureDataSize", "GetTextureData"};
    EXPECT_EQ(exported, expected);
}

TEST(CApi, HostSequenceCreateMipmapEncodeCopyAndFileRoundTrip) {
    HostLibrary host;
    ASSERT_TRUE(host.ok());
    const uint32_t w = 16, h = 8;
    std::vector<uint8_t> pixels(w * h * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t((i * 37) ^ (i >> 3));
    void* t = host.CreateTexture(pixels.data(), w, h, 1, kRGBA8, 0, 0, 0);

    // Results are exactly 0 or 1; filters outside 0..2 are refused with the texture unchanged.
    EXPECT_EQ(host.Resize(t, 8, 8, 1, 7), 0);
    EXPECT_EQ(host.GetTextureDataSize(t, -1), w * h * 4);
    EXPECT_EQ(host.GenerateMIPMaps(t, 1, 0xFFFFFFFF), 1);
    EXPECT_EQ(inspect(t).getNumMIPLevels(), 5u);  // 16 -> 8 -> 4 -> 2 -> 1
    const uint32_t rgbaAll = host.GetTextureDataSize(t, -1);
    EXPECT_EQ(rgbaAll, 4u * (128 + 32 + 8 + 2 + 1));

    // Save and load back through the file functions.
    std::string path = "/tmp/qeltex-capi-" + std::to_string(getpid()) + ".qel";
    EXPECT_EQ(host.SaveTexture(t, path.c_str()), 1);
    void* loaded = host.CreateTextureFromFile(path.c_str());
    ASSERT_EQ(host.GetTextureDataSize(loaded, -1), rgbaAll);
    std::vector<uint8_t> a(rgbaAll), b(rgbaAll);
    host.GetTextureData(t, a.data(), rgbaAll, 0);
    host.GetTextureData(loaded, b.data(), rgbaAll, 0);
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::memcmp(a.data(), pixels.data(), pixels.size()), 0);
    host.DestroyTexture(loaded);
    std::remove(path.c_str());

    // Encode every level to ETC1 (the high dither bits are ignored), then copy everything out.
    EXPECT_EQ(host.Transcode(t, 6 /* ETC1 */, 0, 0, 0, 0xFE), 1);
    uint32_t all = host.GetTextureDataSize(t, -1);
    EXPECT_EQ(all, 8u * (8 + 2 + 1 + 1 + 1));  // 4x4 blocks of 8 bytes, small levels padded
    std::vector<uint8_t> blocks(all + 16, 0xCD);
    host.GetTextureData(t, blocks.data(), all, 0);
    EXPECT_EQ(blocks[all], 0xCD);  // nothing written past the count
    EXPECT_EQ(std::memcmp(blocks.data(), inspect(t).getDataPtr(), all), 0);
    host.GetTextureData(t, blocks.data(), 16, 1);  // starts at level 1
    EXPECT_EQ(std::memcmp(blocks.data(), inspect(t).getDataPtr(1, 0, 0), 16), 0);

    EXPECT_EQ(host.PremultiplyAlpha(t), 0);  // compressed: not a standard layout
    host.DestroyTexture(t);
}

TEST(CApi, ResizeLeavesCallerSizesAndPremultiplySetsFlag) {
    HostLibrary host;
    ASSERT_TRUE(host.ok());
    std::vector<uint8_t> px = {200, 100, 50, 128, 10, 20, 30, 255, 0, 0, 0, 0, 255, 255, 255, 255};
    void* t = host.CreateTexture(px.data(), 2, 2, 1, kRGBA8, 0, 0, 0);
    uint32_t w = 4, h = 4, d = 1;
    EXPECT_EQ(host.Resize(t, w, h, d, 2), 1);
    EXPECT_EQ(w * 100 + h * 10 + d, 441u);
    EXPECT_EQ(inspect(t).getWidth(), 4u);
    EXPECT_EQ(host.PremultiplyAlpha(t), 1);
    EXPECT_TRUE(inspect(t).isPreMultiplied());
    host.DestroyTexture(t);
}
