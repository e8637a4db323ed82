// The multi-pass QELTC / QELTCII encoder: the colour-mapping and geometry helpers against
// the decoder's widening rules, the pass and thread structure, identical bytes for every
// thread count, the encoder's own per-block error accounting against the library decoder,
// block order on grids that are not powers of two, and the size edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "Codecs/QELTC/QELTCBlockData.h"
#include "Codecs/QELTC/QELTCCompress.h"
#include "Codecs/QELTC/QELTCDecoder.h"
#include "Codecs/QELTC/QELTCDecompress.h"
#include "Codecs/QELTC/amtc/AMTC.h"
#include "Codecs/QELTC/amtc/AMTCGeometry.h"
#include "Codecs/QELTC/amtc/AMTCInternal.h"
#include "Codecs/QELTC/amtc/AMTCPixelModel.h"
#include "Codecs/QELTC/amtc/AMTCQuality.h"
#include "Codecs/QELTC/amtc/AMTCThreads.h"
#include "support/TestImages.h"

using namespace qeltexture;

namespace {

uint32_t pack(const uint8_t c[4]) {
    return uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16 | uint32_t(c[3]) << 24;
}

// 5/5/5/4-bit decoder colour widened to 8 bits.
uint32_t widened(const QELTCColour& c) {
    auto w5 = [](unsigned v) { return (v << 3) | (v >> 2); };
    return w5(c.r) | w5(c.g) << 8 | w5(c.b) << 16 | ((uint32_t(c.a) << 4) | c.a) << 24;
}

// Smooth periodic colours with some texture, alpha bands (opaque, clear, partial) when asked.
std::vector<uint8_t> testImage(unsigned w, unsigned h, bool alpha, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> img(size_t(w) * h * 4);
    const double tau = 6.283185307179586;
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) {
            uint8_t* p = &img[(size_t(y) * w + x) * 4];
            const double u = double(x) / w, v = double(y) / h;
            p[0] = uint8_t(128 + 100 * std::sin(tau * u) + (rng() % 24));
            p[1] = uint8_t(128 + 90 * std::cos(tau * (u + v)) + (rng() % 16));
            p[2] = uint8_t(((x / 3 + y / 5) & 1) ? 200 : 40);
            p[3] = 255;
            if (alpha) {
                const unsigned band = (x / 5 + y / 7) % 4;
                p[3] = band == 0 ? 0 : band == 1 ? uint8_t(60 + (x * 7 + y * 3) % 150) : 255;
            }
        }
    return img;
}

// Smooth periodic gradients only: every encoder reproduces them well, so a block order that
// disagrees with the decoder shows as a large loss.
std::vector<uint8_t> smoothImage(unsigned w, unsigned h) {
    std::vector<uint8_t> img(size_t(w) * h * 4);
    const double tau = 6.283185307179586;
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) {
            uint8_t* p = &img[(size_t(y) * w + x) * 4];
            const double u = double(x) / w, v = double(y) / h;
            p[0] = uint8_t(128 + 110 * std::sin(tau * u));
            p[1] = uint8_t(128 + 110 * std::cos(tau * v));
            p[2] = uint8_t(128 + 100 * std::sin(tau * (u + v)));
            p[3] = 255;
        }
    return img;
}

uint64_t measuredError(const uint8_t* src, const uint8_t* dec) {
    uint64_t e = 0;
    for (int c = 0; c < 3; ++c) e += uint64_t((src[c] - dec[c]) * (src[c] - dec[c]));
    const int k = (src[3] == 0 || src[3] == 255) ? 30 : 1;
    const int da = k * (src[3] - dec[3]);
    return e + uint64_t(da * da);
}

struct Case {
    unsigned w, h;
    bool do2bit;
    unsigned version;
    unsigned quality;
    bool alpha;
};

std::vector<uint8_t> encode(const std::vector<uint8_t>& img, const Case& c, unsigned threads,
                            std::vector<uint64_t>* errors = nullptr) {
    const unsigned bw = c.do2bit ? 8 : 4;
    std::vector<uint8_t> out(size_t(c.w / bw) * (c.h / 4) * 8 + 16, 0xCD);
    AMTCRunOptions options;
    options.threads = threads;
    if (errors) {
        errors->assign(size_t(c.w / bw) * (c.h / 4), 0);
        options.blockErrors = errors->data();
    }
    EXPECT_EQ(qeltc_compress(img.data(), out.data(), c.w, c.h, c.version, c.quality, c.do2bit, options), 0);
    for (size_t i = out.size() - 16; i < out.size(); ++i) EXPECT_EQ(out[i], 0xCD) << "written past the level";
    out.resize(out.size() - 16);
    return out;
}

}  // namespace

// Mapped pairs are exactly what the block word stores and the decoder reads back; the
// alpha rules and the tie rule that pushes the two colours apart.
TEST(AMTCGeometry, MapToRepresentableColours) {
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> any(-20.0f, 275.0f);
    for (int version : {0, 1})
        for (int i = 0; i < 4000; ++i) {
            float A[4], B[4];
            for (int c = 0; c < 4; ++c) A[c] = any(rng), B[c] = any(rng);
            if (i % 3 == 0) A[3] = B[3] = 255;  // opaque pairs are the common case
            uint8_t a[4], b[4];
            MapToRepresentableColours(version == 1, A, B, a, b);
            uint32_t gotA, gotB;
            if (version == 0) {
                QELTCBlockData w{};
                w.setColourA(pack(a));
                w.setColourB(pack(b));
                gotA = widened(w.getColourA()), gotB = widened(w.getColourB());
            } else {
                QELTCIIBlockData w{};
                w.setColours(pack(a), pack(b));
                gotA = widened(w.getColourA()), gotB = widened(w.getColourB());
            }
            ASSERT_EQ(gotA, pack(a)) << "version " << version << " case " << i;
            ASSERT_EQ(gotB, pack(b)) << "version " << version << " case " << i;
            // Each channel lands on one of the two representable values around it.
            for (int c = 0; c < 3; ++c) {
                if (A[c] > 0 && A[c] < 255) {
                    EXPECT_LT(std::fabs(A[c] - a[c]), 37.0f);
                }
            }
        }

    uint8_t a[4], b[4];
    const float opaque[4] = {10, 10, 10, 250};
    const float nearly[4] = {10, 10, 10, 240};
    MapToRepresentableColours(false, opaque, nearly, a, b);  // QELTC needs 246 on both
    EXPECT_EQ(a[3], 255);
    EXPECT_NE(b[3], 255);
    MapToRepresentableColours(true, opaque, nearly, a, b);  // QELTCII takes B from 238
    EXPECT_EQ(a[3], 255);
    EXPECT_EQ(b[3], 255);
    // Alpha ends: QELTC 0 and 0xEE; QELTCII B 0x11 and 0xFF, and A loses its low level bit.
    const float clear[4] = {0, 0, 0, -5}, full[4] = {0, 0, 0, 300}, mid[4] = {0, 0, 0, 128};
    MapToRepresentableColours(false, clear, mid, a, b);
    EXPECT_EQ(a[3], 0);
    EXPECT_EQ(b[3], 0x88);  // t = 7 -> 6 -> 0x66; 0x88 is nearer to 128
    MapToRepresentableColours(true, mid, clear, a, b);
    EXPECT_EQ(b[3], 0x11);
    EXPECT_EQ(a[3], 0x88);
    MapToRepresentableColours(true, mid, full, a, b);
    EXPECT_EQ(b[3], 0xFF);

    // Red 4 lies halfway between the 5-bit levels 0 and 8: A goes up when B is below it,
    // down when B is above; B goes up when A is at most its value.
    const float at4[4] = {4, 0, 0, 255}, low[4] = {0, 0, 0, 255}, high[4] = {200, 0, 0, 255};
    MapToRepresentableColours(false, at4, low, a, b);
    EXPECT_EQ(a[0], 8);
    MapToRepresentableColours(false, at4, high, a, b);
    EXPECT_EQ(a[0], 0);
    MapToRepresentableColours(false, low, at4, a, b);
    EXPECT_EQ(b[0], 8);
    MapToRepresentableColours(false, high, at4, a, b);
    EXPECT_EQ(b[0], 0);
}

TEST(AMTCGeometry, OrientedBoxCandidateOrderAndUnderusedMove) {
    const float axes[4][4] = {{0.6f, 0.8f, 0, 0}, {-0.8f, 0.6f, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    AMTCOrientedBBox box;
    InitOrientedBBox(&box, axes);
    EXPECT_TRUE(OrientedBBoxIsEmpty(&box));
    AddIColourToOrientedBBox(&box, QELTCPackRGBA(10, 20, 30, 255));
    const float f[4] = {50, 20, 40, 255};
    AddFColourToOrientedBBox(&box, f);
    EXPECT_FALSE(OrientedBBoxIsEmpty(&box));
    EXPECT_FLOAT_EQ(box.minimum[0], 22.0f);  // 0.6 * 10 + 0.8 * 20
    EXPECT_FLOAT_EQ(box.maximum[0], 46.0f);
    // Second axis: -0.8 x 10 + 0.6 x 20 = 4 and -0.8 x 50 + 0.6 x 20 = -28.
    EXPECT_FLOAT_EQ(SizeOfOrientedBBox(&box), 24 + 32 + 10 + 0);
    EXPECT_FLOAT_EQ(EstimateDistFromMainAxisForOBBox(&box), 32 + 10);
    float inside[4] = {30, 20, 35, 255};
    const float before[4] = {30, 20, 35, 255};
    ClampToOrientedBBox(&box, inside);
    EXPECT_EQ(std::memcmp(inside, before, sizeof before), 0);
    float outside[4] = {100, 20, 35, 255};  // projections 76 -> 46 and -68 -> -28
    ClampToOrientedBBox(&box, outside);
    EXPECT_NEAR(outside[0], 0.6f * 46 - 0.8f * -28, 1e-3);
    EXPECT_NEAR(outside[1], 0.8f * 46 + 0.6f * -28, 1e-3);
    EXPECT_NEAR(outside[2], 35.0f, 1e-3);
    const float shift[4] = {5, 0, 0, 0};
    OffsetOrientedBBox(&box, shift);
    EXPECT_FLOAT_EQ(box.minimum[0], 25.0f);
    EXPECT_FLOAT_EQ(box.maximum[0], 49.0f);
    const float grey[4] = {7, 8, 9, 10};
    InitOrientedBBoxToSingleColour(&box, grey);
    EXPECT_FLOAT_EQ(box.minimum[2], 9.0f);
    EXPECT_FLOAT_EQ(SizeOfOrientedBBox(&box), 0.0f);

    AMTCCandidate c[5] = {{0, 0, 0, 7, 2}, {0, 0, 0, 3, 9}, {0, 0, 0, 7, 1}, {0, 0, 0, 3, 4}, {0, 0, 0, 1, 5}};
    AMTCCandidate scratch[5];
    qelmergesort(c, 5, scratch);
    const uint64_t keys[5] = {5, 4, 9, 1, 2};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(c[i].key, keys[i]);

    uint32_t first, second;
    const float towardsB[4] = {10, 10, -10, 0};
    AdjustUnderusedCandidates(QELTCPackRGBA(100, 100, 100, 255), QELTCPackRGBA(200, 50, 100, 255), towardsB, &first,
                              &second);
    EXPECT_EQ(first, QELTCPackRGBA(110, 110, 90, 255));
    EXPECT_EQ(second, QELTCPackRGBA(115, 105, 95, 255));  // 110 < 200: +5; 110 > 50: -5; 90 < 100: +5
    const float away[4] = {-10, 0, 0, 0};
    AdjustUnderusedCandidates(QELTCPackRGBA(100, 100, 100, 255), QELTCPackRGBA(200, 50, 100, 255), away, &first,
                              &second);
    EXPECT_EQ(first, QELTCPackRGBA(90, 100, 100, 255));
    EXPECT_EQ(second, QELTCPackRGBA(100, 100, 100, 255));
}

// The error measure's alpha weight: 30 for sources at the ends of the alpha range.
TEST(AMTCStructure, AlphaErrorExamplesPassParametersAndThreads) {
    const int opaque[4] = {10, 20, 30, 255}, half[4] = {10, 20, 30, 128};
    EXPECT_EQ(amtc_pixel_error(opaque, 900, 10, 20, 30, 254), 900u);
    EXPECT_EQ(amtc_pixel_error(half, 1, 10, 20, 30, 127), 1u);

    AMTCSettings s;
    s.quality = 1;
    s.isQELTCII = true;
    s.blocksX = s.blocksY = 4;
    const int passes = amtc_number_of_passes(1, true);
    EXPECT_EQ(passes, 5);
    EXPECT_EQ(std::make_pair(amtc_number_of_passes(1, false), amtc_number_of_passes(9, false)), std::make_pair(4, 128));
    amtc_set_pass_parameters(s, 0, passes, 0);
    EXPECT_EQ(std::make_tuple(s.iterations, s.numCandidates, s.numVariants), std::make_tuple(1, 4, 8));
    amtc_set_pass_parameters(s, 3, passes, 1001);
    EXPECT_EQ(s.numVariants, 7 - 2 * 2);
    EXPECT_EQ(s.candidateThreshold, 400u);  // 1001 x 0.4 rounded
    EXPECT_FALSE(s.hardModes);
    EXPECT_FALSE(s.earlyPass);  // 3 < 5 / 2 is false
    amtc_set_pass_parameters(s, 4, passes, 0);
    EXPECT_TRUE(s.hardModes);
    EXPECT_FALSE(s.neighbourSeeds);  // the last pass
    s.quality = 2;
    amtc_set_pass_parameters(s, 4, 6, 0);
    EXPECT_TRUE(s.hardModes && s.neighbourSeeds);
    EXPECT_EQ(s.numVariants, 10 - 3);
    s.quality = 4;
    amtc_set_pass_parameters(s, 3, 16, 0);
    EXPECT_TRUE(s.earlyPass);  // p < 4 once there are 8 passes or more
    amtc_set_pass_parameters(s, 4, 16, 0);
    EXPECT_FALSE(s.earlyPass);
    s.isQELTCII = false;
    amtc_set_pass_parameters(s, 5, 16, 0);
    EXPECT_FALSE(s.hardModes);

    // {block rows, requested, workers}: one or two block rows get one worker.
    const unsigned threads[][3] = {{1, 8, 1}, {2, 8, 1}, {7, 8, 4}, {100, 3, 3}, {254, 1000, 127}, {255, 1000, 128}};
    for (const auto& t : threads) EXPECT_EQ(amtc_thread_count(t[0], t[1]), t[2]) << t[0] << " rows, " << t[1] << " requested";
    EXPECT_GE(DetermineNumberOfCores(), 1u);

    // Row order 0, 2, 1, 4, 3, ... with the last block last for an even count.
    const uint32_t six[6] = {0, 2, 1, 4, 3, 5}, seven[7] = {0, 2, 1, 4, 3, 6, 5};
    for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(amtc_row_visit(i, 6), six[i]);
    for (uint32_t i = 0; i < 7; ++i) EXPECT_EQ(amtc_row_visit(i, 7), seven[i]);
    EXPECT_EQ(amtc_row_visit(0, 1), 0u);
    EXPECT_EQ(amtc_row_visit(1, 2), 1u);
}

// The stage runner hands every record to exactly one run, for counts up to the limit.
TEST(AMTCStructure, StageRunnerRunsEveryRecordOnce) {
    struct Record {
        int runs;
    };
    std::vector<Record> records(kAMTCMaxThreads);
    for (unsigned count : {1u, 2u, 5u, kAMTCMaxThreads}) {
        for (auto& r : records) r.runs = 0;
        amtc_run_stage([](void* p) -> void* { static_cast<Record*>(p)->runs++; return nullptr; }, records.data(),
                       sizeof(Record), count);
        for (unsigned i = 0; i < kAMTCMaxThreads; ++i) EXPECT_EQ(records[i].runs, i < count ? 1 : 0) << count;
    }
}

// Odd block-row counts (the last row wraps onto row 0), several rows per worker, both rates
// and versions, hard-transition passes for QELTCII: the same bytes every time.
TEST(AMTCEncode, SameBytesForEveryThreadCountAndRun) {
    const Case cases[] = {{52, 44, false, 1, 1, true},   // 13 x 11 blocks, passes 0..4
                          {56, 36, true, 1, 2, true},    // 7 x 9 blocks
                          {64, 32, false, 0, 0, false},  // twiddled
                          {24, 40, true, 0, 0, true}};   // 3 x 10 blocks, row-major
    const unsigned cores = DetermineNumberOfCores();
    for (const Case& c : cases) {
        const auto img = testImage(c.w, c.h, c.alpha, c.w * 7 + c.h);
        const auto reference = encode(img, c, 1);
        EXPECT_EQ(encode(img, c, 1), reference) << c.w << "x" << c.h << " second run";
        for (unsigned t : {2u, 3u, 8u, cores})
            EXPECT_EQ(encode(img, c, t), reference) << c.w << "x" << c.h << " threads " << t;
    }
    // Through the pipeline entry point at an odd size (QELTCII pads), default thread count.
    const auto img = testImage(50, 42, true, 3);
    std::vector<uint8_t> a(QELTCCompress(img.data(), nullptr, 50u, 42u, true, false, 1u, 2u)), b(a.size());
    ASSERT_EQ(a.size(), 52u * 44 / 2);
    EXPECT_EQ(QELTCCompress(img.data(), a.data(), 50u, 42u, true, false, 1u, 2u, 1u), a.size());
    EXPECT_EQ(QELTCCompress(img.data(), b.data(), 50u, 42u, true, false, 1u, 2u), b.size());
    EXPECT_EQ(a, b);
}

// Each block's error as the encoder accounted it equals the error measured on the library
// decoder's output, pixel by pixel of that block; punch-through and hard-transition words are
// among those checked.
TEST(AMTCEncode, ErrorAccountingMatchesTheDecoder) {
    const Case cases[] = {{32, 32, false, 0, 0, true},  {32, 16, true, 0, 0, true},  {36, 28, false, 1, 2, true},
                          {40, 20, true, 1, 2, true},   {16, 24, false, 0, 0, false}, {32, 8, true, 1, 1, false},
                          {4, 4, false, 1, 1, true},    {8, 4, true, 1, 2, true}};
    bool sawPunchThrough = false, sawHard = false, sawInterpolated2bpp = false;
    for (const Case& c : cases) {
        const auto img = testImage(c.w, c.h, c.alpha, c.w + 3 * c.h);
        std::vector<uint64_t> errors;
        const auto data = encode(img, c, 2, &errors);
        std::vector<uint8_t> dec(size_t(c.w) * c.h * 4);
        ASSERT_TRUE(Decompress(data.data(), dec.data(), c.w, c.h, c.do2bit, c.version));
        const unsigned bw = c.do2bit ? 8 : 4, blocksX = c.w / bw;
        std::vector<uint64_t> measured(errors.size(), 0);
        for (unsigned y = 0; y < c.h; ++y)
            for (unsigned x = 0; x < c.w; ++x) {
                const size_t i = (size_t(y) * c.w + x) * 4;
                measured[(y / 4) * blocksX + x / bw] += measuredError(&img[i], &dec[i]);
            }
        EXPECT_EQ(errors, measured) << c.w << "x" << c.h << (c.do2bit ? " 2bpp" : " 4bpp") << " v" << c.version;
        for (size_t b = 0; b < errors.size(); ++b) {
            uint32_t colour = 0;
            for (int k = 0; k < 4; ++k) colour |= uint32_t(data[8 * b + 4 + k]) << (8 * k);
            if (!c.do2bit && c.version == 0 && (colour & 1)) sawPunchThrough = true;
            if (c.version == 1 && (colour & 0x8000)) sawHard = true;
            if (c.do2bit && (colour & 1)) sawInterpolated2bpp = true;
        }
    }
    EXPECT_TRUE(sawPunchThrough);
    EXPECT_TRUE(sawHard);
    EXPECT_TRUE(sawInterpolated2bpp);
}

// Grids that are not powers of two are row-major in the decoder, the class compressor and
// this encoder alike: each encoder's output decodes close to the source (a disagreement
// scrambles the blocks), and nothing is written past the level's data.
TEST(AMTCEncode, NonPowerOfTwoGridsAgreeWithTheDecoder) {
    struct Grid {
        unsigned w, h;
        bool do2bit;
    };
    for (const Grid& g : {Grid{24, 24, false}, Grid{16, 48, false}, Grid{16, 24, false}, Grid{48, 20, true},
                          Grid{32, 16, false}, Grid{64, 12, true}}) {
        const auto img = smoothImage(g.w, g.h);
        const size_t size = size_t(g.w) * g.h * (g.do2bit ? 2 : 4) / 8;
        for (unsigned quality : {1u, 2u}) {  // class compressor, then this encoder
            std::vector<uint8_t> data(size + 32, 0x5A);
            EXPECT_EQ(QELTCCompress(img.data(), data.data(), g.w, g.h, true, g.do2bit, 0u, quality, 2u), size);
            for (size_t i = size; i < data.size(); ++i) ASSERT_EQ(data[i], 0x5A) << "written past the level";
            data.resize(size);
            data.shrink_to_fit();  // the decoder may read exactly the level
            std::vector<uint8_t> dec(size_t(g.w) * g.h * 4);
            ASSERT_EQ(QELTCDecompress(data.data(), dec.data(), g.w, g.h, g.do2bit, 0u), dec.size());
            const double p = qeltest::psnr(img.data(), dec.data(), size_t(g.w) * g.h);
            EXPECT_GT(p, 26.0) << g.w << "x" << g.h << " quality " << quality;
            // The same words in another order decode far worse: the check above sees order.
            std::vector<uint8_t> reversed(size);
            for (size_t b = 0; b < size / 8; ++b) std::memcpy(&reversed[8 * b], &data[size - 8 * (b + 1)], 8);
            ASSERT_EQ(QELTCDecompress(reversed.data(), dec.data(), g.w, g.h, g.do2bit, 0u), dec.size());
            EXPECT_LT(qeltest::psnr(img.data(), dec.data(), size_t(g.w) * g.h), p - 6.0) << g.w << "x" << g.h;
        }
    }
}

// 10 x 8 at 4 bpp reaches the encoder only through the QELTCII padding; the encoder itself
// refuses sizes that are not whole blocks, a null destination and unsupported requests.
TEST(AMTCEncode, SizeEdgeCases) {
    const auto img = testImage(12, 8, true, 9);
    std::vector<uint8_t> out(64, 0);
    EXPECT_EQ(QELTCCompress(img.data(), out.data(), 10u, 8u, true, false, 0u, 2u), 0u);
    EXPECT_EQ(QELTCCompress(img.data(), out.data(), 10u, 8u, true, false, 1u, 2u), 48u);
    EXPECT_NE(qeltc_compress(img.data(), out.data(), 10, 8, 1, 0, false), 0);
    EXPECT_NE(qeltc_compress(img.data(), nullptr, 12, 8, 1, 0, false), 0);
    EXPECT_NE(qeltc_compress(img.data(), out.data(), 12, 6, 1, 0, false), 0);
    EXPECT_EQ(QELTCCompressTexture(img.data(), 1, 12, 8, 0, out.data(), 0, 1, 0, 4, 4, 1, 1, 0, nullptr,
                                   AMTCRunOptions()),
              1);  // MIP chains are not built
    // Channel order 0 swaps red and blue on the way in; a row stride skips bytes.
    std::vector<uint8_t> swapped(img), strided(12 * 8 * 4 + 8 * 16, 0);
    for (size_t i = 0; i < swapped.size(); i += 4) std::swap(swapped[i], swapped[i + 2]);
    for (unsigned y = 0; y < 8; ++y) std::memcpy(&strided[y * (48 + 16)], &img[y * 48], 48);
    std::vector<uint8_t> a(48), b(48), c(48);
    QELTCProgress* progress = QELTCInitProgressStruct();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(QELTCCompressTexture(img.data(), 1, 12, 8, 0, a.data(), 0, 0, 0, 4, 4, 1, 1, 0, progress, AMTCRunOptions()), 0);
    EXPECT_FLOAT_EQ(QELTCGetProgress(progress), 1.0f);
    QELTCFinaliseProgressStruct(progress);
    EXPECT_EQ(QELTCCompressTexture(swapped.data(), 0, 12, 8, 0, b.data(), 0, 0, 0, 4, 4, 1, 1, 0, nullptr, AMTCRunOptions()), 0);
    EXPECT_EQ(QELTCCompressTexture(strided.data(), 1, 12, 8, 64, c.data(), 0, 0, 0, 4, 4, 1, 1, 0, nullptr, AMTCRunOptions()), 0);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
}

// On a real photograph crop the lowest multi-pass quality beats the class compressor's best.
TEST(AMTCEncode, BeatsTheFastEncoderOnAPhotograph) {
    qeltest::RGBAImage photo;
    if (!qeltest::loadTestImage("astronaut.png", photo)) GTEST_SKIP() << "test images not available";
    const auto crop = qeltest::tileTo(photo, 64, 64);
    for (bool do2bit : {false, true})
        for (unsigned version : {0u, 1u}) {
            double p[2];
            for (unsigned q : {1u, 2u}) {
                std::vector<uint8_t> data(64 * 64 / (do2bit ? 4 : 2)), dec(64 * 64 * 4);
                ASSERT_EQ(QELTCCompress(crop.pixels.data(), data.data(), 64u, 64u, true, do2bit, version, q), data.size());
                ASSERT_EQ(QELTCDecompress(data.data(), dec.data(), 64u, 64u, do2bit, version), dec.size());
                p[q - 1] = qeltest::psnr(crop.pixels.data(), dec.data(), 64 * 64);
            }
            EXPECT_GT(p[1], p[0] + 1.0) << (do2bit ? "2bpp" : "4bpp") << " version " << version;
        }
}

namespace {
// A context whose every block has one chosen candidate of random mode and colours.
struct RandomGrid {
    AMTCContext ctx{};
    std::vector<std::vector<AMTCBlock>> rows;
    std::vector<AMTCBlock*> rowPointers;
    AMTCImage* image = nullptr;
    std::vector<uint8_t> rgba;

    RandomGrid(uint32_t w, uint32_t h, bool do2bit, bool qeltcII, unsigned seed) {
        std::mt19937 rng(seed);
        AMTCSettings& s = ctx.settings;
        s.bpp = do2bit ? 2 : 4;
        s.blockWidth = do2bit ? 8 : 4;
        s.isQELTCII = qeltcII;
        s.blocksX = w / s.blockWidth;
        s.blocksY = h / 4;
        image = NewImage(w, h);
        rgba.resize(size_t(w) * h * 4);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
                for (int c = 0; c < 3; ++c) p[c] = uint8_t(rng());
                const unsigned a = rng() % 4;
                p[3] = a == 0 ? 0 : a == 1 ? uint8_t(rng()) : 255;
                image->rows[y][x] = QELTCPackRGBA(p[0], p[1], p[2], p[3]);
            }
        ctx.image = image;
        rows.assign(s.blocksY, std::vector<AMTCBlock>(s.blocksX));
        for (auto& row : rows) {
            for (AMTCBlock& b : row) {
                float A[4], B[4];
                for (int c = 0; c < 4; ++c) A[c] = float(rng() % 256), B[c] = float(rng() % 256);
                if (rng() % 2) A[3] = B[3] = 255;
                uint8_t a[4], bb[4];
                MapToRepresentableColours(qeltcII, A, B, a, bb);
                const uint32_t modes = do2bit ? (qeltcII ? 8 : 4) : (qeltcII ? 4 : 2);
                b.candidates[0] = AMTCCandidate{(do2bit ? 8u : 0u) + uint32_t(rng() % modes), pack(a), pack(bb), 0, 0};
                b.numCandidates = 1;
                b.chosen = 0;
            }
            rowPointers.push_back(row.data());
        }
        ctx.rows = rowPointers.data();
    }
    ~RandomGrid() { FreeImage(image); }
};
}  // namespace

// Random modes (local palette, hard transitions, every 2 bpp sub-mode, punch-through) and
// colours in every block: the packer's per-block error, from the encoder's own model of the
// decoder, equals the error of the library decoder's output; flagged 2 bpp samples and
// modulation-word mode bits included.
TEST(AMTCEncode, PixelModelMatchesTheDecoderForEveryMode) {
    for (bool do2bit : {false, true})
        for (unsigned version : {0u, 1u})
            for (unsigned seed = 1; seed <= 3; ++seed) {
                const uint32_t w = do2bit ? 40 : 20, h = 12 + 4 * seed;
                RandomGrid grid(w, h, do2bit, version == 1, seed * 17 + version);
                const AMTCSettings& s = grid.ctx.settings;
                std::vector<uint8_t> data(size_t(s.blocksX) * s.blocksY * 8);
                std::vector<uint64_t> errors(size_t(s.blocksX) * s.blocksY);
                ASSERT_TRUE(amtc_pack_all(grid.ctx, data.data(), version == 1, errors.data(), seed));
                std::vector<uint8_t> dec(size_t(w) * h * 4);
                ASSERT_TRUE(Decompress(data.data(), dec.data(), w, h, do2bit, version));
                std::vector<uint64_t> measured(errors.size(), 0);
                for (uint32_t y = 0; y < h; ++y)
                    for (uint32_t x = 0; x < w; ++x) {
                        const size_t i = (size_t(y) * w + x) * 4;
                        measured[(y / 4) * s.blocksX + x / s.blockWidth] += measuredError(&grid.rgba[i], &dec[i]);
                    }
                EXPECT_EQ(errors, measured) << (do2bit ? "2bpp" : "4bpp") << " version " << version << " seed " << seed;
                // Every word carries its candidate's mode bits.
                for (uint32_t by = 0; by < s.blocksY; ++by)
                    for (uint32_t bx = 0; bx < s.blocksX; ++bx) {
                        const AMTCCandidate& c = grid.rows[by][bx].candidates[0];
                        const uint8_t* word = &data[8 * (size_t(by) * s.blocksX + bx)];
                        const uint32_t mod = word[0] | word[1] << 8 | word[2] << 16 | uint32_t(word[3]) << 24;
                        const uint32_t colour = word[4] | word[5] << 8 | word[6] << 16 | uint32_t(word[7]) << 24;
                        const unsigned sub = do2bit ? (c.mode - 8) & 3 : 0;
                        const bool hard = version == 1 && (do2bit ? ((c.mode - 8) & 4) : (c.mode & 2));
                        EXPECT_EQ(colour & 1, do2bit ? unsigned(sub != 0) : (c.mode & 1));
                        if (version == 1) {
                            EXPECT_EQ((colour >> 15) & 1, hard ? 1u : 0u);
                        }
                        if (do2bit && sub >= 2) {
                            EXPECT_EQ(mod & 1, 1u);
                            EXPECT_EQ((mod >> 20) & 1, sub == 3 ? 1u : 0u);
                        }
                    }
            }
}

// A pair facing the other way round from all its neighbours is turned round; the others keep
// theirs.
TEST(AMTCStructure, ColourSwappingFollowsTheNeighbours) {
    RandomGrid grid(16, 16, false, false, 4);  // 4 x 4 blocks
    AMTCContext& ctx = grid.ctx;
    std::vector<float> work(8 * 16);
    ctx.work = work.data();
    for (int b = 0; b < 16; ++b) {
        const bool flipped = b == 5;
        for (int c = 0; c < 4; ++c) {
            work[8 * b + c] = flipped ? 200.0f : 20.0f + b;
            work[8 * b + 4 + c] = flipped ? 20.0f : 200.0f - b;
        }
    }
    CreateColourSwappingRecommendations(ctx);
    for (int b = 0; b < 16; ++b) {
        const AMTCBlockStats& st = grid.rows[b / 4][b % 4].stats;
        EXPECT_LT(st.guessA[0], st.guessB[0]) << "block " << b;
    }
    EXPECT_FLOAT_EQ(grid.rows[1][1].stats.guessA[0], 20.0f);
    EXPECT_FLOAT_EQ(grid.rows[0][1].stats.guessA[0], 21.0f);
}
