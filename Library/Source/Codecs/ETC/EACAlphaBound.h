#pragma once
// Internal: lower bounds of the 8-bit alpha search's block error for every base of a
// window at once, from a table of per-pixel walk errors.
#include <cstdint>

namespace qeltexture {
namespace eacdetail {

// Entries per row of a reversed walk table: entry k holds the walk error of a pixel
// at alpha - base = 255 - k (k = 0..510), then padding up to a whole vector load.
constexpr int kWalkRowStride = 528;

// For every base in [first, last] (0 <= first <= last <= 255), writes to bounds[base]
// a lower bound of the error of the 16 alphas under the fast walk of one table row
// (`row` points at that row's reversed table, `modifiers` at its 8 modifiers). The
// bound is the exact error where no modifier of the row clamps at that base and the
// sum is below 65535; sums saturate at 65535. `bounds` must hold 272 entries (whole
// vectors are stored). Returns the smallest bound written.
unsigned alphaRowBounds(const int alpha[16], const uint16_t* row, const int modifiers[8], int first,
                        int last, uint16_t* bounds);

}  // namespace eacdetail
}  // namespace qeltexture
