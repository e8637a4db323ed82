// Multi-pass QELTC / QELTCII encoder: quality and speed.
//  - BM_AMTCQuality: for every test photograph (QELTC on the largest power-of-two crop it
//    holds, QELTCII at its own size), per format and QELTCCompress quality (0 and 1 are the
//    class compressors, 2..6 the multi-pass encoder at 0..4), on 1 or 2 threads: PSNR over RGB
//    (<name>) and over alpha for RGBA sources (<name>_A) as counters, and the encode rate over
//    all photographs (Mpix/s). One iteration: the numbers are counters.
//  - BM_AMTC1024: quality 2 at 4 bpp on a 1024 x 1024 tiling of a photograph, 1 and 2 threads.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "Codecs/QELTC/QELTCCompress.h"
#include "Codecs/QELTC/QELTCDecompress.h"
#include "TestImages.h"

using namespace qeltexture;

namespace {

struct Format {
    const char* name;
    bool do2bit;
    unsigned version;
};
const Format kFormats[4] = {{"QELTC_2bpp", true, 0}, {"QELTC_4bpp", false, 0}, {"QELTCII_2bpp", true, 1},
                            {"QELTCII_4bpp", false, 1}};

uint32_t largestPow2(uint32_t v) {
    uint32_t p = 1;
    while (p * 2 <= v) p *= 2;
    return p;
}

struct Photo {
    std::string key;
    qeltest::RGBAImage image;
    bool hasAlpha;
};

const std::vector<Photo>& photos() {
    static std::vector<Photo> all;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        for (const std::string& name : qeltest::availableTestImages()) {
            Photo p;
            if (!qeltest::loadTestImage(name, p.image)) continue;
            p.key = name.substr(0, name.find('.'));
            p.hasAlpha = false;
            for (size_t i = 3; i < p.image.pixels.size(); i += 4) p.hasAlpha |= p.image.pixels[i] != 255;
            all.push_back(std::move(p));
        }
    }
    return all;
}

void BM_AMTCQuality(benchmark::State& state) {
    const Format& f = kFormats[state.range(0)];
    const unsigned quality = unsigned(state.range(1));
    const unsigned threads = unsigned(state.range(2));
    if (photos().empty()) return state.SkipWithError("test photographs missing");
    double seconds = 0, pixels = 0;
    for (auto _ : state) {
        for (const Photo& photo : photos()) {
            uint32_t w = photo.image.width, h = photo.image.height;
            if (f.version == 0) w = largestPow2(w), h = largestPow2(h);
            const qeltest::RGBAImage src = qeltest::tileTo(photo.image, w, h);
            std::vector<uint8_t> data(QELTCCompress(src.pixels.data(), nullptr, w, h, true, f.do2bit, f.version, quality));
            const auto t0 = std::chrono::steady_clock::now();
            const unsigned n =
                QELTCCompress(src.pixels.data(), data.data(), w, h, true, f.do2bit, f.version, quality, threads);
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            pixels += double(w) * h;
            std::vector<uint8_t> decoded(size_t(w) * h * 4);
            if (n != data.size() || !QELTCDecompress(data.data(), decoded.data(), w, h, f.do2bit, f.version))
                return state.SkipWithError(("encode failed: " + photo.key).c_str());
            state.counters[photo.key] = qeltest::psnr(src.pixels.data(), decoded.data(), size_t(w) * h);
            if (photo.hasAlpha)
                state.counters[photo.key + "_A"] = qeltest::psnr(src.pixels.data(), decoded.data(), size_t(w) * h, 0x8);
        }
    }
    state.counters["Mpix/s"] = pixels / seconds / 1e6;
    state.SetLabel(std::string(f.name) + " q" + std::to_string(quality) + " t" + std::to_string(threads));
}

void BM_AMTC1024(benchmark::State& state) {
    const unsigned threads = unsigned(state.range(0));
    qeltest::RGBAImage photo;
    if (!qeltest::loadTestImage("coffee.png", photo)) return state.SkipWithError("test photograph missing");
    const qeltest::RGBAImage src = qeltest::tileTo(photo, 1024, 1024);
    std::vector<uint8_t> data(1024 * 1024 / 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(QELTCCompress(src.pixels.data(), data.data(), 1024u, 1024u, true, false, 0u, 2u, threads));
    state.counters["Mpix/s"] = benchmark::Counter(1024.0 * 1024 * double(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
    state.SetLabel("QELTC_4bpp q2 t" + std::to_string(threads));
}

void qualityArgs(benchmark::internal::Benchmark* b) {
    for (int f = 0; f < 4; ++f) {
        b->Args({f, 0, 1})->Args({f, 1, 1});
        for (int q = 2; q <= 6; ++q) b->Args({f, q, 1})->Args({f, q, 2});
    }
}

}  // namespace

BENCHMARK(BM_AMTCQuality)->Apply(qualityArgs)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_AMTC1024)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_MAIN();
