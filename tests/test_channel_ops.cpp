// SetChannels, SetChannelsFloat and CopyChannels on the standard layouts.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ChannelOps.h"

using namespace qeltexture;

namespace {

template <typename T>
CQelTexture makeTexture(uint32_t w, uint32_t h, const std::vector<T>& values, uint32_t mips = 1, uint32_t members = 1) {
    const PixelType type = sizeof(T) == 1 ? QelStandard8PixelType : sizeof(T) == 2 ? QelStandard16PixelType : QelStandard32PixelType;
    const EQelTVariableType vt = std::is_same<T, float>::value ? eVT_SignedFloat
                                 : sizeof(T) == 1                 ? eVT_UnsignedByteNorm
                                 : sizeof(T) == 2                 ? eVT_UnsignedShortNorm
                                                                  : eVT_UnsignedIntegerNorm;
    CQelTexture texture(CQelTextureHeader(type.PixelTypeID, h, w, 1, mips, members, 1, eCS_LinearRGB, vt));
    if (!values.empty()) std::memcpy(texture.getDataPtr(), values.data(), values.size() * sizeof(T));
    return texture;
}

template <typename T>
T* pixels(CQelTexture& t, uint32_t mip = 0, uint32_t member = 0) {
    return reinterpret_cast<T*>(t.getDataPtr(mip, member, 0));
}

}  // namespace

TEST(ChannelOps, LuminanceAndIntensityInPlace) {
    EChannelName rgb[3] = {eRed, eGreen, eBlue};
    EChannelName lum[3] = {eLuminance, eLuminance, eLuminance};
    EChannelName inten[3] = {eIntensity, eIntensity, eIntensity};
    CQelTexture t = makeTexture<uint8_t>(1, 1, {255, 0, 0, 9});
    ASSERT_TRUE(CopyChannels(t, t, 3, rgb, lum));
    EXPECT_EQ(std::vector<uint8_t>(pixels<uint8_t>(t), pixels<uint8_t>(t) + 4), (std::vector<uint8_t>{54, 54, 54, 9}));
    CQelTexture u = makeTexture<uint8_t>(1, 1, {255, 0, 0, 9});
    ASSERT_TRUE(CopyChannels(u, u, 3, rgb, inten));
    EXPECT_EQ(std::vector<uint8_t>(pixels<uint8_t>(u), pixels<uint8_t>(u) + 4), (std::vector<uint8_t>{85, 85, 85, 9}));

    // In place, every value of a pixel is read before any is written: red and blue swap.
    CQelTexture s = makeTexture<uint8_t>(2, 1, {1, 2, 3, 4, 5, 6, 7, 8});
    EChannelName to[2] = {eRed, eBlue};
    EChannelName from[2] = {eBlue, eRed};
    ASSERT_TRUE(CopyChannels(s, s, 2, to, from));
    EXPECT_EQ(std::vector<uint8_t>(pixels<uint8_t>(s), pixels<uint8_t>(s) + 8), (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST(ChannelOps, CopyBetweenWidths) {
    EChannelName red[1] = {eRed};
    EChannelName alpha[1] = {eAlpha};
    CQelTexture source = makeTexture<uint8_t>(2, 1, {255, 0, 0, 0, 1, 0, 0, 0});
    CQelTexture wide = makeTexture<uint16_t>(2, 1, {});
    ASSERT_TRUE(CopyChannels(wide, source, 1, alpha, red));
    EXPECT_EQ(pixels<uint16_t>(wide)[3], 65535);
    EXPECT_EQ(pixels<uint16_t>(wide)[7], 257);
    EXPECT_EQ(pixels<uint16_t>(wide)[0], 0);

    CQelTexture floats = makeTexture<float>(1, 1, {0.5f, 1.0f, 2.0f, -1.0f});
    CQelTexture bytes = makeTexture<uint8_t>(1, 1, {});
    EChannelName all[4] = {eRed, eGreen, eBlue, eAlpha};
    ASSERT_TRUE(CopyChannels(bytes, floats, 4, all, all));
    // 127.5 truncated; 1.0 -> 255; above the range saturates; negative gives 0.
    EXPECT_EQ(std::vector<uint8_t>(pixels<uint8_t>(bytes), pixels<uint8_t>(bytes) + 4), (std::vector<uint8_t>{127, 255, 255, 0}));

    CQelTexture u32 = makeTexture<uint32_t>(2, 1, {});
    ASSERT_TRUE(CopyChannels(u32, source, 1, red, red));
    EXPECT_EQ(pixels<uint32_t>(u32)[0], 0xFFFFFFFFu);
    CQelTexture u32single = makeTexture<uint32_t>(1, 1, {});
    ASSERT_TRUE(CopyChannels(u32single, floats, 1, alpha, all + 1));
    EXPECT_EQ(pixels<uint32_t>(u32single)[3], 0xFFFFFFFFu);

    // Every pair of element types carries the top of the range to the top of the range.
    auto top = [](auto element) {
        using T = decltype(element);
        if constexpr (std::is_same<T, float>::value) return 1.0f;
        else return T(~T(0));
    };
    auto check = [&](auto s, auto d) {
        using S = decltype(s);
        using D = decltype(d);
        Pixel<S> in[1] = {{top(s), S(0), S(0), S(0)}};
        Pixel<D> out[1] = {{D(0), D(0), D(0), D(0)}};
        EChannelName g[1] = {eGreen};
        EXPECT_TRUE((CopyChannels<S, D>(in, out, 1, 1, 1, 1, g, red)));
        EXPECT_EQ(out[0].green, top(d)) << sizeof(S) << "->" << sizeof(D);
        EXPECT_EQ(out[0].red, D(0));
    };
    auto forEach = [&](auto s) {
        check(s, uint8_t());
        check(s, uint16_t());
        check(s, uint32_t());
        check(s, float());
    };
    forEach(uint8_t());
    forEach(uint16_t());
    forEach(uint32_t());
    forEach(float());
    EXPECT_FALSE((CopyChannels<uint8_t, uint8_t>(nullptr, nullptr, 1, 1, 1, 1, red, red)));
}

TEST(ChannelOps, RefusalsAndMultiSurface) {
    EChannelName red[1] = {eRed};
    CQelTexture a = makeTexture<uint8_t>(4, 4, {});
    CQelTexture b = makeTexture<uint8_t>(4, 2, {});
    EXPECT_FALSE(CopyChannels(a, b, 1, red, red));
    CQelTexture packed(CQelTextureHeader(PixelType('r', 'g', 'b', 0, 5, 6, 5, 0).PixelTypeID, 4, 4));
    EXPECT_FALSE(CopyChannels(a, packed, 1, red, red));
    uint32_t value = 7;
    EXPECT_FALSE(SetChannels(packed, 1, red, &value));

    // Every member and MIP level is visited.
    CQelTexture many = makeTexture<uint16_t>(4, 4, {}, 3, 2);
    EChannelName alpha[1] = {eAlpha};
    uint32_t v = 0x12345;
    ASSERT_TRUE(SetChannels(many, 1, alpha, &v));
    for (uint32_t member = 0; member < 2; ++member)
        for (uint32_t mip = 0; mip < 3; ++mip) {
            const uint32_t n = many.getWidth(mip) * many.getHeight(mip);
            for (uint32_t p = 0; p < n; ++p) ASSERT_EQ(pixels<uint16_t>(many, mip, member)[p * 4 + 3], 0x2345);
        }
}

TEST(ChannelOps, SetConstants) {
    EChannelName lum[1] = {eLuminance};
    uint32_t value = 0x1234;
    CQelTexture t8 = makeTexture<uint8_t>(1, 1, {9, 9, 9, 9});
    ASSERT_TRUE(SetChannels(t8, 1, lum, &value));
    EXPECT_EQ(std::vector<uint8_t>(pixels<uint8_t>(t8), pixels<uint8_t>(t8) + 4), (std::vector<uint8_t>{0x34, 0x34, 0x34, 9}));
    CQelTexture t16 = makeTexture<uint16_t>(1, 1, {9, 9, 9, 9});
    ASSERT_TRUE(SetChannels(t16, 1, lum, &value));
    EXPECT_EQ(std::vector<uint16_t>(pixels<uint16_t>(t16), pixels<uint16_t>(t16) + 4), (std::vector<uint16_t>{0x1234, 0x1234, 0x1234, 9}));
    CQelTexture tf = makeTexture<float>(1, 1, {0, 0, 0, 0});
    EChannelName x[1] = {eUnspecified};
    uint32_t five = 5;
    ASSERT_TRUE(SetChannels(tf, 1, x, &five));
    EXPECT_EQ(pixels<float>(tf)[3], 5.0f);

    EChannelName alpha[1] = {eAlpha};
    float half = 0.5f;
    ASSERT_TRUE(SetChannelsFloat(tf, 1, alpha, &half));
    EXPECT_EQ(pixels<float>(tf)[3], 0.5f);
    ASSERT_TRUE(SetChannelsFloat(t8, 1, alpha, &half));
    EXPECT_EQ(pixels<uint8_t>(t8)[3], 0);
    float big = 200.7f;
    ASSERT_TRUE(SetChannelsFloat(t8, 1, alpha, &big));
    EXPECT_EQ(pixels<uint8_t>(t8)[3], 200);
    // Names outside the table are skipped.
    EChannelName none[1] = {EChannelName(9)};
    ASSERT_TRUE(SetChannels(t8, 1, none, &value));
    EXPECT_EQ(std::vector<uint8_t>(pixels<uint8_t>(t8), pixels<uint8_t>(t8) + 4), (std::vector<uint8_t>{0x34, 0x34, 0x34, 200}));
}
