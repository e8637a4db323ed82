// ETC codec throughput and quality on a real photograph.
//  - Decoding each ETC/EAC format, 1 and 2 threads (Mpix/s). ETC1/ETC2 RGB decode the
//    photograph's ETC1 encoding; the other formats decode seeded random blocks, which
//    reach every mode (T, H, planar, punch-through, every EAC table).
//  - ETC1 encoding at every quality, 1 and 2 threads (Mpix/s, PSNR); the exhaustive
//    levels on a 256x256 crop.
//  - The exhaustive searches side by side: the plain implementation and the library's
//    optimised one on the same blocks (ms/block), checking they agree.
//  - PSNR of ETC1 at every quality on every test photograph (run once, printed).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "../tests/etc/ETC1ExhaustiveSimple.h"
#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETCCompress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCDecompress.h"
#include "PixelFormat.h"
#include "TestImages.h"

using namespace qeltexture;

namespace {

struct RGBImage {
    unsigned width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

RGBImage toRGB(const qeltest::RGBAImage& img) {
    RGBImage out{img.width, img.height, std::vector<uint8_t>(size_t(img.width) * img.height * 3)};
    for (size_t i = 0; i < size_t(img.width) * img.height; ++i)
        for (int c = 0; c < 3; ++c) out.rgb[3 * i + c] = img.pixels[4 * i + c];
    return out;
}

double psnrRGB(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    const size_t n = a.size() / 3;
    std::vector<uint8_t> a4(n * 4, 255), b4(n * 4, 255);
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            a4[4 * i + c] = a[3 * i + c];
            b4[4 * i + c] = b[3 * i + c];
        }
    return qeltest::psnr(a4.data(), b4.data(), n);
}

// The photograph tiled to size x size (empty when the test data is absent).
const RGBImage& photo(unsigned size) {
    static RGBImage big, small;
    RGBImage& slot = size == 1024 ? big : small;
    if (slot.rgb.empty()) {
        qeltest::RGBAImage img;
        if (qeltest::loadTestImage("astronaut.png", img)) slot = toRGB(qeltest::tileTo(img, size, size));
    }
    return slot;
}

std::vector<uint8_t> encode(const RGBImage& img, int quality, unsigned threads) {
    std::vector<uint8_t> out(ETCCompress(nullptr, nullptr, img.width, img.height, quality, ePF_ETC1, false));
    ETCCompress(img.rgb.data(), out.data(), img.width, img.height, quality, ePF_ETC1, false, threads);
    return out;
}

std::vector<uint8_t> decodeETC1(const std::vector<uint8_t>& blocks, unsigned w, unsigned h) {
    std::vector<uint8_t> out(size_t(w) * h * 3);
    ETCDecompress(blocks.data(), out.data(), w, h, ePF_ETC1, false);
    return out;
}

const unsigned kFormats[6] = {ePF_ETC1, ePF_ETC2_RGB, ePF_ETC2_RGBA, ePF_ETC2_RGB_A1, ePF_EAC_R11, ePF_EAC_RG11};
const char* const kFormatNames[6] = {"ETC1", "ETC2_RGB", "ETC2_RGBA", "ETC2_RGB_A1", "EAC_R11", "EAC_RG11"};

// Decodes `rows` block rows starting at block row `firstRow` (one thread's share).
void decodeRows(const uint8_t* blocks, uint8_t* out, unsigned width, unsigned firstRow, unsigned rows,
                unsigned format, bool isSigned) {
    const unsigned blockBytes = (format == ePF_ETC2_RGBA || format == ePF_EAC_RG11) ? 16 : 8;
    const unsigned bpp = ETCDecompress(nullptr, nullptr, 1, 1, format, false);
    const unsigned h = rows * 4;
    ETCDecompress(blocks + size_t(firstRow) * (width / 4) * blockBytes,
                  out + size_t(firstRow) * 4 * width * bpp, width, h, format, isSigned);
}

void BM_Decode(benchmark::State& state) {
    const int f = int(state.range(0));
    const unsigned threads = unsigned(state.range(1));
    const bool isSigned = state.range(2) != 0;
    const unsigned format = kFormats[f];
    const unsigned size = 1024;
    std::vector<uint8_t> blocks;
    if (format == ePF_ETC1 || format == ePF_ETC2_RGB) {
        if (photo(size).rgb.empty()) {
            state.SkipWithError("test images not available");
            return;
        }
        blocks = encode(photo(size), 0, 2);  // fast quality
    } else {
        const unsigned blockBytes = (format == ePF_ETC2_RGBA || format == ePF_EAC_RG11) ? 16 : 8;
        blocks.resize(size_t(size / 4) * (size / 4) * blockBytes);
        std::mt19937 rng(1234);
        for (auto& b : blocks) b = uint8_t(rng());
    }
    std::vector<uint8_t> out(ETCDecompress(nullptr, nullptr, size, size, format, isSigned));
    const unsigned blockRows = size / 4;
    for (auto _ : state) {
        if (threads == 1) {
            decodeRows(blocks.data(), out.data(), size, 0, blockRows, format, isSigned);
        } else {
            std::thread other(decodeRows, blocks.data(), out.data(), size, blockRows / 2,
                              blockRows - blockRows / 2, format, isSigned);
            decodeRows(blocks.data(), out.data(), size, 0, blockRows / 2, format, isSigned);
            other.join();
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(std::string(kFormatNames[f]) + (isSigned ? " signed" : ""));
    state.counters["Mpix/s"] = benchmark::Counter(double(size) * size * double(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
}
// Single-threaded rates use the calling thread's CPU time (robust on a loaded machine);
// two-thread rates need wall-clock time.
BENCHMARK(BM_Decode)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {1}, {0}})
    ->Args({4, 1, 1})->Args({5, 1, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {2}, {0}})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodeETC1(benchmark::State& state) {
    const int quality = int(state.range(0));
    const unsigned threads = unsigned(state.range(1));
    const unsigned size = quality >= 2 ? 256 : 1024;  // exhaustive levels on the crop
    const RGBImage& img = photo(size);
    if (img.rgb.empty()) {
        state.SkipWithError("test images not available");
        return;
    }
    std::vector<uint8_t> blocks;
    for (auto _ : state) {
        blocks = encode(img, quality, threads);
        benchmark::DoNotOptimize(blocks.data());
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(size) * size * double(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
    state.counters["PSNR"] = psnrRGB(img.rgb, decodeETC1(blocks, size, size));
    state.SetLabel(std::to_string(size) + "x" + std::to_string(size));
}
BENCHMARK(BM_EncodeETC1)
    ->ArgsProduct({{0, 1, 2, 3}, {1}})
    ->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_EncodeETC1)
    ->ArgsProduct({{0, 1, 2, 3}, {2}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

// The same blocks through the plain and the optimised exhaustive encoders.
void BM_ExhaustiveSideBySide(benchmark::State& state) {
    const bool optimised = state.range(0) != 0;
    const bool perceptual = state.range(1) != 0;
    const RGBImage& img = photo(256);
    if (img.rgb.empty()) {
        state.SkipWithError("test images not available");
        return;
    }
    const int blocks = 8;
    unsigned words[blocks][2] = {};
    for (auto _ : state) {
        for (int k = 0; k < blocks; ++k) {
            const int x = ((k * 37) % 64) * 4, y = ((k * 23 + 11) % 64) * 4;
            uint8_t decoded[48];
            unsigned& hi = words[k][0];
            unsigned& lo = words[k][1];
            if (optimised) {
                if (perceptual) compressBlockETC1ExhaustivePerceptual(img.rgb.data(), decoded, 256, x, y, hi, lo);
                else compressBlockETC1Exhaustive(img.rgb.data(), decoded, 256, x, y, hi, lo);
            } else {
                if (perceptual) qeltest::simple::etc1ExhaustivePerceptual(img.rgb.data(), 256, x, y, hi, lo);
                else qeltest::simple::etc1Exhaustive(img.rgb.data(), 256, x, y, hi, lo);
            }
        }
        benchmark::DoNotOptimize(words);
    }
    // Fold the block words into a checksum so the two rows can be compared at a glance.
    unsigned sum = 0;
    for (auto& w : words) sum = sum * 31u + w[0] * 7u + w[1];
    state.counters["checksum"] = double(sum % 1000000u);
    state.counters["ms/block"] = benchmark::Counter(double(blocks) * double(state.iterations()) / 1000.0,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(std::string(optimised ? "optimised" : "straightforward") + (perceptual ? " perceptual" : " plain"));
}
BENCHMARK(BM_ExhaustiveSideBySide)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// 10,000 blocks (half random, half from the photographs): each exhaustive encoder's
// error in its own metric is never above the fast encoder's. Prints the violations.
void BM_ExhaustiveNeverWorseSweep(benchmark::State& state) {
    std::vector<std::vector<uint8_t>> blocks;
    std::mt19937 rng(99);
    for (int k = 0; k < 5000; ++k) {
        std::vector<uint8_t> b(48);
        const int smooth = k % 2;
        const int base = int(rng() % 256);
        for (int i = 0; i < 48; ++i)
            b[i] = smooth ? uint8_t(std::min(255, std::max(0, base + (i % 12) * 3 - 16 + int(rng() % 9))))
                          : uint8_t(rng());
        blocks.push_back(b);
    }
    for (const std::string& name : qeltest::availableTestImages()) {
        qeltest::RGBAImage rgba;
        if (!qeltest::loadTestImage(name, rgba)) continue;
        const RGBImage img = toRGB(rgba);
        const unsigned bw = img.width / 4, bh = img.height / 4;
        for (int k = 0; k < 625; ++k) {
            const unsigned idx = unsigned(rng() % (bw * bh)), bx = idx % bw, by = idx / bw;
            std::vector<uint8_t> b(48);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x)
                    for (int c = 0; c < 3; ++c)
                        b[(y * 4 + x) * 3 + c] = img.rgb[((by * 4 + y) * img.width + bx * 4 + x) * 3 + c];
            blocks.push_back(b);
        }
    }
    auto errors = [](const std::vector<uint8_t>& src, unsigned high, unsigned low, unsigned& plain, unsigned& percep) {
        uint8_t d[48];
        decompressBlockDiffFlip(high, low, d, 4, 0, 0);
        plain = percep = 0;
        const unsigned w[3] = {299, 587, 114};
        for (int i = 0; i < 48; ++i) {
            const unsigned e = unsigned((d[i] - src[i]) * (d[i] - src[i]));
            plain += e;
            percep += e * w[i % 3];
        }
    };
    size_t worsePlain = 0, worsePercep = 0;
    for (auto _ : state) {
        for (const auto& b : blocks) {
            uint8_t decoded[48];
            unsigned fh, fl, eh, el, fp, fq, ep, eq;
            compressBlockDiffFlipFast(b.data(), decoded, 4, 0, 0, fh, fl);
            compressBlockETC1Exhaustive(b.data(), decoded, 4, 0, 0, eh, el);
            errors(b, fh, fl, fp, fq);
            errors(b, eh, el, ep, eq);
            worsePlain += ep > fp;
            compressBlockDiffFlipFastPerceptual(b.data(), decoded, 4, 0, 0, fh, fl);
            compressBlockETC1ExhaustivePerceptual(b.data(), decoded, 4, 0, 0, eh, el);
            errors(b, fh, fl, fp, fq);
            errors(b, eh, el, ep, eq);
            worsePercep += eq > fq;
        }
    }
    std::printf("exhaustive vs fast on %zu blocks: worse (plain) %zu, worse (perceptual) %zu\n", blocks.size(),
                worsePlain, worsePercep);
    state.counters["blocks"] = double(blocks.size());
    state.counters["worse_plain"] = double(worsePlain);
    state.counters["worse_percep"] = double(worsePercep);
}
BENCHMARK(BM_ExhaustiveNeverWorseSweep)->Iterations(1)->Unit(benchmark::kSecond);

// PSNR of ETC1 at every quality on every test photograph, printed once (2 threads).
void BM_PsnrAllImages(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& name : qeltest::availableTestImages()) {
            qeltest::RGBAImage rgba;
            if (!qeltest::loadTestImage(name, rgba)) continue;
            const RGBImage img = toRGB(rgba);
            std::printf("ETC1 PSNR %-14s %4ux%-4u", name.c_str(), img.width, img.height);
            for (int q = 0; q < 4; ++q)
                std::printf("  q%d %6.2f dB", q, psnrRGB(img.rgb, decodeETC1(encode(img, q, 2), img.width, img.height)));
            std::printf("\n");
        }
    }
}
BENCHMARK(BM_PsnrAllImages)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
