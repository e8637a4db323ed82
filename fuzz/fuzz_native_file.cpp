// Fuzzes the native stream loader twice per input: through a seekable in-memory stream
// (length known) and through a read-only stream that cannot seek (length unknown). Both
// must agree, and whatever loads must be self-consistent and survive a save and reload.
#define _GNU_SOURCE 1
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "NativeFuzzChecks.h"

namespace {

struct Cursor {
    const uint8_t* data;
    size_t size;
    size_t at;
};

ssize_t readCursor(void* cookie, char* buffer, size_t n) {
    Cursor* c = static_cast<Cursor*>(cookie);
    size_t left = c->size - c->at;
    if (n > left) n = left;
    std::memcpy(buffer, c->data + c->at, n);
    c->at += n;
    return ssize_t(n);
}

// Skips inputs whose header claims more pixel data than the harness lets it allocate.
bool claimsTooMuch(const uint8_t* data, size_t size) {
    if (size < 52) return false;
    qeltexture::QelTextureHeaderV3 record;
    std::memcpy(&record, data, sizeof record);
    return qeltexture::QelTIsWithinSizeModel(record) &&
           qeltexture::QelTGetTextureDataSize(record) > fuzzcheck::kMaxClaimedData;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (claimsTooMuch(data, size)) return 0;

    fuzzcheck::CQelTexture seekable;
    bool loadedSeekable = false;
    if (FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb")) {
        loadedSeekable = seekable.privateLoadQELFile(f);
        std::fclose(f);
    } else {
        return 0;  // fmemopen refuses an empty buffer
    }
    fuzzcheck::checkTexture(seekable);

    Cursor cursor{data, size, 0};
    cookie_io_functions_t io = {readCursor, nullptr, nullptr, nullptr};
    fuzzcheck::CQelTexture piped;
    bool loadedPiped = false;
    if (FILE* f = fopencookie(&cursor, "rb", io)) {
        loadedPiped = piped.privateLoadQELFile(f);
        std::fclose(f);
    }
    fuzzcheck::checkTexture(piped);
    fuzzcheck::require(loadedSeekable == loadedPiped, "seekable and unseekable loads disagree");
    fuzzcheck::require(fuzzcheck::sameTexture(seekable, piped), "seekable and unseekable textures differ");

    fuzzcheck::checkRoundTrip(seekable);
    return 0;
}
