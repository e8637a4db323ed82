#include "Codecs/QELTC/QELTC2bppCompressor.h"

namespace qeltexture {

namespace {
const int kStandardWeights[4] = {0, 3, 5, 8};
}  // namespace

void getModulationValues(const QELTC2bppBlockModulation& block, unsigned mode, int weights[32]) {
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const int i = 8 * y + x;
            if (mode == eQELTC2bppDirect) {
                weights[i] = block.direct[i] == 3 ? 8 : 0;
                continue;
            }
            if (((x + y) & 1) == 0) {
                weights[i] = kStandardWeights[block.interpolated[i]];
                continue;
            }
            int sum = 0, n = 0;
            auto add = [&](int nx, int ny) {
                if (nx < 0 || nx >= 8 || ny < 0 || ny >= 4) return;
                sum += kStandardWeights[block.interpolated[8 * ny + nx]];
                ++n;
            };
            if (mode != eQELTC2bppVertical) add(x - 1, y), add(x + 1, y);
            if (mode != eQELTC2bppHorizontal) add(x, y - 1), add(x, y + 1);
            weights[i] = (sum + n / 2) / n;
        }
}

template <class Base>
QELTC2bppCompressorT<Base>::QELTC2bppCompressorT(const uint8_t* source, uint32_t width, uint32_t height)
    : Base(source, width, height, 8, 4), m_modulation(size_t(this->m_blocksX) * this->m_blocksY) {}

template <class Base>
void QELTC2bppCompressorT<Base>::calculateModulations(uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) {
    int weights[32];
    for (uint32_t by = y0; by < y1; ++by)
        for (uint32_t bx = x0; bx < x1; ++bx) {
            QELTC2bppBlockModulation& block = m_modulation[this->blockAt(bx, by)];
            size_t at[32];
            for (unsigned i = 0; i < 32; ++i) {
                at[i] = this->pixelAt(bx * 8 + i % 8, by * 4 + i / 8);
                const uint8_t* p = &this->m_source[at[i]];
                const uint8_t* a = &this->m_upscaledA[at[i]];
                const uint8_t* b = &this->m_upscaledB[at[i]];
                block.direct[i] = QELTCCandidateError(p, a, b, 0) < QELTCCandidateError(p, a, b, 8) ? 0 : 3;
                block.interpolated[i] = 0;
                if (((i % 8) + (i / 8)) & 1) continue;
                uint32_t best = UINT32_MAX;
                for (uint8_t v = 0; v < 4; ++v) {
                    uint32_t e = QELTCCandidateError(p, a, b, kStandardWeights[v]);
                    if (e < best) best = e, block.interpolated[i] = v;
                }
            }
            uint64_t bestScore = UINT64_MAX;
            for (uint8_t mode = 0; mode < 4; ++mode) {
                getModulationValues(block, mode, weights);
                uint64_t error = 0;
                for (unsigned i = 0; i < 32; ++i) {
                    const uint8_t* p = &this->m_source[at[i]];
                    const uint8_t* a = &this->m_upscaledA[at[i]];
                    const uint8_t* b = &this->m_upscaledB[at[i]];
                    for (int c = 0; c < 4; ++c) {
                        int d = p[c] - ((8 * a[c] + (b[c] - a[c]) * weights[i]) >> 3);
                        error += uint64_t(d * d);
                    }
                }
                const uint64_t score = error * block.modeWeights[mode];
                if (score < bestScore) bestScore = score, block.mode = mode;
            }
        }
}

template <class Base>
void QELTC2bppCompressorT<Base>::optimizeColoursAB(uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) {
    int weights[32];
    float f[32];
    for (uint32_t by = y0; by < y1; ++by)
        for (uint32_t bx = x0; bx < x1; ++bx) {
            const QELTC2bppBlockModulation& block = m_modulation[this->blockAt(bx, by)];
            getModulationValues(block, block.mode, weights);
            for (unsigned i = 0; i < 32; ++i) f[i] = float(weights[i]) / 8.0f;
            this->optimizeBlockColours(bx, by, f, 128.0f);
        }
}

template <class Base>
void QELTC2bppCompressorT<Base>::packBlock(uint32_t bx, uint32_t by, uint32_t& modulationWord,
                                           bool& modeFlag) const {
    const QELTC2bppBlockModulation& block = m_modulation[this->blockAt(bx, by)];
    modulationWord = 0;
    modeFlag = block.mode != eQELTC2bppDirect;
    if (!modeFlag) {
        for (unsigned i = 0; i < 32; ++i)
            if (block.direct[i] == 3) modulationWord |= 1u << i;
        return;
    }
    // The 16 checkerboard samples in raster order, 2 bits each.
    unsigned sample = 0;
    for (unsigned i = 0; i < 32; ++i)
        if ((((i % 8) + (i / 8)) & 1) == 0) modulationWord |= uint32_t(block.interpolated[i] & 3) << (2 * sample++);
    // Bit 0 (the first sample's low bit) and, for the one-axis modes, bit 20 (the low bit of
    // the sample of pixel (4, 2)) carry the sub-mode instead.
    modulationWord &= ~1u;
    if (block.mode == eQELTC2bppHorizontal) modulationWord = (modulationWord | 1u) & ~(1u << 20);
    if (block.mode == eQELTC2bppVertical) modulationWord |= 1u | (1u << 20);
}

template class QELTC2bppCompressorT<QELTCCompressor>;
template class QELTC2bppCompressorT<QELTCIICompressor>;

}  // namespace qeltexture
