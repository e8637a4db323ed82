#include "Codecs/QELTC/QELTC4bppCompressor.h"

namespace qeltexture {

namespace {
// Blend factors of the colour update, by stored value, for both modes.
const float kBlendFactors[4] = {0.0f, 0.375f, 0.625f, 1.0f};
}  // namespace

template <class Base>
QELTC4bppCompressorT<Base>::QELTC4bppCompressorT(const uint8_t* source, uint32_t width, uint32_t height)
    : Base(source, width, height, 4, 4), m_modulation(size_t(this->m_blocksX) * this->m_blocksY) {}

template <class Base>
void QELTC4bppCompressorT<Base>::calculateModulations(uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) {
    for (uint32_t by = y0; by < y1; ++by)
        for (uint32_t bx = x0; bx < x1; ++bx) {
            QELTC4bppBlockModulation& block = m_modulation[this->blockAt(bx, by)];
            uint64_t standardError = 0, punchError = 0;
            for (unsigned i = 0; i < 16; ++i) {
                const size_t at = this->pixelAt(bx * 4 + i % 4, by * 4 + i / 4);
                const uint8_t* p = &this->m_source[at];
                const uint8_t* a = &this->m_upscaledA[at];
                const uint8_t* b = &this->m_upscaledB[at];
                // Weights 0 and 8 are shared by both modes: six distinct candidates.
                const uint32_t e0 = QELTCCandidateError(p, a, b, 0), e8 = QELTCCandidateError(p, a, b, 8);
                const uint32_t standard[4] = {e0, QELTCCandidateError(p, a, b, 3), QELTCCandidateError(p, a, b, 5), e8};
                const uint32_t punch[4] = {e0, QELTCCandidateError(p, a, b, 4), QELTCCandidateError(p, a, b, 4, true), e8};
                uint32_t bestStandard = standard[0], bestPunch = punch[0];
                block.standard[i] = 0, block.punchThrough[i] = 0;
                for (uint8_t v = 1; v < 4; ++v) {
                    if (standard[v] < bestStandard) bestStandard = standard[v], block.standard[i] = v;
                    if (punch[v] < bestPunch) bestPunch = punch[v], block.punchThrough[i] = v;
                }
                standardError += bestStandard;
                punchError += bestPunch;
            }
            block.mode = punchError * block.modeWeights[1] < standardError * block.modeWeights[0] ? 1 : 0;
        }
}

template <class Base>
void QELTC4bppCompressorT<Base>::optimizeColoursAB(uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) {
    float f[16];
    for (uint32_t by = y0; by < y1; ++by)
        for (uint32_t bx = x0; bx < x1; ++bx) {
            const QELTC4bppBlockModulation& block = m_modulation[this->blockAt(bx, by)];
            const uint8_t* values = block.mode ? block.punchThrough : block.standard;
            for (unsigned i = 0; i < 16; ++i) f[i] = kBlendFactors[values[i]];
            this->optimizeBlockColours(bx, by, f, 32.0f);
        }
}

template <class Base>
void QELTC4bppCompressorT<Base>::packBlock(uint32_t bx, uint32_t by, uint32_t& modulationWord,
                                           bool& modeFlag) const {
    const QELTC4bppBlockModulation& block = m_modulation[this->blockAt(bx, by)];
    const uint8_t* values = block.mode ? block.punchThrough : block.standard;
    modulationWord = 0;
    for (unsigned i = 0; i < 16; ++i) modulationWord |= uint32_t(values[i] & 3) << (2 * i);
    modeFlag = block.mode == 1;
}

template class QELTC4bppCompressorT<QELTCCompressor>;
template class QELTC4bppCompressorT<QELTCIICompressor>;

}  // namespace qeltexture
