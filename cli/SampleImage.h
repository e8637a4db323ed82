#pragma once
// The built-in test image, generated in code so the tool and the demo need no file.
#include <cstdint>
#include <vector>

namespace qeltex_cli {

constexpr uint32_t kSampleSize = 256;

// 256x256 RGBA8: gradients, saturated patches, fine detail, a soft and a hard alpha edge.
std::vector<uint8_t> makeSampleImage();

}  // namespace qeltex_cli
