#include "ImageOps/Border.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "SurfaceWalk.h"

namespace qeltexture {

template <typename T>
bool Border(const Pixel<T>* source, Pixel<T>* destination, uint32_t width, uint32_t height, uint32_t depth,
            uint32_t newWidth, uint32_t newHeight, uint32_t newDepth) {
    if (!source || !destination || newWidth < width || newHeight < height || newDepth < depth ||
        (newWidth - width) % 2 || (newHeight - height) % 2 || (newDepth - depth) % 2 || width == 0 ||
        height == 0 || depth == 0)
        return false;
    const size_t W = width, H = height, D = depth;
    const size_t NW = newWidth, NH = newHeight, ND = newDepth;
    const size_t bx = (NW - W) / 2, by = (NH - H) / 2, bz = (ND - D) / 2;
    auto row = [&](size_t y, size_t z) { return destination + (z * NH + y) * NW; };

    // Image into the centre.
    for (size_t z = 0; z < D; ++z)
        for (size_t y = 0; y < H; ++y) {
            const Pixel<T>* in = source + (z * H + y) * W;
            std::copy(in, in + W, row(by + y, bz + z) + bx);
        }
    // Depth borders: the image's rows and columns only.
    for (size_t k = 0; k < bz; ++k) {
        const size_t m = std::min(k, D - 1);
        for (size_t y = by; y < by + H; ++y) {
            const Pixel<T>* near = row(y, bz + m) + bx;
            const Pixel<T>* far = row(y, bz + D - 1 - m) + bx;
            std::copy(near, near + W, row(y, bz - 1 - k) + bx);
            std::copy(far, far + W, row(y, bz + D + k) + bx);
        }
    }
    // Row borders: every slice of the new depth, the image's columns only.
    for (size_t z = 0; z < ND; ++z)
        for (size_t k = 0; k < by; ++k) {
            const size_t m = std::min(k, H - 1);
            const Pixel<T>* near = row(by + m, z) + bx;
            const Pixel<T>* far = row(by + H - 1 - m, z) + bx;
            std::copy(near, near + W, row(by - 1 - k, z) + bx);
            std::copy(far, far + W, row(by + H + k, z) + bx);
        }
    // Column borders: every row of the new size, so the corners mirror too.
    for (size_t z = 0; z < ND; ++z)
        for (size_t y = 0; y < NH; ++y) {
            Pixel<T>* line = row(y, z);
            for (size_t k = 0; k < bx; ++k) {
                const size_t m = std::min(k, W - 1);
                line[bx - 1 - k] = line[bx + m];
                line[bx + W + k] = line[bx + W - 1 - m];
            }
        }
    return true;
}

bool Border(CQelTexture& texture, uint32_t borderX, uint32_t borderY, uint32_t borderZ) {
    const EElementType type = standardElementType(texture);
    if (type == EElementType::None) return false;
    if (borderX == 0 && borderY == 0 && borderZ == 0) return true;
    if (texture.getNumMIPLevels() == 0 || texture.getNumArrayMembers() == 0 || texture.getNumFaces() == 0 ||
        texture.getDataBlockSize() != texture.getDataSize())
        return false;

    const uint32_t width = texture.getWidth(), height = texture.getHeight(), depth = texture.getDepth();
    const uint64_t newWidth = width + 2 * uint64_t(borderX);
    const uint64_t newHeight = height + 2 * uint64_t(borderY);
    const uint64_t newDepth = depth + 2 * uint64_t(borderZ);
    if (newWidth > UINT32_MAX || newHeight > UINT32_MAX || newDepth > UINT32_MAX) return false;
    CQelTextureHeader header(texture.getHeader());
    header.setWidth(uint32_t(newWidth));
    header.setHeight(uint32_t(newHeight));
    header.setDepth(uint32_t(newDepth));
    header.setNumMIPLevels(1);
    if (!header.isWithinSizeModel()) return false;
    CQelTexture bordered(header);

    bool levelZeroResult = false;
    const bool result = withElementType(type, [&](auto element) {
        using T = decltype(element);
        return forEachSurface(texture, [&](const uint8_t* data, uint32_t mip, uint32_t member, uint32_t face) {
            if (mip == 0)
                levelZeroResult = Border<T>(reinterpret_cast<const Pixel<T>*>(data),
                                            reinterpret_cast<Pixel<T>*>(bordered.getDataPtr(0, member, face)),
                                            width, height, depth, uint32_t(newWidth), uint32_t(newHeight),
                                            uint32_t(newDepth));
            return levelZeroResult;
        });
    });
    texture = std::move(bordered);
    texture.setBorder(borderX, borderY, borderZ);
    return result;
}

#define QELTEX_INSTANTIATE_BORDER(T)                                                                 \
    template bool Border<T>(const Pixel<T>*, Pixel<T>*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, \
                            uint32_t);
QELTEX_INSTANTIATE_BORDER(uint8_t)
QELTEX_INSTANTIATE_BORDER(uint16_t)
QELTEX_INSTANTIATE_BORDER(uint32_t)
QELTEX_INSTANTIATE_BORDER(float)
#undef QELTEX_INSTANTIATE_BORDER

}  // namespace qeltexture
