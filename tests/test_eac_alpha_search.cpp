// The 8-bit alpha searches with the library's table (per-difference error tables, row
// and base bounds) must choose exactly what the plain directed walk chooses: the
// search runs the walk at every base when given any other table, so an identical copy
// of the table is the straightforward reference. The slow search against the fast one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "Codecs/ETC/EACCompress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCTables.h"
#include "etc/ETCTestBlocks.h"

using namespace qeltexture;

namespace {

using Alpha = std::vector<uint8_t>;  // 4x4, width 4

// Kinds that stress different parts of the search: noise, two levels (hard edges),
// a narrow range anywhere, values crowding both ends (clamping), a ramp, and mixes of
// 0, 255 and one middle value (punch-through-like alpha with soft pixels).
std::vector<Alpha> randomAlphas(size_t count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Alpha> out;
    for (size_t k = 0; k < count; ++k) {
        Alpha a(16);
        int lo = int(rng() % 256), hi = int(rng() % 256);
        if (lo > hi) std::swap(lo, hi);
        const int slope = int(rng() % 41) - 20;
        for (int i = 0; i < 16; ++i) {
            int v;
            switch (k % 6) {
                case 0: v = int(rng() % 256); break;
                case 1: v = (rng() & 1) ? lo : hi; break;
                case 2: v = lo + int(rng() % 6); break;
                case 3: v = (rng() & 1) ? int(rng() % 10) : 255 - int(rng() % 10); break;
                case 4: v = lo + slope * (i % 4) + (slope / 2) * (i / 4); break;
                default: v = rng() % 3 == 0 ? 0 : ((rng() & 1) ? 255 : lo); break;
            }
            a[i] = uint8_t(std::clamp(v, 0, 255));
        }
        out.push_back(a);
    }
    return out;
}

TEST(EACAlphaSearch, TablesAndBoundsChooseWhatThePlainWalkChooses) {
    static int copy[256][8];
    std::memcpy(copy, alphaTable, sizeof(copy));
    std::vector<Alpha> blocks = randomAlphas(1500, 21);
    for (const etctest::Block& rgb : etctest::imageBlocks(200, "rose.png"))
        for (int c = 0; c < 3; ++c) {
            Alpha a(16);
            for (int i = 0; i < 16; ++i) a[i] = rgb[3 * i + c];
            blocks.push_back(a);
        }
    size_t checked = 0;
    int slowWorse = 0, slowBetter = 0;
    for (size_t k = 0; k < blocks.size(); ++k) {
        // The slow search visits every row: a sample keeps the plain walk affordable.
        int error[2] = {0, 0};
        for (int slow = 0; slow < (k % 8 == 0 ? 2 : 1); ++slow) {
            const auto search = slow ? compressBlockAlphaSlow : compressBlockAlphaFast;
            uint8_t a[8], w[8], back[16];
            search(blocks[k].data(), 0, 0, 4, a, alphaTable);
            search(blocks[k].data(), 0, 0, 4, w, copy);
            ASSERT_EQ(0, std::memcmp(a, w, 8)) << "block " << k << (slow ? " slow" : " fast");
            ++checked;
            decompressBlockAlpha(a, back, 4, 0, 0, alphaTable);
            for (int i = 0; i < 16; ++i) error[slow] += (back[i] - blocks[k][i]) * (back[i] - blocks[k][i]);
        }
        slowWorse += error[1] > error[0];
        slowBetter += error[1] < error[0];
    }
    EXPECT_GT(checked, 1500u);
    // The slow search is not promised to beat the fast one, but mostly does.
    EXPECT_GT(slowBetter, slowWorse);
}

}  // namespace
