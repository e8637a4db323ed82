#pragma once
// Entry point of QELTC and QELTCII decoding for the transcode pipeline.
namespace qeltexture {

// Decodes one surface to 8-bit RGBA, width x height pixels. Version 0 is QELTC (classic
// decoder), any other version QELTCII. A null src or dst asks for the output size
// (width x height x 4) and decodes nothing. Returns the bytes written, 0 on failure
// (zero size, an output beyond 4 GiB, or no memory for the working image).
unsigned int QELTCDecompress(const void* src, void* dst, const unsigned int& width, const unsigned int& height,
                             bool do2bit, const unsigned int& version);

}  // namespace qeltexture
