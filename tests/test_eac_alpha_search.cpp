// The 8-bit alpha searches' speed-ups (used only with the library's own table) against
// the plain directed walk they run on an identical copy of it; slow against fast.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Codecs/ETC/EACCompress.h"
#include "Codecs/ETC/ETCDecodeBlocks.h"
#include "Codecs/ETC/ETCTables.h"
#include "etc/ETCTestBlocks.h"

using namespace qeltexture;

namespace {

using Alpha = std::vector<uint8_t>;  // 4x4, width 4

// Each channel of the shared random and photograph blocks; blue mostly pushed to 0 or
// 255, like punch-through alpha with a few soft pixels.
std::vector<Alpha> alphaBlocks() {
    std::vector<Alpha> out;
    for (const etctest::Block& rgb : etctest::mixedBlocks(500, 200, 21))
        for (int c = 0; c < 3; ++c) {
            Alpha a(16);
            for (int i = 0; i < 16; ++i) {
                const uint8_t v = rgb[3 * i + c];
                a[i] = c == 2 && v % 3 != 0 ? (v < 128 ? 0 : 255) : v;
            }
            out.push_back(a);
        }
    return out;
}

TEST(EACAlphaSearch, TablesAndBoundsChooseWhatThePlainWalkChooses) {
    static int copy[256][8];
    std::memcpy(copy, alphaTable, sizeof(copy));
    const std::vector<Alpha> blocks = alphaBlocks();
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
