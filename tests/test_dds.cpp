// DDS reading and writing: exact header layouts, surface order, format codes, hostile input.
#include <gtest/gtest.h>

#include <bitset>

#include "FormatTablesD3D.h"
#include "SurfaceWalk.h"
#include "TestFiles.h"

using namespace qeltexture;
using namespace qeltest;

namespace {

CQelTexture makeTexture(uint64_t format, uint32_t w, uint32_t h, uint32_t d = 1, uint32_t mips = 1, uint32_t members = 1,
                        uint32_t faces = 1, EQelTColourSpace cs = eCS_LinearRGB, EQelTVariableType type = eVT_UnsignedByteNorm) {
    return patterned(CQelTextureHeader(format, h, w, d, mips, members, faces, cs, type));
}
Bytes save(const CQelTexture& t) {
    bool ok = false;
    Bytes f = saveWith(&CQelTexture::privateSaveDDSFile, t, &ok);
    EXPECT_TRUE(ok);
    return f;
}
bool load(CQelTexture& t, const Bytes& f) { return loadWith(&CQelTexture::privateLoadDDSFile, t, f); }
void expectSame(const CQelTexture& a, const CQelTexture& b) {
    const QelTextureHeaderV3 ha = a.getFileHeader(), hb = b.getFileHeader();
    EXPECT_EQ(std::memcmp(&ha, &hb, sizeof(ha)), 0) << std::hex << ha.u64PixelFormat << " " << hb.u64PixelFormat;
    EXPECT_EQ(dataOf(a), dataOf(b));
}
void expectRoundTrip(const CQelTexture& t, const Bytes& f) {
    CQelTexture back;
    ASSERT_TRUE(load(back, f));
    expectSame(t, back);
}

// Offsets in the file: header fields sit at 4 + their offset within the 124-byte header.
enum : size_t {
    kFlags = 8, kHeight = 12, kWidth = 16, kPitch = 20, kDepth = 24, kMips = 28, kPfSize = 76, kPfFlags = 80,
    kFourCC = 84, kBits = 88, kMaskR = 92, kMaskG = 96, kMaskB = 100, kMaskA = 104, kCaps = 108, kCaps2 = 112,
    kDxgi = 128, kDimension = 132, kMisc = 136, kArraySize = 140
};
constexpr uint32_t kDX10 = 0x30315844;  // "DX10"
std::string fourCC(const Bytes& f) { return std::string(f.begin() + kFourCC, f.begin() + kFourCC + 4); }

}  // namespace

TEST(DDSFiles, MaskFormatDX10AndFourCCHeaders) {
    // A8R8G8B8: bit masks, "DX10" in the FourCC field without the FourCC flag or extension.
    const CQelTexture argb = makeTexture(pixelType("argb", 8, 8, 8, 8), 4, 4);
    Bytes f = save(argb);
    ASSERT_EQ(f.size(), 128u + 64);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "DDS ");
    const uint32_t head[] = {124, 0x100F, 4, 4, 16, 1, 1};  // size, flags, height, width, pitch, depth, MIPs
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(getLE32(f, 4 + 4 * i), head[i]) << "field at " << 4 + 4 * i;
    for (size_t at = 32; at < 76; at += 4) EXPECT_EQ(getLE32(f, at), 0u) << at;
    EXPECT_EQ(getLE32(f, kPfSize), 32u);
    EXPECT_EQ(getLE32(f, kPfFlags), 0x41u);
    EXPECT_EQ(fourCC(f), "DX10");
    const uint32_t masks[] = {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0x1000};  // bits, R, G, B, A, caps
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(getLE32(f, kBits + 4 * i), masks[i]) << "field at " << kBits + 4 * i;
    for (size_t at = kCaps2; at < 128; at += 4) EXPECT_EQ(getLE32(f, at), 0u) << at;
    EXPECT_EQ(Bytes(f.begin() + 128, f.end()), dataOf(argb));
    CQelTexture back;
    ASSERT_TRUE(load(back, f));
    EXPECT_EQ(back.getChannelType(), eVT_UnsignedIntegerNorm);  // code 21 reads back as type 8
    back.setChannelType(eVT_UnsignedByteNorm);
    expectSame(argb, back);

    // RGBA8 has no Direct3D 9 code: DX10 header, DXGI 28 (29 in sRGB), two-dimensional.
    for (EQelTColourSpace cs : {eCS_LinearRGB, eCS_sRGB}) {
        const CQelTexture rgba = makeTexture(pixelType("rgba", 8, 8, 8, 8), 4, 4, 1, 1, 1, 1, cs);
        f = save(rgba);
        ASSERT_EQ(f.size(), 148u + 64);
        EXPECT_EQ(getLE32(f, kPfFlags), 4u);
        EXPECT_EQ(fourCC(f), "DX10");
        EXPECT_EQ(getLE32(f, kBits) | getLE32(f, kMaskR) | getLE32(f, kMaskA), 0u);
        const uint32_t dx10[] = {cs == eCS_sRGB ? 29u : 28u, 3, 0, 1, 0};  // DXGI, dimension, misc, array, misc2
        for (size_t i = 0; i < 5; ++i) EXPECT_EQ(getLE32(f, kDxgi + 4 * i), dx10[i]) << "field at " << kDxgi + 4 * i;
        expectRoundTrip(rgba, f);
    }

    // DXT5 with 3 levels: FourCC, linear size of the whole texture, MIP-map caps.
    const CQelTexture dxt5 = makeTexture(ePF_DXT5, 16, 16, 1, 3);
    f = save(dxt5);
    ASSERT_EQ(f.size(), 128u + 256 + 64 + 16);
    EXPECT_EQ(getLE32(f, kFlags), 0x1007u | 0x20000 | 0x80000);
    EXPECT_EQ(getLE32(f, kPitch), 336u);
    EXPECT_EQ(getLE32(f, kMips), 3u);
    EXPECT_EQ(getLE32(f, kPfFlags), 4u);
    EXPECT_EQ(fourCC(f), "DXT5");
    EXPECT_EQ(getLE32(f, kCaps), 0x401008u);
    expectRoundTrip(dxt5, f);

    // Float formats are written by their numeric code in the FourCC field.
    const CQelTexture half = makeTexture(pixelType("r", 16), 3, 1, 1, 1, 1, 1, eCS_LinearRGB, eVT_SignedFloat);
    f = save(half);
    EXPECT_EQ(std::make_tuple(getLE32(f, kPfFlags), getLE32(f, kFourCC), getLE32(f, kPitch)), std::make_tuple(4u, 111u, 6u));
    expectRoundTrip(half, f);
}

TEST(DDSFiles, CubeMapsVolumesAndArraysKeepTheSurfaceOrder) {
    // Surfaces are stored member, face, MIP level (innermost).
    const CQelTexture cube = makeTexture(pixelType("argb", 8, 8, 8, 8), 2, 2, 1, 2, 1, 6, eCS_LinearRGB, eVT_UnsignedIntegerNorm);
    Bytes f = save(cube);
    EXPECT_EQ(getLE32(f, kCaps2), 0xFE00u);
    EXPECT_EQ(getLE32(f, kCaps), 0x401008u);
    size_t at = 128;
    for (uint32_t face = 0; face < 6; ++face)
        for (uint32_t L = 0; L < 2; ++L) {
            const uint32_t n = cube.getDataSize(int32_t(L), false, false);
            EXPECT_EQ(std::memcmp(&f[at], cube.getDataPtr(L, 0, face), n), 0) << face << " " << L;
            at += n;
        }
    EXPECT_EQ(at, f.size());
    expectRoundTrip(cube, f);

    // Two members always take the DX10 header: cube flag and array size there.
    const CQelTexture cubes = makeTexture(ePF_BC5, 4, 8, 1, 2, 2, 6, eCS_LinearRGB, eVT_SignedIntegerNorm);
    f = save(cubes);
    EXPECT_EQ(getLE32(f, kPfFlags), 4u);
    const uint32_t dx10[] = {84, 3, 4, 2};  // DXGI, dimension, misc, array size
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(getLE32(f, kDxgi + 4 * i), dx10[i]) << "field at " << kDxgi + 4 * i;
    expectRoundTrip(cubes, f);

    const CQelTexture volume = makeTexture(pixelType("rgba", 8, 8, 8, 8), 3, 2, 4, 3);
    f = save(volume);
    EXPECT_EQ(getLE32(f, kFlags), 0x1007u | 0x8 | 0x20000 | 0x800000);
    EXPECT_EQ(std::make_tuple(getLE32(f, kDepth), getLE32(f, kCaps2), getLE32(f, kDimension)), std::make_tuple(4u, 0x200000u, 4u));
    expectRoundTrip(volume, f);

    // A one-dimensional DX10 file is read with height and depth 1 whatever the header says.
    const CQelTexture line = makeTexture(pixelType("rgba", 8, 8, 8, 8), 5, 1);
    f = save(line);
    EXPECT_EQ(getLE32(f, kDimension), 2u);
    putLE32(f, kHeight, 7);
    putLE32(f, kDepth, 9);
    putLE32(f, kFlags, getLE32(f, kFlags) | 0x800000);
    expectRoundTrip(line, f);
}

TEST(DDSFiles, EveryMaskFormatRoundTripsWithMasksMatchingItsChannels) {
    for (uint32_t code : {20, 23, 25, 26, 28, 31, 35, 50, 51, 60, 62, 64, 81}) {
        SCOPED_TRACE(code);
        CQelTextureHeader h;
        ASSERT_TRUE(h.setD3DFormat(code));
        const CQelTexture t = makeTexture(h.getPixelType().PixelTypeID, 3, 2, 1, 2, 1, 1, eCS_LinearRGB, h.getChannelType());
        const Bytes f = save(t);
        EXPECT_EQ(getLE32(f, kBits), t.getBitsPerPixel());
        EXPECT_EQ(fourCC(f), "DX10");
        EXPECT_EQ(getLE32(f, kPfFlags) & 4, 0u);
        // Each mask covers exactly its channel's bits and no two overlap. Luminance takes the
        // red mask, or the blue one next to a red (bump) channel.
        const PixelType type = t.getPixelType();
        bool hasRed = false;
        for (int c = 0; c < 4; ++c) hasRed |= type.channelName(c) == 'r';
        uint32_t widths[4] = {0, 0, 0, 0}, seen = 0;
        for (int c = 0; c < 4; ++c) {
            const char name = char(type.channelName(c));
            const int slot = name == 'r' ? 0 : name == 'g' ? 1 : name == 'b' ? 2 : name == 'a' ? 3 : name == 'l' ? (hasRed ? 2 : 0) : -1;
            if (slot >= 0) widths[slot] = type.channelBits(c);
        }
        for (int m = 0; m < 4; ++m) {
            const uint32_t mask = getLE32(f, kMaskR + 4 * m);
            EXPECT_EQ(std::bitset<32>(mask).count(), widths[m]) << "mask " << m;
            EXPECT_EQ(mask & seen, 0u);
            seen |= mask;
        }
        expectRoundTrip(t, f);
    }
}

TEST(DDSFiles, FormatCodesReadFromFiles) {
    // 4x4 float RGBA: 256 data bytes, enough for every format tried below.
    const Bytes base = save(makeTexture(pixelType("abgr", 32, 32, 32, 32), 4, 4, 1, 1, 1, 1, eCS_LinearRGB, eVT_SignedFloat));
    CQelTexture t;
    auto loadWith = [&](size_t at, uint32_t v, bool dx10 = false, uint32_t arraySize = 0) {
        Bytes f = base;
        if (dx10) {
            putLE32(f, kFourCC, kDX10);
            const uint8_t ext[20] = {0, 0, 0, 0, 3};
            f.insert(f.begin() + 128, ext, ext + 20);
            putLE32(f, kArraySize, arraySize);
        }
        putLE32(f, at, v);
        return load(t, f);
    };
    t.setIsPreMultiplied(false);
    ASSERT_TRUE(loadWith(kFourCC, D3DFMT_DXT2));
    EXPECT_EQ(std::make_pair(t.getPixelType().PixelTypeID, t.isPreMultiplied()), std::make_pair(uint64_t(ePF_DXT2), true));
    ASSERT_TRUE(loadWith(kFourCC, D3DFMT_DXT1));
    EXPECT_FALSE(t.isPreMultiplied());
    ASSERT_TRUE(loadWith(kFourCC, 30));
    EXPECT_EQ(t.getPixelType().PixelTypeID, pixelType("argb", 4, 4, 4, 4));
    ASSERT_TRUE(loadWith(kFourCC, 111));
    EXPECT_EQ(std::make_pair(t.getPixelType().PixelTypeID, t.getChannelType()), std::make_pair(pixelType("r", 16), eVT_SignedFloat));
    ASSERT_TRUE(loadWith(kDxgi, 65, true));
    EXPECT_EQ(std::make_pair(t.getPixelType().PixelTypeID, t.getChannelType()), std::make_pair(pixelType("r", 8), eVT_UnsignedByteNorm));
    ASSERT_TRUE(loadWith(kDxgi, 80, true));
    EXPECT_EQ(std::make_pair(t.getPixelType().PixelTypeID, t.getColourSpace()), std::make_pair(uint64_t(ePF_BC4), eCS_LinearRGB));
    // An unknown DXGI code: no format, nothing read, success with no data, even when it
    // claims four billion array members (nothing is walked).
    EXPECT_TRUE(loadWith(kDxgi, 1000, true, 0xFFFFFFFF));
    EXPECT_EQ(t.getPixelType().PixelTypeID, uint64_t(ePF_NumCompressedPFs));
    EXPECT_EQ(std::make_tuple(t.getDataBlockSize(), t.getWidth(), t.getNumArrayMembers()), std::make_tuple(0u, 4u, 0xFFFFFFFFu));
    // Operations on it end at once instead of walking four billion empty surfaces.
    size_t calls = 0;
    EXPECT_FALSE(forEachSurface(t, [&](const uint8_t*, uint32_t, uint32_t, uint32_t) { return ++calls > 0; }));
    EXPECT_EQ(calls, 0u);
}

// Representative failures of each kind; the fuzz harness sweeps the rest.
TEST(DDSFiles, HostileInputFailsCleanly) {
    const Bytes good = save(makeTexture(pixelType("rgb", 5, 6, 5), 5, 3, 1, 2, 1, 1, eCS_LinearRGB, eVT_UnsignedShortNorm));
    const CQelTexture before = makeTexture(pixelType("a", 8), 2, 2);
    // Cut inside the header (texture untouched) or inside the data.
    for (size_t n : {size_t(3), size_t(127), good.size() - 1}) {
        CQelTexture t = before;
        EXPECT_FALSE(load(t, Bytes(good.begin(), good.begin() + long(n)))) << n;
        if (n < 128) expectSame(t, before);
    }
    auto rejects = [&](size_t at, uint32_t value, bool untouched = true) {
        Bytes f = good;
        putLE32(f, at, value);
        CQelTexture t = before;
        const bool ok = load(t, f);
        if (untouched) expectSame(t, before);
        return !ok;
    };
    EXPECT_TRUE(rejects(0, 0x20534444 ^ 0x20));  // magic
    EXPECT_TRUE(rejects(kWidth, 0xFFFFFFFF));     // beyond the size model
    EXPECT_TRUE(rejects(kHeight, 1 << 20));       // more data than the file
    EXPECT_TRUE(rejects(kMaskG, 0x7E1, false));   // masks of no known format

    // DX10: shorter than 148 bytes, or an unknown resource dimension, fails with the
    // dimensions set and no format.
    Bytes f = good;
    putLE32(f, kFourCC, kDX10);
    putLE32(f, kPfFlags, 4);
    CQelTexture t = before;
    EXPECT_FALSE(load(t, Bytes(f.begin(), f.begin() + 147)));
    EXPECT_EQ(std::make_pair(t.getWidth(), t.getDataBlockSize()), std::make_pair(5u, 0u));
    putLE32(f, kDimension, 5);
    EXPECT_FALSE(load(t, f));
    EXPECT_EQ(t.getPixelType().PixelTypeID, uint64_t(ePF_NumCompressedPFs));
    EXPECT_FALSE(t.privateLoadDDSFile(nullptr));
    EXPECT_FALSE(before.privateSaveDDSFile(nullptr));
}
