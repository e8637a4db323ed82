// Error-diffusion dithering of 8-bit RGBA surfaces to the precision of a target format.
#include <utility>
#include <vector>

#include "PixelEncoder.h"
#include "Transcode.h"

namespace qeltexture {

void DitherPrecision(PixelType target, uint32_t bits[4]) {
    bits[0] = bits[1] = bits[2] = bits[3] = 0;
    auto set = [&](uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        bits[0] = r;
        bits[1] = g;
        bits[2] = b;
        bits[3] = a;
    };
    if (!target.isCompressedOrSpecial()) {
        for (unsigned k = 0; k < 4; ++k) {
            const uint32_t width = target.channelBits(k);
            switch (MapCharToEnum(target.channelName(k))) {
                case eRed: bits[0] = width; break;
                case eGreen: bits[1] = width; break;
                case eBlue: bits[2] = width; break;
                case eAlpha:
                case eUnspecified: bits[3] = width; break;
                case eLuminance:
                case eIntensity: bits[0] = bits[1] = bits[2] = width; break;
                default: break;
            }
        }
        return;
    }
    switch (target.PixelTypeID) {
        case ePF_QELTCI_2bpp_RGB:
        case ePF_QELTCI_4bpp_RGB: set(5, 5, 5, 0); break;
        case ePF_QELTCI_2bpp_RGBA:
        case ePF_QELTCI_4bpp_RGBA:
        case ePF_QELTCII_2bpp:
        case ePF_QELTCII_4bpp: set(4, 4, 4, 3); break;
        case ePF_ETC1:
        case ePF_ETC2_RGBA: set(4, 4, 4, 4); break;
        case ePF_ETC2_RGB: set(4, 4, 4, 0); break;
        case ePF_ETC2_RGB_A1: set(5, 5, 5, 1); break;
        case ePF_DXT1: set(5, 6, 5, 1); break;
        case ePF_DXT2:
        case ePF_DXT3:
        case ePF_DXT4:
        case ePF_DXT5: set(5, 6, 5, 8); break;
        case ePF_BC4: set(8, 0, 0, 0); break;
        case ePF_BC5: set(8, 8, 0, 0); break;
        case ePF_BC6: set(16, 16, 16, 0); break;
        case ePF_BC7:
        case ePF_UYVY:
        case ePF_YUY2:
        case ePF_RGBG8888:
        case ePF_GRGB8888: set(8, 8, 8, 0); break;
        case ePF_BW1bpp: set(1, 1, 1, 0); break;
        case ePF_SharedExponentR9G9B9E5: set(14, 14, 14, 0); break;
        case ePF_EAC_R11: set(11, 0, 0, 0); break;
        case ePF_EAC_RG11: set(11, 11, 0, 0); break;
        default: break;
    }
}

namespace {
inline int clampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
}  // namespace

// The diffusion is defined column by column (x outer, y inner): half of each error to the
// right, a quarter below-right, a quarter below, each addition clamped. A pixel's value
// only depends on its left, upper and upper-left neighbours, so the same bytes come out of
// a row-by-row walk that pulls the three contributions in the column order (upper-left,
// left, upper); rows stay in cache instead of striding down columns.
void Dither(uint8_t* data, PixelType target, uint32_t width, uint32_t height, uint32_t depth) {
    if (!data || width == 0 || height == 0 || depth == 0) return;
    uint32_t bits[4];
    DitherPrecision(target, bits);
    std::vector<int> previous, current;
    for (unsigned c = 0; c < 4; ++c) {
        const int t = int(bits[c]);
        if (t < 1 || t > 7) continue;
        if (previous.empty()) {
            previous.assign(width, 0);
            current.assign(width, 0);
        }
        for (uint32_t z = 0; z < depth; ++z) {
            uint8_t* slice = data + size_t(z) * height * width * 4 + c;
            for (uint32_t y = 0; y < height; ++y) {
                uint8_t* row = slice + size_t(y) * width * 4;
                for (uint32_t x = 0; x < width; ++x) {
                    int v = row[size_t(x) * 4];
                    if (x > 0 && y > 0) v = clampByte(v + previous[x - 1] / 4);
                    if (x > 0) v = clampByte(v + current[x - 1] / 2);
                    if (y > 0) v = clampByte(v + previous[x] / 4);
                    const int q = clampByte((v >> t) + ((v >> (8 - t)) << (8 - t)));
                    row[size_t(x) * 4] = uint8_t(q);
                    current[x] = v - q;
                }
                std::swap(previous, current);
            }
        }
    }
}

}  // namespace qeltexture
