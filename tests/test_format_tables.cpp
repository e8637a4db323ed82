// OpenGL, Direct3D 9 and DXGI format tables: worked values, column invariants that hold for
// the real APIs, and forward -> reverse round trips with their documented asymmetries.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "FormatTablesD3D.h"
#include "FormatTablesOGL.h"
#include "TextureHeader.h"

using namespace qeltexture;

namespace {

uint64_t pt(const std::string& names, std::vector<uint8_t> w) {
    uint8_t n[4] = {}, b[4] = {};
    for (size_t i = 0; i < names.size(); ++i) n[i] = uint8_t(names[i]), b[i] = w[i];
    return PixelType(n[0], n[1], n[2], n[3], b[0], b[1], b[2], b[3]).PixelTypeID;
}

// Every packed type any table could name, plus all compressed values and one beyond.
std::vector<uint64_t> candidateFormats() {
    const char* orders[] = {"r", "a", "l", "rg", "gr", "la", "al", "ai", "ia", "rgb", "bgr", "lgr",
                            "rgba", "bgra", "argb", "abgr", "xbgr", "xrgb", "rgbx", "bgrx", "xlgr"};
    const std::vector<std::vector<uint8_t>> odd = {{3, 3, 2}, {5, 6, 5}, {6, 5, 5}, {11, 11, 10},
                                                   {5, 5, 5, 1}, {1, 5, 5, 5}, {2, 10, 10, 10},
                                                   {10, 10, 10, 2}, {8, 3, 3, 2}};
    std::vector<uint64_t> out;
    for (const char* o : orders) {
        std::string s(o);
        for (uint8_t w : {4, 8, 16, 32}) out.push_back(pt(s, std::vector<uint8_t>(s.size(), w)));
        for (const auto& w : odd)
            if (w.size() == s.size()) out.push_back(pt(s, w));
    }
    for (uint64_t v = 0; v <= 28; ++v) out.push_back(v);
    return out;
}

// Channels that carry data ('x' is filler).
int channelCount(uint64_t p) {
    int n = 0;
    for (int i = 0; i < 4; ++i) n += PixelType(p).channelName(i) && PixelType(p).channelName(i) != 'x';
    return n;
}

struct GL { uint32_t internal, base, format, type, typeSize; };

}  // namespace

TEST(OpenGLTable, WorkedValuesAndUnmappedOutputs) {
    GL g;
    auto fwd = [&](uint64_t p, uint32_t t, uint32_t cs) {
        return getOpenGLFormat(p, EQelTVariableType(t), EQelTColourSpace(cs), g.internal, g.base,
                               g.format, g.type, g.typeSize);
    };
    auto fields = [&] { return std::make_tuple(g.internal, g.base, g.format, g.type, g.typeSize); };
    // RGBA8 and sRGB RGB8 are checked field by field in the KTX files the writer makes, sRGB
    // RGBA8 through the header's getter below.
    ASSERT_TRUE(fwd(pt("rgb", {5, 6, 5}), 4, eCS_sRGB)); EXPECT_EQ(g.internal, 0x8D62u);  // not sRGB-aware
    ASSERT_TRUE(fwd(ePF_SharedExponentR9G9B9E5, 0, 0));
    EXPECT_EQ(fields(), std::make_tuple(0x8C3Du, 0x1907u, 0x1907u, 0x8C3Eu, 4u));
    ASSERT_TRUE(fwd(ePF_DXT2, 0, 0));
    EXPECT_EQ(fields(), std::make_tuple(0x83F2u, 0x1908u, 0u, 0u, 1u));
    ASSERT_TRUE(fwd(ePF_ETC2_RGB_A1, 0, eCS_sRGB)); EXPECT_EQ(g.internal, 0x9277u);
    ASSERT_TRUE(fwd(ePF_ETC1, 0, eCS_sRGB)); EXPECT_EQ(g.internal, 0x8D64u);
    // EAC: signed codes for the signed channel types and signed float, unsigned otherwise.
    ASSERT_TRUE(fwd(ePF_EAC_RG11, eVT_SignedFloat, 0)); EXPECT_EQ(g.internal, 0x9273u);
    ASSERT_TRUE(fwd(ePF_EAC_R11, eVT_SignedShortNorm, 0)); EXPECT_EQ(g.internal, 0x9271u);
    ASSERT_TRUE(fwd(ePF_EAC_R11, eVT_UnsignedFloat, 0)); EXPECT_EQ(g.internal, 0x9270u);
    // No mapping: internal formats, glFormat and glType 0; glTypeSize 1 up to 27, then 0.
    for (uint64_t p : {uint64_t(ePF_BC4), uint64_t(ePF_BW1bpp), uint64_t(ePF_GRGB8888), uint64_t(27)}) {
        EXPECT_FALSE(fwd(p, 0, 0)) << p;
        EXPECT_EQ(fields(), std::make_tuple(0u, 0u, 0u, 0u, 1u)) << p;
    }
    EXPECT_FALSE(fwd(28, 0, 0)); EXPECT_EQ(g.typeSize, 0u);
    EXPECT_FALSE(fwd(pt("rgba", {8, 8, 8, 8}), eVT_SignedIntegerNorm, 0));
    EXPECT_EQ(fields(), std::make_tuple(0u, 0u, 0u, 0u, 0u));
}

TEST(OpenGLTable, ColumnsAgreeWithTheApiAndEveryEntryReadsBack) {
    // Byte size of each glType, and channel count / integer-ness of each glFormat.
    const std::map<uint32_t, uint32_t> typeSize = {
        {0x1400, 1}, {0x1401, 1}, {0x1402, 2}, {0x1403, 2}, {0x1404, 4}, {0x1405, 4}, {0x1406, 4},
        {0x140B, 2}, {0x8032, 1}, {0x8033, 2}, {0x8034, 2}, {0x8363, 2}, {0x8368, 4}, {0x8C3B, 4}};
    const std::map<uint32_t, std::pair<int, bool>> formatInfo = {
        {0x1903, {1, false}}, {0x1906, {1, false}}, {0x1907, {3, false}}, {0x1908, {4, false}},
        {0x1909, {1, false}}, {0x190A, {2, false}}, {0x8227, {2, false}}, {0x80E1, {4, false}},
        {0x8D94, {1, true}}, {0x8228, {2, true}}, {0x8D98, {3, true}}, {0x8D99, {4, true}}};
    const std::set<uint32_t> integerTypes = {2, 3, 6, 7, 10, 11};
    int pairs = 0;
    for (uint64_t p : candidateFormats()) {
        for (uint32_t t = 0; t <= 13; ++t) {
            for (uint32_t cs = 0; cs <= 1; ++cs) {
                GL g;
                if (!getOpenGLFormat(p, EQelTVariableType(t), EQelTColourSpace(cs), g.internal, g.base, g.format, g.type,
                                     g.typeSize))
                    continue;
                const bool packedType = (p >> 32) != 0;
                if (packedType) {
                    pairs += cs == 0;
                    EXPECT_EQ(g.base, g.format);
                    ASSERT_TRUE(typeSize.count(g.type)) << std::hex << g.internal;
                    EXPECT_EQ(g.typeSize, typeSize.at(g.type)) << std::hex << g.internal;
                    ASSERT_TRUE(formatInfo.count(g.format)) << std::hex << g.internal;
                    EXPECT_EQ(formatInfo.at(g.format).first, channelCount(p)) << std::hex << g.internal;
                    EXPECT_EQ(formatInfo.at(g.format).second, integerTypes.count(t) == 1) << g.internal;
                    const bool perChannelType = g.type <= 0x1406 || g.type == 0x140B;
                    for (int c = 0; c < 4 && perChannelType && PixelType(p).channelName(c); ++c)
                        EXPECT_EQ(PixelType(p).channelBits(c), 8 * g.typeSize) << std::hex << g.internal;
                }
                uint64_t rp = 0xDEAD;
                EQelTVariableType rt = eVT_NumVarTypes;
                EQelTColourSpace rcs = EQelTColourSpace(7);
                const bool back = getQelcoreFormatOGL(rp, rt, rcs, g.internal, g.format, g.type);
                // Documented asymmetries first.
                if (g.internal == 0x8048 || g.internal == 0x901A) {
                    EXPECT_FALSE(back); EXPECT_EQ(rp, 0xDEADu); continue;
                }
                ASSERT_TRUE(back) << std::hex << g.internal;
                uint64_t wantP = p;
                uint32_t wantT = packedType ? t : 0;
                if (p == ePF_DXT2) wantP = ePF_DXT3;
                if (p == ePF_DXT4) wantP = ePF_DXT5;
                if ((p == ePF_EAC_R11 || p == ePF_EAC_RG11) && g.internal % 2) wantT = 1;
                if (p == ePF_SharedExponentR9G9B9E5) wantT = 13;
                if (g.internal == 0x8052) wantP = pt("rgbx", {10, 10, 10, 2});
                if (g.internal == 0x8059 || g.internal == 0x906F) wantP = pt("rgba", {10, 10, 10, 2});
                const bool srgbCode = g.internal == 0x8C41 || g.internal == 0x8C43 ||
                                      (g.internal >= 0x9275 && g.internal <= 0x9279 && g.internal % 2);
                EXPECT_EQ(rp, wantP) << std::hex << g.internal;
                EXPECT_EQ(uint32_t(rt), wantT) << std::hex << g.internal;
                EXPECT_EQ(rcs, srgbCode ? eCS_sRGB : eCS_LinearRGB) << std::hex << g.internal;
            }
        }
    }
    EXPECT_EQ(pairs, 75);              // packed entries of the table
}

TEST(OpenGLTable, UnsizedFormatsResolveByType) {
    uint64_t p = 0;
    EQelTVariableType t = eVT_UnsignedByteNorm;
    EQelTColourSpace cs = eCS_sRGB;
    auto rev = [&](uint32_t internal, uint32_t type) { return getQelcoreFormatOGL(p, t, cs, internal, 0, type); };
    ASSERT_TRUE(rev(0x1908, 0x1403));
    EXPECT_EQ(p, pt("rgba", {16, 16, 16, 16})); EXPECT_EQ(t, eVT_UnsignedShortNorm); EXPECT_EQ(cs, eCS_LinearRGB);
    cs = eCS_sRGB;
    EXPECT_FALSE(rev(0x1908, 0x1406)); EXPECT_EQ(t, eVT_UnsignedShortNorm); EXPECT_EQ(cs, eCS_sRGB);
    const struct { uint32_t internal, type; uint64_t p; uint32_t t; } rows[] = {
        {0x190A, 0x1400, pt("la", {8, 8}), 1}, {0x80E1, 0x1401, pt("bgra", {8, 8, 8, 8}), 0},
        {0x8D70, 0, pt("rgba", {32, 32, 32, 32}), 10}, {0x8D82, 0, pt("rgba", {32, 32, 32, 32}), 11},
        {0x803E, 0, pt("a", {16}), 4}, {0x9018, 0, pt("a", {16}), 5},
    };
    for (const auto& r : rows) {
        ASSERT_TRUE(rev(r.internal, r.type)) << std::hex << r.internal;
        EXPECT_EQ(p, r.p) << std::hex << r.internal; EXPECT_EQ(uint32_t(t), r.t) << std::hex << r.internal;
    }
    EXPECT_FALSE(rev(0x80E1, 0x1400));
    EXPECT_FALSE(rev(0x1907, 0x8033));  // a 4-channel packing with a 3-channel format
    EXPECT_FALSE(rev(0x1234, 0x1401));
}

TEST(Direct3DTable, SizesRoundTripsAndReverseOnlyCodes) {
    // Bits per pixel of each numeric Direct3D 9 code, as the API defines them.
    const std::map<uint32_t, uint32_t> bits = {
        {20, 24}, {21, 32}, {22, 32}, {23, 16}, {24, 16}, {25, 16}, {26, 16}, {27, 8}, {28, 8},
        {29, 16}, {30, 16}, {31, 32}, {32, 32}, {33, 32}, {34, 32}, {35, 32}, {36, 64}, {50, 8},
        {51, 16}, {52, 8}, {60, 16}, {61, 16}, {62, 32}, {63, 32}, {64, 32}, {67, 32}, {81, 16},
        {110, 64}, {111, 16}, {112, 32}, {113, 64}, {114, 32}, {115, 64}, {116, 128}};
    std::set<uint32_t> codes;
    int pairs = 0;
    for (uint64_t p : candidateFormats()) {
        for (uint32_t t = 0; t <= 13; ++t) {
            uint32_t code = 1;
            if (!getDirect3DFormat(p, EQelTVariableType(t), eCS_sRGB, code)) { EXPECT_EQ(code, 0u); continue; }
            codes.insert(code);
            ++pairs;
            if (code < 256) { EXPECT_EQ(QelTGetBitsPerPixel(p), bits.at(code)) << code; }
            uint64_t rp;
            EQelTVariableType rt;
            EQelTColourSpace rcs = eCS_sRGB;
            bool pre = code != D3DFMT_DXT1;  // must be cleared for every code but DXT2/DXT4
            ASSERT_TRUE(getQelcoreFormatD3D(rp, rt, rcs, pre, code)) << code;
            uint64_t wantP = p;
            if (code == 115) wantP = pt("gr", {32, 32});
            if (p == ePF_QELTCI_2bpp_RGB) wantP = ePF_QELTCI_2bpp_RGBA;
            if (p == ePF_QELTCI_4bpp_RGB) wantP = ePF_QELTCI_4bpp_RGBA;
            const uint32_t wantT = code >= 256 ? 0 : code >= 111 ? 12 : code >= 60 && code <= 67 ? 9 : 8;
            EXPECT_EQ(rp, wantP) << code; EXPECT_EQ(uint32_t(rt), wantT) << code;
            EXPECT_EQ(rcs, eCS_LinearRGB); EXPECT_EQ(pre, code == D3DFMT_DXT2 || code == D3DFMT_DXT4) << code;
        }
    }
    EXPECT_EQ(codes.size(), 41u);
    EXPECT_EQ(pairs, 46 + 13 * 14);  // packed (pixel, type) pairs + 13 compressed formats x any type
    const struct { uint32_t code; uint64_t p; uint32_t t; } reverseOnly[] = {
        {30, pt("argb", {4, 4, 4, 4}), 8}, {32, pt("abgr", {8, 8, 8, 8}), 8},
        {33, pt("xbgr", {8, 8, 8, 8}), 8}, {110, pt("abgr", {16, 16, 16, 16}), 9}};
    for (const auto& r : reverseOnly) {
        EXPECT_FALSE(codes.count(r.code));
        uint64_t rp; EQelTVariableType rt; EQelTColourSpace rcs; bool pre = true;
        ASSERT_TRUE(getQelcoreFormatD3D(rp, rt, rcs, pre, r.code));
        EXPECT_EQ(rp, r.p); EXPECT_EQ(uint32_t(rt), r.t); EXPECT_FALSE(pre);
        EXPECT_EQ(QelTGetBitsPerPixel(rp), bits.at(r.code));
    }
    uint64_t rp = 5; EQelTVariableType rt = eVT_SignedShort; EQelTColourSpace rcs = eCS_sRGB; bool pre = true;
    for (uint32_t unknown : {0u, 37u, 65u, D3DFMT_DX10})
        EXPECT_FALSE(getQelcoreFormatD3D(rp, rt, rcs, pre, unknown));
    EXPECT_EQ(rp, 5u); EXPECT_EQ(rt, eVT_SignedShort); EXPECT_EQ(rcs, eCS_sRGB); EXPECT_TRUE(pre);
}

TEST(DXGITable, SizesColourSpacesRoundTripsAndReverseOnlyCodes) {
    // Bits per pixel of the uncompressed DXGI codes, as the API defines them.
    std::map<uint32_t, uint32_t> bits;
    for (uint32_t c = 2; c <= 4; ++c) bits[c] = 128;
    for (uint32_t c = 6; c <= 8; ++c) bits[c] = 96;
    for (uint32_t c = 10; c <= 18; ++c) bits[c] = 64;
    for (uint32_t c = 24; c <= 43; ++c) bits[c] = 32;
    for (uint32_t c = 49; c <= 59; ++c) bits[c] = 16;
    for (uint32_t c = 61; c <= 65; ++c) bits[c] = 8;
    bits[67] = 32; bits[85] = bits[86] = bits[115] = 16; bits[87] = bits[88] = bits[91] = bits[93] = 32;
    bits[111] = bits[112] = 8;
    const std::set<uint32_t> srgb = {29, 72, 75, 78, 91, 93, 99}, linearOnly = {28, 71, 74, 77, 87, 88};
    std::set<uint32_t> codes;
    for (uint64_t p : candidateFormats()) {
        for (uint32_t t = 0; t <= 13; ++t) {
            for (uint32_t cs = 0; cs <= 1; ++cs) {
                uint32_t code = 1;
                if (!getDirectXGIFormat(p, EQelTVariableType(t), EQelTColourSpace(cs), code)) { EXPECT_EQ(code, 0u); continue; }
                codes.insert(code);
                if (srgb.count(code) || linearOnly.count(code)) { EXPECT_EQ(cs, srgb.count(code)) << code; }
                if (bits.count(code)) { EXPECT_EQ(QelTGetBitsPerPixel(p), bits.at(code)) << code; }
                uint64_t rp; EQelTVariableType rt; EQelTColourSpace rcs;
                ASSERT_TRUE(getQelcoreFormatDXGI(rp, rt, rcs, code)) << code;
                const bool anyType = code == 66 || code == 68 || code == 69;
                EXPECT_EQ(rp, code == 65 ? pt("r", {8}) : p) << code;
                EXPECT_EQ(uint32_t(rt), anyType ? 0 : t) << code;
                EXPECT_EQ(rcs, srgb.count(code) ? eCS_sRGB : eCS_LinearRGB) << code;
            }
        }
    }
    EXPECT_EQ(codes.size(), 64u);
    const struct { uint32_t code; uint64_t p; uint32_t t; EQelTColourSpace cs; } reverseOnly[] = {
        {67, ePF_SharedExponentR9G9B9E5, 12, eCS_LinearRGB}, {96, ePF_BC6, 12, eCS_LinearRGB},
        {99, ePF_BC7, 8, eCS_sRGB}, {107, ePF_YUY2, 8, eCS_LinearRGB}, {111, pt("ai", {4, 4}), 0, eCS_LinearRGB}};
    for (const auto& r : reverseOnly) {
        EXPECT_FALSE(codes.count(r.code)) << r.code;
        uint64_t rp; EQelTVariableType rt; EQelTColourSpace rcs;
        ASSERT_TRUE(getQelcoreFormatDXGI(rp, rt, rcs, r.code)) << r.code;
        EXPECT_EQ(rp, r.p); EXPECT_EQ(uint32_t(rt), r.t); EXPECT_EQ(rcs, r.cs);
    }
    // The BC1-3 rows need channel type 8: the default channel type has no DXGI code.
    uint32_t code = 1;
    EXPECT_FALSE(getDirectXGIFormat(ePF_DXT5, eVT_UnsignedByteNorm, eCS_LinearRGB, code));
    EXPECT_EQ(code, 0u);
    uint64_t rp = 9; EQelTVariableType rt = eVT_SignedShort; EQelTColourSpace rcs = eCS_sRGB;
    for (uint32_t unknown : {0u, 1u, 70u, 95u, 116u}) EXPECT_FALSE(getQelcoreFormatDXGI(rp, rt, rcs, unknown));
    EXPECT_EQ(rp, 9u); EXPECT_EQ(rt, eVT_SignedShort); EXPECT_EQ(rcs, eCS_sRGB);
}

// The DDS and KTX tests drive the other getters and setters through files; here the OpenGL
// getters and what a refused code leaves behind.
TEST(HeaderFormatAccessors, ReadAndSetThroughTheTables) {
    CQelTextureHeader h(pt("rgba", {8, 8, 8, 8}), 4, 4, 1, 1, 1, 1, eCS_sRGB);
    uint32_t internal, format, type;
    ASSERT_TRUE(h.getOGLFormat(internal, format, type));
    EXPECT_EQ(std::make_tuple(internal, format, type), std::make_tuple(0x8C43u, 0x1908u, 0x1401u));
    ASSERT_TRUE(h.getOGLESFormat(internal, format, type));
    EXPECT_EQ(internal, 0x1908u);  // the unsized base format

    ASSERT_TRUE(h.setD3DFormat(D3DFMT_DXT4));
    EXPECT_EQ(h.getPixelType().PixelTypeID, uint64_t(ePF_DXT4)); EXPECT_TRUE(h.isPreMultiplied());
    EXPECT_FALSE(h.setD3DFormat(12345));
    EXPECT_FALSE(h.setDXGIFormat(0));
    EXPECT_TRUE(h.isPreMultiplied());  // unknown codes: nothing changes
    EXPECT_EQ(h.getPixelType().PixelTypeID, uint64_t(ePF_DXT4));
}
