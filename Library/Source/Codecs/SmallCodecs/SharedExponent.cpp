// Shared-exponent floating point: three 9-bit mantissas and one 5-bit exponent per u32
// (bits 0-8 red, 9-17 green, 18-26 blue, 27-31 exponent, bias 15, no implicit one).
#include <cmath>
#include <cstring>

#include "Codecs/SmallCodecs/CodecCounts.h"
#include "Codecs/SmallCodecs/SmallCodecs.h"
#include "FileBytes.h"

namespace qeltexture {

namespace {
// 511/512 * 2^16, the largest value the format holds.
constexpr float kMaxSharedExponentValue = 65408.0f;

// Not-a-number and everything not above 0 become 0.
float clampChannel(float v) {
    if (!(v > 0.0f)) return 0.0f;
    return v > kMaxSharedExponentValue ? kMaxSharedExponentValue : v;
}

// Unbiased exponent from the single-precision exponent field (-127 for 0 and denormals).
int32_t floatExponent(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return int32_t((bits >> 23) & 0xFF) - 127;
}

uint32_t encodePixel(float red, float green, float blue) {
    const float r = clampChannel(red), g = clampChannel(green), b = clampChannel(blue);
    const float m = std::fmax(r, std::fmax(g, b));
    int32_t e = floatExponent(m);
    if (e < -16) e = -16;
    double d = std::ldexp(1.0, e - 8);
    uint32_t exponent = uint32_t(e + 16);
    // The largest channel rounding up to 512 needs the next exponent.
    if (std::floor(double(m) / d + 0.5) == 512.0) {
        d *= 2.0;
        exponent = uint32_t(e + 17);
    }
    const uint32_t mr = uint32_t(std::floor(double(r) / d + 0.5)) & 0x1FF;
    const uint32_t mg = uint32_t(std::floor(double(g) / d + 0.5)) & 0x1FF;
    const uint32_t mb = uint32_t(std::floor(double(b) / d + 0.5)) & 0x1FF;
    return exponent << 27 | mb << 18 | mg << 9 | mr;
}

}  // namespace

uint32_t RGB9E5Compress(const void* src, void* dst, const uint32_t& width, const uint32_t& height) {
    if (width == 0) return 0;
    const uint64_t pixels = smallcodecs::pixelCount(width, height);
    const uint32_t count = smallcodecs::fitCount(pixels * 4);
    if (!src || !dst || count == 0) return count;
    const uint8_t* in = static_cast<const uint8_t*>(src);
    uint8_t* out = static_cast<uint8_t*>(dst);
    for (uint64_t p = 0; p < pixels; ++p, in += 12, out += 4) {
        float rgb[3];
        std::memcpy(rgb, in, 12);  // the source need not be float-aligned
        writeLE32(out, encodePixel(rgb[0], rgb[1], rgb[2]));
    }
    return count;
}

uint32_t RGB9E5Decompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height) {
    if (width == 0) return 0;
    const uint64_t pixels = smallcodecs::pixelCount(width, height);
    const uint32_t count = smallcodecs::fitCount(pixels * 12);
    if (!src || !dst || count == 0) return count;
    const uint8_t* in = static_cast<const uint8_t*>(src);
    uint8_t* out = static_cast<uint8_t*>(dst);
    for (uint64_t p = 0; p < pixels; ++p, in += 4, out += 12) {
        const uint32_t word = readLE32(in);
        // Exact: a 9-bit mantissa times a power of two between 2^-24 and 2^7.
        const double f = std::ldexp(1.0, int32_t(word >> 27) - 24);
        const float rgb[3] = {float((word & 0x1FF) * f), float(((word >> 9) & 0x1FF) * f),
                              float(((word >> 18) & 0x1FF) * f)};
        std::memcpy(out, rgb, 12);
    }
    return count;
}

}  // namespace qeltexture
