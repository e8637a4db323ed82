#include "Codecs/ETC/ETCDecompress.h"

#include <cstring>

#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCTables.h"
#include "PixelFormat.h"

namespace qeltexture {

namespace {

inline unsigned readBigEndian32(const uint8_t* p) {
    return (unsigned(p[0]) << 24) | (unsigned(p[1]) << 16) | (unsigned(p[2]) << 8) | unsigned(p[3]);
}

unsigned bytesPerPixel(unsigned format) {
    switch (format) {
        case ePF_ETC1:
        case ePF_ETC2_RGB:
            return 3;
        case ePF_ETC2_RGBA:
        case ePF_ETC2_RGB_A1:
        case ePF_EAC_RG11:
            return 4;
        case ePF_EAC_R11:
            return 2;
        default:
            return 0;
    }
}

// Decodes one block into a 4x4 scratch of `bpp`-byte pixels (rows of 4 pixels).
void decodeBlockToScratch(const uint8_t* block, unsigned format, bool isSigned, uint8_t* scratch) {
    switch (format) {
        case ePF_ETC1:
        case ePF_ETC2_RGB:
            decompressBlockETC2(readBigEndian32(block), readBigEndian32(block + 4), scratch, 4, 0, 0);
            break;
        case ePF_ETC2_RGBA:
        case ePF_ETC2_RGB_A1: {
            uint8_t rgb[48], alpha[16];
            if (format == ePF_ETC2_RGBA) {
                decompressBlockAlpha(block, alpha, 4, 0, 0, alphaTable);
                decompressBlockETC2(readBigEndian32(block + 8), readBigEndian32(block + 12), rgb, 4, 0, 0);
            } else {
                decompressBlockETC21BitAlpha(readBigEndian32(block), readBigEndian32(block + 4), rgb,
                                             alpha, 4, 0, 0);
            }
            for (int i = 0; i < 16; ++i) {
                scratch[4 * i + 0] = rgb[3 * i + 0];
                scratch[4 * i + 1] = rgb[3 * i + 1];
                scratch[4 * i + 2] = rgb[3 * i + 2];
                scratch[4 * i + 3] = alpha[i];
            }
            break;
        }
        case ePF_EAC_R11: {
            uint16_t values[16];
            decompressBlockAlpha16bit(block, values, 4, 0, 0, isSigned);
            std::memcpy(scratch, values, sizeof(values));
            break;
        }
        case ePF_EAC_RG11: {
            uint16_t red[16], green[16], both[32];
            decompressBlockAlpha16bit(block, red, 4, 0, 0, isSigned);
            decompressBlockAlpha16bit(block + 8, green, 4, 0, 0, isSigned);
            for (int i = 0; i < 16; ++i) {
                both[2 * i] = red[i];
                both[2 * i + 1] = green[i];
            }
            std::memcpy(scratch, both, sizeof(both));
            break;
        }
        default:
            break;
    }
}

}  // namespace

unsigned int ETCDecompress(const void* src, void* dst, const unsigned int& width,
                           const unsigned int& height, unsigned int format, bool isSigned) {
    const unsigned bpp = bytesPerPixel(format);
    if (bpp == 0) return 0;
    const unsigned int size = width * height * bpp;
    if (src == nullptr || dst == nullptr) return size;

    const unsigned blockBytes = (format == ePF_ETC2_RGBA || format == ePF_EAC_RG11) ? 16 : 8;
    const uint8_t* in = static_cast<const uint8_t*>(src);
    uint8_t* out = static_cast<uint8_t*>(dst);
    const size_t rowBytes = size_t(width) * bpp;
    uint8_t scratch[4 * 4 * 4];

    for (unsigned y = 0; y < height; y += 4) {
        for (unsigned x = 0; x < width; x += 4, in += blockBytes) {
            // Whole RGB blocks decode straight into the surface; the rest go through the
            // scratch block and are clipped at the edges.
            if (bpp == 3 && x + 4 <= width && y + 4 <= height) {
                decompressBlockETC2(readBigEndian32(in), readBigEndian32(in + 4),
                                    out + size_t(y) * rowBytes, int(width), int(x), 0);
                continue;
            }
            decodeBlockToScratch(in, format, isSigned, scratch);
            const unsigned columns = width - x < 4 ? width - x : 4;
            const unsigned rows = height - y < 4 ? height - y : 4;
            for (unsigned j = 0; j < rows; ++j)
                std::memcpy(out + size_t(y + j) * rowBytes + size_t(x) * bpp, scratch + j * 4 * bpp,
                            columns * bpp);
        }
    }
    return size;
}

}  // namespace qeltexture
