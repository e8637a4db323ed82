#pragma once
// Test and benchmark support: reading the real photographs of the shared test data as
// 8-bit RGBA, writing PNGs, and simple image-quality measures.
#include <cstdint>
#include <string>
#include <vector>

namespace qeltest {

struct RGBAImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // width * height * 4 bytes, rows top to bottom
};

// Directory of the shared test photographs (empty when not configured).
std::string testDataDir();
// Reads any PNG (grey, grey+alpha, palette, RGB, RGBA; 8 or 16 bits) as 8-bit RGBA.
bool readPngRGBA8(const std::string& path, RGBAImage& out);
// Reads testDataDir()/name; false when the folder or file is absent.
bool loadTestImage(const std::string& name, RGBAImage& out);
// Names of the shared test photographs that exist on this machine.
std::vector<std::string> availableTestImages();
bool writePngRGBA8(const std::string& path, const RGBAImage& image);
// Crop (clamped to the image) or tile the image to exactly width x height.
RGBAImage tileTo(const RGBAImage& image, uint32_t width, uint32_t height);
// PSNR in dB over the given channels (mask bit i = channel i of RGBA); 99 for identical.
double psnr(const uint8_t* a, const uint8_t* b, size_t pixelCount, unsigned channelMask = 0x7);

}  // namespace qeltest
