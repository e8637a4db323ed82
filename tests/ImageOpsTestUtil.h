#pragma once
// Small textures in the standard RGBA layouts for the image-operation tests.
#include <algorithm>
#include <ostream>
#include <type_traits>
#include <vector>

#include "ImageOps/Pixel.h"
#include "Texture.h"

namespace qeltexture {
template <typename T>
bool operator==(const Pixel<T>& a, const Pixel<T>& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}
template <typename T>
void PrintTo(const Pixel<T>& p, std::ostream* os) {
    *os << "(" << +p.red << ", " << +p.green << ", " << +p.blue << ", " << +p.alpha << ")";
}
}  // namespace qeltexture

namespace imageops_test {
using namespace qeltexture;

// A zero-filled texture of the standard layout whose element type is T.
template <typename T>
CQelTexture makeTexture(uint32_t width, uint32_t height, uint32_t depth = 1, uint32_t mips = 1,
                        uint32_t members = 1, uint32_t faces = 1) {
    const PixelType type = sizeof(T) == 1 ? QelStandard8PixelType
                           : sizeof(T) == 2 ? QelStandard16PixelType
                                            : QelStandard32PixelType;
    const EQelTVariableType channel = sizeof(T) == 1   ? eVT_UnsignedByteNorm
                                      : sizeof(T) == 2 ? eVT_UnsignedShortNorm
                                      : std::is_same<T, float>::value ? eVT_SignedFloat
                                                                      : eVT_UnsignedIntegerNorm;
    return CQelTexture(CQelTextureHeader(type.PixelTypeID, height, width, depth, mips, members, faces,
                                         eCS_LinearRGB, channel));
}

// 8-bit RGB: a layout the image operations refuse.
inline CQelTexture makeRGBTexture() { return CQelTexture(CQelTextureHeader(0x0008080800626772ull, 4, 4, 1, 2)); }

template <typename T>
Pixel<T>* pixels(const CQelTexture& texture, uint32_t mip = 0, uint32_t member = 0, uint32_t face = 0) {
    return reinterpret_cast<Pixel<T>*>(texture.getDataPtr(mip, member, face));
}

template <typename T>
void fill(const CQelTexture& texture, Pixel<T> value, uint32_t mip = 0, uint32_t member = 0, uint32_t face = 0) {
    const size_t n = size_t(texture.getWidth(mip)) * texture.getHeight(mip) * texture.getDepth(mip);
    std::fill(pixels<T>(texture, mip, member, face), pixels<T>(texture, mip, member, face) + n, value);
}

inline std::vector<uint8_t> allBytes(const CQelTexture& t) {
    const uint8_t* data = t.getDataPtr(0, 0, 0);
    return data ? std::vector<uint8_t>(data, data + t.getDataBlockSize()) : std::vector<uint8_t>();
}

}  // namespace imageops_test
