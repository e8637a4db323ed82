// DDS files written by the library, opened by an independent reader (Pillow): every layout
// that reader understands must decode to exactly the pixels the texture holds.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TestFiles.h"
#include "TestImages.h"

using namespace qeltexture;
using namespace qeltest;

namespace {

constexpr uint32_t W = 16, H = 8;  // not square, so swapped dimensions show

std::string pythonWithPillow() {
    for (const char* candidate : {"python3", "/usr/bin/python3"}) {
        const std::string cmd = std::string(candidate) + " -c 'import PIL' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) == 0) return candidate;
    }
    return "";
}

// 8-bit RGBA source: a real photograph when the test data is present, else a pattern.
qeltest::RGBAImage sourceImage() {
    qeltest::RGBAImage img;
    if (qeltest::loadTestImage("rose.png", img)) return qeltest::tileTo(img, W, H);
    img.width = W;
    img.height = H;
    for (uint32_t i = 0; i < W * H * 4; ++i) img.pixels.push_back(uint8_t(i * 37 + i / 7));
    return img;
}

struct Case {
    std::string name;
    CQelTexture texture;
    Bytes expected;  // RGBA of level 0, face 0, as the reader should return it
};

// A texture whose level-0 face-0 bytes are produced by `pixel(index, out)`.
template <typename Fn>
CQelTexture build(uint64_t format, EQelTVariableType type, EQelTColourSpace cs, uint32_t mips,
                  uint32_t faces, size_t bytesPerPixel, Fn pixel) {
    CQelTexture t(CQelTextureHeader(format, H, W, 1, mips, 1, faces, cs, type), nullptr);
    uint8_t* p = t.getDataPtr(0, 0, 0);
    for (uint32_t i = 0; i < W * H; ++i) pixel(i, p + i * bytesPerPixel);
    return t;
}

// Block-compressed cases use colours every decoder reproduces exactly: 5- and 6-bit
// endpoints at 0 or full scale, and only the two endpoint indices.
struct Colour565 { uint16_t v; uint8_t r, g, b; };
const Colour565 kColours[] = {{0xF800, 255, 0, 0}, {0x07E0, 0, 255, 0}, {0x001F, 0, 0, 255},
                              {0xFFFF, 255, 255, 255}, {0x0000, 0, 0, 0}, {0xFFE0, 255, 255, 0}};

void put16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }

// Fills a DXT1/3/5 level: per block a colour pair and per pixel index 0 or 1 (and, for
// DXT1 blocks in three-colour mode, index 3 = transparent black).
Case blockCase(const std::string& name, EQelTPixelFormat format, EQelTVariableType type) {
    CQelTexture t(CQelTextureHeader(format, H, W, 1, format == ePF_DXT5 ? 3 : 1, 1, 1, eCS_LinearRGB, type),
                  nullptr);
    Bytes rgba(W * H * 4);
    const size_t blockBytes = format == ePF_DXT1 ? 8 : 16;
    uint8_t* p = t.getDataPtr(0, 0, 0);
    for (uint32_t by = 0, n = 0; by < H / 4; ++by) {
        for (uint32_t bx = 0; bx < W / 4; ++bx, ++n, p += blockBytes) {
            // The first DXT1 block runs in three-colour mode (c0 <= c1) to exercise index 3.
            const bool threeColour = format == ePF_DXT1 && n == 0;
            const Colour565& c0 = threeColour ? kColours[4] : kColours[n % 3];
            const Colour565& c1 = threeColour ? kColours[3] : kColours[3 + n % 3];
            const uint8_t a0 = uint8_t(200 + n), a1 = uint8_t(17 * n);
            uint8_t* colour = p + blockBytes - 8;
            put16(colour, c0.v);
            put16(colour + 2, c1.v);
            uint64_t colourBits = 0, alphaBits = 0;
            for (uint32_t i = 0; i < 16; ++i) {
                const uint32_t index = threeColour && i % 5 == 0 ? 3 : (i * 7 + n) % 3 == 0;
                colourBits |= uint64_t(index) << (2 * i);
                const uint32_t alphaIndex = (i + n) % 2;  // 0: a0 / 0xF, 1: a1 / 0x0
                uint8_t* out = &rgba[((by * 4 + i / 4) * W + bx * 4 + i % 4) * 4];
                const Colour565& c = index == 0 ? c0 : c1;
                out[0] = c.r; out[1] = c.g; out[2] = c.b; out[3] = 255;
                if (index == 3) out[0] = out[1] = out[2] = out[3] = 0;
                if (format == ePF_DXT3) {
                    alphaBits |= uint64_t(alphaIndex ? 0x0 : 0xF) << (4 * i);
                    out[3] = alphaIndex ? 0 : 255;
                } else if (format == ePF_DXT5) {
                    alphaBits |= uint64_t(alphaIndex) << (3 * i);
                    out[3] = alphaIndex ? a1 : a0;
                }
            }
            for (int k = 0; k < 4; ++k) colour[4 + k] = uint8_t(colourBits >> (8 * k));
            if (format == ePF_DXT3) {
                for (int k = 0; k < 8; ++k) p[k] = uint8_t(alphaBits >> (8 * k));
            } else if (format == ePF_DXT5) {
                p[0] = a0;
                p[1] = a1;
                for (int k = 0; k < 6; ++k) p[2 + k] = uint8_t(alphaBits >> (8 * k));
            }
        }
    }
    return {name, std::move(t), rgba};
}

// Decodes each file given and writes its size and RGBA pixels beside it.
const char kScript[] =
    "import sys\nfrom PIL import Image\n"
    "for p in sys.argv[1:]:\n"
    "    im = Image.open(p)\n"
    "    im.load()\n"
    "    open(p + '.size', 'w').write('%dx%d' % im.size)\n"
    "    open(p + '.rgba', 'wb').write(im.convert('RGBA').tobytes())\n";

}  // namespace

TEST(DDSPillow, LibraryWrittenFilesDecodeToTheSamePixels) {
    const std::string python = pythonWithPillow();
    if (python.empty()) GTEST_SKIP() << "python3 with PIL not available";
    ScratchDir dir;

    const qeltest::RGBAImage src = sourceImage();
    const uint8_t* s = src.pixels.data();
    Bytes opaque(src.pixels), grey(W * H * 4), greyAlpha(W * H * 4);
    for (uint32_t i = 0; i < W * H; ++i) {
        opaque[4 * i + 3] = 255;
        for (int c = 0; c < 3; ++c) grey[4 * i + c] = greyAlpha[4 * i + c] = s[4 * i];
        grey[4 * i + 3] = 255;
        greyAlpha[4 * i + 3] = s[4 * i + 3];
    }
    const auto T8 = eVT_UnsignedIntegerNorm;
    std::vector<Case> cases;
    // 'a','r','g','b' 8,8,8,8 read as 32-bit words: alpha in the top byte, blue in the lowest.
    auto argb = [&](uint32_t i, uint8_t* o) { o[0] = s[4 * i + 2]; o[1] = s[4 * i + 1]; o[2] = s[4 * i]; o[3] = s[4 * i + 3]; };
    cases.push_back({"argb8", build(pixelType("argb", 8, 8, 8, 8), T8, eCS_LinearRGB, 1, 1, 4, argb), src.pixels});
    cases.push_back({"argb8cube", build(pixelType("argb", 8, 8, 8, 8), T8, eCS_LinearRGB, 2, 6, 4, argb), src.pixels});
    cases.push_back({"rgb8", build(pixelType("rgb", 8, 8, 8), T8, eCS_LinearRGB, 1, 1, 3,
                                   [&](uint32_t i, uint8_t* o) { o[0] = s[4 * i + 2]; o[1] = s[4 * i + 1]; o[2] = s[4 * i]; }),
                     opaque});
    auto rgba = [&](uint32_t i, uint8_t* o) { std::memcpy(o, s + 4 * i, 4); };
    cases.push_back({"rgba8", build(pixelType("rgba", 8, 8, 8, 8), eVT_UnsignedByteNorm, eCS_LinearRGB, 1, 1, 4, rgba), src.pixels});
    cases.push_back({"rgba8srgb", build(pixelType("rgba", 8, 8, 8, 8), eVT_UnsignedByteNorm, eCS_sRGB, 3, 1, 4, rgba), src.pixels});
    cases.push_back({"l8", build(pixelType("l", 8), T8, eCS_LinearRGB, 1, 1, 1, [&](uint32_t i, uint8_t* o) { o[0] = s[4 * i]; }), grey});
    // 'a','l' 8,8 as a 16-bit word: luminance in the low byte.
    cases.push_back({"al8", build(pixelType("al", 8, 8), T8, eCS_LinearRGB, 1, 1, 2,
                                  [&](uint32_t i, uint8_t* o) { o[0] = s[4 * i]; o[1] = s[4 * i + 3]; }),
                     greyAlpha});
    cases.push_back(blockCase("dxt1", ePF_DXT1, eVT_UnsignedByteNorm));
    cases.push_back(blockCase("dxt3", ePF_DXT3, eVT_UnsignedByteNorm));
    cases.push_back(blockCase("dxt5mips", ePF_DXT5, eVT_UnsignedByteNorm));

    std::string files;
    for (const Case& c : cases) {
        const std::string path = writeFile(dir.path(c.name + ".dds"), saveWith(&CQelTexture::privateSaveDDSFile, c.texture));
        files += " '" + path + "'";
    }
    const std::string script = writeFile(dir.path("decode.py"), Bytes(kScript, kScript + sizeof kScript - 1));
    const std::string cmd = python + " '" + script + "'" + files + " 2>'" + dir.path("err.txt") + "'";
    const int rc = std::system(cmd.c_str());
    const Bytes errors = readFile(dir.path("err.txt"));
    EXPECT_EQ(rc, 0) << std::string(errors.begin(), errors.end());

    for (const Case& c : cases) {
        const Bytes size = readFile(dir.path(c.name + ".dds.size")), got = readFile(dir.path(c.name + ".dds.rgba"));
        EXPECT_EQ(std::string(size.begin(), size.end()), "16x8") << c.name;
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        const size_t firstDiff = size_t(std::mismatch(got.begin(), got.end(), c.expected.begin()).first - got.begin());
        EXPECT_EQ(firstDiff, got.size()) << c.name << ": first differing byte " << firstDiff;
    }
}
