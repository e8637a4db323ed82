#pragma once
// The 64-bit block word of QELTC (version 0) and QELTCII (version 1): the modulation word
// followed by the colour word, each a little-endian 32-bit value. The word is kept as
// bytes so that it may sit at any alignment inside a caller's buffer.
#include <cstddef>
#include <cstdint>

namespace qeltexture {

// A colour as the decoder sees it: 5-bit red, green, blue and 4-bit alpha.
struct QELTCColour {
    uint8_t r, g, b, a;
};

// Colour A or B of a colour word, widened to 5/5/5/4 bits. Version 0 reads bits 15 and
// 31 as the two opacity flags; any other version reads bit 31 for both colours and gives
// a translucent B an alpha with its low bit set.
QELTCColour QELTCUnpackColourA(uint32_t colourWord, unsigned version);
QELTCColour QELTCUnpackColourB(uint32_t colourWord, unsigned version);

// 8-bit RGBA packed into 32 bits, red in the low byte.
inline uint8_t QELTCChannel(uint32_t rgba, int c) { return uint8_t(rgba >> (8 * c)); }
inline uint32_t QELTCPackRGBA(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return r | (g << 8) | (b << 16) | (a << 24);
}

struct QELTCBlockWord {
    uint8_t bytes[8];

    uint32_t modulationWord() const { return load(0); }
    uint32_t colourWord() const { return load(4); }
    void setModulationWord(uint32_t v) { store(0, v); }
    void setColourWord(uint32_t v) { store(4, v); }

private:
    uint32_t load(int at) const {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    }
    void store(int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(v >> (8 * i));
    }
};

// QELTC word: each colour carries its own opacity flag (bit 15 for A, bit 31 for B).
struct QELTCBlockData : QELTCBlockWord {
    QELTCColour getColourA() const { return QELTCUnpackColourA(colourWord(), 0); }
    QELTCColour getColourB() const { return QELTCUnpackColourB(colourWord(), 0); }
    // Quantise by truncation; alpha 255 stores the colour opaque. A keeps bit 0 and the B
    // half of the colour word, B keeps the low 16 bits.
    void setColourA(uint32_t rgba);
    void setColourB(uint32_t rgba);
    // 4 bpp: the 2-bit value of pixel (x, y) of the block.
    void storeModulationValue4BPP(unsigned x, unsigned y, unsigned value);
};

// QELTCII word: bit 31 is the shared opacity of A and B, bit 15 the hard-transition flag.
struct QELTCIIBlockData : QELTCBlockWord {
    QELTCColour getColourA() const { return QELTCUnpackColourA(colourWord(), 1); }
    QELTCColour getColourB() const { return QELTCUnpackColourB(colourWord(), 1); }
    // Both opaque only when both alphas are 255, else both translucent. Bits 0 and 15 keep
    // their values.
    void setColours(uint32_t rgbaA, uint32_t rgbaB);
    void storeModulationValue4BPP(unsigned x, unsigned y, unsigned value);
};

static_assert(sizeof(QELTCBlockData) == 8 && sizeof(QELTCIIBlockData) == 8, "block word is 8 bytes");

}  // namespace qeltexture
