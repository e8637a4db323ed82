// Driver of the search: set-up and allocation, the analysis stages, the passes with their
// even and odd row phases, and the final packing.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "Codecs/QELTC/amtc/AMTC.h"
#include "Codecs/QELTC/amtc/AMTCInternal.h"
#include "Codecs/QELTC/amtc/AMTCQuality.h"
#include "Codecs/QELTC/amtc/AMTCThreads.h"

namespace qeltexture {

namespace {
const char* const kSourceName = "Library/Source/Codecs/QELTC/amtc/AMTCSearch.cpp";

struct Allocation {
    AMTCBlock** rows = nullptr;
    uint32_t rowCount = 0;
    float* work = nullptr;
    ~Allocation() {
        for (uint32_t i = 0; i < rowCount; ++i) delete[] rows[i];
        delete[] rows;
        delete[] work;
    }
};

bool allocate(const AMTCSettings& s, Allocation& a) {
    a.rows = new (std::nothrow) AMTCBlock*[s.blocksY];
    if (!a.rows) return false;
    for (uint32_t r = 0; r < s.blocksY; ++r) {
        a.rows[r] = new (std::nothrow) AMTCBlock[s.blocksX];
        if (!a.rows[r]) {
            fprintf(stderr, "%s:%s failed malloc @ %s:%d\n", "Panic", "blockRows[row]", kSourceName, __LINE__);
            fprintf(stderr, "At row:%d\n", int(r));
            return false;
        }
        a.rowCount = r + 1;
    }
    a.work = new (std::nothrow) float[8 * size_t(s.blocksX) * s.blocksY];
    return a.work != nullptr;
}

// Contiguous shares of the block rows: worker t of T takes rows floor(t * blocksY / T) up to
// floor((t + 1) * blocksY / T) - 1.
void runAnalysisRound(AMTCContext& ctx, unsigned threads, int round) {
    AMTCWorker workers[kAMTCMaxThreads];
    const uint64_t rows = ctx.settings.blocksY;
    for (unsigned t = 0; t < threads; ++t)
        workers[t] = AMTCWorker{&ctx, uint32_t(rows * t / threads), uint32_t(rows * (t + 1) / threads), 1, round};
    amtc_run_stage(RunAGenerateStatsSetThread, workers, sizeof(AMTCWorker), threads);
}

// Rows of one parity; with half = floor(blocksY / 2), worker t takes the rows r = parity + 2k
// with 2 floor(half t / T) <= r - parity < 2 floor(half (t + 1) / T) (the last: r < blocksY).
// With an odd number of rows the last row is even and wraps onto row 0, so it is left out here
// and optimised on its own after the odd phase.
void runOptimisePhase(AMTCContext& ctx, unsigned threads, uint32_t parity) {
    const uint32_t blocksY = ctx.settings.blocksY;
    const uint64_t half = blocksY / 2;
    const bool deferLast = blocksY > 1 && (blocksY & 1);
    AMTCWorker workers[kAMTCMaxThreads];
    for (unsigned t = 0; t < threads; ++t) {
        uint32_t first = parity + uint32_t(2 * (half * t / threads));
        uint32_t end = t + 1 == threads ? blocksY : parity + uint32_t(2 * (half * (t + 1) / threads));
        if (deferLast && parity == 0 && end > blocksY - 1) end = blocksY - 1;
        workers[t] = AMTCWorker{&ctx, first, end, 2, 0};
    }
    amtc_run_stage(RunAnOptimisePhaseThread, workers, sizeof(AMTCWorker), threads);
}

uint64_t meanChosenError(const AMTCContext& ctx) {
    const AMTCSettings& s = ctx.settings;
    uint64_t sum = 0;
    for (uint32_t by = 0; by < s.blocksY; ++by)
        for (uint32_t bx = 0; bx < s.blocksX; ++bx) {
            const AMTCBlock& b = amtc_block(ctx, bx, by);
            sum += b.candidates[b.chosen].error;
        }
    const uint64_t n = uint64_t(s.blocksX) * s.blocksY;
    return (sum + n / 2) / n;
}

void setProgress(QELTCProgress* progress, uint32_t done, uint32_t total) {
    if (!progress) return;
    pthread_mutex_lock(&progress->lock);
    progress->blocksDone = done;
    progress->blocksTotal = total;
    pthread_mutex_unlock(&progress->lock);
}
}  // namespace

int SearchForImageRepresentatives(const AMTCImage* image, int channels, int bpp, bool isQELTCII, void* dst,
                                  bool linear, int quality, int /*punchThrough*/, QELTCProgress* progress,
                                  const AMTCRunOptions& options) {
    if (!image || !dst || channels != 4 || (bpp != 2 && bpp != 4)) return 0;
    std::unique_ptr<AMTCContext> ctx(new (std::nothrow) AMTCContext());
    if (!ctx) return 0;
    AMTCSettings& s = ctx->settings;
    s.channels = channels;
    s.bpp = bpp;
    s.blockWidth = bpp == 2 ? 8 : 4;
    s.blockHeight = 4;
    s.quality = quality < 0 ? 0 : quality > kAMTCMaxQuality ? kAMTCMaxQuality : quality;
    s.isQELTCII = isQELTCII;
    s.blocksX = image->width / s.blockWidth;
    s.blocksY = image->height / s.blockHeight;
    if (s.blocksX == 0 || s.blocksY == 0) return 0;
    ctx->image = image;

    Allocation alloc;
    if (!allocate(s, alloc)) return 0;
    ctx->rows = alloc.rows;
    ctx->work = alloc.work;
    amtc_build_filters(*ctx);

    const unsigned threads = amtc_thread_count(s.blocksY, options.threads);
    const int passes = amtc_number_of_passes(s.quality, isQELTCII);
    const uint32_t total = uint32_t(passes) + 1;
    setProgress(progress, 0, total);

    runAnalysisRound(*ctx, threads, 1);
    runAnalysisRound(*ctx, threads, 2);
    CreateColourSwappingRecommendations(*ctx);
    amtc_init_candidates(*ctx);

    uint64_t meanError = 0;
    for (int p = 0; p < passes; ++p) {
        amtc_set_pass_parameters(s, p, passes, meanError);
        runOptimisePhase(*ctx, threads, 0);
        runOptimisePhase(*ctx, threads, 1);
        if (s.blocksY > 1 && (s.blocksY & 1)) {
            AMTCWorker last{ctx.get(), s.blocksY - 1, s.blocksY, 1, 0};
            RunAnOptimisePhaseThread(&last);
        }
        meanError = meanChosenError(*ctx);
        setProgress(progress, uint32_t(p) + 1, total);
    }
    const bool ok = amtc_pack_all(*ctx, static_cast<uint8_t*>(dst), linear, options.blockErrors, threads);
    setProgress(progress, total, total);
    return ok ? 1 : 0;
}

}  // namespace qeltexture
