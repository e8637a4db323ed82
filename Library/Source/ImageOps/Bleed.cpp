#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "PreMultiply.h"

namespace qeltexture {

namespace {
constexpr uint32_t kBleedRadius = 8;
}

template <typename T>
bool Bleed(Pixel<T>* pixels, const uint32_t& width, const uint32_t& height, const uint32_t& depth) {
    if (!pixels) return false;
    const uint32_t W = width, H = height, D = depth;
    if (!W || !H || !D) return true;
    if (uint64_t(W) * H > ~uint64_t(0) / D) return false;
    const uint64_t count = uint64_t(W) * H * D;
    if (count > ~size_t(0) / sizeof(Pixel<T>)) return false;
    // Every mean reads the untouched copy, so a bled pixel never feeds another.
    std::unique_ptr<Pixel<T>[]> copy(new (std::nothrow) Pixel<T>[size_t(count)]);
    if (!copy) return false;
    std::memcpy(copy.get(), pixels, size_t(count) * sizeof(Pixel<T>));
    const T threshold = ElementRange<T>::opaqueThreshold;

    for (uint32_t z = 0; z < D; ++z)
        for (uint32_t y = 0; y < H; ++y)
            for (uint32_t x = 0; x < W; ++x) {
                Pixel<T>& target = pixels[(size_t(z) * H + y) * W + x];
                if (!(target.alpha < threshold)) continue;
                const uint32_t x0 = x > kBleedRadius ? x - kBleedRadius : 0;
                const uint32_t y0 = y > kBleedRadius ? y - kBleedRadius : 0;
                const uint32_t z0 = z > kBleedRadius ? z - kBleedRadius : 0;
                const uint32_t x1 = x + std::min(kBleedRadius, W - 1 - x);
                const uint32_t y1 = y + std::min(kBleedRadius, H - 1 - y);
                const uint32_t z1 = z + std::min(kBleedRadius, D - 1 - z);
                float red = 0.0f, green = 0.0f, blue = 0.0f, opaque = 0.0f;
                for (uint32_t k = z0; k <= z1; ++k)
                    for (uint32_t j = y0; j <= y1; ++j) {
                        const Pixel<T>* row = copy.get() + (size_t(k) * H + j) * W;
                        for (uint32_t i = x0; i <= x1; ++i)
                            if (row[i].alpha >= threshold) {
                                red += float(row[i].red);
                                green += float(row[i].green);
                                blue += float(row[i].blue);
                                opaque += 1.0f;
                            }
                    }
                if (opaque != 0.0f) {
                    target.red = ElementRange<T>::truncate(red / opaque);
                    target.green = ElementRange<T>::truncate(green / opaque);
                    target.blue = ElementRange<T>::truncate(blue / opaque);
                } else {
                    target.red = target.green = target.blue = T(0);
                }
            }
    return true;
}

template bool Bleed<uint8_t>(Pixel<uint8_t>*, const uint32_t&, const uint32_t&, const uint32_t&);
template bool Bleed<uint16_t>(Pixel<uint16_t>*, const uint32_t&, const uint32_t&, const uint32_t&);
template bool Bleed<uint32_t>(Pixel<uint32_t>*, const uint32_t&, const uint32_t&, const uint32_t&);
template bool Bleed<float>(Pixel<float>*, const uint32_t&, const uint32_t&, const uint32_t&);

}  // namespace qeltexture
