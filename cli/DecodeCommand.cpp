// qeltex decode: PNG images of a texture's surfaces.
#include <cstdio>
#include <cstdlib>

#include "Commands.h"
#include "OutputFile.h"
#include "PngIO.h"
#include "TextureImages.h"

namespace qeltex_cli {

using namespace qeltexture;

namespace {
bool parseIndex(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = uint32_t(std::strtoul(text.c_str(), nullptr, 10));
    return true;
}

// One surface (all depth slices stacked vertically) of a standard RGBA texture.
bool writeSurface(const CQelTexture& rgba, uint32_t bitDepth, uint32_t level, uint32_t member, uint32_t face,
                  const std::string& path, std::string& error) {
    const uint8_t* data = rgba.getDataPtr(level, member, face);
    if (!data) {
        error = "the texture has no level " + std::to_string(level) + ", member " + std::to_string(member) +
                ", face " + std::to_string(face);
        return false;
    }
    OutputFile out(path);
    return writePng(out.tempPath(), rgba.getWidth(level), rgba.getHeight(level) * rgba.getDepth(level), bitDepth,
                    data, error) &&
           out.commit(error);
}

std::string surfacePath(const std::string& base, uint32_t level, uint32_t member, uint32_t face) {
    std::string stem = base.substr(0, extensionDot(base));
    return stem + "_level" + std::to_string(level) + "_member" + std::to_string(member) + "_face" +
           std::to_string(face) + ".png";
}
}  // namespace

int runDecode(const std::vector<std::string>& args) {
    const std::vector<OptionSpec> specs = {
        {"output", 'o', OptionSpec::Value, "OUT.png", "PNG to write; with --all the base name of the PNGs", ""},
        {"level", 0, OptionSpec::Value, "N", "MIP level to write", "0"},
        {"face", 0, OptionSpec::Value, "F", "cube face to write", "0"},
        {"member", 0, OptionSpec::Value, "M", "array member to write", "0"},
        {"all", 0, OptionSpec::Flag, "", "write every level, member and face as OUT_levelL_memberM_faceF.png", "off"},
        {"help", 'h', OptionSpec::Flag, "", "show this help", ""}};
    ParsedArgs parsed;
    std::string error;
    if (!parseArgs(args, specs, parsed, error)) return fail(error);
    if (parsed.has("help")) {
        std::fputs(formatHelp("qeltex decode FILE -o OUT.png [--level N --face F --member M | --all]",
                              "Decodes a texture and writes its surfaces as RGBA PNGs (16 bits per channel "
                              "when the texture has more than 8). Depth slices are stacked vertically.",
                              specs).c_str(), stdout);
        return 0;
    }
    if (parsed.positional.size() != 1 || !parsed.has("output"))
        return fail("decode needs FILE and -o OUT.png (see qeltex decode --help)");
    bool all = parsed.has("all");
    if (all && (parsed.has("level") || parsed.has("face") || parsed.has("member")))
        return fail("--all cannot be combined with --level, --face or --member");
    uint32_t level = 0, face = 0, member = 0;
    if (!parseIndex(parsed.get("level", "0"), level) || !parseIndex(parsed.get("face", "0"), face) ||
        !parseIndex(parsed.get("member", "0"), member))
        return fail("--level, --face and --member take non-negative numbers");

    CQelTexture tex;
    InputInfo info;
    if (!loadInput(parsed.positional[0], "", tex, info, error)) return fail(error);
    uint32_t depthBits = pngDepthFor(tex);
    CQelTexture rgba;
    if (!decodeToRGBA(tex, depthBits, rgba, error)) return fail(error);

    const std::string output = parsed.get("output");
    if (!all) return writeSurface(rgba, depthBits, level, member, face, output, error) ? 0 : fail(error);
    for (uint32_t m = 0; m < rgba.getNumArrayMembers(); ++m)
        for (uint32_t f = 0; f < rgba.getNumFaces(); ++f)
            for (uint32_t L = 0; L < rgba.getNumMIPLevels(); ++L) {
                std::string path = surfacePath(output, L, m, f);
                if (!writeSurface(rgba, depthBits, L, m, f, path, error)) return fail(error);
                std::printf("%s\n", path.c_str());
            }
    return 0;
}

}  // namespace qeltex_cli
