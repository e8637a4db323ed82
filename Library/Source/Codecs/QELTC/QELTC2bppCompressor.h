#pragma once
// 2 bpp modulation model of the class compressors: direct mode (one bit per pixel) and the
// three interpolated modes (2-bit samples on the checkerboard, the other pixels averaged
// from four, horizontal or vertical neighbours inside the block). Per block the mode with
// the least weighted error wins. Shared by QELTC and QELTCII.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Codecs/QELTC/QELTCCompressor.h"
#include "Codecs/QELTC/QELTCIICompressor.h"

namespace qeltexture {

// Block modes in the order they are tried; ties keep the earlier one.
enum EQELTC2bppMode : uint8_t {
    eQELTC2bppDirect = 0,
    eQELTC2bppFourNeighbour = 1,
    eQELTC2bppHorizontal = 2,
    eQELTC2bppVertical = 3,
};

struct QELTC2bppBlockModulation {
    uint8_t direct[32];        // 0 or 3 per pixel, raster order
    uint8_t interpolated[32];  // 0..3 on the checkerboard ((x + y) even), 0 elsewhere
    uint8_t modeWeights[4] = {4, 1, 4, 4};
    uint8_t mode = eQELTC2bppDirect;
};
static_assert(sizeof(QELTC2bppBlockModulation) == 69, "2 bpp record is 69 bytes");

// Block-local weights (0..8) of each pixel under a mode: neighbours outside the block are
// not consulted, the others are averaged with rounding.
void getModulationValues(const QELTC2bppBlockModulation& block, unsigned mode, int weights[32]);

template <class Base>
class QELTC2bppCompressorT : public Base {
public:
    QELTC2bppCompressorT(const uint8_t* source, uint32_t width, uint32_t height);
    // The initial colours never use the wide window at 2 bpp.
    void preprocess(bool) override { Base::preprocess(false); }
    void calculateModulations(uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) override;
    void optimizeColoursAB(uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) override;
    const QELTC2bppBlockModulation& getBlockModulation(uint32_t bx, uint32_t by) const {
        return m_modulation[this->blockAt(bx, by)];
    }

protected:
    void packBlock(uint32_t bx, uint32_t by, uint32_t& modulationWord, bool& modeFlag) const override;

    std::vector<QELTC2bppBlockModulation> m_modulation;
};

extern template class QELTC2bppCompressorT<QELTCCompressor>;
extern template class QELTC2bppCompressorT<QELTCIICompressor>;
using QELTC2bppCompressor = QELTC2bppCompressorT<QELTCCompressor>;
using QELTCII2bppCompressor = QELTC2bppCompressorT<QELTCIICompressor>;

}  // namespace qeltexture
