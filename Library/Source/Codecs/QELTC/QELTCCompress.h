#pragma once
// Entry point of QELTC and QELTCII encoding for the transcode pipeline.
namespace qeltexture {

// Encodes one surface of 8-bit RGBA pixels. qeltcII = 1 selects QELTCII (which pads any
// size to whole blocks by repeating the last columns and rows), anything else QELTC
// (which refuses sizes that are not whole blocks). quality is the ECompressorQuality
// value: 0 and 1 run the fast encoders here; 2 and above the multi-pass encoder at
// quality - 2, on threadCount worker threads (0: one per processor; the bytes are the same
// for every count). A null src or dst asks for the output size. Returns the bytes written,
// 0 on refusal or failure (a side above 4096 or equal to 0, a QELTC size that is not whole
// blocks, or a failed encode).
unsigned int QELTCCompress(const void* src, void* dst, const unsigned int& width, const unsigned int& height,
                           bool alpha, bool do2bit, unsigned int qeltcII, unsigned int quality,
                           unsigned int threadCount = 0);

}  // namespace qeltexture
