#include "Codecs/QELTC/QELTCIICompressor.h"

#include <algorithm>

namespace qeltexture {

QELTCIICompressor::QELTCIICompressor(const uint8_t* source, uint32_t width, uint32_t height,
                                     uint8_t blockWidth, uint8_t blockHeight)
    : QELTCCompressorBase(source, width, height, blockWidth, blockHeight),
      m_hardTransition(size_t(m_blocksX) * m_blocksY, 0) {}

void QELTCIICompressor::calculateColoursAB(bool wide) {
    QELTCCompressorBase::calculateColoursAB(wide);
    // A block is hard when its colours jump further to its right or lower neighbour than
    // the spread of its own pair (at least 4095) suggests.
    for (uint32_t by = 0; by < m_blocksY; ++by)
        for (uint32_t bx = 0; bx < m_blocksX; ++bx) {
            const size_t self = blockAt(bx, by);
            const size_t right = blockAt((bx + 1) % m_blocksX, by);
            const size_t down = blockAt(bx, (by + 1) % m_blocksY);
            const uint32_t A = m_colourA[self], B = m_colourB[self];
            const uint32_t d = QELTCDistance2(A, B);
            const uint32_t threshold = d < 16384 ? 4095 : d / 4;
            const uint32_t toDown = std::min(QELTCDistance2(A, m_colourA[down]), QELTCDistance2(B, m_colourB[down]));
            const uint32_t toRight =
                std::min(QELTCDistance2(A, m_colourA[right]), QELTCDistance2(B, m_colourB[right]));
            m_hardTransition[self] = threshold < std::max(toDown, toRight) ? 1 : 0;
        }
}

void QELTCIICompressor::getCompressedData(QELTCIIBlockData* data) const {
    for (uint32_t by = 0; by < m_blocksY; ++by)
        for (uint32_t bx = 0; bx < m_blocksX; ++bx) {
            uint32_t modulation = 0;
            bool modeFlag = false;
            packBlock(bx, by, modulation, modeFlag);
            QELTCIIBlockData& word = data[blockAt(bx, by)];
            word.setModulationWord(modulation);
            word.setColourWord(modeFlag ? 1u : 0u);
            word.setColours(m_colourA[blockAt(bx, by)], m_colourB[blockAt(bx, by)]);
            if (m_hardTransition[blockAt(bx, by)]) word.setColourWord(word.colourWord() | 0x8000u);
        }
}

}  // namespace qeltexture
