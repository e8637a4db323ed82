// SetChannels, SetChannelsFloat and CopyChannels on the standard layouts.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
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

// The first n values of the texture's level 0 as T.
template <typename T>
std::vector<T> values(const CQelTexture& t, size_t n = 4) {
    const T* p = reinterpret_cast<const T*>(t.getDataPtr(0, 0, 0));
    return std::vector<T>(p, p + n);
}

EChannelName kRed[1] = {eRed}, kAlpha[1] = {eAlpha};

}  // namespace

TEST(ChannelOps, CopyChannelsInPlaceAndBetweenWidths) {
    EChannelName rgb[3] = {eRed, eGreen, eBlue}, lum[3] = {eLuminance, eLuminance, eLuminance},
                 inten[3] = {eIntensity, eIntensity, eIntensity};
    CQelTexture t = makeTexture<uint8_t>(1, 1, {255, 0, 0, 9}), u = t;
    ASSERT_TRUE(CopyChannels(t, t, 3, rgb, lum));
    EXPECT_EQ(values<uint8_t>(t), (std::vector<uint8_t>{54, 54, 54, 9}));
    ASSERT_TRUE(CopyChannels(u, u, 3, rgb, inten));
    EXPECT_EQ(values<uint8_t>(u), (std::vector<uint8_t>{85, 85, 85, 9}));
    // In place, every value of a pixel is read before any is written: red and blue swap.
    CQelTexture s = makeTexture<uint8_t>(2, 1, {1, 2, 3, 4, 5, 6, 7, 8});
    EChannelName to[2] = {eRed, eBlue}, from[2] = {eBlue, eRed};
    ASSERT_TRUE(CopyChannels(s, s, 2, to, from));
    EXPECT_EQ(values<uint8_t>(s, 8), (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}));

    // 8-bit red 255 and 1 into 16-bit alpha: 65535 and 257.
    const CQelTexture source = makeTexture<uint8_t>(2, 1, {255, 0, 0, 0, 1, 0, 0, 0});
    CQelTexture wide = makeTexture<uint16_t>(2, 1, {});
    ASSERT_TRUE(CopyChannels(wide, source, 1, kAlpha, kRed));
    EXPECT_EQ(values<uint16_t>(wide, 8), (std::vector<uint16_t>{0, 0, 0, 65535, 0, 0, 0, 257}));
    // Float into bytes: 127.5 truncated; 1.0 -> 255; above the range saturates; negative gives 0.
    const CQelTexture floats = makeTexture<float>(1, 1, {0.5f, 1.0f, 2.0f, -1.0f});
    CQelTexture bytes = makeTexture<uint8_t>(1, 1, {});
    EChannelName all[4] = {eRed, eGreen, eBlue, eAlpha};
    ASSERT_TRUE(CopyChannels(bytes, floats, 4, all, all));
    EXPECT_EQ(values<uint8_t>(bytes), (std::vector<uint8_t>{127, 255, 255, 0}));
    // 8-bit 255 or float 1.0 into a 32-bit channel: 0xFFFFFFFF.
    CQelTexture u32 = makeTexture<uint32_t>(2, 1, {}), u32b = makeTexture<uint32_t>(1, 1, {});
    ASSERT_TRUE(CopyChannels(u32, source, 1, kRed, kRed));
    ASSERT_TRUE(CopyChannels(u32b, floats, 1, kAlpha, all + 1));
    EXPECT_EQ(std::make_pair(values<uint32_t>(u32)[0], values<uint32_t>(u32b)[3]), std::make_pair(0xFFFFFFFFu, 0xFFFFFFFFu));

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
        EXPECT_TRUE((CopyChannels<S, D>(in, out, 1, 1, 1, 1, g, kRed)));
        EXPECT_EQ(std::make_pair(out[0].green, out[0].red), std::make_pair(top(d), D(0))) << sizeof(S) << "->" << sizeof(D);
    };
    const std::tuple<uint8_t, uint16_t, uint32_t, float> kinds;
    auto fromOne = [&](auto s) { std::apply([&](auto... d) { (check(s, d), ...); }, kinds); };
    std::apply([&](auto... s) { (fromOne(s), ...); }, kinds);

    // Refusals: null surfaces, different shapes, a non-standard layout.
    EXPECT_FALSE((CopyChannels<uint8_t, uint8_t>(nullptr, nullptr, 1, 1, 1, 1, kRed, kRed)));
    CQelTexture a = makeTexture<uint8_t>(4, 4, {});
    const CQelTexture b = makeTexture<uint8_t>(4, 2, {});
    CQelTexture packed(CQelTextureHeader(PixelType('r', 'g', 'b', 0, 5, 6, 5, 0).PixelTypeID, 4, 4));
    EXPECT_FALSE(CopyChannels(a, b, 1, kRed, kRed));
    EXPECT_FALSE(CopyChannels(a, packed, 1, kRed, kRed));
    uint32_t seven = 7;
    EXPECT_FALSE(SetChannels(packed, 1, kRed, &seven));
}

TEST(ChannelOps, SetConstantsOnEverySurface) {
    EChannelName lum[1] = {eLuminance}, unknown[1] = {EChannelName(9)};
    uint32_t value = 0x1234;
    CQelTexture t8 = makeTexture<uint8_t>(1, 1, {9, 9, 9, 9}), t16 = makeTexture<uint16_t>(1, 1, {9, 9, 9, 9});
    ASSERT_TRUE(SetChannels(t8, 1, lum, &value));
    EXPECT_EQ(values<uint8_t>(t8), (std::vector<uint8_t>{0x34, 0x34, 0x34, 9}));
    ASSERT_TRUE(SetChannels(t16, 1, lum, &value));
    EXPECT_EQ(values<uint16_t>(t16), (std::vector<uint16_t>{0x1234, 0x1234, 0x1234, 9}));
    CQelTexture tf = makeTexture<float>(1, 1, {0, 0, 0, 0});
    float half = 0.5f;
    ASSERT_TRUE(SetChannelsFloat(tf, 1, kAlpha, &half));
    EXPECT_EQ(values<float>(tf)[3], 0.5f);
    ASSERT_TRUE(SetChannelsFloat(t8, 1, kAlpha, &half));
    EXPECT_EQ(values<uint8_t>(t8)[3], 0);
    ASSERT_TRUE(SetChannels(t8, 1, unknown, &value));  // names outside the table are skipped
    EXPECT_EQ(values<uint8_t>(t8), (std::vector<uint8_t>{0x34, 0x34, 0x34, 0}));

    // Every member and MIP level is visited.
    CQelTexture many = makeTexture<uint16_t>(4, 4, {}, 3, 2);
    uint32_t v = 0x12345;
    ASSERT_TRUE(SetChannels(many, 1, kAlpha, &v));
    const uint16_t* p = reinterpret_cast<const uint16_t*>(many.getDataPtr(0, 0, 0));
    for (uint32_t i = 0; i < many.getDataBlockSize() / 2; ++i) ASSERT_EQ(p[i], i % 4 == 3 ? 0x2345 : 0) << i;
}
