#include "PixelFormat.h"

namespace qeltexture {

const PixelType QelStandard8PixelType('r', 'g', 'b', 'a', 8, 8, 8, 8);
const PixelType QelStandard16PixelType('r', 'g', 'b', 'a', 16, 16, 16, 16);
const PixelType QelStandard32PixelType('r', 'g', 'b', 'a', 32, 32, 32, 32);

namespace {
struct FormatInfo {
    uint32_t bitsPerPixel;
    uint32_t minWidth;
    uint32_t minHeight;
};

// Indexed by EQelTPixelFormat; the last row is ePF_NumCompressedPFs ("no format yet").
constexpr FormatInfo kFormatTable[ePF_NumCompressedPFs + 1] = {
    {2, 16, 8}, {2, 16, 8}, {4, 8, 8}, {4, 8, 8},  // QELTC I
    {2, 8, 4},  {4, 4, 4},                          // QELTC II
    {4, 4, 4},                                      // ETC1
    {4, 4, 4},  {8, 4, 4},  {8, 4, 4},  {8, 4, 4}, {8, 4, 4},  // DXT1-5
    {4, 4, 4},  {8, 4, 4},                          // BC4, BC5
    {0, 1, 1},  {0, 1, 1},                          // BC6, BC7: nameable, no size
    {16, 2, 1}, {16, 2, 1},                         // UYVY, YUY2
    {1, 8, 1},                                      // BW1bpp
    {32, 1, 1},                                     // R9G9B9E5
    {16, 2, 1}, {16, 2, 1},                         // RGBG, GRGB
    {4, 4, 4},  {8, 4, 4},  {4, 4, 4},              // ETC2 RGB, RGBA, RGB_A1
    {4, 4, 4},  {8, 4, 4},                          // EAC R11, RG11
    {0, 1, 1},                                      // NumCompressedPFs
};
}  // namespace

uint32_t QelTGetBitsPerPixel(uint64_t pixelFormat) {
    if ((pixelFormat >> 32) != 0) {
        uint32_t sum = 0;
        for (unsigned i = 0; i < 4; ++i) sum += uint8_t(pixelFormat >> (32 + 8 * i));
        return sum;
    }
    if (pixelFormat <= ePF_NumCompressedPFs) return kFormatTable[pixelFormat].bitsPerPixel;
    return 0;
}

void QelTGetFormatMinDims(uint64_t pixelFormat, uint32_t& minX, uint32_t& minY, uint32_t& minZ) {
    minX = minY = minZ = 1;
    if ((pixelFormat >> 32) == 0 && pixelFormat <= ePF_NumCompressedPFs) {
        minX = kFormatTable[pixelFormat].minWidth;
        minY = kFormatTable[pixelFormat].minHeight;
    }
}

}  // namespace qeltexture
