#pragma once
// State shared by the stages of one SearchForImageRepresentatives call, and the stage
// functions that the driver runs on worker threads.
#include <cstdint>

#include "Codecs/QELTC/amtc/AMTCPixelModel.h"
#include "Codecs/QELTC/amtc/AMTCTypes.h"

namespace qeltexture {

const int kAMTCMaxFilterSize = 9 * 17;  // (2 x 4 + 1) x (2 x 8 + 1)

struct AMTCContext {
    AMTCSettings settings;
    const AMTCImage* image;
    AMTCBlock** rows;  // blocksY rows of blocksX records
    float* work;       // per block: the second analysis round's pair (8 floats)
    float filterLinear[kAMTCMaxFilterSize];
    float filterPosition[kAMTCMaxFilterSize];
    int filterWidth, filterHeight;
};

inline AMTCBlock& amtc_block(const AMTCContext& ctx, uint32_t bx, uint32_t by) { return ctx.rows[by][bx]; }

// Work of one worker in a stage: block rows first, first + step, ... below end.
struct AMTCWorker {
    AMTCContext* ctx;
    uint32_t first, end, step;
    int round;  // analysis round (1 or 2)
};

// Builds the (2 bh + 1) x (2 bw + 1) down-filter tables of the context.
void amtc_build_filters(AMTCContext& ctx);

// Modes a block may take: at 4 bpp 0, 1 (+ 2, 3 with hard modes); at 2 bpp 8..11 (+ 12..15).
int ConstructListOfNeededModes(const AMTCSettings& s, bool withHardModes, uint32_t modes[8]);

// Analysis: statistics and initial pair of every block of the worker's rows (two rounds).
void* RunAGenerateStatsSetThread(void* worker);
void SetupInitialGuesses(AMTCContext& ctx, uint32_t bx, uint32_t by, int round);
// Whole image, single-threaded and order independent: flips pairs whose A and B face the
// other way round from most of their neighbours.
void CreateColourSwappingRecommendations(AMTCContext& ctx);
// Fills every block's candidate list from its initial pair.
void amtc_init_candidates(AMTCContext& ctx);

// Optimisation of the worker's rows, blocks in the order 0, 2, 1, 4, 3, ...
void* RunAnOptimisePhaseThread(void* worker);
void amtc_optimise_block(AMTCContext& ctx, uint32_t bx, uint32_t by, struct AMTCSearchScratch* scratch);
// Visiting order within a row.
uint32_t amtc_row_visit(uint32_t i, uint32_t blocksX);

// Final packing of all blocks into dst on the given number of threads; blockErrors (optional,
// blocksX x blocksY, row-major) receives each block's error as the encoder accounts it.
bool amtc_pack_all(const AMTCContext& ctx, uint8_t* dst, bool linear, uint64_t* blockErrors, unsigned threads);

// The neighbour states of block (bx, by) from the chosen candidates.
void amtc_load_neighbours(const AMTCContext& ctx, const AMTCRegion& region, AMTCBlockState states[9]);

// Prints the worker out-of-memory message and ends the process.
[[noreturn]] void amtc_worker_out_of_memory(const char* file, int line);

}  // namespace qeltexture
