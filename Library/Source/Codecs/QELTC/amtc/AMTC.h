#pragma once
// The multi-pass QELTC / QELTCII encoder: for every block a few candidate representatives
// (mode, colour A, colour B) are refined over several passes against the decoded 3 x 3
// neighbourhood, on worker threads. Output bytes do not depend on the number of threads.
#include <pthread.h>

#include <cstdint>

#include "Codecs/QELTC/amtc/AMTCTypes.h"

namespace qeltexture {

// Optional progress record, guarded by a mutex.
struct QELTCProgress {
    pthread_mutex_t lock;
    uint32_t blocksDone;
    uint32_t blocksTotal;
};
QELTCProgress* QELTCInitProgressStruct();
// Fraction of the current encode done, 0..1.
float QELTCGetProgress(QELTCProgress* progress);
void QELTCFinaliseProgressStruct(QELTCProgress* progress);

// Extra controls of this library: threads (0 = one per processor) and, when blockErrors is
// given (blocksX x blocksY, row-major), the error of every block as the encoder accounted it.
struct AMTCRunOptions {
    unsigned threads = 0;
    uint64_t* blockErrors = nullptr;
};

AMTCImage* NewImage(uint32_t width, uint32_t height);
void FreeImage(AMTCImage* image);

// 0 on success, non-zero on failure. Quality 0..6 (above counts as 6), 4 channels, bpp 2 or 4,
// version 1 = QELTCII; 4 bpp RGBA bytes in, blocks out.
int qeltc_compress(const void* src, void* dst, uint32_t width, uint32_t height, unsigned qeltcII, unsigned quality,
                   bool do2bit, const AMTCRunOptions& options = AMTCRunOptions());

// channelOrder 0 swaps red and blue on the way in; rowStride 0 means packed rows. mipLevels,
// punchThrough and debugColouring must be 0 (the chain of levels, the punch-through
// preprocessing and debug colours are not built). 0 on success, 1 on failure.
int QELTCCompressTexture(const void* source, int channelOrder, uint32_t width, uint32_t height, uint32_t rowStride,
                         void* destination, int quality, int mipLevels, int punchThrough, int channels, int bpp,
                         int version, int linear, int debugColouring, QELTCProgress* progress,
                         const AMTCRunOptions& options);

int AMTCNewMethod(const AMTCImage* image, int channels, int bpp, int version, int linear, int quality,
                  int punchThrough, void* dst, QELTCProgress* progress, const AMTCRunOptions& options);

// Non-zero on success.
int SearchForImageRepresentatives(const AMTCImage* image, int channels, int bpp, bool isQELTCII, void* dst,
                                  bool linear, int quality, int punchThrough, QELTCProgress* progress,
                                  const AMTCRunOptions& options);

}  // namespace qeltexture
