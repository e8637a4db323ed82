// KTX reading and writing: exact byte layouts, orientation, round trips, hostile input.
#include <gtest/gtest.h>

#include "TestFiles.h"

using namespace qeltexture;
using namespace qeltest;

namespace {

CQelTexture makeTexture(uint64_t format, uint32_t w, uint32_t h, uint32_t d = 1, uint32_t mips = 1, uint32_t members = 1,
                        uint32_t faces = 1, EQelTColourSpace cs = eCS_LinearRGB, EQelTVariableType type = eVT_UnsignedByteNorm) {
    return patterned(CQelTextureHeader(format, h, w, d, mips, members, faces, cs, type));
}
Bytes save(const CQelTexture& t, bool expectOk = true) {
    bool ok = !expectOk;
    Bytes f = saveWith(&CQelTexture::privateSaveKTXFile, t, &ok);
    EXPECT_EQ(ok, expectOk);
    return f;
}
bool load(CQelTexture& t, const Bytes& f) { return loadWith(&CQelTexture::privateLoadKTXFile, t, f); }
void expectSame(const CQelTexture& a, const CQelTexture& b) {
    QelTextureHeaderV3 ha = a.getFileHeader(), hb = b.getFileHeader();
    ha.u32MetaDataSize = hb.u32MetaDataSize = 0;  // the loaded one carries an orientation block
    EXPECT_EQ(std::memcmp(&ha, &hb, sizeof(ha)), 0) << std::hex << ha.u64PixelFormat;
    EXPECT_EQ(dataOf(a), dataOf(b));
}
void expectRoundTrip(const CQelTexture& t, const Bytes& f) {
    CQelTexture back;
    ASSERT_TRUE(load(back, f));
    expectSame(t, back);
}

const uint8_t kIdentifier[12] = {0xAB, 'K', 'T', 'X', ' ', '1', '1', 0xBB, 0x0D, 0x0A, 0x1A, 0x0A};

}  // namespace

TEST(KTXFiles, FourByFourRGBA8Is164BytesWithTheHeaderFields) {
    const CQelTexture t = makeTexture(pixelType("rgba", 8, 8, 8, 8), 4, 4);
    const Bytes f = save(t);
    ASSERT_EQ(f.size(), 164u);
    EXPECT_EQ(std::memcmp(f.data(), kIdentifier, 12), 0);
    const uint32_t want[13] = {0x04030201, 0x1401, 1, 0x1908, 0x8058, 0x1908, 4, 4, 0, 0, 1, 1, 32};
    for (int i = 0; i < 13; ++i) EXPECT_EQ(getLE32(f, 12 + 4 * i), want[i]) << "field at " << 12 + 4 * i;
    const char kv[] = "KTXOrientation\0S=r,T=d,R=i";  // 27 bytes with the final NUL, then 1 of padding
    EXPECT_EQ(getLE32(f, 64), 27u);
    EXPECT_EQ(std::memcmp(&f[68], kv, 27), 0);
    EXPECT_EQ(f[95], 0);
    EXPECT_EQ(getLE32(f, 96), 64u);
    EXPECT_EQ(Bytes(f.begin() + 100, f.end()), dataOf(t));
}

TEST(KTXFiles, RowsMipLevelsAndCubeFacesArePadded) {
    // 3x2 RGB8: 9-byte rows + 3 zero bytes, imageSize 18, then 2 bytes of MIP padding.
    const CQelTexture rgb = makeTexture(pixelType("rgb", 8, 8, 8), 3, 2);
    Bytes f = save(rgb);
    ASSERT_EQ(f.size(), 64u + 32 + 4 + 24 + 2);
    EXPECT_EQ(std::make_tuple(getLE32(f, 28), getLE32(f, 40), getLE32(f, 96)), std::make_tuple(0x8051u, 2u, 18u));
    const uint8_t* src = rgb.getDataPtr(0, 0, 0);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(std::memcmp(&f[100 + 12 * row], src + 9 * row, 9), 0) << row;
        EXPECT_EQ(Bytes(&f[109 + 12 * row], &f[112 + 12 * row]), Bytes(3, 0)) << row;
    }
    EXPECT_EQ(Bytes(f.end() - 2, f.end()), Bytes(2, 0));
    expectRoundTrip(rgb, f);
    // The same in sRGB differs only in glInternalFormat.
    Bytes g = save(makeTexture(pixelType("rgb", 8, 8, 8), 3, 2, 1, 1, 1, 1, eCS_sRGB));
    EXPECT_EQ(getLE32(g, 28), 0x8C41u);
    putLE32(g, 28, 0x8051);
    EXPECT_EQ(g, f);

    // 1x1 RGB8 cube, one member: imageSize is one face (3); each face is a 3-byte row, 1 byte
    // of row padding and 1 byte of cube padding; the level then gets 1 byte of MIP padding.
    const CQelTexture cube = makeTexture(pixelType("rgb", 8, 8, 8), 1, 1, 1, 1, 1, 6);
    f = save(cube);
    ASSERT_EQ(f.size(), 64u + 32 + 4 + 6 * 5 + 1);
    EXPECT_EQ(std::make_pair(getLE32(f, 52), getLE32(f, 96)), std::make_pair(6u, 3u));
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(std::memcmp(&f[100 + 5 * face], cube.getDataPtr(0, 0, face), 3), 0) << face;
        EXPECT_EQ(f[103 + 5 * face] | f[104 + 5 * face], 0) << face;
    }
    expectRoundTrip(cube, f);
    // Two members: imageSize covers all 12 faces and no cube padding is written.
    const CQelTexture cubes = makeTexture(pixelType("rgb", 8, 8, 8), 1, 1, 1, 1, 2, 6);
    f = save(cubes);
    ASSERT_EQ(f.size(), 64u + 32 + 4 + 12 * 4);
    EXPECT_EQ(std::make_pair(getLE32(f, 48), getLE32(f, 96)), std::make_pair(2u, 36u));
    EXPECT_EQ(std::memcmp(&f[100 + 4 * 7], cubes.getDataPtr(0, 1, 1), 3), 0);
    expectRoundTrip(cubes, f);
}

TEST(KTXFiles, OrientationTravelsInTheKeyValueSection) {
    CQelTexture t = makeTexture(pixelType("rgba", 8, 8, 8, 8), 4, 4);
    t.setOrientation(EQelTOrientation(eOrientLeft | eOrientUp));
    Bytes f = save(t);
    EXPECT_EQ(std::memcmp(&f[83], "S=l,T=u,R=i", 12), 0);
    CQelTexture back;
    ASSERT_TRUE(load(back, f));
    EXPECT_EQ(std::make_tuple(back.getOrientation(eAxisX), back.getOrientation(eAxisY), back.getOrientation(eAxisZ)),
              std::make_tuple(uint32_t(eOrientLeft), uint32_t(eOrientUp), 0u));
    EXPECT_EQ(back.getMetaDataSize(), 15u);

    // Any other key still leaves an orientation block, all zero.
    f[68] = 'X';
    CQelTexture other;
    ASSERT_TRUE(load(other, f));
    const MetaDataBlock b = other.getMetaData(QEL_FOURCC, eMetaDataTextureOrientation);
    ASSERT_EQ(b.u32DataSize, 3u);
    EXPECT_EQ(b.Data[0] | b.Data[1] | b.Data[2], 0);
    EXPECT_EQ(dataOf(other), dataOf(t));

    // A value without any 'd' means the y axis runs upwards.
    t.setOrientation(EQelTOrientation(eOrientOut));
    f = save(t);
    f[89] = 'x';  // "S=r,T=x,R=o"
    ASSERT_TRUE(load(back, f));
    EXPECT_EQ(std::make_tuple(back.getOrientation(eAxisY), back.getOrientation(eAxisZ)),
              std::make_tuple(uint32_t(eOrientUp), uint32_t(eOrientOut)));
}

TEST(KTXFiles, RoundTripsAndFormatsReadFromTheHeader) {
    const CQelTexture cases[] = {
        makeTexture(pixelType("rgba", 8, 8, 8, 8), 4, 4, 1, 3),  // fills exactly 64 + 16 + 4 bytes
        makeTexture(pixelType("rgb", 8, 8, 8), 7, 5, 1, 3),       // odd widths at every level
        makeTexture(ePF_ETC1, 5, 3, 1, 2),
        makeTexture(pixelType("rgba", 16, 16, 16, 16), 2, 3, 3, 2, 1, 1, eCS_LinearRGB, eVT_UnsignedShortNorm),
        makeTexture(ePF_EAC_RG11, 8, 8, 1, 4, 2, 6, eCS_LinearRGB, eVT_SignedByteNorm),
    };
    EXPECT_EQ(cases[0].getDataBlockSize(), 84u);
    for (const CQelTexture& t : cases) {
        SCOPED_TRACE(t.getPixelType().PixelTypeID);
        expectRoundTrip(t, save(t));
    }

    // glInternalFormat RGBA resolved by glType: unsigned short gives 16-bit normalised RGBA.
    Bytes f = save(makeTexture(pixelType("rgba", 16, 16, 16, 16), 1, 1, 1, 1, 1, 1, eCS_LinearRGB, eVT_UnsignedShortNorm));
    putLE32(f, 28, 0x1908);
    CQelTexture back;
    ASSERT_TRUE(load(back, f));
    EXPECT_EQ(std::make_pair(back.getPixelType().PixelTypeID, back.getChannelType()),
              std::make_pair(pixelType("rgba", 16, 16, 16, 16), eVT_UnsignedShortNorm));
    // The same with float: no mapping, so no format and no data, and the load fails.
    putLE32(f, 16, 0x1406);
    EXPECT_FALSE(load(back, f));
    EXPECT_EQ(back.getPixelType().PixelTypeID, uint64_t(ePF_NumCompressedPFs));
    EXPECT_EQ(std::make_pair(back.getDataBlockSize(), back.getWidth()), std::make_pair(0u, 1u));

    // A texture without a data block writes its header but reports failure.
    EXPECT_EQ(save(CQelTexture(), false).size(), 96u);
    EXPECT_FALSE(CQelTexture().privateSaveKTXFile(nullptr));
}

// Representative failures of each kind; the fuzz harness sweeps the rest.
TEST(KTXFiles, HostileInputFailsCleanly) {
    const Bytes good = save(makeTexture(pixelType("rgb", 8, 8, 8), 5, 3, 1, 2));
    const CQelTexture before = makeTexture(pixelType("a", 8), 2, 2);
    // Cut inside the header (texture untouched), the key/value section, or the data.
    for (size_t n : {size_t(11), size_t(80), good.size() - 1}) {
        CQelTexture t = before;
        EXPECT_FALSE(load(t, Bytes(good.begin(), good.begin() + long(n)))) << n;
        if (n < 64) expectSame(t, before);
    }
    auto rejects = [&](size_t at, uint32_t value) {
        Bytes f = good;
        putLE32(f, at, value);
        CQelTexture t = before;
        const bool ok = load(t, f);
        expectSame(t, before);
        return !ok;
    };
    EXPECT_TRUE(rejects(12, 0x01020304));  // byte-swapped file
    EXPECT_TRUE(rejects(0, 0x58544BAC));   // identifier
    EXPECT_TRUE(rejects(52, 3));           // faces
    EXPECT_TRUE(rejects(36, 0xFFFFFFFF));  // width: more data than the size model holds
    EXPECT_TRUE(rejects(40, 4096));        // data larger than the file
    EXPECT_TRUE(rejects(60, 0x7FFFFFF0));  // key/value section past the file
    EXPECT_TRUE(rejects(64, 0xFFFFFFFC));  // entry past its section
    CQelTexture t;
    EXPECT_FALSE(t.privateLoadKTXFile(nullptr));
}
