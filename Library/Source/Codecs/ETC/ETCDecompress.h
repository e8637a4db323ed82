#pragma once
// Surface decoder for ETC1, ETC2 and EAC data.
#include <cstdint>

namespace qeltexture {

// Decodes one width x height surface of `format` (an EQelTPixelFormat) into rows of
// plain pixels without padding: RGB8 for ETC1/ETC2 RGB, RGBA8 for ETC2 RGBA and
// punch-through, one 16-bit value for EAC R11, two (R, G) for EAC RG11, in native
// byte order. `isSigned` selects signed EAC. A null src or dst is a size query.
// Returns the decoded byte count, or 0 for any other format.
unsigned int ETCDecompress(const void* src, void* dst, const unsigned int& width,
                           const unsigned int& height, unsigned int format, bool isSigned);

}  // namespace qeltexture
