// Planar mode: least-squares fit of the three corner colours, and the per-channel
// error of a planar block (the planar error separates by channel).
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"

namespace qeltexture {

namespace {

// Inverse of the normal-equation matrix of the model
// c(x, y) = O (1 - x/4 - y/4) + H x/4 + V y/4 over the 16 pixels.
constexpr double kNormalInverse[3][3] = {{0.2875, -0.0125, -0.0125},
                                         {-0.0125, 0.4875, -0.3125},
                                         {-0.0125, -0.3125, 0.4875}};

inline double clamp255(double v) { return v < 0.0 ? 0.0 : (v > 255.0 ? 255.0 : v); }

// Non-negative values only: half away from zero is half up.
inline unsigned quantize(double value, double step) { return unsigned(value / step + 0.5); }

template <unsigned kWeightR, unsigned kWeightG, unsigned kWeightB>
unsigned planarErrors(unsigned word1, unsigned word2, uint8_t* decoded, const uint8_t* image,
                      int width, int startx, int starty, unsigned& errorR, unsigned& errorG,
                      unsigned& errorB) {
    decompressBlockPlanar57(word1, word2, decoded, 4, 0, 0);
    unsigned e[3] = {0, 0, 0};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = image + 3 * ((starty + y) * width + startx + x);
            const uint8_t* d = decoded + 3 * (y * 4 + x);
            for (int c = 0; c < 3; ++c) {
                const int diff = int(d[c]) - int(p[c]);
                e[c] += unsigned(diff * diff);
            }
        }
    errorR = e[0] * kWeightR;
    errorG = e[1] * kWeightG;
    errorB = e[2] * kWeightB;
    return errorR + errorG + errorB;
}

}  // namespace

void compressBlockPlanar57(const uint8_t* image, int width, int startx, int starty,
                           unsigned int& word1, unsigned int& word2) {
    unsigned code[3][3];  // [channel][O, H, V]
    for (int c = 0; c < 3; ++c) {
        // The right-hand sides sum v * (1 - x/4 - y/4), v * x/4 and v * y/4: multiples
        // of 1/4 far below 2^53, exact in any order, so they are summed as integers
        // (in quarters) and scaled once.
        int quarters[3] = {0, 0, 0};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                const int v = image[3 * ((starty + y) * width + startx + x) + c];
                quarters[0] += v * (4 - x - y);
                quarters[1] += v * x;
                quarters[2] += v * y;
            }
        const double rhs[3] = {quarters[0] / 4.0, quarters[1] / 4.0, quarters[2] / 4.0};
        for (int k = 0; k < 3; ++k) {
            const double value = clamp255(kNormalInverse[k][0] * rhs[0] + kNormalInverse[k][1] * rhs[1] +
                                          kNormalInverse[k][2] * rhs[2]);
            // Red and blue have 6 bits, green 7: steps of 255/63 and 255/127.
            code[c][k] = c == 1 ? quantize(value, 2.0078740157480315) : quantize(value, 4.0476190476190474);
        }
    }
    word1 = (code[0][0] << 26) | (code[1][0] << 19) | (code[2][0] << 13) | (code[0][1] << 7) | code[1][1];
    word2 = (code[2][1] << 26) | (code[0][2] << 20) | (code[1][2] << 13) | (code[2][2] << 7);
}

unsigned int decompressBlockPlanar57errorPerComponent(unsigned int word1, unsigned int word2,
                                                      uint8_t* decoded, const uint8_t* image,
                                                      int width, int startx, int starty,
                                                      unsigned int& errorR, unsigned int& errorG,
                                                      unsigned int& errorB) {
    return planarErrors<1, 1, 1>(word1, word2, decoded, image, width, startx, starty, errorR,
                                 errorG, errorB);
}

unsigned int decompressBlockPlanar57errorPerComponentPerceptual1000(
    unsigned int word1, unsigned int word2, uint8_t* decoded, const uint8_t* image, int width,
    int startx, int starty, unsigned int& errorR, unsigned int& errorG, unsigned int& errorB) {
    return planarErrors<299, 587, 114>(word1, word2, decoded, image, width, startx, starty, errorR,
                                       errorG, errorB);
}

}  // namespace qeltexture
