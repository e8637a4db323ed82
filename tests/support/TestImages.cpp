#include "TestImages.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace qeltest {

std::string testDataDir() {
#ifdef QELTEX_TESTDATA_DIR
    return QELTEX_TESTDATA_DIR;
#else
    return std::string();
#endif
}

bool readPngRGBA8(const std::string& path, RGBAImage& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGBA;
    out.width = image.width;
    out.height = image.height;
    out.pixels.assign(size_t(image.width) * image.height * 4, 0);
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

bool loadTestImage(const std::string& name, RGBAImage& out) {
    std::string dir = testDataDir();
    return !dir.empty() && readPngRGBA8(dir + "/" + name, out);
}

std::vector<std::string> availableTestImages() {
    static const char* kNames[] = {"astronaut.png", "camera.png", "chelsea.png", "coffee.png",
                                   "horse.png", "hubble.png", "rocket.png", "rose.png"};
    std::vector<std::string> found;
    for (const char* n : kNames) {
        std::string path = testDataDir() + "/" + n;
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            std::fclose(f);
            found.push_back(n);
        }
    }
    return found;
}

bool writePngRGBA8(const std::string& path, const RGBAImage& img) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = img.width;
    image.height = img.height;
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.c_str(), 0, img.pixels.data(), 0, nullptr) != 0;
}

RGBAImage tileTo(const RGBAImage& src, uint32_t width, uint32_t height) {
    RGBAImage out;
    out.width = width;
    out.height = height;
    out.pixels.resize(size_t(width) * height * 4);
    if (src.width == 0 || src.height == 0) return out;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* s = &src.pixels[(size_t(y % src.height) * src.width + x % src.width) * 4];
            uint8_t* d = &out.pixels[(size_t(y) * width + x) * 4];
            for (int c = 0; c < 4; ++c) d[c] = s[c];
        }
    return out;
}

double psnr(const uint8_t* a, const uint8_t* b, size_t pixelCount, unsigned channelMask) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = 0; i < pixelCount; ++i)
        for (unsigned c = 0; c < 4; ++c)
            if (channelMask & (1u << c)) {
                double d = double(a[i * 4 + c]) - double(b[i * 4 + c]);
                sum += d * d;
                ++n;
            }
    if (n == 0 || sum == 0) return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 / (sum / double(n)));
}

}  // namespace qeltest
