#pragma once
// Quality table of the multi-pass encoder and the optimisation parameters of each pass.
#include <cstdint>

#include "Codecs/QELTC/amtc/AMTCTypes.h"

namespace qeltexture {

struct AMTCQualityRow {
    int passesQELTC;
    int passesQELTCII;
    int iterations;
    int candidates;
    int initialVariants;
    int variantsDroppedPerPass;
    double thresholdFactor;
    int edgeStep;
};

const int kAMTCMaxQuality = 6;

// Row for quality q (above 6 counts as 6).
const AMTCQualityRow& amtc_quality_row(int quality);
int amtc_number_of_passes(int quality, bool isQELTCII);

// Writes the parameters of pass p (0 .. passes - 1) into settings. meanError is the mean
// chosen-candidate error per block after the previous pass (unused for pass 0).
void amtc_set_pass_parameters(AMTCSettings& settings, int pass, int passes, uint64_t meanError);

}  // namespace qeltexture
