// ETC codec throughput and quality on a real photograph.
//  - Decoding each ETC/EAC format, 1 and 2 threads (Mpix/s). ETC1/ETC2 RGB decode the
//    photograph's ETC1 encoding; the other formats decode seeded random blocks, which
//    reach every mode (T, H, planar, punch-through, every EAC table).
//  - ETC1 encoding at every quality, 1 and 2 threads (Mpix/s, PSNR); the exhaustive
//    levels on a 256x256 crop.
//  - The exhaustive searches side by side: the plain implementation and the library's
//    optimised one on the same blocks (ms/block), checking they agree.
//  - PSNR of ETC1 at every quality on every test photograph (run once, printed).
//  - ETC2 RGB, RGBA, RGB A1 at every quality and EAC R11 / RG11 (unsigned and signed),
//    1 and 2 threads (Mpix/s, PSNR); the exhaustive ETC2 levels on a 128x128 crop.
//    ETC2 RGBA also on a drawing with its own soft alpha.
//  - The exhaustive ETC2 encoders and the 11-bit EAC search beside straightforward
//    ones on the same blocks, the fast 8-bit alpha search beside the plain walk, a
//    sweep showing the exhaustive ETC2 encoders never lose to the fast ones, how
//    often the slow 8-bit alpha search loses to the fast one,
//    and the ETC2 mode histogram on the photographs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "../tests/etc/ETC1ExhaustiveSimple.h"
#include "../tests/etc/ETC2ExhaustiveSimple.h"
#include "../tests/etc/ETCTestBlocks.h"
#include "Codecs/ETC/EACCompress.h"
#include "Codecs/ETC/ETC2Compress.h"
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


// ---- ETC2 and EAC ----

// The photograph as RGB8, RGBA8 with a synthetic alpha (ETC2 RGBA: the green channel;
// RGB A1: 0 where green < 64, else 255), and 16-bit R / RG (red and green x 257).
struct Sources {
    unsigned size = 0;
    std::vector<uint8_t> rgb, rgbaAlpha, rgbaPunch;
    std::vector<uint16_t> r16, rg16;
};

const Sources& sources(unsigned size) {
    static Sources big, mid, small;
    Sources& s = size >= 1024 ? big : (size >= 256 ? mid : small);
    if (s.size == 0) {
        qeltest::RGBAImage img;
        if (!qeltest::loadTestImage("astronaut.png", img)) return s;
        const qeltest::RGBAImage t = qeltest::tileTo(img, size, size);
        const size_t n = size_t(size) * size;
        s.size = size;
        s.rgb.resize(n * 3);
        s.rgbaAlpha = s.rgbaPunch = t.pixels;
        s.r16.resize(n);
        s.rg16.resize(n * 2);
        for (size_t i = 0; i < n; ++i) {
            for (int c = 0; c < 3; ++c) s.rgb[3 * i + c] = t.pixels[4 * i + c];
            s.rgbaAlpha[4 * i + 3] = t.pixels[4 * i + 1];
            s.rgbaPunch[4 * i + 3] = t.pixels[4 * i + 1] < 64 ? 0 : 255;
            s.r16[i] = uint16_t(t.pixels[4 * i] * 257);
            s.rg16[2 * i] = s.r16[i];
            s.rg16[2 * i + 1] = uint16_t(t.pixels[4 * i + 1] * 257);
        }
    }
    return s;
}

const unsigned kETC2Formats[3] = {ePF_ETC2_RGB, ePF_ETC2_RGBA, ePF_ETC2_RGB_A1};
const char* const kETC2Names[3] = {"ETC2_RGB", "ETC2_RGBA", "ETC2_RGB_A1"};

// PSNR over RGB (and, for RGBA, alpha separately) of a decoded surface.
void etc2Quality(unsigned format, const Sources& s, const std::vector<uint8_t>& blocks, double& rgbPsnr,
                 double& alphaPsnr) {
    const size_t n = size_t(s.size) * s.size;
    const unsigned channels = format == ePF_ETC2_RGB ? 3 : 4;
    std::vector<uint8_t> back(n * channels);
    ETCDecompress(blocks.data(), back.data(), s.size, s.size, format, false);
    const std::vector<uint8_t>& ref = format == ePF_ETC2_RGBA ? s.rgbaAlpha : s.rgbaPunch;
    std::vector<uint8_t> a4(n * 4, 255), b4(n * 4, 255);
    for (size_t i = 0; i < n; ++i) {
        const bool hidden = format == ePF_ETC2_RGB_A1 && ref[4 * i + 3] == 0;
        for (int c = 0; c < 3; ++c) {
            a4[4 * i + c] = hidden ? 0 : s.rgb[3 * i + c];
            b4[4 * i + c] = hidden ? 0 : back[channels * i + c];
        }
        if (channels == 4) {
            a4[4 * i + 3] = ref[4 * i + 3];
            b4[4 * i + 3] = back[4 * i + 3];
        }
    }
    rgbPsnr = qeltest::psnr(a4.data(), b4.data(), n, 0x7);
    alphaPsnr = channels == 4 ? qeltest::psnr(a4.data(), b4.data(), n, 0x8) : 0.0;
}

void BM_EncodeETC2(benchmark::State& state) {
    const int f = int(state.range(0));
    const int quality = int(state.range(1));
    const unsigned threads = unsigned(state.range(2));
    const unsigned size = quality >= 2 ? 128 : 1024;  // exhaustive levels on the crop
    const Sources& s = sources(size);
    if (s.size == 0) {
        state.SkipWithError("test images not available");
        return;
    }
    const unsigned format = kETC2Formats[f];
    const void* src = format == ePF_ETC2_RGB ? static_cast<const void*>(s.rgb.data())
                      : format == ePF_ETC2_RGBA ? static_cast<const void*>(s.rgbaAlpha.data())
                                                : static_cast<const void*>(s.rgbaPunch.data());
    std::vector<uint8_t> blocks(ETCCompress(nullptr, nullptr, size, size, quality, format, false));
    for (auto _ : state) {
        ETCCompress(src, blocks.data(), size, size, quality, format, false, threads);
        benchmark::DoNotOptimize(blocks.data());
    }
    double rgbPsnr, alphaPsnr;
    etc2Quality(format, s, blocks, rgbPsnr, alphaPsnr);
    state.counters["Mpix/s"] = benchmark::Counter(double(size) * size * double(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
    state.counters["PSNR"] = rgbPsnr;
    if (format != ePF_ETC2_RGB) state.counters["PSNR_A"] = alphaPsnr;
    state.SetLabel(std::string(kETC2Names[f]) + " " + std::to_string(size) + "x" + std::to_string(size));
}
BENCHMARK(BM_EncodeETC2)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3}, {1}})
    ->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_EncodeETC2)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3}, {2}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

// ETC2 RGBA at the fast level on a drawing with its own soft alpha (rose, tiled to
// 1024x1024): most alpha blocks are flat there, unlike the photograph's green channel
// used as alpha above, which is the hard case for the alpha search.
void BM_EncodeETC2RealAlpha(benchmark::State& state) {
    qeltest::RGBAImage img;
    if (!qeltest::loadTestImage("rose.png", img)) {
        state.SkipWithError("test images not available");
        return;
    }
    const unsigned size = 1024;
    const qeltest::RGBAImage t = qeltest::tileTo(img, size, size);
    std::vector<uint8_t> blocks(ETCCompress(nullptr, nullptr, size, size, 0, ePF_ETC2_RGBA, false));
    for (auto _ : state) {
        ETCCompress(t.pixels.data(), blocks.data(), size, size, 0, ePF_ETC2_RGBA, false, 1);
        benchmark::DoNotOptimize(blocks.data());
    }
    std::vector<uint8_t> back(t.pixels.size());
    ETCDecompress(blocks.data(), back.data(), size, size, ePF_ETC2_RGBA, false);
    state.counters["Mpix/s"] = benchmark::Counter(double(size) * size * double(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
    state.counters["PSNR"] = qeltest::psnr(t.pixels.data(), back.data(), size_t(size) * size, 0x7);
    state.counters["PSNR_A"] = qeltest::psnr(t.pixels.data(), back.data(), size_t(size) * size, 0x8);
    state.SetLabel("ETC2_RGBA rose 1024x1024");
}
BENCHMARK(BM_EncodeETC2RealAlpha)->Unit(benchmark::kMillisecond)->MinTime(0.5);

void BM_EncodeEAC(benchmark::State& state) {
    const bool rg = state.range(0) != 0;
    const bool isSigned = state.range(1) != 0;
    const unsigned threads = unsigned(state.range(2));
    const unsigned size = 256;
    const Sources& s = sources(size);
    if (s.size == 0) {
        state.SkipWithError("test images not available");
        return;
    }
    std::vector<uint16_t> src = rg ? s.rg16 : s.r16;
    if (isSigned)
        for (auto& v : src) v = uint16_t(v - 32768);
    const unsigned format = rg ? ePF_EAC_RG11 : ePF_EAC_R11;
    std::vector<uint8_t> blocks(ETCCompress(nullptr, nullptr, size, size, 0, format, isSigned));
    for (auto _ : state) {
        ETCCompress(src.data(), blocks.data(), size, size, 0, format, isSigned, threads);
        benchmark::DoNotOptimize(blocks.data());
    }
    std::vector<uint16_t> back(src.size());
    ETCDecompress(blocks.data(), back.data(), size, size, format, isSigned);
    double sum = 0;
    for (size_t i = 0; i < src.size(); ++i) {
        const double d = isSigned ? double(int16_t(src[i])) - double(int16_t(back[i])) : double(src[i]) - double(back[i]);
        sum += d * d;
    }
    const double mse = sum / double(src.size());
    state.counters["Mpix/s"] = benchmark::Counter(double(size) * size * double(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
    state.counters["PSNR"] = mse == 0 ? 99.0 : 10.0 * std::log10(65535.0 * 65535.0 / mse);
    state.SetLabel(std::string(rg ? "EAC_RG11" : "EAC_R11") + (isSigned ? " signed" : "") + " 256x256");
}
BENCHMARK(BM_EncodeEAC)->ArgsProduct({{0, 1}, {0, 1}, {1}})->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_EncodeEAC)->ArgsProduct({{0, 1}, {0, 1}, {2}})->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

// Blocks spread over the 256x256 crop (the same for both rows of a side-by-side pair).
void blockOrigin(int k, int& x, int& y) {
    x = ((k * 37) % 64) * 4;
    y = ((k * 23 + 11) % 64) * 4;
}

void BM_ETC2ExhaustiveSideBySide(benchmark::State& state) {
    const bool optimised = state.range(0) != 0;
    const bool perceptual = state.range(1) != 0;
    const Sources& s = sources(256);
    if (s.size == 0) {
        state.SkipWithError("test images not available");
        return;
    }
    const int blocks = 8;
    unsigned words[blocks][2] = {};
    for (auto _ : state) {
        for (int k = 0; k < blocks; ++k) {
            int x, y;
            blockOrigin(k, x, y);
            uint8_t decoded[48];
            if (!optimised) etc2simple::etc2Exhaustive(perceptual, s.rgb.data(), 256, x, y, words[k][0], words[k][1]);
            else if (perceptual) compressBlockETC2ExhaustivePerceptual(s.rgb.data(), decoded, 256, x, y, words[k][0], words[k][1]);
            else compressBlockETC2Exhaustive(s.rgb.data(), decoded, 256, x, y, words[k][0], words[k][1]);
        }
        benchmark::DoNotOptimize(words);
    }
    unsigned sum = 0;
    for (auto& w : words) sum = sum * 31u + w[0] * 7u + w[1];
    state.counters["checksum"] = double(sum % 1000000u);
    state.counters["ms/block"] = benchmark::Counter(double(blocks) * double(state.iterations()) / 1000.0,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(std::string(optimised ? "optimised" : "straightforward") + (perceptual ? " perceptual" : " plain"));
}
BENCHMARK(BM_ETC2ExhaustiveSideBySide)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

void BM_EAC11SideBySide(benchmark::State& state) {
    const bool optimised = state.range(0) != 0;
    const bool isSigned = state.range(1) != 0;
    const Sources& s = sources(256);
    if (s.size == 0) {
        state.SkipWithError("test images not available");
        return;
    }
    std::vector<uint16_t> src = s.r16;
    if (isSigned)
        for (auto& v : src) v = uint16_t(v - 32768);
    const uint16_t* table = isSigned ? valueTableSigned() : valueTableUnsigned();
    const int blocks = 64;
    uint8_t out[blocks][8] = {};
    for (auto _ : state) {
        for (int k = 0; k < blocks; ++k) {
            int x, y;
            blockOrigin(k, x, y);
            if (optimised) compressBlockAlpha16(src.data(), 1, x, y, 256, out[k], isSigned, table);
            else etc2simple::compressAlpha16(src.data(), 1, x, y, 256, out[k], isSigned);
        }
        benchmark::DoNotOptimize(out);
    }
    unsigned sum = 0;
    for (auto& o : out)
        for (uint8_t b : o) sum = sum * 31u + b;
    state.counters["checksum"] = double(sum % 1000000u);
    state.counters["ms/block"] = benchmark::Counter(double(blocks) * double(state.iterations()) / 1000.0,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(std::string(optimised ? "optimised" : "straightforward") + (isSigned ? " signed" : " unsigned"));
}
BENCHMARK(BM_EAC11SideBySide)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

// The fast 8-bit alpha search with the library's table (per-difference tables and
// vector lower bounds) beside the plain directed walk at every base, which the search
// runs for any other table: an identical copy of the table. Same 4096 blocks of the
// photograph's green channel, same bytes.
void BM_AlphaSearchSideBySide(benchmark::State& state) {
    const bool optimised = state.range(0) != 0;
    const Sources& s = sources(256);
    if (s.size == 0) {
        state.SkipWithError("test images not available");
        return;
    }
    static int copy[256][8];
    std::memcpy(copy, alphaTable, sizeof(copy));
    const int (*table)[8] = optimised ? alphaTable : copy;
    std::vector<uint8_t> green(size_t(s.size) * s.size);
    for (size_t i = 0; i < green.size(); ++i) green[i] = s.rgbaAlpha[4 * i + 3];
    const int blocks = 4096;
    std::vector<uint8_t> out(size_t(blocks) * 8);
    for (auto _ : state) {
        for (int k = 0; k < blocks; ++k)
            compressBlockAlphaFast(green.data(), (k % 64) * 4, (k / 64) * 4, int(s.size), &out[size_t(k) * 8], table);
        benchmark::DoNotOptimize(out.data());
    }
    unsigned sum = 0;
    for (uint8_t b : out) sum = sum * 31u + b;
    state.counters["checksum"] = double(sum % 1000000u);
    state.counters["us/block"] = benchmark::Counter(double(blocks) * double(state.iterations()) / 1e6,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(optimised ? "optimised" : "straightforward");
}
BENCHMARK(BM_AlphaSearchSideBySide)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Thousands of blocks (random of several kinds and from every photograph): the
// exhaustive ETC2 encoders against the fast ones in their own metric, and the slow
// 8-bit alpha search against the fast one (alpha taken from the blocks' channels).
void BM_ETC2NeverWorseSweep(benchmark::State& state) {
    std::vector<etctest::Block> blocks = etctest::randomBlocks(1200, 77);
    // Pure noise is the slowest case for the exhaustive searches: keep 100 of them.
    std::vector<etctest::Block> kept;
    for (size_t k = 0, noise = 0; k < blocks.size(); ++k)
        if (k % 4 != 0 || noise++ < 100) kept.push_back(blocks[k]);
    for (const std::string& name : qeltest::availableTestImages())
        for (auto& b : etctest::imageBlocks(250, name)) kept.push_back(b);
    auto decode = [](unsigned high, unsigned low, uint8_t* out) { decompressBlockETC2(high, low, out, 4, 0, 0); };
    size_t worsePlain = 0, worsePercep = 0, alphaWorse = 0, alphaBetter = 0, alphaBlocks = 0;
    for (auto _ : state) {
        for (const auto& b : kept) {
            uint8_t decoded[48], d1[48], d2[48];
            unsigned fh, fl, eh, el;
            compressBlockETC2Fast(b.data(), nullptr, decoded, 4, 4, 0, 0, fh, fl, ePF_ETC2_RGB);
            compressBlockETC2Exhaustive(b.data(), decoded, 4, 0, 0, eh, el);
            decode(fh, fl, d1);
            decode(eh, el, d2);
            worsePlain += etctest::plainError(d2, b.data()) > etctest::plainError(d1, b.data());
            compressBlockETC2FastPerceptual(b.data(), decoded, 4, 0, 0, fh, fl);
            compressBlockETC2ExhaustivePerceptual(b.data(), decoded, 4, 0, 0, eh, el);
            decode(fh, fl, d1);
            decode(eh, el, d2);
            worsePercep += etctest::percep1000Error(d2, b.data()) > etctest::percep1000Error(d1, b.data());
            for (int c = 0; c < 3; ++c) {
                uint8_t alpha[16], fa[8], sa[8], ba[16], bs[16];
                for (int i = 0; i < 16; ++i) alpha[i] = b[i * 3 + c];
                compressBlockAlphaFast(alpha, 0, 0, 4, fa, alphaTable);
                compressBlockAlphaSlow(alpha, 0, 0, 4, sa, alphaTable);
                decompressBlockAlpha(fa, ba, 4, 0, 0, alphaTable);
                decompressBlockAlpha(sa, bs, 4, 0, 0, alphaTable);
                int ef = 0, es = 0;
                for (int i = 0; i < 16; ++i) {
                    ef += (ba[i] - alpha[i]) * (ba[i] - alpha[i]);
                    es += (bs[i] - alpha[i]) * (bs[i] - alpha[i]);
                }
                alphaWorse += es > ef;
                alphaBetter += es < ef;
                ++alphaBlocks;
            }
        }
    }
    std::printf("ETC2 exhaustive vs fast on %zu blocks: worse (plain) %zu, worse (perceptual) %zu\n", kept.size(),
                worsePlain, worsePercep);
    std::printf("8-bit alpha slow vs fast on %zu blocks: slow worse %zu, slow better %zu\n", alphaBlocks, alphaWorse,
                alphaBetter);
    state.counters["blocks"] = double(kept.size());
    state.counters["worse_plain"] = double(worsePlain);
    state.counters["worse_percep"] = double(worsePercep);
    state.counters["alpha_slow_worse"] = double(alphaWorse);
    state.counters["alpha_blocks"] = double(alphaBlocks);
}
BENCHMARK(BM_ETC2NeverWorseSweep)->Iterations(1)->Unit(benchmark::kSecond);

// ETC2 RGB mode histogram and PSNR on every photograph: the fast levels on the whole
// image, the exhaustive levels on a 128x128 crop (2 threads).
void BM_ETC2ModesAllImages(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& name : qeltest::availableTestImages()) {
            qeltest::RGBAImage rgba;
            if (!qeltest::loadTestImage(name, rgba)) continue;
            for (int q = 0; q < 4; ++q) {
                const qeltest::RGBAImage img = q < 2 ? rgba : qeltest::tileTo(rgba, 128, 128);
                const RGBImage rgb = toRGB(img);
                std::vector<uint8_t> blocks(ETCCompress(nullptr, nullptr, rgb.width, rgb.height, q, ePF_ETC2_RGB, false));
                ETCCompress(rgb.rgb.data(), blocks.data(), rgb.width, rgb.height, q, ePF_ETC2_RGB, false, 2);
                size_t modes[5] = {0, 0, 0, 0, 0};  // individual, differential, T, H, planar
                for (size_t k = 0; k < blocks.size(); k += 8) {
                    const unsigned high = (unsigned(blocks[k]) << 24) | (unsigned(blocks[k + 1]) << 16) |
                                          (unsigned(blocks[k + 2]) << 8) | blocks[k + 3];
                    auto overflow = [&](int shift) {
                        const int v = int((high >> shift) & 31) + (int((high >> (shift - 3)) & 3) - int((high >> (shift - 3)) & 4));
                        return v < 0 || v > 31;
                    };
                    const int mode = !(high & 2u) ? 0 : overflow(27) ? 2 : overflow(19) ? 3 : overflow(11) ? 4 : 1;
                    ++modes[mode];
                }
                std::vector<uint8_t> back(size_t(rgb.width) * rgb.height * 3);
                ETCDecompress(blocks.data(), back.data(), rgb.width, rgb.height, ePF_ETC2_RGB, false);
                std::printf("ETC2 %-14s q%d %4ux%-4u PSNR %6.2f dB  individual %6zu differential %6zu T %5zu H %5zu planar %5zu\n",
                            name.c_str(), q, rgb.width, rgb.height, psnrRGB(rgb.rgb, back), modes[0], modes[1], modes[2],
                            modes[3], modes[4]);
            }
        }
    }
}
BENCHMARK(BM_ETC2ModesAllImages)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
