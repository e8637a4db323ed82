// qeltex info: what a texture file holds, as text or JSON.
#include <algorithm>
#include <cstdio>
#include <sstream>

#include "Commands.h"
#include "FormatNames.h"
#include "Json.h"
#include "Texture.h"

namespace qeltex_cli {

using namespace qeltexture;

namespace {
std::string containerOf(const std::string& path) {
    unsigned char magic[12] = {0};
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return "unreadable";
    size_t n = std::fread(magic, 1, sizeof magic, f);
    std::fclose(f);
    static const unsigned char kKTX[12] = {0xAB, 'K', 'T', 'X', ' ', '1', '1', 0xBB, '\r', '\n', 0x1A, '\n'};
    if (n == 12 && std::equal(magic, magic + 12, kKTX)) return "KTX 1.1";
    if (n >= 4 && magic[0] == 'D' && magic[1] == 'D' && magic[2] == 'S' && magic[3] == ' ') return "DDS";
    if (n >= 4 && magic[0] == 'Q' && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 3) return "QEL version 3";
    if (n >= 4 && magic[0] == 44 && !magic[1] && !magic[2] && !magic[3]) return "QEL version 1";
    if (n >= 4 && magic[0] == 52 && !magic[1] && !magic[2] && !magic[3]) return "QEL version 2";
    return "unknown";
}

std::string fourCCText(uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        unsigned char c = (v >> (8 * i)) & 0xFF;
        if (c >= 32 && c < 127) s += char(c);
        else s += "\\" + std::to_string(c);
    }
    return s;
}

std::string keyMeaning(uint32_t fourCC, uint32_t key) {
    if (fourCC != QEL_FOURCC) return "";
    static const char* kNames[] = {"texture atlas", "bump map", "cube map order", "orientation", "border", "padding"};
    return key < 6 ? kNames[key] : "";
}

std::string hexBytes(const MetaDataBlock& b, size_t max) {
    std::string s;
    char buf[4];
    for (size_t i = 0; i < b.u32DataSize && i < max; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", b.Data[i]);
        s += (i ? " " : "") + std::string(buf);
    }
    if (b.u32DataSize > max) s += " ...";
    return s;
}

template <typename Fn>
void forEachBlock(const CQelTexture& tex, Fn&& fn) {
    const MetaDataMap* map = tex.getMetaDataMap();
    for (uint32_t i = 0; i < map->GetSize(); ++i)
        for (uint32_t j = 0; j < map->GetValue(i).GetSize(); ++j) fn(map->GetValue(i).GetValue(j));
}
}  // namespace

int runInfo(const std::vector<std::string>& args) {
    const std::vector<OptionSpec> specs = {
        {"json", 0, OptionSpec::Flag, "", "print JSON instead of text", "text"},
        {"help", 'h', OptionSpec::Flag, "", "show this help", ""}};
    ParsedArgs parsed;
    std::string error;
    if (!parseArgs(args, specs, parsed, error)) return fail(error);
    if (parsed.has("help")) {
        std::fputs(formatHelp("qeltex info FILE [--json]",
                              "Shows a texture file's container, format, shape, per-level sizes and metadata.",
                              specs).c_str(), stdout);
        return 0;
    }
    if (parsed.positional.size() != 1) return fail("info needs exactly one FILE (see qeltex info --help)");
    const std::string& path = parsed.positional[0];
    std::string container = containerOf(path);
    if (container == "unreadable") return fail("cannot open '" + path + "'");
    CQelTexture tex(path.c_str());
    if (tex.getDataBlockSize() == 0)
        return fail("'" + path + "' is not a texture file this library can read (container: " + container + ")");

    std::ostringstream o;
    const bool json = parsed.has("json");
    const std::string format = pixelFormatName(tex.getPixelType());
    if (json) {
        o << "{\n  \"file\": " << jsonString(path) << ",\n  \"container\": " << jsonString(container)
          << ",\n  \"pixel_format\": " << jsonString(format) << ",\n  \"pixel_format_value\": "
          << tex.getPixelType().PixelTypeID << ",\n  \"channel_type\": " << jsonString(channelTypeName(tex.getChannelType()))
          << ",\n  \"colour_space\": " << jsonString(colourSpaceName(tex.getColourSpace()))
          << ",\n  \"width\": " << tex.getWidth() << ",\n  \"height\": " << tex.getHeight()
          << ",\n  \"depth\": " << tex.getDepth() << ",\n  \"mip_levels\": " << tex.getNumMIPLevels()
          << ",\n  \"array_members\": " << tex.getNumArrayMembers() << ",\n  \"faces\": " << tex.getNumFaces()
          << ",\n  \"premultiplied\": " << (tex.isPreMultiplied() ? "true" : "false")
          << ",\n  \"data_size\": " << tex.getDataSize() << ",\n  \"levels\": [";
        for (uint32_t L = 0; L < tex.getNumMIPLevels(); ++L)
            o << (L ? ", " : "") << "\n    {\"level\": " << L << ", \"width\": " << tex.getWidth(L)
              << ", \"height\": " << tex.getHeight(L) << ", \"depth\": " << tex.getDepth(L)
              << ", \"bytes\": " << tex.getDataSize(int32_t(L)) << "}";
        o << "\n  ],\n  \"metadata\": [";
        bool first = true;
        forEachBlock(tex, [&](const MetaDataBlock& b) {
            o << (first ? "" : ", ") << "\n    {\"fourcc\": " << b.DevFOURCC << ", \"fourcc_text\": "
              << jsonString(fourCCText(b.DevFOURCC)) << ", \"key\": " << b.u32Key << ", \"meaning\": "
              << jsonString(keyMeaning(b.DevFOURCC, b.u32Key)) << ", \"size\": " << b.u32DataSize
              << ", \"data_hex\": " << jsonString(hexBytes(b, 4096)) << "}";
            first = false;
        });
        o << "\n  ]\n}\n";
    } else {
        o << "file:           " << path << "\ncontainer:      " << container << "\npixel format:   " << format
          << "\nchannel type:   " << channelTypeName(tex.getChannelType())
          << "\ncolour space:   " << colourSpaceName(tex.getColourSpace()) << "\nsize:           "
          << tex.getWidth() << " x " << tex.getHeight() << " x " << tex.getDepth()
          << "\nMIP levels:     " << tex.getNumMIPLevels() << "\narray members:  " << tex.getNumArrayMembers()
          << "\nfaces:          " << tex.getNumFaces() << "\npremultiplied:  " << (tex.isPreMultiplied() ? "yes" : "no")
          << "\ndata size:      " << tex.getDataSize() << " bytes\n";
        for (uint32_t L = 0; L < tex.getNumMIPLevels(); ++L)
            o << "  level " << L << ": " << tex.getWidth(L) << " x " << tex.getHeight(L) << " x "
              << tex.getDepth(L) << ", " << tex.getDataSize(int32_t(L)) << " bytes\n";
        o << "metadata:       " << tex.getMetaDataSize() << " bytes\n";
        forEachBlock(tex, [&](const MetaDataBlock& b) {
            std::string meaning = keyMeaning(b.DevFOURCC, b.u32Key);
            o << "  FourCC 0x" << std::hex << b.DevFOURCC << std::dec << " (" << fourCCText(b.DevFOURCC)
              << ") key " << b.u32Key << (meaning.empty() ? "" : " (" + meaning + ")") << ", "
              << b.u32DataSize << " bytes: " << hexBytes(b, 64) << "\n";
        });
    }
    std::fputs(o.str().c_str(), stdout);
    return 0;
}

}  // namespace qeltex_cli
