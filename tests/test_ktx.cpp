// KTX reading and writing: exact byte layouts, orientation, round trips, hostile input.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// A texture whose every byte differs from its neighbours, so misplaced bytes show.
CQelTexture makeTexture(uint64_t format, uint32_t w, uint32_t h, uint32_t d = 1, uint32_t mips = 1,
                        uint32_t members = 1, uint32_t faces = 1, EQelTColourSpace cs = eCS_LinearRGB,
                        EQelTVariableType type = eVT_UnsignedByteNorm) {
    CQelTexture t(CQelTextureHeader(format, h, w, d, mips, members, faces, cs, type), nullptr);
    uint8_t* p = t.getDataPtr(0, 0, 0);
    for (uint32_t i = 0; p && i < t.getDataBlockSize(); ++i) p[i] = uint8_t(1 + i * 7 + i / 251);
    return t;
}

class KTXFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qeltex_ktx_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    Bytes save(const CQelTexture& t, bool expectOk = true) {
        const std::string path = (dir / "out.ktx").string();
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        EXPECT_EQ(t.privateSaveKTXFile(f), expectOk);
        std::fclose(f);
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    bool load(CQelTexture& t, const Bytes& bytes) {
        const std::string path = (dir / "in.ktx").string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        FILE* f = std::fopen(path.c_str(), "rb");
        bool ok = t.privateLoadKTXFile(f);
        std::fclose(f);
        return ok;
    }
    static Bytes dataOf(const CQelTexture& t) {
        const uint8_t* p = t.getDataPtr(0, 0, 0);
        return p ? Bytes(p, p + t.getDataBlockSize()) : Bytes();
    }
    void expectSame(const CQelTexture& a, const CQelTexture& b) {
        QelTextureHeaderV3 ha = a.getFileHeader(), hb = b.getFileHeader();
        ha.u32MetaDataSize = hb.u32MetaDataSize = 0;  // the loaded one carries an orientation block
        EXPECT_EQ(std::memcmp(&ha, &hb, sizeof(ha)), 0);
        EXPECT_EQ(dataOf(a), dataOf(b));
    }
    fs::path dir;
};

const uint8_t kIdentifier[12] = {0xAB, 'K', 'T', 'X', ' ', '1', '1', 0xBB, 0x0D, 0x0A, 0x1A, 0x0A};

}  // namespace

TEST_F(KTXFiles, FourByFourRGBA8Is164BytesWithTheHeaderFields) {
    const CQelTexture t = makeTexture(pt("rgba", 8, 8, 8, 8), 4, 4);
    const Bytes f = save(t);
    ASSERT_EQ(f.size(), 164u);
    EXPECT_EQ(std::memcmp(f.data(), kIdentifier, 12), 0);
    const uint32_t want[13] = {0x04030201, 0x1401, 1, 0x1908, 0x8058, 0x1908, 4, 4, 0, 0, 1, 1, 32};
    for (int i = 0; i < 13; ++i) EXPECT_EQ(u32(f, 12 + 4 * i), want[i]) << "field at " << 12 + 4 * i;
    const char kv[] = "KTXOrientation\0S=r,T=d,R=i";  // 27 bytes with the final NUL
    EXPECT_EQ(u32(f, 64), 27u);
    EXPECT_EQ(std::memcmp(&f[68], kv, 27), 0);
    EXPECT_EQ(f[95], 0);
    EXPECT_EQ(u32(f, 96), 64u);
    EXPECT_EQ(Bytes(f.begin() + 100, f.end()), dataOf(t));
}

TEST_F(KTXFiles, RowsMipLevelsAndCubeFacesArePadded) {
    // 3x2 RGB8: 9-byte rows + 3 zero bytes, imageSize 18, then 2 bytes of MIP padding.
    CQelTexture rgb = makeTexture(pt("rgb", 8, 8, 8), 3, 2);
    Bytes f = save(rgb);
    ASSERT_EQ(f.size(), 64u + 32 + 4 + 24 + 2);
    EXPECT_EQ(u32(f, 28), 0x8051u);
    EXPECT_EQ(u32(f, 40), 2u);
    EXPECT_EQ(u32(f, 96), 18u);
    const uint8_t* src = rgb.getDataPtr(0, 0, 0);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(std::memcmp(&f[100 + 12 * row], src + 9 * row, 9), 0) << row;
        EXPECT_EQ(Bytes(&f[109 + 12 * row], &f[112 + 12 * row]), Bytes(3, 0)) << row;
    }
    EXPECT_EQ(Bytes(f.end() - 2, f.end()), Bytes(2, 0));
    CQelTexture back;
    ASSERT_TRUE(load(back, f));
    expectSame(rgb, back);

    // The same in sRGB differs only in glInternalFormat.
    CQelTexture srgb = makeTexture(pt("rgb", 8, 8, 8), 3, 2, 1, 1, 1, 1, eCS_sRGB);
    Bytes g = save(srgb);
    EXPECT_EQ(u32(g, 28), 0x8C41u);
    put32(g, 28, 0x8051);
    EXPECT_EQ(g, f);

    // 1x1 RGB8 cube, one member: imageSize is one face (3); each face is a 3-byte row, 1 byte
    // of row padding and 1 byte of cube padding; the level then gets 1 byte of MIP padding.
    CQelTexture cube = makeTexture(pt("rgb", 8, 8, 8), 1, 1, 1, 1, 1, 6);
    f = save(cube);
    ASSERT_EQ(f.size(), 64u + 32 + 4 + 6 * 5 + 1);
    EXPECT_EQ(u32(f, 52), 6u);
    EXPECT_EQ(u32(f, 96), 3u);
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(std::memcmp(&f[100 + 5 * face], cube.getDataPtr(0, 0, face), 3), 0) << face;
        EXPECT_EQ(f[103 + 5 * face] | f[104 + 5 * face], 0) << face;
    }
    ASSERT_TRUE(load(back, f));
    expectSame(cube, back);

    // Two members: imageSize covers all 12 faces and no cube padding is written.
    CQelTexture cubes = makeTexture(pt("rgb", 8, 8, 8), 1, 1, 1, 1, 2, 6);
    f = save(cubes);
    ASSERT_EQ(f.size(), 64u + 32 + 4 + 12 * 4);
    EXPECT_EQ(u32(f, 48), 2u);
    EXPECT_EQ(u32(f, 96), 36u);
    EXPECT_EQ(std::memcmp(&f[100 + 4 * 7], cubes.getDataPtr(0, 1, 1), 3), 0);
    ASSERT_TRUE(load(back, f));
    expectSame(cubes, back);
}

TEST_F(KTXFiles, OrientationTravelsInTheKeyValueSection) {
    CQelTexture t = makeTexture(pt("rgba", 8, 8, 8, 8), 4, 4);
    t.setOrientation(EQelTOrientation(eOrientLeft | eOrientUp));
    Bytes f = save(t);
    EXPECT_EQ(std::memcmp(&f[83], "S=l,T=u,R=i", 12), 0);
    CQelTexture back;
    ASSERT_TRUE(load(back, f));
    EXPECT_EQ(back.getOrientation(eAxisX), eOrientLeft);
    EXPECT_EQ(back.getOrientation(eAxisY), eOrientUp);
    EXPECT_EQ(back.getOrientation(eAxisZ), 0u);
    EXPECT_EQ(back.getMetaDataSize(), 15u);

    // Any other key still leaves an orientation block, all zero.
    f[68] = 'X';
    CQelTexture other;
    ASSERT_TRUE(load(other, f));
    ASSERT_TRUE(other.hasMetaData(QEL_FOURCC, eMetaDataTextureOrientation));
    const MetaDataBlock b = other.getMetaData(QEL_FOURCC, eMetaDataTextureOrientation);
    ASSERT_EQ(b.u32DataSize, 3u);
    EXPECT_EQ(b.Data[0] | b.Data[1] | b.Data[2], 0);
    EXPECT_EQ(dataOf(other), dataOf(t));

    // A value without any 'd' means the y axis runs upwards.
    t.setOrientation(EQelTOrientation(eOrientOut));
    f = save(t);
    f[89] = 'x';  // "S=r,T=x,R=o"
    ASSERT_TRUE(load(back, f));
    EXPECT_EQ(back.getOrientation(eAxisY), eOrientUp);
    EXPECT_EQ(back.getOrientation(eAxisZ), eOrientOut);
}

TEST_F(KTXFiles, RoundTripsAndFormatsReadFromTheHeader) {
    const CQelTexture cases[] = {
        makeTexture(pt("rgba", 8, 8, 8, 8), 4, 4, 1, 3),  // 64 + 16 + 4 bytes
        makeTexture(pt("rgb", 8, 8, 8), 7, 5, 1, 3),       // odd widths at every level
        makeTexture(ePF_ETC1, 5, 3, 1, 2),
        makeTexture(ePF_SharedExponentR9G9B9E5, 3, 3, 1, 2, 1, 1, eCS_LinearRGB, eVT_UnsignedFloat),
        makeTexture(pt("la", 8, 8), 3, 2, 1, 1, 3),
        makeTexture(pt("rgba", 16, 16, 16, 16), 2, 3, 3, 2, 1, 1, eCS_LinearRGB, eVT_UnsignedShortNorm),
        makeTexture(ePF_EAC_RG11, 8, 8, 1, 4, 2, 6, eCS_LinearRGB, eVT_SignedByteNorm),
    };
    for (const CQelTexture& t : cases) {
        CQelTexture back;
        ASSERT_TRUE(load(back, save(t))) << t.getPixelType().PixelTypeID;
        expectSame(t, back);
    }
    EXPECT_EQ(cases[0].getDataBlockSize(), 84u);

    // glInternalFormat RGBA resolved by glType: unsigned short gives 16-bit normalised RGBA.
    Bytes f = save(makeTexture(pt("rgba", 16, 16, 16, 16), 1, 1, 1, 1, 1, 1, eCS_LinearRGB,
                               eVT_UnsignedShortNorm));
    put32(f, 28, 0x1908);
    CQelTexture back;
    ASSERT_TRUE(load(back, f));
    EXPECT_EQ(back.getPixelType().PixelTypeID, pt("rgba", 16, 16, 16, 16));
    EXPECT_EQ(back.getChannelType(), eVT_UnsignedShortNorm);
    // The same with float: no mapping, so no format and no data, and the load fails.
    put32(f, 16, 0x1406);
    EXPECT_FALSE(load(back, f));
    EXPECT_EQ(back.getPixelType().PixelTypeID, uint64_t(ePF_NumCompressedPFs));
    EXPECT_EQ(back.getDataBlockSize(), 0u);
    EXPECT_EQ(back.getWidth(), 1u);

    // A texture without a data block writes its header but reports failure.
    EXPECT_EQ(save(CQelTexture(), false).size(), 96u);
    EXPECT_FALSE(CQelTexture().privateSaveKTXFile(nullptr));
}

TEST_F(KTXFiles, HostileInputFailsCleanly) {
    const Bytes good = save(makeTexture(pt("rgb", 8, 8, 8), 5, 3, 1, 2));
    const CQelTexture before = makeTexture(pt("a", 8), 2, 2);
    // Every truncation fails; below the header the texture is left as it was.
    for (size_t n = 0; n < good.size(); ++n) {
        CQelTexture t = before;
        EXPECT_FALSE(load(t, Bytes(good.begin(), good.begin() + n))) << n;
        if (n < 64) expectSame(t, before);
    }
    auto rejects = [&](size_t at, uint32_t value) {
        Bytes f = good;
        put32(f, at, value);
        CQelTexture t = before;
        const bool ok = load(t, f);
        expectSame(t, before);
        return !ok;
    };
    EXPECT_TRUE(rejects(12, 0x01020304));   // byte-swapped file
    EXPECT_TRUE(rejects(0, 0x58544BAC));    // identifier
    EXPECT_TRUE(rejects(52, 3));            // faces
    EXPECT_TRUE(rejects(52, 0));
    EXPECT_TRUE(rejects(56, 33));           // MIP levels beyond the size model
    EXPECT_TRUE(rejects(36, 0xFFFFFFFF));   // width: more data than the size model holds
    EXPECT_TRUE(rejects(40, 4096));         // data larger than the file
    EXPECT_TRUE(rejects(48, 0x40000000));   // array members: likewise
    EXPECT_TRUE(rejects(60, 0x7FFFFFF0));   // key/value section past the file
    EXPECT_TRUE(rejects(64, 29));           // entry past its section
    EXPECT_TRUE(rejects(64, 0xFFFFFFFC));
    EXPECT_TRUE(rejects(60, 2));            // section too short for an entry size
    CQelTexture t;
    EXPECT_FALSE(t.privateLoadKTXFile(nullptr));
}
