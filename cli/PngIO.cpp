#include "PngIO.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>

namespace qeltex_cli {

namespace {
struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};
typedef std::unique_ptr<FILE, FileCloser> FilePtr;

void onPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error) *error = message;
    std::longjmp(png_jmpbuf(png), 1);
}
void onPngWarning(png_structp, png_const_charp) {}
}  // namespace

bool readPng(const std::string& path, PngPixels& out, std::string& error) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open '" + path + "' for reading";
        return false;
    }
    uint8_t signature[8];
    if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
        error = "'" + path + "' is not a PNG file";
        return false;
    }
    std::string pngError;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &pngError, onPngError, onPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "out of memory reading PNG";
        return false;
    }
    // Locals that must survive a longjmp are declared before setjmp.
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        error = "malformed PNG '" + path + "': " + pngError;
        return false;
    }
    png_init_io(png, file.get());
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, 65536, 65536);
    png_read_info(png, info);

    uint32_t width = png_get_image_width(png, info);
    uint32_t height = png_get_image_height(png, info);
    int colourType = png_get_color_type(png, info);
    int bitDepth = png_get_bit_depth(png, info);
    bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    out.isColour = (colourType & PNG_COLOR_MASK_COLOR) != 0;
    out.hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || hasTransparency;
    out.bitDepth = bitDepth == 16 ? 16 : 8;

    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (hasTransparency) png_set_tRNS_to_alpha(png);
    if (!(colourType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !hasTransparency)
        png_set_add_alpha(png, bitDepth == 16 ? 0xFFFF : 0xFF, PNG_FILLER_AFTER);
    if (bitDepth == 16) png_set_swap(png);  // PNG is big-endian; textures are little-endian
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    size_t rowBytes = png_get_rowbytes(png, info);
    size_t expected = size_t(width) * 4 * (out.bitDepth / 8);
    if (rowBytes != expected) png_error(png, "unexpected row layout");
    out.width = width;
    out.height = height;
    out.data.assign(rowBytes * height, 0);
    rows.resize(height);
    for (uint32_t y = 0; y < height; ++y) rows[y] = out.data.data() + rowBytes * y;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool writePng(const std::string& path, uint32_t width, uint32_t height, uint32_t bitDepth,
              const uint8_t* rgba, std::string& error) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "cannot open '" + path + "' for writing";
        return false;
    }
    std::string pngError;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &pngError, onPngError, onPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory writing PNG";
        return false;
    }
    std::vector<png_bytep> rows(height);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "cannot write PNG '" + path + "': " + pngError;
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, width, height, int(bitDepth), PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (bitDepth == 16) png_set_swap(png);
    size_t rowBytes = size_t(width) * 4 * (bitDepth / 8);
    for (uint32_t y = 0; y < height; ++y) rows[y] = const_cast<png_bytep>(rgba + rowBytes * y);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) {
        error = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

}  // namespace qeltex_cli
