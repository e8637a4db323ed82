#pragma once
// The codec table of the transcode pipeline. Every codec is reached through one plain
// signature: pixel rows of one surface, its width and height, and the few settings the
// pipeline hands on. A null source or destination is a size query; the result is the
// byte count (0 = failure). A codec is plugged in with one line in TranscodeDispatch.cpp.
#include <cstdint>

#include "PixelFormat.h"

namespace qeltexture {

struct CodecCall {
    uint32_t format = 0;       // the EQelTPixelFormat being decoded or encoded
    uint32_t quality = 0;      // ECompressorQuality, unchanged (encoders only)
    bool isSigned = false;     // signed EAC channels
    uint32_t threadCount = 0;  // 0: the encoder's own default; never changes the bytes
};

using CodecFunction = uint32_t (*)(const void* source, void* destination, const uint32_t& width,
                                   const uint32_t& height, const CodecCall& call);

// Decoder or encoder of a compressed or special format; null when the library has none.
CodecFunction decoderFor(uint64_t format);
CodecFunction encoderFor(uint64_t format);

}  // namespace qeltexture
