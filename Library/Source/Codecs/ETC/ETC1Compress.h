#pragma once
// ETC1 block encoders. Each takes a 4x4 block of 8-bit RGB pixels (3 bytes per pixel)
// at (startx, starty) of an image `width` pixels wide and returns the block as two
// native-order words (high, low); the surface driver stores them big-endian.
#include <cstdint>

namespace qeltexture {

// ---- Table fit of one half-block (2 columns x 4 rows, or 4 columns x 2 rows) ----
// `colour` is the 8-bit base colour, `tableRow` a row 2t of compressParams. Index bits
// come back relative to the half's own origin (bit x*4 + y); the caller shifts them
// (by 8 for the right half, by 2 for the lower half). Returns the half's error.
unsigned int compressBlockWithTable2x4(const uint8_t* image, int width, int startx, int starty,
                                       const uint8_t colour[3], int tableRow, unsigned int& msbBits,
                                       unsigned int& lsbBits);
unsigned int compressBlockWithTable4x2(const uint8_t* image, int width, int startx, int starty,
                                       const uint8_t colour[3], int tableRow, unsigned int& msbBits,
                                       unsigned int& lsbBits);
float compressBlockWithTable2x4percep(const uint8_t* image, int width, int startx, int starty,
                                      const uint8_t colour[3], int tableRow, unsigned int& msbBits,
                                      unsigned int& lsbBits);
float compressBlockWithTable4x2percep(const uint8_t* image, int width, int startx, int starty,
                                      const uint8_t colour[3], int tableRow, unsigned int& msbBits,
                                      unsigned int& lsbBits);
unsigned int compressBlockWithTable2x4percep1000(const uint8_t* image, int width, int startx,
                                                 int starty, const uint8_t colour[3], int tableRow,
                                                 unsigned int& msbBits, unsigned int& lsbBits);
unsigned int compressBlockWithTable4x2percep1000(const uint8_t* image, int width, int startx,
                                                 int starty, const uint8_t colour[3], int tableRow,
                                                 unsigned int& msbBits, unsigned int& lsbBits);

// ---- Block errors against a decoded 4x4 RGB block (width 4) ----
double calcBlockErrorRGB(const uint8_t* image, const uint8_t* decoded, int width, int startx,
                         int starty);
double calcBlockPerceptualErrorRGB(const uint8_t* image, const uint8_t* decoded, int width,
                                   int startx, int starty);

// ---- Base colour quantizers of the combined encoders ----
// `averageColour` per channel in 0..255; `encodedColour` receives the 4- or 5-bit codes.
void quantize444ColorCombined(const double averageColour[3], int encodedColour[3]);
void quantize555ColorCombined(const double averageColour[3], int encodedColour[3]);
void quantize444ColorCombinedPerceptual(const double averageColour[3], int encodedColour[3]);
void quantize555ColorCombinedPerceptual(const double averageColour[3], int encodedColour[3]);

// ---- Fast encoders ----
void compressBlockDiffFlipAverage(const uint8_t* image, int width, int startx, int starty,
                                  unsigned int& high, unsigned int& low);
void compressBlockDiffFlipCombined(const uint8_t* image, int width, int startx, int starty,
                                   unsigned int& high, unsigned int& low);
void compressBlockDiffFlipAveragePerceptual(const uint8_t* image, int width, int startx,
                                            int starty, unsigned int& high, unsigned int& low);
void compressBlockDiffFlipCombinedPerceptual(const uint8_t* image, int width, int startx,
                                             int starty, unsigned int& high, unsigned int& low);
// Better of the average and combined blocks by plain error (ties keep the average one).
// `decoded` is a 4x4 RGB scratch block. Returns the plain error of the result.
double compressBlockDiffFlipFast(const uint8_t* image, uint8_t* decoded, int width, int startx,
                                 int starty, unsigned int& high, unsigned int& low);
// Same with the perceptual encoders and error; returns the perceptual error.
double compressBlockDiffFlipFastPerceptual(const uint8_t* image, uint8_t* decoded, int width,
                                           int startx, int starty, unsigned int& high,
                                           unsigned int& low);

// ---- Exhaustive searches ----
// Search every individual (4-bit) or differential (5-bit) base colour pair; `bound` is
// the caller's pruning bound. Return the error of the block written.
unsigned int compressBlockIndividualExhaustive(const uint8_t* image, int width, int startx,
                                               int starty, unsigned int& high, unsigned int& low,
                                               unsigned int bound);
unsigned int compressBlockDifferentialExhaustive(const uint8_t* image, int width, int startx,
                                                 int starty, unsigned int& high, unsigned int& low,
                                                 unsigned int bound);
unsigned int compressBlockIndividualExhaustivePerceptual(const uint8_t* image, int width,
                                                         int startx, int starty, unsigned int& high,
                                                         unsigned int& low, unsigned int bound);
unsigned int compressBlockDifferentialExhaustivePerceptual(const uint8_t* image, int width,
                                                           int startx, int starty,
                                                           unsigned int& high, unsigned int& low,
                                                           unsigned int bound);
void compressBlockETC1Exhaustive(const uint8_t* image, uint8_t* decoded, int width, int startx,
                                 int starty, unsigned int& high, unsigned int& low);
void compressBlockETC1ExhaustivePerceptual(const uint8_t* image, uint8_t* decoded, int width,
                                           int startx, int starty, unsigned int& high,
                                           unsigned int& low);

// ---- Starting points of the exhaustive searches ----
// Halves are numbered upper, lower, left, right.
enum { kETC1HalfUpper = 0, kETC1HalfLower = 1, kETC1HalfLeft = 2, kETC1HalfRight = 3 };
struct ETC1IndividualStart {
    int code[4][3];         // 4-bit base colour of each half
    unsigned int error[4];  // its best table-fit error
    unsigned int blockError;  // min(upper + lower, left + right)
};
struct ETC1DifferentialStart {
    int code[2][3];  // 5-bit base colours of the two halves of the chosen split
    bool flip;
    unsigned int blockError;
};
ETC1IndividualStart compressBlockOnlyIndividualAverage(const uint8_t* image, int width,
                                                       int startx, int starty);
ETC1IndividualStart compressBlockOnlyIndividualAveragePerceptual1000(const uint8_t* image,
                                                                     int width, int startx,
                                                                     int starty);
ETC1DifferentialStart compressBlockOnlyDiffFlipAverage(const uint8_t* image, int width, int startx,
                                                       int starty);
ETC1DifferentialStart compressBlockOnlyDiffFlipAveragePerceptual1000(const uint8_t* image,
                                                                     int width, int startx,
                                                                     int starty);

// ---- Block assembly from chosen base colours ----
// Fits the best table to both halves (plain or integer perceptual metric) and packs an
// individual (4-bit codes) or differential (5-bit codes, second within -4..3) block.
// Returns the block error by that metric.
unsigned int packETC1Individual(const uint8_t* image, int width, int startx, int starty,
                                const int code[2][3], bool flip, bool perceptual,
                                unsigned int& high, unsigned int& low);
unsigned int packETC1Differential(const uint8_t* image, int width, int startx, int starty,
                                  const int code[2][3], bool flip, bool perceptual,
                                  unsigned int& high, unsigned int& low);

}  // namespace qeltexture
