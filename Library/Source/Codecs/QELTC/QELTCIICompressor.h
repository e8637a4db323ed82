#pragma once
// QELTCII (version 1) class compressor base: adds one hard-transition flag per block, set
// once from the initial colours, and packs blocks with shared opacity in row-major order.
#include <vector>

#include "Codecs/QELTC/QELTCBlockData.h"
#include "Codecs/QELTC/QELTCCompressorBase.h"

namespace qeltexture {

class QELTCIICompressor : public QELTCCompressorBase {
public:
    QELTCIICompressor(const uint8_t* source, uint32_t width, uint32_t height, uint8_t blockWidth,
                      uint8_t blockHeight);
    virtual void getCompressedData(QELTCIIBlockData* data) const;
    bool getHardTransitionFlag(uint32_t bx, uint32_t by) const { return m_hardTransition[blockAt(bx, by)] != 0; }

protected:
    void calculateColoursAB(bool wide) override;

private:
    std::vector<uint8_t> m_hardTransition;
};

}  // namespace qeltexture
