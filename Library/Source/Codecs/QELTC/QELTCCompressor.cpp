#include "Codecs/QELTC/QELTCCompressor.h"

#include "Codecs/QELTC/QELTCBlockOrder.h"

namespace qeltexture {

void QELTCCompressor::getCompressedData(QELTCBlockData* data, bool twiddle) const {
    for (uint32_t by = 0; by < m_blocksY; ++by)
        for (uint32_t bx = 0; bx < m_blocksX; ++bx) {
            uint32_t modulation = 0;
            bool modeFlag = false;
            packBlock(bx, by, modulation, modeFlag);
            QELTCBlockData& word = data[QELTCBlockIndex(bx, by, m_blocksX, m_blocksY, twiddle ? 0 : 1)];
            word.setModulationWord(modulation);
            word.setColourWord(modeFlag ? 1u : 0u);
            word.setColourA(m_colourA[blockAt(bx, by)]);
            word.setColourB(m_colourB[blockAt(bx, by)]);
        }
}

}  // namespace qeltexture
