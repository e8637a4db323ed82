// DDS reading and writing: exact header layouts, surface order, format codes, hostile input.
#include <gtest/gtest.h>

#include <bitset>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FormatTablesD3D.h"
#include "Texture.h"

using namespace qeltexture;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

uint64_t pt(const char* n, uint8_t a, uint8_t b = 0, uint8_t c = 0, uint8_t d = 0) {
    auto at = [&](int i) { return uint8_t(std::strlen(n) > size_t(i) ? n[i] : 0); };
    return PixelType(at(0), at(1), at(2), at(3), a, b, c, d).PixelTypeID;
}
uint32_t u32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

CQelTexture makeTexture(uint64_t format, uint32_t w, uint32_t h, uint32_t d = 1, uint32_t mips = 1,
                        uint32_t members = 1, uint32_t faces = 1, EQelTColourSpace cs = eCS_LinearRGB,
                        EQelTVariableType type = eVT_UnsignedByteNorm) {
    CQelTexture t(CQelTextureHeader(format, h, w, d, mips, members, faces, cs, type), nullptr);
    uint8_t* p = t.getDataPtr(0, 0, 0);
    for (uint32_t i = 0; p && i < t.getDataBlockSize(); ++i) p[i] = uint8_t(3 + i * 13 + i / 241);
    return t;
}

// Offsets of the file: header fields sit at 4 + their offset within the 124-byte header.
enum : size_t {
    kFlags = 8, kHeight = 12, kWidth = 16, kPitch = 20, kDepth = 24, kMips = 28, kPfSize = 76,
    kPfFlags = 80, kFourCC = 84, kBits = 88, kMaskR = 92, kMaskG = 96, kMaskB = 100, kMaskA = 104,
    kCaps = 108, kCaps2 = 112, kDxgi = 128, kDimension = 132, kMisc = 136, kArraySize = 140
};

class DDSFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qeltex_dds_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    Bytes save(const CQelTexture& t) {
        const std::string path = (dir / "out.dds").string();
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        EXPECT_TRUE(t.privateSaveDDSFile(f));
        std::fclose(f);
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    bool load(CQelTexture& t, const Bytes& bytes) {
        const std::string path = (dir / "in.dds").string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        FILE* f = std::fopen(path.c_str(), "rb");
        bool ok = t.privateLoadDDSFile(f);
        std::fclose(f);
        return ok;
    }
    static Bytes dataOf(const CQelTexture& t) {
        const uint8_t* p = t.getDataPtr(0, 0, 0);
        return p ? Bytes(p, p + t.getDataBlockSize()) : Bytes();
    }
    void expectSame(const CQelTexture& a, const CQelTexture& b) {
        QelTextureHeaderV3 ha = a.getFileHeader(), hb = b.getFileHeader();
        EXPECT_EQ(std::memcmp(&ha, &hb, sizeof(ha)), 0) << std::hex << ha.u64PixelFormat << " " << hb.u64PixelFormat;
        EXPECT_EQ(dataOf(a), dataOf(b));
    }
    fs::path dir;
};

}  // namespace

TEST_F(DDSFiles, MaskFormatDX10AndFourCCHeaders) {
    // A8R8G8B8: bit masks, "DX10" in the FourCC field without the FourCC flag or extension.
    const CQelTexture argb = makeTexture(pt("argb", 8, 8, 8, 8), 4, 4);
    Bytes f = save(argb);
    ASSERT_EQ(f.size(), 128u + 64);
    EXPECT_EQ(std::memcmp(f.data(), "DDS ", 4), 0);
    EXPECT_EQ(u32(f, 4), 124u);
    EXPECT_EQ(u32(f, kFlags), 0x100Fu);
    EXPECT_EQ(u32(f, kHeight), 4u); EXPECT_EQ(u32(f, kWidth), 4u);
    EXPECT_EQ(u32(f, kPitch), 16u); EXPECT_EQ(u32(f, kDepth), 1u); EXPECT_EQ(u32(f, kMips), 1u);
    for (size_t at = 32; at < 76; at += 4) EXPECT_EQ(u32(f, at), 0u) << at;
    EXPECT_EQ(u32(f, kPfSize), 32u);
    EXPECT_EQ(u32(f, kPfFlags), 0x41u);
    EXPECT_EQ(std::memcmp(&f[kFourCC], "DX10", 4), 0);
    EXPECT_EQ(u32(f, kBits), 32u);
    EXPECT_EQ(u32(f, kMaskR), 0xFF0000u); EXPECT_EQ(u32(f, kMaskG), 0xFF00u);
    EXPECT_EQ(u32(f, kMaskB), 0xFFu); EXPECT_EQ(u32(f, kMaskA), 0xFF000000u);
    EXPECT_EQ(u32(f, kCaps), 0x1000u);
    for (size_t at = kCaps2; at < 128; at += 4) EXPECT_EQ(u32(f, at), 0u) << at;
    EXPECT_EQ(Bytes(f.begin() + 128, f.end()), dataOf(argb));
    CQelTexture back;
    ASSERT_TRUE(load(back, f));
    EXPECT_EQ(back.getChannelType(), eVT_UnsignedIntegerNorm);  // code 21 reads back as type 8
    back.setChannelType(eVT_UnsignedByteNorm);
    expectSame(argb, back);

    // RGBA8 has no Direct3D 9 code: DX10 header, DXGI 28 (29 in sRGB), two-dimensional.
    for (EQelTColourSpace cs : {eCS_LinearRGB, eCS_sRGB}) {
        const CQelTexture rgba = makeTexture(pt("rgba", 8, 8, 8, 8), 4, 4, 1, 1, 1, 1, cs);
        f = save(rgba);
        ASSERT_EQ(f.size(), 148u + 64);
        EXPECT_EQ(u32(f, kPfFlags), 4u);
        EXPECT_EQ(std::memcmp(&f[kFourCC], "DX10", 4), 0);
        EXPECT_EQ(u32(f, kBits) | u32(f, kMaskR) | u32(f, kMaskA), 0u);
        EXPECT_EQ(u32(f, kDxgi), cs == eCS_sRGB ? 29u : 28u);
        EXPECT_EQ(u32(f, kDimension), 3u); EXPECT_EQ(u32(f, kMisc), 0u);
        EXPECT_EQ(u32(f, kArraySize), 1u); EXPECT_EQ(u32(f, 144), 0u);
        ASSERT_TRUE(load(back, f));
        expectSame(rgba, back);
    }

    // DXT5 with 3 levels: FourCC, linear size of the whole texture, MIP-map caps.
    const CQelTexture dxt5 = makeTexture(ePF_DXT5, 16, 16, 1, 3);
    f = save(dxt5);
    ASSERT_EQ(f.size(), 128u + 256 + 64 + 16);
    EXPECT_EQ(u32(f, kFlags), 0x1007u | 0x20000 | 0x80000);
    EXPECT_EQ(u32(f, kPitch), 336u); EXPECT_EQ(u32(f, kMips), 3u);
    EXPECT_EQ(u32(f, kPfFlags), 4u);
    EXPECT_EQ(std::memcmp(&f[kFourCC], "DXT5", 4), 0);
    EXPECT_EQ(u32(f, kCaps), 0x401008u);
    ASSERT_TRUE(load(back, f));
    expectSame(dxt5, back);

    // Float formats are written by their numeric code in the FourCC field.
    const CQelTexture half = makeTexture(pt("r", 16), 3, 1, 1, 1, 1, 1, eCS_LinearRGB, eVT_SignedFloat);
    f = save(half);
    EXPECT_EQ(u32(f, kPfFlags), 4u); EXPECT_EQ(u32(f, kFourCC), 111u); EXPECT_EQ(u32(f, kPitch), 6u);
    ASSERT_TRUE(load(back, f));
    expectSame(half, back);
}

TEST_F(DDSFiles, CubeMapsVolumesAndArraysKeepTheSurfaceOrder) {
    // Surfaces are stored member, face, MIP level (innermost).
    const CQelTexture cube = makeTexture(pt("argb", 8, 8, 8, 8), 2, 2, 1, 2, 1, 6, eCS_LinearRGB,
                                         eVT_UnsignedIntegerNorm);
    Bytes f = save(cube);
    EXPECT_EQ(u32(f, kCaps2), 0xFE00u);
    EXPECT_EQ(u32(f, kCaps), 0x401008u);
    size_t at = 128;
    for (uint32_t face = 0; face < 6; ++face) {
        for (uint32_t L = 0; L < 2; ++L) {
            const uint32_t n = cube.getDataSize(int32_t(L), false, false);
            EXPECT_EQ(std::memcmp(&f[at], cube.getDataPtr(L, 0, face), n), 0) << face << " " << L;
            at += n;
        }
    }
    EXPECT_EQ(at, f.size());
    CQelTexture back;
    ASSERT_TRUE(load(back, f));
    expectSame(cube, back);

    // One level, no MIP maps: caps are texture + complex.
    f = save(makeTexture(ePF_DXT1, 4, 4, 1, 1, 1, 6));
    EXPECT_EQ(u32(f, kCaps), 0x1008u); EXPECT_EQ(u32(f, kCaps2), 0xFE00u);

    // Two members always take the DX10 header: cube flag and array size there.
    const CQelTexture cubes = makeTexture(ePF_BC5, 4, 8, 1, 2, 2, 6, eCS_LinearRGB, eVT_SignedIntegerNorm);
    f = save(cubes);
    EXPECT_EQ(u32(f, kPfFlags), 4u);
    EXPECT_EQ(u32(f, kDxgi), 84u); EXPECT_EQ(u32(f, kMisc), 4u); EXPECT_EQ(u32(f, kArraySize), 2u);
    EXPECT_EQ(u32(f, kDimension), 3u);
    ASSERT_TRUE(load(back, f));
    expectSame(cubes, back);

    const CQelTexture volume = makeTexture(pt("rgba", 8, 8, 8, 8), 3, 2, 4, 3);
    f = save(volume);
    EXPECT_EQ(u32(f, kFlags), 0x1007u | 0x8 | 0x20000 | 0x800000);
    EXPECT_EQ(u32(f, kDepth), 4u); EXPECT_EQ(u32(f, kCaps2), 0x200000u); EXPECT_EQ(u32(f, kDimension), 4u);
    ASSERT_TRUE(load(back, f));
    expectSame(volume, back);

    // A one-dimensional DX10 file is read with height and depth 1 whatever the header says.
    const CQelTexture line = makeTexture(pt("rgba", 8, 8, 8, 8), 5, 1);
    f = save(line);
    EXPECT_EQ(u32(f, kDimension), 2u);
    put32(f, kHeight, 7);
    put32(f, kDepth, 9);
    put32(f, kFlags, u32(f, kFlags) | 0x800000);
    ASSERT_TRUE(load(back, f));
    expectSame(line, back);
}

TEST_F(DDSFiles, EveryMaskFormatRoundTripsWithMasksMatchingItsChannels) {
    const uint32_t codes[] = {20, 21, 23, 24, 25, 26, 27, 28, 29, 31, 34, 35, 50, 51, 52, 60, 61, 62, 63, 64, 67, 81};
    for (uint32_t code : codes) {
        CQelTextureHeader h;
        ASSERT_TRUE(h.setD3DFormat(code)) << code;
        const CQelTexture t = makeTexture(h.getPixelType().PixelTypeID, 3, 2, 1, 2, 1, 1, eCS_LinearRGB,
                                          h.getChannelType());
        const Bytes f = save(t);
        EXPECT_EQ(u32(f, kBits), t.getBitsPerPixel()) << code;
        EXPECT_EQ(std::memcmp(&f[kFourCC], "DX10", 4), 0) << code;
        EXPECT_EQ(u32(f, kPfFlags) & 4, 0u) << code;
        // Each mask covers exactly its channel's bits, and no two masks overlap.
        // Luminance takes the red mask, or the blue one next to a red (bump) channel.
        std::string names;
        for (int c = 0; c < 4; ++c) names += char(t.getPixelType().channelName(c));
        const bool hasRed = names.find('r') != std::string::npos;
        uint32_t widths[4] = {0, 0, 0, 0}, seen = 0;
        for (int c = 0; c < 4; ++c) {
            const char name = names[c];
            const int slot = name == 'r' ? 0 : name == 'g' ? 1 : name == 'b' ? 2 : name == 'a' ? 3
                           : name == 'l' ? (hasRed ? 2 : 0) : -1;
            if (slot >= 0) widths[slot] = t.getPixelType().channelBits(c);
        }
        for (int m = 0; m < 4; ++m) {
            const uint32_t mask = u32(f, kMaskR + 4 * m);
            EXPECT_EQ(std::bitset<32>(mask).count(), widths[m]) << code << " mask " << m;
            EXPECT_EQ(mask & seen, 0u) << code;
            seen |= mask;
        }
        CQelTexture back;
        ASSERT_TRUE(load(back, f)) << code;
        expectSame(t, back);
    }
}

TEST_F(DDSFiles, FormatCodesReadFromFiles) {
    // 4x4 float RGBA: 256 data bytes, enough for every format tried below.
    const Bytes base = save(makeTexture(pt("abgr", 32, 32, 32, 32), 4, 4, 1, 1, 1, 1, eCS_LinearRGB,
                                        eVT_SignedFloat));
    CQelTexture t;
    auto loadWith = [&](size_t at, uint32_t v, bool dx10 = false) {
        Bytes f = base;
        if (dx10) {
            std::memcpy(&f[kFourCC], "DX10", 4);
            const uint8_t ext[20] = {0, 0, 0, 0, 3};
            f.insert(f.begin() + 128, ext, ext + 20);
        }
        put32(f, at, v);
        return load(t, f);
    };
    t.setIsPreMultiplied(false);
    ASSERT_TRUE(loadWith(kFourCC, D3DFMT_DXT2));
    EXPECT_EQ(t.getPixelType().PixelTypeID, uint64_t(ePF_DXT2)); EXPECT_TRUE(t.isPreMultiplied());
    ASSERT_TRUE(loadWith(kFourCC, D3DFMT_DXT1));
    EXPECT_FALSE(t.isPreMultiplied());
    ASSERT_TRUE(loadWith(kFourCC, 30));
    EXPECT_EQ(t.getPixelType().PixelTypeID, pt("argb", 4, 4, 4, 4));
    ASSERT_TRUE(loadWith(kFourCC, 111));
    EXPECT_EQ(t.getPixelType().PixelTypeID, pt("r", 16)); EXPECT_EQ(t.getChannelType(), eVT_SignedFloat);
    ASSERT_TRUE(loadWith(kDxgi, 65, true));
    EXPECT_EQ(t.getPixelType().PixelTypeID, pt("r", 8)); EXPECT_EQ(t.getChannelType(), eVT_UnsignedByteNorm);
    ASSERT_TRUE(loadWith(kDxgi, 80, true));
    EXPECT_EQ(t.getPixelType().PixelTypeID, uint64_t(ePF_BC4)); EXPECT_EQ(t.getColourSpace(), eCS_LinearRGB);
    // An unknown DXGI code: no format, nothing read, success with no data.
    ASSERT_TRUE(loadWith(kDxgi, 1000, true));
    EXPECT_EQ(t.getPixelType().PixelTypeID, uint64_t(ePF_NumCompressedPFs));
    EXPECT_EQ(t.getDataBlockSize(), 0u); EXPECT_EQ(t.getWidth(), 4u);
    // ... even when it claims four billion array members: nothing is walked.
    Bytes f = base;
    std::memcpy(&f[kFourCC], "DX10", 4);
    const uint8_t ext[20] = {0xE8, 3, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    f.insert(f.begin() + 128, ext, ext + 20);
    EXPECT_TRUE(load(t, f));
    EXPECT_EQ(t.getNumArrayMembers(), 0xFFFFFFFFu);
}

TEST_F(DDSFiles, HostileInputFailsCleanly) {
    const Bytes good = save(makeTexture(pt("rgb", 5, 6, 5), 5, 3, 1, 2, 1, 1, eCS_LinearRGB,
                                        eVT_UnsignedShortNorm));
    const CQelTexture before = makeTexture(pt("a", 8), 2, 2);
    for (size_t n = 0; n < good.size(); ++n) {
        CQelTexture t = before;
        EXPECT_FALSE(load(t, Bytes(good.begin(), good.begin() + n))) << n;
        if (n < 128) expectSame(t, before);
    }
    auto rejects = [&](size_t at, uint32_t value, bool untouched = true) {
        Bytes f = good;
        put32(f, at, value);
        CQelTexture t = before;
        const bool ok = load(t, f);
        if (untouched) expectSame(t, before);
        return !ok;
    };
    EXPECT_TRUE(rejects(0, 0x20534444 ^ 0x20));       // magic
    EXPECT_TRUE(rejects(4, 128));                      // header size
    EXPECT_TRUE(rejects(kWidth, 0xFFFFFFFF));          // beyond the size model
    EXPECT_TRUE(rejects(kHeight, 1 << 20));            // more data than the file
    EXPECT_TRUE(rejects(kMips, 40));                   // MIP count beyond the size model
    EXPECT_TRUE(rejects(kMaskG, 0x7E1, false));        // masks of no known format
    EXPECT_TRUE(rejects(kPfFlags, 0, false));

    // DX10: shorter than 148 bytes, or an unknown resource dimension, fails with the
    // dimensions set and no format.
    Bytes f = good;
    std::memcpy(&f[kFourCC], "DX10", 4);
    put32(f, kPfFlags, 4);
    CQelTexture t = before;
    EXPECT_FALSE(load(t, Bytes(f.begin(), f.begin() + 147)));
    EXPECT_EQ(t.getWidth(), 5u); EXPECT_EQ(t.getDataBlockSize(), 0u);
    put32(f, kDimension, 5);
    EXPECT_FALSE(load(t, f));
    EXPECT_EQ(t.getPixelType().PixelTypeID, uint64_t(ePF_NumCompressedPFs));
    EXPECT_FALSE(t.privateLoadDDSFile(nullptr));
    EXPECT_FALSE(before.privateSaveDDSFile(nullptr));
}
