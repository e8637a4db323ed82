#pragma once
// Source blocks for the ETC2/EAC encoder tests and benchmarks: seeded random blocks of
// several kinds and blocks spread over the shared photographs.
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "TestImages.h"

namespace etctest {

using Block = std::vector<uint8_t>;  // 4x4 RGB, width 4

// Kinds: noise, gradients, noise near the extremes, two colours (T and H territory).
inline std::vector<Block> randomBlocks(size_t count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Block> out;
    for (size_t k = 0; k < count; ++k) {
        Block blk(48);
        const int kind = int(k % 4);
        int base[3], gx[3], gy[3], other[3];
        for (int c = 0; c < 3; ++c) {
            base[c] = int(rng() % 256);
            other[c] = int(rng() % 256);
            gx[c] = int(rng() % 31) - 15;
            gy[c] = int(rng() % 31) - 15;
        }
        const unsigned split = rng();
        for (int i = 0; i < 16; ++i)
            for (int c = 0; c < 3; ++c) {
                int v;
                if (kind == 0) v = int(rng() % 256);
                else if (kind == 1) v = base[c] + gx[c] * (i % 4) + gy[c] * (i / 4) + int(rng() % 5) - 2;
                else if (kind == 2) v = (rng() & 1) ? int(rng() % 24) : 255 - int(rng() % 24);
                else v = ((split >> i) & 1 ? base[c] : other[c]) + int(rng() % 9) - 4;
                blk[i * 3 + c] = uint8_t(std::clamp(v, 0, 255));
            }
        out.push_back(blk);
    }
    return out;
}

// `count` blocks spread over the named photograph (empty when it is absent).
inline std::vector<Block> imageBlocks(size_t count, const std::string& name = "astronaut.png") {
    qeltest::RGBAImage img;
    if (!qeltest::loadTestImage(name, img)) return {};
    std::vector<Block> out;
    const unsigned bw = img.width / 4, bh = img.height / 4;
    for (size_t k = 0; k < count; ++k) {
        const unsigned idx = unsigned((k * 7919u + 13u) % (bw * bh));
        const unsigned bx = idx % bw, by = idx / bw;
        Block blk(48);
        for (int i = 0; i < 48; ++i)
            blk[i] = img.pixels[((by * 4 + i / 12) * img.width + bx * 4 + i / 3 % 4) * 4 + i % 3];
        out.push_back(blk);
    }
    return out;
}

inline std::vector<Block> mixedBlocks(size_t randomCount, size_t imageCount, uint32_t seed) {
    std::vector<Block> blocks = randomBlocks(randomCount, seed);
    for (auto& b : imageBlocks(imageCount)) blocks.push_back(b);
    return blocks;
}

inline std::vector<uint8_t> toRGB(const qeltest::RGBAImage& img) {
    std::vector<uint8_t> rgb(size_t(img.width) * img.height * 3);
    for (size_t i = 0; i < size_t(img.width) * img.height; ++i)
        for (int c = 0; c < 3; ++c) rgb[3 * i + c] = img.pixels[4 * i + c];
    return rgb;
}

inline Block decodeETC2(unsigned high, unsigned low) {
    Block out(48);
    qeltexture::decompressBlockETC2(high, low, out.data(), 4, 0, 0);
    return out;
}

enum class Mode { Individual, Differential, T, H, Planar };

// The mode an ETC2 RGB decoder picks for a block (independent of the library's): the
// first channel whose 5-bit base plus 3-bit signed delta leaves 0..31.
inline Mode modeOf(unsigned high) {
    auto overflows = [high](int shift) {
        return unsigned(int((high >> (shift + 3)) & 31) + int((high >> shift) & 3) - int((high >> shift) & 4)) > 31;
    };
    if (!(high & 2u)) return Mode::Individual;
    return overflows(24) ? Mode::T : overflows(16) ? Mode::H : overflows(8) ? Mode::Planar : Mode::Differential;
}

inline unsigned plainError(const uint8_t* a, const uint8_t* b) {
    unsigned sum = 0;
    for (int i = 0; i < 48; ++i) sum += unsigned((a[i] - b[i]) * (a[i] - b[i]));
    return sum;
}

inline unsigned percep1000Error(const uint8_t* a, const uint8_t* b) {
    static const unsigned w[3] = {299, 587, 114};
    unsigned sum = 0;
    for (int i = 0; i < 48; ++i) sum += w[i % 3] * unsigned((a[i] - b[i]) * (a[i] - b[i]));
    return sum;
}

}  // namespace etctest
