// The fast ETC1/ETC2 colour encoders keep their output byte for byte: checksums of
// whole surfaces recorded before the encoders were restructured, and the optimised
// building blocks (clustering, T/H scoring, ETC1 fast search, the whole ETC2 fast
// encoder) against straightforward versions on thousands of blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
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

uint64_t fnv1a(const uint8_t* p, size_t n, uint64_t h = 1469598103934665603ull) {
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

// The encodings checked: ETC1 q0/q1, ETC2 RGB q0/q1, ETC2 RGBA q0 (colour halves only:
// the alpha half belongs to the EAC encoder) and ETC2 RGB A1.
struct Config {
    unsigned format;
    int quality;
};
const Config kConfigs[6] = {{ePF_ETC1, 0},      {ePF_ETC1, 1},      {ePF_ETC2_RGB, 0},
                            {ePF_ETC2_RGB, 1},  {ePF_ETC2_RGBA, 0}, {ePF_ETC2_RGB_A1, 0}};

// Checksum of one surface (RGBA source, alpha used by the 4-byte formats).
uint64_t surfaceChecksum(const std::vector<uint8_t>& rgba, unsigned w, unsigned h, const Config& cfg) {
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (size_t i = 0; i < size_t(w) * h; ++i)
        for (int c = 0; c < 3; ++c) rgb[3 * i + c] = rgba[4 * i + c];
    const bool fourBytes = cfg.format == ePF_ETC2_RGBA || cfg.format == ePF_ETC2_RGB_A1;
    std::vector<uint8_t> out(ETCCompress(nullptr, nullptr, w, h, cfg.quality, cfg.format, false), 0xCD);
    const unsigned n = ETCCompress(fourBytes ? rgba.data() : rgb.data(), out.data(), w, h, cfg.quality,
                                   cfg.format, false);
    EXPECT_EQ(out.size(), n);
    if (cfg.format != ePF_ETC2_RGBA) return fnv1a(out.data(), out.size());
    uint64_t hash = 1469598103934665603ull;
    for (size_t b = 0; b + 16 <= out.size(); b += 16) hash = fnv1a(out.data() + b + 8, 8, hash);
    return hash;
}

// A 256x256 surface of random blocks of every kind, with 0/255 alpha per block kind
// (opaque, transparent, mixed) so the punch-through paths all run.
std::vector<uint8_t> randomSurface(uint32_t seed) {
    const std::vector<Block> blocks = etc2simple::variedBlocks(4096, seed);
    std::vector<uint8_t> rgba(256 * 256 * 4);
    for (size_t k = 0; k < blocks.size(); ++k) {
        const unsigned bx = unsigned(k % 64), by = unsigned(k / 64);
        const unsigned alphaKind = unsigned((k * 2654435761u) >> 7) % 5;
        for (int i = 0; i < 16; ++i) {
            uint8_t* p = &rgba[((by * 4 + i / 4) * 256 + bx * 4 + i % 4) * 4];
            for (int c = 0; c < 3; ++c) p[c] = blocks[k][3 * i + c];
            p[3] = alphaKind == 0 ? 0 : (alphaKind == 1 && ((k + i) % 3 == 0) ? 0 : 255);
        }
    }
    return rgba;
}

void checkChecksums(const char* name, const std::vector<uint8_t>& rgba, unsigned w, unsigned h,
                    const uint64_t expected[6]) {
    for (int c = 0; c < 6; ++c) {
        const uint64_t got = surfaceChecksum(rgba, w, h, kConfigs[c]);
        EXPECT_EQ(expected[c], got) << name << " format " << kConfigs[c].format << " q"
                                    << kConfigs[c].quality << ": 0x" << std::hex << got << "ull";
    }
}

}  // namespace

// Crops of the photographs (odd sizes reach the edge padding); alpha as the images have it, thresholded to 0/255 (the punch-through H
// scoring reports anything else).
TEST(ETC2FastGolden, PhotographsKeepTheirBytes) {
    struct Photo {
        const char* name;
        unsigned w, h;
        uint64_t expected[6];
    };
    const Photo photos[] = {
        {"astronaut.png", 256, 192,
         {0x3a5dff27aed167c6ull, 0x5165bffdd8fa3f4full, 0x449810728e981813ull,
          0x55cccabae1bc730ull, 0x449810728e981813ull, 0x983f527bf6acb761ull}},
        {"chelsea.png", 157, 123,
         {0x4b577d478fda4a55ull, 0x119a19227032eb78ull, 0xf0b11f53a3141b24ull,
          0x7a7cfbe9e38066bbull, 0xf0b11f53a3141b24ull, 0x550e45301b5beabcull}},
        {"coffee.png", 240, 160,
         {0x38e907bd83365393ull, 0xa39d437ce9615116ull, 0x6a2a6d81a345a36dull,
          0x6653e695ddfe0896ull, 0x6a2a6d81a345a36dull, 0xce836516ce900815ull}},
        {"hubble.png", 200, 200,
         {0x51597d7a0159be3bull, 0x9cda1fc1cf025b8cull, 0x752d2a69d977c39eull,
          0x232b5883305e5e6aull, 0x752d2a69d977c39eull, 0x2a193e65c2f66e77ull}},
        {"rocket.png", 250, 131,
         {0xea47dff66d386c54ull, 0x825fbad638bf4048ull, 0xafe6f6e87ff9dc18ull,
          0x29931bbfe9a4ee3dull, 0xafe6f6e87ff9dc18ull, 0xbb143016262f4396ull}},
        {"rose.png", 301, 250,
         {0x5145b9a8a8ea4433ull, 0x27b8ea75142f8adfull, 0x6e8565ec994d4d0eull,
          0xefd0532bfc9d99eaull, 0x6e8565ec994d4d0eull, 0xb43cab34476b7907ull}},
    };
    int found = 0;
    for (const Photo& ph : photos) {
        qeltest::RGBAImage img;
        if (!qeltest::loadTestImage(ph.name, img)) continue;
        ++found;
        const qeltest::RGBAImage crop = qeltest::tileTo(img, ph.w, ph.h);
        std::vector<uint8_t> rgba = crop.pixels;
        for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = rgba[i] < 128 ? 0 : 255;
        checkChecksums(ph.name, rgba, ph.w, ph.h, ph.expected);
    }
    if (found == 0) GTEST_SKIP() << "test images not available";
}

TEST(ETC2FastGolden, RandomSurfacesKeepTheirBytes) {
    const uint64_t expected[2][6] = {
        {0xe1bdf450f77d17fcull, 0xcf35034b8582c8fcull, 0xda6f8477ad20a11cull, 0xd8a46c4c58ac59b7ull,
         0xda6f8477ad20a11cull, 0x6d946218a6645bb5ull},
        {0xeb594214431caaf7ull, 0x71114e91d064a5d7ull, 0xaa70760aecf0ed70ull, 0x179f4d65319f5112ull,
         0xaa70760aecf0ed70ull, 0x968b2576aba547aeull}};
    const uint32_t seeds[2] = {20261206u, 77u};
    for (int s = 0; s < 2; ++s) {
        const std::vector<uint8_t> rgba = randomSurface(seeds[s]);
        checkChecksums("random", rgba, 256, 256, expected[s]);
    }
}

namespace {

// Blocks of every kind and from two photographs, each placed in the middle of a
// 12x12 canvas of other pixels, so a wrong stride or origin shows.
struct Canvas {
    std::vector<uint8_t> rgb;
    static constexpr int kWidth = 12, kX = 4, kY = 4;
    const uint8_t* data() const { return rgb.data(); }
};

std::vector<Canvas> testCanvases(size_t randomCount, size_t imageCount, uint32_t seed) {
    std::vector<Block> blocks = etc2simple::variedBlocks(randomCount, seed);
    for (const char* name : {"astronaut.png", "coffee.png"})
        for (auto& b : etctest::imageBlocks(imageCount / 2, name)) blocks.push_back(b);
    const std::vector<Block> filler = etctest::randomBlocks(8, seed + 1);
    std::vector<Canvas> out;
    for (size_t k = 0; k < blocks.size(); ++k) {
        Canvas c;
        c.rgb.resize(12 * 12 * 3);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                for (int ch = 0; ch < 3; ++ch) {
                    const bool inside = x >= 4 && x < 8 && y >= 4 && y < 8;
                    const Block& src = inside ? blocks[k] : filler[(k + size_t(x / 4 + 3 * (y / 4))) % 8];
                    c.rgb[3 * (y * 12 + x) + ch] = src[3 * ((y % 4) * 4 + x % 4) + ch];
                }
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace

TEST(ETC2FastPaths, ClusteringMatchesStraightforwardVersion) {
    using etc2simple::Space;
    const auto canvases = testCanvases(6000, 2000, 31);
    struct Variant {
        void (*library)(const uint8_t*, int, int, int, uint8_t[2][3]);
        etc2simple::ClusterFn simple;
        const char* name;
    };
    const Variant variants[5] = {
        {computeColorLBGHalfIntensityFast, etc2simple::halfIntensityFast, "HalfIntensityFast"},
        {computeColorLBGNotIntensityFast, etc2simple::notIntensityFast, "NotIntensityFast"},
        {computeColorLBGNotIntensity, etc2simple::notIntensity, "NotIntensity"},
        {computeColorLBG, etc2simple::rgbRounded, "LBG"},
        {computeColorLBGfast, etc2simple::clusterInteger, "LBGfast"},
    };
    for (const Variant& v : variants)
        for (size_t k = 0; k < canvases.size(); ++k) {
            uint8_t a[2][3], b[2][3];
            v.library(canvases[k].data(), Canvas::kWidth, Canvas::kX, Canvas::kY, a);
            v.simple(canvases[k].data(), Canvas::kWidth, Canvas::kX, Canvas::kY, b);
            ASSERT_EQ(0, std::memcmp(a, b, sizeof a)) << v.name << " block " << k;
        }
}

TEST(ETC2FastPaths, ModeEncodersMatchStraightforwardVersions) {
    const auto canvases = testCanvases(6000, 2000, 57);
    const etc2simple::ClusterFn fastest[1] = {etc2simple::halfIntensityFast};
    const etc2simple::ClusterFn tFast[3] = {etc2simple::notIntensityFast, etc2simple::halfIntensityFast,
                                            etc2simple::clusterInteger};
    const etc2simple::ClusterFn hFast[2] = {etc2simple::notIntensity, etc2simple::rgbRounded};
    for (size_t k = 0; k < canvases.size(); ++k) {
        const uint8_t* img = canvases[k].data();
        const int w = Canvas::kWidth, x = Canvas::kX, y = Canvas::kY;
        unsigned tErr, t1, t2, hErr, h1, h2, s1 = 0, s2 = 0;
        compressBlockTHFastest(img, w, x, y, tErr, t1, t2, hErr, h1, h2);
        ASSERT_EQ(etc2simple::modeFromClusterings(true, fastest, 1, img, w, x, y, s1, s2), tErr) << k;
        ASSERT_EQ(s1, t1) << k;
        ASSERT_EQ(s2, t2) << k;
        ASSERT_EQ(etc2simple::modeFromClusterings(false, fastest, 1, img, w, x, y, s1, s2), hErr) << k;
        ASSERT_EQ(s1, h1) << k;
        ASSERT_EQ(s2, h2) << k;
        // The refinements (run only for blocks T or H won, here for all).
        ASSERT_EQ(etc2simple::modeFromClusterings(true, tFast, 3, img, w, x, y, s1, s2),
                  compressBlockTHUMB59TFast(img, w, x, y, t1, t2)) << k;
        ASSERT_EQ(s1, t1) << k;
        ASSERT_EQ(s2, t2) << k;
        ASSERT_EQ(etc2simple::modeFromClusterings(false, hFast, 2, img, w, x, y, s1, s2),
                  compressBlockTHUMB58HFast(img, w, x, y, h1, h2)) << k;
        ASSERT_EQ(s1, h1) << k;
        ASSERT_EQ(s2, h2) << k;
    }
}

TEST(ETC2FastPaths, BlockEncodersMatchStraightforwardVersions) {
    const auto canvases = testCanvases(6000, 2000, 83);
    uint8_t decoded[48];
    int modes[5] = {0, 0, 0, 0, 0};  // individual, differential, planar, T, H: all reached
    for (size_t k = 0; k < canvases.size(); ++k) {
        const uint8_t* img = canvases[k].data();
        const int w = Canvas::kWidth, x = Canvas::kX, y = Canvas::kY;
        unsigned h1, l1, h2, l2;
        const double e1 = compressBlockDiffFlipFast(img, decoded, w, x, y, h1, l1);
        const double e2 = etc2simple::etc1Fast(img, w, x, y, h2, l2);
        ASSERT_EQ(e2, e1) << k;
        ASSERT_EQ(h2, h1) << k;
        ASSERT_EQ(l2, l1) << k;
        compressBlockETC2Fast(img, nullptr, decoded, w, 12, x, y, h1, l1, ePF_ETC2_RGB);
        etc2simple::etc2Fast(img, w, x, y, h2, l2);
        ASSERT_EQ(h2, h1) << k;
        ASSERT_EQ(l2, l1) << k;
        const unsigned r = (h1 >> 27) & 31, g = (h1 >> 19) & 31, b = (h1 >> 11) & 31;
        const auto overflows = [](unsigned base, unsigned delta) {
            const int d = int(delta & 3) - int(delta & 4);
            return int(base) + d < 0 || int(base) + d > 31;
        };
        if (!(h1 & 2u)) ++modes[0];
        else if (overflows(r, h1 >> 24)) ++modes[3];
        else if (overflows(g, h1 >> 16)) ++modes[4];
        else if (overflows(b, h1 >> 8)) ++modes[2];
        else ++modes[1];
    }
    for (int m = 0; m < 5; ++m) EXPECT_GT(modes[m], 20) << "mode " << m;
}

// The vector kernels at both levels (the baseline one is what a processor without
// AVX2 runs) against the scalar scoring, on colours that clamp and colours that do not.
TEST(ETC2FastPaths, VectorScoringMatchesScalarAtEveryLevel) {
    using namespace etc2detail;
    const auto canvases = testCanvases(3000, 1000, 101);
    std::mt19937 rng(5);
    for (size_t k = 0; k < canvases.size(); ++k) {
        const BlockPixels px(canvases[k].data(), Canvas::kWidth, Canvas::kX, Canvas::kY);
        uint8_t colors[2][3];
        for (auto& colour : colors)
            for (auto& c : colour) c = uint8_t(k % 3 == 0 ? (rng() & 1) * 15 : rng() % 16);
        if (k % 7 == 0)
            for (int c = 0; c < 3; ++c) colors[1][c] = colors[0][c];  // equal colours
        const PairScores<etc1detail::PlainMetric> scalar(px, colors);
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
            ASSERT_EQ(t0, vec.bestT(order, d, i)) << k;
            ASSERT_EQ(order0, order) << k;
            ASSERT_EQ(d0, d) << k;
            ASSERT_EQ(i0, i) << k;
            ASSERT_EQ(e0, vec.bestH(swapped, h, hi)) << k;
            ASSERT_EQ(h0, h) << k;
            ASSERT_EQ(hi0, hi) << k;
        }
    }
}

TEST(ETC2FastPaths, VectorTableFitMatchesStraightforwardFitAtEveryLevel) {
    using namespace etc1detail;
    const auto canvases = testCanvases(2000, 1000, 211);
    std::mt19937 rng(9);
    int belowLimit = 0, atLimit = 0;
    for (size_t k = 0; k < canvases.size(); ++k) {
        const uint8_t* img = canvases[k].data();
        for (int half = 0; half < 4; ++half) {
            const HalfShape shape = half < 2 ? kHalf2x4 : kHalf4x2;
            const int sx = Canvas::kX + (half == 1 ? 2 : 0), sy = Canvas::kY + (half == 3 ? 2 : 0);
            uint8_t colour[3];
            for (auto& c : colour) c = uint8_t(k % 3 == 0 ? rng() % 24 : k % 3 == 1 ? 232 + rng() % 24 : rng() % 256);
            int table0;
            unsigned msb0, lsb0;
            const unsigned err0 = fitHalfAllTables<PlainMetric>(img, Canvas::kWidth, sx, sy, shape, colour, table0, msb0, lsb0);
            // No limit, a limit just above the error (still exact) and one at it (refused).
            for (unsigned limit : {PlainMetric::kInit, err0 + 1, err0}) {
                for (ETCVectorLevel level : {ETCVectorLevel::Best, ETCVectorLevel::Baseline}) {
                    const HalfVectors pixels(img, Canvas::kWidth, sx, sy, shape);
                    int table;
                    unsigned msb, lsb;
                    const unsigned err = fitHalfAllTablesPlainVector(pixels, shape, colour, table, msb, lsb, limit, level);
                    if (err0 >= limit) {
                        ASSERT_EQ(limit, err) << k;
                        ++atLimit;
                        continue;
                    }
                    ++belowLimit;
                    ASSERT_EQ(err0, err) << k << " half " << half;
                    ASSERT_EQ(table0, table) << k << " half " << half;
                    ASSERT_EQ(msb0, msb) << k << " half " << half;
                    ASSERT_EQ(lsb0, lsb) << k << " half " << half;
                }
            }
        }
    }
    EXPECT_GT(atLimit, 0);
    EXPECT_GT(belowLimit, 0);
}
