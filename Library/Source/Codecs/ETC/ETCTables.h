#pragma once
// Constant tables shared by the ETC1/ETC2/EAC decoders and encoders.
#include <cstdint>

namespace qeltexture {

// ETC1 intensity modifiers. Rows 2t and 2t+1 both hold table t as
// (-large, -small, +small, +large); decoders index by codeword * 2.
extern const int compressParams[16][4];
// The same eight tables once each.
extern const int compressParamsFast[8][4];
// Stored pixel index (msb*2 + lsb) -> column of compressParams, and its inverse.
extern const int unscramble[4];
extern const int scramble[4];
// T and H mode distances.
extern const uint8_t table58H[8];
// EAC modifier tables, negative half, largest magnitude first: index i (< 4) uses
// entry 3 - i; index i >= 4 uses -entry(3 - (i - 4)) - 1.
extern const int alphaBase[16][4];
// Row r = byte 1 of an EAC block: entry i = modifier i of table r & 15 times r >> 4.
extern const int (&alphaTable)[256][8];

// Encoder lookups: clamp_table[i] = clamp(i - 255, 0, 255); clamp_table_plus_255 adds 255.
extern const uint8_t (&clamp_table)[768];
extern const int (&clamp_table_plus_255)[768];
// square_table[i] = (i - 255)^2, and the same weighted by 299, 587 and 114.
extern const unsigned int (&square_table)[511];
extern const unsigned int (&square_table_percep_red)[511];
extern const unsigned int (&square_table_percep_green)[511];
extern const unsigned int (&square_table_percep_blue)[511];

}  // namespace qeltexture
