// Transcode of a 2048 x 2048 texture: the pipeline (table-driven conversion) beside the
// general two-encoder path for the same pixels, and a memcpy of the source bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "TestImages.h"
#include "Transcode.h"
#include "TranscodeFast.h"

using namespace qeltexture;

namespace {

constexpr uint32_t kSize = 2048;
constexpr size_t kPixels = size_t(kSize) * kSize;

const PixelType kRGB565('r', 'g', 'b', 0, 5, 6, 5, 0);
const PixelType kRGBA16F('r', 'g', 'b', 'a', 16, 16, 16, 16);
const PixelType kL8('l', 0, 0, 0, 8, 0, 0, 0);

// A photograph tiled to 2048 x 2048 when one is available, else reproducible noise.
const std::vector<uint8_t>& sourcePixels() {
    static const std::vector<uint8_t> pixels = [] {
        const auto names = qeltest::availableTestImages();
        qeltest::RGBAImage image;
        if (!names.empty() && qeltest::loadTestImage(names.front(), image))
            return qeltest::tileTo(image, kSize, kSize).pixels;
        std::vector<uint8_t> noise(kPixels * 4);
        std::mt19937 rng(1);
        for (auto& b : noise) b = uint8_t(rng());
        return noise;
    }();
    return pixels;
}

CQelTexture rgba8Texture() {
    return CQelTexture(CQelTextureHeader(QelStandard8PixelType.PixelTypeID, kSize, kSize), sourcePixels().data());
}

const CQelTexture& halfTexture() {
    static const CQelTexture texture = [] {
        CQelTexture t = rgba8Texture();
        Transcode(t, kRGBA16F, eVT_SignedFloat, eCS_LinearRGB, eQELTCFastest, false);
        return t;
    }();
    return texture;
}

struct Case {
    PixelType target;
    EQelTVariableType channelType;
    EQelTColourSpace colourSpace;
    bool dither;
};

const Case kCases[] = {
    {kRGB565, eVT_UnsignedShortNorm, eCS_LinearRGB, false},          // (a)
    {QelStandard8PixelType, eVT_UnsignedByteNorm, eCS_sRGB, false},  // (b)
    {QelStandard32PixelType, eVT_SignedFloat, eCS_LinearRGB, false}, // (c)
    {QelStandard8PixelType, eVT_UnsignedByteNorm, eCS_LinearRGB, false},  // (d), from half floats
    {kL8, eVT_UnsignedByteNorm, eCS_LinearRGB, true},                // (e)
};

void BM_Transcode(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const bool fromHalf = state.range(0) == 3;
    const CQelTexture source = fromHalf ? halfTexture() : rgba8Texture();
    for (auto _ : state) {
        state.PauseTiming();
        CQelTexture texture = source;
        state.ResumeTiming();
        const bool ok = Transcode(texture, c.target, c.channelType, c.colourSpace, eQELTCFastest, c.dither);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(texture.getDataPtr()[0]);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPixels));
}

// The same pixel conversion through the general path (copy in, EncodeFrom,
// ConvertToColourSpace, copy out); for (e) the final RGBA -> luminance conversion.
void BM_GeneralPath(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const bool fromHalf = state.range(0) == 3;
    const CQelTexture source = fromHalf ? halfTexture() : rgba8Texture();
    CPixelEncoder sourceEncoder(source.getPixelType(), source.getChannelType());
    CPixelEncoder destinationEncoder(c.target, c.channelType);
    std::vector<uint8_t> out(kPixels * destinationEncoder.GetColourDataSize());
    for (auto _ : state) {
        convertPixelsGeneral(source.getDataPtr(), out.data(), kPixels, sourceEncoder, destinationEncoder,
                             c.colourSpace, eCS_LinearRGB);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPixels));
}

// The table-driven conversion alone (plan, tables and pixels), into a buffer allocated
// once: the pipeline's figure less its output allocation.
void BM_TablePath(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const bool fromHalf = state.range(0) == 3;
    const CQelTexture source = fromHalf ? halfTexture() : rgba8Texture();
    const CPixelEncoder sourceEncoder(source.getPixelType(), source.getChannelType());
    const CPixelEncoder destinationEncoder(c.target, c.channelType);
    std::vector<uint8_t> out(kPixels * destinationEncoder.GetColourDataSize());
    for (auto _ : state) {
        CTablePixelConverter tables;
        if (!tables.prepare(sourceEncoder, destinationEncoder, c.colourSpace, eCS_LinearRGB, kPixels)) {
            state.SkipWithError("not covered by the tables");
            break;
        }
        tables.convert(source.getDataPtr(), out.data(), kPixels);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPixels));
}

void BM_Memcpy(benchmark::State& state) {
    const std::vector<uint8_t>& in = sourcePixels();
    std::vector<uint8_t> out(in.size());
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), in.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPixels));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}

void caseNames(benchmark::internal::Benchmark* b) {
    b->ArgName("case")->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
}

}  // namespace

// case 0: RGBA8 -> RGB565, 1: RGBA8 linear -> sRGB, 2: RGBA8 -> RGBA32F,
// 3: RGBA16F -> RGBA8, 4: RGBA8 -> L8 with dithering.
BENCHMARK(BM_Transcode)->Apply(caseNames);
BENCHMARK(BM_TablePath)->Apply(caseNames);
BENCHMARK(BM_GeneralPath)->Apply(caseNames);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
