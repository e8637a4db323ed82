// Fuzzes the bounded in-memory native loader: any byte string must either be refused
// (leaving the empty default texture) or give a self-consistent texture that saves and
// reloads unchanged.
#include <cstddef>
#include <cstdint>

#include "NativeFuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzcheck::CQelTexture texture(static_cast<const void*>(data), size);
    fuzzcheck::checkTexture(texture);
    fuzzcheck::checkRoundTrip(texture);
    return 0;
}
