#include "MIPMaps.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

#include "Resample.h"
#include "SurfaceWalk.h"

namespace qeltexture {

uint32_t fullMIPChainLength(uint32_t width, uint32_t height, uint32_t depth) {
    uint32_t largest = std::max(width, std::max(height, depth));
    uint32_t levels = 1;
    while (largest > 1) {
        largest >>= 1;
        ++levels;
    }
    return levels;
}

bool GenerateMIPMaps(CQelTexture& texture, EResizeMode mode, uint32_t levels) {
    const EElementType type = standardElementType(texture);
    if (type == EElementType::None || levels == 0 || !isValidResizeMode(mode)) return false;
    const uint32_t count =
        levels == 0xFFFFFFFFu ? fullMIPChainLength(texture.getWidth(0), texture.getHeight(0), texture.getDepth(0))
                              : levels;

    CQelTextureHeader header(texture.getHeader());
    header.setNumMIPLevels(count);
    if (!header.isWithinSizeModel()) return false;
    CQelTexture chain(header);
    const uint32_t topBytes = texture.getDataSize(0, false, false);

    const bool ok = withElementType(type, [&](auto element) {
        using T = decltype(element);
        for (uint32_t member = 0; member < texture.getNumArrayMembers(); ++member)
            for (uint32_t face = 0; face < texture.getNumFaces(); ++face) {
                const uint8_t* top = texture.getDataPtr(0, member, face);
                uint8_t* newTop = chain.getDataPtr(0, member, face);
                if (!top || !newTop) return false;
                std::memcpy(newTop, top, topBytes);
                for (uint32_t level = 1; level < count; ++level) {
                    const uint32_t w = chain.getWidth(level - 1), h = chain.getHeight(level - 1),
                                   d = chain.getDepth(level - 1);
                    const bool passed = StretchImage<T>(
                        reinterpret_cast<const Pixel<T>*>(chain.getDataPtr(level - 1, member, face)),
                        reinterpret_cast<Pixel<T>*>(chain.getDataPtr(level, member, face)), w, h, d,
                        std::max(1u, w / 2), std::max(1u, h / 2), std::max(1u, d / 2), mode);
                    if (!passed) return false;
                }
            }
        return true;
    });
    if (!ok) return false;
    texture = std::move(chain);
    return true;
}

namespace {

// Grey value (r + g + b) / 3: integer sum without overflow, single-precision division,
// truncated (a u32 mean that rounds to 2^32 saturates).
template <typename T>
T greyOf(const Pixel<T>& p) {
    if constexpr (std::is_integral<T>::value) {
        const uint64_t sum = uint64_t(p.red) + p.green + p.blue;
        return ElementRange<T>::truncate(float(sum) / 3.0f);
    } else {
        return (p.red + p.green + p.blue) / 3.0f;
    }
}

template <typename T>
void tintLevel(Pixel<T>* pixels, size_t count, uint32_t level) {
    const uint32_t i = level % 3;
    const bool swapped = (level % 6) > 2;
    const bool keepRed = (i == 0) != swapped, keepGreen = (i == 1) != swapped, keepBlue = (i == 2) != swapped;
    for (size_t n = 0; n < count; ++n) {
        const T g = greyOf(pixels[n]);
        pixels[n].red = keepRed ? g : T(0);
        pixels[n].green = keepGreen ? g : T(0);
        pixels[n].blue = keepBlue ? g : T(0);
    }
}

}  // namespace

bool ColourMIPMaps(CQelTexture& texture) {
    const EElementType type = standardElementType(texture);
    if (type == EElementType::None || texture.getNumArrayMembers() == 0) return false;
    return withElementType(type, [&](auto element) {
        using T = decltype(element);
        return forEachSurface(texture, [&](uint8_t* data, uint32_t mip, uint32_t, uint32_t) {
            if (!data) return false;
            if (mip > 0) {
                const size_t count =
                    size_t(texture.getWidth(mip)) * texture.getHeight(mip) * texture.getDepth(mip);
                tintLevel(reinterpret_cast<Pixel<T>*>(data), count, mip);
            }
            return true;
        });
    });
}

}  // namespace qeltexture
