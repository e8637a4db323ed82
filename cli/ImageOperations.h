#pragma once
// The image operations qeltex convert applies before MIP generation and encoding, parsed
// up front so bad values fail before any work starts. They run in this order:
//   --flip-y, --flip, --rotate, --canvas, --border, --resize, --normal-map, --premultiply.
// Geometry comes first so a normal map is computed from the final height field (turning a
// normal map afterwards would leave its x and y channels pointing the old way), and resizing
// comes before it because resampled normals are no longer unit length.
#include <cstdint>
#include <string>
#include <vector>

#include "ImageOps/Pixel.h"
#include "MetaData.h"
#include "Options.h"
#include "Progress.h"
#include "Texture.h"

namespace qeltex_cli {

struct ImageOperations {
    bool flipY = false;                     // --flip-y
    std::vector<qeltexture::EQelTAxis> flips;  // --flip x|y|z (may repeat as x,y)
    int rotate = 0;                         // --rotate 90 | -90 (0: none)
    qeltexture::EQelTAxis rotateAxis = qeltexture::eAxisZ;
    bool canvas = false;                    // --canvas WxH[xD][+X+Y[+Z]]
    uint32_t canvasSize[3] = {0, 0, 0};     // depth 0: keep the texture's depth
    int32_t canvasOffset[3] = {0, 0, 0};
    bool border = false;                    // --border N[,M[,K]]
    uint32_t borderSize[3] = {0, 0, 0};
    bool resize = false;                    // --resize WxH
    uint32_t resizeWidth = 0, resizeHeight = 0;
    qeltexture::EResizeMode filter = qeltexture::eResizeLinear;  // --filter
    std::string filterName = "linear";
    bool normalMap = false;                 // --normal-map SCALE [--normal-order ORDER]
    float normalScale = 1.0f;
    std::string normalOrder = "xyz";
    bool premultiply = false;               // --premultiply

    bool any() const {
        return flipY || !flips.empty() || rotate || canvas || border || resize || normalMap || premultiply;
    }
};

// The option specs these operations add to convert's.
std::vector<OptionSpec> imageOperationOptions();
// False with a message naming the bad value.
bool parseImageOperations(const ParsedArgs& args, ImageOperations& ops, std::string& error);
// Applies them in the documented order to a texture in a standard RGBA layout.
bool applyImageOperations(qeltexture::CQelTexture& tex, const ImageOperations& ops, Progress& progress,
                          std::string& error);

}  // namespace qeltex_cli
