// C header export: the exact text, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Texture.h"

using namespace qeltexture;

namespace {
std::string exportText(const CQelTexture& tex, const char* name) {
    FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    EXPECT_TRUE(tex.privateSaveCHeaderFile(f, CQelTString(name)));
    std::string text;
    std::rewind(f);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

std::string bytesAsElements(const uint8_t* p, size_t n, size_t perLine) {
    std::string s;
    char e[8];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(e, sizeof e, "0x%02x,", p[i]);
        s += e;
        if ((i + 1) % perLine == 0) s += '\n';
    }
    return s;
}

const char* kBanner =
    "/********************************************************** \n"
    " * QelTexLib\n"
    " **********************************************************/\n\n"
    "#ifndef A8BIT \n"
    " #define A8BIT static const unsigned char\n"
    "#endif\n\n";
}  // namespace

TEST(CHeaderExport, LayoutWithoutMetadataAndLineBreaks) {
    std::vector<uint8_t> pixels(64);
    for (size_t i = 0; i < 64; ++i) pixels[i] = uint8_t(i * 3);
    CQelTexture tex(CQelTextureHeader(QelStandard8PixelType.PixelTypeID, 4, 4), pixels.data());
    std::string text = exportText(tex, "tex");

    QelTextureHeaderV3 record = tex.getFileHeader();
    std::string expected = std::string(kBanner) + "A8BIT tex[] = {\n\n/* Header */\n" +
                           bytesAsElements(reinterpret_cast<const uint8_t*>(&record), 52, 4) +
                           "\n/* Data */\n" + bytesAsElements(pixels.data(), 64, 32) + "};\n";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(text.find("Meta Data"), std::string::npos);
    // The record opens with the version word, low byte first.
    EXPECT_NE(text.find("/* Header */\n0x51,0x45,0x4c,0x03,\n"), std::string::npos);

    // 33 bytes: the 33rd element sits on the second line, directly before the brace.
    CQelTexture odd(CQelTextureHeader(PixelType('r', 0, 0, 0, 8, 0, 0, 0).PixelTypeID, 1, 33));
    std::string oddText = exportText(odd, "odd");
    EXPECT_NE(oddText.find("0x00,\n0x00,};\n"), std::string::npos);
}

TEST(CHeaderExport, MetadataBlocksAndEmptyTexture) {
    CQelTextureHeader header(QelStandard8PixelType.PixelTypeID, 1, 1);
    header.setBorder(1, 2, 3);
    CQelTexture tex(header);
    std::string text = exportText(tex, "bordered");
    EXPECT_NE(text.find("\n/* Meta Data */\n"
                        "0x51,0x45,0x4c,0x03,\n0x04,0x00,0x00,0x00,\n0x0c,0x00,0x00,0x00,\n"
                        "0x01,0x00,0x00,0x00,0x02,0x00,0x00,0x00,0x03,0x00,0x00,0x00,\n"
                        "\n/* Data */\n"),
              std::string::npos)
        << text;

    // An empty texture still writes banner, header lines and the closing brace.
    CQelTexture empty;
    std::string emptyText = exportText(empty, "nothing");
    EXPECT_EQ(emptyText.rfind("\n/* Data */\n};\n"), emptyText.size() - 15);
    EXPECT_EQ(emptyText.compare(0, std::string(kBanner).size(), kBanner), 0);
}
