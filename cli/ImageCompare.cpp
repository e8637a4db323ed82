#include "ImageCompare.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace qeltex_cli {

namespace {
double channel(const uint8_t* img, size_t pixel, unsigned c, uint32_t bitDepth) {
    if (bitDepth == 16) {
        uint16_t v;
        std::memcpy(&v, img + (pixel * 4 + c) * 2, 2);
        return v;
    }
    return img[pixel * 4 + c];
}

double psnrFrom(double mse, double peak) {
    return mse == 0 ? std::numeric_limits<double>::infinity() : 10.0 * std::log10(peak * peak / mse);
}
}  // namespace

ImageDifference compareImages(const uint8_t* a, const uint8_t* b, size_t pixels, uint32_t bitDepth,
                              unsigned channelMask) {
    ImageDifference d;
    const double peak = bitDepth == 16 ? 65535.0 : 255.0;
    double sum[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < pixels; ++i)
        for (unsigned c = 0; c < 4; ++c) {
            double va = channel(a, i, c, bitDepth), vb = channel(b, i, c, bitDepth);
            double diff = va - vb;
            sum[c] += diff * diff;
            if (c == 3 && (channelMask & 8) && (va != peak || vb != peak)) d.alphaCounted = true;
        }
    double total = 0;
    unsigned channels = 0;
    for (unsigned c = 0; c < 4; ++c) {
        double mse = pixels ? sum[c] / double(pixels) : 0;
        d.rmse[c] = std::sqrt(mse);
        d.psnr[c] = psnrFrom(mse, peak);
        bool counted = (channelMask >> c & 1) && (c < 3 || d.alphaCounted);
        if (counted) {
            total += sum[c];
            ++channels;
        }
    }
    if (channels == 0) return d;
    double mse = pixels ? total / double(pixels * channels) : 0;
    d.rmseOverall = std::sqrt(mse);
    d.psnrOverall = psnrFrom(mse, peak);
    return d;
}

}  // namespace qeltex_cli
