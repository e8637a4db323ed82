#include "SampleImage.h"

#include <cmath>

namespace qeltex_cli {

namespace {
uint8_t clampByte(double v) { return v <= 0 ? 0 : v >= 255 ? 255 : uint8_t(v + 0.5); }
}  // namespace

std::vector<uint8_t> makeSampleImage() {
    const uint32_t n = kSampleSize, half = n / 2;
    std::vector<uint8_t> img(size_t(n) * n * 4);
    static const uint8_t kPatches[8][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},   {0, 255, 255},
                                           {255, 0, 255}, {255, 255, 0}, {255, 255, 255}, {0, 0, 0}};
    for (uint32_t y = 0; y < n; ++y)
        for (uint32_t x = 0; x < n; ++x) {
            uint8_t* p = &img[(size_t(y) * n + x) * 4];
            uint32_t qx = x % half, qy = y % half;
            p[3] = 255;
            if (y < half && x < half) {
                // Smooth gradients: the hardest case for banding.
                p[0] = uint8_t(qx * 2);
                p[1] = uint8_t(qy * 2);
                p[2] = uint8_t(255 - (qx + qy));
            } else if (y < half) {
                // Saturated patches, 4 x 2, each 32 x 64.
                const uint8_t* c = kPatches[(qy / 64) * 4 + qx / 32];
                p[0] = c[0];
                p[1] = c[1];
                p[2] = c[2];
            } else if (x < half) {
                // Fine detail: a one-pixel checkerboard beside a zone plate.
                if (qx < 32) {
                    uint8_t v = ((qx + qy) & 1) ? 255 : 0;
                    p[0] = p[1] = p[2] = v;
                } else {
                    double dx = double(qx) - 80.0, dy = double(qy) - 64.0;
                    double v = 127.5 + 127.5 * std::cos((dx * dx + dy * dy) * 0.02);
                    p[0] = clampByte(v);
                    p[1] = clampByte(255.0 - v);
                    p[2] = clampByte(v * 0.5 + 64);
                }
            } else {
                // Alpha: a soft radial edge on the left, a hard-edged diamond on the right.
                p[0] = 240;
                p[1] = uint8_t(96 + qy);
                p[2] = 32;
                if (qx < 64) {
                    double dx = double(qx) - 32.0, dy = double(qy) - 64.0;
                    double d = std::sqrt(dx * dx + dy * dy);
                    p[3] = clampByte(255.0 * (1.0 - d / 40.0));
                } else {
                    int dx = std::abs(int(qx) - 96), dy = std::abs(int(qy) - 64);
                    p[3] = (dx + dy < 28) ? 255 : 0;
                }
            }
        }
    return img;
}

}  // namespace qeltex_cli
