// Decoding runs in three passes over the image: every block word is read and widened once
// (in memory order, so twiddling costs nothing later), the per-pixel modulation weights are
// laid out in a map (2 bpp interpolation needs the neighbouring samples, across blocks and
// the image edges), and the colours are produced row by row. The bilinear upscale is
// separable: the horizontal pass of a block row is cached and serves the eight output rows
// that read it, and the vertical pass and blend run over whole rows.
#include "Codecs/QELTC/QELTCDecoder.h"

#include <cstring>
#include <memory>
#include <new>

#include "Codecs/QELTC/QELTCBlockData.h"
#include "Codecs/QELTC/QELTCBlockOrder.h"

namespace qeltexture {

namespace {

const uint8_t kStandardWeights[4] = {0, 3, 5, 8};
// Weight map entries carry the weight (0..8) and, for a 4 bpp punch-through value, this flag.
const uint8_t kPunched = 0x10;

enum ESubMode : uint8_t { eDirect = 0, eFourNeighbour = 1, eHorizontal = 2, eVertical = 3 };

// Local palette of a 4 bpp hard-transition block in mode 1: entry for quad position
// (qx, qy) and raw modulation value m. Entries: 0 A of P, 1 B of P, 2 A of S, 3 B of S,
// 4 A of Q, 5 B of Q, 6 A of R, 7 B of R.
const uint8_t kLocalPalette[4][4][4] = {
    {{0, 0, 0, 0}, {0, 1, 4, 5}, {0, 1, 4, 5}, {0, 1, 4, 5}},
    {{0, 1, 6, 7}, {0, 1, 4, 7}, {0, 1, 4, 5}, {2, 1, 4, 5}},
    {{0, 1, 6, 7}, {0, 1, 6, 7}, {0, 3, 6, 5}, {2, 3, 4, 5}},
    {{0, 1, 6, 7}, {0, 3, 6, 7}, {2, 3, 6, 7}, {2, 3, 6, 5}},
};

struct DecodedBlock {
    int a[4];  // colour A: 5-bit red, green, blue, 4-bit alpha
    int b[4];
    int a8[4];  // the same widened to 8 bits, for hard-transition pixels
    int b8[4];
    uint32_t modulation;
    uint8_t modeFlag;
    uint8_t hard;     // QELTCII only
    uint8_t subMode;  // 2 bpp only
};

uint32_t readWord(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void decodeBlocks(const uint8_t* src, uint32_t blocksX, uint32_t blocksY, unsigned version, bool do2bit,
                  DecodedBlock* out) {
    for (uint32_t by = 0; by < blocksY; ++by) {
        for (uint32_t bx = 0; bx < blocksX; ++bx) {
            const uint8_t* word = src + 8 * size_t(QELTCBlockIndex(bx, by, blocksX, blocksY, version));
            uint32_t mod = readWord(word), colour = readWord(word + 4);
            DecodedBlock& d = out[size_t(by) * blocksX + bx];
            QELTCColour a = QELTCUnpackColourA(colour, version), b = QELTCUnpackColourB(colour, version);
            d.a[0] = a.r, d.a[1] = a.g, d.a[2] = a.b, d.a[3] = a.a;
            d.b[0] = b.r, d.b[1] = b.g, d.b[2] = b.b, d.b[3] = b.a;
            for (int c = 0; c < 4; ++c) {
                d.a8[c] = c < 3 ? (d.a[c] << 3) | (d.a[c] >> 2) : (d.a[c] << 4) | d.a[c];
                d.b8[c] = c < 3 ? (d.b[c] << 3) | (d.b[c] >> 2) : (d.b[c] << 4) | d.b[c];
            }
            d.modeFlag = colour & 1;
            d.hard = version != 0 ? (colour >> 15) & 1 : 0;
            d.subMode = eDirect;
            if (do2bit && d.modeFlag) {
                d.subMode = !(mod & 1) ? eFourNeighbour : ((mod >> 20) & 1) ? eVertical : eHorizontal;
                // Samples whose low bit carries a mode flag repeat their high bit instead.
                if (mod & 1) mod = (mod & ~(1u << 20)) | (((mod >> 21) & 1) << 20);
                mod = (mod & ~1u) | ((mod >> 1) & 1);
            }
            d.modulation = mod;
        }
    }
}

void buildWeights4bpp(const DecodedBlock* blocks, uint32_t blocksX, uint32_t blocksY, uint32_t width,
                      uint8_t* weights) {
    for (uint32_t by = 0; by < blocksY; ++by)
        for (uint32_t bx = 0; bx < blocksX; ++bx) {
            const DecodedBlock& d = blocks[size_t(by) * blocksX + bx];
            for (unsigned i = 0; i < 16; ++i) {
                unsigned m = (d.modulation >> (2 * i)) & 3;
                uint8_t w = kStandardWeights[m];
                if (d.modeFlag) w = m == 0 ? 0 : m == 3 ? 8 : (m == 2 ? (4 | kPunched) : 4);
                weights[(size_t(by) * 4 + i / 4) * width + bx * 4 + i % 4] = w;
            }
        }
}

// samples: each pixel's stored sample as a weight (direct pixels 0 or 8, checkerboard
// samples 0, 3, 5, 8); weights: the final weights, the other checkerboard pixels averaged
// from their wrapped neighbours by the block's sub-mode.
void buildWeights2bpp(const DecodedBlock* blocks, uint32_t blocksX, uint32_t blocksY, uint32_t width,
                      uint32_t height, uint8_t* samples, uint8_t* weights) {
    for (uint32_t by = 0; by < blocksY; ++by)
        for (uint32_t bx = 0; bx < blocksX; ++bx) {
            const DecodedBlock& d = blocks[size_t(by) * blocksX + bx];
            uint8_t* s = samples + size_t(by) * 4 * width + bx * 8;
            for (unsigned y = 0; y < 4; ++y)
                for (unsigned x = 0; x < 8; ++x) {
                    uint8_t v;
                    if (d.subMode == eDirect)
                        v = ((d.modulation >> (8 * y + x)) & 1) ? 8 : 0;
                    else
                        v = ((x + y) & 1) ? 0 : kStandardWeights[(d.modulation >> (2 * (4 * y + x / 2))) & 3];
                    s[y * width + x] = v;
                }
        }
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = samples + size_t(y) * width;
        const uint8_t* up = samples + size_t(y == 0 ? height - 1 : y - 1) * width;
        const uint8_t* down = samples + size_t(y + 1 == height ? 0 : y + 1) * width;
        uint8_t* out = weights + size_t(y) * width;
        const DecodedBlock* blockRow = blocks + size_t(y / 4) * blocksX;
        std::memcpy(out, row, width);  // direct pixels and stored samples
        for (uint32_t bx = 0; bx < blocksX; ++bx) {
            const uint8_t mode = blockRow[bx].subMode;
            if (mode == eDirect) continue;
            // Pixels without a sample: odd x + y.
            for (uint32_t x = bx * 8 + 1 - (y & 1); x < bx * 8 + 8; x += 2) {
                const uint32_t xl = x == 0 ? width - 1 : x - 1, xr = x + 1 == width ? 0 : x + 1;
                const unsigned l = row[xl], r = row[xr], u = up[x], d = down[x];
                out[x] = uint8_t(mode == eFourNeighbour ? (l + r + u + d + 2) >> 2
                                 : mode == eHorizontal  ? (l + r + 1) >> 1
                                                        : (u + d + 1) >> 1);
            }
        }
    }
}

// One pixel of a quad whose top-left block P has the hard-transition flag: the pixel's
// own block colours, or (4 bpp mode 1, off the block centre) a local palette entry.
// (qx, qy): position inside the quad, whose origin is P's centre.
template <int BW>
void decodeHardPixel(const DecodedBlock& P, const DecodedBlock& Q, const DecodedBlock& R, const DecodedBlock& S,
                     int qx, int qy, unsigned weight, uint8_t* out) {
    const DecodedBlock& own = qy < 2 ? (qx < BW / 2 ? P : Q) : (qx < BW / 2 ? R : S);
    int w = int(weight & 0xF);
    if (BW == 4) {
        const unsigned lx = (qx + 2) % 4, ly = (qy + 2) % 4;
        const unsigned m = (own.modulation >> (2 * (4 * ly + lx))) & 3;
        if (own.modeFlag && !(qx == 0 && qy == 0)) {
            const DecodedBlock* src[4] = {&P, &S, &Q, &R};
            const unsigned entry = kLocalPalette[qy][qx][m];
            const int* c = (entry & 1) ? src[entry / 2]->b8 : src[entry / 2]->a8;
            for (int k = 0; k < 4; ++k) out[k] = uint8_t(c[k]);
            return;
        }
        w = kStandardWeights[m];  // also for a mode-1 centre pixel: no punch-through here
    }
    for (int c = 0; c < 4; ++c) out[c] = uint8_t((own.a8[c] * 8 + (own.b8[c] - own.a8[c]) * w) >> 3);
}

// Horizontal pass of the bilinear upscale for one block row: at every pixel column x the
// A and B channels interpolated between the centres of the blocks left and right of x,
// scaled by BW (interleaved RGBA, 4 values per pixel).
struct ColumnMap {
    uint32_t left, right;  // block columns, wrapped
    int t;                 // position from the left block's centre, 0..BW-1
};

template <int BW>
void horizontalPass(const DecodedBlock* blockRow, const ColumnMap* columns, uint32_t width, int16_t* hA,
                    int16_t* hB) {
    for (uint32_t x = 0; x < width; ++x) {
        const DecodedBlock& L = blockRow[columns[x].left];
        const DecodedBlock& Rt = blockRow[columns[x].right];
        const int t = columns[x].t;
        for (int c = 0; c < 4; ++c) {
            hA[4 * x + c] = int16_t(BW * L.a[c] + t * (Rt.a[c] - L.a[c]));
            hB[4 * x + c] = int16_t(BW * L.b[c] + t * (Rt.b[c] - L.b[c]));
        }
    }
}

// Bilinear value scaled by 4 * BW -> 8 bits: 5-bit colour channels and 4-bit alpha.
template <int BW>
inline int to8bits(int s, bool alpha) {
    if (BW == 8) return alpha ? (s >> 5) + (s >> 1) : (s >> 7) + (s >> 2);
    return alpha ? (s >> 4) + s : (s >> 6) + (s >> 1);
}

// Eight 16-bit lanes: two RGBA pixels (GCC/Clang vector extensions; the compilers lower
// them to SSE2/NEON or to scalar code).
typedef int16_t Lanes16 __attribute__((vector_size(16)));
typedef uint8_t Lanes8 __attribute__((vector_size(8)));

template <int BW>
inline Lanes16 lanesTo8bits(Lanes16 s) {
    const Lanes16 alpha = {0, 0, 0, -1, 0, 0, 0, -1};
    const Lanes16 colour = BW == 8 ? (s >> 7) + (s >> 2) : (s >> 6) + (s >> 1);
    const Lanes16 alphaValue = BW == 8 ? (s >> 5) + (s >> 1) : (s >> 4) + s;
    return (colour & ~alpha) | (alphaValue & alpha);
}

// Vertical pass and blend for the pixel columns [x0, x1) of one output row: A and B from
// the cached horizontal passes of the block rows above (t) and below (b) the row, then
// c = (A * 8 + (B - A) * w) >> 3; 4 bpp punch-through pixels lose their alpha (QELTC) or
// everything (QELTCII).
template <int BW>
void bilinearSpan(const int16_t* __restrict tA, const int16_t* __restrict tB, const int16_t* __restrict bA,
                  const int16_t* __restrict bB, const uint8_t* __restrict wRow, int qy, unsigned version,
                  uint32_t x0, uint32_t x1, uint8_t* __restrict out) {
    const int wt = 4 - qy, wb = qy;
    uint32_t x = x0;
    // Two pixels at a time; every intermediate fits 16 bits (s <= 4 * BW * 31).
    for (; x + 2 <= x1; x += 2) {
        const size_t i = 4 * size_t(x);
        Lanes16 ta, tb, ba, bb;
        std::memcpy(&ta, tA + i, 16), std::memcpy(&tb, tB + i, 16);
        std::memcpy(&ba, bA + i, 16), std::memcpy(&bb, bB + i, 16);
        const Lanes16 a = lanesTo8bits<BW>(int16_t(wt) * ta + int16_t(wb) * ba);
        const Lanes16 b = lanesTo8bits<BW>(int16_t(wt) * tb + int16_t(wb) * bb);
        const int16_t w0 = wRow[x] & 0xF, w1 = wRow[x + 1] & 0xF;
        const Lanes16 w = {w0, w0, w0, w0, w1, w1, w1, w1};
        const Lanes8 c = __builtin_convertvector(((a << 3) + (b - a) * w) >> 3, Lanes8);
        std::memcpy(out + i, &c, 8);
    }
    for (; x < x1; ++x) {
        const int w = wRow[x] & 0xF;
        for (int c = 0; c < 4; ++c) {
            const size_t i = 4 * size_t(x) + c;
            const int a = to8bits<BW>(wt * tA[i] + wb * bA[i], c == 3);
            const int b = to8bits<BW>(wt * tB[i] + wb * bB[i], c == 3);
            out[i] = uint8_t((a * 8 + (b - a) * w) >> 3);
        }
    }
    if (BW != 4) return;
    for (x = x0; x < x1; ++x)
        if (wRow[x] & kPunched) {
            out[4 * x + 3] = 0;
            if (version != 0) out[4 * x] = out[4 * x + 1] = out[4 * x + 2] = 0;
        }
}

template <int BW>
void decodeRows(const DecodedBlock* blocks, uint32_t blocksX, uint32_t blocksY, uint32_t width, uint32_t height,
                const uint8_t* weights, unsigned version, int16_t* scratch, ColumnMap* columns, uint8_t* dst) {
    for (uint32_t x = 0; x < width; ++x) {
        // Quad column: the block whose centre lies at or left of x (wrapping).
        const int64_t px = (int64_t(x) + int64_t(blocksX) * BW - BW / 2) / BW - blocksX;
        columns[x].left = uint32_t((px + blocksX) % blocksX);
        columns[x].right = uint32_t((px + 1 + blocksX) % blocksX);
        columns[x].t = int(int64_t(x) - BW / 2 - px * BW);
    }
    // Two cached horizontal passes (A and B each), tagged by block row.
    int16_t* rowsA[2] = {scratch, scratch + 4 * size_t(width)};
    int16_t* rowsB[2] = {scratch + 8 * size_t(width), scratch + 12 * size_t(width)};
    int64_t tag[2] = {-1, -1};
    auto pass = [&](uint32_t blockRow, uint32_t keep) -> int {
        for (int i = 0; i < 2; ++i)
            if (tag[i] == blockRow) return i;
        const int slot = tag[0] == keep ? 1 : 0;
        horizontalPass<BW>(blocks + size_t(blockRow) * blocksX, columns, width, rowsA[slot], rowsB[slot]);
        tag[slot] = blockRow;
        return slot;
    };

    for (uint32_t y = 0; y < height; ++y) {
        const int64_t py = (int64_t(y) + int64_t(blocksY) * 4 - 2) / 4 - blocksY;
        const uint32_t top = uint32_t((py + blocksY) % blocksY), bottom = uint32_t((py + 1 + blocksY) % blocksY);
        const int qy = int(int64_t(y) - 2 - py * 4);
        const int top_ = pass(top, bottom), bottom_ = pass(bottom, top);
        const uint8_t* wRow = weights + size_t(y) * width;
        uint8_t* out = dst + size_t(y) * width * 4;
        auto span = [&](uint32_t x0, uint32_t x1) {
            bilinearSpan<BW>(rowsA[top_], rowsB[top_], rowsA[bottom_], rowsB[bottom_], wRow, qy, version, x0, x1, out);
        };
        const DecodedBlock* topRow = blocks + size_t(top) * blocksX;
        const DecodedBlock* bottomRow = blocks + size_t(bottom) * blocksX;
        bool anyHard = false;
        if (version != 0)
            for (uint32_t bx = 0; bx < blocksX && !anyHard; ++bx) anyHard = topRow[bx].hard != 0;
        if (!anyHard) {
            span(0, width);
            continue;
        }
        // Quad by quad: those whose top-left block has the hard-transition flag are decoded
        // without interpolation. The last quad wraps around the right edge.
        for (uint32_t bx = 0; bx < blocksX; ++bx) {
            const uint32_t x0 = bx * BW + BW / 2;
            if (!topRow[bx].hard) {
                if (x0 + BW <= width) {
                    span(x0, x0 + BW);
                } else {
                    span(x0, width);
                    span(0, BW / 2);
                }
                continue;
            }
            const uint32_t nx = bx + 1 == blocksX ? 0 : bx + 1;
            for (int qx = 0; qx < BW; ++qx) {
                const uint32_t x = (x0 + qx) % width;
                decodeHardPixel<BW>(topRow[bx], topRow[nx], bottomRow[bx], bottomRow[nx], qx, qy, wRow[x],
                                    out + 4 * size_t(x));
            }
        }
    }
}

template <typename T>
std::unique_ptr<T[]> tryAllocate(size_t count) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}

}  // namespace

bool Decompress(const void* src, uint8_t* dst, uint32_t width, uint32_t height, bool do2bit, unsigned version) {
    const uint32_t bw = do2bit ? 8 : 4;
    if (!src || !dst || width == 0 || height == 0 || width % bw || height % 4) return false;
    const uint32_t blocksX = width / bw, blocksY = height / 4;
    const size_t pixels = size_t(width) * height;
    auto blocks = tryAllocate<DecodedBlock>(size_t(blocksX) * blocksY);
    auto weights = tryAllocate<uint8_t>(pixels);
    auto samples = tryAllocate<uint8_t>(do2bit ? pixels : 1);
    auto scratch = tryAllocate<int16_t>(16 * size_t(width));
    auto columns = tryAllocate<ColumnMap>(width);
    if (!blocks || !weights || !samples || !scratch || !columns) return false;

    decodeBlocks(static_cast<const uint8_t*>(src), blocksX, blocksY, version, do2bit, blocks.get());
    if (do2bit) {
        buildWeights2bpp(blocks.get(), blocksX, blocksY, width, height, samples.get(), weights.get());
        decodeRows<8>(blocks.get(), blocksX, blocksY, width, height, weights.get(), version, scratch.get(),
                      columns.get(), dst);
    } else {
        buildWeights4bpp(blocks.get(), blocksX, blocksY, width, weights.get());
        decodeRows<4>(blocks.get(), blocksX, blocksY, width, height, weights.get(), version, scratch.get(),
                      columns.get(), dst);
    }
    return true;
}

namespace {
// Decodes a padded width x height image and copies the top-left visible part out.
bool decodePadded(const void* src, uint8_t* dst, uint32_t visibleW, uint32_t visibleH, uint32_t width,
                  uint32_t height, bool do2bit, unsigned version) {
    if (width == visibleW && height == visibleH) return Decompress(src, dst, width, height, do2bit, version);
    auto work = tryAllocate<uint8_t>(size_t(width) * height * 4);
    if (!work || !Decompress(src, work.get(), width, height, do2bit, version)) return false;
    for (uint32_t y = 0; y < visibleH; ++y)
        std::memcpy(dst + size_t(y) * visibleW * 4, work.get() + size_t(y) * width * 4, size_t(visibleW) * 4);
    return true;
}

uint64_t roundUp(uint64_t v, uint64_t m) { return (v + m - 1) / m * m; }
}  // namespace

int qeltc_decompress(const void* src, unsigned char* dst, unsigned int width, unsigned int height,
                     unsigned int version, int do2bit) {
    const uint64_t bw = do2bit ? 8 : 4;
    const uint64_t w = roundUp(width, bw), h = roundUp(height, 4);
    if (!src || !dst || width == 0 || height == 0 || w * h * 4 > UINT32_MAX) return 0;
    return decodePadded(src, dst, width, height, uint32_t(w), uint32_t(h), do2bit != 0, version) ? 1 : 0;
}

int QelTDecompressQELTC(const void* compressed, int do2bitMode, int width, int height, unsigned char* result) {
    const bool do2bit = do2bitMode == 1;
    if (!compressed || !result || width <= 0 || height <= 0) return 0;
    const uint64_t bw = do2bit ? 8 : 4, minW = do2bit ? 16 : 8;
    const uint64_t w = roundUp(uint64_t(width) < minW ? minW : uint64_t(width), bw);
    const uint64_t h = roundUp(height < 8 ? 8 : uint64_t(height), 4);
    if (w * h * 4 > UINT32_MAX) return 0;
    if (!decodePadded(compressed, result, uint32_t(width), uint32_t(height), uint32_t(w), uint32_t(h), do2bit, 0))
        return 0;
    return int(w * h / (do2bit ? 4 : 2));
}

}  // namespace qeltexture
