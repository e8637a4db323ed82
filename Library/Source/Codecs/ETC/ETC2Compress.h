#pragma once
// ETC2 colour block encoders: the T, H and planar modes, their bit stuffing, the
// two-colour clustering behind T and H, the punch-through (RGB A1) variants and the
// four block encoders the surface driver selects by quality.
//
// Source blocks are 4x4 pixels of 8-bit RGB (3 bytes per pixel) at (startx, starty)
// of an image `width` pixels wide; punch-through encoders also read a 1-byte-per-pixel
// alpha image of the same geometry. Mode encoders return packed mode words (the
// layouts decompressBlockTHUMB59T/58H/Planar57 take); the block encoders return the
// block's (high, low) words in native order.
#include <cstdint>

namespace qeltexture {

// ---- Packed words -> standard blocks ----
// Row-major 2-bit pixel indices (pixel (0,0) in bits 31-30) -> the block's index word
// (msb plane in bits 31-16, lsb plane in 15-0, pixel (x, y) at bit x*4 + y of each).
unsigned int indexConversion(unsigned int pixelIndices);
// The stuffing makes the announcing channel's differential sum overflow (T: red,
// H: green, planar: blue) and keeps the earlier channels in range. The DiffFalse
// twins leave the diff bit (bit 33, the opaque flag of punch-through blocks) at 0.
void stuff59bits(unsigned int word1, unsigned int word2, unsigned int& high, unsigned int& low);
void stuff58bits(unsigned int word1, unsigned int word2, unsigned int& high, unsigned int& low);
void stuff57bits(unsigned int word1, unsigned int word2, unsigned int& high, unsigned int& low);
void stuff59bitsDiffFalse(unsigned int word1, unsigned int word2, unsigned int& high,
                          unsigned int& low);
void stuff58bitsDiffFalse(unsigned int word1, unsigned int word2, unsigned int& high,
                          unsigned int& low);

// ---- Two-colour clustering (8-bit RGB results, rounded) ----
void computeColorLBGHalfIntensityFast(const uint8_t* image, int width, int startx, int starty,
                                      uint8_t LBGcolors[2][3]);
void computeColorLBGNotIntensityFast(const uint8_t* image, int width, int startx, int starty,
                                     uint8_t LBGcolors[2][3]);
void computeColorLBGNotIntensity(const uint8_t* image, int width, int startx, int starty,
                                 uint8_t LBGcolors[2][3]);
void computeColorLBGfast(const uint8_t* image, int width, int startx, int starty,
                         uint8_t LBGcolors[2][3]);
void computeColorLBG(const uint8_t* image, int width, int startx, int starty,
                     uint8_t LBGcolors[2][3]);
// 8-bit colour channel -> 4-bit code: (15 * c + 120) / 255.
void quantizeColorsTo444(const uint8_t colors[2][3], uint8_t colors444[2][3]);

// ---- T and H scoring of two given RGB444 colours ----
// Best distance index and row-major pixel indices; returns the block error. The T
// version tries both colour orders and leaves `colors` in the winning order; noSwap
// keeps the order given. The Alpha twins make alpha-0 pixels transparent (free);
// the H one prints "INVALID ALPHA DATA!!" for each scored pixel whose alpha is
// neither 0 nor 255.
unsigned int calculateError59T(const uint8_t* image, int width, int startx, int starty,
                               uint8_t colors[2][3], uint8_t& distance, unsigned int& pixelIndices);
unsigned int calculateError59TnoSwap(const uint8_t* image, int width, int startx, int starty,
                                     const uint8_t colors[2][3], uint8_t& distance,
                                     unsigned int& pixelIndices);
unsigned int calculateError59TPerceptual1000(const uint8_t* image, int width, int startx,
                                             int starty, uint8_t colors[2][3], uint8_t& distance,
                                             unsigned int& pixelIndices);
unsigned int calculateError59TnoSwapPerceptual1000(const uint8_t* image, int width, int startx,
                                                   int starty, const uint8_t colors[2][3],
                                                   uint8_t& distance, unsigned int& pixelIndices);
unsigned int calculateError59TAlpha(const uint8_t* image, const uint8_t* alphaImage, int width,
                                    int startx, int starty, uint8_t colors[2][3],
                                    uint8_t& distance, unsigned int& pixelIndices);
unsigned int calculateErrorAndCompress58H(const uint8_t* image, int width, int startx, int starty,
                                          const uint8_t colors[2][3], uint8_t& distance,
                                          unsigned int& pixelIndices);
unsigned int calculateErrorAndCompress58HPerceptual1000(const uint8_t* image, int width,
                                                        int startx, int starty,
                                                        const uint8_t colors[2][3],
                                                        uint8_t& distance,
                                                        unsigned int& pixelIndices);
unsigned int calculateErrorAndCompress58HAlpha(const uint8_t* image, const uint8_t* alphaImage,
                                               int width, int startx, int starty,
                                               const uint8_t colors[2][3], uint8_t& distance,
                                               unsigned int& pixelIndices);

// ---- T and H mode encoders (packed words; return the block error) ----
unsigned int compressBlockTHUMB59TFastest(const uint8_t* image, int width, int startx, int starty,
                                          unsigned int& word1, unsigned int& word2);
unsigned int compressBlockTHUMB59TFastestPerceptual1000(const uint8_t* image, int width,
                                                        int startx, int starty,
                                                        unsigned int& word1, unsigned int& word2);
unsigned int compressBlockTHUMB59TFast(const uint8_t* image, int width, int startx, int starty,
                                       unsigned int& word1, unsigned int& word2);
unsigned int compressBlockTHUMB59TAlpha(const uint8_t* image, const uint8_t* alphaImage,
                                        int width, int startx, int starty, unsigned int& word1,
                                        unsigned int& word2);
unsigned int compressBlockTHUMB58HFastest(const uint8_t* image, int width, int startx, int starty,
                                          unsigned int& word1, unsigned int& word2);
unsigned int compressBlockTHUMB58HFastestPerceptual1000(const uint8_t* image, int width,
                                                        int startx, int starty,
                                                        unsigned int& word1, unsigned int& word2);
unsigned int compressBlockTHUMB58HFast(const uint8_t* image, int width, int startx, int starty,
                                       unsigned int& word1, unsigned int& word2);
unsigned int compressBlockTHUMB58HAlpha(const uint8_t* image, const uint8_t* alphaImage,
                                        int width, int startx, int starty, unsigned int& word1,
                                        unsigned int& word2);
// Both fastest encoders from one clustering (they cluster alike): the same words and
// errors as compressBlockTHUMB59TFastest and compressBlockTHUMB58HFastest.
void compressBlockTHFastest(const uint8_t* image, int width, int startx, int starty,
                            unsigned int& tErr, unsigned int& tWord1, unsigned int& tWord2,
                            unsigned int& hErr, unsigned int& hWord1, unsigned int& hWord2);
void compressBlockTHFastestPerceptual1000(const uint8_t* image, int width, int startx, int starty,
                                          unsigned int& tErr, unsigned int& tWord1,
                                          unsigned int& tWord2, unsigned int& hErr,
                                          unsigned int& hWord1, unsigned int& hWord2);
// compressBlockTHUMB59TFast given the fastest T block's (error, word1, word2), which
// is its second candidate (null: work it out).
unsigned int tFastWithFastest(const uint8_t* image, int width, int startx, int starty,
                              const unsigned int* fastest, unsigned int& word1,
                              unsigned int& word2);
// Packs H colours (RGB444, any order, different) with their distance index and
// row-major indices, swapping the colours and inverting every index's high bit when
// the distance index is odd, so the decoder's colour-order bit reproduces it.
void packH58(const uint8_t colors[2][3], uint8_t distance, unsigned int pixelIndices,
             unsigned int& word1, unsigned int& word2);
// word1 of a T block from its colours (RGB444) and distance index.
unsigned int packT59Word1(const uint8_t colors[2][3], uint8_t distance);

// ---- Planar mode ----
// Least-squares fit of origin, horizontal and vertical colours; returns nothing, the
// caller decodes to score.
void compressBlockPlanar57(const uint8_t* image, int width, int startx, int starty,
                           unsigned int& word1, unsigned int& word2);
// Decodes a planar block into `decoded` (4x4 RGB) and returns its plain error per
// channel (and in total); the Perceptual1000 twin weights them by 299, 587 and 114.
unsigned int decompressBlockPlanar57errorPerComponent(unsigned int word1, unsigned int word2,
                                                      uint8_t* decoded, const uint8_t* image,
                                                      int width, int startx, int starty,
                                                      unsigned int& errorR, unsigned int& errorG,
                                                      unsigned int& errorB);
unsigned int decompressBlockPlanar57errorPerComponentPerceptual1000(
    unsigned int word1, unsigned int word2, uint8_t* decoded, const uint8_t* image, int width,
    int startx, int starty, unsigned int& errorR, unsigned int& errorG, unsigned int& errorB);

// ---- Exhaustive mode searches ----
// Each searches for the first block (in its fixed candidate order) whose error is
// strictly below `bound`; (word1, word2) hold the starting block on entry and the
// result on exit. A search that beats nothing leaves the starting block and returns
// its real error (not the bound), so the final choice between modes compares real
// errors and never keeps a block worse than a starting candidate.
unsigned int compressBlockTHUMB58HExhaustive(const uint8_t* image, int width, int startx,
                                             int starty, unsigned int& word1, unsigned int& word2,
                                             unsigned int bound);
unsigned int compressBlockTHUMB58HExhaustivePerceptual(const uint8_t* image, int width,
                                                       int startx, int starty,
                                                       unsigned int& word1, unsigned int& word2,
                                                       unsigned int bound);
unsigned int compressBlockTHUMB59TExhaustive(const uint8_t* image, int width, int startx,
                                             int starty, unsigned int& word1, unsigned int& word2,
                                             unsigned int bound);
unsigned int compressBlockTHUMB59TExhaustivePerceptual(const uint8_t* image, int width,
                                                       int startx, int starty,
                                                       unsigned int& word1, unsigned int& word2,
                                                       unsigned int bound);
// Per channel: the first (O, H, V) strictly below min(bound, that channel's error in
// the starting least-squares block); a channel that beats nothing keeps its codes.
// Returns the error of the resulting block.
unsigned int compressBlockPlanar57Exhaustive(const uint8_t* image, int width, int startx,
                                             int starty, unsigned int& word1, unsigned int& word2,
                                             unsigned int bound, unsigned int errorR,
                                             unsigned int errorG, unsigned int errorB);
unsigned int compressBlockPlanar57ExhaustivePerceptual(const uint8_t* image, int width,
                                                       int startx, int starty,
                                                       unsigned int& word1, unsigned int& word2,
                                                       unsigned int bound, unsigned int errorR,
                                                       unsigned int errorG, unsigned int errorB);

// ---- Punch-through ----
// Differential block with 1-bit alpha: pixels of alpha < 128 take the transparent
// index. In transparent mode the block's opaque flag is 0 (and the -small modifier
// is unavailable, +small meaning "the base colour"); otherwise it is an ordinary
// differential block. Returns the integer error over the pixels treated as opaque.
unsigned int compressBlockDifferentialWithAlpha(bool isTransparent, const uint8_t* image,
                                                const uint8_t* alphaImage, int width, int startx,
                                                int starty, unsigned int& high, unsigned int& low);
// Squared RGB error between the source and a decoded 4x4 block, over the source
// pixels whose alpha is above 128.
double calcBlockErrorRGBA(const uint8_t* image, const uint8_t* alphaImage, const uint8_t* decoded,
                          int width, int startx, int starty);

// ---- Block encoders ----
// `format` is ePF_ETC2_RGB, ePF_ETC2_RGBA (alphaImage ignored) or ePF_ETC2_RGB_A1.
// `decoded` is a 4x4 RGB scratch block the encoder may overwrite.
void compressBlockETC2Fast(const uint8_t* image, const uint8_t* alphaImage, uint8_t* decoded,
                           int width, int height, int startx, int starty, unsigned int& high,
                           unsigned int& low, unsigned int format);
void compressBlockETC2FastPerceptual(const uint8_t* image, uint8_t* decoded, int width,
                                     int startx, int starty, unsigned int& high,
                                     unsigned int& low);
void compressBlockETC2Exhaustive(const uint8_t* image, uint8_t* decoded, int width, int startx,
                                 int starty, unsigned int& high, unsigned int& low);
void compressBlockETC2ExhaustivePerceptual(const uint8_t* image, uint8_t* decoded, int width,
                                           int startx, int starty, unsigned int& high,
                                           unsigned int& low);

}  // namespace qeltexture
