#pragma once
// The check shared by the container harnesses: whatever a loader leaves must hold exactly
// the data its header describes, and a texture that saves must read back with the same
// shape and bytes when its format survives the trip through the container's tables.
#define _GNU_SOURCE 1
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Texture.h"

namespace fuzzing {

using qeltexture::CQelTexture;

inline bool sameShapeAndData(const CQelTexture& a, const CQelTexture& b) {
    return a.getWidth() == b.getWidth() && a.getHeight() == b.getHeight() && a.getDepth() == b.getDepth() &&
           a.getNumMIPLevels() == b.getNumMIPLevels() && a.getNumArrayMembers() == b.getNumArrayMembers() &&
           a.getNumFaces() == b.getNumFaces() && a.getDataBlockSize() == b.getDataBlockSize() &&
           (a.getDataBlockSize() == 0 ||
            std::memcmp(a.getDataPtr(0, 0, 0), b.getDataPtr(0, 0, 0), a.getDataBlockSize()) == 0);
}

typedef bool (CQelTexture::*Loader)(FILE*);
typedef bool (CQelTexture::*Saver)(FILE*) const;

// `touchTables` runs the format lookups of the loaded header, so their code is fuzzed too.
template <typename TouchTables>
int checkContainer(const uint8_t* data, size_t size, Loader load, Saver save, TouchTables touchTables) {
    FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!in) return 0;  // fmemopen refuses an empty buffer
    CQelTexture texture;
    const bool loaded = (texture.*load)(in);
    std::fclose(in);

    // Whatever state a load leaves, the block backs every face the header names.
    if (texture.getDataBlockSize() != 0 && texture.getDataBlockSize() != texture.getDataSize(-1, true, true))
        std::abort();
    touchTables(texture);
    // Only textures with pixels are worth a round trip.
    if (!loaded || texture.getDataBlockSize() == 0) return 0;

    char* buffer = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&buffer, &length);
    if (!out) return 0;
    const bool saved = (texture.*save)(out);
    std::fclose(out);
    if (saved && length) {
        if (FILE* again = fmemopen(buffer, length, "rb")) {
            CQelTexture reloaded;
            if ((reloaded.*load)(again) && reloaded.getPixelType() == texture.getPixelType() &&
                !sameShapeAndData(texture, reloaded))
                std::abort();
            std::fclose(again);
        }
    }
    std::free(buffer);
    return 0;
}

}  // namespace fuzzing
