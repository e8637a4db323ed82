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

// Block-compressed cases: each block one solid colour (both endpoints equal, 5- and 6-bit
// values at 0 or full scale, which every decoder reproduces exactly) and, for DXT5, its own
// alpha, so blocks or levels out of place show.
const uint16_t k565[6] = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, 0xFFE0};

Case blockCase(const std::string& name, EQelTPixelFormat format) {
    const bool dxt5 = format == ePF_DXT5;
    CQelTexture t(CQelTextureHeader(format, H, W, 1, dxt5 ? 3 : 1), nullptr);
    Bytes rgba(W * H * 4);
    uint8_t* p = t.getDataPtr(0, 0, 0);
    for (uint32_t n = 0; n < W * H / 16; ++n, p += dxt5 ? 16 : 8) {
        const uint16_t c = k565[n % 6];
        const uint8_t alpha = dxt5 ? uint8_t(200 + n) : 255;
        if (dxt5) p[0] = p[1] = alpha;  // alpha indices 0: alpha endpoint 0
        uint8_t* colour = p + (dxt5 ? 8 : 0);
        colour[0] = colour[2] = uint8_t(c);
        colour[1] = colour[3] = uint8_t(c >> 8);
        for (uint32_t i = 0; i < 16; ++i) {
            uint8_t* out = &rgba[((n / (W / 4) * 4 + i / 4) * W + n % (W / 4) * 4 + i % 4) * 4];
            out[0] = c & 0xF800 ? 255 : 0;
            out[1] = c & 0x07E0 ? 255 : 0;
            out[2] = c & 0x001F ? 255 : 0;
            out[3] = alpha;
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
    cases.push_back({"rgb8", build(pixelType("rgb", 8, 8, 8), T8, eCS_LinearRGB, 1, 1, 3,
                                   [&](uint32_t i, uint8_t* o) { o[0] = s[4 * i + 2]; o[1] = s[4 * i + 1]; o[2] = s[4 * i]; }),
                     opaque});
    auto rgba = [&](uint32_t i, uint8_t* o) { std::memcpy(o, s + 4 * i, 4); };
    cases.push_back({"rgba8srgb", build(pixelType("rgba", 8, 8, 8, 8), eVT_UnsignedByteNorm, eCS_sRGB, 3, 1, 4, rgba), src.pixels});
    cases.push_back({"l8", build(pixelType("l", 8), T8, eCS_LinearRGB, 1, 1, 1, [&](uint32_t i, uint8_t* o) { o[0] = s[4 * i]; }), grey});
    // 'a','l' 8,8 as a 16-bit word: luminance in the low byte.
    cases.push_back({"al8", build(pixelType("al", 8, 8), T8, eCS_LinearRGB, 1, 1, 2,
                                  [&](uint32_t i, uint8_t* o) { o[0] = s[4 * i]; o[1] = s[4 * i + 3]; }),
                     greyAlpha});
    cases.push_back(blockCase("dxt1", ePF_DXT1));
    cases.push_back(blockCase("dxt5mips", ePF_DXT5));

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
