#pragma once
// The transcode pipeline: decode a compressed or special source through its codec, dither
// if asked, convert every pixel with two CPixelEncoders, and encode a compressed or special
// target through its codec.
#include <cstdint>

#include "PixelEncoder.h"
#include "Texture.h"

namespace qeltexture {

// Passed unchanged to whichever encoder the target needs: QELTC/QELTCII read 0..4 as
// fastest..best, ETC/ETC2/EAC read 0..3 as below (4 acts as eETCSlow, 5 as
// eETCSlowPerceptual). The other encoders ignore it.
enum ECompressorQuality : uint32_t {
    eQELTCFastest = 0,
    eQELTCFast = 1,
    eQELTCNormal = 2,
    eQELTCHigh = 3,
    eQELTCBest = 4,
    eETCFast = 0,
    eETCFastPerceptual = 1,
    eETCSlow = 2,
    eETCSlowPerceptual = 3
};

// Converts the texture in place to the given format, channel type and colour space.
// Refused (false, texture untouched): an empty texture, pixelType 27, a source or target
// layout that fails the pixel encoder's validity check, a compressed source whose decoder
// is missing or fails, and a result that would fall outside the texture size model.
// threadCount is handed to encoders that can use threads; the bytes never depend on it.
// 0 keeps each encoder's own default: the calling thread alone, except the high-quality
// QELTC encoder, which uses one worker per processor.
bool Transcode(CQelTexture& texture, PixelType pixelType, EQelTVariableType channelType,
               EQelTColourSpace colourSpace, ECompressorQuality quality, bool doDither,
               uint32_t threadCount = 0);

// Replaces the texture with its decoded intermediate form; returns the decoders' byte sum.
uint32_t DecompressNonTrivial(CQelTexture& texture);

// Converts every pixel of `source` into `destination` (same shape, destination encoder's
// layout); returns destination bytes per pixel x pixels converted.
uint32_t TranscodeTrivial(CQelTexture& source, CQelTexture& destination, CPixelEncoder& sourceEncoder,
                          CPixelEncoder& destinationEncoder, EQelTColourSpace targetColourSpace,
                          EQelTColourSpace sourceColourSpace);

// Replaces the texture (in its target's intermediate layout) with one in `target`;
// returns the encoders' byte sum.
uint32_t CompressNonTrivial(CQelTexture& texture, PixelType target, ECompressorQuality quality,
                            uint32_t threadCount = 0);

void IntermediateTranscodeFormat(const PixelType& format, const EQelTVariableType& channelType,
                                 PixelType& intermediate, EQelTVariableType& intermediateChannelType);

// Error-diffusion dither of one surface of 8-bit RGBA pixels to the precision `target` keeps.
void Dither(uint8_t* data, PixelType target, uint32_t width, uint32_t height, uint32_t depth);

// Red, green, blue and alpha bits that `target` keeps (only 1..7 are dithered).
void DitherPrecision(PixelType target, uint32_t bits[4]);

bool isStandardPixelType(const PixelType& pixelType, const EQelTVariableType& channelType);

}  // namespace qeltexture
