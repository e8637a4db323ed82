// Version 1 and 2 native headers: the legacy code tables, header conversion with its flags
// and metadata, the version 2 writer and its data order, and loading through the native loader.
#include <gtest/gtest.h>

#include <algorithm>

#include "LegacyHeaders.h"
#include "TestFiles.h"

using namespace qeltexture;
using namespace qeltest;

namespace {

constexpr uint64_t kRGBA8 = 0x0808080861626772ull;
constexpr uint32_t kNone = 0xFFFFFFFFu;

struct Mapped { uint64_t format; EQelTColourSpace cs; EQelTVariableType type; bool pre; };

Mapped forward(unsigned code) {
    Mapped m{};
    QelTMapLegacyTextureEnumToNewFormat(QelTPixelType(code), m.format, m.cs, m.type, m.pre);
    return m;
}

// A legacy header built word by word: version 1 (44 bytes) or version 2 (52 bytes).
Bytes legacyHeader(bool v2, uint32_t height, uint32_t width, uint32_t storedMIPs, uint32_t flags, uint32_t surfaces = 1) {
    Bytes b;
    appendLE32(b, {v2 ? 52u : 44u, height, width, storedMIPs, flags});
    for (int i = 0; i < 6; ++i) appendLE32(b, {0x5A5A5A5A});  // data size, bpp and masks are not read
    if (v2) {
        b.insert(b.end(), {'Q', 'E', 'L', '!'});
        appendLE32(b, {surfaces});
    }
    return b;
}

bool convert(const Bytes& bytes, CQelTextureHeader& out, uint32_t& size) {
    return ConvertLegacyHeader(bytes.data(), bytes.size(), out, size);
}

Bytes blockBytes(const MetaDataBlock& b) { return b.Data ? Bytes(b.Data.get(), b.Data.get() + b.u32DataSize) : Bytes(); }

// Each byte of a piece is its index in legacy order plus its offset, so order errors show.
uint8_t pieceByte(uint32_t piece, uint32_t offset) { return uint8_t(piece * 37 + offset); }

// The codes each API may write.
bool inGroup(unsigned code, ELegacyApi api) {
    switch (api) {
        case eLegacyApiOpenGLES: case eLegacyApiOpenGLES2: case eLegacyApiOpenGL:
            return (code >= 12 && code <= 29) || code == 54;
        case eLegacyApiDirect3DMobile: case eLegacyApiDirect3D9:
            return code == 4 || code == 5 || (code >= 10 && code <= 13) || (code >= 37 && code <= 53) ||
                   (code >= 64 && code <= 70);
        case eLegacyApiDirect3D10: return code >= 80 && code <= 127;
        case eLegacyApiOpenVG: return code >= 144 && code <= 181;
    }
    return false;
}

}  // namespace

TEST(LegacyEnum, ForwardRowsAcrossTheRanges) {
    const EQelTColourSpace L = eCS_LinearRGB, S = eCS_sRGB;
    const struct { unsigned code; uint64_t format; int type; EQelTColourSpace cs; bool pre; } rows[] = {
        {0, pixelType("argb", 4, 4, 4, 4), 4, L, false},   {7, pixelType("i", 8), 0, L, false},
        {24, ePF_QELTCI_2bpp_RGBA, 0, L, false},           {39, pixelType("lgr", 6, 5, 5), 9, L, false},
        {53, pixelType("abgr", 32, 32, 32, 32), 12, L, false}, {54, ePF_ETC1, 0, L, false},
        {69, ePF_UYVY, 0, L, false},                       {96, pixelType("rgb", 11, 11, 10), 12, L, false},
        {98, kRGBA8, 0, S, false},                         {127, ePF_GRGB8888, 0, L, false},
        {146, kRGBA8, 0, S, true},                         {181, pixelType("abgr", 8, 8, 8, 8), 0, L, true},
    };
    for (const auto& r : rows) {
        const Mapped m = forward(r.code);
        EXPECT_EQ(std::make_tuple(m.format, m.type, m.cs, m.pre), std::make_tuple(r.format, EQelTVariableType(r.type), r.cs, r.pre))
            << "code " << r.code;
    }
    // Unlisted codes: format 27, channel type 14, linear, not premultiplied.
    const std::pair<unsigned, unsigned> unlisted[] = {{14, 15}, {30, 36}, {55, 63}, {71, 79}, {128, 143}, {182, 255}};
    for (unsigned code = 0; code < 256; ++code) {
        const bool none = std::any_of(std::begin(unlisted), std::end(unlisted),
                                      [code](auto r) { return code >= r.first && code <= r.second; });
        const Mapped m = forward(code);
        EXPECT_EQ(m.format == ePF_NumCompressedPFs, none) << code;
        EXPECT_EQ(m.type == eVT_NumVarTypes, none) << code;
        EXPECT_TRUE(!none || (m.cs == eCS_LinearRGB && !m.pre)) << code;
    }
}

TEST(LegacyEnum, ReverseMapTellingRowsAndEveryRowReadBack) {
    auto rev = [](uint64_t f, ELegacyApi api, EQelTColourSpace cs = eCS_LinearRGB, bool pre = false,
                  EQelTVariableType t = eVT_UnsignedByteNorm) { return MapNewFormatToLegacyEnum(PixelType(f), cs, t, pre, api); };
    for (ELegacyApi gl : {eLegacyApiOpenGLES, eLegacyApiOpenGLES2, eLegacyApiOpenGL}) {
        EXPECT_EQ(rev(kRGBA8, gl), 18u);
        EXPECT_EQ(rev(kRGBA8, gl, eCS_sRGB, true), 18u);  // variants not compared here
        EXPECT_EQ(rev(pixelType("i", 8), gl), 22u);  // read back as 'l' 8
    }
    for (ELegacyApi d3d : {eLegacyApiDirect3DMobile, eLegacyApiDirect3D9}) {
        EXPECT_EQ(rev(kRGBA8, d3d), kNone);
        EXPECT_EQ(rev(ePF_QELTCI_2bpp_RGBA, d3d), 12u);
    }
    EXPECT_EQ(rev(kRGBA8, eLegacyApiDirect3D10, eCS_sRGB), 97u);
    EXPECT_EQ(rev(kRGBA8, eLegacyApiOpenVG, eCS_sRGB, true), 146u);
    EXPECT_EQ(rev(pixelType("a", 8), eLegacyApiOpenVG, eCS_sRGB), kNone);
    EXPECT_EQ(rev(kRGBA8, eLegacyApiOpenGL, eCS_LinearRGB, false, eVT_UnsignedByte), kNone);
    EXPECT_EQ(rev(kRGBA8, ELegacyApi(0)), kNone);
    EXPECT_EQ(rev(kRGBA8, ELegacyApi(8)), kNone);

    // Every row of a group reads back to itself unless another row of the group has the same
    // pixel type and channel type (and, for the vector-graphics group, the same colour space
    // and premultiplication); then it reads back to one of those twins.
    for (uint32_t a = 1; a <= 7; ++a) {
        const ELegacyApi api = ELegacyApi(a);
        for (unsigned code = 0; code < 256; ++code) {
            if (!inGroup(code, api)) continue;
            const Mapped m = forward(code);
            const uint32_t back = rev(m.format, api, m.cs, m.pre, m.type);
            std::vector<unsigned> twins;
            for (unsigned other = 0; other < 256; ++other) {
                const Mapped o = forward(other);
                if (inGroup(other, api) && o.format == m.format && o.type == m.type &&
                    (api != eLegacyApiOpenVG || (o.cs == m.cs && o.pre == m.pre)))
                    twins.push_back(other);
            }
            if (m.format == ePF_NumCompressedPFs) {
                EXPECT_EQ(back, kNone) << code;
            } else if (twins.size() == 1) {
                EXPECT_EQ(back, code) << "api " << a;
            } else {
                EXPECT_NE(std::find(twins.begin(), twins.end(), back), twins.end()) << "code " << code;
            }
        }
    }
}

TEST(LegacyHeader, ShapeFlagsAndMetadata) {
    CQelTextureHeader h;
    uint32_t size = 0;
    // Flags 0x1018: code 24 and the cube-map bit; stored MIP count 2 (the MIP flag unset).
    ASSERT_TRUE(convert(legacyHeader(false, 32, 16, 2, 0x1018), h, size));
    EXPECT_EQ(size, 44u);
    EXPECT_EQ(h.getPixelType().PixelTypeID, uint64_t(ePF_QELTCI_2bpp_RGBA));
    EXPECT_EQ(std::make_tuple(h.getNumFaces(), h.getNumMIPLevels(), h.getNumArrayMembers()), std::make_tuple(6u, 3u, 1u));
    EXPECT_EQ(std::make_tuple(h.getHeight(), h.getWidth(), h.getDepth()), std::make_tuple(32u, 16u, 1u));
    EXPECT_EQ(h.getFileHeader().u32Flags | h.getMetaDataSize(), 0u);
    EXPECT_EQ(h.getFileHeader().u32Version, 0x034C4551u);

    // Version 2 surfaces count every face: 12 with the cube flag are 2 members of 6 faces.
    const std::pair<uint32_t, uint32_t> cases[][2] = {{{12, 0x1000}, {2, 6}}, {{0, 0}, {1, 1}}};
    for (const auto& c : cases) {
        ASSERT_TRUE(convert(legacyHeader(true, 8, 8, 0, 18 | c[0].second, c[0].first), h, size));
        EXPECT_EQ(size, 52u);
        EXPECT_EQ(std::make_pair(h.getNumArrayMembers(), h.getNumFaces()), c[1]) << c[0].first;
    }

    // Vertical flip: a 3-byte orientation block 0, 2, 0 (up on y), metadata size 15.
    ASSERT_TRUE(convert(legacyHeader(true, 4, 4, 0, 18 | 0x10000), h, size));
    EXPECT_EQ(h.getFileHeader().u32MetaDataSize, 15u);
    EXPECT_EQ(blockBytes(h.getMetaData(QEL_FOURCC, 3)), (Bytes{0, 2, 0}));
    EXPECT_FALSE(h.isBumpMap());
    // Bump map: key 1, 8 bytes, scale 1.0 then "xyz" and a 0 byte; with the flip 20 + 15.
    ASSERT_TRUE(convert(legacyHeader(false, 4, 4, 0, 18 | 0x400 | 0x10000), h, size));
    EXPECT_EQ(h.getMetaDataSize(), 35u);
    EXPECT_EQ(blockBytes(h.getMetaData(QEL_FOURCC, 1)), (Bytes{0x00, 0x00, 0x80, 0x3F, 'x', 'y', 'z', 0}));
    // Premultiplied codes set record flag bit 1 (and nothing else); sRGB codes the colour space.
    ASSERT_TRUE(convert(legacyHeader(true, 4, 4, 0, 146), h, size));
    EXPECT_EQ(h.getFileHeader().u32Flags, 2u);
    EXPECT_EQ(h.getColourSpace(), eCS_sRGB);

    // Headers outside the size model or cut short are refused and leave the outputs alone.
    CQelTextureHeader kept(kRGBA8, 3, 5);
    size = 99;
    Bytes truncated = legacyHeader(true, 4, 4, 0, 18), wrongWord = truncated;
    truncated.pop_back();
    wrongWord[0] = 48;
    for (const Bytes& bad : {legacyHeader(true, 65536, 65536, 0, 18), legacyHeader(true, 4096, 4096, 0, 18, 0xFFFFFFFF),
                             legacyHeader(false, 4, 4, 0xFFFFFFFF, 18), legacyHeader(false, 4, 4, 40, 18), truncated, wrongWord})
        EXPECT_FALSE(convert(bad, kept, size));
    EXPECT_FALSE(ConvertLegacyHeader(nullptr, 52, kept, size));
    EXPECT_EQ(std::make_tuple(size, kept.getWidth(), kept.getHeight()), std::make_tuple(99u, 5u, 3u));
    EXPECT_TRUE(convert(legacyHeader(false, 1, 1, 31, 18), kept, size));  // 32 levels fit
}

TEST(LegacyWriter, HeaderFieldsAndTheTwoLevelExample) {
    CQelTextureHeader cube(ePF_QELTCI_4bpp_RGBA, 16, 8, 1, 3, 2, 6);
    cube.setBumpMap(2.0f, "xyz");
    cube.setOrientation(eOrientUp);
    const Qel_Texture_Header v2 = ConvertTextureHeader3To2(cube, eLegacyApiOpenGL);
    EXPECT_EQ(v2.u32Flags, 25u | 0x100 | 0x8000 | 0x1000 | 0x400 | 0x10000);
    EXPECT_EQ(v2.u32AlphaMask, 1u);
    EXPECT_EQ(v2.u32RedMask | v2.u32GreenMask | v2.u32BlueMask, 0u);
    EXPECT_EQ(std::make_tuple(v2.u32MIPMapCount, v2.u32BitsPerPixel, v2.u32NumSurfaces), std::make_tuple(2u, 4u, 12u));
    EXPECT_EQ(v2.u32DataSize, cube.getDataSize(-1, true, true));
    CQelTextureHeader plain(kRGBA8, 4, 4);
    plain.setOrientation(eOrientLeft);  // not up on y: no flip flag
    EXPECT_EQ(ConvertTextureHeader3To2(plain, eLegacyApiDirect3D10).u32Flags, 97u);

    // A 2-level RGBA8 texture for API 1: flags 18 | 0x100, "QEL!" at offset 44.
    ScratchDir d;
    const CQelTexture tex = patterned(CQelTextureHeader(kRGBA8, 4, 4, 1, 2));
    const uint32_t total = tex.getDataSize();
    ASSERT_TRUE(tex.saveFileLegacyQEL(CQelTString(d.path("two.qel").c_str()), eLegacyApiOpenGLES));
    const Bytes bytes = readFile(d.path("two.qel"));
    ASSERT_EQ(bytes.size(), 52u + total);
    const uint32_t words[] = {52, 4, 4, 1, 18 | 0x100, total, 32, 0, 0, 0, 0};
    for (size_t i = 0; i < 11; ++i) EXPECT_EQ(getLE32(bytes, 4 * i), words[i]) << "word " << i;
    EXPECT_EQ(std::string(bytes.begin() + 44, bytes.begin() + 48), "QEL!");
    EXPECT_EQ(getLE32(bytes, 48), 1u);
    EXPECT_EQ(Bytes(bytes.begin() + 52, bytes.end()), dataOf(tex));
}

TEST(LegacyWriter, DataOrderIsMemberFaceLevelAndFailuresLeaveNoFile) {
    // 2 members x 6 faces x 2 levels: memory holds level outermost, the file member outermost.
    CQelTexture tex(CQelTextureHeader(kRGBA8, 2, 2, 1, 2, 2, 6));
    for (uint32_t m = 0, piece = 0; m < 2; ++m)
        for (uint32_t f = 0; f < 6; ++f)
            for (uint32_t l = 0; l < 2; ++l, ++piece)
                for (uint32_t i = 0; i < tex.getDataSize(int32_t(l), false, false); ++i) tex.getDataPtr(l, m, f)[i] = pieceByte(piece, i);
    ScratchDir d;
    const std::string path = d.path("cube_array.qel");
    ASSERT_TRUE(tex.saveFileLegacyQEL(CQelTString(path.c_str()), eLegacyApiOpenVG));
    const Bytes bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 52u + tex.getDataSize());
    EXPECT_EQ(getLE32(bytes, 16), 152u | 0x100u | 0x1000u);
    EXPECT_EQ(getLE32(bytes, 48), 12u);
    for (uint32_t piece = 0, at = 52; piece < 24; at += piece % 2 ? 4 : 16, ++piece)
        for (uint32_t i = 0; i < (piece % 2 ? 4u : 16u); ++i) ASSERT_EQ(bytes[at + i], pieceByte(piece, i)) << piece;

    // Depth above 1, no code for the API, or no data: false, no file.
    std::remove(path.c_str());
    const CQelTexture deep(CQelTextureHeader(kRGBA8, 2, 2, 2)), rgba(CQelTextureHeader(kRGBA8, 2, 2));
    EXPECT_FALSE(deep.saveFileLegacyQEL(CQelTString(path.c_str()), eLegacyApiOpenGL));
    EXPECT_FALSE(rgba.saveFileLegacyQEL(CQelTString(path.c_str()), eLegacyApiDirect3D9));
    EXPECT_FALSE(CQelTexture().saveFileLegacyQEL(CQelTString(path.c_str()), eLegacyApiOpenGL));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(rgba.privateSaveLegacyQELFile(nullptr, eLegacyApiOpenGL));
}

// Through the native loader: a version 2 file (two members of six faces) and a version 1
// file (flat, one member), each with two MIP levels of a compressed code with minimum
// dimensions; and a format-less code.
TEST(LegacyLoad, FilesLoadWithTheirFormatAndDataOrder) {
    ScratchDir d;
    const std::string path = d.path("load.qel");
    for (bool v2 : {false, true}) {
        SCOPED_TRACE(v2);
        Bytes bytes = legacyHeader(v2, 8, 16, 1, 24 | 0x100 | (v2 ? 0x1000u : 0u), v2 ? 12 : 1);
        const uint32_t members = v2 ? 2 : 1, faces = v2 ? 6 : 1;
        const size_t start = bytes.size();
        for (uint32_t piece = 0; piece < members * faces * 2; ++piece)
            for (uint32_t i = 0; i < 32; ++i) bytes.push_back(pieceByte(piece, i));  // 16 x 8 at 2 bpp, both levels
        const CQelTexture tex(writeFile(path, bytes).c_str());
        ASSERT_EQ(tex.getDataSize(), 32u * members * faces * 2);
        EXPECT_EQ(tex.getPixelType().PixelTypeID, uint64_t(ePF_QELTCI_2bpp_RGBA));
        EXPECT_EQ(std::make_tuple(tex.getNumArrayMembers(), tex.getNumFaces(), tex.getNumMIPLevels()), std::make_tuple(members, faces, 2u));
        for (uint32_t piece = 0; piece < members * faces * 2; ++piece) {
            const uint8_t* p = tex.getDataPtr(piece % 2, piece / 2 / faces, piece / 2 % faces);
            ASSERT_NE(p, nullptr);
            ASSERT_EQ(Bytes(p, p + 32), Bytes(&bytes[start + 32 * piece], &bytes[start + 32 * piece + 32])) << piece;
        }
    }
    // Code 14 has no format: the data cannot be read.
    Bytes none = legacyHeader(true, 4, 4, 0, 14);
    none.resize(none.size() + 64, 1);
    EXPECT_EQ(CQelTexture(writeFile(path, none).c_str()).getDataSize(), 0u);
}

TEST(LegacyLoad, ShortFilesFail) {
    // One byte short of the last piece, or far more claimed than the file holds: refused.
    ScratchDir d;
    const std::string path = d.path("short.qel");
    ASSERT_TRUE(patterned(CQelTextureHeader(ePF_QELTCI_4bpp_RGBA, 8, 8, 1, 2, 1, 6))
                    .saveFileLegacyQEL(CQelTString(path.c_str()), eLegacyApiOpenGLES2));
    Bytes bytes = readFile(path);
    ASSERT_GT(CQelTexture(path.c_str()).getDataSize(), 0u);
    bytes.pop_back();
    EXPECT_EQ(CQelTexture(writeFile(path, bytes).c_str()).getDataSize(), 0u);
    Bytes huge = legacyHeader(true, 4096, 4096, 0, 18, 6);
    huge.resize(huge.size() + 100, 0);
    EXPECT_EQ(CQelTexture(writeFile(path, huge).c_str()).getDataSize(), 0u);
}
