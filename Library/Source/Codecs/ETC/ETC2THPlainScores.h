#pragma once
// Internal: plain-metric T and H scoring of one colour pair with every candidate's
// error worked out at once in 32-bit vector lanes, for the fast encoders that score
// a clustered pair. Gives exactly PairScores' (and so tSearch's / hSearch's) results.
#include <cstdint>

#include "Codecs/ETC/ETC2THScore.h"
#include "Codecs/ETC/ETCVectorLevel.h"

namespace qeltexture {
namespace etc2detail {

// The 16 pixels (row-major) as 16-bit (red, green) and (blue, 0) pairs.
struct PairPixels {
    alignas(32) int16_t rg[32];
    alignas(32) int16_t b[32];
    explicit PairPixels(const BlockPixels& px) {
        for (int i = 0; i < 16; ++i) {
            rg[2 * i] = px.rgb[i][0];
            rg[2 * i + 1] = px.rgb[i][1];
            b[2 * i] = px.rgb[i][2];
            b[2 * i + 1] = 0;
        }
    }
};

class PlainPairScores {
public:
    PlainPairScores(const BlockPixels& px, const uint8_t colors[2][3],
                    ETCVectorLevel level = ETCVectorLevel::Best);
    // As PairScores::bestT.
    unsigned bestT(int& order, uint8_t& distance, unsigned& indices) const;
    // As PairScores::bestH.
    unsigned bestH(bool swapped, uint8_t& distance, unsigned& indices) const;

private:
    PairPixels pixels_;
    ETCVectorLevel level_;
    int c8_[2][3];  // the colours expanded to 8 bits
    unsigned tErr_[2][8];  // colour o alone, colour 1 - o with +-d (distance k)
    unsigned hErr_[8];
};

}  // namespace etc2detail
}  // namespace qeltexture
