#pragma once
// 4 bpp modulation model of the class compressors: per pixel a 2-bit value under the
// standard weights (0, 3, 5, 8) or the punch-through weights (0, 4, punched 4, 8), and per
// block the mode with the smaller weighted error. Shared by QELTC and QELTCII.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Codecs/QELTC/QELTCCompressor.h"
#include "Codecs/QELTC/QELTCIICompressor.h"

namespace qeltexture {

struct QELTC4bppBlockModulation {
    uint8_t standard[16];      // values 0..3, raster order
    uint8_t punchThrough[16];  // values 0..3, 2 = punched
    uint8_t modeWeights[2] = {1, 1};
    uint32_t mode = 0;  // 0 standard, 1 punch-through
};

template <class Base>
class QELTC4bppCompressorT : public Base {
public:
    QELTC4bppCompressorT(const uint8_t* source, uint32_t width, uint32_t height);
    void calculateModulations(uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) override;
    void optimizeColoursAB(uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) override;
    const QELTC4bppBlockModulation& getBlockModulation(uint32_t bx, uint32_t by) const {
        return m_modulation[this->blockAt(bx, by)];
    }

protected:
    void packBlock(uint32_t bx, uint32_t by, uint32_t& modulationWord, bool& modeFlag) const override;

    std::vector<QELTC4bppBlockModulation> m_modulation;
};

extern template class QELTC4bppCompressorT<QELTCCompressor>;
extern template class QELTC4bppCompressorT<QELTCIICompressor>;
using QELTC4bppCompressor = QELTC4bppCompressorT<QELTCCompressor>;
using QELTCII4bppCompressor = QELTC4bppCompressorT<QELTCIICompressor>;

}  // namespace qeltexture
