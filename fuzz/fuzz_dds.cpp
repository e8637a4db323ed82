// Fuzzes the DDS loader and, for what loads, the writer and the Direct3D and DXGI tables.
#include "ContainerRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzing::checkContainer(data, size, &qeltexture::CQelTexture::privateLoadDDSFile,
                                   &qeltexture::CQelTexture::privateSaveDDSFile, [](const qeltexture::CQelTexture& t) {
                                       t.getD3DFormat();
                                       t.getDXGIFormat();
                                   });
}
