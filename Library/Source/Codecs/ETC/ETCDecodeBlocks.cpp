#include "Codecs/ETC/ETCDecodeBlocks.h"

#include "Codecs/ETC/ETCTables.h"

namespace qeltexture {

namespace {

inline int clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
inline int expand4(unsigned v) { return int((v << 4) | v); }
inline int expand5(unsigned v) { return int((v << 3) | (v >> 2)); }
inline int expand6(unsigned v) { return int((v << 2) | (v >> 4)); }
inline int expand7(unsigned v) { return int((v << 1) | (v >> 6)); }
inline int signExtend3(unsigned v) { return int(v & 3) - int(v & 4); }

// Stored index (msb*2 + lsb) of pixel (x, y): msb plane in bits 31-16, lsb in 15-0.
inline unsigned pixelIndex(unsigned low, int x, int y) {
    const int bit = x * 4 + y;
    return (((low >> (16 + bit)) & 1u) << 1) | ((low >> bit) & 1u);
}

inline uint8_t* pixelAt(uint8_t* image, int width, int x, int y) {
    return image + 3 * (y * width + x);
}

// Which mode an ETC2 colour block with the diff bit set uses.
enum class DiffMode { Differential, T, H, Planar };

DiffMode differentialMode(unsigned high) {
    const int r = int((high >> 27) & 31) + signExtend3(high >> 24);
    if (r < 0 || r > 31) return DiffMode::T;
    const int g = int((high >> 19) & 31) + signExtend3(high >> 16);
    if (g < 0 || g > 31) return DiffMode::H;
    const int b = int((high >> 11) & 31) + signExtend3(high >> 8);
    if (b < 0 || b > 31) return DiffMode::Planar;
    return DiffMode::Differential;
}

// Base colours of both sub-blocks of an individual or differential block.
void diffFlipBases(unsigned high, int base[2][3]) {
    if (high & 2u) {
        for (int c = 0; c < 3; ++c) {
            const int shift = 27 - 8 * c;
            const unsigned v = (high >> shift) & 31u;
            // Out-of-range sums only reach here through direct calls; wrap to 5 bits.
            const unsigned v2 = unsigned(int(v) + signExtend3(high >> (shift - 3))) & 31u;
            base[0][c] = expand5(v);
            base[1][c] = expand5(v2);
        }
    } else {
        for (int c = 0; c < 3; ++c) {
            base[0][c] = expand4((high >> (28 - 8 * c)) & 15u);
            base[1][c] = expand4((high >> (24 - 8 * c)) & 15u);
        }
    }
}

// The two 4-bit colours of a T or H packed word, expanded to 8 bits.
void packedColours444(unsigned word1, int topBit, uint8_t colours[2][3]) {
    for (int k = 0; k < 6; ++k) {
        const unsigned v = (word1 >> (topBit - 3 - 4 * k)) & 15u;
        colours[k / 3][k % 3] = uint8_t(expand4(v));
    }
}

void tPaint(unsigned word1, uint8_t paint[4][3]) {
    uint8_t colours[2][3];
    packedColours444(word1, 26, colours);
    const int d = table58H[word1 & 7u];
    for (int c = 0; c < 3; ++c) {
        paint[0][c] = colours[0][c];
        paint[1][c] = uint8_t(clamp255(colours[1][c] + d));
        paint[2][c] = colours[1][c];
        paint[3][c] = uint8_t(clamp255(colours[1][c] - d));
    }
}

void hPaint(unsigned word1, uint8_t paint[4][3]) {
    uint8_t colours[2][3];
    packedColours444(word1, 25, colours);
    const unsigned c0 = (word1 >> 14) & 0xFFFu, c1 = (word1 >> 2) & 0xFFFu;
    const unsigned distance = ((word1 & 3u) << 1) | (c0 >= c1 ? 1u : 0u);
    calculatePaintColors58H(distance, colours, paint);
}

// Writes a block whose pixels pick one of four palette entries by stored index.
void writePalette(unsigned indices, const uint8_t paint[4][3], uint8_t* image, int width,
                  int startx, int starty) {
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y) {
            const uint8_t* p = paint[pixelIndex(indices, x, y)];
            uint8_t* out = pixelAt(image, width, startx + x, starty + y);
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
        }
}

// Same with punch-through: index 2 is transparent black.
void writePaletteAlpha(unsigned indices, const uint8_t paint[4][3], uint8_t* image,
                       uint8_t* alphaImage, int width, int startx, int starty) {
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y) {
            const unsigned idx = pixelIndex(indices, x, y);
            uint8_t* out = pixelAt(image, width, startx + x, starty + y);
            const bool transparent = idx == 2;
            const uint8_t* p = paint[idx];
            out[0] = transparent ? 0 : p[0];
            out[1] = transparent ? 0 : p[1];
            out[2] = transparent ? 0 : p[2];
            alphaImage[(starty + y) * width + startx + x] = transparent ? 0 : 255;
        }
}

void fillAlpha(uint8_t* alphaImage, int width, int startx, int starty, uint8_t value) {
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) alphaImage[(starty + y) * width + startx + x] = value;
}

}  // namespace

namespace ETCPackedModes {

unsigned int tWord1FromBlock(unsigned int high) {
    const unsigned r0 = (((high >> 27) & 3u) << 2) | ((high >> 24) & 3u);
    const unsigned rest = (high >> 4) & 0xFFFFFu;  // G0 B0 R1 G1 B1
    const unsigned distance = (((high >> 2) & 3u) << 1) | (high & 1u);
    return (r0 << 23) | (rest << 3) | distance;
}

unsigned int hWord1FromBlock(unsigned int high) {
    const unsigned r0 = (high >> 27) & 15u;
    const unsigned g0 = (((high >> 24) & 7u) << 1) | ((high >> 20) & 1u);
    const unsigned b0 = (((high >> 19) & 1u) << 3) | ((high >> 15) & 7u);
    const unsigned c1 = (high >> 3) & 0xFFFu;  // R1 G1 B1
    const unsigned distance = (((high >> 2) & 1u) << 1) | (high & 1u);
    return (r0 << 22) | (g0 << 18) | (b0 << 14) | (c1 << 2) | distance;
}

void planarWordsFromBlock(unsigned int high, unsigned int low, unsigned int& word1,
                          unsigned int& word2) {
    const unsigned ro = (high >> 25) & 63u;
    const unsigned go = (((high >> 24) & 1u) << 6) | ((high >> 17) & 63u);
    const unsigned bo = (((high >> 16) & 1u) << 5) | (((high >> 11) & 3u) << 3) | ((high >> 7) & 7u);
    const unsigned rh = (((high >> 2) & 31u) << 1) | (high & 1u);
    const unsigned gh = (low >> 25) & 127u;
    word1 = (ro << 26) | (go << 19) | (bo << 13) | (rh << 7) | gh;
    word2 = (low & 0x1FFFFFFu) << 7;  // BH RV GV BV
}

}  // namespace ETCPackedModes

void calculatePaintColors58H(unsigned int distanceIndex, const uint8_t colours[2][3],
                             uint8_t paintColours[4][3]) {
    const int d = table58H[distanceIndex & 7u];
    for (int c = 0; c < 3; ++c) {
        paintColours[0][c] = uint8_t(clamp255(colours[0][c] + d));
        paintColours[1][c] = uint8_t(clamp255(colours[0][c] - d));
        paintColours[2][c] = uint8_t(clamp255(colours[1][c] + d));
        paintColours[3][c] = uint8_t(clamp255(colours[1][c] - d));
    }
}

void decompressBlockDiffFlip(unsigned int high, unsigned int low, uint8_t* image, int width,
                             int startx, int starty) {
    int base[2][3];
    diffFlipBases(high, base);
    const int* modifiers[2] = {compressParams[((high >> 5) & 7u) * 2],
                               compressParams[((high >> 2) & 7u) * 2]};
    const bool flip = (high & 1u) != 0;
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y) {
            const int sub = flip ? (y >> 1) : (x >> 1);
            const int m = modifiers[sub][unscramble[pixelIndex(low, x, y)]];
            uint8_t* out = pixelAt(image, width, startx + x, starty + y);
            out[0] = clamp_table[base[sub][0] + m + 255];
            out[1] = clamp_table[base[sub][1] + m + 255];
            out[2] = clamp_table[base[sub][2] + m + 255];
        }
}

void decompressBlockTHUMB59T(unsigned int word1, unsigned int word2, uint8_t* image, int width,
                             int startx, int starty) {
    uint8_t paint[4][3];
    tPaint(word1, paint);
    writePalette(word2, paint, image, width, startx, starty);
}

void decompressBlockTHUMB58H(unsigned int word1, unsigned int word2, uint8_t* image, int width,
                             int startx, int starty) {
    uint8_t paint[4][3];
    hPaint(word1, paint);
    writePalette(word2, paint, image, width, startx, starty);
}

void decompressBlockPlanar57(unsigned int word1, unsigned int word2, uint8_t* image, int width,
                             int startx, int starty) {
    const int o[3] = {expand6((word1 >> 26) & 63u), expand7((word1 >> 19) & 127u),
                      expand6((word1 >> 13) & 63u)};
    const int h[3] = {expand6((word1 >> 7) & 63u), expand7(word1 & 127u),
                      expand6((word2 >> 26) & 63u)};
    const int v[3] = {expand6((word2 >> 20) & 63u), expand7((word2 >> 13) & 127u),
                      expand6((word2 >> 7) & 63u)};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* out = pixelAt(image, width, startx + x, starty + y);
            for (int c = 0; c < 3; ++c)
                out[c] = uint8_t(clamp255((x * (h[c] - o[c]) + y * (v[c] - o[c]) + 4 * o[c] + 2) >> 2));
        }
}

void decompressBlockETC2(unsigned int high, unsigned int low, uint8_t* image, int width,
                         int startx, int starty) {
    if (!(high & 2u)) {
        decompressBlockDiffFlip(high, low, image, width, startx, starty);
        return;
    }
    switch (differentialMode(high)) {
        case DiffMode::Differential:
            decompressBlockDiffFlip(high, low, image, width, startx, starty);
            break;
        case DiffMode::T:
            decompressBlockTHUMB59T(ETCPackedModes::tWord1FromBlock(high), low, image, width, startx,
                                    starty);
            break;
        case DiffMode::H:
            decompressBlockTHUMB58H(ETCPackedModes::hWord1FromBlock(high), low, image, width, startx,
                                    starty);
            break;
        case DiffMode::Planar: {
            unsigned w1, w2;
            ETCPackedModes::planarWordsFromBlock(high, low, w1, w2);
            decompressBlockPlanar57(w1, w2, image, width, startx, starty);
            break;
        }
    }
}

void decompressBlockDifferentialWithAlpha(unsigned int high, unsigned int low, uint8_t* image,
                                          uint8_t* alphaImage, int width, int startx, int starty) {
    const bool opaque = (high & 2u) != 0;
    if (opaque) {
        decompressBlockDiffFlip(high | 2u, low, image, width, startx, starty);
        fillAlpha(alphaImage, width, startx, starty, 255);
        return;
    }
    int base[2][3];
    diffFlipBases(high | 2u, base);  // punch-through blocks are always differential
    const int* modifiers[2] = {compressParams[((high >> 5) & 7u) * 2],
                               compressParams[((high >> 2) & 7u) * 2]};
    const bool flip = (high & 1u) != 0;
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y) {
            const int sub = flip ? (y >> 1) : (x >> 1);
            const unsigned idx = pixelIndex(low, x, y);
            uint8_t* out = pixelAt(image, width, startx + x, starty + y);
            uint8_t& alpha = alphaImage[(starty + y) * width + startx + x];
            if (idx == 2) {
                out[0] = out[1] = out[2] = 0;
                alpha = 0;
                continue;
            }
            const int m = (idx & 1u) ? modifiers[sub][unscramble[idx]] : 0;
            out[0] = clamp_table[base[sub][0] + m + 255];
            out[1] = clamp_table[base[sub][1] + m + 255];
            out[2] = clamp_table[base[sub][2] + m + 255];
            alpha = 255;
        }
}

void decompressBlockTHUMB59TAlpha(unsigned int word1, unsigned int word2, uint8_t* image,
                                  uint8_t* alphaImage, int width, int startx, int starty) {
    uint8_t paint[4][3];
    tPaint(word1, paint);
    writePaletteAlpha(word2, paint, image, alphaImage, width, startx, starty);
}

void decompressBlockTHUMB58HAlpha(unsigned int word1, unsigned int word2, uint8_t* image,
                                  uint8_t* alphaImage, int width, int startx, int starty) {
    uint8_t paint[4][3];
    hPaint(word1, paint);
    writePaletteAlpha(word2, paint, image, alphaImage, width, startx, starty);
}

void decompressBlockETC21BitAlpha(unsigned int high, unsigned int low, uint8_t* image,
                                  uint8_t* alphaImage, int width, int startx, int starty) {
    const bool opaque = (high & 2u) != 0;
    switch (differentialMode(high)) {
        case DiffMode::Differential:
            decompressBlockDifferentialWithAlpha(high, low, image, alphaImage, width, startx, starty);
            return;
        case DiffMode::T:
            if (opaque)
                decompressBlockTHUMB59T(ETCPackedModes::tWord1FromBlock(high), low, image, width,
                                        startx, starty);
            else
                decompressBlockTHUMB59TAlpha(ETCPackedModes::tWord1FromBlock(high), low, image,
                                             alphaImage, width, startx, starty);
            break;
        case DiffMode::H:
            if (opaque)
                decompressBlockTHUMB58H(ETCPackedModes::hWord1FromBlock(high), low, image, width,
                                        startx, starty);
            else
                decompressBlockTHUMB58HAlpha(ETCPackedModes::hWord1FromBlock(high), low, image,
                                             alphaImage, width, startx, starty);
            break;
        case DiffMode::Planar: {
            unsigned w1, w2;
            ETCPackedModes::planarWordsFromBlock(high, low, w1, w2);
            decompressBlockPlanar57(w1, w2, image, width, startx, starty);
            fillAlpha(alphaImage, width, startx, starty, 255);
            return;
        }
    }
    if (opaque) fillAlpha(alphaImage, width, startx, starty, 255);
}

void decompressBlockAlpha(const uint8_t* data, uint8_t* alphaImage, int width, int startx,
                          int starty, const int (*alphaTable)[8]) {
    const int base = data[0];
    const int* row = alphaTable[data[1]];
    uint64_t bits = 0;
    for (int i = 2; i < 8; ++i) bits = (bits << 8) | data[i];
    for (int i = 0; i < 16; ++i) {
        const unsigned idx = unsigned(bits >> (45 - 3 * i)) & 7u;
        alphaImage[(starty + i % 4) * width + startx + i / 4] = uint8_t(clamp255(base + row[idx]));
    }
}

int get16bits11bits(int base, int table, int multiplier, int index, bool isSigned) {
    const int entry = alphaBase[table & 15][3 - (index & 3)];
    const int modifier = (index & 4) ? -entry - 1 : entry;
    if (!isSigned) {
        int v = base * 8 + 4 + (multiplier != 0 ? modifier * multiplier * 8 : modifier);
        v = v < 0 ? 0 : (v > 2047 ? 2047 : v);
        return (v << 5) + (v >> 6);
    }
    int b = int(int8_t(uint8_t(base)));
    if (b == -128) b = -127;
    int v = b * 8 + (multiplier != 0 ? modifier * multiplier * 8 : modifier);
    v = v < -1023 ? -1023 : (v > 1023 ? 1023 : v);
    const int a = v < 0 ? -v : v;
    const int magnitude = (a << 5) + (a >> 5);
    return v < 0 ? -magnitude : magnitude;
}

void decompressBlockAlpha16bit(const uint8_t* data, uint16_t* image16, int width, int startx,
                               int starty, bool isSigned) {
    const int base = data[0];
    const int multiplier = data[1] >> 4, table = data[1] & 15;
    uint64_t bits = 0;
    for (int i = 2; i < 8; ++i) bits = (bits << 8) | data[i];
    for (int i = 0; i < 16; ++i) {
        const int idx = int(bits >> (45 - 3 * i)) & 7;
        const int v = get16bits11bits(base, table, multiplier, idx, isSigned);
        image16[(starty + i % 4) * width + startx + i / 4] = uint16_t(v);
    }
}

}  // namespace qeltexture
