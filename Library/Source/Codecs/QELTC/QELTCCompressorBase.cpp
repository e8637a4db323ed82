#include "Codecs/QELTC/QELTCCompressorBase.h"

#include <cmath>

#include "Codecs/QELTC/QELTCBlockData.h"

namespace qeltexture {

QELTCCompressorBase::QELTCCompressorBase(const uint8_t* source, uint32_t width, uint32_t height,
                                         uint8_t blockWidth, uint8_t blockHeight)
    : m_width(width),
      m_height(height),
      m_blocksX(width / blockWidth),
      m_blocksY(height / blockHeight),
      m_blockWidth(blockWidth),
      m_blockHeight(blockHeight),
      m_source(source, source + size_t(width) * height * 4),
      m_colourA(size_t(m_blocksX) * m_blocksY),
      m_colourB(size_t(m_blocksX) * m_blocksY),
      m_upscaledA(size_t(width) * height * 4),
      m_upscaledB(size_t(width) * height * 4) {}

QELTCCompressorBase::~QELTCCompressorBase() = default;

void QELTCCompressorBase::preprocess(bool wide) {
    calculateColoursAB(wide);
    interpolateColoursAB();
    calculateModulations(0, m_blocksX, 0, m_blocksY);
}

void QELTCCompressorBase::compress() {
    for (uint32_t i = 0; i < m_iterations; ++i) {
        optimizeColoursAB(0, m_blocksX, 0, m_blocksY);
        interpolateColoursAB();
        if (m_recalculationInterval != 0 && i % m_recalculationInterval == 0)
            calculateModulations(0, m_blocksX, 0, m_blocksY);
    }
}

void selectColoursAB_MaxDistance(const uint32_t* colours, size_t count, uint32_t& colourA, uint32_t& colourB) {
    // The largest squared distance of each row i (a plain max reduction over channel planes,
    // which vectorises), then the first pair (i < j, in order) that reaches the overall
    // maximum. Same pair as a single pass that keeps the first strict maximum.
    const size_t kMaxPlanar = 256;
    uint32_t first = colours[0], second = colours[0];
    if (count >= 2 && count <= kMaxPlanar) {
        int32_t plane[4][kMaxPlanar];
        for (size_t i = 0; i < count; ++i)
            for (int c = 0; c < 4; ++c) plane[c][i] = int32_t((colours[i] >> (8 * c)) & 0xFF);
        auto distance = [&](size_t i, size_t j) {
            int32_t d = 0;
            for (int c = 0; c < 4; ++c) d += (plane[c][i] - plane[c][j]) * (plane[c][i] - plane[c][j]);
            return d;
        };
        int32_t rowBest[kMaxPlanar];
        int32_t best = 0;
        for (size_t i = 0; i + 1 < count; ++i) {
            int32_t m = 0;
            for (size_t j = i + 1; j < count; ++j) {
                const int32_t d = distance(i, j);
                m = d > m ? d : m;
            }
            rowBest[i] = m;
            best = m > best ? m : best;
        }
        size_t i = 0;
        while (rowBest[i] != best) ++i;
        size_t j = i + 1;
        while (distance(i, j) != best) ++j;
        first = colours[i], second = colours[j];
    } else if (count > kMaxPlanar) {
        int64_t best = -1;
        for (size_t i = 0; i < count; ++i)
            for (size_t j = i + 1; j < count; ++j) {
                int64_t d = QELTCDistance2(colours[i], colours[j]);
                if (d > best) best = d, first = colours[i], second = colours[j];
            }
    }
    uint32_t lf = QELTCLuminance(first), ls = QELTCLuminance(second);
    bool firstIsA = lf < ls || (lf == ls && first <= second);
    colourA = firstIsA ? first : second;
    colourB = firstIsA ? second : first;
}

void QELTCCompressorBase::calculateColoursABForBlock(uint32_t bx, uint32_t by, bool wide,
                                                     std::vector<uint32_t>& scratch) {
    scratch.clear();
    auto pixel = [this](uint32_t x, uint32_t y) {
        const uint8_t* p = &m_source[pixelAt(x, y)];
        return QELTCPackRGBA(p[0], p[1], p[2], p[3]);
    };
    if (!wide) {
        for (uint32_t y = 0; y < m_blockHeight; ++y)
            for (uint32_t x = 0; x < m_blockWidth; ++x)
                scratch.push_back(pixel(bx * m_blockWidth + x, by * m_blockHeight + y));
    } else {
        // Window of 2 x 2 blocks centred on this one, wrapped around the image.
        const int64_t x0 = int64_t(bx) * m_blockWidth - m_blockWidth / 2;
        const int64_t y0 = int64_t(by) * m_blockHeight - m_blockHeight / 2;
        for (int64_t y = 0; y < 2 * m_blockHeight; ++y)
            for (int64_t x = 0; x < 2 * m_blockWidth; ++x) {
                uint32_t px = uint32_t(((x0 + x) % m_width + m_width) % m_width);
                uint32_t py = uint32_t(((y0 + y) % m_height + m_height) % m_height);
                scratch.push_back(pixel(px, py));
            }
    }
    selectColoursAB_MaxDistance(scratch.data(), scratch.size(), m_colourA[blockAt(bx, by)],
                                m_colourB[blockAt(bx, by)]);
}

void QELTCCompressorBase::calculateColoursAB(bool wide) {
    std::vector<uint32_t> scratch;
    scratch.reserve(4u * m_blockWidth * m_blockHeight);
    for (uint32_t by = 0; by < m_blocksY; ++by)
        for (uint32_t bx = 0; bx < m_blocksX; ++bx) calculateColoursABForBlock(bx, by, wide, scratch);
}

void QELTCCompressorBase::interpolateColoursAB() {
    const int bw = m_blockWidth;
    const int shift = bw == 4 ? 4 : 5;  // bilinear weights sum to 4 * bw
    for (int64_t qy = -1; qy + 1 < int64_t(m_blocksY); ++qy) {
        const uint32_t py = uint32_t((qy + m_blocksY) % m_blocksY), ry = uint32_t(qy + 1);
        for (int64_t qx = -1; qx + 1 < int64_t(m_blocksX); ++qx) {
            const uint32_t px = uint32_t((qx + m_blocksX) % m_blocksX), sx = uint32_t(qx + 1);
            const uint32_t corner[2][4] = {
                {m_colourA[blockAt(px, py)], m_colourA[blockAt(sx, py)], m_colourA[blockAt(px, ry)],
                 m_colourA[blockAt(sx, ry)]},
                {m_colourB[blockAt(px, py)], m_colourB[blockAt(sx, py)], m_colourB[blockAt(px, ry)],
                 m_colourB[blockAt(sx, ry)]}};
            for (int y = 0; y < 4; ++y) {
                const uint32_t oy = uint32_t((qy * 4 + 2 + y + m_height) % m_height);
                for (int x = 0; x < bw; ++x) {
                    const uint32_t ox = uint32_t((qx * bw + bw / 2 + x + m_width) % m_width);
                    const size_t at = pixelAt(ox, oy);
                    for (int k = 0; k < 2; ++k) {
                        uint8_t* out = (k == 0 ? m_upscaledA : m_upscaledB).data() + at;
                        for (int c = 0; c < 4; ++c) {
                            int P = QELTCChannel(corner[k][0], c), Q = QELTCChannel(corner[k][1], c);
                            int R = QELTCChannel(corner[k][2], c), S = QELTCChannel(corner[k][3], c);
                            int hP = bw * P + x * (Q - P), hR = bw * R + x * (S - R);
                            out[c] = uint8_t(((4 - y) * hP + y * hR) >> shift);
                        }
                    }
                }
            }
        }
    }
}

namespace {
float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
}  // namespace

void QELTCCompressorBase::optimizeBlockColours(uint32_t bx, uint32_t by, const float* f, float threshold) {
    const uint32_t n = uint32_t(m_blockWidth) * m_blockHeight;
    const float s = 1.0f / float(n);
    float R[4] = {0, 0, 0, 0}, FR[4] = {0, 0, 0, 0}, sumF = 0, sumF2 = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const size_t at = pixelAt(bx * m_blockWidth + i % m_blockWidth, by * m_blockHeight + i / m_blockWidth);
        const float fi = f[i];
        for (int c = 0; c < 4; ++c) {
            float r = float(m_source[at + c]) - (1.0f - fi) * float(m_upscaledA[at + c]) -
                      fi * float(m_upscaledB[at + c]);
            R[c] += r;
            FR[c] += fi * r;
        }
        sumF += fi;
        sumF2 += fi * fi;
    }
    float energy = 0;
    for (int c = 0; c < 4; ++c) {
        R[c] *= s;
        FR[c] *= s;
        energy += R[c] * R[c];
    }
    if (energy < threshold) return;
    const float M = s * sumF, V = s * sumF2 - M * M;
    uint32_t& colourA = m_colourA[blockAt(bx, by)];
    uint32_t& colourB = m_colourB[blockAt(bx, by)];
    uint32_t newA[4], newB[4];
    for (int c = 0; c < 4; ++c) {
        const float A = QELTCChannel(colourA, c), B = QELTCChannel(colourB, c);
        if (V >= 1e-10f) {
            const float k = (FR[c] - M * R[c]) / V;
            const float dA = R[c] - M * k, dB = dA + k;
            newA[c] = uint32_t(clampf(A + clampf(dA, -100, 100), 0, 255));
            newB[c] = uint32_t(clampf(B + clampf(dB, -100, 100), 0, 255));
        } else {
            const float A1 = clampf(A + (1 - M) * R[c], 0, 255), B1 = clampf(B + M * R[c], 0, 255);
            float d = B1 - A1;
            if (std::fabs(d) < 1) d = 0;
            newA[c] = uint32_t(clampf(A1 + 0.5f * M * d, 0, 255));
            newB[c] = uint32_t(clampf(B1 - 0.5f * (1 - M) * d, 0, 255));
        }
    }
    colourA = QELTCPackRGBA(newA[0], newA[1], newA[2], newA[3]);
    colourB = QELTCPackRGBA(newB[0], newB[1], newB[2], newB[3]);
}

}  // namespace qeltexture
