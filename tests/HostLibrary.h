#pragma once
// Loads libQelTexLib.so at run time and resolves the exported functions through plain C
// function pointers, the way a managed host's FFI sees them.
#include <dlfcn.h>

#include <cstdint>

struct HostLibrary {
    typedef void* Handle;
    typedef Handle (*CreateTextureFn)(const void*, uint32_t, uint32_t, uint32_t, uint64_t, uint8_t,
                                      uint32_t, uint32_t);
    typedef void (*DestroyTextureFn)(Handle);
    typedef uint32_t (*GetTextureDataSizeFn)(Handle, int32_t);
    typedef void (*GetTextureDataFn)(Handle, void*, uint32_t, uint32_t);

    void* lib = nullptr;
    CreateTextureFn CreateTexture = nullptr;
    DestroyTextureFn DestroyTexture = nullptr;
    GetTextureDataSizeFn GetTextureDataSize = nullptr;
    GetTextureDataFn GetTextureData = nullptr;

    HostLibrary() {
        lib = dlopen(QELTEX_SHARED_LIB_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!lib) return;
        CreateTexture = reinterpret_cast<CreateTextureFn>(dlsym(lib, "CreateTexture"));
        DestroyTexture = reinterpret_cast<DestroyTextureFn>(dlsym(lib, "DestroyTexture"));
        GetTextureDataSize = reinterpret_cast<GetTextureDataSizeFn>(dlsym(lib, "GetTextureDataSize"));
        GetTextureData = reinterpret_cast<GetTextureDataFn>(dlsym(lib, "GetTextureData"));
    }
    ~HostLibrary() {
        if (lib) dlclose(lib);
    }
    bool ok() const { return CreateTexture && DestroyTexture && GetTextureDataSize && GetTextureData; }
    void* symbol(const char* name) const { return lib ? dlsym(lib, name) : nullptr; }
};
