// qeltex convert: an image or texture in, a texture file out.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "Commands.h"
#include "FormatNames.h"
#include "ImageCompare.h"
#include "ImageOperations.h"
#include "ImageOps/MIPMaps.h"
#include "LevelTranscode.h"
#include "OutputFile.h"
#include "Progress.h"
#include "TextureImages.h"
#include "Transcode.h"

namespace qeltex_cli {

using namespace qeltexture;

namespace {
bool mipmapValueFits(const std::string& option, const std::string& value) {
    return option == "mipmaps" && (value == "full" || (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos));
}

std::string extensionOf(const std::string& path) {
    size_t dot = extensionDot(path);
    if (dot == std::string::npos) return "";
    std::string e = path.substr(dot + 1);
    for (char& c : e) c = char(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

// The identifier of a C header's array: the file name up to its first '.', made a valid
// C identifier (the library's own rule takes the path up to its first '.', which breaks on
// folders with dots in their names, so the tool names the array itself).
std::string arrayNameFor(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    name = name.substr(0, name.find('.'));
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) name = "texture_" + name;
    return name;
}

bool saveTexture(const CQelTexture& tex, const std::string& path, std::string& error) {
    std::string ext = extensionOf(path);
    if (ext != "qel" && ext != "ktx" && ext != "dds" && ext != "h") {
        error = "output '" + path + "' must end in .qel, .ktx, .dds or .h";
        return false;
    }
    OutputFile out(path);
    bool ok;
    if (ext == "h") {
        FILE* f = std::fopen(out.tempPath().c_str(), "wb");
        ok = f && tex.privateSaveCHeaderFile(f, CQelTString(arrayNameFor(path).c_str()));
        if (f && std::fclose(f) != 0) ok = false;
    } else {
        ok = tex.saveFile(CQelTString(out.tempPath().c_str()));
    }
    if (!ok) {
        error = "the library could not write " + pixelFormatName(tex.getPixelType()) + " (" +
                channelTypeName(tex.getChannelType()) + ") to a ." + ext + " file";
        return false;
    }
    return out.commit(error);
}

long fileSize(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    long n = std::ftell(f);
    std::fclose(f);
    return n;
}

// Standard RGBA layout for the image operations: keep 8 or 16 bits, floats stay float.
bool toStandardLayout(CQelTexture& tex, std::string& error) {
    if (isStandardPixelType(tex.getPixelType(), tex.getChannelType())) return true;
    bool ok;
    if (tex.getChannelType() == eVT_SignedFloat || tex.getChannelType() == eVT_UnsignedFloat)
        ok = Transcode(tex, QelStandard32PixelType, eVT_SignedFloat, tex.getColourSpace(), ECompressorQuality(0), false);
    else if (pngDepthFor(tex) == 16)
        ok = Transcode(tex, QelStandard16PixelType, eVT_UnsignedShortNorm, tex.getColourSpace(), ECompressorQuality(0), false);
    else
        ok = Transcode(tex, QelStandard8PixelType, eVT_UnsignedByteNorm, tex.getColourSpace(), ECompressorQuality(0), false);
    if (!ok) error = "the library cannot decode " + pixelFormatName(tex.getPixelType()) + " for image operations";
    return ok;
}
}  // namespace

int runConvert(const std::vector<std::string>& args) {
    const unsigned cores = std::thread::hardware_concurrency() ? std::thread::hardware_concurrency() : 1;
    std::vector<OptionSpec> specs = {
        {"output", 'o', OptionSpec::Value, "OUT", "output file; .qel, .ktx, .dds or .h picks the container", ""},
        {"format", 'f', OptionSpec::Value, "NAME",
         "target pixel format: " + compressedFormatNames() + ", or a packed layout such as r8g8b8a8, r5g6b5, l8, rgba16f, rgba32f",
         "keep the input's"},
        {"channel-type", 0, OptionSpec::Value, "TYPE", "channel type of the target: " + channelTypeNames(),
         "the format's natural type"},
        {"colour-space", 0, OptionSpec::Value, "SPACE", "srgb or linear: how the input's values are read and kept",
         "srgb for 8-bit colour PNGs, linear otherwise"},
        {"quality", 'q', OptionSpec::Value, "NAME",
         "encoder quality: fastest, fast, normal, high, best (QELTC) or etc-fast, etc-fast-perceptual, etc-slow, "
         "etc-slow-perceptual (ETC/EAC), or a number",
         "0"},
        {"dither", 0, OptionSpec::Flag, "", "error-diffusion dithering to the target's precision", "off"},
        {"mipmaps", 'm', OptionSpec::OptionalValue, "N|full", "build N MIP levels, or the full chain", "none; full when given alone"},
        {"threads", 'j', OptionSpec::Value, "N", "encoder threads; the bytes never depend on it",
         std::to_string(cores) + " (every core)"},
        {"quiet", 0, OptionSpec::Flag, "", "no progress or summary output", "off"},
        {"help", 'h', OptionSpec::Flag, "", "show this help", ""}};
    const std::vector<OptionSpec> operations = imageOperationOptions();
    specs.insert(specs.end() - 3, operations.begin(), operations.end());
    ParsedArgs parsed;
    std::string error;
    if (!parseArgs(args, specs, parsed, error, mipmapValueFits)) return fail(error);
    if (parsed.has("help")) {
        std::fputs(formatHelp("qeltex convert IN -o OUT [options]",
                              "Turns a PNG (8 or 16 bits; grey, grey+alpha, palette, RGB, RGBA) or any texture "
                              "file the library reads into a texture file. The image operations run in this order: "
                              "--flip-y, --flip, --rotate, --canvas, --border, --resize, --normal-map, --premultiply; "
                              "then --mipmaps, then encoding to --format.",
                              specs).c_str(), stdout);
        return 0;
    }
    if (parsed.positional.size() != 1 || !parsed.has("output"))
        return fail("convert needs one input and -o OUT (see qeltex convert --help)");
    const std::string input = parsed.positional[0], output = parsed.get("output");
    if (extensionOf(output).empty() || std::string("qel ktx dds h").find(extensionOf(output)) == std::string::npos)
        return fail("output '" + output + "' must end in .qel, .ktx, .dds or .h");

    // Validate every option before any work starts.
    PixelType targetFormat;
    EQelTVariableType targetType = eVT_UnsignedByteNorm;
    bool transcode = parsed.has("format");
    if (transcode && !parsePixelFormat(parsed.get("format"), targetFormat, targetType))
        return fail("unknown format '" + parsed.get("format") + "' (see qeltex convert --help for the names)");
    if (parsed.has("channel-type") && !parseChannelType(parsed.get("channel-type"), targetType))
        return fail("unknown channel type '" + parsed.get("channel-type") + "' (one of: " + channelTypeNames() + ")");
    uint32_t quality = 0;
    if (parsed.has("quality") && !parseQuality(parsed.get("quality"), quality))
        return fail("unknown quality '" + parsed.get("quality") + "' (see qeltex convert --help)");
    ImageOperations ops;
    if (!parseImageOperations(parsed, ops, error)) return fail(error);
    uint32_t mipLevels = 0;
    if (parsed.has("mipmaps")) {
        std::string v = parsed.get("mipmaps");
        mipLevels = (v.empty() || v == "full") ? 0xFFFFFFFFu : uint32_t(std::strtoul(v.c_str(), nullptr, 10));
        if (mipLevels == 0 || (mipLevels != 0xFFFFFFFFu && mipLevels > 32))
            return fail("--mipmaps takes a level count from 1 to 32, or full");
    }
    unsigned threads = cores;
    if (parsed.has("threads")) {
        long n = std::strtol(parsed.get("threads").c_str(), nullptr, 10);
        if (n < 1 || n > 128) return fail("--threads takes a number from 1 to 128");
        threads = unsigned(n);
    }

    Progress progress(parsed.has("quiet"));
    CQelTexture tex;
    InputInfo info;
    progress.stage("loading " + input);
    if (!loadInput(input, parsed.get("colour-space"), tex, info, error)) return fail(error);

    if ((ops.any() || parsed.has("mipmaps")) && !toStandardLayout(tex, error)) return fail(error);
    if (!applyImageOperations(tex, ops, progress, error)) return fail(error);
    if (parsed.has("mipmaps")) {
        progress.stage("building MIP levels (" + ops.filterName + ")");
        if (!GenerateMIPMaps(tex, ops.filter, mipLevels)) return fail("the library could not build MIP levels");
    }
    CQelTexture reference;  // the pixels before encoding, for the summary's PSNR
    if (transcode) {
        if (!parsed.has("quiet")) reference = tex;
        progress.stage("encoding " + pixelFormatName(targetFormat) + " on " + std::to_string(threads) + " thread(s)");
        if (!transcodeByLevel(tex, targetFormat, targetType, tex.getColourSpace(), ECompressorQuality(quality),
                              parsed.has("dither"), threads, progress))
            return fail("the library refused to transcode to " + pixelFormatName(targetFormat) + " (" +
                        channelTypeName(targetType) + "): no encoder for it at this quality, or an unusable layout");
    }
    progress.stage("writing " + output);
    if (!saveTexture(tex, output, error)) return fail(error);

    if (!parsed.has("quiet")) {
        std::string psnrText;
        if (transcode) {
            CQelTexture a, b;
            std::string ignored;
            if (decodeToRGBA(reference, 8, a, ignored) && decodeToRGBA(tex, 8, b, ignored)) {
                size_t pixels = size_t(a.getWidth()) * a.getHeight() * a.getDepth();
                // Only the channels the target stores: decoding gives constants for the
                // others, which says nothing about the encoder.
                ImageDifference d = compareImages(a.getDataPtr(), b.getDataPtr(), pixels, 8,
                                                  formatChannelMask(tex.getPixelType()));
                char buf[64];
                std::snprintf(buf, sizeof buf, ", PSNR %.2f dB", d.psnrOverall);
                psnrText = buf;
            }
        }
        std::printf("%s: %s %ux%u, %u level(s), %ld bytes, %.1f ms%s\n", output.c_str(),
                    pixelFormatName(tex.getPixelType()).c_str(), tex.getWidth(), tex.getHeight(), tex.getNumMIPLevels(),
                    fileSize(output), progress.elapsedMs(), psnrText.c_str());
    }
    return 0;
}

}  // namespace qeltex_cli
