// Allocation of texture data blocks. Blocks of several megabytes are mapped directly and
// advised to use transparent huge pages: a fresh 64 MiB texture then takes 32 page faults
// instead of 16384, which is most of the cost of a transcode into a new texture.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#include "Texture.h"

namespace qeltexture {

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kMapThreshold = size_t(4) << 20;
}  // namespace

void DataBlockDeleter::operator()(uint8_t* p) const {
    if (mapping) munmap(mapping, mappingSize);
    else std::free(p);
}

CQelTexture::DataBlock CQelTexture::allocateDataBlock(uint32_t size) {
    if (size >= kMapThreshold) {
        // Over-allocate by one huge page so the block can start on a huge-page boundary.
        size_t length = size_t(size) + kHugePage;
        void* mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapping != MAP_FAILED) {
            uintptr_t start = (reinterpret_cast<uintptr_t>(mapping) + kHugePage - 1) & ~(uintptr_t(kHugePage) - 1);
#ifdef MADV_HUGEPAGE
            madvise(reinterpret_cast<void*>(start), size_t(size), MADV_HUGEPAGE);  // a hint; failure is harmless
#endif
            DataBlockDeleter deleter;
            deleter.mapping = mapping;
            deleter.mappingSize = length;
            return DataBlock(reinterpret_cast<uint8_t*>(start), deleter);  // anonymous pages are zero
        }
    }
    void* p = std::calloc(size ? size : 1, 1);
    if (!p) throw std::bad_alloc();
    return DataBlock(static_cast<uint8_t*>(p));
}

}  // namespace qeltexture
