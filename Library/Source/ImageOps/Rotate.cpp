#include "ImageOps/Rotate.h"

#include <utility>

#include "SurfaceWalk.h"

namespace qeltexture {

namespace {

struct Coord {
    int64_t x, y, z;
};

}  // namespace

template <typename T>
bool Rotate90(const Pixel<T>* source, Pixel<T>* destination, const uint32_t& width,
              const uint32_t& height, const uint32_t& depth, EQelTAxis axis, bool clockwise) {
    if (!source || !destination || axis > eAxisZ) return false;
    const int64_t W = width, H = height, D = depth;

    // Source position of destination pixel (x, y, z): the inverse of the turn.
    auto sourceOf = [&](int64_t x, int64_t y, int64_t z) -> Coord {
        switch (axis) {
            case eAxisZ: return clockwise ? Coord{y, H - 1 - x, z} : Coord{W - 1 - y, x, z};
            case eAxisX: return clockwise ? Coord{x, z, D - 1 - y} : Coord{x, H - 1 - z, y};
            default: return clockwise ? Coord{W - 1 - z, y, x} : Coord{z, y, D - 1 - x};
        }
    };
    auto indexOf = [&](const Coord& c) { return c.x + W * (c.y + H * c.z); };

    int64_t outW = W, outH = H, outD = D;
    if (axis == eAxisZ) std::swap(outW, outH);
    else if (axis == eAxisX) std::swap(outH, outD);
    else std::swap(outW, outD);

    // The mapping is affine, so the source index advances by a fixed step per
    // destination step in each direction.
    const int64_t base = indexOf(sourceOf(0, 0, 0));
    const int64_t stepX = indexOf(sourceOf(1, 0, 0)) - base;
    const int64_t stepY = indexOf(sourceOf(0, 1, 0)) - base;
    const int64_t stepZ = indexOf(sourceOf(0, 0, 1)) - base;

    Pixel<T>* out = destination;
    for (int64_t z = 0; z < outD; ++z)
        for (int64_t y = 0; y < outH; ++y) {
            int64_t index = base + z * stepZ + y * stepY;
            for (int64_t x = 0; x < outW; ++x, index += stepX) *out++ = source[index];
        }
    return true;
}

bool Rotate90(CQelTexture& texture, EQelTAxis axis, bool clockwise) {
    const EElementType type = standardElementType(texture);
    if (type == EElementType::None || axis > eAxisZ) return false;
    if (texture.getNumArrayMembers() == 0 || texture.getNumFaces() == 0 ||
        texture.getNumMIPLevels() == 0 || texture.getDataBlockSize() != texture.getDataSize())
        return false;

    CQelTextureHeader header(texture.getHeader());
    const uint32_t W = texture.getWidth(), H = texture.getHeight(), D = texture.getDepth();
    if (axis == eAxisZ) { header.setWidth(H); header.setHeight(W); }
    else if (axis == eAxisX) { header.setHeight(D); header.setDepth(H); }
    else { header.setWidth(D); header.setDepth(W); }
    CQelTexture rotated(header);  // same byte count as the original: sizes only exchange

    const bool result = withElementType(type, [&](auto element) {
        using T = decltype(element);
        return forEachSurface(texture, [&](const uint8_t* data, uint32_t mip, uint32_t member, uint32_t face) {
            return Rotate90<T>(reinterpret_cast<const Pixel<T>*>(data),
                               reinterpret_cast<Pixel<T>*>(rotated.getDataPtr(mip, member, face)),
                               texture.getWidth(mip), texture.getHeight(mip), texture.getDepth(mip),
                               axis, clockwise);
        });
    });
    texture = std::move(rotated);
    return result;
}

#define QELTEX_INSTANTIATE_ROTATE(T)                                                        \
    template bool Rotate90<T>(const Pixel<T>*, Pixel<T>*, const uint32_t&, const uint32_t&, \
                              const uint32_t&, EQelTAxis, bool);
QELTEX_INSTANTIATE_ROTATE(uint8_t)
QELTEX_INSTANTIATE_ROTATE(uint16_t)
QELTEX_INSTANTIATE_ROTATE(uint32_t)
QELTEX_INSTANTIATE_ROTATE(float)
#undef QELTEX_INSTANTIATE_ROTATE

}  // namespace qeltexture
