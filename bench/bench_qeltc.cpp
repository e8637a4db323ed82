// QELTC / QELTCII codec speed and quality.
//  - BM_Decode: Mpixel/s of each of the six formats on a 1024 x 1024 tiling of a photograph
//    (data made by the quality-0 encoder), with the straightforward per-pixel decoder of the
//    tests beside the library's decoders (BM_DecodePerPixel).
//  - BM_Encode: Mpixel/s of every format at qualities 0 and 1 on the same image.
//  - BM_Quality: PSNR (RGB, and alpha for RGBA sources) of every test photograph per format
//    and quality; QELTC on the largest power-of-two crop the photograph holds, QELTCII at
//    its own size. One iteration; the numbers are counters.
//  - BM_SelectColours: the encoder's initial-colour pair search, library version against
//    the direct pair-by-pair search (<true>).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../tests/qeltc_reference_decoder.h"
#include "Codecs/QELTC/QELTCBlockData.h"
#include "Codecs/QELTC/QELTCBlockOrder.h"
#include "Codecs/QELTC/QELTCCompress.h"
#include "Codecs/QELTC/QELTCCompressorBase.h"
#include "Codecs/QELTC/QELTCDecompress.h"
#include "TestImages.h"

using namespace qeltexture;

namespace {

struct Format {
    const char* name;
    bool do2bit;
    unsigned version;
    bool forceOpaque;  // the RGB formats encode with alpha 255, as the pipeline feeds them
};
const Format kFormats[6] = {{"QELTCI_2bpp_RGB", true, 0, true},   {"QELTCI_2bpp_RGBA", true, 0, false},
                            {"QELTCI_4bpp_RGB", false, 0, true},  {"QELTCI_4bpp_RGBA", false, 0, false},
                            {"QELTCII_2bpp", true, 1, false},     {"QELTCII_4bpp", false, 1, false}};
const unsigned kSide = 1024;

const qeltest::RGBAImage* photo() {
    static qeltest::RGBAImage tiled;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        qeltest::RGBAImage source;
        if (qeltest::loadTestImage("coffee.png", source)) tiled = qeltest::tileTo(source, kSide, kSide);
    }
    return tiled.pixels.empty() ? nullptr : &tiled;
}

std::vector<uint8_t> input(const Format& f, const qeltest::RGBAImage& img) {
    std::vector<uint8_t> px = img.pixels;
    if (f.forceOpaque)
        for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
    return px;
}

std::vector<uint8_t> encoded(const Format& f, const std::vector<uint8_t>& px, unsigned w, unsigned h, unsigned q) {
    std::vector<uint8_t> data(QELTCCompress(px.data(), nullptr, w, h, !f.forceOpaque, f.do2bit, f.version, q));
    if (QELTCCompress(px.data(), data.data(), w, h, !f.forceOpaque, f.do2bit, f.version, q) != data.size()) data.clear();
    return data;
}

void setRate(benchmark::State& state, double pixels) {
    state.counters["Mpix/s"] = benchmark::Counter(pixels * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_Decode(benchmark::State& state) {
    const Format& f = kFormats[state.range(0)];
    const qeltest::RGBAImage* img = photo();
    if (!img) return state.SkipWithError("test photograph missing");
    auto data = encoded(f, input(f, *img), kSide, kSide, 0);
    std::vector<uint8_t> out(size_t(kSide) * kSide * 4);
    for (auto _ : state) {
        benchmark::DoNotOptimize(QELTCDecompress(data.data(), out.data(), kSide, kSide, f.do2bit, f.version));
        benchmark::ClobberMemory();
    }
    state.SetLabel(f.name);
    setRate(state, double(kSide) * kSide);
}

void BM_DecodePerPixel(benchmark::State& state) {
    const Format& f = kFormats[state.range(0)];
    const qeltest::RGBAImage* img = photo();
    if (!img) return state.SkipWithError("test photograph missing");
    auto data = encoded(f, input(f, *img), kSide, kSide, 0);
    const uint32_t W = kSide / (f.do2bit ? 8 : 4), H = kSide / 4;
    auto index = [&](uint32_t bx, uint32_t by) {
        return f.version == 0 ? QELTCBlockIndex(bx, by, W, H, 0) : by * W + bx;
    };
    for (auto _ : state) {
        auto out = qeltcref::ReferenceDecoder(data.data(), kSide, kSide, f.do2bit, f.version, index).decode();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(f.name);
    setRate(state, double(kSide) * kSide);
}

void BM_Encode(benchmark::State& state) {
    const Format& f = kFormats[state.range(0)];
    const unsigned quality = unsigned(state.range(1));
    const qeltest::RGBAImage* img = photo();
    if (!img) return state.SkipWithError("test photograph missing");
    auto px = input(f, *img);
    std::vector<uint8_t> out(QELTCCompress(nullptr, nullptr, kSide, kSide, true, f.do2bit, f.version, quality));
    std::vector<uint8_t> decoded(size_t(kSide) * kSide * 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            QELTCCompress(px.data(), out.data(), kSide, kSide, !f.forceOpaque, f.do2bit, f.version, quality));
    QELTCDecompress(out.data(), decoded.data(), kSide, kSide, f.do2bit, f.version);
    state.counters["PSNR_RGB"] = qeltest::psnr(px.data(), decoded.data(), size_t(kSide) * kSide);
    state.SetLabel(f.name);
    setRate(state, double(kSide) * kSide);
}

// The initial-colour pair search on the 64-pixel windows of the 4 bpp encoder, against the
// direct pair-by-pair search it replaces (same pairs; see the encoder tests).
std::vector<uint32_t> windows() {
    std::vector<uint32_t> colours;
    const qeltest::RGBAImage* img = photo();
    if (!img) return colours;
    for (unsigned by = 0; by + 8 <= 256; by += 4)
        for (unsigned bx = 0; bx + 8 <= 256; bx += 4)
            for (unsigned y = 0; y < 8; ++y)
                for (unsigned x = 0; x < 8; ++x) {
                    const uint8_t* p = &img->pixels[((by + y) * kSide + bx + x) * 4];
                    colours.push_back(QELTCPackRGBA(p[0], p[1], p[2], p[3]));
                }
    return colours;
}

void pairByPair(const uint32_t* colours, size_t count, uint32_t& a, uint32_t& b) {
    uint32_t first = colours[0], second = colours[0];
    int64_t best = -1;
    for (size_t i = 0; i < count; ++i)
        for (size_t j = i + 1; j < count; ++j) {
            int64_t d = QELTCDistance2(colours[i], colours[j]);
            if (d > best) best = d, first = colours[i], second = colours[j];
        }
    const bool firstIsA = QELTCLuminance(first) < QELTCLuminance(second) ||
                          (QELTCLuminance(first) == QELTCLuminance(second) && first <= second);
    a = firstIsA ? first : second;
    b = firstIsA ? second : first;
}

template <bool Direct>
void BM_SelectColours(benchmark::State& state) {
    const auto colours = windows();
    if (colours.empty()) return state.SkipWithError("test photograph missing");
    for (auto _ : state)
        for (size_t i = 0; i < colours.size(); i += 64) {
            uint32_t a, b;
            if (Direct) pairByPair(&colours[i], 64, a, b);
            else selectColoursAB_MaxDistance(&colours[i], 64, a, b);
            benchmark::DoNotOptimize(a + b);
        }
    state.counters["windows/s"] = benchmark::Counter(double(colours.size() / 64) * double(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}

uint32_t largestPow2(uint32_t v) {
    uint32_t p = 1;
    while (p * 2 <= v) p *= 2;
    return p;
}

void BM_Quality(benchmark::State& state) {
    const Format& f = kFormats[state.range(0)];
    const unsigned quality = unsigned(state.range(1));
    const auto names = qeltest::availableTestImages();
    if (names.empty()) return state.SkipWithError("test photographs missing");
    for (auto _ : state) {
        for (const std::string& name : names) {
            qeltest::RGBAImage photo;
            if (!qeltest::loadTestImage(name, photo)) continue;
            uint32_t w = photo.width, h = photo.height;
            if (f.version == 0) w = largestPow2(w), h = largestPow2(h);
            auto px = input(f, qeltest::tileTo(photo, w, h));
            auto data = encoded(f, px, w, h, quality);
            std::vector<uint8_t> decoded(size_t(w) * h * 4);
            if (data.empty() || !QELTCDecompress(data.data(), decoded.data(), w, h, f.do2bit, f.version)) {
                state.SkipWithError(("encode failed: " + name).c_str());
                return;
            }
            const std::string key = name.substr(0, name.find('.'));
            state.counters[key] = qeltest::psnr(px.data(), decoded.data(), size_t(w) * h);
            bool hasAlpha = false;
            for (size_t i = 3; i < photo.pixels.size(); i += 4) hasAlpha |= photo.pixels[i] != 255;
            if (hasAlpha && !f.forceOpaque) state.counters[key + "_A"] = qeltest::psnr(px.data(), decoded.data(), size_t(w) * h, 0x8);
        }
    }
    state.SetLabel(f.name);
}

}  // namespace

BENCHMARK(BM_Decode)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePerPixel)->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_TEMPLATE(BM_SelectColours, false)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_SelectColours, true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 1}})->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Quality)->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 1}})->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
