// RGBG8888 (R0, G0, B0, G1) and GRGB8888 (G0, R0, G1, B0): two pixels per unit sharing
// the left pixel's red and blue.
#include "Codecs/SmallCodecs/PairRows.h"
#include "Codecs/SmallCodecs/SmallCodecs.h"

namespace qeltexture {

uint32_t RGBGCompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height,
                      const EQelTPixelFormat& format) {
    if ((format != ePF_RGBG8888 && format != ePF_GRGB8888) || height == 0) return 0;
    const uint32_t count = smallcodecs::packedPairCount(width, height);
    if (!src || !dst || count == 0) return count;
    const bool rgbg = format == ePF_RGBG8888;
    smallcodecs::forEachPairToPack(
        static_cast<const uint8_t*>(src), static_cast<uint8_t*>(dst), width, height,
        [rgbg](const uint8_t* left, const uint8_t* right, uint8_t* unit) {
            if (rgbg) {
                unit[0] = left[0];
                unit[1] = left[1];
                unit[2] = left[2];
                unit[3] = right[1];
            } else {
                unit[0] = left[1];
                unit[1] = left[0];
                unit[2] = right[1];
                unit[3] = left[2];
            }
        });
    return count;
}

uint32_t RGBGDecompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height,
                        const EQelTPixelFormat& format) {
    if ((format != ePF_RGBG8888 && format != ePF_GRGB8888) || height == 0) return 0;
    const uint32_t count = smallcodecs::fitCount(smallcodecs::pixelCount(width, height) * 4);
    if (!src || !dst || count == 0) return count;
    const bool rgbg = format == ePF_RGBG8888;
    smallcodecs::forEachPairToUnpack(
        static_cast<const uint8_t*>(src), static_cast<uint8_t*>(dst), width, height,
        [rgbg](const uint8_t* unit, uint8_t* left, uint8_t* right) {
            const uint8_t r = rgbg ? unit[0] : unit[1];
            const uint8_t g0 = rgbg ? unit[1] : unit[0];
            const uint8_t b = rgbg ? unit[2] : unit[3];
            const uint8_t g1 = rgbg ? unit[3] : unit[2];
            left[0] = r;
            left[1] = g0;
            left[2] = b;
            left[3] = 255;
            if (right) {
                right[0] = r;
                right[1] = g1;
                right[2] = b;
                right[3] = 255;
            }
        });
    return count;
}

}  // namespace qeltexture
