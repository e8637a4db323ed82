#include "ImageOperations.h"

#include <cmath>
#include <cstdlib>

#include "ImageOps/Border.h"
#include "ImageOps/Canvas.h"
#include "ImageOps/Flip.h"
#include "ImageOps/NormalMap.h"
#include "ImageOps/PreMultiply.h"
#include "ImageOps/Resize.h"
#include "ImageOps/Rotate.h"

namespace qeltex_cli {

using namespace qeltexture;

namespace {
bool parseAxis(const std::string& s, EQelTAxis& axis) {
    if (s == "x") axis = eAxisX;
    else if (s == "y") axis = eAxisY;
    else if (s == "z") axis = eAxisZ;
    else return false;
    return true;
}

// A non-negative decimal of at most 6 digits (textures never need more).
bool parseCount(const std::string& s, uint32_t& v) {
    if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    v = uint32_t(std::strtoul(s.c_str(), nullptr, 10));
    return true;
}

bool parseSigned(const std::string& s, int32_t& v) {
    if (s.empty()) return false;
    uint32_t magnitude;
    bool negative = s[0] == '-';
    if (!parseCount(s.substr(negative || s[0] == '+' ? 1 : 0), magnitude)) return false;
    v = negative ? -int32_t(magnitude) : int32_t(magnitude);
    return true;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i)
        if (i == s.size() || s[i] == sep) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    return parts;
}

// WxH[xD][+X+Y[+Z]] (offsets may be negative: +-2 or -2).
bool parseCanvas(const std::string& text, ImageOperations& ops) {
    size_t offsetStart = text.find_first_of("+-");
    std::vector<std::string> size = split(text.substr(0, offsetStart), 'x');
    if (size.size() < 2 || size.size() > 3) return false;
    for (size_t i = 0; i < size.size(); ++i)
        if (!parseCount(size[i], ops.canvasSize[i]) || ops.canvasSize[i] == 0) return false;
    if (offsetStart == std::string::npos) return true;
    std::vector<std::string> offsets;
    for (size_t i = offsetStart; i < text.size();) {
        size_t next = text.find_first_of("+-", i + 1);
        // "+-2" is one signed offset: a sign right after '+' belongs to the number.
        if (text[i] == '+' && next == i + 1) next = text.find_first_of("+-", i + 2);
        offsets.push_back(text.substr(i, next == std::string::npos ? std::string::npos : next - i));
        i = next == std::string::npos ? text.size() : next;
    }
    if (offsets.size() < 2 || offsets.size() > 3) return false;
    for (size_t i = 0; i < offsets.size(); ++i) {
        std::string o = offsets[i];
        if (o.size() > 1 && o[0] == '+' && o[1] == '-') o = o.substr(1);
        if (!parseSigned(o, ops.canvasOffset[i])) return false;
    }
    return true;
}
}  // namespace

std::vector<OptionSpec> imageOperationOptions() {
    return {
        {"flip-y", 0, OptionSpec::Flag, "", "store rows bottom-up and record the y-up orientation", "off"},
        {"flip", 0, OptionSpec::Value, "x|y|z", "mirror along an axis (x,y for both); y also records the orientation", "none"},
        {"rotate", 0, OptionSpec::Value, "90|-90", "quarter turn, 90 clockwise as seen on screen (y down)", "none"},
        {"axis", 0, OptionSpec::Value, "x|y|z", "axis of --rotate", "z"},
        {"canvas", 0, OptionSpec::Value, "WxH[xD][+X+Y[+Z]]",
         "new canvas size, the image placed at the offset; the rest is zero; keeps level 0 only", "keep"},
        {"border", 0, OptionSpec::Value, "N[,M[,K]]",
         "mirrored border of N pixels in x (M in y, K in z; M defaults to N, K to 0)", "none"},
        {"resize", 0, OptionSpec::Value, "WxH", "resample the top level to W x H", "keep the size"},
        {"filter", 0, OptionSpec::Value, "FILTER", "nearest, linear or cubic, for --resize and --mipmaps", "linear"},
        {"normal-map", 0, OptionSpec::Value, "SCALE",
         "turn the red channel (heights) into a float normal map, heights scaled by SCALE", "off"},
        {"normal-order", 0, OptionSpec::Value, "ORDER", "what each channel of the normal map holds: x, y, z, h",
         "xyz"},
        {"premultiply", 0, OptionSpec::Flag, "", "premultiply colour by alpha", "off"},
    };
}

bool parseImageOperations(const ParsedArgs& args, ImageOperations& ops, std::string& error) {
    ops.flipY = args.has("flip-y");
    if (args.has("flip")) {
        for (const std::string& a : split(args.get("flip"), ',')) {
            EQelTAxis axis;
            if (!parseAxis(a, axis)) {
                error = "unknown axis '" + a + "' for --flip (use x, y or z)";
                return false;
            }
            ops.flips.push_back(axis);
        }
    }
    if (args.has("rotate")) {
        std::string r = args.get("rotate");
        if (r == "90" || r == "+90") ops.rotate = 90;
        else if (r == "-90" || r == "270") ops.rotate = -90;
        else {
            error = "--rotate takes 90 or -90, not '" + r + "'";
            return false;
        }
    }
    if (args.has("axis")) {
        if (!args.has("rotate")) {
            error = "--axis only applies to --rotate";
            return false;
        }
        if (!parseAxis(args.get("axis"), ops.rotateAxis)) {
            error = "unknown axis '" + args.get("axis") + "' for --axis (use x, y or z)";
            return false;
        }
    }
    if (args.has("canvas")) {
        ops.canvas = true;
        if (!parseCanvas(args.get("canvas"), ops)) {
            error = "--canvas takes WxH[xD][+X+Y[+Z]] with positive sizes, e.g. 512x512+16+16, not '" +
                    args.get("canvas") + "'";
            return false;
        }
    }
    if (args.has("border")) {
        ops.border = true;
        std::vector<std::string> parts = split(args.get("border"), ',');
        bool ok = parts.size() <= 3;
        for (size_t i = 0; ok && i < parts.size(); ++i) ok = parseCount(parts[i], ops.borderSize[i]);
        if (ok && parts.size() == 1) ops.borderSize[1] = ops.borderSize[0];
        if (!ok) {
            error = "--border takes N[,M[,K]] with non-negative numbers, not '" + args.get("border") + "'";
            return false;
        }
    }
    if (args.has("resize")) {
        std::vector<std::string> wh = split(args.get("resize"), 'x');
        ops.resize = wh.size() == 2 && parseCount(wh[0], ops.resizeWidth) && parseCount(wh[1], ops.resizeHeight) &&
                     ops.resizeWidth && ops.resizeHeight;
        if (!ops.resize) {
            error = "--resize takes WxH with positive numbers, e.g. 512x256";
            return false;
        }
    }
    ops.filterName = args.get("filter", "linear");
    if (ops.filterName == "nearest") ops.filter = eResizeNearest;
    else if (ops.filterName == "cubic") ops.filter = eResizeCubic;
    else if (ops.filterName != "linear") {
        error = "unknown filter '" + ops.filterName + "' (nearest, linear or cubic)";
        return false;
    }
    if (args.has("normal-map")) {
        ops.normalMap = true;
        char* end = nullptr;
        std::string s = args.get("normal-map");
        ops.normalScale = std::strtof(s.c_str(), &end);
        if (s.empty() || *end || !std::isfinite(ops.normalScale) || ops.normalScale == 0.0f) {
            error = "--normal-map takes a non-zero scale, not '" + s + "'";
            return false;
        }
    }
    if (args.has("normal-order")) {
        if (!ops.normalMap) {
            error = "--normal-order only applies to --normal-map";
            return false;
        }
        ops.normalOrder = args.get("normal-order");
        if (ops.normalOrder.empty() || ops.normalOrder.size() > 4 ||
            ops.normalOrder.find_first_not_of("xyzhXYZH") != std::string::npos) {
            error = "--normal-order takes up to four of x, y, z, h, not '" + ops.normalOrder + "'";
            return false;
        }
    }
    ops.premultiply = args.has("premultiply");
    return true;
}

namespace {
// Flipping y reverses the row order, so the orientation record flips with it.
void recordFlip(CQelTexture& tex, EQelTAxis axis) {
    static const EQelTOrientation kFlag[3] = {eOrientLeft, eOrientUp, eOrientOut};
    uint32_t o = tex.getOrientation(eAxisX) | tex.getOrientation(eAxisY) | tex.getOrientation(eAxisZ);
    tex.setOrientation(EQelTOrientation(o ^ kFlag[axis]));
}
}  // namespace

bool applyImageOperations(CQelTexture& tex, const ImageOperations& ops, Progress& progress, std::string& error) {
    static const char* kAxis[3] = {"x", "y", "z"};
    auto failWith = [&error](const std::string& what) {
        error = what;
        return false;
    };
    if (ops.flipY) {
        progress.stage("flipping rows (y up)");
        if (!Flip(tex, eAxisY)) return failWith("the library could not flip this texture");
        tex.setOrientation(EQelTOrientation(eOrientUp | tex.getOrientation(eAxisX) | tex.getOrientation(eAxisZ)));
    }
    for (EQelTAxis axis : ops.flips) {
        progress.stage(std::string("flipping along ") + kAxis[axis]);
        if (!Flip(tex, axis)) return failWith(std::string("the library could not flip along ") + kAxis[axis]);
        if (axis == eAxisY) recordFlip(tex, axis);
    }
    if (ops.rotate) {
        progress.stage("rotating " + std::to_string(ops.rotate) + " degrees about " + kAxis[ops.rotateAxis]);
        if (!Rotate90(tex, ops.rotateAxis, ops.rotate > 0)) return failWith("the library could not rotate this texture");
    }
    if (ops.canvas) {
        uint32_t depth = ops.canvasSize[2] ? ops.canvasSize[2] : tex.getDepth();
        progress.stage("re-canvassing to " + std::to_string(ops.canvasSize[0]) + "x" + std::to_string(ops.canvasSize[1]));
        if (!ResizeCanvas(tex, ops.canvasSize[0], ops.canvasSize[1], depth, ops.canvasOffset[0], ops.canvasOffset[1],
                          ops.canvasOffset[2]))
            return failWith("the library could not re-canvas this texture (size too large?)");
    }
    if (ops.border) {
        progress.stage("adding a mirrored border");
        if (!Border(tex, ops.borderSize[0], ops.borderSize[1], ops.borderSize[2]))
            return failWith("the library could not add that border (size too large?)");
    }
    if (ops.resize) {
        progress.stage("resizing to " + std::to_string(ops.resizeWidth) + "x" + std::to_string(ops.resizeHeight) + " (" +
                       ops.filterName + ")");
        uint32_t depth = tex.getDepth();
        if (!Resize(tex, ops.resizeWidth, ops.resizeHeight, depth, ops.filter))
            return failWith("the library could not resize this texture");
    }
    if (ops.normalMap) {
        progress.stage("building a normal map (scale " + std::to_string(ops.normalScale) + ", order " + ops.normalOrder + ")");
        if (!GenerateNormalMap(tex, ops.normalScale, CQelTString(ops.normalOrder.c_str())))
            return failWith("the library could not build a normal map from this texture");
    }
    if (ops.premultiply) {
        progress.stage("premultiplying alpha");
        if (!PreMultiplyAlpha(tex)) return failWith("the library could not premultiply this texture");
    }
    return true;
}

}  // namespace qeltex_cli
