#pragma once
// Bit-level channel arithmetic shared by CPixelEncoder and the specialised converters:
// normalised integers (unsigned, and signed as sign and magnitude) and small floats with
// custom exponent and mantissa widths. Header-only so the hot loops can inline it.
#include <cmath>
#include <cstdint>
#include <cstring>

namespace qeltexture {
namespace pixelbits {

inline uint32_t floatToBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

inline float bitsToFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// 2^bits - 1 for 0..32 bits.
inline uint32_t unsignedMax(unsigned bits) {
    return bits >= 32 ? 0xFFFFFFFFu : (uint32_t(1) << bits) - 1u;
}

// Unsigned rule: truncation of ((2^w - 1) * max(0, v) + 0.5) in single precision. Values
// above 1.0 (and a 1.0 that rounds to 2^32 in a 32-bit channel) saturate at 2^w - 1; NaN
// counts as 0.
inline uint32_t shrinkUNorm(float value, unsigned bits) {
    const uint32_t maxValue = unsignedMax(bits);
    const float scaled = float(maxValue) * (value > 0.0f ? value : 0.0f) + 0.5f;
    if (!(scaled < 4294967296.0f)) return maxValue;
    const uint32_t result = uint32_t(scaled);
    return result > maxValue ? maxValue : result;
}

inline float growUNorm(uint32_t value, unsigned bits) {
    if (bits == 0) return 0.0f;
    return float(value & unsignedMax(bits)) / float(unsignedMax(bits));
}

// Signed rule, sign and magnitude: negative values scale by 2^(w-1), others by 2^(w-1) - 1,
// in double precision. The magnitude saturates at 2^(w-1) - 1, so -1.0 is stored as the
// most negative code (it reads back as -(2^(w-1) - 1) / 2^(w-1), not as -0.0); NaN gives 0.
inline uint32_t shrinkSNorm(float value, unsigned bits) {
    if (bits == 0 || bits > 32 || value != value) return 0;
    const uint32_t negative = value < 0.0f ? 1u : 0u;
    const uint64_t magnitudeMax = (uint64_t(1) << (bits - 1)) - 1u;
    const double magnitude = double(magnitudeMax + negative) * std::fabs(double(value)) + 0.5;
    const uint64_t stored = magnitude >= double(magnitudeMax) ? magnitudeMax : uint64_t(magnitude);
    return uint32_t((uint64_t(negative) << (bits - 1)) | stored);
}

// Reads the low `bits` bits as sign and magnitude; a 1-bit channel reads as 0.
inline float growSNorm(uint32_t value, unsigned bits) {
    if (bits <= 1 || bits > 32) return 0.0f;
    const uint32_t magnitudeMask = (uint32_t(1) << (bits - 1)) - 1u;
    const float magnitude = float(value & magnitudeMask);
    if ((value >> (bits - 1)) & 1u) return -(magnitude / float(uint64_t(1) << (bits - 1)));
    return magnitude / float(magnitudeMask);
}

// Float with mantissaBits/exponentBits (at most 23/8), rounding toward zero. Normal values
// keep the top mantissa bits; small magnitudes become the truncated subnormal or zero;
// finite overflow becomes the largest finite value when clampToFinite, else infinity;
// infinity stays infinite and NaN stays NaN (quiet bit set so a payload never becomes
// infinity). Without a sign bit every negative value (-0.0 and -inf included) becomes 0.
inline uint32_t shrinkFloat(float value, unsigned mantissaBits, unsigned exponentBits, unsigned bias,
                            bool hasSign, bool clampToFinite) {
    if (mantissaBits == 0 || mantissaBits > 23 || exponentBits == 0 || exponentBits > 8 ||
        mantissaBits + exponentBits + (hasSign ? 1u : 0u) > 32)
        return 0;
    const uint32_t in = floatToBits(value);
    const uint32_t sign = in >> 31;
    int32_t exponent = int32_t((in >> 23) & 0xFFu);
    uint32_t significand = in & 0x7FFFFFu;
    const uint32_t exponentMax = (uint32_t(1) << exponentBits) - 1u;
    const uint32_t signOut = hasSign ? sign << (mantissaBits + exponentBits) : 0u;
    const bool isNaN = exponent == 255 && significand != 0;
    if (!hasSign && sign && !isNaN) return 0;
    if (exponent == 255) {
        if (!isNaN) return signOut | exponentMax << mantissaBits;
        return signOut | exponentMax << mantissaBits | uint32_t(1) << (mantissaBits - 1) |
               significand >> (23 - mantissaBits);
    }
    if (exponent == 0) {
        if (significand == 0) return signOut;
        // Normalise a single-precision subnormal so one path serves every magnitude.
        exponent = 1;
        while (!(significand & 0x800000u)) {
            significand <<= 1;
            --exponent;
        }
    } else {
        significand |= 0x800000u;
    }
    const int32_t target = exponent - 127 + int32_t(bias);
    if (target >= int32_t(exponentMax)) {
        if (clampToFinite)
            return signOut | (exponentMax - 1u) << mantissaBits | unsignedMax(mantissaBits);
        return signOut | exponentMax << mantissaBits;
    }
    if (target >= 1)
        return signOut | uint32_t(target) << mantissaBits |
               (significand & 0x7FFFFFu) >> (23 - mantissaBits);
    const int32_t shift = 24 - int32_t(mantissaBits) - target;
    return signOut | (shift >= 32 ? 0u : significand >> shift);
}

inline float growFloat(uint32_t value, unsigned mantissaBits, unsigned exponentBits, unsigned bias,
                       bool hasSign) {
    if (mantissaBits == 0 || mantissaBits > 23 || exponentBits == 0 || exponentBits > 8) return 0.0f;
    const uint32_t mantissa = value & unsignedMax(mantissaBits);
    const uint32_t exponentMax = (uint32_t(1) << exponentBits) - 1u;
    const uint32_t exponent = (value >> mantissaBits) & exponentMax;
    const bool negative = hasSign && ((value >> (mantissaBits + exponentBits)) & 1u);
    float result;
    if (exponent == exponentMax)
        result = bitsToFloat(0x7F800000u | mantissa << (23 - mantissaBits));
    else if (exponent == 0)
        result = float(std::ldexp(double(mantissa), 1 - int(bias) - int(mantissaBits)));
    else
        result = float(std::ldexp(double(mantissa | uint32_t(1) << mantissaBits),
                                  int(exponent) - int(bias) - int(mantissaBits)));
    return negative ? -result : result;
}

// IEEE 754 binary16, written with truncation and finite overflow clamped to +-65504.
inline uint16_t floatToHalf(float value) { return uint16_t(shrinkFloat(value, 10, 5, 15, true, true)); }
inline float halfToFloat(uint16_t half) { return growFloat(half, 10, 5, 15, true); }

// Colour-space curves of the library (constants 1.0556 / 0.0556 and thresholds 0.03928 /
// 0.00304, each the single-precision value of the decimal). The powers run in double
// precision with the float exponents and the results are rounded to single precision.
inline float srgbToLinear(float value) {
    if (value <= 0.03928f) return value / 12.92f;
    return float(std::pow(double((value + 0.0556f) / 1.0556f), 2.4000000953674316));
}

inline float linearToSrgb(float value) {
    if (value <= 0.00304f) return value * 12.92f;
    return float(std::pow(double(value), 0.4166666567325592) * 1.0556000471115112 - 0.05559999868273735);
}

}  // namespace pixelbits
}  // namespace qeltexture
