#include "Codecs/QELTC/QELTCBlockData.h"

namespace qeltexture {

namespace {
uint8_t widen4(uint32_t f) { return uint8_t((f << 1) | (f >> 3)); }
uint8_t widen3(uint32_t f) { return uint8_t((f << 2) | (f >> 1)); }

// Opaque and translucent field layouts of the two colour halves.
uint32_t opaqueA(uint32_t c) {
    return (QELTCChannel(c, 0) >> 3) << 10 | (QELTCChannel(c, 1) >> 3) << 5 | (QELTCChannel(c, 2) >> 4) << 1;
}
uint32_t translucentA(uint32_t c) {
    return (QELTCChannel(c, 3) >> 5) << 12 | (QELTCChannel(c, 0) >> 4) << 8 | (QELTCChannel(c, 1) >> 4) << 4 |
           (QELTCChannel(c, 2) >> 5) << 1;
}
uint32_t opaqueB(uint32_t c) {
    return (QELTCChannel(c, 0) >> 3) << 26 | (QELTCChannel(c, 1) >> 3) << 21 | (QELTCChannel(c, 2) >> 3) << 16;
}
uint32_t translucentB(uint32_t c) {
    return (QELTCChannel(c, 3) >> 5) << 28 | (QELTCChannel(c, 0) >> 4) << 24 | (QELTCChannel(c, 1) >> 4) << 20 |
           (QELTCChannel(c, 2) >> 4) << 16;
}

uint32_t withModulationValue(uint32_t word, unsigned x, unsigned y, unsigned value) {
    unsigned shift = 2 * (4 * (y & 3) + (x & 3));
    return (word & ~(3u << shift)) | ((value & 3u) << shift);
}
}  // namespace

QELTCColour QELTCUnpackColourA(uint32_t w, unsigned version) {
    bool opaque = (w >> (version == 0 ? 15 : 31)) & 1;
    if (opaque)
        return {uint8_t((w >> 10) & 31), uint8_t((w >> 5) & 31), widen4((w >> 1) & 15), 15};
    return {widen4((w >> 8) & 15), widen4((w >> 4) & 15), widen3((w >> 1) & 7),
            uint8_t(((w >> 12) & 7) << 1)};
}

QELTCColour QELTCUnpackColourB(uint32_t w, unsigned version) {
    if (w >> 31)
        return {uint8_t((w >> 26) & 31), uint8_t((w >> 21) & 31), uint8_t((w >> 16) & 31), 15};
    uint32_t a = ((w >> 28) & 7) << 1;
    if (version != 0) a |= 1;
    return {widen4((w >> 24) & 15), widen4((w >> 20) & 15), widen4((w >> 16) & 15), uint8_t(a)};
}

void QELTCBlockData::setColourA(uint32_t rgba) {
    uint32_t keep = colourWord() & 0xFFFF0001u;
    uint32_t a = QELTCChannel(rgba, 3) == 255 ? (0x8000u | opaqueA(rgba)) : translucentA(rgba);
    setColourWord(keep | a);
}

void QELTCBlockData::setColourB(uint32_t rgba) {
    uint32_t keep = colourWord() & 0xFFFFu;
    uint32_t b = QELTCChannel(rgba, 3) == 255 ? (0x80000000u | opaqueB(rgba)) : translucentB(rgba);
    setColourWord(keep | b);
}

void QELTCBlockData::storeModulationValue4BPP(unsigned x, unsigned y, unsigned value) {
    setModulationWord(withModulationValue(modulationWord(), x, y, value));
}

void QELTCIIBlockData::setColours(uint32_t rgbaA, uint32_t rgbaB) {
    uint32_t keep = colourWord() & 0x8001u;
    bool opaque = QELTCChannel(rgbaA, 3) == 255 && QELTCChannel(rgbaB, 3) == 255;
    uint32_t fields = opaque ? (0x80000000u | opaqueA(rgbaA) | opaqueB(rgbaB))
                             : (translucentA(rgbaA) | translucentB(rgbaB));
    setColourWord(keep | fields);
}

void QELTCIIBlockData::storeModulationValue4BPP(unsigned x, unsigned y, unsigned value) {
    setModulationWord(withModulationValue(modulationWord(), x, y, value));
}

}  // namespace qeltexture
