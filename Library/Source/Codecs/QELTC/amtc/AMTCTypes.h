#pragma once
// Plain structures shared by the stages of the multi-pass QELTC / QELTCII encoder.
#include <cstdint>

namespace qeltexture {

// Working image: one row pointer per row to 32-bit pixels, red in the low byte.
struct AMTCImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t** rows = nullptr;
    uint32_t* pixels = nullptr;
};

// One candidate representative: a mode, two representable colours (8-bit RGBA, red in the
// low byte) and its error against the source with the neighbours as they stood when it was
// last evaluated.
// Modes, 4 bpp: 0 standard, 1 punch-through, 2 hard transition, 3 hard transition with the
// local palette. 2 bpp: 8 + 4 * hard + sub-mode (0 direct, 1 four-neighbour, 2 horizontal-only,
// 3 vertical-only).
struct AMTCCandidate {
    uint32_t mode;
    uint32_t colourA;
    uint32_t colourB;
    uint64_t error;
    uint64_t key;  // second sort key: equal errors keep the order of this value
};

const int kAMTCMaxCandidates = 8;

// Results of the analysis pass for one block.
struct AMTCBlockStats {
    float mean[4];
    float axis[4];    // principal axis of the block's neighbourhood, unit length
    float guessA[4];  // initial pair: A the darker end
    float guessB[4];
    uint8_t hasTranslucent;  // some pixel of the block has alpha below 255
    uint8_t hasPunchable;    // some pixel of the block has alpha 0
};

struct AMTCBlock {
    AMTCCandidate candidates[kAMTCMaxCandidates];
    int numCandidates;
    int chosen;
    AMTCBlockStats stats;
};

// Settings shared by every stage; the per-pass part is rewritten between passes.
struct AMTCSettings {
    int channels = 4;
    int bpp = 4;
    uint32_t blockWidth = 4;
    uint32_t blockHeight = 4;
    int quality = 0;
    bool isQELTCII = false;
    uint32_t blocksX = 0;
    uint32_t blocksY = 0;
    // Per pass.
    int iterations = 1;
    int numCandidates = 1;
    int numVariants = 0;
    uint64_t candidateThreshold = 0;
    int edgeStep = 4;
    bool hardModes = false;        // QELTCII from pass 4 on: hard-transition modes are tried
    bool neighbourSeeds = false;   // hard modes also start from the neighbours' colours
    bool earlyPass = false;        // fits see only the block's own pixels
};

}  // namespace qeltexture
