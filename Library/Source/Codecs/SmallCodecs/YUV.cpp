// Packed YUV 4:2:2: UYVY (U, Y0, V, Y1) and YUY2 (Y0, U, Y1, V). U comes from the left
// pixel of a pair and V from the right one; they are not averaged.
#include "Codecs/SmallCodecs/PairRows.h"
#include "Codecs/SmallCodecs/SmallCodecs.h"

namespace qeltexture {

namespace {
// Clamped below at 0, then to 255, else truncated.
uint8_t clampToByte(float v) {
    if (v < 0.0f) return 0;
    if (v > 255.0f) return 255;
    return uint8_t(v);
}

// A sum below 1 gives 0; the shifted value saturates at 255.
uint8_t scaledToByte(int32_t sum) {
    if (sum < 1) return 0;
    const int32_t v = sum >> 8;
    return v >= 255 ? 255 : uint8_t(v);
}

bool isYUVFormat(EQelTPixelFormat format) { return format == ePF_UYVY || format == ePF_YUY2; }
}  // namespace

// Single precision; every sum is formed as ((R term + G term) + B term) + offset.
void ConvertRGBToYUV(Pixel<uint8_t> first, Pixel<uint8_t> second, uint8_t& y0, uint8_t& y1,
                     uint8_t& u, uint8_t& v) {
    const float r0 = first.red, g0 = first.green, b0 = first.blue;
    const float r1 = second.red, g1 = second.green, b1 = second.blue;
    y0 = clampToByte(0.257f * r0 + 0.504f * g0 + 0.098f * b0 + 16.5f);
    y1 = clampToByte(0.257f * r1 + 0.504f * g1 + 0.098f * b1 + 16.5f);
    u = clampToByte(-0.148f * r0 - 0.291f * g0 + 0.439f * b0 + 128.5f);
    v = clampToByte(0.439f * r1 - 0.368f * g1 - 0.071f * b1 + 128.5f);
}

// -4640 is 298 * 16 less the rounding term 128.
void ConvertYUVToRGB(int32_t y, int32_t u, int32_t v, uint8_t& red, uint8_t& green, uint8_t& blue) {
    const int32_t c = 298 * y - 4640;
    red = scaledToByte(c + 409 * (v - 128));
    green = scaledToByte(c - 100 * (u - 128) - 208 * (v - 128));
    blue = scaledToByte(c + 517 * (u - 128));
}

uint32_t YUVCompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height,
                     const EQelTPixelFormat& format) {
    if (!isYUVFormat(format) || height == 0) return 0;
    const uint32_t count = smallcodecs::packedPairCount(width, height);
    if (!src || !dst || count == 0) return count;
    const bool uyvy = format == ePF_UYVY;
    smallcodecs::forEachPairToPack(
        static_cast<const uint8_t*>(src), static_cast<uint8_t*>(dst), width, height,
        [uyvy](const uint8_t* left, const uint8_t* right, uint8_t* unit) {
            const Pixel<uint8_t> first{left[0], left[1], left[2], left[3]};
            const Pixel<uint8_t> second{right[0], right[1], right[2], right[3]};
            uint8_t y0, y1, u, v;
            ConvertRGBToYUV(first, second, y0, y1, u, v);
            if (uyvy) {
                unit[0] = u;
                unit[1] = y0;
                unit[2] = v;
                unit[3] = y1;
            } else {
                unit[0] = y0;
                unit[1] = u;
                unit[2] = y1;
                unit[3] = v;
            }
        });
    return count;
}

uint32_t YUVDecompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height,
                       const EQelTPixelFormat& format) {
    if (!isYUVFormat(format) || height == 0) return 0;
    const uint32_t count = smallcodecs::fitCount(smallcodecs::pixelCount(width, height) * 4);
    if (!src || !dst || count == 0) return count;
    const bool uyvy = format == ePF_UYVY;
    smallcodecs::forEachPairToUnpack(
        static_cast<const uint8_t*>(src), static_cast<uint8_t*>(dst), width, height,
        [uyvy](const uint8_t* unit, uint8_t* left, uint8_t* right) {
            const int32_t u = uyvy ? unit[0] : unit[1];
            const int32_t v = uyvy ? unit[2] : unit[3];
            const int32_t y0 = uyvy ? unit[1] : unit[0];
            const int32_t y1 = uyvy ? unit[3] : unit[2];
            ConvertYUVToRGB(y0, u, v, left[0], left[1], left[2]);
            left[3] = 255;
            if (right) {
                ConvertYUVToRGB(y1, u, v, right[0], right[1], right[2]);
                right[3] = 255;
            }
        });
    return count;
}

}  // namespace qeltexture
