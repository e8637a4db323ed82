// Size rules, header accessors and the texture object's data layout.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Texture.h"

using namespace qeltexture;

namespace {
const PixelType kRGBA8 = QelStandard8PixelType;

CQelTextureHeader makeHeader(uint64_t format, uint32_t w, uint32_t h, uint32_t mips = 1,
                             uint32_t members = 1, uint32_t faces = 1, uint32_t depth = 1) {
    return CQelTextureHeader(format, h, w, depth, mips, members, faces);
}
}  // namespace

TEST(PixelFormat, PackedValuesAndBitsPerPixel) {
    EXPECT_EQ(QelStandard8PixelType.PixelTypeID, 0x0808080861626772ull);
    EXPECT_EQ(PixelType('r', 'g', 'b', 0, 8, 8, 8, 0).PixelTypeID, 0x0008080800626772ull);
    EXPECT_EQ(PixelType('a', 0, 0, 0, 8, 0, 0, 0).PixelTypeID, 0x0000000800000061ull);
    EXPECT_EQ(QelStandard16PixelType.PixelTypeID, 0x1010101061626772ull);
    EXPECT_EQ(QelStandard32PixelType.PixelTypeID, 0x2020202061626772ull);
    EXPECT_EQ(QelTGetBitsPerPixel(PixelType('r', 'g', 'b', 0, 5, 6, 5, 0).PixelTypeID), 16u);
    EXPECT_EQ(QelTGetBitsPerPixel(QelStandard32PixelType.PixelTypeID), 128u);
    // Table rows at the edges and around the gaps of the enumeration.
    EXPECT_EQ(QelTGetBitsPerPixel(ePF_QELTCI_2bpp_RGB), 2u);
    EXPECT_EQ(QelTGetBitsPerPixel(ePF_BC6), 0u);
    EXPECT_EQ(QelTGetBitsPerPixel(ePF_BW1bpp), 1u);
    EXPECT_EQ(QelTGetBitsPerPixel(ePF_SharedExponentR9G9B9E5), 32u);
    EXPECT_EQ(QelTGetBitsPerPixel(ePF_EAC_RG11), 8u);
    EXPECT_EQ(QelTGetBitsPerPixel(ePF_NumCompressedPFs), 0u);
    EXPECT_EQ(QelTGetBitsPerPixel(28), 0u);

    uint32_t x, y, z;
    QelTGetFormatMinDims(ePF_QELTCI_2bpp_RGB, x, y, z);
    EXPECT_EQ(x * 100 + y * 10 + z, 16u * 100 + 8 * 10 + 1);
    QelTGetFormatMinDims(ePF_QELTCII_2bpp, x, y, z);
    EXPECT_EQ(x, 8u);
    EXPECT_EQ(y, 4u);
    QelTGetFormatMinDims(ePF_UYVY, x, y, z);
    EXPECT_EQ(x, 2u);
    EXPECT_EQ(y, 1u);
    QelTGetFormatMinDims(kRGBA8.PixelTypeID, x, y, z);
    EXPECT_EQ(x + y + z, 3u);
    QelTGetFormatMinDims(1000, x, y, z);
    EXPECT_EQ(x + y + z, 3u);
}

TEST(TextureHeader, RecordLayoutAndDefaults) {
    QelTextureHeaderV3 record;
    uint8_t bytes[52];
    std::memcpy(bytes, &record, 52);
    EXPECT_EQ(std::memcmp(bytes, "QEL\x03", 4), 0);  // version word, little-endian
    EXPECT_EQ(bytes[8], 27);                         // pixel format 27, low byte first

    CQelTextureHeader fresh;
    EXPECT_EQ(fresh.getWidth(0), 1u);
    EXPECT_EQ(fresh.getHeight(0), 1u);
    EXPECT_EQ(fresh.getDepth(0), 1u);
    EXPECT_EQ(fresh.getWidth(1), 0u);
    EXPECT_EQ(fresh.getPixelType().PixelTypeID, 27u);
    EXPECT_EQ(fresh.getBitsPerPixel(), 0u);
    EXPECT_EQ(fresh.getDataSize(), 0u);
    EXPECT_EQ(fresh.getTextureSize(), 0u);
}

TEST(TextureHeader, ValueConstructorOrderAndFlags) {
    // Height before width, and MIP levels before members and faces.
    CQelTextureHeader h(kRGBA8.PixelTypeID, 2, 4, 3, 5, 6, 7, eCS_sRGB, eVT_SignedFloat, true);
    QelTextureHeaderV3 r = h.getFileHeader();
    EXPECT_EQ(r.u32Height, 2u);
    EXPECT_EQ(r.u32Width, 4u);
    EXPECT_EQ(r.u32Depth, 3u);
    EXPECT_EQ(r.u32MIPMapCount, 5u);
    EXPECT_EQ(r.u32NumSurfaces, 6u);
    EXPECT_EQ(r.u32NumFaces, 7u);
    EXPECT_EQ(r.u32ColourSpace, uint32_t(eCS_sRGB));
    EXPECT_EQ(r.u32ChannelType, uint32_t(eVT_SignedFloat));
    EXPECT_EQ(r.u32Flags, 2u);

    QelTextureHeaderV3 both;
    both.u32Flags = 3;
    CQelTextureHeader a(both), b(both);
    a.setIsPreMultiplied(false);
    EXPECT_EQ(a.getFileHeader().u32Flags, 1u);
    b.setIsFileCompressed(false);
    EXPECT_EQ(b.getFileHeader().u32Flags, 2u);
    both.u32Flags = 0xF0;  // meaningless bits survive the flag setters
    CQelTextureHeader c(both);
    c.setIsPreMultiplied(true);
    EXPECT_EQ(c.getFileHeader().u32Flags, 0xF2u);
    EXPECT_TRUE(c.isPreMultiplied());
    EXPECT_FALSE(c.isFileCompressed());
}

TEST(TextureHeader, DataSizeWorkedValues) {
    EXPECT_EQ(makeHeader(kRGBA8.PixelTypeID, 4, 4).getDataSize(), 64u);
    EXPECT_EQ(makeHeader(ePF_QELTCI_4bpp_RGB, 2, 2).getDataSize(0), 32u);    // counts as 8x8
    EXPECT_EQ(makeHeader(ePF_QELTCI_2bpp_RGB, 1, 1).getDataSize(0), 32u);    // counts as 16x8
    EXPECT_EQ(makeHeader(ePF_ETC1, 5, 3).getDataSize(0), 16u);               // counts as 8x4
    EXPECT_EQ(makeHeader(ePF_DXT5, 64, 64, 7).getDataSize(-1), 5488u);
    EXPECT_EQ(makeHeader(ePF_BW1bpp, 1, 1).getDataSize(), 1u);               // counts as 8x1
    EXPECT_EQ(makeHeader(ePF_BC7, 64, 64).getDataSize(), 0u);
    // Packed formats are never rounded to a block size.
    EXPECT_EQ(makeHeader(PixelType('r', 'g', 'b', 0, 5, 6, 5, 0).PixelTypeID, 3, 3).getDataSize(), 18u);
    // Depth halves per level but is never rounded up to a block.
    EXPECT_EQ(makeHeader(ePF_ETC1, 4, 4, 2, 1, 1, 3).getDataSize(-1), 3u * 8 + 1 * 8);

    CQelTextureHeader cube = makeHeader(kRGBA8.PixelTypeID, 8, 8, 2, 3, 6);
    EXPECT_EQ(cube.getDataSize(0, true, true), 18u * cube.getDataSize(0, false, false));
    EXPECT_EQ(cube.getDataSize(0, false, true), 6u * 256);
    EXPECT_EQ(cube.getDataSize(-1, true, true), 18u * (256 + 64));
    // A single level is not compared with the MIP count.
    EXPECT_EQ(cube.getDataSize(5, false, false), 4u);
    EXPECT_EQ(cube.getTextureSize(0, false, false), 64u);

    CQelTextureHeader noLevels = makeHeader(kRGBA8.PixelTypeID, 4, 4, 0);
    EXPECT_EQ(noLevels.getDataSize(-1), 0u);
    EXPECT_EQ(noLevels.getWidth(0), 0u);

    CQelTextureHeader h40 = makeHeader(kRGBA8.PixelTypeID, 40, 40, 6);
    EXPECT_EQ(h40.getWidth(5), 1u);
    EXPECT_EQ(h40.getWidth(6), 0u);
    EXPECT_EQ(h40.getWidth(3), 5u);
}

TEST(TextureHeader, SizeModelLimits) {
    // 16384^2 RGBA8 is 1 GiB in one level: the 32-bit bit count of a level would wrap, the
    // byte count does not.
    CQelTextureHeader big = makeHeader(kRGBA8.PixelTypeID, 16384, 16384);
    EXPECT_TRUE(big.isWithinSizeModel());
    EXPECT_EQ(big.getDataSize(0), 1u << 30);
    EXPECT_EQ(big.getDataSize(-1), 1u << 30);

    EXPECT_FALSE(makeHeader(kRGBA8.PixelTypeID, 32768, 32768).isWithinSizeModel());  // 4 GiB
    EXPECT_FALSE(makeHeader(kRGBA8.PixelTypeID, 32768, 16384, 1, 2).isWithinSizeModel());
    EXPECT_FALSE(makeHeader(kRGBA8.PixelTypeID, 0xFFFFFFFF, 0xFFFFFFFF).isWithinSizeModel());
    EXPECT_FALSE(makeHeader(kRGBA8.PixelTypeID, 16384, 16384, 1, 1, 6).isWithinSizeModel());
    EXPECT_TRUE(makeHeader(kRGBA8.PixelTypeID, 4, 4, 32).isWithinSizeModel());
    EXPECT_FALSE(makeHeader(kRGBA8.PixelTypeID, 4, 4, 33).isWithinSizeModel());
    // A hostile MIP count is still summed in constant time.
    EXPECT_EQ(makeHeader(kRGBA8.PixelTypeID, 1, 1, 0xFFFFFFFF).getDataSize(-1), 4u * 0xFFFFFFFFu);

    // Outside the model, a texture is refused as the empty default texture.
    CQelTexture refused(makeHeader(kRGBA8.PixelTypeID, 65536, 65536));
    EXPECT_EQ(refused.getDataBlockSize(), 0u);
    EXPECT_EQ(refused.getDataSize(), 0u);
    EXPECT_EQ(refused.getDataPtr(0, 0, 0), nullptr);
}

TEST(Texture, DataPointerOffsets) {
    CQelTexture mips(makeHeader(kRGBA8.PixelTypeID, 4, 4, 3));
    uint8_t* base = mips.getDataPtr(0, 0, 0);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(mips.getDataPtr(1, 0, 0), base + 64);
    EXPECT_EQ(mips.getDataPtr(2, 0, 0), base + 64 + 16);
    EXPECT_EQ(mips.getDataPtr(3, 0, 0), nullptr);
    EXPECT_EQ(mips.getDataPtr(0, 1, 0), nullptr);
    EXPECT_EQ(mips.getDataPtr(0xFFFFFFFF, 0, 0), nullptr);

    CQelTexture cube(makeHeader(kRGBA8.PixelTypeID, 4, 4, 3, 1, 6));
    EXPECT_EQ(cube.getDataPtr(1, 0, 0), cube.getDataPtr() + 384);
    EXPECT_EQ(cube.getDataPtr(0, 0, 6), nullptr);

    CQelTexture array(makeHeader(kRGBA8.PixelTypeID, 4, 4, 1, 2, 6));
    EXPECT_EQ(array.getDataPtr(0, 1, 0), array.getDataPtr() + 384);
    EXPECT_EQ(array.getDataPtr(0, 1, 2), array.getDataPtr() + 384 + 128);
    EXPECT_EQ(array.getDataBlockSize(), 768u);

    // After a setter grows the shape without rebuilding data, nothing points past the block.
    CQelTexture grown(makeHeader(kRGBA8.PixelTypeID, 4, 4));
    grown.setWidth(64);
    EXPECT_EQ(grown.getDataPtr(0, 0, 0), nullptr);
}

TEST(Texture, ConstructionCopyAndAssignment) {
    std::vector<uint8_t> pixels(64);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 7 + 1);
    CQelTextureHeader header = makeHeader(kRGBA8.PixelTypeID, 4, 4);
    header.setBorder(1, 2, 3);

    CQelTexture tex(header, pixels.data());
    EXPECT_EQ(tex.getDataBlockSize(), 64u);
    EXPECT_EQ(std::memcmp(tex.getDataPtr(), pixels.data(), 64), 0);
    EXPECT_EQ(&tex.getHeader(), static_cast<const CQelTextureHeader*>(&tex));

    CQelTexture blank(header, nullptr);  // zeroed, never unset
    for (uint32_t i = 0; i < 64; ++i) ASSERT_EQ(blank.getDataPtr()[i], 0);

    CQelTexture copy(tex);
    EXPECT_NE(copy.getDataPtr(), tex.getDataPtr());
    EXPECT_EQ(std::memcmp(copy.getDataPtr(), pixels.data(), 64), 0);
    uint32_t x, y, z;
    copy.getBorder(x, y, z);
    EXPECT_EQ(x * 100 + y * 10 + z, 123u);
    EXPECT_EQ(copy.getMetaDataSize(), 24u);

    CQelTexture assigned;
    assigned = tex;
    EXPECT_EQ(std::memcmp(assigned.getDataPtr(), pixels.data(), 64), 0);
    tex.getDataPtr()[0] = 99;  // deep copies: the original's change is not seen
    EXPECT_EQ(assigned.getDataPtr()[0], pixels[0]);

    CQelTexture& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.getDataBlockSize(), 64u);
    EXPECT_EQ(std::memcmp(assigned.getDataPtr(), pixels.data(), 64), 0);

    CQelTexture empty;
    EXPECT_EQ(empty.getDataBlockSize(), 0u);
    EXPECT_EQ(empty.getDataPtr(), nullptr);
    CQelTexture emptyCopy(empty);
    EXPECT_EQ(emptyCopy.getDataPtr(), nullptr);
}
