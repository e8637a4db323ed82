#pragma once
// Pixels of the four standard RGBA layouts and the value range of each element type.
#include <cstdint>
#include <type_traits>

namespace qeltexture {

// Four channels in the order red, green, blue, alpha; images are dense arrays of these,
// x fastest, then y, then z.
template <typename T>
struct Pixel {
    T red;
    T green;
    T blue;
    T alpha;
};

enum EResizeMode : uint32_t { eResizeNearest = 0, eResizeLinear = 1, eResizeCubic = 2 };

inline bool isValidResizeMode(EResizeMode mode) {
    return mode == eResizeNearest || mode == eResizeLinear || mode == eResizeCubic;
}

// Range of one element type as the filters see it. Integer channels are normalised
// 0 ... max; float channels 0.0 ... 1.0.
template <typename T>
struct ElementRange;

template <typename T>
struct IntegerElementRange {
    // The single-precision top of the range: 255, 65535, and for u32 4294967296.0, the
    // float that 0xFFFFFFFF rounds to.
    static constexpr float maxFloat = float(T(~T(0)));
    static constexpr T maxValue = T(~T(0));

    // Clamps below at 0 (NaN too) and above at the maximum, then truncates.
    static T fromFloat(float v) {
        if (v >= maxFloat) return maxValue;
        if (v > 0.0f) return T(v);
        return T(0);
    }
    // Truncation of a value already inside the range; only the u32 top needs care (a
    // quotient that reaches 4294967296.0 is stored as 0xFFFFFFFF).
    static T truncate(float v) { return fromFloat(v); }
    // Opacity threshold of the bleed: 8 of 255, scaled exactly (257 = 65535 / 255,
    // 16843009 = 0xFFFFFFFF / 255).
    static constexpr T opaqueThreshold = T(8u * (maxValue / 255u));
};

template <>
struct ElementRange<uint8_t> : IntegerElementRange<uint8_t> {};
template <>
struct ElementRange<uint16_t> : IntegerElementRange<uint16_t> {};
template <>
struct ElementRange<uint32_t> : IntegerElementRange<uint32_t> {};

template <>
struct ElementRange<float> {
    static constexpr float maxFloat = 1.0f;
    // Clamps to 0.0 ... 1.0; NaN becomes 0.0 so no filter passes it on.
    static float fromFloat(float v) {
        if (v > 1.0f) return 1.0f;
        if (v >= 0.0f) return v;
        return 0.0f;
    }
    static float truncate(float v) { return v; }
    static constexpr float opaqueThreshold = 8.0f / 255.0f;
};

}  // namespace qeltexture
