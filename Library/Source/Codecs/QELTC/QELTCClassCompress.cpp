#include "Codecs/QELTC/QELTCClassCompress.h"

#include "Codecs/QELTC/QELTC2bppCompressor.h"
#include "Codecs/QELTC/QELTC4bppCompressor.h"
#include "Codecs/QELTC/QELTCMultiThreadedCompressor.h"

namespace qeltexture {

namespace {
const uint32_t kSections = 64;

bool wholeBlocks(const void* src, const void* dst, uint32_t width, uint32_t height, uint32_t blockWidth) {
    return src && dst && width && height && width % blockWidth == 0 && height % 4 == 0;
}

template <class Compressor, class Wrapper, class Write>
void runClassCompressor(const void* src, uint32_t width, uint32_t height, bool preprocessFlag,
                        uint32_t iterations, Write write) {
    Compressor compressor(static_cast<const uint8_t*>(src), width, height);
    compressor.setNumberOfIterations(iterations);
    Wrapper sectioned(compressor, kSections);
    compressor.preprocess(preprocessFlag);
    sectioned.compress();
    write(compressor);
}
}  // namespace

unsigned int qeltcCompress2bppMW(const void* src, void* dst, uint32_t width, uint32_t height, bool,
                                 bool preprocessFlag, uint32_t iterations) {
    if (!wholeBlocks(src, dst, width, height, 8)) return 0;
    runClassCompressor<QELTC2bppCompressor, QELTCMultiThreadedCompressor>(
        src, width, height, preprocessFlag, iterations,
        [dst](const QELTC2bppCompressor& c) { c.getCompressedData(static_cast<QELTCBlockData*>(dst), true); });
    return width * height / 4;
}

unsigned int qeltcCompress4bppMW(const void* src, void* dst, uint32_t width, uint32_t height, bool,
                                 bool preprocessFlag, uint32_t iterations) {
    if (!wholeBlocks(src, dst, width, height, 4)) return 0;
    runClassCompressor<QELTC4bppCompressor, QELTCMultiThreadedCompressor>(
        src, width, height, preprocessFlag, iterations,
        [dst](const QELTC4bppCompressor& c) { c.getCompressedData(static_cast<QELTCBlockData*>(dst), true); });
    return width * height / 2;
}

unsigned int qeltcCompressMW(const void* src, void* dst, uint32_t width, uint32_t height, bool alpha,
                             bool preprocessFlag, bool do2bit, uint32_t iterations) {
    return do2bit ? qeltcCompress2bppMW(src, dst, width, height, alpha, preprocessFlag, iterations)
                  : qeltcCompress4bppMW(src, dst, width, height, alpha, preprocessFlag, iterations);
}

unsigned int qeltc2Compress2bpp(const void* src, void* dst, uint32_t width, uint32_t height, bool,
                                bool preprocessFlag, uint32_t iterations) {
    if (!wholeBlocks(src, dst, width, height, 8)) return 0;
    runClassCompressor<QELTCII2bppCompressor, QELTCIIMultiThreadedCompressor>(
        src, width, height, preprocessFlag, iterations,
        [dst](const QELTCII2bppCompressor& c) { c.getCompressedData(static_cast<QELTCIIBlockData*>(dst)); });
    return width * height / 4;
}

unsigned int qeltc2Compress4bpp(const void* src, void* dst, uint32_t width, uint32_t height, bool,
                                bool preprocessFlag, uint32_t iterations) {
    if (!wholeBlocks(src, dst, width, height, 4)) return 0;
    runClassCompressor<QELTCII4bppCompressor, QELTCIIMultiThreadedCompressor>(
        src, width, height, preprocessFlag, iterations,
        [dst](const QELTCII4bppCompressor& c) { c.getCompressedData(static_cast<QELTCIIBlockData*>(dst)); });
    return width * height / 2;
}

unsigned int qeltc2Compress(const void* src, void* dst, uint32_t width, uint32_t height, bool alpha,
                            bool preprocessFlag, bool do2bit, uint32_t iterations) {
    return do2bit ? qeltc2Compress2bpp(src, dst, width, height, alpha, preprocessFlag, iterations)
                  : qeltc2Compress4bpp(src, dst, width, height, alpha, preprocessFlag, iterations);
}

}  // namespace qeltexture
