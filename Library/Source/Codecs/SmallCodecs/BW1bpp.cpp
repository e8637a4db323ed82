// Black and white, 1 bit per pixel, eight consecutive pixels per byte.
#include "Codecs/SmallCodecs/CodecCounts.h"
#include "Codecs/SmallCodecs/SmallCodecs.h"

namespace qeltexture {

uint32_t OneBPPCompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height) {
    const uint32_t count = smallcodecs::fitCount(smallcodecs::pixelCount(width, height) / 8);
    if (!src || !dst || count == 0) return count;
    const uint8_t* in = static_cast<const uint8_t*>(src);
    uint8_t* out = static_cast<uint8_t*>(dst);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t byte = 0;
        for (uint32_t k = 0; k < 8; ++k, in += 4) {
            const uint32_t sum = uint32_t(in[0]) + in[1] + in[2];
            // White when the mean of R, G and B is at least 128; alpha plays no part.
            if (sum >= 3 && sum / 3 >= 128) byte |= uint8_t(1u << k);
        }
        out[i] = byte;
    }
    return count;
}

uint32_t OneBPPDecompress(const void* src, void* dst, const uint32_t& width, const uint32_t& height) {
    const uint64_t pixels = smallcodecs::pixelCount(width, height);
    const uint32_t count = smallcodecs::fitCount(pixels * 4);
    if (!src || !dst || count == 0) return count;
    const uint8_t* in = static_cast<const uint8_t*>(src);
    uint8_t* out = static_cast<uint8_t*>(dst);
    for (uint32_t p = 0; p < uint32_t(pixels); ++p, out += 4) {
        const uint8_t v = ((in[p >> 3] >> (p & 7)) & 1) ? 255 : 0;
        out[0] = out[1] = out[2] = v;
        out[3] = 255;
    }
    return count;
}

}  // namespace qeltexture
