// C header export: not written yet; reports failure.
#include "Texture.h"

namespace qeltexture {

bool CQelTexture::privateSaveCHeaderFile(FILE*, const CQelTString&) const { return false; }

}  // namespace qeltexture
