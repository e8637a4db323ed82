// Metadata blocks and the header's metadata operations: the size bookkeeping, the exact
// bytes of the typed blocks, replacement and removal, deep copies and padding.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "MetaData.h"
#include "Texture.h"
#include "TextureHeader.h"

using namespace qeltexture;

namespace {

using Bytes = std::vector<uint8_t>;

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

// Sum of (12 + size) over every block the header holds, walked independently of the
// bookkeeping under test.
uint32_t sumOfBlocks(const CQelTextureHeader& h) {
    uint32_t sum = 0;
    const MetaDataMap* map = h.getMetaDataMap();
    for (uint32_t i = 0; i < map->GetSize(); ++i)
        for (uint32_t k = 0; k < map->GetValue(i).GetSize(); ++k) sum += 12 + map->GetValue(i).GetValue(k).u32DataSize;
    return sum;
}

TEST(MetaDataBlock, CopiesAreDeepAndReadsAreBounded) {
    MetaDataBlock fresh;
    EXPECT_EQ(std::make_tuple(fresh.DevFOURCC, fresh.u32Key, fresh.u32DataSize), std::make_tuple(0u, 0u, 0u));
    EXPECT_EQ(fresh.Data, nullptr);
    MetaDataBlock a = makeBlock(7, 9, {1, 2, 3});
    MetaDataBlock b(a);
    ASSERT_NE(b.Data, nullptr);
    b.Data[0] = 42;
    EXPECT_EQ(a.Data[0], 1);
    EXPECT_EQ(std::make_tuple(b.DevFOURCC, b.u32Key, b.SizeOfBlock()), std::make_tuple(7u, 9u, 15u));
    MetaDataBlock& self = a;
    a = self;  // self-assignment keeps the data
    EXPECT_EQ(blockBytes(a), (Bytes{1, 2, 3}));
    b = fresh;  // assigning a block without data releases the old data
    EXPECT_EQ(b.Data, nullptr);
    EXPECT_EQ(b.u32DataSize, 0u);

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
    EXPECT_EQ(cursor, image.data() + 15);
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
    EXPECT_TRUE(h.hasMetaData(0x11223344, 4));
    EXPECT_FALSE(h.hasMetaData(0x11223344, 5));
    EXPECT_FALSE(h.hasMetaData(0x55667788, 4));
    h.addMetaData(makeBlock(0x11223344, 4, Bytes(10, 9)));  // replaces
    EXPECT_EQ(h.getMetaDataSize(), 24u + 22u);
    EXPECT_EQ(h.getMetaDataSize(), sumOfBlocks(h));
    h.removeMetaData(0x11223344, 9);  // absent key
    h.removeMetaData(0x99999999, 4);  // absent FourCC
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
    // Absent blocks: a zero block without data, no insertion.
    const MetaDataBlock none = h.getMetaData(1, 2);
    EXPECT_EQ(std::make_pair(none.DevFOURCC, none.u32Key), std::make_pair(0u, 0u));
    EXPECT_EQ(none.Data, nullptr);
    EXPECT_EQ(h.getMetaDataMap()->Lookup(1), nullptr);

    // Construction from a record adds the given blocks on top of a metadata size of 0.
    QelTextureHeaderV3 record;
    MetaDataBlock blocks[2] = {makeBlock(1, 1, Bytes(4, 1)), makeBlock(1, 2, Bytes(12, 2))};
    EXPECT_EQ(CQelTextureHeader(record, 2, blocks).getMetaDataSize(), 40u);
    EXPECT_EQ(CQelTextureHeader(record, 2, nullptr).getMetaDataSize(), 0u);
}

TEST(HeaderMetaData, TypedBlocksHaveExactBytes) {
    CQelTextureHeader h(QelStandard8PixelType.PixelTypeID, 4, 4);
    h.setOrientation(EQelTOrientation(eOrientLeft | eOrientOut));
    EXPECT_EQ(blockBytes(h.getMetaData(QEL_FOURCC, eMetaDataTextureOrientation)), (Bytes{1, 0, 4}));
    EXPECT_EQ(std::make_tuple(h.getOrientation(eAxisX), h.getOrientation(eAxisY), h.getOrientation(eAxisZ)),
              std::make_tuple(eOrientLeft, EQelTOrientation(0), eOrientOut));
    h.setOrientation(eOrientUp);
    EXPECT_EQ(std::make_pair(h.getOrientation(eAxisY), h.getOrientation(eAxisX)), std::make_pair(eOrientUp, EQelTOrientation(0)));

    h.setBumpMap(2.5f, CQelTString("xyz"));  // 2.5f is 0x40200000, little-endian
    EXPECT_EQ(blockBytes(h.getMetaData(QEL_FOURCC, eMetaDataBumpData)), (Bytes{0x00, 0x00, 0x20, 0x40, 'x', 'y', 'z', 0}));
    EXPECT_TRUE(h.isBumpMap());
    EXPECT_FLOAT_EQ(h.getBumpMapScale(), 2.5f);
    EXPECT_EQ(h.getBumpMapOrder().str(), "xyz");
    h.setBumpMap(1.0f, CQelTString("abcdef"));
    EXPECT_EQ(h.getBumpMapOrder().str(), "abcd");
    EXPECT_EQ(h.getMetaData(QEL_FOURCC, eMetaDataBumpData).u32DataSize, 8u);

    h.setBorder(0x01020304, 5, 0xffffffff);
    EXPECT_EQ(blockBytes(h.getMetaData(QEL_FOURCC, eMetaDataBorderData)),
              (Bytes{4, 3, 2, 1, 5, 0, 0, 0, 0xff, 0xff, 0xff, 0xff}));

    const float atlas[3] = {0.25f, -1.0f, 8.0f};
    h.setTextureAtlas(atlas, 3);
    EXPECT_EQ(h.getMetaData(QEL_FOURCC, eMetaDataTextureAtlasCoords).u32DataSize, 12u);
    EXPECT_EQ(h.getNumTextureAtlasMembers(), 3u);
    ASSERT_NE(h.getTextureAtlasData(), nullptr);
    EXPECT_EQ(h.getTextureAtlasData()[1], -1.0f);
    EXPECT_EQ(h.getMetaDataSize(), sumOfBlocks(h));
    EXPECT_EQ(h.getMetaDataSize(), (12u + 3) + (12 + 8) + (12 + 12) + (12 + 12));
}

TEST(HeaderMetaData, GettersHonourShapeAndAbsence) {
    CQelTextureHeader flat;  // 1x1x1, one face
    EXPECT_EQ(flat.getTextureAtlasData(), nullptr);
    const float atlas[2] = {1, 2};
    flat.setTextureAtlas(atlas, 2);
    EXPECT_EQ(flat.getNumTextureAtlasMembers(), 0u);  // 1x1x1 has no atlas
    flat.setDepth(2);
    EXPECT_EQ(flat.getNumTextureAtlasMembers(), 2u);
    flat.setNumMIPLevels(0);
    EXPECT_EQ(flat.getNumTextureAtlasMembers(), 0u);

    EXPECT_FALSE(flat.isBumpMap());
    EXPECT_EQ(flat.getBumpMapScale(), 0.0f);
    EXPECT_TRUE(flat.getBumpMapOrder().empty());
    uint32_t x = 9, y = 9, z = 9;
    flat.getBorder(x, y, z);
    EXPECT_EQ(x + y + z, 0u);

    flat.setCubeMapOrder(CQelTString("XxYyZzW"));
    const MetaDataBlock order = flat.getMetaData(QEL_FOURCC, eMetaDataCubeMapOrder);
    EXPECT_EQ(order.u32Key, uint32_t(eMetaDataCubeMapOrder));  // the block knows its own key
    EXPECT_EQ(order.u32DataSize, 6u);
    EXPECT_TRUE(flat.getCubeMapOrder().empty());  // one face
    flat.setNumFaces(6);
    EXPECT_EQ(flat.getCubeMapOrder().str(), "XxYyZz");
    flat.setCubeMapOrder(CQelTString("zZ"));
    EXPECT_EQ(flat.getCubeMapOrder().str(), "zZ");
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
    for (uint32_t padding : {4u, 8u, 64u, 4096u}) {
        CQelTexture v = texture();
        v.setBorder(1, 1, 1);
        v.addPaddingMetaData(padding);
        EXPECT_EQ((52 + v.getMetaDataSize()) % padding, 0u) << padding;
    }
    CQelTexture w = texture();
    w.addPaddingMetaData(1);
    w.addPaddingMetaData(0);
    EXPECT_EQ(w.getMetaDataSize(), 0u);
    EXPECT_FALSE(w.hasMetaData(QEL_FOURCC, eMetaDataPadding));
}

TEST(HeaderMetaData, CopiesAndRemovalKeepOrderAndIndependence) {
    CQelTextureHeader h;
    h.addMetaData(makeBlock(1, 10, {1}));
    h.addMetaData(makeBlock(2, 20, {2, 2}));
    h.addMetaData(makeBlock(1, 11, {3, 3, 3}));
    h.addMetaData(makeBlock(1, 12, {4}));
    const MetaDataMap* map = h.getMetaDataMap();
    ASSERT_EQ(map->GetSize(), 2u);
    EXPECT_EQ(std::make_pair(map->GetKey(0), map->GetKey(1)), std::make_pair(1u, 2u));  // FourCCs by first appearance

    const CQelTextureHeader copy(h);
    h.removeMetaData(1, 10);  // the last key moves into the freed slot
    ASSERT_EQ(map->GetValue(0).GetSize(), 2u);
    EXPECT_EQ(std::make_pair(map->GetValue(0).GetKey(0), map->GetValue(0).GetKey(1)), std::make_pair(12u, 11u));
    EXPECT_EQ(h.getMetaDataSize(), sumOfBlocks(h));
    // The copy kept everything, with its own data.
    EXPECT_TRUE(copy.hasMetaData(1, 10));
    EXPECT_EQ(copy.getMetaDataSize(), 13u + 14u + 15u + 13u);
    EXPECT_NE(copy.getMetaDataMap()->GetValue(0).GetValue(1).Data.get(), h.getMetaDataMap()->GetValue(0).GetValue(1).Data.get());

    CQelTextureHeader assigned;
    assigned.setBorder(1, 1, 1);
    assigned = copy;
    EXPECT_FALSE(assigned.hasMetaData(QEL_FOURCC, eMetaDataBorderData));
    EXPECT_EQ(assigned.getMetaDataSize(), copy.getMetaDataSize());
    EXPECT_EQ(blockBytes(assigned.getMetaData(1, 11)), (Bytes{3, 3, 3}));
}

}  // namespace
