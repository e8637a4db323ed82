#include "Codecs/QELTC/QELTCDecompress.h"

#include <cstdint>

#include "Codecs/QELTC/QELTCDecoder.h"

namespace qeltexture {

unsigned int QELTCDecompress(const void* src, void* dst, const unsigned int& width, const unsigned int& height,
                             bool do2bit, const unsigned int& version) {
    const uint64_t bytes = uint64_t(width) * height * 4;
    if (bytes > UINT32_MAX) return 0;
    if (!src || !dst || bytes == 0) return unsigned(bytes);
    unsigned char* out = static_cast<unsigned char*>(dst);
    if (version == 0) {
        if (width > INT32_MAX || height > INT32_MAX) return 0;
        if (QelTDecompressQELTC(src, do2bit ? 1 : 0, int(width), int(height), out) == 0) return 0;
    } else if (!qeltc_decompress(src, out, width, height, version, do2bit ? 1 : 0)) {
        return 0;
    }
    return unsigned(bytes);
}

}  // namespace qeltexture
