#pragma once
// Loads libQelTexLib.so at run time and resolves the exported functions through plain C
// function pointers, the way a managed host's FFI sees them.
#include <dlfcn.h>

#include <cstdint>

struct HostLibrary {
    typedef void* Handle;

    void* lib = nullptr;
    Handle (*CreateTexture)(const void*, uint32_t, uint32_t, uint32_t, uint64_t, uint8_t, uint32_t, uint32_t) = nullptr;
    void (*DestroyTexture)(Handle) = nullptr;
    uint32_t (*GetTextureDataSize)(Handle, int32_t) = nullptr;
    void (*GetTextureData)(Handle, void*, uint32_t, uint32_t) = nullptr;
    Handle (*CreateTextureFromFile)(const char*) = nullptr;
    uint8_t (*SaveTexture)(Handle, const char*) = nullptr;
    uint8_t (*Resize)(Handle, uint32_t, uint32_t, uint32_t, uint32_t) = nullptr;
    uint8_t (*PremultiplyAlpha)(Handle) = nullptr;
    uint8_t (*GenerateMIPMaps)(Handle, uint32_t, uint32_t) = nullptr;
    uint8_t (*Transcode)(Handle, uint64_t, uint32_t, uint32_t, uint32_t, uint8_t) = nullptr;

    HostLibrary() {
        lib = dlopen(QELTEX_SHARED_LIB_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!lib) return;
        bind(CreateTexture, "CreateTexture");
        bind(DestroyTexture, "DestroyTexture");
        bind(GetTextureDataSize, "GetTextureDataSize");
        bind(GetTextureData, "GetTextureData");
        bind(CreateTextureFromFile, "CreateTextureFromFile");
        bind(SaveTexture, "SaveTexture");
        bind(Resize, "Resize");
        bind(PremultiplyAlpha, "PremultiplyAlpha");
        bind(GenerateMIPMaps, "GenerateMIPMaps");
        bind(Transcode, "Transcode");
    }
    ~HostLibrary() {
        if (lib) dlclose(lib);
    }
    bool ok() const {
        return CreateTexture && DestroyTexture && GetTextureDataSize && GetTextureData && CreateTextureFromFile &&
               SaveTexture && Resize && PremultiplyAlpha && GenerateMIPMaps && Transcode;
    }

private:
    template <typename F>
    void bind(F& function, const char* name) {
        function = reinterpret_cast<F>(dlsym(lib, name));
    }
};
