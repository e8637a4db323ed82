// Resize and MIP chain throughput on a 2048 x 2048 8-bit RGBA photograph, each beside the
// plain per-pixel reference resampler. Rates are level-0 (source) pixels per second.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "../tests/ResampleReference.h"
#include "ImageOps/MIPMaps.h"
#include "ImageOps/Resize.h"
#include "TestImages.h"
#include "Texture.h"

using namespace qeltexture;

namespace {

constexpr uint32_t kSize = 2048;

const CQelTexture& sourceTexture() {
    static const CQelTexture texture = [] {
        qeltest::RGBAImage photo;
        if (!qeltest::loadTestImage("astronaut.png", photo)) {
            photo.width = photo.height = 256;
            photo.pixels.resize(256 * 256 * 4);
            std::mt19937 rng(1);
            for (auto& b : photo.pixels) b = uint8_t(rng());
        }
        photo = qeltest::tileTo(photo, kSize, kSize);
        CQelTextureHeader header(QelStandard8PixelType.PixelTypeID, kSize, kSize);
        return CQelTexture(header, photo.pixels.data());
    }();
    return texture;
}

const Pixel<uint8_t>* sourcePixels() { return reinterpret_cast<const Pixel<uint8_t>*>(sourceTexture().getDataPtr()); }

void BM_MIPChain(benchmark::State& state, EResizeMode mode) {
    for (auto _ : state) {
        CQelTexture t = sourceTexture();
        if (!GenerateMIPMaps(t, mode, 0xFFFFFFFFu)) state.SkipWithError("GenerateMIPMaps failed");
        benchmark::DoNotOptimize(t.getDataPtr(1));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kSize) * kSize);
}

void BM_MIPChainReference(benchmark::State& state, int mode) {
    for (auto _ : state) {
        std::vector<Pixel<uint8_t>> level(sourcePixels(), sourcePixels() + size_t(kSize) * kSize);
        for (uint32_t w = kSize; w > 1; w /= 2) {
            std::vector<Pixel<uint8_t>> next(size_t(w / 2) * (w / 2));
            reference::stretch(level.data(), next.data(), w, w, 1, w / 2, w / 2, 1, mode);
            level.swap(next);
        }
        benchmark::DoNotOptimize(level.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kSize) * kSize);
}

void BM_Resize(benchmark::State& state, EResizeMode mode) {
    for (auto _ : state) {
        CQelTexture t = sourceTexture();
        if (!Resize(t, 1000, 1000, 1, mode)) state.SkipWithError("Resize failed");
        benchmark::DoNotOptimize(t.getDataPtr());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kSize) * kSize);
}

void BM_ResizeReference(benchmark::State& state, int mode) {
    for (auto _ : state) {
        auto out = reference::stepped(sourcePixels(), kSize, kSize, 1, 1000, 1000, 1, mode);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kSize) * kSize);
}

}  // namespace

BENCHMARK_CAPTURE(BM_MIPChain, linear, eResizeLinear)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MIPChainReference, linear, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MIPChain, cubic, eResizeCubic)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MIPChainReference, cubic, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Resize, linear, eResizeLinear)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ResizeReference, linear, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Resize, cubic, eResizeCubic)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ResizeReference, cubic, 2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
