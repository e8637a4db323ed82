#include "PreMultiply.h"

#include "SurfaceWalk.h"

namespace qeltexture {

namespace {

// f = alpha / full scale (255, 65535, 4294967296.0; 1.0 for float), products in single
// precision, truncated for the integer types.
template <typename T>
void preMultiplySurface(Pixel<T>* pixels, size_t count) {
    for (size_t n = 0; n < count; ++n) {
        Pixel<T>& p = pixels[n];
        const float f = float(p.alpha) / ElementRange<T>::maxFloat;
        p.red = ElementRange<T>::truncate(float(p.red) * f);
        p.green = ElementRange<T>::truncate(float(p.green) * f);
        p.blue = ElementRange<T>::truncate(float(p.blue) * f);
    }
}

}  // namespace

bool PreMultiplyAlpha(CQelTexture& texture) {
    const EElementType type = standardElementType(texture);
    if (type == EElementType::None || texture.isPreMultiplied()) return false;
    const bool result = withElementType(type, [&](auto element) {
        using T = decltype(element);
        return forEachSurface(texture, [&](uint8_t* data, uint32_t mip, uint32_t, uint32_t) {
            if (!data) return false;
            const size_t count = size_t(texture.getWidth(mip)) * texture.getHeight(mip) * texture.getDepth(mip);
            preMultiplySurface(reinterpret_cast<Pixel<T>*>(data), count);
            return true;
        });
    });
    texture.setIsPreMultiplied(true);
    return result;
}

bool Bleed(CQelTexture& texture) {
    const EElementType type = standardElementType(texture);
    if (type == EElementType::None || texture.getNumArrayMembers() == 0) return false;
    return withElementType(type, [&](auto element) {
        using T = decltype(element);
        return forEachSurface(texture, [&](uint8_t* data, uint32_t mip, uint32_t, uint32_t) {
            return Bleed<T>(reinterpret_cast<Pixel<T>*>(data), texture.getWidth(mip), texture.getHeight(mip),
                            texture.getDepth(mip));
        });
    });
}

}  // namespace qeltexture
