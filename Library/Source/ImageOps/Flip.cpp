#include "ImageOps/Flip.h"

#include <algorithm>
#include <cstddef>

#include "SurfaceWalk.h"

namespace qeltexture {

template <typename T>
bool Flip(Pixel<T>* pixels, const uint32_t& width, const uint32_t& height, const uint32_t& depth,
          EQelTAxis axis) {
    if (!pixels) return false;
    const size_t W = width, H = height, D = depth;
    const size_t slice = W * H;
    switch (axis) {
        case eAxisX:
            for (size_t row = 0; row < H * D; ++row) std::reverse(pixels + row * W, pixels + (row + 1) * W);
            break;
        case eAxisY:
            for (size_t z = 0; z < D; ++z)
                for (size_t y = 0; y < H / 2; ++y) {
                    Pixel<T>* top = pixels + z * slice + y * W;
                    std::swap_ranges(top, top + W, pixels + z * slice + (H - 1 - y) * W);
                }
            break;
        case eAxisZ:
            for (size_t z = 0; z < D / 2; ++z)
                std::swap_ranges(pixels + z * slice, pixels + (z + 1) * slice, pixels + (D - 1 - z) * slice);
            break;
        default: break;
    }
    return true;
}

bool Flip(CQelTexture& texture, EQelTAxis axis) {
    const EElementType type = standardElementType(texture);
    if (type == EElementType::None || axis > eAxisZ || texture.getNumArrayMembers() == 0 ||
        texture.getDataBlockSize() != texture.getDataSize())
        return false;
    return withElementType(type, [&](auto element) {
        using T = decltype(element);
        return forEachSurface(texture, [&](uint8_t* data, uint32_t mip, uint32_t, uint32_t) {
            return Flip<T>(reinterpret_cast<Pixel<T>*>(data), texture.getWidth(mip), texture.getHeight(mip),
                           texture.getDepth(mip), axis);
        });
    });
}

#define QELTEX_INSTANTIATE_FLIP(T) \
    template bool Flip<T>(Pixel<T>*, const uint32_t&, const uint32_t&, const uint32_t&, EQelTAxis);
QELTEX_INSTANTIATE_FLIP(uint8_t)
QELTEX_INSTANTIATE_FLIP(uint16_t)
QELTEX_INSTANTIATE_FLIP(uint32_t)
QELTEX_INSTANTIATE_FLIP(float)
#undef QELTEX_INSTANTIATE_FLIP

}  // namespace qeltexture
