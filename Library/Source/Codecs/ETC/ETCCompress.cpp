#include "Codecs/ETC/ETCCompress.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <system_error>
#include <thread>
#include <vector>

#include "Codecs/ETC/EACCompress.h"
#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETCTables.h"
#include "PixelFormat.h"

namespace qeltexture {

namespace {

// The ETC reading of the quality number (values of ECompressorQuality).
enum ETCLevel : int { kETCFast = 0, kETCFastPerceptual = 1, kETCSlow = 2, kETCSlowPerceptual = 3 };

bool isEACFormat(unsigned format) { return format == ePF_EAC_R11 || format == ePF_EAC_RG11; }

bool isHalfBytePerPixel(unsigned format) {
    return format == ePF_ETC1 || format == ePF_ETC2_RGB || format == ePF_ETC2_RGB_A1 ||
           format == ePF_EAC_R11;
}

inline void storeBigEndian(uint8_t* out, unsigned word) {
    out[0] = uint8_t(word >> 24);
    out[1] = uint8_t(word >> 16);
    out[2] = uint8_t(word >> 8);
    out[3] = uint8_t(word);
}

// Source coordinate for block position c of a dimension of `size` (rounded up to
// `rounded`): inside, itself; beyond the edge, the pixel as many places back as the
// padding is wide. For a size of 1 that would leave the surface; the only pixel is
// used instead (the tiling pipeline never passes sizes below 4).
inline unsigned sourceCoordinate(unsigned c, unsigned size, unsigned rounded) {
    if (c < size) return c;
    const unsigned pad = rounded - size;
    return c >= pad ? c - pad : size - 1;
}

void storeColourBlock(uint8_t* out, unsigned high, unsigned low) {
    storeBigEndian(out, high);
    storeBigEndian(out + 4, low);
}

// One ETC1 or ETC2 colour block from RGB pixels (3 bytes each).
void encodeColourBlock(const uint8_t* image, const uint8_t* alpha, int width, int startx,
                       int starty, int quality, unsigned format, uint8_t* out) {
    unsigned high = 0, low = 0;
    uint8_t decoded[4 * 4 * 3];
    if (format == ePF_ETC1) {
        switch (quality) {
            case kETCFast:
                compressBlockDiffFlipFast(image, decoded, width, startx, starty, high, low);
                break;
            case kETCFastPerceptual:
                compressBlockDiffFlipFastPerceptual(image, decoded, width, startx, starty, high, low);
                break;
            case kETCSlow:
                compressBlockETC1Exhaustive(image, decoded, width, startx, starty, high, low);
                break;
            default:
                compressBlockETC1ExhaustivePerceptual(image, decoded, width, startx, starty, high, low);
                break;
        }
    } else if (format == ePF_ETC2_RGB_A1) {
        compressBlockETC2Fast(image, alpha, decoded, width, 4, startx, starty, high, low, format);
    } else {
        switch (quality) {
            case kETCFast:
                compressBlockETC2Fast(image, nullptr, decoded, width, 4, startx, starty, high, low, format);
                break;
            case kETCFastPerceptual:
                compressBlockETC2FastPerceptual(image, decoded, width, startx, starty, high, low);
                break;
            case kETCSlow:
                compressBlockETC2Exhaustive(image, decoded, width, startx, starty, high, low);
                break;
            default:
                compressBlockETC2ExhaustivePerceptual(image, decoded, width, startx, starty, high, low);
                break;
        }
    }
    storeColourBlock(out, high, low);
}

struct SurfaceJob {
    const uint8_t* src;
    uint8_t* dst;
    unsigned width, height, roundedWidth, roundedHeight;
    int quality;
    unsigned format;
    bool isSigned;

    unsigned blockBytes() const {
        return (format == ePF_ETC2_RGBA || format == ePF_EAC_RG11) ? 16u : 8u;
    }

    // Source pixel of block position (i, j) of the block at (x, y), padded at the edges.
    size_t sourceIndex(unsigned x, unsigned y, unsigned i, unsigned j) const {
        const unsigned sx = sourceCoordinate(x + i, width, roundedWidth);
        const unsigned sy = sourceCoordinate(y + j, height, roundedHeight);
        return size_t(sy) * width + sx;
    }

    void encodeRGBBlock(unsigned x, unsigned y, bool interior, uint8_t* out) const {
        if (interior) {
            // Read in place, rows offset so coordinates stay small.
            encodeColourBlock(src + size_t(y) * width * 3, nullptr, int(width), int(x), 0, quality,
                              format, out);
            return;
        }
        uint8_t scratch[4 * 4 * 3];
        for (unsigned j = 0; j < 4; ++j)
            for (unsigned i = 0; i < 4; ++i) {
                const uint8_t* p = src + sourceIndex(x, y, i, j) * 3;
                std::copy(p, p + 3, scratch + (j * 4 + i) * 3);
            }
        encodeColourBlock(scratch, nullptr, 4, 0, 0, quality, format, out);
    }

    // RGBA sources are split into an RGB and an alpha scratch block.
    void encodeRGBABlock(unsigned x, unsigned y, uint8_t* out) const {
        uint8_t rgb[4 * 4 * 3], alpha[4 * 4];
        for (unsigned j = 0; j < 4; ++j)
            for (unsigned i = 0; i < 4; ++i) {
                const uint8_t* p = src + sourceIndex(x, y, i, j) * 4;
                std::copy(p, p + 3, rgb + (j * 4 + i) * 3);
                alpha[j * 4 + i] = p[3];
            }
        if (format == ePF_ETC2_RGB_A1) {
            encodeColourBlock(rgb, alpha, 4, 0, 0, quality, format, out);
            return;
        }
        if (quality == kETCFast || quality == kETCFastPerceptual)
            compressBlockAlphaFast(alpha, 0, 0, 4, out, alphaTable);
        else
            compressBlockAlphaSlow(alpha, 0, 0, 4, out, alphaTable);
        encodeColourBlock(rgb, nullptr, 4, 0, 0, quality, format, out + 8);
    }

    void encodeEACBlock(unsigned x, unsigned y, bool interior, uint8_t* out) const {
        const int channels = format == ePF_EAC_RG11 ? 2 : 1;
        const uint16_t* values = reinterpret_cast<const uint16_t*>(src);
        const uint16_t* table = isSigned ? valueTableSigned() : valueTableUnsigned();
        if (interior) {
            const uint16_t* rows = values + size_t(y) * width * channels;
            for (int c = 0; c < channels; ++c)
                compressBlockAlpha16(rows + c, channels, int(x), 0, int(width), out + 8 * c, isSigned, table);
            return;
        }
        uint16_t scratch[4 * 4 * 2];
        for (unsigned j = 0; j < 4; ++j)
            for (unsigned i = 0; i < 4; ++i) {
                const size_t s = sourceIndex(x, y, i, j) * channels;
                for (int c = 0; c < channels; ++c) scratch[(j * 4 + i) * channels + c] = values[s + c];
            }
        for (int c = 0; c < channels; ++c)
            compressBlockAlpha16(scratch + c, channels, 0, 0, 4, out + 8 * c, isSigned, table);
    }

    // Encodes every block of one block row.
    void encodeRow(unsigned blockRow) const {
        const unsigned y = blockRow * 4;
        const unsigned blocksPerRow = roundedWidth / 4;
        const unsigned bytes = blockBytes();
        uint8_t* out = dst + size_t(blockRow) * blocksPerRow * bytes;
        for (unsigned x = 0; x < roundedWidth; x += 4, out += bytes) {
            const bool interior = x + 4 <= width && y + 4 <= height;
            switch (format) {
                case ePF_ETC2_RGBA:
                case ePF_ETC2_RGB_A1:
                    encodeRGBABlock(x, y, out);
                    break;
                case ePF_EAC_R11:
                case ePF_EAC_RG11:
                    encodeEACBlock(x, y, interior, out);
                    break;
                default:
                    encodeRGBBlock(x, y, interior, out);
                    break;
            }
        }
    }
};

bool isSupportedFormat(unsigned format) {
    return format == ePF_ETC1 || format == ePF_ETC2_RGB || format == ePF_ETC2_RGBA ||
           format == ePF_ETC2_RGB_A1 || isEACFormat(format);
}

}  // namespace

unsigned int ETCCompress(const void* src, void* dst, const unsigned int& width,
                         const unsigned int& height, int quality, unsigned int format,
                         bool isSigned) {
    return ETCCompress(src, dst, width, height, quality, format, isSigned, 1u);
}

unsigned int ETCCompress(const void* src, void* dst, const unsigned int& width,
                         const unsigned int& height, int quality, unsigned int format,
                         bool isSigned, unsigned int threadCount) {
    const uint64_t roundedWidth = (uint64_t(width) + 3) & ~uint64_t(3);
    const uint64_t roundedHeight = (uint64_t(height) + 3) & ~uint64_t(3);
    const uint64_t size = isHalfBytePerPixel(format) ? roundedWidth * roundedHeight / 2
                                                     : roundedWidth * roundedHeight;
    if (size > UINT_MAX) return 0;  // cannot be described by the return value
    if (src == nullptr || dst == nullptr || width == 0 || height == 0) return unsigned(size);

    // Negative qualities are refused like those above 5.
    if (quality < 0 || quality > 5) return 0;
    if (quality < 4 && isSigned && !isEACFormat(format)) return 0;
    const int level = quality == 4 ? kETCSlow : (quality == 5 ? kETCSlowPerceptual : quality);

    if (!isSupportedFormat(format)) return 0;

    const SurfaceJob job{static_cast<const uint8_t*>(src), static_cast<uint8_t*>(dst), width,
                         height, unsigned(roundedWidth), unsigned(roundedHeight), level, format,
                         isSigned};
    const unsigned blockRows = unsigned(roundedHeight / 4);
    unsigned threads = threadCount != 0 ? threadCount : std::max(1u, std::thread::hardware_concurrency());
    threads = std::min(threads, blockRows);

    // Rows are handed out one at a time; each block lands at its own offset, so the
    // bytes do not depend on which thread encodes which row.
    std::atomic<unsigned> nextRow{0};
    auto worker = [&job, &nextRow, blockRows]() {
        for (unsigned row = nextRow++; row < blockRows; row = nextRow++) job.encodeRow(row);
    };
    std::vector<std::thread> pool;
    for (unsigned i = 1; i < threads; ++i) {
        try {
            pool.emplace_back(worker);
        } catch (const std::system_error&) {
            break;  // the calling thread finishes the remaining rows
        }
    }
    worker();
    for (auto& t : pool) t.join();
    return unsigned(size);
}

}  // namespace qeltexture
