// QELTC and QELTCII encoding: size rules, quality dispatch, the class compressor's worked
// values, the one-pass section encoder, and photograph round trips against quality floors.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "Codecs/QELTC/QELTC2SectionCompress.h"
#include "Codecs/QELTC/QELTC2bppCompressor.h"
#include "Codecs/QELTC/QELTC4bppCompressor.h"
#include "Codecs/QELTC/QELTCBlockData.h"
#include "Codecs/QELTC/QELTCCompress.h"
#include "Codecs/QELTC/QELTCDecompress.h"
#include "Codecs/QELTC/QELTCMultiThreadedCompressor.h"
#include "support/TestImages.h"

using namespace qeltexture;

namespace {

uint32_t rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) { return QELTCPackRGBA(r, g, b, a); }
int64_t sq(int64_t v) { return v * v; }

void setPixel(std::vector<uint8_t>& img, unsigned w, unsigned x, unsigned y, uint32_t colour) {
    for (int c = 0; c < 4; ++c) img[(size_t(y) * w + x) * 4 + c] = QELTCChannel(colour, c);
}
std::vector<uint8_t> flatImage(unsigned w, unsigned h, uint32_t colour) {
    std::vector<uint8_t> img(size_t(w) * h * 4);
    for (unsigned i = 0; i < w * h; ++i) setPixel(img, w, i % w, i / w, colour);
    return img;
}

uint32_t wordAt(const std::vector<uint8_t>& data, size_t block, int half) {
    const uint8_t* p = &data[8 * block + 4 * half];
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct Format { const char* name; bool do2bit; unsigned qeltcII; };
const Format kFormats[] = {{"QELTC 2bpp", true, 0}, {"QELTC 4bpp", false, 0}, {"QELTCII 2bpp", true, 1}, {"QELTCII 4bpp", false, 1}};

std::vector<uint8_t> encode(const std::vector<uint8_t>& img, unsigned w, unsigned h, const Format& f, unsigned quality) {
    std::vector<uint8_t> out(QELTCCompress(img.data(), nullptr, w, h, true, f.do2bit, f.qeltcII, quality));
    EXPECT_EQ(QELTCCompress(img.data(), out.data(), w, h, true, f.do2bit, f.qeltcII, quality), out.size());
    return out;
}

std::vector<uint8_t> roundTrip(const std::vector<uint8_t>& img, unsigned w, unsigned h, const Format& f, unsigned quality) {
    auto data = encode(img, w, h, f, quality);
    std::vector<uint8_t> out(size_t(w) * h * 4);
    EXPECT_EQ(QELTCDecompress(data.data(), out.data(), w, h, f.do2bit, f.qeltcII), out.size());
    return out;
}

// Gives tests access to a compressor's block colours and modulation records.
template <class C>
struct Probe : C {
    Probe(const std::vector<uint8_t>& img, unsigned w, unsigned h) : C(img.data(), w, h) {}
    void setColours(uint32_t bx, uint32_t by, uint32_t a, uint32_t b) {
        this->m_colourA[this->blockAt(bx, by)] = a;
        this->m_colourB[this->blockAt(bx, by)] = b;
    }
    auto& modulation(uint32_t bx, uint32_t by) { return this->m_modulation[this->blockAt(bx, by)]; }
    // One block between colours a and b, upscaled and (optionally) modulated.
    Probe& single(uint32_t a, uint32_t b, bool modulate) {
        setColours(0, 0, a, b);
        this->interpolateColoursAB();
        if (modulate) this->calculateModulations(0, 1, 0, 1);
        return *this;
    }
    const uint8_t* upA(unsigned x, unsigned y) const { return this->upscaledA() + (size_t(y) * this->getWidth() + x) * 4; }
};

}  // namespace

// The pair search keeps the first strictly largest pair; the darker colour (then the smaller
// packed value) becomes A.
TEST(QELTCEncode, InitialColoursTakeTheMostDistantPair) {
    // The straightforward search, against the library's faster one.
    auto direct = [](const uint32_t* colours, size_t count) {
        uint32_t first = colours[0], second = colours[0];
        int64_t best = -1;
        for (size_t i = 0; i < count; ++i)
            for (size_t j = i + 1; j < count; ++j) {
                int64_t d = 0;
                for (int c = 0; c < 4; ++c) d += sq(int64_t(QELTCChannel(colours[i], c)) - QELTCChannel(colours[j], c));
                if (d > best) best = d, first = colours[i], second = colours[j];
            }
        const uint32_t lf = QELTCLuminance(first), ls = QELTCLuminance(second);
        return lf < ls || (lf == ls && first <= second) ? std::make_pair(first, second) : std::make_pair(second, first);
    };
    std::mt19937 rng(11);
    std::vector<uint32_t> colours(300);
    for (int trial = 0; trial < 120; ++trial) {
        const size_t count = 1 + rng() % (trial < 100 ? 128 : 300);  // above 256: the plain search
        // Few distinct levels make equal distances (ties) common.
        const uint32_t levels = trial % 2 ? 256 : 3;
        for (auto& c : colours) c = rgba(rng() % levels * (255 / (levels - 1)), rng() % levels, rng() % levels, 255 - rng() % levels);
        uint32_t a, b;
        selectColoursAB_MaxDistance(colours.data(), count, a, b);
        ASSERT_EQ(std::make_pair(a, b), direct(colours.data(), count)) << trial;
    }

    // 4 bpp wide window: block (0, 0) sees columns and rows 6 and 7 by wrapping.
    auto img = flatImage(8, 8, rgba(90, 90, 90, 255));
    setPixel(img, 8, 6, 6, rgba(255, 255, 255, 255));
    QELTC4bppCompressor narrow(img.data(), 8, 8), wide(img.data(), 8, 8);
    narrow.preprocess(false);
    wide.preprocess(true);
    EXPECT_EQ(narrow.getColourB(0, 0), rgba(90, 90, 90, 255));  // a flat block: A = B
    EXPECT_EQ(wide.getColourA(0, 0), rgba(90, 90, 90, 255));
    EXPECT_EQ(wide.getColourB(0, 0), rgba(255, 255, 255, 255));
    EXPECT_EQ(wide.getColourB(1, 0), rgba(255, 255, 255, 255));
}

// The A image floors the bilinear value between block centres (scale 16 at 4 bpp).
TEST(QELTCEncode, UpscaledImagesFloorTheBilinearValue) {
    auto img = flatImage(8, 8, 0);
    Probe<QELTC4bppCompressor> c4(img, 8, 8);
    for (unsigned i = 0; i < 4; ++i) c4.setColours(i % 2, i / 2, rgba(i == 0 ? 255 : 0, 0, 0, 255), 0);
    c4.interpolateColoursAB();
    EXPECT_EQ(c4.upA(2, 2)[0], 255);
    EXPECT_EQ(c4.upA(3, 3)[0], 143);  // 3 * (4 * 255 - 255) >> 4
    EXPECT_EQ(c4.upA(0, 0)[0], 63);   // across both edges: 2 * 2 * 255 >> 4
}

TEST(QELTCEncode, ModulationChoiceTiesAndModes) {
    // One 4 x 4 block between black and grey 80: candidates 0, 30, 50, 80.
    auto img = flatImage(4, 4, rgba(40, 40, 40, 255));
    setPixel(img, 4, 1, 0, rgba(15, 15, 15, 255));  // halfway 0 / 30: the smaller value
    setPixel(img, 4, 2, 0, rgba(65, 65, 65, 255));  // halfway 50 / 80
    const uint32_t black = rgba(0, 0, 0, 255), grey80 = rgba(80, 80, 80, 255);
    Probe<QELTC4bppCompressor> c(img, 4, 4);
    auto& m = c.single(black, grey80, true).modulation(0, 0);
    EXPECT_EQ(m.standard[0], 1);  // 40: halfway between 30 and 50
    EXPECT_EQ(m.standard[2], 2);
    EXPECT_EQ(m.punchThrough[0], 1);  // exact at weight 4
    // Punch-through fits the fourteen 40s exactly: 675 + 675 against 14 * 300 + 675 + 675.
    EXPECT_EQ(m.mode, 1u);

    // Transparent pixels: punch-through wins only on a strictly smaller error.
    Probe<QELTC4bppCompressor> t(flatImage(4, 4, rgba(40, 40, 40, 0)), 4, 4);
    EXPECT_EQ(t.single(black, grey80, true).modulation(0, 0).punchThrough[5], 2);
    EXPECT_EQ(t.modulation(0, 0).mode, 1u);
}

// Least-squares colour update on one 4 x 4 block with flat upscaled colours.
TEST(QELTCEncode, ColourUpdateWorkedValues) {
    auto run = [](uint32_t left, uint32_t right, uint32_t a, uint32_t b, uint8_t leftValue, uint8_t rightValue) {
        auto img = flatImage(4, 4, left);
        for (unsigned y = 0; y < 4; ++y) setPixel(img, 4, 2, y, right), setPixel(img, 4, 3, y, right);
        Probe<QELTC4bppCompressor> c(img, 4, 4);
        c.single(a, b, false);
        for (unsigned i = 0; i < 16; ++i) c.modulation(0, 0).standard[i] = i % 4 < 2 ? leftValue : rightValue;
        c.optimizeColoursAB(0, 1, 0, 1);
        return std::make_pair(c.getColourA(0, 0), c.getColourB(0, 0));
    };
    const uint32_t grey100 = rgba(100, 100, 100, 255), grey200 = rgba(200, 200, 200, 255);
    // Half the pixels at weight 0, half at 8: the fit lands exactly on the two colours.
    EXPECT_EQ(run(rgba(40, 60, 80, 255), rgba(140, 160, 180, 255), rgba(50, 50, 50, 255), rgba(150, 150, 150, 255), 0, 3),
              std::make_pair(rgba(40, 60, 80, 255), rgba(140, 160, 180, 255)));
    // Steps are clamped to 100 per channel.
    EXPECT_EQ(run(rgba(10, 10, 10, 255), rgba(250, 250, 250, 255), rgba(150, 150, 150, 255), rgba(50, 50, 50, 255), 0, 3),
              std::make_pair(rgba(50, 50, 50, 255), rgba(150, 150, 150, 255)));
    // All weights 0 (no variance): A takes the residual, B moves halfway towards A, once the
    // mean residual energy reaches the 4 bpp threshold (4^2 + 4^2 = 32) ...
    EXPECT_EQ(run(rgba(104, 104, 100, 255), rgba(104, 104, 100, 255), grey100, grey200, 0, 0),
              std::make_pair(rgba(104, 104, 100, 255), rgba(152, 152, 150, 255)));
    // ... and below it (25) the block keeps its colours.
    EXPECT_EQ(run(rgba(104, 103, 100, 255), rgba(104, 103, 100, 255), grey100, grey200, 0, 0),
              std::make_pair(grey100, grey200));
}

TEST(QELTCEncode, ColourQuantisationAndWordLayout) {
    QELTCBlockData word{};
    word.setColourWord(0xABCD0001u);
    word.setColourA(rgba(255, 128, 64, 255));  // opaque: 31, 16, 4
    EXPECT_EQ(word.colourWord(), 0xABCDFE09u);
    word.setColourA(rgba(255, 128, 64, 200));  // translucent: alpha 6, 15, 8, 2
    EXPECT_EQ(word.colourWord(), 0xABCD6F85u);
    word.setColourB(rgba(8, 16, 248, 255));
    EXPECT_EQ(word.colourWord(), 0x845F6F85u);
    word.setColourB(rgba(255, 0, 17, 31));  // alpha 0, 15, 0, 1
    EXPECT_EQ(word.colourWord(), 0x0F016F85u);

    QELTCIIBlockData two{};
    two.setColourWord(0x8001u);  // mode and hard flags survive
    two.setColours(rgba(255, 255, 255, 255), rgba(0, 0, 0, 254));
    EXPECT_EQ(two.colourWord(), 0x7000FFFFu);
    EXPECT_EQ(two.getColourB().a, 15);  // 7 -> (7 << 1) | 1
    two.setColours(rgba(255, 255, 255, 255), rgba(0, 0, 0, 255));
    EXPECT_EQ(two.colourWord(), 0x8000FFFFu);

    // 2 bpp interpolated packing: checkerboard samples, then the sub-mode bits 0 and 20.
    auto img = flatImage(8, 4, 0);
    Probe<QELTC2bppCompressor> c(img, 8, 4);
    auto& m = c.modulation(0, 0);
    for (unsigned i = 0; i < 32; ++i) m.interpolated[i] = ((i % 8 + i / 8) & 1) ? 0 : 3;
    std::vector<QELTCBlockData> out(1);
    const uint32_t expected[4] = {0x00000000u, 0xFFFFFFFEu, 0xFFEFFFFFu, 0xFFFFFFFFu};
    for (uint8_t mode = 1; mode < 4; ++mode) {
        m.mode = mode;
        c.getCompressedData(out.data(), true);
        EXPECT_EQ(out[0].modulationWord(), expected[mode]) << int(mode);
        EXPECT_EQ(out[0].colourWord() & 1, 1u);
    }
}

TEST(QELTCEncode, SizeLimitsAndQualityDispatch) {
    std::vector<uint8_t> img(16 * 16 * 4, 77);
    for (const Format& f : kFormats)
        for (unsigned q = 0; q < 6; ++q) {
            EXPECT_EQ(QELTCCompress(nullptr, nullptr, 4097u, 8u, true, f.do2bit, f.qeltcII, q), 0u) << f.name;
            EXPECT_EQ(QELTCCompress(nullptr, nullptr, 8u, 8192u, true, f.do2bit, f.qeltcII, q), 0u) << f.name;
        }
    EXPECT_EQ(QELTCCompress(nullptr, nullptr, 0u, 8u, true, false, 1u, 0u), 0u);
    EXPECT_EQ(QELTCCompress(nullptr, nullptr, 4096u, 4096u, true, false, 0u, 0u), 4096u * 4096u / 2);

    // 12 x 12 QELTC at 4 bpp is whole blocks; 10 x 8 is not (QELTCII pads it to 12 x 8).
    for (unsigned q = 0; q < 2; ++q) {
        std::vector<uint8_t> out(72);
        EXPECT_EQ(QELTCCompress(img.data(), out.data(), 12u, 12u, true, false, 0u, q), 72u);
        EXPECT_EQ(QELTCCompress(img.data(), out.data(), 10u, 8u, true, false, 0u, q), 0u);
        EXPECT_EQ(QELTCCompress(img.data(), out.data(), 12u, 8u, true, true, 0u, q), 0u);  // 2 bpp needs 8
        EXPECT_EQ(QELTCCompress(img.data(), out.data(), 10u, 8u, true, false, 1u, q), 48u);
    }
    // Quality 9 reaches the multi-pass encoder as quality 7, which counts as 6.
    std::vector<uint8_t> out(64);
    EXPECT_EQ(QELTCCompress(img.data(), out.data(), 16u, 16u, true, true, 1u, 9u), 64u);
}

// QELTCII pads with column x - (padded - width) and then row y - (padded - height).
TEST(QELTCEncode, QELTCIIPaddingRepeatsTheLastColumnsAndRows) {
    std::mt19937 rng(5);
    const unsigned w = 10, h = 6;
    std::vector<uint8_t> img(w * h * 4);
    for (auto& v : img) v = uint8_t(rng());
    for (bool do2bit : {false, true}) {
        const unsigned pw = do2bit ? 16 : 12, ph = 8;
        std::vector<uint8_t> padded(pw * ph * 4);
        for (unsigned y = 0; y < ph; ++y)
            for (unsigned x = 0; x < pw; ++x) {
                unsigned sx = x < w ? x : x - (pw - w), sy = y < h ? y : y - (ph - h);
                for (int c = 0; c < 4; ++c) padded[(y * pw + x) * 4 + c] = img[(sy * w + sx) * 4 + c];
            }
        for (unsigned q = 0; q < 2; ++q) {
            const Format f{"QELTCII", do2bit, 1};
            EXPECT_EQ(encode(img, w, h, f, q), encode(padded, pw, ph, f, q)) << do2bit << " q" << q;
        }
    }
}

// (200, 100, 50) quantises to 25/12 and blue 3 (A, widened to 6) or 6 (B): every pixel decodes
// to (206, 99, 49, 255). QELTCII takes any size; exact-size buffers and padded byte counts.
TEST(QELTCEncode, FlatImagesEncodeTheirColourExactlyAtEverySize) {
    const uint32_t colour = rgba(200, 100, 50, 255);
    const uint8_t decoded[4] = {206, 99, 49, 255};
    auto check = [&](unsigned w, unsigned h, const Format& f, unsigned q) {
        SCOPED_TRACE(::testing::Message() << w << "x" << h << " " << f.name << " q" << q);
        auto data = encode(flatImage(w, h, colour), w, h, f, q);
        const unsigned bw = f.do2bit ? 8 : 4;
        ASSERT_EQ(data.size(), (w + bw - 1) / bw * bw * ((h + 3) / 4 * 4) * (f.do2bit ? 2 : 4) / 8);
        std::vector<uint8_t> out(size_t(w) * h * 4);
        ASSERT_EQ(QELTCDecompress(data.data(), out.data(), w, h, f.do2bit, f.qeltcII), out.size());
        for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], decoded[i % 4]) << i;
    };
    const unsigned sizes[][2] = {{1, 1}, {3, 5}, {7, 9}, {9, 3}, {12, 7}, {17, 9}};
    for (unsigned q = 0; q < 2; ++q) {
        for (const Format& f : kFormats) check(16, 16, f, q);
        for (const auto& s : sizes)
            for (const Format& f : {kFormats[2], kFormats[3]}) check(s[0], s[1], f, q);
    }
    // Every class-compressor block takes the colour as A and B, and flag 0 (distances all 0).
    auto img = flatImage(16, 16, colour);
    QELTCII4bppCompressor c(img.data(), 16, 16);
    c.preprocess(false);
    for (unsigned b = 0; b < 16; ++b) {
        EXPECT_EQ(std::make_pair(c.getColourA(b % 4, b / 4), c.getColourB(b % 4, b / 4)), std::make_pair(colour, colour));
        EXPECT_FALSE(c.getHardTransitionFlag(b % 4, b / 4));
    }
}

// Quality 0 of the class compressor is its preprocess alone.
TEST(QELTCEncode, QualityZeroIsPreprocessAlone) {
    std::mt19937 rng(3);
    std::vector<uint8_t> img(32 * 32 * 4);
    for (auto& v : img) v = uint8_t(rng());
    QELTC4bppCompressor c(img.data(), 32, 32);
    c.preprocess(true);
    std::vector<QELTCBlockData> words(64);
    c.getCompressedData(words.data(), true);
    EXPECT_EQ(encode(img, 32, 32, kFormats[1], 0), std::vector<uint8_t>(reinterpret_cast<uint8_t*>(words.data()),
                                                                        reinterpret_cast<uint8_t*>(words.data() + 64)));
}

TEST(QELTCEncode, ClassCompressorHardTransitionFlags) {
    // Block 0 holds colour `left` in columns 0-1 and `mid` in columns 2-3; block 1 is flat.
    auto flagOfBlock0 = [](uint32_t left, uint32_t mid, uint32_t right) {
        auto img = flatImage(8, 4, right);
        for (unsigned y = 0; y < 4; ++y)
            for (unsigned x = 0; x < 4; ++x) setPixel(img, 8, x, y, x < 2 ? left : mid);
        QELTCII4bppCompressor c(img.data(), 8, 4);
        c.preprocess(false);
        std::vector<QELTCIIBlockData> words(2);
        c.getCompressedData(words.data());
        EXPECT_EQ(c.getHardTransitionFlag(0, 0), ((words[0].colourWord() >> 15) & 1) != 0);
        return c.getHardTransitionFlag(0, 0);
    };
    const uint32_t black = rgba(0, 0, 0, 255), white = rgba(255, 255, 255, 255);
    // Black..white: d = 195075, threshold d / 4 = 48768.
    EXPECT_TRUE(flagOfBlock0(black, white, rgba(255, 0, 255, 255)));    // distances 130050 and 65025
    EXPECT_FALSE(flagOfBlock0(black, white, rgba(128, 128, 128, 255)));  // 48387 is not above 48768
    // Flat blocks (d = 0) use 4095: a step of 3 * 30^2 = 2700 stays soft, 3 * 40^2 is hard.
    EXPECT_FALSE(flagOfBlock0(black, black, rgba(30, 30, 30, 255)));
    EXPECT_TRUE(flagOfBlock0(black, black, rgba(40, 40, 40, 255)));
}

TEST(QELTCEncode, SectionEncoderBlockCases) {
    std::vector<uint8_t> out(8), decoded(16 * 4);
    auto run = [&](const std::vector<uint8_t>& img) {
        EXPECT_EQ(QELTC2SectionCompress(img.data(), out.data(), 4u, 4u), 1u);
        EXPECT_EQ(QELTCDecompress(out.data(), decoded.data(), 4u, 4u, false, 1u), 64u);
        return std::make_pair(wordAt(out, 0, 0), wordAt(out, 0, 1));
    };
    // One opaque colour: A = B, hard flag, mode 0, modulation 0; decodes to the quantised colour.
    auto w = run(flatImage(4, 4, rgba(200, 100, 50, 255)));
    EXPECT_EQ(w.first, 0u);
    EXPECT_EQ(w.second & 0x8001u, 0x8000u);
    EXPECT_EQ(decoded[0], 206);
    EXPECT_EQ(decoded[2], 49);

    // Two opaque colours decode exactly: the hard flag stops all interpolation.
    auto img = flatImage(4, 4, rgba(255, 0, 0, 255));
    for (unsigned i = 0; i < 16; ++i)
        if ((i + i / 4) & 1) setPixel(img, 4, i % 4, i / 4, rgba(0, 0, 255, 255));
    w = run(img);
    EXPECT_EQ(w.second & 0x8001u, 0x8000u);
    EXPECT_EQ(decoded, img);

    // Same RGB at alphas 0 and 255 is one colour; the clear pixels are punched.
    img = flatImage(4, 4, rgba(10, 20, 30, 255));
    setPixel(img, 4, 1, 0, rgba(10, 20, 30, 0));
    w = run(img);
    EXPECT_EQ(w.second & 0x8001u, 1u);
    EXPECT_EQ(w.first, (0x55555555u & ~(3u << 2)) | (2u << 2));
    EXPECT_EQ(decoded[1 * 4 + 3], 0);

    // A grey ramp 0..200: t = 0.185 -> 0, 0.19 -> 1, 0.495 -> 1, 0.505 -> 2,
    // 0.815 -> 2 (the bound is 0.8175), 0.82 -> 3.
    const uint8_t greys[16] = {0, 200, 37, 38, 99, 101, 163, 164, 0, 200, 0, 200, 0, 200, 0, 200};
    const unsigned expected[16] = {0, 3, 0, 1, 1, 2, 2, 3, 0, 3, 0, 3, 0, 3, 0, 3};
    for (unsigned i = 0; i < 16; ++i) setPixel(img, 4, i % 4, i / 4, rgba(greys[i], greys[i], greys[i], 255));
    w = run(img);
    EXPECT_EQ(w.second & 0x8001u, 0x8000u);
    for (unsigned i = 0; i < 16; ++i) EXPECT_EQ((w.first >> (2 * i)) & 3, expected[i]) << i;
}

// A photograph with alpha (QELTC on a 128 x 128 crop, QELTCII on a 123 x 100 crop, which it
// pads), against floors 1 dB under the PSNR measured when this encoder was written.
TEST(QELTCEncode, PhotographRoundTripsMeetMeasuredFloors) {
    // PSNR of red, green and blue, and of alpha, for each format (kFormats order) at quality 0 and 1.
    struct Measured { const char* name; double rgb[4][2], alpha[4][2]; };
    const Measured measured[] = {
        {"rose.png", {{26.85, 27.80}, {30.92, 31.65}, {26.37, 27.31}, {31.27, 31.46}},
         {{23.27, 23.41}, {22.63, 23.54}, {25.72, 26.13}, {24.93, 26.23}}},
    };
    for (const Measured& m : measured) {
        qeltest::RGBAImage photo;
        if (!qeltest::loadTestImage(m.name, photo)) GTEST_SKIP() << m.name << " absent";
        for (unsigned fi = 0; fi < 4; ++fi) {
            const Format& f = kFormats[fi];
            const unsigned w = f.qeltcII ? 123 : 128, h = f.qeltcII ? 100 : 128;
            auto img = qeltest::tileTo(photo, w, h).pixels;
            for (unsigned q = 0; q < 2; ++q) {
                auto out = roundTrip(img, w, h, f, q);
                EXPECT_GT(qeltest::psnr(img.data(), out.data(), size_t(w) * h), m.rgb[fi][q] - 1.0)
                    << m.name << " " << f.name << " q" << q;
                EXPECT_GT(qeltest::psnr(img.data(), out.data(), size_t(w) * h, 0x8), m.alpha[fi][q] - 1.0)
                    << m.name << " " << f.name << " alpha q" << q;
            }
        }
    }
}
