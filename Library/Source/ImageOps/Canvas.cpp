#include "ImageOps/Canvas.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "SurfaceWalk.h"

namespace qeltexture {

template <typename T>
bool ResizeCanvas(const Pixel<T>* source, Pixel<T>* destination, uint32_t width, uint32_t height,
                  uint32_t depth, uint32_t newWidth, uint32_t newHeight, uint32_t newDepth, int32_t offsetX,
                  int32_t offsetY, int32_t offsetZ) {
    if (!source || !destination) return false;
    const Pixel<T> zero{};
    // Destination columns [x0, x1) have a source column; the offsets may be negative, so
    // the range is worked out in 64 bits and clipped to the new width.
    const int64_t x0 = std::clamp<int64_t>(offsetX, 0, newWidth);
    const int64_t x1 = std::clamp<int64_t>(int64_t(offsetX) + width, x0, newWidth);
    Pixel<T>* out = destination;
    for (int64_t z = 0; z < newDepth; ++z) {
        const int64_t sz = z - offsetZ;
        for (int64_t y = 0; y < newHeight; ++y, out += newWidth) {
            const int64_t sy = y - offsetY;
            if (sz < 0 || sz >= depth || sy < 0 || sy >= height || x0 == x1) {
                std::fill(out, out + newWidth, zero);
                continue;
            }
            const Pixel<T>* row = source + (size_t(sz) * height + size_t(sy)) * width;
            std::fill(out, out + x0, zero);
            std::copy(row + (x0 - offsetX), row + (x1 - offsetX), out + x0);
            std::fill(out + x1, out + newWidth, zero);
        }
    }
    return true;
}

bool ResizeCanvas(CQelTexture& texture, const uint32_t& width, const uint32_t& height, const uint32_t& depth,
                  const int32_t& offsetX, const int32_t& offsetY, const int32_t& offsetZ) {
    const EElementType type = standardElementType(texture);
    if (type == EElementType::None || width == 0 || height == 0 || depth == 0) return false;
    const uint32_t oldWidth = texture.getWidth(), oldHeight = texture.getHeight(), oldDepth = texture.getDepth();
    if (width == oldWidth && height == oldHeight && depth == oldDepth && offsetX == 0 && offsetY == 0 &&
        offsetZ == 0)
        return true;
    // A zero old size has no pixels and would divide the border by zero.
    if (oldWidth == 0 || oldHeight == 0 || oldDepth == 0 || texture.getNumMIPLevels() == 0 ||
        texture.getNumArrayMembers() == 0 || texture.getNumFaces() == 0 ||
        texture.getDataBlockSize() != texture.getDataSize())
        return false;

    CQelTextureHeader header(texture.getHeader());
    header.setWidth(width);
    header.setHeight(height);
    header.setDepth(depth);
    header.setNumMIPLevels(1);
    if (!header.isWithinSizeModel()) return false;
    uint32_t borderX, borderY, borderZ;
    texture.getBorder(borderX, borderY, borderZ);
    header.setBorder(width * borderX / oldWidth, height * borderY / oldHeight, depth * borderZ / oldDepth);
    CQelTexture canvas(header);

    bool levelZeroResult = false;
    const bool result = withElementType(type, [&](auto element) {
        using T = decltype(element);
        return forEachSurface(texture, [&](const uint8_t* data, uint32_t mip, uint32_t member, uint32_t face) {
            if (mip == 0)
                levelZeroResult = ResizeCanvas<T>(reinterpret_cast<const Pixel<T>*>(data),
                                                  reinterpret_cast<Pixel<T>*>(canvas.getDataPtr(0, member, face)),
                                                  oldWidth, oldHeight, oldDepth, width, height, depth, offsetX,
                                                  offsetY, offsetZ);
            return levelZeroResult;
        });
    });
    texture = std::move(canvas);
    return result;
}

#define QELTEX_INSTANTIATE_CANVAS(T)                                                                     \
    template bool ResizeCanvas<T>(const Pixel<T>*, Pixel<T>*, uint32_t, uint32_t, uint32_t, uint32_t, \
                                  uint32_t, uint32_t, int32_t, int32_t, int32_t);
QELTEX_INSTANTIATE_CANVAS(uint8_t)
QELTEX_INSTANTIATE_CANVAS(uint16_t)
QELTEX_INSTANTIATE_CANVAS(uint32_t)
QELTEX_INSTANTIATE_CANVAS(float)
#undef QELTEX_INSTANTIATE_CANVAS

}  // namespace qeltexture
