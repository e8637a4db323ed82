// The qeltex tool end to end: real processes, real files, exit codes and messages.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestImages.h"
#include "ImageOps/MIPMaps.h"
#include "Texture.h"
#include "Transcode.h"

namespace fs = std::filesystem;
using namespace qeltexture;

namespace {
struct CliRun { int status; std::string out; };  // out: stdout and stderr together
struct BadCase { std::string args, expect; };

CliRun run(const std::string& args) {
    std::string cmd = std::string(QELTEX_CLI_PATH) + " " + args + " 2>&1";
    CliRun r{-1, ""};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qeltex-cli-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    // Nothing but the listed files: no temporary or partial output left behind.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir;
};
}  // namespace

TEST_F(Cli, LosslessRoundTripsThroughEveryContainer) {
    ASSERT_EQ(run("sample -o " + path("sample.png")).status, 0);
    qeltest::RGBAImage original;
    ASSERT_TRUE(qeltest::readPngRGBA8(path("sample.png"), original));
    EXPECT_EQ(original.width, 256u);

    for (const char* ext : {"qel", "ktx", "dds"}) {
        std::string tex = path(std::string("sample.") + ext), png = path(std::string("back-") + ext + ".png");
        CliRun c = run("convert " + path("sample.png") + " -o " + tex + " -f r8g8b8a8 --quiet");
        ASSERT_EQ(c.status, 0) << ext << ": " << c.out;
        CliRun d = run("decode " + tex + " -o " + png);
        ASSERT_EQ(d.status, 0) << ext << ": " << d.out;
        qeltest::RGBAImage back;
        ASSERT_TRUE(qeltest::readPngRGBA8(png, back)) << ext;
        EXPECT_EQ(back.pixels, original.pixels) << ext;
        CliRun cmp = run("compare " + path("sample.png") + " " + tex + " --min-psnr 99");
        EXPECT_NE(cmp.out.find("inf"), std::string::npos) << cmp.out;
    }

    // A MIP chain (info lists its levels: see the JSON test): --all writes one PNG per level.
    ASSERT_EQ(run("convert " + path("sample.png") + " -o " + path("mips.qel") + " --mipmaps --quiet").status, 0);
    CliRun all = run("decode " + path("mips.qel") + " -o " + path("lv.png") + " --all");
    EXPECT_EQ(all.status, 0) << all.out;
    qeltest::RGBAImage level8;
    ASSERT_TRUE(qeltest::readPngRGBA8(path("lv_level8_member0_face0.png"), level8));
    EXPECT_EQ(level8.width * level8.height, 1u);
}

TEST_F(Cli, SixteenBitInputKeepsSixteenBits) {
    // A 16-bit RGBA texture whose low bytes matter, decoded to PNG and converted back.
    const uint32_t w = 5, h = 3;
    std::vector<uint16_t> pixels(w * h * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint16_t(i * 4099 + 7);
    CQelTexture tex(CQelTextureHeader(QelStandard16PixelType.PixelTypeID, h, w, 1, 1, 1, 1, eCS_LinearRGB,
                                      eVT_UnsignedShortNorm),
                    pixels.data());
    ASSERT_TRUE(tex.saveFile(CQelTString(path("wide.qel").c_str())));
    ASSERT_EQ(run("decode " + path("wide.qel") + " -o " + path("wide.png")).status, 0);
    CliRun c = run("convert " + path("wide.png") + " -o " + path("again.qel") + " --quiet");
    ASSERT_EQ(c.status, 0) << c.out;
    CQelTexture back(path("again.qel").c_str());
    EXPECT_EQ(back.getPixelType(), QelStandard16PixelType);
    EXPECT_EQ(back.getColourSpace(), eCS_LinearRGB);  // 16-bit PNGs default to linear
    ASSERT_EQ(back.getDataBlockSize(), pixels.size() * 2);
    EXPECT_EQ(std::memcmp(back.getDataPtr(), pixels.data(), pixels.size() * 2), 0);
}

TEST_F(Cli, BadInputFailsClearlyAndLeavesNoFile) {
    ASSERT_EQ(run("sample -o " + path("s.png")).status, 0);
    const BadCase cases[] = {
        {"convert " + path("s.png") + " -o " + path("o.qel") + " --bogus", "unknown option '--bogus'"},
        {"convert " + path("missing.png") + " -o " + path("o.qel"), "cannot open input"},
        {"convert " + path("s.png") + " -o " + path("o.qel") + " -f NOPE", "unknown format 'NOPE'"},
        {"convert " + path("s.png") + " -o " + path("o.qel") + " -f DXT1", "refused to transcode to DXT1"},
        {"convert " + path("s.png") + " -o " + path("o.png"), "must end in .qel, .ktx, .dds or .h"},
        {"convert " + path("bad.png") + " -o " + path("o.qel"), "malformed PNG"},
        {"info " + path("s.png"), "not a texture file"},
        {"frobnicate", "unknown command"},
    };
    {
        std::ofstream bad(path("bad.png"), std::ios::binary);  // a PNG signature, then garbage
        bad << "\x89PNG\r\n\x1a\n" << std::string(40, 'x');
    }
    for (const BadCase& c : cases) {
        CliRun r = run(c.args);
        EXPECT_NE(r.status, 0) << c.args;
        EXPECT_NE(r.out.find(c.expect), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"bad.png", "s.png"}));
}

TEST_F(Cli, JsonInfoParses) {
    ASSERT_EQ(run("sample -o " + path("s.png")).status, 0);
    ASSERT_EQ(run("convert " + path("s.png") + " -o " + path("s.ktx") + " --flip-y --mipmaps 3 --quiet").status, 0);
    CliRun info = run("info --json " + path("s.ktx"));
    ASSERT_EQ(info.status, 0) << info.out;
    EXPECT_NE(info.out.find("\"mip_levels\": 3"), std::string::npos) << info.out;
    if (std::system("python3 -c 'import json' >/dev/null 2>&1") == 0) {
        std::ofstream(path("info.json")) << info.out;
        std::string check = "python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); "
                            "sys.exit(0 if d[\"levels\"][2][\"width\"]==64 else 1)' " + path("info.json");
        EXPECT_EQ(std::system(check.c_str()), 0) << info.out;
    }
}

TEST_F(Cli, GeometryAndNormalMapOptions) {
    ASSERT_EQ(run("sample -o " + path("s.png")).status, 0);
    ASSERT_EQ(run("convert " + path("s.png") + " -o " + path("wide.qel") + " --canvas 256x128 --quiet").status, 0);
    // A quarter turn swaps the sizes; a y flip records the y-up orientation and a second one
    // clears it.
    ASSERT_EQ(run("convert " + path("wide.qel") + " -o " + path("turn.qel") + " --rotate -90 --quiet").status, 0);
    CQelTexture wide(path("wide.qel").c_str()), turned(path("turn.qel").c_str());
    EXPECT_EQ(turned.getWidth() * 1000 + turned.getHeight(), 128256u);
    ASSERT_EQ(run("convert " + path("wide.qel") + " -o " + path("f1.qel") + " --flip y --quiet").status, 0);
    ASSERT_EQ(run("convert " + path("f1.qel") + " -o " + path("f2.qel") + " --flip y --quiet").status, 0);
    CQelTexture f1(path("f1.qel").c_str()), f2(path("f2.qel").c_str());
    EXPECT_EQ(f1.getOrientation(eAxisY), eOrientUp);
    EXPECT_EQ(f2.getOrientation(eAxisY), 0u);
    EXPECT_EQ(std::memcmp(f2.getDataPtr(), wide.getDataPtr(), wide.getDataBlockSize()), 0);

    // Canvas with offsets, then a border: sizes and the recorded border widths.
    CliRun c = run("convert " + path("s.png") + " -o " + path("c.qel") + " --canvas 300x280+10+-5 --border 4,2 --quiet");
    ASSERT_EQ(c.status, 0) << c.out;
    CQelTexture framed(path("c.qel").c_str());
    EXPECT_EQ(framed.getWidth() * 1000 + framed.getHeight(), 308284u);
    uint32_t bx, by, bz;
    framed.getBorder(bx, by, bz);
    EXPECT_EQ(bx * 100 + by * 10 + bz, 420u);

    // A normal map is a float texture with the bump-map record.
    ASSERT_EQ(run("convert " + path("s.png") + " -o " + path("n.qel") + " --normal-map 2.5 --normal-order xyzh --quiet").status, 0);
    CQelTexture normals(path("n.qel").c_str());
    EXPECT_EQ(normals.getPixelType(), QelStandard32PixelType);
    EXPECT_FLOAT_EQ(normals.getBumpMapScale(), 2.5f);
    EXPECT_EQ(normals.getBumpMapOrder(), "xyzh");

    const std::string base = "convert " + path("s.png") + " -o " + path("bad.qel");
    const BadCase cases[] = {
        {" --rotate 45", "--rotate takes 90 or -90"},
        {" --canvas 3x", "--canvas takes"},
        {" --normal-order xyz", "only applies to --normal-map"},
    };
    for (const BadCase& bad : cases) {
        CliRun r = run(base + bad.args);
        EXPECT_NE(r.status, 0) << bad.args;
        EXPECT_NE(r.out.find(bad.expect), std::string::npos) << bad.args << "\n" << r.out;
    }
    EXPECT_FALSE(fs::exists(path("bad.qel")));
}

TEST_F(Cli, LevelByLevelEncodingMatchesTheLibrary) {
    ASSERT_EQ(run("sample -o " + path("s.png")).status, 0);
    CliRun c = run("convert " + path("s.png") + " -o " + path("e.qel") + " -f QELTCII_4bpp --mipmaps --quiet -j 2");
    ASSERT_EQ(c.status, 0) << c.out;
    qeltest::RGBAImage img;
    ASSERT_TRUE(qeltest::readPngRGBA8(path("s.png"), img));
    CQelTexture direct(CQelTextureHeader(QelStandard8PixelType.PixelTypeID, img.height, img.width, 1, 1, 1, 1, eCS_sRGB),
                       img.pixels.data());
    ASSERT_TRUE(GenerateMIPMaps(direct, eResizeLinear, 0xFFFFFFFFu));
    ASSERT_TRUE(Transcode(direct, PixelType(ePF_QELTCII_4bpp), eVT_UnsignedByteNorm, eCS_sRGB, ECompressorQuality(0), false));
    CQelTexture fromTool(path("e.qel").c_str());
    ASSERT_EQ(fromTool.getNumMIPLevels(), 9u);
    ASSERT_EQ(fromTool.getDataBlockSize(), direct.getDataBlockSize());
    EXPECT_EQ(std::memcmp(fromTool.getDataPtr(), direct.getDataPtr(), direct.getDataBlockSize()), 0);
}
