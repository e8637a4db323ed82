// Starting points of the exhaustive ETC1 searches: plain averages of each half,
// quantised to the mode's code width.
#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC1TableFit.h"

namespace qeltexture {

using namespace etc1detail;

namespace {

// Origin and shape of the halves upper, lower, left, right.
void halfGeometry(int half, int startx, int starty, int& sx, int& sy, HalfShape& shape) {
    sx = startx + (half == kETC1HalfRight ? 2 : 0);
    sy = starty + (half == kETC1HalfLower ? 2 : 0);
    shape = half < 2 ? kHalf4x2 : kHalf2x4;
}

template <class M>
ETC1IndividualStart individualStart(const uint8_t* image, int width, int startx, int starty) {
    ETC1IndividualStart start{};
    for (int h = 0; h < 4; ++h) {
        int sx, sy;
        HalfShape shape;
        halfGeometry(h, startx, starty, sx, sy, shape);
        double avg[3];
        halfAverage(image, width, sx, sy, shape, avg);
        uint8_t colour[3];
        for (int c = 0; c < 3; ++c) {
            start.code[h][c] = int(15.0 * avg[c] / 255.0 + 0.5);
            colour[c] = expand4(start.code[h][c]);
        }
        int table;
        unsigned msb, lsb;
        start.error[h] = fitHalfAllTables<M>(image, width, sx, sy, shape, colour, table, msb, lsb);
    }
    const unsigned flip1 = start.error[kETC1HalfUpper] + start.error[kETC1HalfLower];
    const unsigned flip0 = start.error[kETC1HalfLeft] + start.error[kETC1HalfRight];
    start.blockError = flip1 < flip0 ? flip1 : flip0;
    return start;
}

template <class M>
ETC1DifferentialStart differentialStart(const uint8_t* image, int width, int startx, int starty) {
    ETC1DifferentialStart best{};
    for (int flip = 0; flip < 2; ++flip) {
        const int first = flip ? kETC1HalfUpper : kETC1HalfLeft;
        int code[2][3];
        double avg[2][3];
        int sx[2], sy[2];
        HalfShape shape;
        for (int h = 0; h < 2; ++h) {
            halfGeometry(first + h, startx, starty, sx[h], sy[h], shape);
            halfAverage(image, width, sx[h], sy[h], shape, avg[h]);
            for (int c = 0; c < 3; ++c) code[h][c] = int(31.0 * avg[h][c] / 255.0 + 0.5);
        }
        // A channel whose two codes are too far apart for the delta takes the code of the
        // mean of both halves in both (channels that fit keep their own codes).
        for (int c = 0; c < 3; ++c) {
            const int d = code[1][c] - code[0][c];
            if (d < -4 || d > 3)
                code[0][c] = code[1][c] = int(31.0 * ((avg[0][c] + avg[1][c]) / 2.0) / 255.0 + 0.5);
        }
        unsigned err = 0;
        for (int h = 0; h < 2; ++h) {
            uint8_t colour[3];
            for (int c = 0; c < 3; ++c) colour[c] = expand5(code[h][c]);
            int table;
            unsigned msb, lsb;
            err += fitHalfAllTables<M>(image, width, sx[h], sy[h], shape, colour, table, msb, lsb);
        }
        if (flip == 0 || err < best.blockError) {
            best.blockError = err;
            best.flip = flip != 0;
            for (int h = 0; h < 2; ++h)
                for (int c = 0; c < 3; ++c) best.code[h][c] = code[h][c];
        }
    }
    return best;
}

}  // namespace

ETC1IndividualStart compressBlockOnlyIndividualAverage(const uint8_t* image, int width,
                                                       int startx, int starty) {
    return individualStart<PlainMetric>(image, width, startx, starty);
}
ETC1IndividualStart compressBlockOnlyIndividualAveragePerceptual1000(const uint8_t* image,
                                                                     int width, int startx,
                                                                     int starty) {
    return individualStart<Percep1000Metric>(image, width, startx, starty);
}
ETC1DifferentialStart compressBlockOnlyDiffFlipAverage(const uint8_t* image, int width, int startx,
                                                       int starty) {
    return differentialStart<PlainMetric>(image, width, startx, starty);
}
ETC1DifferentialStart compressBlockOnlyDiffFlipAveragePerceptual1000(const uint8_t* image,
                                                                     int width, int startx,
                                                                     int starty) {
    return differentialStart<Percep1000Metric>(image, width, startx, starty);
}

}  // namespace qeltexture
