#include "Codecs/QELTC/QELTCBlockOrder.h"

namespace qeltexture {

uint32_t QELTCTwiddledIndex(uint32_t bx, uint32_t by, uint32_t blocksX, uint32_t blocksY) {
    uint32_t smaller = blocksX < blocksY ? blocksX : blocksY;
    uint32_t offset = 0;
    unsigned n = 0;
    while (n < 16 && (1u << n) < smaller) {
        offset |= ((by >> n) & 1u) << (2 * n);
        offset |= ((bx >> n) & 1u) << (2 * n + 1);
        ++n;
    }
    uint32_t longer = blocksY < blocksX ? bx : by;
    return offset | uint32_t(uint64_t(longer >> n) << (2 * n));
}

bool QELTCUsesTwiddledOrder(uint32_t blocksX, uint32_t blocksY) {
    auto pow2 = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
    return pow2(blocksX) && pow2(blocksY);
}

uint32_t QELTCBlockIndex(uint32_t bx, uint32_t by, uint32_t blocksX, uint32_t blocksY, unsigned version) {
    if (version == 0 && QELTCUsesTwiddledOrder(blocksX, blocksY))
        return QELTCTwiddledIndex(bx, by, blocksX, blocksY);
    return by * blocksX + bx;
}

}  // namespace qeltexture
