// qeltex compare: PSNR and RMSE between two images or textures.
#include <cstdio>
#include <cstdlib>

#include "Commands.h"
#include "ImageCompare.h"
#include "TextureImages.h"

namespace qeltex_cli {

using namespace qeltexture;

int runCompare(const std::vector<std::string>& args) {
    const std::vector<OptionSpec> specs = {
        {"min-psnr", 0, OptionSpec::Value, "DB", "fail (exit 1) when the overall PSNR is below DB", "no limit"},
        {"level", 0, OptionSpec::Value, "N", "MIP level of texture inputs to compare", "0"},
        {"help", 'h', OptionSpec::Flag, "", "show this help", ""}};
    ParsedArgs parsed;
    std::string error;
    if (!parseArgs(args, specs, parsed, error)) return fail(error);
    if (parsed.has("help")) {
        std::fputs(formatHelp("qeltex compare A B [--min-psnr DB]",
                              "Prints PSNR and RMSE per channel and overall between two images (PNG or any "
                              "texture the library decodes). Overall covers RGB, and alpha when either image "
                              "has transparency. Both are compared at 16 bits when both are 16-bit, else at 8.",
                              specs).c_str(), stdout);
        return 0;
    }
    if (parsed.positional.size() != 2) return fail("compare needs two inputs A and B (see qeltex compare --help)");
    double minPsnr = 0;
    if (parsed.has("min-psnr")) {
        const std::string text = parsed.get("min-psnr");
        char* end = nullptr;
        minPsnr = std::strtod(text.c_str(), &end);
        if (text.empty() || *end) return fail("--min-psnr takes a number of decibels");
    }
    uint32_t level = uint32_t(std::strtoul(parsed.get("level", "0").c_str(), nullptr, 10));

    CQelTexture inputs[2], rgba[2];
    uint32_t depths[2];
    for (int i = 0; i < 2; ++i) {
        InputInfo info;
        if (!loadInput(parsed.positional[i], "", inputs[i], info, error)) return fail(error);
        depths[i] = pngDepthFor(inputs[i]);
    }
    uint32_t bitDepth = (depths[0] == 16 && depths[1] == 16) ? 16 : 8;
    for (int i = 0; i < 2; ++i)
        if (!decodeToRGBA(inputs[i], bitDepth, rgba[i], error)) return fail(error);
    if (rgba[0].getWidth(level) != rgba[1].getWidth(level) || rgba[0].getHeight(level) != rgba[1].getHeight(level) ||
        rgba[0].getDepth(level) != rgba[1].getDepth(level) || rgba[0].getWidth(level) == 0)
        return fail("the inputs differ in size at level " + std::to_string(level) + " (" +
                    std::to_string(rgba[0].getWidth(level)) + "x" + std::to_string(rgba[0].getHeight(level)) + " vs " +
                    std::to_string(rgba[1].getWidth(level)) + "x" + std::to_string(rgba[1].getHeight(level)) + ")");
    size_t pixels = size_t(rgba[0].getWidth(level)) * rgba[0].getHeight(level) * rgba[0].getDepth(level);
    ImageDifference d = compareImages(rgba[0].getDataPtr(level), rgba[1].getDataPtr(level), pixels, bitDepth);
    static const char* kNames[4] = {"R", "G", "B", "A"};
    std::printf("channel     PSNR (dB)      RMSE\n");
    for (int c = 0; c < 4; ++c) std::printf("%-7s %13.4f %9.4f\n", kNames[c], d.psnr[c], d.rmse[c]);
    std::printf("%-7s %13.4f %9.4f\n", d.alphaCounted ? "RGBA" : "RGB", d.psnrOverall, d.rmseOverall);
    if (parsed.has("min-psnr") && d.psnrOverall < minPsnr) {
        std::fprintf(stderr, "qeltex: PSNR %.4f dB is below the minimum %.4f dB\n", d.psnrOverall, minPsnr);
        return 1;
    }
    return 0;
}

}  // namespace qeltex_cli
