#include "Codecs/QELTC/QELTCCompress.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "Codecs/QELTC/QELTC2SectionCompress.h"
#include "Codecs/QELTC/QELTCClassCompress.h"
#include "Codecs/QELTC/amtc/AMTC.h"

namespace qeltexture {

namespace {

const unsigned kMaxSide = 4096;
const unsigned kFastIterations = 8;
// ECompressorQuality values handled by the fast encoders.
const unsigned kQualityFastest = 0, kQualityFast = 1;

// Qualities 2 and above (eQELTCNormal and up) run the multi-pass encoder at quality - 2;
// like it, this returns 0 on success and non-zero on failure.
int compressMultiPass(const void* src, void* dst, uint32_t width, uint32_t height, bool qeltcII,
                      unsigned amtcQuality, bool do2bit, unsigned threadCount) {
    AMTCRunOptions options;
    options.threads = threadCount;
    return qeltc_compress(src, dst, width, height, qeltcII ? 1 : 0, amtcQuality, do2bit, options);
}

// Pads to padW x padH: column x >= width repeats column x - (padW - width), then row
// y >= height repeats row y - (padH - height). Where that index would be negative (an
// image narrower than half a block) the image is tiled instead.
std::vector<uint8_t> padImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t padW, uint32_t padH) {
    std::vector<uint8_t> out(size_t(padW) * padH * 4);
    auto sourceIndex = [](uint32_t i, uint32_t size, uint32_t padded) {
        if (i < size) return i;
        return i >= padded - size ? i - (padded - size) : i % size;
    };
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = out.data() + size_t(y) * padW * 4;
        std::memcpy(row, src + size_t(y) * width * 4, size_t(width) * 4);
        for (uint32_t x = width; x < padW; ++x)
            std::memcpy(row + size_t(x) * 4, row + size_t(sourceIndex(x, width, padW)) * 4, 4);
    }
    for (uint32_t y = height; y < padH; ++y)
        std::memcpy(out.data() + size_t(y) * padW * 4,
                    out.data() + size_t(sourceIndex(y, height, padH)) * padW * 4, size_t(padW) * 4);
    return out;
}

}  // namespace

unsigned int QELTCCompress(const void* src, void* dst, const unsigned int& width, const unsigned int& height,
                           bool alpha, bool do2bit, unsigned int qeltcII, unsigned int quality,
                           unsigned int threadCount) {
    if (width > kMaxSide || height > kMaxSide || width == 0 || height == 0) return 0;
    const bool isQELTCII = qeltcII == 1;
    const uint32_t blockWidth = do2bit ? 8 : 4;
    const uint32_t padW = (width + blockWidth - 1) / blockWidth * blockWidth;
    const uint32_t padH = (height + 3) / 4 * 4;
    const bool padded = padW != width || padH != height;
    if (padded && !isQELTCII) return 0;
    const unsigned size = padW * padH * (do2bit ? 2 : 4) / 8;
    if (!src || !dst) return size;

    std::vector<uint8_t> paddedImage;
    const void* image = src;
    if (padded) {
        paddedImage = padImage(static_cast<const uint8_t*>(src), width, height, padW, padH);
        image = paddedImage.data();
    }

    if (quality > kQualityFast) {
        if (compressMultiPass(image, dst, padW, padH, isQELTCII, quality - 2, do2bit, threadCount) != 0) return 0;
        return size;
    }
    const uint32_t iterations = quality == kQualityFastest ? 0 : kFastIterations;
    unsigned written;
    if (!isQELTCII)
        written = qeltcCompressMW(image, dst, padW, padH, alpha, true, do2bit, iterations);
    else if (quality == kQualityFastest && !do2bit)
        written = QELTC2SectionCompress(image, dst, padW, padH) == 1 ? size : 0;
    else
        written = qeltc2Compress(image, dst, padW, padH, alpha, true, do2bit, iterations);
    return written == size ? size : 0;
}

}  // namespace qeltexture
