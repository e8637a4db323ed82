// Entry points of the multi-pass encoder: the working image, the progress record and the
// calls down to the search.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "Codecs/QELTC/amtc/AMTC.h"

namespace qeltexture {

namespace {
const char* const kWrapperSource = "Library/Source/Codecs/QELTC/amtc/wrapper";

void mutexCheck(int rc, const char* what, int line) {
    if (rc == 0) return;
    fprintf(stderr, "%s at \"%s\":%d: %s\n", what, kWrapperSource, line, strerror(rc));
    abort();
}
}  // namespace

AMTCImage* NewImage(uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return nullptr;
    AMTCImage* image = new (std::nothrow) AMTCImage;
    if (!image) return nullptr;
    image->width = width;
    image->height = height;
    image->pixels = new (std::nothrow) uint32_t[size_t(width) * height];
    image->rows = new (std::nothrow) uint32_t*[height];
    if (!image->pixels || !image->rows) {
        FreeImage(image);
        return nullptr;
    }
    for (uint32_t y = 0; y < height; ++y) image->rows[y] = image->pixels + size_t(y) * width;
    return image;
}

void FreeImage(AMTCImage* image) {
    if (!image) return;
    delete[] image->pixels;
    delete[] image->rows;
    delete image;
}

QELTCProgress* QELTCInitProgressStruct() {
    QELTCProgress* p = new (std::nothrow) QELTCProgress;
    if (!p) return nullptr;
    mutexCheck(pthread_mutex_init(&p->lock, nullptr), "init mutex", __LINE__);
    p->blocksDone = 0;
    p->blocksTotal = 0;
    return p;
}

float QELTCGetProgress(QELTCProgress* p) {
    if (!p) return 0.0f;
    mutexCheck(pthread_mutex_lock(&p->lock), "lock mutex", __LINE__);
    const float f = p->blocksTotal ? float(p->blocksDone) / float(p->blocksTotal) : 0.0f;
    mutexCheck(pthread_mutex_unlock(&p->lock), "unlock mutex", __LINE__);
    return f;
}

void QELTCFinaliseProgressStruct(QELTCProgress* p) {
    if (!p) return;
    mutexCheck(pthread_mutex_destroy(&p->lock), "destroy mutex", __LINE__);
    delete p;
}

int AMTCNewMethod(const AMTCImage* image, int channels, int bpp, int version, int linear, int quality,
                  int punchThrough, void* dst, QELTCProgress* progress, const AMTCRunOptions& options) {
    if (!image || !dst) return 1;
    const uint32_t bw = bpp == 2 ? 8 : 4;
    if (image->width % bw || image->height % 4) return 1;
    // QELTCII is always linear; QELTC is twiddled where the grid allows (see QELTCBlockIndex).
    const bool isLinear = linear != 0 || version == 1;
    std::memset(dst, 0, size_t(image->width / bw) * (image->height / 4) * 8);
    return SearchForImageRepresentatives(image, channels, bpp, version == 1, dst, isLinear, quality, punchThrough,
                                         progress, options)
               ? 0
               : 1;
}

int QELTCCompressTexture(const void* source, int channelOrder, uint32_t width, uint32_t height, uint32_t rowStride,
                         void* destination, int quality, int mipLevels, int punchThrough, int channels, int bpp,
                         int version, int linear, int debugColouring, QELTCProgress* progress,
                         const AMTCRunOptions& options) {
    if (!source || !destination || mipLevels != 0 || punchThrough != 0 || debugColouring != 0 || channels != 4 ||
        (bpp != 2 && bpp != 4))
        return 1;
    if (quality > 6) quality = 6;
    if (progress) {
        mutexCheck(pthread_mutex_lock(&progress->lock), "lock mutex", __LINE__);
        progress->blocksDone = progress->blocksTotal = 0;
        mutexCheck(pthread_mutex_unlock(&progress->lock), "unlock mutex", __LINE__);
    }
    AMTCImage* image = NewImage(width, height);
    if (!image) return 1;
    const uint8_t* src = static_cast<const uint8_t*>(source);
    const size_t stride = rowStride ? rowStride : size_t(width) * 4;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = src + y * stride;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + 4 * size_t(x);
            const uint32_t r = channelOrder ? p[0] : p[2], b = channelOrder ? p[2] : p[0];
            image->rows[y][x] = r | uint32_t(p[1]) << 8 | b << 16 | uint32_t(p[3]) << 24;
        }
    }
    const int rc =
        AMTCNewMethod(image, channels, bpp, version, linear, quality, punchThrough, destination, progress, options);
    FreeImage(image);
    return rc == 0 ? 0 : 1;
}

int qeltc_compress(const void* src, void* dst, uint32_t width, uint32_t height, unsigned qeltcII, unsigned quality,
                   bool do2bit, const AMTCRunOptions& options) {
    return QELTCCompressTexture(src, 1, width, height, 0, dst, int(quality > 6 ? 6 : quality), 0, 0, 4,
                                do2bit ? 2 : 4, int(qeltcII), qeltcII == 1 ? 1 : 0, 0, nullptr, options);
}

}  // namespace qeltexture
