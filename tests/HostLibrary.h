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
    typedef Handle (*CreateTextureFromFileFn)(const char*);
    typedef uint8_t (*SaveTextureFn)(Handle, const char*);
    typedef uint8_t (*ResizeFn)(Handle, uint32_t, uint32_t, uint32_t, uint32_t);
    typedef uint8_t (*PremultiplyAlphaFn)(Handle);
    typedef uint8_t (*GenerateMIPMapsFn)(Handle, uint32_t, uint32_t);
    typedef uint8_t (*TranscodeFn)(Handle, uint64_t, uint32_t, uint32_t, uint32_t, uint8_t);

    void* lib = nullptr;
    CreateTextureFn CreateTexture = nullptr;
    DestroyTextureFn DestroyTexture = nullptr;
    GetTextureDataSizeFn GetTextureDataSize = nullptr;
    GetTextureDataFn GetTextureData = nullptr;
    CreateTextureFromFileFn CreateTextureFromFile = nullptr;
    SaveTextureFn SaveTexture = nullptr;
    ResizeFn Resize = nullptr;
    PremultiplyAlphaFn PremultiplyAlpha = nullptr;
    GenerateMIPMapsFn GenerateMIPMaps = nullptr;
    TranscodeFn Transcode = nullptr;

    HostLibrary() {
        lib = dlopen(QELTEX_SHARED_LIB_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!lib) return;
        CreateTexture = reinterpret_cast<CreateTextureFn>(dlsym(lib, "CreateTexture"));
        DestroyTexture = reinterpret_cast<DestroyTextureFn>(dlsym(lib, "DestroyTexture"));
        GetTextureDataSize = reinterpret_cast<GetTextureDataSizeFn>(dlsym(lib, "GetTextureDataSize"));
        GetTextureData = reinterpret_cast<GetTextureDataFn>(dlsym(lib, "GetTextureData"));
        CreateTextureFromFile = reinterpret_cast<CreateTextureFromFileFn>(dlsym(lib, "CreateTextureFromFile"));
        SaveTexture = reinterpret_cast<SaveTextureFn>(dlsym(lib, "SaveTexture"));
        Resize = reinterpret_cast<ResizeFn>(dlsym(lib, "Resize"));
        PremultiplyAlpha = reinterpret_cast<PremultiplyAlphaFn>(dlsym(lib, "PremultiplyAlpha"));
        GenerateMIPMaps = reinterpret_cast<GenerateMIPMapsFn>(dlsym(lib, "GenerateMIPMaps"));
        Transcode = reinterpret_cast<TranscodeFn>(dlsym(lib, "Transcode"));
    }
    ~HostLibrary() {
        if (lib) dlclose(lib);
    }
    bool ok() const {
        return CreateTexture && DestroyTexture && GetTextureDataSize && GetTextureData && CreateTextureFromFile &&
               SaveTexture && Resize && PremultiplyAlpha && GenerateMIPMaps && Transcode;
    }
    void* symbol(const char* name) const { return lib ? dlsym(lib, name) : nullptr; }
};
