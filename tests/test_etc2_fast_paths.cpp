// The fast ETC1/ETC2 colour encoders keep their output byte for byte (checksums of
// whole surfaces), and their optimised building blocks match straightforward versions.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC1TableFit.h"
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETC2THPlainScores.h"
#include "Codecs/ETC/ETCCompress.h"
#include "PixelFormat.h"
#include "TestImages.h"
#include "etc/ETC2FastSimple.h"
#include "etc/ETCTestBlocks.h"

using namespace qeltexture;
using etctest::Block;

namespace {

uint64_t fnv1a(const uint8_t* p, size_t n, uint64_t h) {
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

// The encodings checked: ETC1 q0/q1, ETC2 RGB q0/q1, ETC2 RGBA q0 (colour halves only:
// the alpha half belongs to the EAC encoder) and ETC2 RGB A1.
const struct {
    unsigned format;
    int quality;
} kConfigs[6] = {{ePF_ETC1, 0}, {ePF_ETC1, 1}, {ePF_ETC2_RGB, 0}, {ePF_ETC2_RGB, 1}, {ePF_ETC2_RGBA, 0}, {ePF_ETC2_RGB_A1, 0}};

// A 256x256 surface of random blocks, opaque, transparent or mixed (alpha 0 or 255).
qeltest::RGBAImage randomSurface(uint32_t seed) {
    const std::vector<Block> blocks = etc2simple::variedBlocks(4096, seed);
    qeltest::RGBAImage img{256, 256, std::vector<uint8_t>(256 * 256 * 4)};
    for (size_t k = 0; k < blocks.size(); ++k) {
        const unsigned bx = unsigned(k % 64), by = unsigned(k / 64);
        const unsigned alphaKind = unsigned((k * 2654435761u) >> 7) % 5;
        for (int i = 0; i < 16; ++i) {
            uint8_t* p = &img.pixels[((by * 4 + i / 4) * 256 + bx * 4 + i % 4) * 4];
            for (int c = 0; c < 3; ++c) p[c] = blocks[k][3 * i + c];
            p[3] = alphaKind == 0 ? 0 : (alphaKind == 1 && ((k + i) % 3 == 0) ? 0 : 255);
        }
    }
    return img;
}

// Checksums of one surface in every configuration.
void checkChecksums(const char* name, const qeltest::RGBAImage& img, const uint64_t expected[6]) {
    const unsigned w = img.width, h = img.height;
    const std::vector<uint8_t> rgb = etctest::toRGB(img);
    for (int k = 0; k < 6; ++k) {
        const unsigned format = kConfigs[k].format;
        const bool fourBytes = format == ePF_ETC2_RGBA || format == ePF_ETC2_RGB_A1;
        std::vector<uint8_t> out(ETCCompress(nullptr, nullptr, w, h, kConfigs[k].quality, format, false), 0xCD);
        EXPECT_EQ(out.size(), ETCCompress(fourBytes ? img.pixels.data() : rgb.data(), out.data(), w, h, kConfigs[k].quality,
                                          format, false));
        const size_t step = format == ePF_ETC2_RGBA ? 16 : out.size(), skip = format == ePF_ETC2_RGBA ? 8 : 0;
        uint64_t got = 1469598103934665603ull;
        for (size_t b = 0; b + step <= out.size(); b += step) got = fnv1a(out.data() + b + skip, step - skip, got);
        EXPECT_EQ(expected[k], got) << name << " format " << format << " q" << kConfigs[k].quality << ": 0x"
                                    << std::hex << got << "ull";
    }
}

}  // namespace

// Crops of two photographs at sizes whose edges cut blocks on both sides; alpha as the
// images have it, thresholded to 0/255 (the punch-through H scoring reports anything else).
TEST(ETC2FastGolden, SurfacesKeepTheirBytes) {
    struct Photo {
        const char* name;
        unsigned w, h;
        uint64_t expected[6];
    };
    const Photo photos[] = {
        {"chelsea.png", 157, 123,
         {0x4b577d478fda4a55ull, 0x119a19227032eb78ull, 0xf0b11f53a3141b24ull,
          0x7a7cfbe9e38066bbull, 0xf0b11f53a3141b24ull, 0x550e45301b5beabcull}},
        {"rose.png", 301, 250,
         {0x5145b9a8a8ea4433ull, 0x27b8ea75142f8adfull, 0x6e8565ec994d4d0eull,
          0xefd0532bfc9d99eaull, 0x6e8565ec994d4d0eull, 0xb43cab34476b7907ull}},
    };
    for (const Photo& ph : photos) {
        qeltest::RGBAImage img;
        if (!qeltest::loadTestImage(ph.name, img)) continue;
        qeltest::RGBAImage crop = qeltest::tileTo(img, ph.w, ph.h);
        for (size_t i = 3; i < crop.pixels.size(); i += 4) crop.pixels[i] = crop.pixels[i] < 128 ? 0 : 255;
        checkChecksums(ph.name, crop, ph.expected);
    }
    const uint64_t random[6] = {0xe1bdf450f77d17fcull, 0xcf35034b8582c8fcull, 0xda6f8477ad20a11cull,
                                0xd8a46c4c58ac59b7ull, 0xda6f8477ad20a11cull, 0x6d946218a6645bb5ull};
    checkChecksums("random", randomSurface(20261206u), random);
}

namespace {

// Random and photograph blocks at (4, 4) in a 12x12 canvas of noise (stride and origin).
constexpr int kWidth = 12, kX = 4, kY = 4;

std::vector<std::vector<uint8_t>> testCanvases(size_t randomCount, size_t imageCount, uint32_t seed) {
    std::vector<Block> blocks = etc2simple::variedBlocks(randomCount, seed);
    for (const char* name : {"astronaut.png", "coffee.png"})
        for (auto& b : etctest::imageBlocks(imageCount / 2, name)) blocks.push_back(b);
    std::mt19937 rng(seed);
    std::vector<std::vector<uint8_t>> out;
    for (const Block& b : blocks) {
        std::vector<uint8_t> canvas(kWidth * kWidth * 3);
        for (auto& v : canvas) v = uint8_t(rng());
        for (int i = 0; i < 48; ++i) canvas[3 * ((kY + i / 12) * kWidth + kX + i / 3 % 4) + i % 3] = b[i];
        out.push_back(canvas);
    }
    return out;
}

}  // namespace

// The T and H encoders (every clustering variant shows in their words), the ETC1 fast
// search and the whole ETC2 fast encoder against the straightforward versions.
TEST(ETC2FastPaths, EncodersMatchStraightforwardVersions) {
    namespace simple = etc2simple;
    const int w = kWidth, x = kX, y = kY;
    uint8_t decoded[48];
    int modes[5] = {0, 0, 0, 0, 0};  // every mode is reached
    const auto canvases = testCanvases(1500, 500, 31);
    for (size_t k = 0; k < canvases.size(); ++k) {
        const uint8_t* img = canvases[k].data();
        unsigned tErr, t1, t2, hErr, h1, h2, s1 = 0, s2 = 0;
        compressBlockTHFastest(img, w, x, y, tErr, t1, t2, hErr, h1, h2);
        ASSERT_EQ(simple::modeFromClusterings(true, {simple::halfIntensityFast}, img, w, x, y, s1, s2), tErr) << k;
        ASSERT_EQ(std::make_pair(s1, s2), std::make_pair(t1, t2)) << k;
        ASSERT_EQ(simple::modeFromClusterings(false, {simple::halfIntensityFast}, img, w, x, y, s1, s2), hErr) << k;
        ASSERT_EQ(std::make_pair(s1, s2), std::make_pair(h1, h2)) << k;
        // The refinements (run only for blocks T or H won, here for all).
        ASSERT_EQ(simple::modeFromClusterings(true, simple::kTFast, img, w, x, y, s1, s2),
                  compressBlockTHUMB59TFast(img, w, x, y, t1, t2)) << k;
        ASSERT_EQ(std::make_pair(s1, s2), std::make_pair(t1, t2)) << k;
        ASSERT_EQ(simple::modeFromClusterings(false, simple::kHFast, img, w, x, y, s1, s2),
                  compressBlockTHUMB58HFast(img, w, x, y, h1, h2)) << k;
        ASSERT_EQ(std::make_pair(s1, s2), std::make_pair(h1, h2)) << k;

        unsigned hi1, lo1, hi2, lo2;
        const double e1 = compressBlockDiffFlipFast(img, decoded, w, x, y, hi1, lo1);
        ASSERT_EQ(simple::etc1Fast(img, w, x, y, hi2, lo2), e1) << k;
        ASSERT_EQ(std::make_pair(hi2, lo2), std::make_pair(hi1, lo1)) << k;
        compressBlockETC2Fast(img, nullptr, decoded, w, 12, x, y, hi1, lo1, ePF_ETC2_RGB);
        simple::etc2Fast(img, w, x, y, hi2, lo2);
        ASSERT_EQ(std::make_pair(hi2, lo2), std::make_pair(hi1, lo1)) << k;
        ++modes[int(etctest::modeOf(hi1))];
    }
    for (int m = 0; m < 5; ++m) EXPECT_GT(modes[m], 10) << "mode " << m;  // random blocks alone reach 18+
}

// The vector kernels at both levels (baseline: no AVX2) against the scalar versions:
// T/H scoring, clamping or not; the ETC1 half fit without a limit, just above the
// error (still exact) and at it (refused).
TEST(ETC2FastPaths, VectorKernelsMatchScalarAtEveryLevel) {
    using namespace etc1detail;
    using namespace etc2detail;
    const auto canvases = testCanvases(1000, 400, 101);
    std::mt19937 rng(5);
    for (size_t k = 0; k < canvases.size(); ++k) {
        const uint8_t* img = canvases[k].data();
        const BlockPixels px(img, kWidth, kX, kY);
        uint8_t colors[2][3];
        for (auto& colour : colors)
            for (auto& c : colour) c = uint8_t(k % 3 == 0 ? (rng() & 1) * 15 : rng() % 16);
        if (k % 7 == 0) std::memcpy(colors[1], colors[0], 3);  // equal colours
        const PairScores<PlainMetric> scalar(px, colors);
        int order0;
        uint8_t d0, h0;
        unsigned i0, hi0;
        const unsigned t0 = scalar.bestT(order0, d0, i0);
        const bool swapped = (k & 1) != 0;
        const unsigned e0 = scalar.bestH(swapped, h0, hi0);
        for (ETCVectorLevel level : {ETCVectorLevel::Best, ETCVectorLevel::Baseline}) {
            const PlainPairScores vec(px, colors, level);
            int order;
            uint8_t d, h;
            unsigned i, hi;
            const unsigned t = vec.bestT(order, d, i), e = vec.bestH(swapped, h, hi);
            ASSERT_EQ(std::tie(t0, order0, d0, i0), std::tie(t, order, d, i)) << k;
            ASSERT_EQ(std::tie(e0, h0, hi0), std::tie(e, h, hi)) << k;
        }

        const int half = int(k % 4);
        const HalfShape shape = half < 2 ? kHalf2x4 : kHalf4x2;
        const int sx = kX + (half == 1 ? 2 : 0), sy = kY + (half == 3 ? 2 : 0);
        uint8_t colour[3];
        for (auto& c : colour) c = uint8_t(k % 3 == 0 ? rng() % 24 : k % 3 == 1 ? 232 + rng() % 24 : rng() % 256);
        int table0;
        unsigned msb0, lsb0;
        const unsigned err0 = fitHalfAllTables<PlainMetric>(img, kWidth, sx, sy, shape, colour, table0, msb0, lsb0);
        const HalfVectors pixels(img, kWidth, sx, sy, shape);
        for (unsigned limit : {PlainMetric::kInit, err0 + 1, err0})
            for (ETCVectorLevel level : {ETCVectorLevel::Best, ETCVectorLevel::Baseline}) {
                int table;
                unsigned msb, lsb;
                const unsigned err = fitHalfAllTablesPlainVector(pixels, shape, colour, table, msb, lsb, limit, level);
                if (err0 >= limit) {
                    ASSERT_EQ(limit, err) << k;  // nothing below the limit: the limit comes back
                } else {
                    ASSERT_EQ(std::tie(err0, table0, msb0, lsb0), std::tie(err, table, msb, lsb)) << k;
                }
            }
    }
}
