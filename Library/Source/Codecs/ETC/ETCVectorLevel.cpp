#include "Codecs/ETC/ETCVectorLevel.h"

namespace qeltexture {

namespace {

bool processorHasAVX2() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

}  // namespace

bool etcUseAVX2(ETCVectorLevel level) {
    static const bool hasAVX2 = processorHasAVX2();
    return level == ETCVectorLevel::Best && hasAVX2;
}

}  // namespace qeltexture
