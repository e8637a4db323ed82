#include "Codecs/QELTC/amtc/AMTCQuality.h"

#include <cmath>

namespace qeltexture {

namespace {
const AMTCQualityRow kRows[kAMTCMaxQuality + 1] = {
    {2, 2, 4, 1, 4, 2, 0.5, 4},      {4, 5, 8, 1, 7, 2, 0.4, 4},     {6, 6, 16, 2, 10, 1, 0.3, 4},
    {8, 8, 16, 3, 13, 1, 0.2, 4},    {16, 16, 20, 3, 13, 0, 0.001, 2}, {32, 32, 22, 4, 13, 0, 0.0005, 1},
    {128, 128, 32, 4, 13, 0, 0.0, 1},
};
}  // namespace

const AMTCQualityRow& amtc_quality_row(int quality) {
    if (quality < 0) quality = 0;
    return kRows[quality > kAMTCMaxQuality ? kAMTCMaxQuality : quality];
}

int amtc_number_of_passes(int quality, bool isQELTCII) {
    const AMTCQualityRow& row = amtc_quality_row(quality);
    return isQELTCII ? row.passesQELTCII : row.passesQELTC;
}

void amtc_set_pass_parameters(AMTCSettings& s, int pass, int passes, uint64_t meanError) {
    const AMTCQualityRow& row = amtc_quality_row(s.quality);
    s.edgeStep = row.edgeStep;
    if (pass == 0) {
        s.iterations = 1;
        s.numCandidates = 4;
        s.numVariants = 8;
        s.candidateThreshold = 0;
        s.hardModes = false;
        s.neighbourSeeds = false;
        s.earlyPass = true;
        return;
    }
    s.iterations = row.iterations;
    s.numCandidates = row.candidates;
    const int variants = row.initialVariants - row.variantsDroppedPerPass * (pass - 1);
    s.numVariants = variants > 0 ? variants : 0;
    s.candidateThreshold = uint64_t(std::llround(double(meanError) * row.thresholdFactor));
    s.hardModes = s.isQELTCII && pass > 3;
    s.neighbourSeeds = s.hardModes && pass < passes - 1 && s.blocksX > 1 && s.blocksY > 1;
    s.earlyPass = passes >= 8 ? pass < 4 : pass < passes / 2;
}

}  // namespace qeltexture
