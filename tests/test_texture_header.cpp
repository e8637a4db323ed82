// Size rules, header accessors, the texture object's data layout, and metadata bookkeeping,
// typed block bytes, replacement, removal, deep copies and padding.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "MetaData.h"
#include "Texture.h"

using namespace qeltexture;

namespace {
const uint64_t kRGBA8 = QelStandard8PixelType.PixelTypeID;
using Bytes = std::vector<uint8_t>;

CQelTextureHeader makeHeader(uint64_t format, uint32_t w, uint32_t h, uint32_t mips = 1,
                             uint32_t members = 1, uint32_t faces = 1, uint32_t depth = 1) {
    return CQelTextureHeader(format, h, w, depth, mips, members, faces);
}

MetaDataBlock makeBlock(uint32_t fourCC, uint32_t key, Bytes bytes) {
    MetaDataBlock b;
    b.DevFOURCC = fourCC;
    b.u32Key = key;
    b.u32DataSize = uint32_t(bytes.size());
    if (!bytes.empty()) {
        b.Data.reset(new uint8_t[bytes.size()]);
        std::memcpy(b.Data.get(), bytes.data(), bytes.size());
    }
    return b;
}

Bytes blockBytes(const MetaDataBlock& b) { return b.Data ? Bytes(b.Data.get(), b.Data.get() + b.u32DataSize) : Bytes(); }

// Sum of (12 + size) over every block held, walked independently of the bookkeeping.
uint32_t sumOfBlocks(const CQelTextureHeader& h) {
    uint32_t sum = 0;
    const MetaDataMap* map = h.getMetaDataMap();
    for (uint32_t i = 0; i < map->GetSize(); ++i)
        for (uint32_t k = 0; k < map->GetValue(i).GetSize(); ++k) sum += 12 + map->GetValue(i).GetValue(k).u32DataSize;
    return sum;
}
}  // namespace

TEST(PixelFormat, PackedValuesAndBitsPerPixel) {
    EXPECT_EQ(QelStandard8PixelType.PixelTypeID, 0x0808080861626772ull);
    EXPECT_EQ(PixelType('r', 'g', 'b', 0, 8, 8, 8, 0).PixelTypeID, 0x0008080800626772ull);
    // Packed sums; values past the enumeration have no size (the table rows themselves are
    // pinned by the data-size worked values).
    EXPECT_EQ(QelTGetBitsPerPixel(PixelType('r', 'g', 'b', 0, 5, 6, 5, 0).PixelTypeID), 16u);
    EXPECT_EQ(QelTGetBitsPerPixel(QelStandard32PixelType.PixelTypeID), 128u);
    EXPECT_EQ(QelTGetBitsPerPixel(ePF_NumCompressedPFs) + QelTGetBitsPerPixel(28), 0u);
    uint32_t x, y, z;
    QelTGetFormatMinDims(1000, x, y, z);
    EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(1u, 1u, 1u));
}

TEST(TextureHeader, DefaultsConstructorOrderAndFlags) {
    CQelTextureHeader fresh;
    EXPECT_EQ(std::make_tuple(fresh.getWidth(0), fresh.getHeight(0), fresh.getDepth(0), fresh.getWidth(1)),
              std::make_tuple(1u, 1u, 1u, 0u));
    EXPECT_EQ(fresh.getPixelType().PixelTypeID, 27u);
    EXPECT_EQ(std::make_tuple(fresh.getBitsPerPixel(), fresh.getDataSize(), fresh.getTextureSize()), std::make_tuple(0u, 0u, 0u));

    // Height before width, and MIP levels before members and faces.
    const QelTextureHeaderV3 r = CQelTextureHeader(kRGBA8, 2, 4, 3, 5, 6, 7, eCS_sRGB, eVT_SignedFloat, true).getFileHeader();
    EXPECT_EQ(std::make_tuple(r.u32Height, r.u32Width, r.u32Depth, r.u32MIPMapCount, r.u32NumSurfaces, r.u32NumFaces),
              std::make_tuple(2u, 4u, 3u, 5u, 6u, 7u));
    EXPECT_EQ(std::make_tuple(r.u32ColourSpace, r.u32ChannelType, r.u32Flags),
              std::make_tuple(uint32_t(eCS_sRGB), uint32_t(eVT_SignedFloat), 2u));

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
}

TEST(TextureHeader, DataSizeWorkedValues) {
    EXPECT_EQ(makeHeader(kRGBA8, 4, 4).getDataSize(), 64u);
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

    CQelTextureHeader cube = makeHeader(kRGBA8, 8, 8, 2, 3, 6);
    EXPECT_EQ(cube.getDataSize(0, true, true), 18u * cube.getDataSize(0, false, false));
    EXPECT_EQ(cube.getDataSize(0, false, true), 6u * 256);
    EXPECT_EQ(cube.getDataSize(-1, true, true), 18u * (256 + 64));
    // A single level is not compared with the MIP count.
    EXPECT_EQ(cube.getDataSize(5, false, false), 4u);
    EXPECT_EQ(cube.getTextureSize(0, false, false), 64u);

    CQelTextureHeader noLevels = makeHeader(kRGBA8, 4, 4, 0);
    EXPECT_EQ(std::make_pair(noLevels.getDataSize(-1), noLevels.getWidth(0)), std::make_pair(0u, 0u));
    CQelTextureHeader h40 = makeHeader(kRGBA8, 40, 40, 6);
    EXPECT_EQ(std::make_tuple(h40.getWidth(5), h40.getWidth(6), h40.getWidth(3)), std::make_tuple(1u, 0u, 5u));
}

TEST(TextureHeader, SizeModelLimits) {
    // 16384^2 RGBA8 is 1 GiB in one level: the 32-bit bit count of a level would wrap, the
    // byte count does not.
    CQelTextureHeader big = makeHeader(kRGBA8, 16384, 16384);
    EXPECT_TRUE(big.isWithinSizeModel());
    EXPECT_EQ(big.getDataSize(0), 1u << 30);
    EXPECT_EQ(big.getDataSize(-1), 1u << 30);

    EXPECT_FALSE(makeHeader(kRGBA8, 16384, 16384, 1, 1, 6).isWithinSizeModel());  // 6 GiB
    EXPECT_TRUE(makeHeader(kRGBA8, 4, 4, 32).isWithinSizeModel());
    EXPECT_FALSE(makeHeader(kRGBA8, 4, 4, 33).isWithinSizeModel());
    // A hostile MIP count is still summed in constant time.
    EXPECT_EQ(makeHeader(kRGBA8, 1, 1, 0xFFFFFFFF).getDataSize(-1), 4u * 0xFFFFFFFFu);
}

TEST(Texture, DataPointerOffsets) {
    CQelTexture mips(makeHeader(kRGBA8, 4, 4, 3));
    uint8_t* base = mips.getDataPtr(0, 0, 0);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(mips.getDataPtr(1, 0, 0), base + 64);
    EXPECT_EQ(mips.getDataPtr(2, 0, 0), base + 64 + 16);
    for (const auto& [level, member] : {std::make_pair(3u, 0u), std::make_pair(0u, 1u), std::make_pair(0xFFFFFFFFu, 0u)})
        EXPECT_EQ(mips.getDataPtr(level, member, 0), nullptr) << level << " " << member;

    CQelTexture cube(makeHeader(kRGBA8, 4, 4, 3, 1, 6));
    EXPECT_EQ(cube.getDataPtr(1, 0, 0), cube.getDataPtr() + 384);
    EXPECT_EQ(cube.getDataPtr(0, 0, 6), nullptr);

    CQelTexture array(makeHeader(kRGBA8, 4, 4, 1, 2, 6));
    EXPECT_EQ(array.getDataPtr(0, 1, 0), array.getDataPtr() + 384);
    EXPECT_EQ(array.getDataPtr(0, 1, 2), array.getDataPtr() + 384 + 128);
    EXPECT_EQ(array.getDataBlockSize(), 768u);

    // After a setter grows the shape without rebuilding data, nothing points past the block.
    CQelTexture grown(makeHeader(kRGBA8, 4, 4));
    grown.setWidth(64);
    EXPECT_EQ(grown.getDataPtr(0, 0, 0), nullptr);
}

TEST(Texture, ConstructionCopyAndAssignment) {
    std::vector<uint8_t> pixels(64);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 7 + 1);
    auto holdsPixels = [&](const CQelTexture& t) {
        return t.getDataBlockSize() == 64 && std::memcmp(t.getDataPtr(), pixels.data(), 64) == 0;
    };
    const CQelTextureHeader header = makeHeader(kRGBA8, 4, 4);
    CQelTexture tex(header, pixels.data());
    EXPECT_TRUE(holdsPixels(tex));
    CQelTexture blank(header, nullptr);  // zeroed, never unset
    EXPECT_EQ(std::vector<uint8_t>(blank.getDataPtr(), blank.getDataPtr() + 64), std::vector<uint8_t>(64, 0));

    CQelTexture copy(tex);
    EXPECT_NE(copy.getDataPtr(), tex.getDataPtr());
    EXPECT_TRUE(holdsPixels(copy));

    CQelTexture assigned;
    assigned = tex;
    EXPECT_TRUE(holdsPixels(assigned));
    tex.getDataPtr()[0] = 99;  // deep copies: the original's change is not seen
    EXPECT_TRUE(holdsPixels(assigned));
    CQelTexture& self = assigned;
    assigned = self;
    EXPECT_TRUE(holdsPixels(assigned));
    EXPECT_EQ(CQelTexture(CQelTexture()).getDataPtr(), nullptr);
}

TEST(MetaDataBlock, CopiesAreDeepAndReadsAreBounded) {
    MetaDataBlock a = makeBlock(7, 9, {1, 2, 3});
    MetaDataBlock& self = a;
    a = self;  // self-assignment keeps the data
    EXPECT_EQ(blockBytes(a), (Bytes{1, 2, 3}));
    EXPECT_EQ(a.SizeOfBlock(), 15u);

    // Little-endian fields; the cursor moves past the block.
    const Bytes image = {0x51, 0x45, 0x4c, 0x03, 0x04, 0, 0, 0, 0x03, 0, 0, 0, 0xaa, 0xbb, 0xcc, 0xdd};
    const unsigned char* cursor = image.data();
    MetaDataBlock r;
    ASSERT_TRUE(r.ReadFromPtr(&cursor));
    EXPECT_EQ(std::make_tuple(r.DevFOURCC, r.u32Key, blockBytes(r)), std::make_tuple(QEL_FOURCC, 4u, Bytes{0xaa, 0xbb, 0xcc}));
    EXPECT_EQ(cursor, image.data() + 15);
    // Bounded form: data one byte past the end, or no whole block header, is refused with
    // the cursor unmoved; exactly enough is read.
    cursor = image.data();
    MetaDataBlock c;
    EXPECT_FALSE(c.ReadFromPtr(&cursor, image.data() + 14));
    EXPECT_FALSE(c.ReadFromPtr(&cursor, image.data() + 11));
    EXPECT_EQ(cursor, image.data());
    EXPECT_TRUE(c.ReadFromPtr(&cursor, image.data() + 15));
    // A claimed size near 2^32 must not wrap the bound.
    const Bytes huge = {1, 0, 0, 0, 2, 0, 0, 0, 0xfc, 0xff, 0xff, 0xff, 0};
    cursor = huge.data();
    MetaDataBlock d;
    EXPECT_FALSE(d.ReadFromPtr(&cursor, huge.data() + huge.size()));
    EXPECT_EQ(d.Data, nullptr);
}

TEST(HeaderMetaData, SizeBookkeepingOnAddReplaceRemove) {
    CQelTextureHeader h;
    EXPECT_EQ(h.getMetaDataSize(), 0u);
    h.setBorder(1, 2, 3);
    EXPECT_EQ(h.getMetaDataSize(), 24u);
    h.setBorder(4, 5, 6);
    EXPECT_EQ(h.getMetaDataSize(), 24u);
    uint32_t x, y, z;
    h.getBorder(x, y, z);
    EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(4u, 5u, 6u));

    h.addMetaData(makeBlock(0x11223344, 4, {1, 2, 3, 4}));  // same key, other FourCC
    EXPECT_EQ(h.getMetaDataSize(), 40u);
    EXPECT_EQ(std::make_tuple(h.hasMetaData(0x11223344, 4), h.hasMetaData(0x11223344, 5), h.hasMetaData(0x55667788, 4)),
              std::make_tuple(true, false, false));
    h.addMetaData(makeBlock(0x11223344, 4, Bytes(10, 9)));  // replaces
    EXPECT_EQ(h.getMetaDataSize(), 24u + 22u);
    EXPECT_EQ(h.getMetaDataSize(), sumOfBlocks(h));
    h.removeMetaData(0x11223344, 9);  // absent
    EXPECT_EQ(h.getMetaDataSize(), 46u);
    h.addMetaData(makeBlock(0x11223344, 4, {1, 2, 3, 4}));
    h.removeMetaData(0x11223344, 4);
    EXPECT_EQ(h.getMetaDataSize(), 24u);  // a 4-byte block takes 16 off
    EXPECT_FALSE(h.hasMetaData(0x11223344, 4));

    // Re-adding the stored block itself changes nothing.
    const MetaDataKeyMap* own = h.getMetaDataMap()->Lookup(QEL_FOURCC);
    ASSERT_NE(own, nullptr);
    h.addMetaData(own->GetValue(0));
    EXPECT_EQ(h.getMetaDataSize(), 24u);
    h.getBorder(x, y, z);
    EXPECT_EQ(z, 6u);
    // Reading an absent block inserts nothing.
    EXPECT_EQ(h.getMetaData(1, 2).Data, nullptr);
    EXPECT_EQ(h.getMetaDataMap()->Lookup(1), nullptr);

    // Construction from a record adds the given blocks on top of a metadata size of 0.
    QelTextureHeaderV3 record;
    MetaDataBlock blocks[2] = {makeBlock(1, 1, Bytes(4, 1)), makeBlock(1, 2, Bytes(12, 2))};
    EXPECT_EQ(CQelTextureHeader(record, 2, blocks).getMetaDataSize(), 40u);
}

TEST(HeaderMetaData, TypedBlocksHaveExactBytes) {
    CQelTextureHeader h(QelStandard8PixelType.PixelTypeID, 4, 4);
    h.setOrientation(EQelTOrientation(eOrientLeft | eOrientOut));
    EXPECT_EQ(blockBytes(h.getMetaData(QEL_FOURCC, eMetaDataTextureOrientation)), (Bytes{1, 0, 4}));
    EXPECT_EQ(std::make_tuple(h.getOrientation(eAxisX), h.getOrientation(eAxisY), h.getOrientation(eAxisZ)),
              std::make_tuple(eOrientLeft, EQelTOrientation(0), eOrientOut));

    h.setBumpMap(2.5f, CQelTString("xyz"));  // 2.5f is 0x40200000, little-endian
    EXPECT_EQ(blockBytes(h.getMetaData(QEL_FOURCC, eMetaDataBumpData)), (Bytes{0x00, 0x00, 0x20, 0x40, 'x', 'y', 'z', 0}));
    EXPECT_EQ(std::make_tuple(h.isBumpMap(), h.getBumpMapScale(), h.getBumpMapOrder().str()), std::make_tuple(true, 2.5f, "xyz"));
    h.setBumpMap(1.0f, CQelTString("abcdef"));
    EXPECT_EQ(h.getBumpMapOrder().str(), "abcd");

    const float atlas[3] = {0.25f, -1.0f, 8.0f};
    h.setTextureAtlas(atlas, 3);
    EXPECT_EQ(h.getNumTextureAtlasMembers(), 3u);
    ASSERT_NE(h.getTextureAtlasData(), nullptr);
    EXPECT_EQ(h.getTextureAtlasData()[1], -1.0f);
    EXPECT_EQ(h.getMetaDataSize(), (12u + 3) + (12 + 8) + (12 + 12));
}

TEST(HeaderMetaData, GettersHonourShapeAndAbsence) {
    CQelTextureHeader flat;  // 1x1x1, one face
    const float atlas[2] = {1, 2};
    flat.setTextureAtlas(atlas, 2);
    EXPECT_EQ(flat.getNumTextureAtlasMembers(), 0u);  // 1x1x1 has no atlas
    flat.setDepth(2);
    EXPECT_EQ(flat.getNumTextureAtlasMembers(), 2u);

    flat.setCubeMapOrder(CQelTString("XxYyZzW"));
    const MetaDataBlock order = flat.getMetaData(QEL_FOURCC, eMetaDataCubeMapOrder);  // knows its own key
    EXPECT_EQ(std::make_pair(order.u32Key, order.u32DataSize), std::make_pair(uint32_t(eMetaDataCubeMapOrder), 6u));
    EXPECT_TRUE(flat.getCubeMapOrder().empty());  // one face
    flat.setNumFaces(6);
    EXPECT_EQ(flat.getCubeMapOrder().str(), "XxYyZz");
    EXPECT_EQ(flat.getMetaDataSize(), sumOfBlocks(flat));
}

TEST(HeaderMetaData, PaddingAlignsThePixelData) {
    auto texture = [] { return CQelTexture(CQelTextureHeader(QelStandard8PixelType.PixelTypeID, 2, 2)); };
    CQelTexture t = texture();
    t.addPaddingMetaData(16);  // metadata size 0: a block of 0 bytes, 52 + 12 = 64
    EXPECT_TRUE(t.hasMetaData(QEL_FOURCC, eMetaDataPadding));
    EXPECT_EQ(std::make_pair(t.getMetaData(QEL_FOURCC, eMetaDataPadding).u32DataSize, t.getMetaDataSize()), std::make_pair(0u, 12u));
    CQelTexture u = texture();
    u.addMetaData(makeBlock(5, 5, Bytes(8, 0)));  // metadata size 20: 52 + 20 + 12 + 12 = 96
    u.addPaddingMetaData(16);
    EXPECT_EQ(std::make_pair(u.getMetaData(QEL_FOURCC, eMetaDataPadding).u32DataSize, u.getMetaDataSize()), std::make_pair(12u, 44u));
    for (uint32_t padding : {8u, 4096u}) {
        CQelTexture v = texture();
        v.setBorder(1, 1, 1);
        v.addPaddingMetaData(padding);
        EXPECT_EQ((52 + v.getMetaDataSize()) % padding, 0u) << padding;
    }
    CQelTexture w = texture();
    w.addPaddingMetaData(1);
    w.addPaddingMetaData(0);
    EXPECT_EQ(std::make_pair(w.getMetaDataSize(), w.hasMetaData(QEL_FOURCC, eMetaDataPadding)), std::make_pair(0u, false));
}

TEST(HeaderMetaData, CopiesAndRemovalKeepOrderAndIndependence) {
    CQelTextureHeader h;
    h.addMetaData(makeBlock(1, 10, {1}));
    h.addMetaData(makeBlock(2, 20, {2, 2}));
    h.addMetaData(makeBlock(1, 11, {3, 3, 3}));
    h.addMetaData(makeBlock(1, 12, {4}));
    const MetaDataMap* map = h.getMetaDataMap();
    const CQelTextureHeader copy(h);
    h.removeMetaData(1, 10);
    EXPECT_EQ(h.getMetaDataSize(), sumOfBlocks(h));
    // The copy kept everything, with its own data.
    EXPECT_TRUE(copy.hasMetaData(1, 10));
    EXPECT_EQ(copy.getMetaDataSize(), 13u + 14u + 15u + 13u);
    EXPECT_NE(copy.getMetaDataMap()->Lookup(1)->Lookup(11)->Data.get(), map->Lookup(1)->Lookup(11)->Data.get());

    CQelTextureHeader assigned;
    assigned.setBorder(1, 1, 1);
    assigned = copy;
    EXPECT_FALSE(assigned.hasMetaData(QEL_FOURCC, eMetaDataBorderData));
    EXPECT_EQ(assigned.getMetaDataSize(), copy.getMetaDataSize());
    EXPECT_EQ(blockBytes(assigned.getMetaData(1, 11)), (Bytes{3, 3, 3}));
}
