// Height maps to normal maps: worked values, channel orders, metadata, a shaped surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "ImageOps/NormalMap.h"

using namespace qeltexture;

namespace {

template <typename T> T top() { return std::is_floating_point<T>::value ? T(1) : std::numeric_limits<T>::max(); }

template <typename T>
CQelTexture heightMap(uint32_t w, uint32_t h, const std::vector<T>& reds, uint32_t d = 1, uint32_t mips = 1,
                      uint32_t members = 1, uint32_t faces = 1) {
    const bool isFloat = std::is_floating_point<T>::value;
    const PixelType type = sizeof(T) == 1 ? QelStandard8PixelType : sizeof(T) == 2 ? QelStandard16PixelType : QelStandard32PixelType;
    const EQelTVariableType vt = sizeof(T) == 1 ? eVT_UnsignedByteNorm : sizeof(T) == 2 ? eVT_UnsignedShortNorm
                                 : isFloat ? eVT_SignedFloat : eVT_UnsignedIntegerNorm;
    CQelTexture t(CQelTextureHeader(type.PixelTypeID, h, w, d, mips, members, faces, eCS_LinearRGB, vt));
    auto* p = reinterpret_cast<Pixel<T>*>(t.getDataPtr());
    // Green, blue and alpha are noise the generator must ignore.
    for (uint32_t i = 0; i < t.getDataBlockSize() / sizeof(Pixel<T>); ++i) p[i] = {reds[i % reds.size()], T(7), T(3), T(1)};
    return t;
}

const Pixel<float>* normals(const CQelTexture& t, uint32_t mip = 0, uint32_t member = 0, uint32_t face = 0) {
    return reinterpret_cast<const Pixel<float>*>(t.getDataPtr(mip, member, face));
}

template <typename T> class NormalMap : public ::testing::Test {};
using ElementTypes = ::testing::Types<uint8_t, uint16_t, uint32_t, float>;
TYPED_TEST_SUITE(NormalMap, ElementTypes);

}  // namespace

TYPED_TEST(NormalMap, FlatHeightsAndTheResultingTexture) {
    using T = TypeParam;
    const T level = T(top<T>() / 5);  // 0.2 of the range
    CQelTexture t = heightMap<T>(4, 2, {level}, 3, 2, 2, 6);
    t.setBorder(1, 1, 0);
    CQelTexture withHeight = t;
    ASSERT_TRUE(GenerateNormalMap(t, 3.0f, "xyz"));
    ASSERT_TRUE(GenerateNormalMap(withHeight, 3.0f, "XYZH"));
    EXPECT_EQ(t.getPixelType().PixelTypeID, QelStandard32PixelType.PixelTypeID);
    EXPECT_EQ(t.getChannelType(), eVT_SignedFloat);
    EXPECT_EQ(t.getWidth() * 1000 + t.getHeight() * 100 + t.getDepth() * 10 + t.getNumMIPLevels(), 4232u);
    EXPECT_EQ(t.getNumArrayMembers() * 10 + t.getNumFaces(), 26u);
    EXPECT_FLOAT_EQ(t.getBumpMapScale(), 3.0f);
    EXPECT_STREQ(withHeight.getBumpMapOrder().c_str(), "xyzh");
    EXPECT_TRUE(t.hasMetaData(QEL_FOURCC, eMetaDataBorderData));  // other metadata kept

    const double range = sizeof(T) == 4 ? 4294967296.0 : double(top<T>());
    const float h = std::is_floating_point<T>::value ? float(level) : float(double(level) / range);
    for (uint32_t mip = 0; mip < 2; ++mip)
        for (uint32_t m = 0; m < 2; ++m)
            for (uint32_t f = 0; f < 6; ++f)
                for (uint32_t i = 0; i < t.getWidth(mip) * t.getHeight(mip) * t.getDepth(mip); ++i) {
                    const Pixel<float>& a = normals(t, mip, m, f)[i];
                    ASSERT_TRUE(a.red == 0.5f && a.green == 0.5f && a.blue == 1.0f && a.alpha == 1.0f);
                    ASSERT_EQ(normals(withHeight, mip, m, f)[i].alpha, h);
                }
}

TYPED_TEST(NormalMap, SlopesWrapAroundTheEdges) {
    using T = TypeParam;
    const float low = float(0.5 - 0.5 / std::sqrt(2.0)), high = float(0.5 + 0.5 / std::sqrt(2.0));
    // Row 0, top, 0 at scale 1: column 0's neighbours are column 2 (0) and column 1 (1.0).
    CQelTexture row = heightMap<T>(3, 1, {T(0), top<T>(), T(0)});
    ASSERT_TRUE(GenerateNormalMap(row, 1.0f, "xyz"));
    EXPECT_NEAR(normals(row)[0].red, 0.1464f, 1e-4f);
    EXPECT_FLOAT_EQ(normals(row)[1].red, 0.5f);
    EXPECT_FLOAT_EQ(normals(row)[2].red, high);
    EXPECT_FLOAT_EQ(normals(row)[0].green, 0.5f);
    EXPECT_FLOAT_EQ(normals(row)[0].blue, high);
    // A peak at the first pixel, along x and along y: the neighbour before the first pixel
    // is the last one and the neighbour after the last pixel is the first.
    CQelTexture edgeRow = heightMap<T>(3, 1, {top<T>(), T(0), T(0)}), column = heightMap<T>(1, 3, {top<T>(), T(0), T(0)});
    ASSERT_TRUE(GenerateNormalMap(edgeRow, 1.0f, "xyz") && GenerateNormalMap(column, 1.0f, "xyz"));
    for (int i = 0; i < 3; ++i) {
        const float expected = i == 0 ? 0.5f : i == 1 ? high : low;
        EXPECT_FLOAT_EQ(normals(edgeRow)[i].red, expected) << i;
        EXPECT_FLOAT_EQ(normals(column)[i].green, expected) << i;
        EXPECT_FLOAT_EQ(normals(column)[i].red, 0.5f) << i;
    }
    // Depth slices stand alone: two flat slices of different heights stay flat.
    CQelTexture slices = heightMap<T>(2, 2, {T(0), T(0), T(0), T(0), top<T>(), top<T>(), top<T>(), top<T>()}, 2);
    ASSERT_TRUE(GenerateNormalMap(slices, 1.0f, "xyz"));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(normals(slices)[i].blue, 1.0f) << i;
}

TEST(NormalMapOrder, ChannelOrderStrings) {
    const std::vector<uint8_t> ramp = {0, 40, 90, 200, 10, 255, 60, 30, 120};
    auto make = [&](const char* order, float scale = 2.0f) {
        CQelTexture t = heightMap<uint8_t>(3, 3, ramp);
        EXPECT_TRUE(GenerateNormalMap(t, scale, order));
        return t;
    };
    auto same = [](const CQelTexture& a, const CQelTexture& b) {
        return std::memcmp(a.getDataPtr(), b.getDataPtr(), a.getDataBlockSize()) == 0;
    };
    const CQelTexture xyz = make("xyz"), zyx = make("zyx"), none = make(""), negative = make("xyz", -2.0f);
    EXPECT_TRUE(same(make("XYZ"), xyz));
    EXPECT_TRUE(same(make("xyz\0h"), xyz));  // reading stops at the first NUL
    for (int i = 0; i < 9; ++i) {
        const Pixel<float>& a = normals(xyz)[i];
        const Pixel<float>& s = normals(zyx)[i];
        EXPECT_TRUE(s.red == a.blue && s.green == a.green && s.blue == a.red) << i;
        const Pixel<float>& n = normals(none)[i];
        EXPECT_EQ(n.red + n.green + n.blue + n.alpha, 4.0f);
        // A negative scale mirrors x and y about 0.5 and keeps z.
        EXPECT_NEAR(normals(negative)[i].red, 1.0f - a.red, 1e-6f);
        EXPECT_EQ(normals(negative)[i].blue, a.blue);
    }
    // A long order keeps its first four characters in the metadata.
    EXPECT_STREQ(make("ZYXHAB").getBumpMapOrder().c_str(), "zyxh");
}

TEST(NormalMapRefusals, ZeroScaleAndOtherLayoutsChangeNothing) {
    CQelTexture t = heightMap<uint16_t>(4, 4, {100, 9000, 300});
    const CQelTexture before = t;
    EXPECT_FALSE(GenerateNormalMap(t, 0.0f, "xyz") || GenerateNormalMap(t, -0.0f, "xyz"));
    EXPECT_EQ(t.getPixelType().PixelTypeID, QelStandard16PixelType.PixelTypeID);
    EXPECT_EQ(std::memcmp(t.getDataPtr(), before.getDataPtr(), t.getDataBlockSize()), 0);
    EXPECT_FALSE(t.isBumpMap());
    CQelTexture packed(CQelTextureHeader(PixelType('r', 'g', 'b', 0, 5, 6, 5, 0).PixelTypeID, 2, 2));
    EXPECT_FALSE(GenerateNormalMap(packed, 1.0f, "xyz"));
    EXPECT_FALSE(packed.isBumpMap());
    Pixel<float> px[1] = {};
    EXPECT_FALSE(CreateNormalMap<float>(px, px, 1, 1, 1, 0.0f, "xyz") || CreateNormalMap<float>(nullptr, px, 1, 1, 1, 1.0f, "xyz"));
}

// A hemisphere: every normal has unit length and, on the slope, points away from the centre.
TEST(NormalMapImages, SphereNormalsAreUnitAndPointOutward) {
    const uint32_t size = 64;
    const double centre = 31.5, radius = 24.0;
    std::vector<float> heights(size * size);
    for (uint32_t i = 0; i < size * size; ++i) {
        const double dx = i % size - centre, dy = i / size - centre;
        heights[i] = float(std::sqrt(std::max(0.0, radius * radius - dx * dx - dy * dy)) / radius);
    }
    CQelTexture t = heightMap<float>(size, size, heights);
    ASSERT_TRUE(GenerateNormalMap(t, 4.0f, "xyz"));
    int checked = 0;
    for (uint32_t i = 0; i < size * size; ++i) {
        const double dx = i % size - centre, dy = i / size - centre, r = std::sqrt(dx * dx + dy * dy);
        const Pixel<float>& n = normals(t)[i];
        const double x = 2.0 * n.red - 1.0, y = 2.0 * n.green - 1.0, z = 2.0 * n.blue - 1.0;
        ASSERT_NEAR(std::sqrt(x * x + y * y + z * z), 1.0, 1e-6) << i;
        if (r < 2.0 || r > radius - 2.0) continue;
        ASSERT_GT(x * dx + y * dy, 0.0) << i % size << "," << i / size;
        ++checked;
    }
    EXPECT_GT(checked, 1000);
}
