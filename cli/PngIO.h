#pragma once
// PNG reading and writing for the tool: any PNG colour type at 8 or 16 bits in, RGBA out.
#include <cstdint>
#include <string>
#include <vector>

namespace qeltex_cli {

struct PngPixels {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitDepth = 8;   // 8 or 16 bits per channel of `data`
    bool isColour = false;   // RGB or palette source (grey sources are expanded to RGB)
    bool hasAlpha = false;   // alpha channel or transparency chunk in the source
    std::vector<uint8_t> data;  // RGBA, 16-bit channels little-endian, rows top to bottom
};

// False with a message naming the problem on an unreadable or malformed file.
bool readPng(const std::string& path, PngPixels& out, std::string& error);
// Writes RGBA rows of 8- or 16-bit (little-endian) channels.
bool writePng(const std::string& path, uint32_t width, uint32_t height, uint32_t bitDepth,
              const uint8_t* rgba, std::string& error);

}  // namespace qeltex_cli
