// Packed T, H and planar words -> standard ETC2 blocks. The mode is announced by an
// overflowing differential sum, so the stuffing chooses the bits around the packed
// fields that make exactly the right channel leave 0..31.
#include "Codecs/ETC/ETC2Compress.h"

namespace qeltexture {

namespace {

inline unsigned bit(unsigned word, int n) { return (word >> n) & 1u; }

// For a channel whose 5-bit base field ends in bits (a, b) and whose 3-bit delta
// field ends in (c, d): the three top base bits and the delta sign that make the sum
// overflow. With base 111ab and delta +cd the sum is 28 + 2a+b + 2c+d, so it passes 31
// exactly when 2a+b + 2c+d >= 4; otherwise base 000ab and delta -4 + cd go below 0.
inline void overflowBits(unsigned a, unsigned b, unsigned c, unsigned d, unsigned& top3,
                         unsigned& sign) {
    if (2 * a + b + 2 * c + d >= 4) {
        top3 = 7u;
        sign = 0u;
    } else {
        top3 = 0u;
        sign = 1u;
    }
}

unsigned stuffT(unsigned word1, bool diffBit) {
    const unsigned r0 = (word1 >> 23) & 15u;
    unsigned top3, sign;
    overflowBits(bit(r0, 3), bit(r0, 2), bit(r0, 1), bit(r0, 0), top3, sign);
    unsigned high = top3 << 29;
    high |= ((r0 >> 2) & 3u) << 27;
    high |= sign << 26;
    high |= (r0 & 3u) << 24;
    high |= ((word1 >> 3) & 0xFFFFFu) << 4;  // G0 B0 R1 G1 B1
    high |= ((word1 >> 1) & 3u) << 2;        // distance bits 2-1
    high |= (diffBit ? 1u : 0u) << 1;
    high |= word1 & 1u;                      // distance bit 0
    return high;
}

unsigned stuffH(unsigned word1, bool diffBit) {
    const unsigned r0 = (word1 >> 22) & 15u, g0 = (word1 >> 18) & 15u, b0 = (word1 >> 14) & 15u;
    // Green's base field ends in G0 bit 0, B0 bit 3; its delta field in B0 bits 2-1.
    unsigned top3, sign;
    overflowBits(bit(g0, 0), bit(b0, 3), bit(b0, 2), bit(b0, 1), top3, sign);
    unsigned high = (bit(r0, 3) ^ 1u) << 31;  // red base 16..23 or 8..15: never overflows
    high |= r0 << 27;
    high |= (g0 >> 1) << 24;
    high |= top3 << 21;
    high |= bit(g0, 0) << 20;
    high |= bit(b0, 3) << 19;
    high |= sign << 18;
    high |= ((b0 >> 1) & 3u) << 16;
    high |= bit(b0, 0) << 15;
    high |= ((word1 >> 2) & 0xFFFu) << 3;  // R1 G1 B1
    high |= bit(word1, 1) << 2;            // distance bit 2
    high |= (diffBit ? 1u : 0u) << 1;
    high |= bit(word1, 0);                 // distance bit 1
    return high;
}

}  // namespace

unsigned int indexConversion(unsigned int pixelIndices) {
    unsigned msb = 0, lsb = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const unsigned index = (pixelIndices >> (30 - 2 * (y * 4 + x))) & 3u;
            const int b = x * 4 + y;
            msb |= (index >> 1) << b;
            lsb |= (index & 1u) << b;
        }
    return (msb << 16) | lsb;
}

void stuff59bits(unsigned int word1, unsigned int word2, unsigned int& high, unsigned int& low) {
    high = stuffT(word1, true);
    low = word2;
}
void stuff59bitsDiffFalse(unsigned int word1, unsigned int word2, unsigned int& high,
                          unsigned int& low) {
    high = stuffT(word1, false);
    low = word2;
}
void stuff58bits(unsigned int word1, unsigned int word2, unsigned int& high, unsigned int& low) {
    high = stuffH(word1, true);
    low = word2;
}
void stuff58bitsDiffFalse(unsigned int word1, unsigned int word2, unsigned int& high,
                          unsigned int& low) {
    high = stuffH(word1, false);
    low = word2;
}

void stuff57bits(unsigned int word1, unsigned int word2, unsigned int& high, unsigned int& low) {
    const unsigned ro = (word1 >> 26) & 63u, go = (word1 >> 19) & 127u, bo = (word1 >> 13) & 63u;
    const unsigned rh = (word1 >> 7) & 63u;
    // Blue's base field ends in BO bits 4-3, its delta field in BO bits 2-1.
    unsigned top3, sign;
    overflowBits(bit(bo, 4), bit(bo, 3), bit(bo, 2), bit(bo, 1), top3, sign);
    unsigned h = (bit(ro, 5) ^ 1u) << 31;  // red and green bases cannot overflow
    h |= ro << 25;
    h |= bit(go, 6) << 24;
    h |= (bit(go, 5) ^ 1u) << 23;
    h |= (go & 63u) << 17;
    h |= bit(bo, 5) << 16;
    h |= top3 << 13;
    h |= ((bo >> 3) & 3u) << 11;
    h |= sign << 10;
    h |= (bo & 7u) << 7;
    h |= (rh >> 1) << 2;
    h |= 1u << 1;
    h |= rh & 1u;
    high = h;
    low = (word2 >> 7) | (word1 << 25);
}

}  // namespace qeltexture
