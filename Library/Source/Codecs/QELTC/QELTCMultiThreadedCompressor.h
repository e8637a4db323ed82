#pragma once
// Runs a class compressor's iterations section by section. Despite the name every section
// runs on the calling thread, one after another; the sections only cut the grid.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Codecs/QELTC/QELTCCompressorBase.h"

namespace qeltexture {

class QELTCMultiThreadedCompressor {
public:
    struct QELTCCompressorBlock {
        QELTCCompressorBase* compressor;
        uint32_t x0, x1, y0, y1;  // block rectangle x0 <= bx < x1, y0 <= by < y1
    };

    // Section count min(sections, blocksX x blocksY); at least one section.
    QELTCMultiThreadedCompressor(QELTCCompressorBase& compressor, uint32_t sections = 64);

    // iterations x (modulations of every section, A/B images, colour update of every section).
    void compress();
    void optimizeColours(const QELTCCompressorBlock& block);
    void calculateModulations(const QELTCCompressorBlock& block);
    uint32_t getNumberOfIterations() const { return m_compressor.getNumberOfIterations(); }
    uint32_t getModulationRecalculationInterval() const {
        return m_compressor.getModulationRecalculationInterval();
    }
    const std::vector<QELTCCompressorBlock>& getSections() const { return m_sections; }

private:
    QELTCCompressorBase& m_compressor;
    std::vector<QELTCCompressorBlock> m_sections;
};

// The QELTCII wrapper is the same machine over a QELTCII compressor.
class QELTCIIMultiThreadedCompressor : public QELTCMultiThreadedCompressor {
public:
    using QELTCIICompressorBlock = QELTCCompressorBlock;
    using QELTCMultiThreadedCompressor::QELTCMultiThreadedCompressor;
};

}  // namespace qeltexture
