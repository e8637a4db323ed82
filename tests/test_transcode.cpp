// The transcode pipeline: refusals, no-ops, colour-space and layout conversions, dithering,
// formats without a codec, and the table-driven converter against the general path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "PixelBits.h"
#include "Transcode.h"
#include "TranscodeCodecs.h"
#include "TranscodeFast.h"

using namespace qeltexture;

namespace {

const PixelType kRGBA8 = QelStandard8PixelType;
const PixelType kL8('l', 0, 0, 0, 8, 0, 0, 0);

CQelTexture rgba8Texture(uint32_t w, uint32_t h, const std::vector<uint8_t>& data) {
    CQelTexture t(CQelTextureHeader(kRGBA8.PixelTypeID, h, w));
    if (!data.empty()) std::memcpy(t.getDataPtr(), data.data(), data.size());
    return t;
}

std::vector<uint8_t> bytesOf(const CQelTexture& t) {
    const uint8_t* p = t.getDataPtr();
    return std::vector<uint8_t>(p, p + t.getDataSize(-1, true, true));
}

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(rng());
    return v;
}

// The column-by-column walk exactly as the diffusion is defined, for comparison with the
// library's row-by-row form.
void referenceDither(uint8_t* data, const uint32_t bits[4], uint32_t w, uint32_t h, uint32_t d) {
    auto at = [&](uint32_t x, uint32_t y, uint32_t z, unsigned c) -> uint8_t& {
        return data[((size_t(z) * h + y) * w + x) * 4 + c];
    };
    auto add = [](uint8_t& b, int e) { b = uint8_t(std::clamp(b + e, 0, 255)); };
    for (unsigned c = 0; c < 4; ++c) {
        const int t = int(bits[c]);
        if (t < 1 || t > 7) continue;
        for (uint32_t x = 0; x < w; ++x)
            for (uint32_t y = 0; y < h; ++y)
                for (uint32_t z = 0; z < d; ++z) {
                    const int v = at(x, y, z, c), q = std::min(255, (v >> t) + ((v >> (8 - t)) << (8 - t)));
                    at(x, y, z, c) = uint8_t(q);
                    if (x < w - 1) add(at(x + 1, y, z, c), (v - q) / 2);
                    if (y < h - 1 && x < w - 1) add(at(x + 1, y + 1, z, c), (v - q) / 4);
                    if (y < h - 1) add(at(x, y + 1, z, c), (v - q) / 4);
                }
    }
}

bool transcode(CQelTexture& t, const PixelType& to, EQelTVariableType vt = eVT_UnsignedByteNorm,
               EQelTColourSpace cs = eCS_LinearRGB, bool dither = false, uint32_t quality = eQELTCFastest) {
    return Transcode(t, to, vt, cs, ECompressorQuality(quality), dither);
}

struct Layout { PixelType type; EQelTVariableType vt; };

}  // namespace

TEST(Transcode, RefusalsNoOpsAndTargetsWithoutEncoders) {
    CQelTexture t = rgba8Texture(4, 4, randomBytes(64, 1));
    const std::vector<uint8_t> before = bytesOf(t);
    const uint8_t* data = t.getDataPtr();
    EXPECT_FALSE(transcode(t, PixelType(ePF_NumCompressedPFs)));
    EXPECT_FALSE(transcode(t, PixelType('r', 'r', 0, 0, 8, 8, 0, 0)));
    // Same format, channel type and colour space: true and not touched.
    EXPECT_TRUE(transcode(t, kRGBA8, eVT_UnsignedByteNorm, eCS_LinearRGB, true));
    EXPECT_EQ(t.getDataPtr(), data);
    EXPECT_EQ(bytesOf(t), before);
    CQelTexture empty;
    EXPECT_FALSE(transcode(empty, kRGBA8));
    // A source whose decoder the library lacks is refused.
    CQelTexture dxt(CQelTextureHeader(ePF_DXT1, 4, 4));
    EXPECT_FALSE(transcode(dxt, kRGBA8));
    EXPECT_EQ(dxt.getPixelType(), PixelType(ePF_DXT1));

    // Targets without an encoder: DXT1 fails but the texture now reports it; BC7 succeeds
    // with no data.
    EXPECT_FALSE(transcode(t, PixelType(ePF_DXT1)));
    EXPECT_EQ(t.getPixelType(), PixelType(ePF_DXT1));
    EXPECT_EQ(t.getDataSize(), 8u);
    CQelTexture u = rgba8Texture(4, 4, randomBytes(64, 3));
    EXPECT_TRUE(transcode(u, PixelType(ePF_BC7)));
    EXPECT_EQ(u.getPixelType(), PixelType(ePF_BC7));
    EXPECT_EQ(u.getDataSize(), 0u);

    // EAC R11 from a signed float request keeps the signed 16-bit intermediate type.
    CQelTexture e = rgba8Texture(4, 4, randomBytes(64, 4));
    transcode(e, PixelType(ePF_EAC_R11), eVT_SignedFloat, eCS_LinearRGB, false, eETCSlow);
    EXPECT_EQ(e.getPixelType(), PixelType(ePF_EAC_R11));
    EXPECT_EQ(e.getChannelType(), eVT_SignedShortNorm);
}

TEST(Transcode, ColourSpaceAndLayoutConversions) {
    // Every byte value in every channel: RGB through the curve towards sRGB (128 -> 188;
    // the curve itself is checked code by code in the encoder's tests), alpha unchanged.
    std::vector<uint8_t> ramp(256 * 4);
    for (uint32_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t(i / 4);
    CQelTexture t = rgba8Texture(256, 1, ramp);
    ASSERT_TRUE(transcode(t, kRGBA8, eVT_UnsignedByteNorm, eCS_sRGB));
    EXPECT_EQ(t.getColourSpace(), eCS_sRGB);
    EXPECT_EQ(std::vector<uint8_t>(t.getDataPtr() + 128 * 4, t.getDataPtr() + 129 * 4), (std::vector<uint8_t>{188, 188, 188, 128}));
    for (uint32_t i = 0; i < 256; ++i) ASSERT_EQ(t.getDataPtr()[i * 4 + 3], uint8_t(i));

    // Every member, face and level is converted (channels matched by name); metadata is kept.
    CQelTexture cube(CQelTextureHeader(kRGBA8.PixelTypeID, 8, 8, 1, 4, 2, 6));
    const std::vector<uint8_t> cubeBytes = randomBytes(cube.getDataSize(), 6);
    std::memcpy(cube.getDataPtr(), cubeBytes.data(), cubeBytes.size());
    cube.setOrientation(EQelTOrientation(0));
    const uint32_t metaSize = cube.getMetaDataSize();
    ASSERT_TRUE(transcode(cube, PixelType('b', 'g', 'r', 'a', 8, 8, 8, 8)));
    EXPECT_EQ(cube.getMetaDataSize(), metaSize);
    std::vector<uint8_t> swapped = cubeBytes;
    for (size_t p = 0; p < swapped.size(); p += 4) std::swap(swapped[p], swapped[p + 2]);
    EXPECT_EQ(bytesOf(cube), swapped);
}

TEST(Transcode, SmallLevelsAreTiledForTheEncoder) {
    const CodecFunction encode = encoderFor(ePF_ETC1);
    if (!encode) GTEST_SKIP() << "no ETC1 encoder in this build";
    // A 2 x 2 level goes to the encoder as the 4 x 4 image p00 p10 p00 p10 / p01 p11 p01 p11 / ...
    const std::vector<uint8_t> rgba = {10, 20, 30, 255, 200, 40, 60, 255, 90, 180, 20, 255, 5, 250, 128, 255};
    CQelTexture t = rgba8Texture(2, 2, rgba);
    ASSERT_TRUE(transcode(t, PixelType(ePF_ETC1), eVT_UnsignedByteNorm, eCS_LinearRGB, false, eETCFast));
    std::vector<uint8_t> tiled(4 * 4 * 3), expected(8);
    for (uint32_t p = 0; p < 16; ++p) std::memcpy(&tiled[p * 3], &rgba[((p / 4 % 2) * 2 + p % 2) * 4], 3);
    CodecCall call;
    call.format = ePF_ETC1;
    call.quality = eETCFast;
    ASSERT_EQ(encode(tiled.data(), expected.data(), 4, 4, call), 8u);
    EXPECT_EQ(bytesOf(t), expected);

    // ETC1 to ETC1 decodes and encodes again.
    CQelTexture photo = rgba8Texture(16, 16, randomBytes(16 * 16 * 4, 11));
    ASSERT_TRUE(transcode(photo, PixelType(ePF_ETC1), eVT_UnsignedByteNorm, eCS_LinearRGB, false, eETCFast));
    ASSERT_TRUE(transcode(photo, PixelType(ePF_ETC1), eVT_UnsignedByteNorm, eCS_LinearRGB, false, eETCFast));
    EXPECT_EQ(photo.getPixelType(), PixelType(ePF_ETC1));
}

TEST(Transcode, DitherWorkedValuesOrderAndPipeline) {
    // 143 -> 136; 3 to the right, 1 below-right and 1 below (neighbours chosen so that the
    // received error lands exactly on a 4-bit level). 255 and 0 stay and give nothing; 17
    // is a 4-bit level.
    std::vector<uint8_t> img = {143, 255, 0, 17, 133, 0, 255, 17, 16, 0, 0, 17, 152, 0, 0, 17};
    Dither(img.data(), PixelType('r', 'g', 'b', 'a', 4, 4, 4, 4), 2, 2, 1);
    EXPECT_EQ(img, (std::vector<uint8_t>{136, 255, 0, 17, 136, 0, 255, 17, 17, 0, 0, 17, 153, 0, 0, 17}));
    uint32_t bits[4];
    DitherPrecision(PixelType('l', 'a', 0, 0, 6, 2, 0, 0), bits);
    EXPECT_EQ(std::vector<uint32_t>(bits, bits + 4), (std::vector<uint32_t>{6, 6, 6, 2}));
    DitherPrecision(PixelType(ePF_DXT1), bits);
    EXPECT_EQ(std::vector<uint32_t>(bits, bits + 4), (std::vector<uint32_t>{5, 6, 5, 1}));

    // The row-by-row implementation gives the bytes of the column-by-column definition.
    std::mt19937 rng(7);
    for (int round = 0; round < 16; ++round) {
        auto pick = [&](uint32_t n) { return uint32_t(rng() % n); };
        const uint32_t w = 1 + pick(37), h = 1 + pick(29), d = 1 + pick(3);
        const uint32_t b[4] = {1 + uint32_t(round % 7), 1 + pick(8), pick(9), 1 + pick(7)};
        std::vector<uint8_t> a = randomBytes(size_t(w) * h * d * 4, 100 + round), ref = a;
        Dither(a.data(), PixelType('r', 'g', 'b', 'a', uint8_t(b[0]), uint8_t(b[1]), uint8_t(b[2]), uint8_t(b[3])), w, h, d);
        referenceDither(ref.data(), b, w, h, d);
        ASSERT_EQ(a, ref) << w << "x" << h << "x" << d;
    }

    // Luminance target: red, green and blue become the truncated luminance before the final
    // conversion, so (255, 255, 0) gives 236 with dithering and 237 without.
    CQelTexture l1 = rgba8Texture(1, 1, {255, 255, 0, 255}), l2 = l1;
    ASSERT_TRUE(transcode(l1, kL8, eVT_UnsignedByteNorm, eCS_LinearRGB, true));
    ASSERT_TRUE(transcode(l2, kL8));
    EXPECT_EQ(std::make_pair(l1.getDataPtr()[0], l2.getDataPtr()[0]), std::make_pair(uint8_t(236), uint8_t(237)));
    // A 32-bit target is never dithered.
    CQelTexture c = rgba8Texture(16, 16, randomBytes(1024, 8)), d = c;
    ASSERT_TRUE(transcode(c, kRGBA8, eVT_UnsignedByteNorm, eCS_sRGB, true));
    ASSERT_TRUE(transcode(d, kRGBA8, eVT_UnsignedByteNorm, eCS_sRGB));
    EXPECT_EQ(bytesOf(c), bytesOf(d));
    // 4,4,4,4 with dithering: the dithered 8-bit image is then reduced to 4 bits a channel.
    const PixelType rgba4444('r', 'g', 'b', 'a', 4, 4, 4, 4);
    const std::vector<uint8_t> src = randomBytes(8 * 8 * 4, 9);
    std::vector<uint8_t> dithered = src;
    const uint32_t four[4] = {4, 4, 4, 4};
    referenceDither(dithered.data(), four, 8, 8, 1);
    CQelTexture e = rgba8Texture(8, 8, src), f = rgba8Texture(8, 8, dithered);
    ASSERT_TRUE(transcode(e, rgba4444, eVT_UnsignedShortNorm, eCS_LinearRGB, true));
    ASSERT_TRUE(transcode(f, rgba4444, eVT_UnsignedShortNorm));
    EXPECT_EQ(bytesOf(e), bytesOf(f));
}

TEST(Transcode, TablePathMatchesGeneralPath) {
    const Layout layouts[] = {
        {QelStandard8PixelType, eVT_UnsignedByteNorm}, {PixelType('b', 'g', 'r', 'a', 8, 8, 8, 8), eVT_UnsignedByte},
        {PixelType('r', 'g', 'b', 0, 8, 8, 8, 0), eVT_UnsignedByteNorm},
        {PixelType('r', 'g', 'b', 0, 5, 6, 5, 0), eVT_UnsignedShortNorm},
        {PixelType('r', 'g', 'b', 'a', 4, 4, 4, 4), eVT_UnsignedShortNorm},
        {PixelType('a', 'r', 'g', 'b', 1, 5, 5, 5), eVT_UnsignedShortNorm},
        {PixelType('l', 0, 0, 0, 8, 0, 0, 0), eVT_UnsignedByteNorm}, {PixelType('i', 0, 0, 0, 8, 0, 0, 0), eVT_UnsignedByteNorm},
        {PixelType('r', 'g', 'b', 'x', 8, 8, 8, 8), eVT_SignedByteNorm},
        {PixelType('r', 'g', 0, 0, 16, 16, 0, 0), eVT_UnsignedShortNorm},
        {PixelType('r', 'g', 'b', 'a', 16, 16, 16, 16), eVT_SignedFloat},
        {PixelType('r', 'g', 'b', 0, 11, 11, 10, 0), eVT_UnsignedFloat},
        {PixelType('r', 'g', 'b', 'a', 10, 10, 10, 2), eVT_UnsignedIntegerNorm},
        {QelStandard32PixelType, eVT_SignedFloat}, {PixelType('i', 0, 0, 0, 32, 0, 0, 0), eVT_UnsignedIntegerNorm},
    };
    const std::pair<EQelTColourSpace, EQelTColourSpace> spaces[] = {
        {eCS_LinearRGB, eCS_LinearRGB}, {eCS_sRGB, eCS_LinearRGB}, {eCS_LinearRGB, eCS_sRGB}};
    size_t covered = 0;
    for (const Layout& from : layouts)
        for (const Layout& to : layouts)
            for (const auto& space : spaces) {
                CPixelEncoder se(from.type, from.vt), de(to.type, to.vt);
                ASSERT_EQ(se.GetError() | de.GetError(), 0u);
                CTablePixelConverter tables;
                if (!tables.prepare(se, de, space.first, space.second, size_t(1) << 20)) continue;
                ++covered;
                const size_t sb = se.GetColourDataSize(), db = de.GetColourDataSize();
                const size_t n = 4096;
                const std::vector<uint8_t> in = randomBytes(n * sb, uint32_t(covered));
                std::vector<uint8_t> fast(n * db, 0xCD), general(n * db, 0xEF);
                tables.convert(in.data(), fast.data(), n);
                convertPixelsGeneral(in.data(), general.data(), n, se, de, space.first, space.second);
                ASSERT_EQ(fast, general) << std::hex << from.type.PixelTypeID << " vt " << from.vt << " -> "
                                         << to.type.PixelTypeID << " vt " << to.vt << " cs " << space.first;
            }
    EXPECT_GT(covered, 550u);  // of 15 x 15 x 3 layout and space pairs
}
