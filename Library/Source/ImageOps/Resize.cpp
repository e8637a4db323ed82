#include "Resize.h"

#include <algorithm>
#include <utility>

#include "Resample.h"
#include "SurfaceWalk.h"

namespace qeltexture {

bool Resize(CQelTexture& texture, const uint32_t& width, const uint32_t& height, const uint32_t& depth,
            EResizeMode mode) {
    const EElementType type = standardElementType(texture);
    if (type == EElementType::None || !width || !height || !depth || !isValidResizeMode(mode)) return false;
    // Copies, so a caller passing the texture's own fields by reference is safe.
    const uint32_t newWidth = width, newHeight = height, newDepth = depth;
    const uint32_t oldWidth = texture.getWidth(0), oldHeight = texture.getHeight(0), oldDepth = texture.getDepth(0);
    if (newWidth == oldWidth && newHeight == oldHeight && newDepth == oldDepth) return true;

    CQelTextureHeader header(texture.getHeader());
    header.setWidth(newWidth);
    header.setHeight(newHeight);
    header.setDepth(newDepth);
    header.setNumMIPLevels(1);
    const uint32_t pixelBytes = header.getBitsPerPixel() / 8;
    if (!header.isWithinSizeModel() ||
        steppedStretchLargestImage(oldWidth, oldHeight, oldDepth, newWidth, newHeight, newDepth, pixelBytes) >
            0xFFFFFFFFull)
        return false;

    uint32_t borderX, borderY, borderZ;
    texture.getBorder(borderX, borderY, borderZ);
    // Unsigned 32-bit arithmetic, quotient truncated.
    header.setBorder(uint32_t(newWidth * borderX) / oldWidth, uint32_t(newHeight * borderY) / oldHeight,
                     uint32_t(newDepth * borderZ) / oldDepth);

    CQelTexture resized(header);
    bool result = false;
    withElementType(type, [&](auto element) {
        using T = decltype(element);
        for (uint32_t member = 0; member < texture.getNumArrayMembers(); ++member)
            for (uint32_t face = 0; face < texture.getNumFaces(); ++face)
                result = SteppedStretchImage<T>(
                    reinterpret_cast<const Pixel<T>*>(texture.getDataPtr(0, member, face)),
                    reinterpret_cast<Pixel<T>*>(resized.getDataPtr(0, member, face)), oldWidth, oldHeight,
                    oldDepth, newWidth, newHeight, newDepth, mode);
        return true;
    });
    texture = std::move(resized);
    return result;
}

}  // namespace qeltexture
