#pragma once
// Image-difference measures shared by compare and convert.
#include <cstddef>
#include <cstdint>

namespace qeltex_cli {

struct ImageDifference {
    double rmse[4] = {0, 0, 0, 0};  // per channel R, G, B, A, in units of the peak value's scale
    double psnr[4] = {0, 0, 0, 0};
    double rmseOverall = 0;
    double psnrOverall = 0;         // over the compared channels
    bool alphaCounted = false;
};

// Images are RGBA with 8-bit or 16-bit (little-endian) channels; PSNR uses the peak of the
// bit depth. Identical images get a PSNR of infinity. The overall figures cover the channels
// in `channelMask` (bit c = channel c of RGBA); alpha counts only when either image has
// some transparency.
ImageDifference compareImages(const uint8_t* a, const uint8_t* b, size_t pixels, uint32_t bitDepth,
                              unsigned channelMask = 0xF);

}  // namespace qeltex_cli
