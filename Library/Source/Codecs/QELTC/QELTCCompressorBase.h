#pragma once
// Shared core of the iterative QELTC and QELTCII class compressors: the source copy, the
// 8-bit colours A and B of every block, their bilinear upscaling to full-resolution A and B
// images, the initial colour choice and the least-squares colour update. The rate classes
// (2 bpp, 4 bpp) add the modulation model; the version classes (QELTC, QELTCII) add the
// block word packing.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qeltexture {

class QELTCCompressorBase {
public:
    // source: width x height 8-bit RGBA; width and height whole numbers of blocks.
    QELTCCompressorBase(const uint8_t* source, uint32_t width, uint32_t height, uint8_t blockWidth,
                        uint8_t blockHeight);
    virtual ~QELTCCompressorBase();

    // Initial colours (wide: a window of twice the block size around 4 bpp blocks), the A and
    // B images, then the modulation of every block.
    virtual void preprocess(bool wide);
    // iterations x (colour update, A/B images, and every recalculation-interval-th time the
    // modulation); an interval of 0 never recalculates.
    virtual void compress();
    // Both work on the blocks x0 <= bx < x1, y0 <= by < y1.
    virtual void calculateModulations(uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) = 0;
    virtual void optimizeColoursAB(uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) = 0;
    // Rebuilds the A and B images from the block colours with the decoder's geometry.
    virtual void interpolateColoursAB();

    uint32_t getWidth() const { return m_width; }
    uint32_t getHeight() const { return m_height; }
    uint32_t getBlocksX() const { return m_blocksX; }
    uint32_t getBlocksY() const { return m_blocksY; }
    uint32_t getNumberOfIterations() const { return m_iterations; }
    void setNumberOfIterations(uint32_t n) { m_iterations = n; }
    uint32_t getModulationRecalculationInterval() const { return m_recalculationInterval; }
    void setModulationRecalculationInterval(uint32_t n) { m_recalculationInterval = n; }

    // 8-bit colours of a block, packed with red in the low byte.
    uint32_t getColourA(uint32_t bx, uint32_t by) const { return m_colourA[blockAt(bx, by)]; }
    uint32_t getColourB(uint32_t bx, uint32_t by) const { return m_colourB[blockAt(bx, by)]; }
    const uint8_t* upscaledA() const { return m_upscaledA.data(); }
    const uint8_t* upscaledB() const { return m_upscaledB.data(); }

protected:
    virtual void calculateColoursAB(bool wide);
    // Modulation word and mode flag (colour bit 0) of one block, from its chosen mode.
    virtual void packBlock(uint32_t bx, uint32_t by, uint32_t& modulationWord, bool& modeFlag) const = 0;

    // Least-squares update of one block's colours given each pixel's blend factor f (the
    // share of B, raster order within the block). Single precision, pixels accumulated in
    // raster order. Blocks whose mean residual energy is below threshold keep their colours.
    void optimizeBlockColours(uint32_t bx, uint32_t by, const float* f, float threshold);

    size_t blockAt(uint32_t bx, uint32_t by) const { return size_t(by) * m_blocksX + bx; }
    size_t pixelAt(uint32_t x, uint32_t y) const { return (size_t(y) * m_width + x) * 4; }

    uint32_t m_width, m_height;
    uint32_t m_blocksX, m_blocksY;
    uint8_t m_blockWidth, m_blockHeight;
    std::vector<uint8_t> m_source;
    std::vector<uint32_t> m_colourA, m_colourB;
    std::vector<uint8_t> m_upscaledA, m_upscaledB;
    uint32_t m_iterations = 0;
    uint32_t m_recalculationInterval = 1;

private:
    void calculateColoursABForBlock(uint32_t bx, uint32_t by, bool wide, std::vector<uint32_t>& scratch);
};

// Darkest/brightest pair of the two most distant colours (squared RGBA distance; the first
// pair found wins ties). Returns A (darker) and B.
void selectColoursAB_MaxDistance(const uint32_t* colours, size_t count, uint32_t& colourA, uint32_t& colourB);
// Integer luminance (30 R + 59 G + 11 B) / 100.
inline uint32_t QELTCLuminance(uint32_t rgba) {
    return (30 * (rgba & 0xFF) + 59 * ((rgba >> 8) & 0xFF) + 11 * ((rgba >> 16) & 0xFF)) / 100;
}
// Squared RGBA error of source pixel p against the candidate of weight w (eighths of B)
// between the upscaled colours a and b; punched candidates have alpha 0.
inline uint32_t QELTCCandidateError(const uint8_t* p, const uint8_t* a, const uint8_t* b, int w,
                                    bool punched = false) {
    uint32_t err = 0;
    for (int c = 0; c < 4; ++c) {
        int candidate = (8 * a[c] + w * (b[c] - a[c])) >> 3;  // never negative: (8 - w) a + w b
        if (punched && c == 3) candidate = 0;
        int d = p[c] - candidate;
        err += uint32_t(d * d);
    }
    return err;
}
// Squared RGBA distance of two packed colours.
inline uint32_t QELTCDistance2(uint32_t p, uint32_t q) {
    uint32_t d = 0;
    for (int c = 0; c < 4; ++c) {
        int v = int((p >> (8 * c)) & 0xFF) - int((q >> (8 * c)) & 0xFF);
        d += uint32_t(v * v);
    }
    return d;
}

}  // namespace qeltexture
