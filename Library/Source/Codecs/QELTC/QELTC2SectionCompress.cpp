#include "Codecs/QELTC/QELTC2SectionCompress.h"

#include <cmath>
#include <cstdint>

#include "Codecs/QELTC/QELTCBlockData.h"
#include "Codecs/QELTC/QELTCCompressorBase.h"

namespace qeltexture {

namespace {

const uint32_t kModeFlag = 1u, kHardFlag = 0x8000u;

bool isExtreme(uint8_t a) { return a == 0 || a == 255; }

// Same colour: equal RGB, and alphas equal or both extreme.
bool sameColour(const uint8_t* p, const uint8_t* q) {
    return p[0] == q[0] && p[1] == q[1] && p[2] == q[2] && (p[3] == q[3] || (isExtreme(p[3]) && isExtreme(q[3])));
}

uint32_t packed(const uint8_t* p) { return QELTCPackRGBA(p[0], p[1], p[2], p[3]); }

void writeBlock(QELTCIIBlockData& word, uint32_t colourA, uint32_t colourB, uint32_t flags, const uint8_t values[16]) {
    uint32_t modulation = 0;
    for (unsigned i = 0; i < 16; ++i) modulation |= uint32_t(values[i] & 3) << (2 * i);
    word.setModulationWord(modulation);
    word.setColourWord(0);
    word.setColours(colourA, colourB);
    word.setColourWord(word.colourWord() | flags);
}

// Principal axis of the pixels' covariance by power iteration from (1, 1, 1, 1). When the
// start vector has no component along the spread (the product vanishes), the iteration
// restarts from the axis of the channel with the largest variance.
void principalAxis(const float cov[4][4], float axis[4]) {
    for (int c = 0; c < 4; ++c) axis[c] = 1.0f;
    bool restarted = false;
    for (int iteration = 0; iteration < 100; ++iteration) {
        float next[4] = {0, 0, 0, 0};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) next[r] += cov[r][c] * axis[c];
        float length = std::sqrt(next[0] * next[0] + next[1] * next[1] + next[2] * next[2] + next[3] * next[3]);
        if (!(length > 0.0f)) {
            if (restarted) return;
            restarted = true;
            int widest = 0;
            for (int c = 1; c < 4; ++c)
                if (cov[c][c] > cov[widest][widest]) widest = c;
            for (int c = 0; c < 4; ++c) axis[c] = c == widest ? 1.0f : 0.0f;
            continue;
        }
        float change = 0;
        for (int c = 0; c < 4; ++c) {
            next[c] /= length;
            change += (next[c] - axis[c]) * (next[c] - axis[c]);
            axis[c] = next[c];
        }
        if (std::sqrt(change) < 1e-5f) return;
    }
}

void encodeManyColours(const uint8_t* const px[16], bool transparent, QELTCIIBlockData& word) {
    float mean[4] = {0, 0, 0, 0};
    for (int i = 0; i < 16; ++i)
        for (int c = 0; c < 4; ++c) mean[c] += float(px[i][c]);
    for (int c = 0; c < 4; ++c) mean[c] /= 16.0f;
    float cov[4][4] = {};
    for (int i = 0; i < 16; ++i)
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) cov[r][c] += (float(px[i][r]) - mean[r]) * (float(px[i][c]) - mean[c]);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) cov[r][c] /= 16.0f;
    float axis[4];
    principalAxis(cov, axis);

    float tMin = 0, tMax = 0;
    for (int i = 0; i < 16; ++i) {
        float t = 0;
        for (int c = 0; c < 4; ++c) t += (float(px[i][c]) - mean[c]) * axis[c];
        if (t > tMax) tMax = t;
        if (t < tMin) tMin = t;
    }
    float endF[2][4];
    uint32_t endI[2];
    for (int e = 0; e < 2; ++e) {
        uint32_t ch[4];
        for (int c = 0; c < 4; ++c) {
            endF[e][c] = mean[c] + (e == 0 ? tMax : tMin) * axis[c];
            float v = endF[e][c] < 0 ? 0 : (endF[e][c] > 255 ? 255 : endF[e][c]);
            ch[c] = uint32_t(v);
        }
        endI[e] = QELTCPackRGBA(ch[0], ch[1], ch[2], ch[3]);
    }
    // The darker endpoint becomes A.
    const uint32_t l0 = QELTCLuminance(endI[0]), l1 = QELTCLuminance(endI[1]);
    const int a = (l0 < l1 || (l0 == l1 && endI[0] <= endI[1])) ? 0 : 1, b = 1 - a;

    float axisAB[4], length2 = 0;
    for (int c = 0; c < 4; ++c) {
        axisAB[c] = endF[b][c] - endF[a][c];
        length2 += axisAB[c] * axisAB[c];
    }
    uint8_t values[16];
    for (int i = 0; i < 16; ++i) {
        float t = 0;
        if (length2 > 0) {
            for (int c = 0; c < 4; ++c) t += (float(px[i][c]) - endF[a][c]) * axisAB[c];
            t /= length2;
        }
        if (!transparent) {
            values[i] = t < 0.1875f ? 0 : t < 0.5f ? 1 : t < 0.8175f ? 2 : 3;
        } else {
            // Punch-through weights 0, 4, 8 are values 0, 1, 3; ties keep the smaller.
            values[i] = px[i][3] == 0 ? 2 : t <= 0.25f ? 0 : t <= 0.75f ? 1 : 3;
        }
    }
    writeBlock(word, endI[a], endI[b], transparent ? kModeFlag : kHardFlag, values);
}

}  // namespace

unsigned int QELTC2SectionCompress(const void* src, void* dst, const unsigned int& width,
                                   const unsigned int& height) {
    if (height == 0 || !src || !dst) return 1;
    const uint8_t* image = static_cast<const uint8_t*>(src);
    QELTCIIBlockData* words = static_cast<QELTCIIBlockData*>(dst);
    const uint32_t blocksX = width / 4, blocksY = height / 4;
    for (uint32_t by = 0; by < blocksY; ++by)
        for (uint32_t bx = 0; bx < blocksX; ++bx) {
            const uint8_t* px[16];
            bool transparent = false;
            for (int i = 0; i < 16; ++i) {
                px[i] = image + ((size_t(by) * 4 + i / 4) * width + bx * 4 + i % 4) * 4;
                transparent |= px[i][3] == 0;
            }
            // Distinct colours, counted up to three.
            int second = -1, distinct = 1;
            for (int i = 1; i < 16 && distinct < 3; ++i) {
                if (sameColour(px[i], px[0])) continue;
                if (second < 0) {
                    second = i, distinct = 2;
                } else if (!sameColour(px[i], px[second])) {
                    distinct = 3;
                }
            }
            QELTCIIBlockData& word = words[size_t(by) * blocksX + bx];
            uint8_t values[16] = {};
            if (distinct == 3) {
                encodeManyColours(px, transparent, word);
                continue;
            }
            const uint32_t colourA = packed(px[0]);
            const uint32_t colourB = distinct == 2 ? packed(px[second]) : colourA;
            for (int i = 0; i < 16; ++i) {
                const bool isB = distinct == 2 && packed(px[i]) == colourB;
                if (transparent)
                    values[i] = px[i][3] == 0 ? 2 : (distinct == 1 ? 1 : (isB ? 3 : 0));
                else
                    values[i] = isB ? 3 : 0;
            }
            writeBlock(word, colourA, colourB, transparent ? kModeFlag : kHardFlag, values);
        }
    return 1;
}

}  // namespace qeltexture
