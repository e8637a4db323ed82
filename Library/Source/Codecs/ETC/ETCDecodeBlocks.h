#pragma once
// ETC1/ETC2/EAC block decoders. Colour goes to 3 bytes per pixel (R, G, B), alpha to
// a separate 1-byte-per-pixel image, 11-bit EAC channels to 16-bit values; all images
// are `width` pixels per row and the block lands at (startx, starty).
// Colour blocks arrive as two words: high = bytes 0-3, low = bytes 4-7, big-endian.
#include <cstdint>

namespace qeltexture {

// Any ETC2 RGB block (ETC1 blocks included).
void decompressBlockETC2(unsigned int high, unsigned int low, uint8_t* image, int width,
                         int startx, int starty);
// ETC1 individual and differential modes.
void decompressBlockDiffFlip(unsigned int high, unsigned int low, uint8_t* image, int width,
                             int startx, int starty);
// The ETC2-only modes take their packed fields (see ETCPackedModes below).
void decompressBlockTHUMB59T(unsigned int word1, unsigned int word2, uint8_t* image, int width,
                             int startx, int starty);
void decompressBlockTHUMB58H(unsigned int word1, unsigned int word2, uint8_t* image, int width,
                             int startx, int starty);
void decompressBlockPlanar57(unsigned int word1, unsigned int word2, uint8_t* image, int width,
                             int startx, int starty);

// Punch-through alpha (ePF_ETC2_RGB_A1) blocks; alpha is 0 or 255.
void decompressBlockETC21BitAlpha(unsigned int high, unsigned int low, uint8_t* image,
                                  uint8_t* alphaImage, int width, int startx, int starty);
void decompressBlockDifferentialWithAlpha(unsigned int high, unsigned int low, uint8_t* image,
                                          uint8_t* alphaImage, int width, int startx, int starty);
void decompressBlockTHUMB59TAlpha(unsigned int word1, unsigned int word2, uint8_t* image,
                                  uint8_t* alphaImage, int width, int startx, int starty);
void decompressBlockTHUMB58HAlpha(unsigned int word1, unsigned int word2, uint8_t* image,
                                  uint8_t* alphaImage, int width, int startx, int starty);

// 8-bit EAC alpha block (8 bytes at data).
void decompressBlockAlpha(const uint8_t* data, uint8_t* alphaImage, int width, int startx,
                          int starty, const int (*alphaTable)[8]);
// 11-bit EAC channel expanded to 16 bits (signed values stored as two's complement).
void decompressBlockAlpha16bit(const uint8_t* data, uint16_t* image16, int width, int startx,
                               int starty, bool isSigned);
// One 11-bit EAC value as a 16-bit result: 0..65535 unsigned, -32767..32767 signed.
int get16bits11bits(int base, int table, int multiplier, int index, bool isSigned);

// H mode palette from two expanded 8-bit colours: c0 + d, c0 - d, c1 + d, c1 - d.
void calculatePaintColors58H(unsigned int distanceIndex, const uint8_t colours[2][3],
                             uint8_t paintColours[4][3]);

// Packed mode words <-> standard blocks (field layouts of the ETC2-only modes).
namespace ETCPackedModes {
unsigned int tWord1FromBlock(unsigned int high);
unsigned int hWord1FromBlock(unsigned int high);
void planarWordsFromBlock(unsigned int high, unsigned int low, unsigned int& word1,
                          unsigned int& word2);
}  // namespace ETCPackedModes

}  // namespace qeltexture
