// Fuzzes the KTX loader and, for what loads, the writer and the OpenGL tables.
#include "ContainerRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzing::checkContainer(data, size, &qeltexture::CQelTexture::privateLoadKTXFile,
                                   &qeltexture::CQelTexture::privateSaveKTXFile, [](const qeltexture::CQelTexture& t) {
                                       uint32_t internalFormat, format, type;
                                       t.getOGLFormat(internalFormat, format, type);
                                   });
}
