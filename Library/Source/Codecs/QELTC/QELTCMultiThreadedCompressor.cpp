#include "Codecs/QELTC/QELTCMultiThreadedCompressor.h"

#include <cmath>

namespace qeltexture {

QELTCMultiThreadedCompressor::QELTCMultiThreadedCompressor(QELTCCompressorBase& compressor, uint32_t sections)
    : m_compressor(compressor) {
    const uint32_t blocksX = compressor.getBlocksX(), blocksY = compressor.getBlocksY();
    const uint64_t blocks = uint64_t(blocksX) * blocksY;
    uint32_t n = uint32_t(blocks < sections ? blocks : sections);
    if (n == 0) n = 1;
    const uint32_t s = uint32_t(std::sqrt(double(n)));
    const uint32_t columns = s > blocksX ? 1 : s;
    const uint32_t rows = n / s > blocksY ? 1 : n / s;
    const uint32_t sectionW = blocksX / columns, sectionH = blocksY / rows;
    for (uint32_t r = 0; r < rows; ++r)
        for (uint32_t c = 0; c < columns; ++c) {
            // The last column and row of sections take the remainder of the grid.
            QELTCCompressorBlock block{&compressor, c * sectionW, c + 1 == columns ? blocksX : (c + 1) * sectionW,
                                       r * sectionH, r + 1 == rows ? blocksY : (r + 1) * sectionH};
            m_sections.push_back(block);
        }
}

void QELTCMultiThreadedCompressor::optimizeColours(const QELTCCompressorBlock& block) {
    block.compressor->optimizeColoursAB(block.x0, block.x1, block.y0, block.y1);
}

void QELTCMultiThreadedCompressor::calculateModulations(const QELTCCompressorBlock& block) {
    block.compressor->calculateModulations(block.x0, block.x1, block.y0, block.y1);
}

void QELTCMultiThreadedCompressor::compress() {
    // Colours end newer than the modulation: the last update is packed as it stands.
    for (uint32_t i = 0; i < getNumberOfIterations(); ++i) {
        for (const QELTCCompressorBlock& block : m_sections) calculateModulations(block);
        m_compressor.interpolateColoursAB();
        for (const QELTCCompressorBlock& block : m_sections) optimizeColours(block);
    }
}

}  // namespace qeltexture
