/* Uses the C interface of the installed library: create, MIP map, transcode, read back. */
#include <QelTexLib.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    unsigned char pixels[8 * 8 * 4];
    for (unsigned i = 0; i < sizeof pixels; ++i) pixels[i] = (unsigned char)(i * 7);
    QelTextureHandle t = CreateTexture(pixels, 8, 8, 1, QELT_PIXEL_RGBA8, 0,
                                       QELT_VT_UNSIGNED_BYTE_NORM, QELT_CS_LINEAR_RGB);
    if (!t || GetTextureDataSize(t, -1) != sizeof pixels) return 1;
    unsigned char back[sizeof pixels];
    GetTextureData(t, back, sizeof back, 0);
    if (memcmp(back, pixels, sizeof pixels) != 0) return 2;
    /* 8x8, 4x4, 2x2, 1x1 RGBA8. */
    if (!GenerateMIPMaps(t, QELT_RESIZE_LINEAR, QELT_FULL_MIP_CHAIN) ||
        GetTextureDataSize(t, -1) != 256 + 64 + 16 + 4)
        return 3;
    /* ETC1 blocks are 8 bytes per 4x4; levels below 4x4 still take one block. */
    if (!Transcode(t, QELT_PF_ETC1, QELT_VT_UNSIGNED_BYTE_NORM, QELT_CS_LINEAR_RGB, QELT_ETC_FAST, 0) ||
        GetTextureDataSize(t, -1) != 32 + 8 + 8 + 8)
        return 4;
    DestroyTexture(t);
    puts("consumer_c: ok");
    return 0;
}
