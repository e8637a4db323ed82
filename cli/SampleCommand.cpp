// qeltex sample: the built-in test image as a PNG.
#include <cstdio>

#include "Commands.h"
#include "OutputFile.h"
#include "PngIO.h"
#include "SampleImage.h"

namespace qeltex_cli {

int runSample(const std::vector<std::string>& args) {
    const std::vector<OptionSpec> specs = {
        {"output", 'o', OptionSpec::Value, "OUT.png", "where to write the image", ""},
        {"help", 'h', OptionSpec::Flag, "", "show this help", ""}};
    ParsedArgs parsed;
    std::string error;
    if (!parseArgs(args, specs, parsed, error)) return fail(error);
    if (parsed.has("help")) {
        std::fputs(formatHelp("qeltex sample -o OUT.png",
                              "Writes the built-in 256x256 RGBA test image: gradients, saturated patches, "
                              "fine detail, a soft and a hard alpha edge.", specs).c_str(), stdout);
        return 0;
    }
    if (!parsed.has("output") || !parsed.positional.empty())
        return fail("sample needs -o OUT.png and nothing else (see qeltex sample --help)");
    OutputFile out(parsed.get("output"));
    std::vector<uint8_t> image = makeSampleImage();
    if (!writePng(out.tempPath(), kSampleSize, kSampleSize, 8, image.data(), error) || !out.commit(error))
        return fail(error);
    return 0;
}

}  // namespace qeltex_cli
