// qeltex: GPU textures from the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Commands.h"

namespace qeltex_cli {

int fail(const std::string& message) {
    std::fprintf(stderr, "qeltex: error: %s\n", message.c_str());
    return 1;
}

}  // namespace qeltex_cli

namespace {
const char* kUsage =
    "usage: qeltex COMMAND [options]\n\n"
    "commands:\n"
    "  convert IN -o OUT   turn a PNG or texture file into a texture file (.qel, .ktx, .dds, .h)\n"
    "  info FILE           show what a texture file holds (--json for JSON)\n"
    "  decode FILE -o PNG  write the images of a texture as PNG files\n"
    "  compare A B         PSNR and RMSE between two images or textures\n"
    "  sample -o PNG       write the built-in test image\n\n"
    "Run 'qeltex COMMAND --help' for the options of a command.\n";
}  // namespace

int main(int argc, char** argv) {
    using namespace qeltex_cli;
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "convert") return runConvert(args);
    if (command == "info") return runInfo(args);
    if (command == "decode") return runDecode(args);
    if (command == "compare") return runCompare(args);
    if (command == "sample") return runSample(args);
    return fail("unknown command '" + command + "' (run 'qeltex --help' for the list)");
}
