// KTX container: not readable or writable yet; both directions report failure.
#include "Texture.h"

namespace qeltexture {

bool CQelTexture::privateLoadKTXFile(FILE*) { return false; }
bool CQelTexture::privateSaveKTXFile(FILE*) const { return false; }

}  // namespace qeltexture
