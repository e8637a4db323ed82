#pragma once
// Checks shared by the native-file harnesses: whatever a loader produced must be
// self-consistent, fully readable, and survive a save and reload unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Texture.h"

namespace fuzzcheck {

using qeltexture::CQelTexture;
using qeltexture::MetaDataBlock;
using qeltexture::MetaDataKeyMap;
using qeltexture::MetaDataMap;

// Claimed pixel data beyond this is skipped by the stream harness: a short stream read is
// accepted with the full (size-model bounded) block allocated, which is the intended
// behaviour and would only trip the fuzzer's memory limit.
constexpr uint32_t kMaxClaimedData = 1u << 20;

inline void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "native fuzz check failed: %s\n", what);
        std::abort();
    }
}

inline uint32_t sumOfBlocks(const CQelTexture& t) {
    uint64_t sum = 0;
    const MetaDataMap* map = t.getMetaDataMap();
    for (uint32_t i = 0; i < map->GetSize(); ++i)
        for (uint32_t k = 0; k < map->GetValue(i).GetSize(); ++k) {
            const MetaDataBlock& b = map->GetValue(i).GetValue(k);
            require(b.u32DataSize == 0 || b.Data, "block without its data");
            sum += 12 + uint64_t(b.u32DataSize);
        }
    require(sum <= UINT32_MAX, "metadata total exceeds 32 bits");
    return uint32_t(sum);
}

inline bool sameTexture(const CQelTexture& a, const CQelTexture& b) {
    qeltexture::QelTextureHeaderV3 ra = a.getFileHeader(), rb = b.getFileHeader();
    if (std::memcmp(&ra, &rb, sizeof ra) != 0) return false;
    const MetaDataMap* ma = a.getMetaDataMap();
    const MetaDataMap* mb = b.getMetaDataMap();
    if (ma->GetSize() != mb->GetSize()) return false;
    for (uint32_t i = 0; i < ma->GetSize(); ++i) {
        const MetaDataKeyMap& ka = ma->GetValue(i);
        const MetaDataKeyMap& kb = mb->GetValue(i);
        if (ma->GetKey(i) != mb->GetKey(i) || ka.GetSize() != kb.GetSize()) return false;
        for (uint32_t k = 0; k < ka.GetSize(); ++k) {
            const MetaDataBlock& x = ka.GetValue(k);
            const MetaDataBlock& y = kb.GetValue(k);
            if (ka.GetKey(k) != kb.GetKey(k) || x.DevFOURCC != y.DevFOURCC || x.u32Key != y.u32Key ||
                x.u32DataSize != y.u32DataSize)
                return false;
            if (x.u32DataSize && std::memcmp(x.Data.get(), y.Data.get(), x.u32DataSize) != 0) return false;
        }
    }
    if (a.getDataBlockSize() != b.getDataBlockSize()) return false;
    return a.getDataBlockSize() == 0 ||
           std::memcmp(a.getDataPtr(0, 0, 0), b.getDataPtr(0, 0, 0), a.getDataBlockSize()) == 0;
}

// Invariants of any texture a loader hands back, loaded or not.
inline void checkTexture(const CQelTexture& t) {
    require(t.getDataBlockSize() == t.getDataSize(-1, true, true), "data size differs from the header's");
    require(t.getMetaDataSize() == sumOfBlocks(t), "metadata size differs from its blocks");
    const uint8_t* start = t.getDataPtr(0, 0, 0);
    require((start != nullptr) == (t.getDataBlockSize() != 0), "data block presence");
    // Read every byte: the sanitizer catches a block shorter than it claims.
    unsigned sum = 0;
    for (uint32_t i = 0; i < t.getDataBlockSize(); ++i) sum += start[i];
    volatile unsigned sink = sum;
    (void)sink;
    // Every surface pointer stays inside the block (bounded walk for huge counts).
    const uint64_t surfaces =
        uint64_t(t.getNumMIPLevels()) * t.getNumArrayMembers() * t.getNumFaces();
    if (start && surfaces <= 4096)
        for (uint32_t mip = 0; mip < t.getNumMIPLevels(); ++mip)
            for (uint32_t member = 0; member < t.getNumArrayMembers(); ++member)
                for (uint32_t face = 0; face < t.getNumFaces(); ++face) {
                    const uint8_t* p = t.getDataPtr(mip, member, face);
                    require(p != nullptr, "surface missing from a full block");
                    require(uint64_t(p - start) + t.getDataSize(int32_t(mip), false, false) <=
                                t.getDataBlockSize(),
                            "surface outside the block");
                }
}

// A loaded texture saves and reloads to the same texture whenever the writer accepts it.
inline void checkRoundTrip(const CQelTexture& t) {
    if (t.getDataBlockSize() == 0) return;
    char* buffer = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&buffer, &size);
    if (!stream) return;
    const bool saved = t.privateSaveQELFile(stream);
    std::fclose(stream);
    if (saved) {
        require(size == 52 + uint64_t(t.getMetaDataSize()) + t.getDataBlockSize(), "saved length");
        CQelTexture again(static_cast<const void*>(buffer), size);
        checkTexture(again);
        require(sameTexture(t, again), "save then load changed the texture");
    }
    std::free(buffer);
}

}  // namespace fuzzcheck
