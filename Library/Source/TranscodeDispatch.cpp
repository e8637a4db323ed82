// The codec table: which decoder and encoder serve each compressed or special format and
// with which arguments. A format without a codec keeps nullptr: its sources are refused
// and its targets get nothing written (the transcode reports false). Each entry is
// QELTEX_CODEC(call), where s, d, w, h are the surface's source, destination, width and
// height and c holds c.format, c.quality, c.isSigned and c.threadCount.
#include "TranscodeCodecs.h"

#include "Codecs/ETC/ETCCompress.h"
#include "Codecs/ETC/ETCDecompress.h"
#include "Codecs/QELTC/QELTCCompress.h"
#include "Codecs/QELTC/QELTCDecompress.h"
#include "Codecs/SmallCodecs/SmallCodecs.h"

namespace qeltexture {

namespace {

#define QELTEX_CODEC(call)                                                                                \
    [](const void* s, void* d, const uint32_t& w, const uint32_t& h, const CodecCall& c) -> uint32_t { \
        (void)c;                                                                                        \
        return uint32_t(call);                                                                          \
    }

struct CodecRow {
    CodecFunction decode;
    CodecFunction encode;
};

// Indexed by EQelTPixelFormat.
constexpr CodecRow kCodecs[ePF_NumCompressedPFs] = {
    // ePF_QELTCI_2bpp_RGB
    {QELTEX_CODEC(QELTCDecompress(s, d, w, h, true, 0)), QELTEX_CODEC(QELTCCompress(s, d, w, h, false, true, 0, c.quality, c.threadCount))},
    // ePF_QELTCI_2bpp_RGBA
    {QELTEX_CODEC(QELTCDecompress(s, d, w, h, true, 0)), QELTEX_CODEC(QELTCCompress(s, d, w, h, true, true, 0, c.quality, c.threadCount))},
    // ePF_QELTCI_4bpp_RGB
    {QELTEX_CODEC(QELTCDecompress(s, d, w, h, false, 0)), QELTEX_CODEC(QELTCCompress(s, d, w, h, false, false, 0, c.quality, c.threadCount))},
    // ePF_QELTCI_4bpp_RGBA
    {QELTEX_CODEC(QELTCDecompress(s, d, w, h, false, 0)), QELTEX_CODEC(QELTCCompress(s, d, w, h, true, false, 0, c.quality, c.threadCount))},
    // ePF_QELTCII_2bpp
    {QELTEX_CODEC(QELTCDecompress(s, d, w, h, true, 1)), QELTEX_CODEC(QELTCCompress(s, d, w, h, false, true, 1, c.quality, c.threadCount))},
    // ePF_QELTCII_4bpp
    {QELTEX_CODEC(QELTCDecompress(s, d, w, h, false, 1)), QELTEX_CODEC(QELTCCompress(s, d, w, h, false, false, 1, c.quality, c.threadCount))},
    // ePF_ETC1
    {QELTEX_CODEC(ETCDecompress(s, d, w, h, c.format, c.isSigned)), QELTEX_CODEC(ETCCompress(s, d, w, h, int(c.quality), c.format, c.isSigned, c.threadCount ? c.threadCount : 1))},
    // ePF_DXT1 ... ePF_BC7: no codec.
    {nullptr, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
    // ePF_UYVY
    {QELTEX_CODEC(YUVDecompress(s, d, w, h, EQelTPixelFormat(c.format))), QELTEX_CODEC(YUVCompress(s, d, w, h, EQelTPixelFormat(c.format)))},
    // ePF_YUY2
    {QELTEX_CODEC(YUVDecompress(s, d, w, h, EQelTPixelFormat(c.format))), QELTEX_CODEC(YUVCompress(s, d, w, h, EQelTPixelFormat(c.format)))},
    // ePF_BW1bpp
    {QELTEX_CODEC(OneBPPDecompress(s, d, w, h)), QELTEX_CODEC(OneBPPCompress(s, d, w, h))},
    // ePF_SharedExponentR9G9B9E5
    {QELTEX_CODEC(RGB9E5Decompress(s, d, w, h)), QELTEX_CODEC(RGB9E5Compress(s, d, w, h))},
    // ePF_RGBG8888
    {QELTEX_CODEC(RGBGDecompress(s, d, w, h, EQelTPixelFormat(c.format))), QELTEX_CODEC(RGBGCompress(s, d, w, h, EQelTPixelFormat(c.format)))},
    // ePF_GRGB8888
    {QELTEX_CODEC(RGBGDecompress(s, d, w, h, EQelTPixelFormat(c.format))), QELTEX_CODEC(RGBGCompress(s, d, w, h, EQelTPixelFormat(c.format)))},
    // ePF_ETC2_RGB, ePF_ETC2_RGBA, ePF_ETC2_RGB_A1
    {QELTEX_CODEC(ETCDecompress(s, d, w, h, c.format, c.isSigned)), QELTEX_CODEC(ETCCompress(s, d, w, h, int(c.quality), c.format, c.isSigned, c.threadCount ? c.threadCount : 1))},
    {QELTEX_CODEC(ETCDecompress(s, d, w, h, c.format, c.isSigned)), QELTEX_CODEC(ETCCompress(s, d, w, h, int(c.quality), c.format, c.isSigned, c.threadCount ? c.threadCount : 1))},
    {QELTEX_CODEC(ETCDecompress(s, d, w, h, c.format, c.isSigned)), QELTEX_CODEC(ETCCompress(s, d, w, h, int(c.quality), c.format, c.isSigned, c.threadCount ? c.threadCount : 1))},
    // ePF_EAC_R11, ePF_EAC_RG11
    {QELTEX_CODEC(ETCDecompress(s, d, w, h, c.format, c.isSigned)), QELTEX_CODEC(ETCCompress(s, d, w, h, int(c.quality), c.format, c.isSigned, c.threadCount ? c.threadCount : 1))},
    {QELTEX_CODEC(ETCDecompress(s, d, w, h, c.format, c.isSigned)), QELTEX_CODEC(ETCCompress(s, d, w, h, int(c.quality), c.format, c.isSigned, c.threadCount ? c.threadCount : 1))},
};

#undef QELTEX_CODEC

}  // namespace

CodecFunction decoderFor(uint64_t format) {
    return format < ePF_NumCompressedPFs ? kCodecs[format].decode : nullptr;
}

CodecFunction encoderFor(uint64_t format) {
    return format < ePF_NumCompressedPFs ? kCodecs[format].encode : nullptr;
}

}  // namespace qeltexture
