#include "Codecs/ETC/ETC1TableFit.h"

#include "Codecs/ETC/ETC1Compress.h"

namespace qeltexture {

using namespace etc1detail;

void etc1detail::halfAverage(const uint8_t* image, int width, int startx, int starty, HalfShape shape,
                             double average[3]) {
    int sum[3] = {0, 0, 0};
    for (int y = 0; y < shape.rows; ++y)
        for (int x = 0; x < shape.columns; ++x)
            for (int c = 0; c < 3; ++c) sum[c] += image[3 * ((starty + y) * width + startx + x) + c];
    for (int c = 0; c < 3; ++c) average[c] = sum[c] * 0.125;
}

unsigned int compressBlockWithTable2x4(const uint8_t* image, int width, int startx, int starty,
                                       const uint8_t colour[3], int tableRow, unsigned int& msbBits,
                                       unsigned int& lsbBits) {
    return fitHalfTable<PlainMetric>(image, width, startx, starty, kHalf2x4, colour, tableRow,
                                     msbBits, lsbBits);
}
unsigned int compressBlockWithTable4x2(const uint8_t* image, int width, int startx, int starty,
                                       const uint8_t colour[3], int tableRow, unsigned int& msbBits,
                                       unsigned int& lsbBits) {
    return fitHalfTable<PlainMetric>(image, width, startx, starty, kHalf4x2, colour, tableRow,
                                     msbBits, lsbBits);
}
float compressBlockWithTable2x4percep(const uint8_t* image, int width, int startx, int starty,
                                      const uint8_t colour[3], int tableRow, unsigned int& msbBits,
                                      unsigned int& lsbBits) {
    return fitHalfTable<PercepMetric>(image, width, startx, starty, kHalf2x4, colour, tableRow,
                                      msbBits, lsbBits);
}
float compressBlockWithTable4x2percep(const uint8_t* image, int width, int startx, int starty,
                                      const uint8_t colour[3], int tableRow, unsigned int& msbBits,
                                      unsigned int& lsbBits) {
    return fitHalfTable<PercepMetric>(image, width, startx, starty, kHalf4x2, colour, tableRow,
                                      msbBits, lsbBits);
}
unsigned int compressBlockWithTable2x4percep1000(const uint8_t* image, int width, int startx,
                                                 int starty, const uint8_t colour[3], int tableRow,
                                                 unsigned int& msbBits, unsigned int& lsbBits) {
    return fitHalfTable<Percep1000Metric>(image, width, startx, starty, kHalf2x4, colour, tableRow,
                                          msbBits, lsbBits);
}
unsigned int compressBlockWithTable4x2percep1000(const uint8_t* image, int width, int startx,
                                                 int starty, const uint8_t colour[3], int tableRow,
                                                 unsigned int& msbBits, unsigned int& lsbBits) {
    return fitHalfTable<Percep1000Metric>(image, width, startx, starty, kHalf4x2, colour, tableRow,
                                          msbBits, lsbBits);
}

double calcBlockErrorRGB(const uint8_t* image, const uint8_t* decoded, int width, int startx,
                         int starty) {
    unsigned sum = 0;  // at most 3121200: exact
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = image + 3 * ((starty + y) * width + startx + x);
            const uint8_t* d = decoded + 3 * (y * 4 + x);
            sum += PlainMetric::pixel(d[0] - p[0], d[1] - p[1], d[2] - p[2]);
        }
    return double(sum);
}

double calcBlockPerceptualErrorRGB(const uint8_t* image, const uint8_t* decoded, int width,
                                   int startx, int starty) {
    double sum = 0.0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = image + 3 * ((starty + y) * width + startx + x);
            const uint8_t* d = decoded + 3 * (y * 4 + x);
            const int dr = d[0] - p[0], dg = d[1] - p[1], db = d[2] - p[2];
            sum += 0.299 * dr * dr + 0.587 * dg * dg + 0.114 * db * db;
        }
    return sum;
}

namespace etc1detail {

void packBlock(bool differential, bool flip, const int code[2][3], const HalfFit fit[2],
               unsigned int& high, unsigned int& low) {
    unsigned h = 0;
    if (differential) {
        for (int c = 0; c < 3; ++c) {
            const unsigned delta = unsigned(code[1][c] - code[0][c]) & 7u;
            h |= (unsigned(code[0][c]) << (27 - 8 * c)) | (delta << (24 - 8 * c));
        }
        h |= 2u;
    } else {
        for (int c = 0; c < 3; ++c)
            h |= (unsigned(code[0][c]) << (28 - 8 * c)) | (unsigned(code[1][c]) << (24 - 8 * c));
    }
    h |= unsigned(fit[0].table) << 5 | unsigned(fit[1].table) << 2 | (flip ? 1u : 0u);
    const int shift = flip ? 2 : 8;  // lower half starts at row 2, right half at column 2
    const unsigned msb = fit[0].msb | (fit[1].msb << shift);
    const unsigned lsb = fit[0].lsb | (fit[1].lsb << shift);
    high = h;
    low = (msb << 16) | lsb;
}

}  // namespace etc1detail

namespace {

unsigned packWithFit(const uint8_t* image, int width, int startx, int starty, const int code[2][3],
                     bool flip, bool perceptual, bool differential, unsigned int& high,
                     unsigned int& low) {
    const HalfShape shape = flip ? kHalf4x2 : kHalf2x4;
    const int dx = flip ? 0 : 2, dy = flip ? 2 : 0;
    HalfFit fit[2];
    unsigned error = 0;
    for (int half = 0; half < 2; ++half) {
        uint8_t colour[3];
        for (int c = 0; c < 3; ++c)
            colour[c] = differential ? expand5(code[half][c]) : expand4(code[half][c]);
        const int sx = startx + half * dx, sy = starty + half * dy;
        error += perceptual
                     ? fitHalfAllTables<Percep1000Metric>(image, width, sx, sy, shape, colour,
                                                          fit[half].table, fit[half].msb, fit[half].lsb)
                     : fitHalfAllTables<PlainMetric>(image, width, sx, sy, shape, colour,
                                                     fit[half].table, fit[half].msb, fit[half].lsb);
    }
    packBlock(differential, flip, code, fit, high, low);
    return error;
}

}  // namespace

unsigned int packETC1Individual(const uint8_t* image, int width, int startx, int starty,
                                const int code[2][3], bool flip, bool perceptual,
                                unsigned int& high, unsigned int& low) {
    return packWithFit(image, width, startx, starty, code, flip, perceptual, false, high, low);
}

unsigned int packETC1Differential(const uint8_t* image, int width, int startx, int starty,
                                  const int code[2][3], bool flip, bool perceptual,
                                  unsigned int& high, unsigned int& low) {
    return packWithFit(image, width, startx, starty, code, flip, perceptual, true, high, low);
}

}  // namespace qeltexture
