// DDS container: not readable or writable yet; both directions report failure.
#include "Texture.h"

namespace qeltexture {

bool CQelTexture::privateLoadDDSFile(FILE*) { return false; }
bool CQelTexture::privateSaveDDSFile(FILE*) const { return false; }

}  // namespace qeltexture
