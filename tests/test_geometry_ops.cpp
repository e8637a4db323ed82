// Canvas, quarter turns, flips and mirrored borders over every element type.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ImageOps/Border.h"
#include "ImageOps/Canvas.h"
#include "ImageOps/Flip.h"
#include "ImageOps/Rotate.h"

using namespace qeltexture;
using Labels = std::vector<uint32_t>;

namespace {

template <typename T> EQelTVariableType channelType() {
    return sizeof(T) == 1 ? eVT_UnsignedByteNorm : sizeof(T) == 2 ? eVT_UnsignedShortNorm
           : std::is_floating_point<T>::value ? eVT_SignedFloat : eVT_UnsignedIntegerNorm;
}
template <typename T> uint64_t pixelType() {
    return (sizeof(T) == 1 ? QelStandard8PixelType : sizeof(T) == 2 ? QelStandard16PixelType : QelStandard32PixelType).PixelTypeID;
}
// Small labels survive every element type exactly (floats as sixteenths).
template <typename T> T fromLabel(uint32_t n) { return std::is_floating_point<T>::value ? T(n / 16.0f) : T(n); }
template <typename T> uint32_t toLabel(T v) { return std::is_floating_point<T>::value ? uint32_t(v * 16.0f) : uint32_t(v); }

// Every pixel of every surface gets its own red label; the other channels differ from
// red so a channel mix-up shows.
template <typename T>
CQelTexture makeTexture(uint32_t w, uint32_t h, uint32_t d = 1, uint32_t mips = 1, uint32_t members = 1, uint32_t faces = 1) {
    CQelTexture t(CQelTextureHeader(pixelType<T>(), h, w, d, mips, members, faces, eCS_LinearRGB, channelType<T>()));
    auto* p = reinterpret_cast<Pixel<T>*>(t.getDataPtr());
    for (uint32_t i = 0; i < t.getDataBlockSize() / sizeof(Pixel<T>); ++i) {
        const uint32_t v = (i + 1) % 250;
        p[i] = {fromLabel<T>(v), fromLabel<T>(v + 1), fromLabel<T>(v + 2), fromLabel<T>(v + 3)};
    }
    return t;
}

template <typename T> Labels labels(const CQelTexture& t, uint32_t member = 0, uint32_t face = 0) {
    const auto* p = reinterpret_cast<const Pixel<T>*>(t.getDataPtr(0, member, face));
    Labels out;
    for (uint32_t i = 0; i < t.getWidth() * t.getHeight() * t.getDepth(); ++i) out.push_back(toLabel(p[i].red));
    return out;
}

template <typename T> CQelTexture labelled(uint32_t w, uint32_t h, uint32_t d, const Labels& values) {
    CQelTexture t = makeTexture<T>(w, h, d);
    auto* p = reinterpret_cast<Pixel<T>*>(t.getDataPtr());
    for (size_t i = 0; i < values.size(); ++i) p[i] = {fromLabel<T>(values[i]), T(), T(), fromLabel<T>(values[i])};
    return t;
}

bool sameTexture(const CQelTexture& a, const CQelTexture& b) {
    const QelTextureHeaderV3 ha = a.getFileHeader(), hb = b.getFileHeader();
    return std::memcmp(&ha, &hb, sizeof ha) == 0 && a.getDataBlockSize() == b.getDataBlockSize() &&
           std::memcmp(a.getDataPtr(), b.getDataPtr(), a.getDataBlockSize()) == 0;
}

uint32_t border(const CQelTexture& t) {
    uint32_t x, y, z;
    t.getBorder(x, y, z);
    return x * 100 + y * 10 + z;
}

template <typename T> class GeometryOps : public ::testing::Test {};
using ElementTypes = ::testing::Types<uint8_t, uint16_t, uint32_t, float>;
TYPED_TEST_SUITE(GeometryOps, ElementTypes);

}  // namespace

TYPED_TEST(GeometryOps, CanvasPlacesTheImageAtTheOffset) {
    using T = TypeParam;
    CQelTexture t = labelled<T>(2, 2, 1, {1, 2, 3, 4}), moved = t;
    ASSERT_TRUE(ResizeCanvas(moved, 4, 4, 1, 1, 1, 0));
    EXPECT_EQ(labels<T>(moved), (Labels{0, 0, 0, 0, 0, 1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 0}));
    const auto* p = reinterpret_cast<const Pixel<T>*>(moved.getDataPtr());
    EXPECT_EQ(toLabel(p[0].alpha) * 10 + toLabel(p[5].alpha), 1u);  // outside pixels are zero in every channel
    // The per-surface step writes the zeros itself, whatever the destination held.
    std::vector<Pixel<T>> dirty(16, Pixel<T>{T(9), T(9), T(9), T(9)});
    ASSERT_TRUE(ResizeCanvas<T>(reinterpret_cast<const Pixel<T>*>(t.getDataPtr()), dirty.data(), 2, 2, 1, 4, 4, 1, 1, 1, 0));
    EXPECT_EQ(std::memcmp(dirty.data(), moved.getDataPtr(), moved.getDataBlockSize()), 0);
    ASSERT_TRUE(ResizeCanvas(t, 4, 4, 1, -1, 0, 0));
    EXPECT_EQ(labels<T>(t), (Labels{2, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    // 3-D with members, cube faces and MIP levels: each level 0 moves one slice deeper.
    CQelTexture cube = makeTexture<T>(3, 2, 2, 2, 2, 6), grown = cube;
    ASSERT_TRUE(ResizeCanvas(grown, 3, 2, 4, 0, 0, 1));
    EXPECT_EQ(grown.getNumMIPLevels() * 10 + grown.getDepth(), 14u);
    for (uint32_t m = 0; m < 2; ++m)
        for (uint32_t f = 0; f < 6; ++f) {
            Labels expected(6, 0), old = labels<T>(cube, m, f);
            expected.insert(expected.end(), old.begin(), old.end());
            expected.resize(24, 0);
            EXPECT_EQ(labels<T>(grown, m, f), expected) << m << " " << f;
        }
}

TEST(GeometryOpsCanvas, BorderScalingAndRefusals) {
    CQelTexture t = makeTexture<uint8_t>(4, 4, 1, 3);
    t.setBorder(2, 2, 0);
    const CQelTexture before = t;
    EXPECT_TRUE(ResizeCanvas(t, 4, 4, 1, 0, 0, 0));  // same size, no offset: MIP levels kept
    EXPECT_FALSE(ResizeCanvas(t, 0, 2, 1, 0, 0, 0));
    EXPECT_FALSE(ResizeCanvas(t, 65536, 65536, 1, 0, 0, 0));  // 16 GiB: beyond the size model
    EXPECT_TRUE(sameTexture(t, before));
    ASSERT_TRUE(ResizeCanvas(t, 8, 8, 1, 0, 0, 0));
    EXPECT_EQ(border(t), 440u);
    t.setBorder(4, 2, 0);  // the axes scale apart
    ASSERT_TRUE(ResizeCanvas(t, 16, 12, 1, 0, 0, 0));
    EXPECT_EQ(border(t), 830u);

    CQelTexture plain = makeTexture<uint8_t>(4, 4);
    ASSERT_TRUE(ResizeCanvas(plain, 2, 2, 1, 0, 0, 0));
    EXPECT_TRUE(plain.hasMetaData(QEL_FOURCC, eMetaDataBorderData));
}

TYPED_TEST(GeometryOps, RotateWorkedValuesAndSense) {
    using T = TypeParam;
    CQelTexture t = labelled<T>(3, 2, 1, {1, 2, 3, 4, 5, 6}), cw = t, ccw = t;  // A B C / D E F
    cw.setBorder(1, 2, 0);
    ASSERT_TRUE(Rotate90(cw, eAxisZ, true));
    ASSERT_TRUE(Rotate90(ccw, eAxisZ, false));
    EXPECT_EQ(cw.getWidth() * 10 + cw.getHeight(), 23u);
    EXPECT_EQ(labels<T>(cw), (Labels{4, 1, 5, 2, 6, 3}));   // D A / E B / F C
    EXPECT_EQ(labels<T>(ccw), (Labels{3, 6, 2, 5, 1, 4}));  // C F / B E / A D
    EXPECT_EQ(border(cw), 120u);                             // metadata is not turned

    // The documented sense about x, (y, z) -> (D - 1 - z, y), and about y, (z, x) -> (W - 1 - x, z).
    CQelTexture ax = labelled<T>(1, 2, 3, {1, 2, 3, 4, 5, 6}), ay = labelled<T>(3, 1, 2, {1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(Rotate90(ax, eAxisX, true));
    ASSERT_TRUE(Rotate90(ay, eAxisY, true));
    EXPECT_EQ(ax.getWidth() * 100 + ax.getHeight() * 10 + ax.getDepth(), 132u);
    EXPECT_EQ(labels<T>(ax), (Labels{5, 3, 1, 6, 4, 2}));
    EXPECT_EQ(ay.getWidth() * 100 + ay.getHeight() * 10 + ay.getDepth(), 213u);
    EXPECT_EQ(labels<T>(ay), (Labels{3, 6, 2, 5, 1, 4}));
}

TYPED_TEST(GeometryOps, TurnsAndFlipsComposeToKnownResults) {
    using T = TypeParam;
    const CQelTexture original = makeTexture<T>(5, 4, 3, 3, 2, 6);  // odd and even 3-D sizes, arrays, cube faces, MIPs
    for (uint32_t a = 0; a < 3; ++a) {
        const EQelTAxis axis = EQelTAxis(a);
        for (bool clockwise : {true, false}) {
            CQelTexture t = original;
            for (int i = 0; i < 4; ++i) ASSERT_TRUE(Rotate90(t, axis, clockwise));
            EXPECT_TRUE(sameTexture(t, original)) << "four turns about " << a;
            ASSERT_TRUE(Rotate90(t, axis, clockwise) && Rotate90(t, axis, !clockwise));
            EXPECT_TRUE(sameTexture(t, original)) << "turn and turn back about " << a;
        }
        CQelTexture flipped = original;
        ASSERT_TRUE(Flip(flipped, axis));
        EXPECT_FALSE(sameTexture(flipped, original));
        ASSERT_TRUE(Flip(flipped, axis));
        EXPECT_TRUE(sameTexture(flipped, original)) << "two flips along " << a;

        // A half turn about one axis mirrors along the other two.
        CQelTexture half = original, mirrored = original;
        ASSERT_TRUE(Rotate90(half, axis, true) && Rotate90(half, axis, true));
        ASSERT_TRUE(Flip(mirrored, EQelTAxis((a + 1) % 3)) && Flip(mirrored, EQelTAxis((a + 2) % 3)));
        EXPECT_TRUE(sameTexture(half, mirrored)) << "half turn about " << a;
    }
}

TYPED_TEST(GeometryOps, FlipWorkedValues) {
    using T = TypeParam;
    CQelTexture column = labelled<T>(1, 3, 1, {1, 2, 3});
    ASSERT_TRUE(Flip(column, eAxisX));  // one pixel wide: nothing moves
    EXPECT_EQ(labels<T>(column), (Labels{1, 2, 3}));
    ASSERT_TRUE(Flip(column, eAxisY));
    EXPECT_EQ(labels<T>(column), (Labels{3, 2, 1}));
    EXPECT_FALSE(Flip<T>(nullptr, 1, 3, 1, eAxisX));
}

TEST(GeometryOpsRefusals, UnknownAxesAndLayoutsChangeNothing) {
    CQelTexture t = makeTexture<uint16_t>(4, 2, 1, 2);
    t.setOrientation(eOrientUp);
    const CQelTexture before = t;
    EXPECT_FALSE(Rotate90(t, EQelTAxis(3), true));
    EXPECT_FALSE(Flip(t, EQelTAxis(3)));
    EXPECT_TRUE(sameTexture(t, before));
    ASSERT_TRUE(Flip(t, eAxisY));
    EXPECT_EQ(t.getOrientation(eAxisY), eOrientUp);  // flips leave the orientation alone

    // The 8-bit RGBA bit layout with a signed channel type is not a standard layout.
    CQelTexture signedBytes(CQelTextureHeader(QelStandard8PixelType.PixelTypeID, 2, 2, 1, 1, 1, 1, eCS_LinearRGB, eVT_SignedByteNorm));
    EXPECT_FALSE(Rotate90(signedBytes, eAxisZ, true) || Flip(signedBytes, eAxisX) || Border(signedBytes, 1, 1, 0) ||
                 ResizeCanvas(signedBytes, 4, 4, 1, 0, 0, 0));
    CQelTexture noMembers = makeTexture<uint8_t>(2, 2);
    noMembers.setNumArrayMembers(0);
    EXPECT_FALSE(Flip(noMembers, eAxisX));
}

TYPED_TEST(GeometryOps, BorderMirrorsAcrossEveryEdge) {
    using T = TypeParam;
    CQelTexture t = labelled<T>(3, 2, 1, {1, 2, 3, 4, 5, 6});  // A B C / D E F
    ASSERT_TRUE(Border(t, 2, 1, 0));
    EXPECT_EQ(t.getWidth() * 10 + t.getHeight(), 74u);
    EXPECT_EQ(labels<T>(t), (Labels{2, 1, 1, 2, 3, 3, 2, 2, 1, 1, 2, 3, 3, 2,  //
                                    5, 4, 4, 5, 6, 6, 5, 5, 4, 4, 5, 6, 6, 5}));
    EXPECT_EQ(border(t), 210u);

    // Depth borders on every member and face; only level 0 is kept.
    CQelTexture deep = makeTexture<T>(2, 1, 2, 2, 2, 6), source = deep;
    ASSERT_TRUE(Border(deep, 0, 0, 2));
    EXPECT_EQ(deep.getNumMIPLevels() * 10 + deep.getDepth(), 16u);
    for (uint32_t m = 0; m < 2; ++m)
        for (uint32_t f = 0; f < 6; ++f) {
            const Labels s = labels<T>(source, m, f);  // slices (s0 s1) and (s2 s3)
            EXPECT_EQ(labels<T>(deep, m, f), (Labels{s[2], s[3], s[0], s[1], s[0], s[1], s[2], s[3], s[2], s[3], s[0], s[1]}));
        }

    // Wider than the image: the mirror is clamped to the image's far edge.
    CQelTexture narrow = labelled<T>(2, 1, 1, {1, 2});
    ASSERT_TRUE(Border(narrow, 5, 0, 0));
    EXPECT_EQ(labels<T>(narrow), (Labels{2, 2, 2, 2, 1, 1, 2, 2, 1, 1, 1, 1}));
}

TEST(GeometryOpsBorder, ZeroWidthsAndOversizeRequests) {
    CQelTexture t = makeTexture<float>(4, 4, 1, 3);
    const CQelTexture before = t;
    EXPECT_TRUE(Border(t, 0, 0, 0));
    EXPECT_FALSE(Border(t, 0x80000000u, 0, 0));  // the width would not fit 32 bits
    EXPECT_FALSE(Border(t, 20000, 20000, 0));    // beyond the size model
    EXPECT_TRUE(sameTexture(t, before));
    EXPECT_FALSE(t.hasMetaData(QEL_FOURCC, eMetaDataBorderData));
    Pixel<uint8_t> a[4] = {}, b[16] = {};
    EXPECT_FALSE(Border<uint8_t>(a, b, 2, 2, 1, 5, 2, 1) || Border<uint8_t>(a, b, 2, 2, 1, 1, 2, 1));  // odd, shrinking
}
