#pragma once
// QELTC (version 0) class compressor base: packs blocks with per-colour opacity, in QELTC
// block order or row-major order.
#include "Codecs/QELTC/QELTCBlockData.h"
#include "Codecs/QELTC/QELTCCompressorBase.h"

namespace qeltexture {

class QELTCCompressor : public QELTCCompressorBase {
public:
    using QELTCCompressorBase::QELTCCompressorBase;
    // Writes blocksX x blocksY words. twiddle: QELTC block order (twiddled for power-of-two
    // grids, row-major otherwise); false: always row-major.
    virtual void getCompressedData(QELTCBlockData* data, bool twiddle) const;
};

}  // namespace qeltexture
