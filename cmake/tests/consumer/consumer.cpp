// Uses the installed C++ headers and the static core directly.
#include <cstdio>

#include "Codecs/ETC/ETCDecompress.h"
#include "ImageOps/Resize.h"
#include "QelTString.h"
#include "Texture.h"

int main() {
    using namespace qeltexture;
    CQelTextureHeader header(QelStandard8PixelType.PixelTypeID, 4, 4, 1, 1, 1, 1, eCS_LinearRGB,
                             eVT_UnsignedByteNorm, false);
    CQelTexture texture(header, nullptr);
    if (texture.getDataSize(-1, true, true) != 64) return 1;
    if (!Resize(texture, 2, 2, 1, eResizeLinear) || texture.getWidth(0) != 2) return 2;
    CQelTString name("consumer");
    if (name.length() != 8) return 3;
    // A null source is a size query: 4 x 4 pixels of 8-bit RGB.
    if (ETCDecompress(nullptr, nullptr, 4, 4, ePF_ETC1, false) != 48) return 4;
    std::puts("consumer_cxx: ok");
    return 0;
}
