/* A small host program: loads libQelTexLib.so at run time, as a managed host would,
 * and drives the exported functions through plain C function pointers. */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

#include "QelTexLib.h"

typedef QelTextureHandle (*CreateTextureFn)(const void*, uint32_t, uint32_t, uint32_t, uint64_t,
                                            QelTBool, uint32_t, uint32_t);
typedef void (*DestroyTextureFn)(QelTextureHandle);
typedef uint32_t (*GetTextureDataSizeFn)(QelTextureHandle, int32_t);
typedef void (*GetTextureDataFn)(QelTextureHandle, void*, uint32_t, uint32_t);

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : QELTEX_SHARED_LIB_PATH;
    void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        return 1;
    }
    CreateTextureFn createTexture = (CreateTextureFn)dlsym(lib, "CreateTexture");
    DestroyTextureFn destroyTexture = (DestroyTextureFn)dlsym(lib, "DestroyTexture");
    GetTextureDataSizeFn getTextureDataSize = (GetTextureDataSizeFn)dlsym(lib, "GetTextureDataSize");
    GetTextureDataFn getTextureData = (GetTextureDataFn)dlsym(lib, "GetTextureData");
    if (!createTexture || !destroyTexture || !getTextureDataSize || !getTextureData) {
        fprintf(stderr, "missing exported function in %s\n", path);
        return 1;
    }

    /* A 16x8 RGBA8 gradient. */
    enum { W = 16, H = 8 };
    unsigned char pixels[W * H * 4];
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            unsigned char* p = pixels + 4 * (y * W + x);
            p[0] = (unsigned char)(x * 255 / (W - 1));
            p[1] = (unsigned char)(y * 255 / (H - 1));
            p[2] = 128;
            p[3] = 255;
        }

    QelTextureHandle tex = createTexture(pixels, W, H, 1, QELT_PIXEL_RGBA8, 0,
                                         QELT_VT_UNSIGNED_BYTE_NORM, QELT_CS_SRGB);
    uint32_t size = getTextureDataSize(tex, -1);
    printf("CreateTexture: %dx%d RGBA8 sRGB -> handle %p, %u bytes\n", W, H, tex, size);

    unsigned char* copy = (unsigned char*)malloc(size);
    getTextureData(tex, copy, size, 0);
    int same = 1;
    for (uint32_t i = 0; i < size; ++i) same &= copy[i] == pixels[i];
    printf("GetTextureData: copied %u bytes, %s the input\n", size, same ? "identical to" : "DIFFERENT from");
    free(copy);

    QelTextureHandle etc = createTexture(NULL, 5, 3, 1, QELT_PF_ETC1, 0, 0, 0);
    printf("CreateTexture: 5x3 ETC1 (no data) -> %u bytes (blocks round up to 8x4)\n",
           getTextureDataSize(etc, -1));

    destroyTexture(etc);
    destroyTexture(tex);
    destroyTexture(NULL);
    printf("DestroyTexture: released both textures\n");
    dlclose(lib);
    return same ? 0 : 1;
}
