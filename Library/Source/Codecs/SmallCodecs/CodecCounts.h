#pragma once
// Byte counts of the small codecs, formed in 64 bits so no surface size can wrap.
#include <cstdint>

namespace qeltexture {
namespace smallcodecs {

// `count` as a 32-bit byte count, or 0 when it does not fit (the surface is refused).
inline uint32_t fitCount(uint64_t count) { return count > UINT32_MAX ? 0 : uint32_t(count); }

inline uint64_t pixelCount(uint32_t width, uint32_t height) { return uint64_t(width) * height; }

}  // namespace smallcodecs
}  // namespace qeltexture
