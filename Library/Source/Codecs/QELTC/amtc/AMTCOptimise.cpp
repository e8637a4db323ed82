// Optimisation phase: per block, candidate pairs for every needed mode by repeated
// least-squares fitting against the decoded 3 x 3 neighbourhood, variations around the best,
// and the best few kept.
//
// Choices made here (the numerics of the search are this encoder's own):
// - Every candidate is scored exactly: the region's pixels are decoded as the decoder
//   decodes them, each at the best modulation its block offers, and the error is the encoder's
//   error measure. Only the 2 bpp interpolated pixels are estimated (from the neighbours'
//   chosen samples inside the region).
// - A fit refines the pair with the per-pixel weights of the last evaluation held fixed;
//   the refined pair, clamped to the region's oriented box and made representable, replaces
//   the current one only when its exact error is smaller, and the loop stops at the first
//   round that brings nothing (so the iteration count is an upper bound).
// - Variants are steps of max(8, 2 x edge-variation step) 8-bit levels (at least one 5-bit
//   level) along the pair's axis and along grey, and the swapped pair.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "Codecs/QELTC/amtc/AMTCFit.h"
#include "Codecs/QELTC/amtc/AMTCGeometry.h"
#include "Codecs/QELTC/amtc/AMTCInternal.h"

namespace qeltexture {

const int kAMTCPoolSize = 64;

struct AMTCSearchScratch {
    AMTCRegion region;
    AMTCBlockState neighbours[9];
    AMTCBlockState centre;
    const AMTCBlockState* states[9];
    AMTCPixelChoice choices[2][kAMTCMaxRegionPixels];
    AMTCCandidate pool[kAMTCPoolSize];
    AMTCCandidate sortScratch[kAMTCPoolSize];
    int poolSize;
};

void amtc_worker_out_of_memory(const char* file, int line) {
    printf("PANIC!: Out of mem at %s:%d\n", file, line);
    exit(1);
}

uint32_t amtc_row_visit(uint32_t i, uint32_t blocksX) {
    // 0, 2, 1, 4, 3, ... and, when blocksX is even, the last block last.
    if (i == 0) return 0;
    if ((blocksX & 1) == 0 && i == blocksX - 1) return blocksX - 1;
    return (i & 1) ? i + 1 : i - 1;
}

namespace {

uint32_t pack(const uint8_t c[4]) {
    return uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16 | uint32_t(c[3]) << 24;
}
void unpack(uint32_t v, float c[4]) {
    for (int k = 0; k < 4; ++k) c[k] = float((v >> (8 * k)) & 0xFF);
}

uint64_t evaluate(const AMTCSettings& s, AMTCSearchScratch& sc, const AMTCCandidate& c, AMTCPixelChoice* choices) {
    amtc_block_state(s, c, &sc.centre);
    return amtc_evaluate(s, sc.region, sc.states, choices);
}

AMTCCandidate represent(const AMTCSettings& s, uint32_t mode, const float A[4], const float B[4]) {
    uint8_t a[4], b[4];
    MapToRepresentableColours(s.isQELTCII, A, B, a, b);
    return AMTCCandidate{mode, pack(a), pack(b), UINT64_MAX, 0};
}

bool sameCandidate(const AMTCCandidate& a, const AMTCCandidate& b) {
    return a.mode == b.mode && a.colourA == b.colourA && a.colourB == b.colourB;
}

void addToPool(AMTCSearchScratch& sc, AMTCCandidate c) {
    for (int i = 0; i < sc.poolSize; ++i)
        if (sameCandidate(sc.pool[i], c)) return;
    if (sc.poolSize >= kAMTCPoolSize) return;
    c.key = uint64_t(sc.poolSize);
    sc.pool[sc.poolSize++] = c;
}

const AMTCCandidate& poolBest(const AMTCSearchScratch& sc) {
    int best = 0;
    for (int i = 1; i < sc.poolSize; ++i)
        if (CompareCandidates(&sc.pool[i], &sc.pool[best]) < 0) best = i;
    return sc.pool[best];
}

// Oriented box of the region's pixels on the block's principal axis (completed to an
// orthonormal basis), widened by a margin so that fits may extrapolate past the source
// colours, as the bilinear blend needs at edges.
void AnalyseGraphicsProperties(const AMTCRegion& r, const AMTCBlockStats& st, AMTCOrientedBBox* box) {
    float axes[4][4];
    float len = 0;
    for (int c = 0; c < 4; ++c) len += st.axis[c] * st.axis[c];
    for (int c = 0; c < 4; ++c) axes[0][c] = len > 1e-6f ? st.axis[c] / std::sqrt(len) : 0.5f;
    int rows = 1;
    for (int e = 0; e < 4 && rows < 4; ++e) {
        float v[4] = {0, 0, 0, 0};
        v[e] = 1;
        for (int k = 0; k < rows; ++k) {
            const float d = axes[k][0] * v[0] + axes[k][1] * v[1] + axes[k][2] * v[2] + axes[k][3] * v[3];
            for (int c = 0; c < 4; ++c) v[c] -= d * axes[k][c];
        }
        const float n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2] + v[3] * v[3]);
        if (n < 1e-3f) continue;
        for (int c = 0; c < 4; ++c) axes[rows][c] = v[c] / n;
        ++rows;
    }
    InitOrientedBBox(box, axes);
    for (int i = 0; i < r.count; ++i) {
        const float c[4] = {float(r.px[i].src[0]), float(r.px[i].src[1]), float(r.px[i].src[2]),
                            float(r.px[i].src[3])};
        AddFColourToOrientedBBox(box, c);
    }
    const float kMargin = 32.0f;
    for (int k = 0; k < 4; ++k) box->minimum[k] -= kMargin, box->maximum[k] += kMargin;
}

// Two-colour split of the block's own pixels: the means of the pixels either side of the
// mid-point of their projections on the principal axis. Seeds the hard-transition modes.
bool SynthCandsAndBestFitPixel(const AMTCRegion& r, const AMTCBlockStats& st, float A[4], float B[4]) {
    float tmin = 1e30f, tmax = -1e30f;
    for (int i = 0; i < r.count; ++i) {
        if (!r.px[i].inCentre) continue;
        float t = 0;
        for (int c = 0; c < 4; ++c) t += float(r.px[i].src[c]) * st.axis[c];
        tmin = std::fmin(tmin, t), tmax = std::fmax(tmax, t);
    }
    const float mid = 0.5f * (tmin + tmax);
    float sa[4] = {0, 0, 0, 0}, sb[4] = {0, 0, 0, 0};
    int na = 0, nb = 0;
    for (int i = 0; i < r.count; ++i) {
        if (!r.px[i].inCentre) continue;
        float t = 0;
        for (int c = 0; c < 4; ++c) t += float(r.px[i].src[c]) * st.axis[c];
        float* acc = t <= mid ? sa : sb;
        (t <= mid ? na : nb)++;
        for (int c = 0; c < 4; ++c) acc[c] += float(r.px[i].src[c]);
    }
    if (na == 0 || nb == 0) return false;
    for (int c = 0; c < 4; ++c) A[c] = sa[c] / float(na), B[c] = sb[c] / float(nb);
    return true;
}

// Repeated fitting from start for one mode; the best pair reached goes into the pool.
void refine(const AMTCSettings& s, AMTCSearchScratch& sc, const AMTCOrientedBBox& box, AMTCCandidate cur) {
    AMTCPixelChoice* choices = sc.choices[0];
    AMTCPixelChoice* spare = sc.choices[1];
    cur.error = evaluate(s, sc, cur, choices);
    for (int it = 0; it < s.iterations; ++it) {
        float curA[4], curB[4], A[4], B[4];
        unpack(cur.colourA, curA), unpack(cur.colourB, curB);
        amtc_block_state(s, cur, &sc.centre);
        if (s.earlyPass)
            FitOnlyCentralRepPairsToWeights(s, sc.region, sc.states, choices, curA, curB, A, B);
        else
            Fit3x3RepPairsToWeights(s, sc.region, sc.states, choices, curA, curB, A, B);
        ClampToOrientedBBox(&box, A);
        ClampToOrientedBBox(&box, B);
        AMTCCandidate next = represent(s, cur.mode, A, B);
        if (sameCandidate(next, cur)) break;
        next.error = evaluate(s, sc, next, spare);
        if (next.error >= cur.error) break;
        cur = next;
        AMTCPixelChoice* t = choices;
        choices = spare, spare = t;
    }
    addToPool(sc, cur);
}

void addVariants(const AMTCSettings& s, AMTCSearchScratch& sc) {
    if (s.numVariants <= 0 || sc.poolSize == 0) return;
    const AMTCCandidate best = poolBest(sc);
    float A[4], B[4], n[4];
    unpack(best.colourA, A), unpack(best.colourB, B);
    float len = 0;
    for (int c = 0; c < 4; ++c) n[c] = B[c] - A[c], len += n[c] * n[c];
    len = std::sqrt(len);
    for (int c = 0; c < 4; ++c) n[c] = len >= 1.0f ? n[c] / len : (c < 3 ? 0.57735f : 0.0f);
    const float grey[4] = {0.57735f, 0.57735f, 0.57735f, 0.0f};
    // Never below one 5-bit level: finer variations mostly map back onto the same pair and,
    // where they do not, lead the search into poorer optima (measured).
    const float step = std::fmax(8.0f, 2.0f * float(s.edgeStep));
    // (direction, factor on A, factor on B) in units of step; no direction: swap the pair.
    struct Variant {
        const float* dir;
        float fa, fb;
    };
    const Variant kVariants[13] = {{n, -1, 1},        {n, 1, -1},    {n, 1, 1},   {n, -1, -1}, {grey, 1, 0},
                                   {grey, -1, 0},     {grey, 0, 1},  {grey, 0, -1}, {nullptr, 0, 0},
                                   {n, -0.5f, 0.5f},  {n, 0.5f, -0.5f}, {n, -1, 0}, {n, 0, 1}};
    const int count = s.numVariants < 13 ? s.numVariants : 13;
    for (int v = 0; v < count; ++v) {
        float va[4], vb[4];
        for (int c = 0; c < 4; ++c) {
            if (!kVariants[v].dir) {
                va[c] = B[c], vb[c] = A[c];
                continue;
            }
            va[c] = A[c] + kVariants[v].fa * step * kVariants[v].dir[c];
            vb[c] = B[c] + kVariants[v].fb * step * kVariants[v].dir[c];
        }
        AMTCCandidate c = represent(s, best.mode, va, vb);
        c.error = evaluate(s, sc, c, nullptr);
        addToPool(sc, c);
    }
}

// A pair one of whose colours hardly any of the block's own pixels use is moved by the
// block's mean residual, the unused colour placed next to the used one.
void adjustUnderused(const AMTCSettings& s, AMTCSearchScratch& sc) {
    const AMTCCandidate best = poolBest(sc);
    AMTCPixelChoice* choices = sc.choices[0];
    evaluate(s, sc, best, choices);
    int nearA = 0, nearB = 0, n = 0;
    float offset[4] = {0, 0, 0, 0};
    for (int i = 0; i < sc.region.count; ++i) {
        if (!sc.region.px[i].inCentre || choices[i].kind == eAMTCPalette) continue;
        ++n;
        if (choices[i].weight <= 3) ++nearA;
        if (choices[i].weight >= 5) ++nearB;
        for (int c = 0; c < 4; ++c) offset[c] += float(sc.region.px[i].src[c] - choices[i].decoded[c]);
    }
    if (n == 0 || (nearA > 1 && nearB > 1)) return;
    for (int c = 0; c < 4; ++c) offset[c] /= float(n);
    uint32_t first, second;
    float A[4], B[4];
    if (nearB <= 1) {
        AdjustUnderusedCandidates(best.colourA, best.colourB, offset, &first, &second);
        unpack(first, A), unpack(second, B);
    } else {
        AdjustUnderusedCandidates(best.colourB, best.colourA, offset, &first, &second);
        unpack(second, A), unpack(first, B);
    }
    AMTCCandidate c = represent(s, best.mode, A, B);
    c.error = evaluate(s, sc, c, nullptr);
    addToPool(sc, c);
}

void writeBack(const AMTCSettings& s, AMTCSearchScratch& sc, AMTCBlock& block) {
    qelmergesort(sc.pool, size_t(sc.poolSize), sc.sortScratch);
    int keep = s.numCandidates < kAMTCMaxCandidates ? s.numCandidates : kAMTCMaxCandidates;
    if (keep < 1) keep = 1;
    block.numCandidates = 0;
    for (int i = 0; i < sc.poolSize && block.numCandidates < keep; ++i) {
        block.candidates[block.numCandidates] = sc.pool[i];
        block.candidates[block.numCandidates].key = uint64_t(block.numCandidates);
        ++block.numCandidates;
    }
    block.chosen = 0;
}

bool modeAllowed(uint32_t mode, const uint32_t* modes, int n) {
    for (int i = 0; i < n; ++i)
        if (modes[i] == mode) return true;
    return false;
}

}  // namespace

void amtc_optimise_block(AMTCContext& ctx, uint32_t bx, uint32_t by, AMTCSearchScratch* scp) {
    const AMTCSettings& s = ctx.settings;
    if (s.bpp != 2 && s.bpp != 4) {
        printf("Exiting! 1bpp not yet implemented (OptimiseRegion)\n");
        abort();
    }
    AMTCSearchScratch& sc = *scp;
    amtc_build_region(s, *ctx.image, bx, by, &sc.region);
    amtc_load_neighbours(ctx, sc.region, sc.neighbours);
    for (int k = 0; k < 9; ++k) sc.states[k] = sc.region.slotIsCentre[k] ? &sc.centre : &sc.neighbours[k];
    AMTCBlock& block = amtc_block(ctx, bx, by);

    uint32_t modes[8];
    const int numModes = ConstructListOfNeededModes(s, s.hardModes, modes);
    sc.poolSize = 0;
    for (int i = 0; i < block.numCandidates; ++i) {
        AMTCCandidate c = block.candidates[i];
        if (!modeAllowed(c.mode, modes, numModes)) continue;
        c.error = evaluate(s, sc, c, nullptr);
        addToPool(sc, c);
    }
    if (sc.poolSize == 0) {
        AMTCCandidate c = represent(s, modes[0], block.stats.guessA, block.stats.guessB);
        c.error = evaluate(s, sc, c, nullptr);
        addToPool(sc, c);
    }
    // Good enough already: keep the list as it is, re-scored.
    if (poolBest(sc).error <= s.candidateThreshold) {
        writeBack(s, sc, block);
        return;
    }

    AMTCOrientedBBox box;
    AnalyseGraphicsProperties(sc.region, block.stats, &box);
    for (int m = 0; m < numModes; ++m) {
        const uint32_t mode = modes[m];
        // Punch-through only pays where the block has transparent pixels.
        if (s.bpp == 4 && (mode & 1) == 1 && (mode & 2) == 0 && !block.stats.hasPunchable) continue;
        int from = -1;
        for (int i = 0; i < sc.poolSize; ++i)
            if (sc.pool[i].mode == mode && (from < 0 || CompareCandidates(&sc.pool[i], &sc.pool[from]) < 0)) from = i;
        AMTCCandidate start = from >= 0 ? sc.pool[from] : poolBest(sc);
        start.mode = mode;
        refine(s, sc, box, start);
        const bool hard = s.bpp == 2 ? mode >= 12 : mode >= 2;
        float A[4], B[4];
        if (hard && s.neighbourSeeds && SynthCandsAndBestFitPixel(sc.region, block.stats, A, B))
            refine(s, sc, box, represent(s, mode, A, B));
    }
    addVariants(s, sc);
    adjustUnderused(s, sc);
    writeBack(s, sc, block);
}

void* RunAnOptimisePhaseThread(void* arg) {
    AMTCWorker& w = *static_cast<AMTCWorker*>(arg);
    AMTCSearchScratch* scratch = new (std::nothrow) AMTCSearchScratch;
    if (!scratch) amtc_worker_out_of_memory("Library/Source/Codecs/QELTC/amtc/AMTCOptimise.cpp", __LINE__);
    const uint32_t blocksX = w.ctx->settings.blocksX;
    for (uint32_t by = w.first; by < w.end; by += w.step)
        for (uint32_t i = 0; i < blocksX; ++i) amtc_optimise_block(*w.ctx, amtc_row_visit(i, blocksX), by, scratch);
    delete scratch;
    return nullptr;
}

}  // namespace qeltexture
