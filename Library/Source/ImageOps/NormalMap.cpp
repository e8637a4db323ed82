#include "ImageOps/NormalMap.h"

#include <cmath>
#include <cstddef>
#include <utility>

#include "SurfaceWalk.h"

namespace qeltexture {

namespace {

// Height as a fraction of the element type's range.
inline float heightOf(uint8_t v) { return float(v / 255.0); }
inline float heightOf(uint16_t v) { return float(v / 65535.0); }
inline float heightOf(uint32_t v) { return float(v / 4294967296.0); }
inline float heightOf(float v) { return v; }

enum EOutput { eOutX, eOutY, eOutZ, eOutH, eNumOutputs };

// Output channel (0 red ... 3 alpha) of each quantity, -1 when it has none.
void parseChannelOrder(const char* order, int (&channelOf)[eNumOutputs]) {
    for (int& c : channelOf) c = -1;
    if (!order) order = "xyz";
    for (int k = 0; k < 4 && order[k] != '\0'; ++k) {
        const char c = (order[k] >= 'A' && order[k] <= 'Z') ? char(order[k] - 'A' + 'a') : order[k];
        if (c == 'x') channelOf[eOutX] = k;
        else if (c == 'y') channelOf[eOutY] = k;
        else if (c == 'z') channelOf[eOutZ] = k;
        else if (c == 'h') channelOf[eOutH] = k;
    }
}

}  // namespace

template <typename T>
bool CreateNormalMap(const Pixel<T>* heights, Pixel<float>* normals, uint32_t width, uint32_t height,
                     uint32_t depth, float scale, const char* channelOrder) {
    if (scale == 0.0f || !heights || !normals) return false;
    int channelOf[eNumOutputs];
    parseChannelOrder(channelOrder, channelOf);

    const size_t W = width, H = height, D = depth;
    for (size_t z = 0; z < D; ++z) {
        const Pixel<T>* slice = heights + z * W * H;
        auto h = [&](size_t x, size_t y) { return heightOf(slice[y * W + x].red); };
        for (size_t y = 0; y < H; ++y) {
            const size_t above = y == 0 ? H - 1 : y - 1;
            const size_t below = y + 1 == H ? 0 : y + 1;
            for (size_t x = 0; x < W; ++x) {
                const size_t left = x == 0 ? W - 1 : x - 1;
                const size_t right = x + 1 == W ? 0 : x + 1;
                const float dx = (h(left, y) - h(right, y)) * scale;
                const float dy = (h(x, above) - h(x, below)) * scale;
                const double length = std::sqrt(double(dy) * dy + double(dx) * dx + 1.0);

                float out[4] = {1.0f, 1.0f, 1.0f, 1.0f};
                // Filled in the order x, y, z, h: only one of them names each channel.
                if (channelOf[eOutX] >= 0) out[channelOf[eOutX]] = float((dx / length) * 0.5 + 0.5);
                if (channelOf[eOutY] >= 0) out[channelOf[eOutY]] = float((dy / length) * 0.5 + 0.5);
                if (channelOf[eOutZ] >= 0) out[channelOf[eOutZ]] = float((1.0 / length) * 0.5 + 0.5);
                if (channelOf[eOutH] >= 0) out[channelOf[eOutH]] = h(x, y);
                normals[(z * H + y) * W + x] = Pixel<float>{out[0], out[1], out[2], out[3]};
            }
        }
    }
    return true;
}

bool GenerateNormalMap(CQelTexture& texture, float scale, CQelTString channelOrder) {
    const EElementType type = standardElementType(texture);
    if (scale == 0.0f || type == EElementType::None || texture.getNumMIPLevels() == 0 ||
        texture.getNumArrayMembers() == 0 || texture.getNumFaces() == 0 ||
        texture.getDataBlockSize() != texture.getDataSize())
        return false;
    channelOrder.toLower();

    CQelTextureHeader header(texture.getHeader());
    header.setPixelFormat(QelStandard32PixelType);
    header.setChannelType(eVT_SignedFloat);
    if (!header.isWithinSizeModel()) return false;
    CQelTexture normalMap(header);

    const bool result = withElementType(type, [&](auto element) {
        using T = decltype(element);
        return forEachSurface(texture, [&](const uint8_t* data, uint32_t mip, uint32_t member, uint32_t face) {
            return CreateNormalMap<T>(reinterpret_cast<const Pixel<T>*>(data),
                                      reinterpret_cast<Pixel<float>*>(normalMap.getDataPtr(mip, member, face)),
                                      texture.getWidth(mip), texture.getHeight(mip), texture.getDepth(mip),
                                      scale, channelOrder.c_str());
        });
    });
    texture = std::move(normalMap);
    texture.setBumpMap(scale, channelOrder);
    return result;
}

#define QELTEX_INSTANTIATE_NORMAL_MAP(T)                                                                \
    template bool CreateNormalMap<T>(const Pixel<T>*, Pixel<float>*, uint32_t, uint32_t, uint32_t, float, \
                                     const char*);
QELTEX_INSTANTIATE_NORMAL_MAP(uint8_t)
QELTEX_INSTANTIATE_NORMAL_MAP(uint16_t)
QELTEX_INSTANTIATE_NORMAL_MAP(uint32_t)
QELTEX_INSTANTIATE_NORMAL_MAP(float)
#undef QELTEX_INSTANTIATE_NORMAL_MAP

}  // namespace qeltexture
