// Final packing: every block's chosen candidate becomes a block word; each pixel's
// modulation is chosen against the colours the decoder will blend there, and the error of
// every block is accounted as the decoder will reproduce it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "Codecs/QELTC/QELTCBlockData.h"
#include "Codecs/QELTC/QELTCBlockOrder.h"
#include "Codecs/QELTC/amtc/AMTCInternal.h"
#include "Codecs/QELTC/amtc/AMTCThreads.h"

namespace qeltexture {

namespace {
const uint8_t kStandardWeights[4] = {0, 3, 5, 8};

uint32_t wrap(int64_t v, uint32_t n) { return uint32_t(((v % int64_t(n)) + int64_t(n)) % int64_t(n)); }

// Colour word of a candidate, before the modulation word is known.
uint32_t colourWord(const AMTCSettings& s, const AMTCCandidate& c, const AMTCBlockState& st) {
    if (!s.isQELTCII) {
        QELTCBlockData w{};
        w.setColourA(c.colourA);
        w.setColourB(c.colourB);
        return w.colourWord() | st.modeFlag;
    }
    QELTCIIBlockData w{};
    w.setColours(c.colourA, c.colourB);
    return (w.colourWord() & ~0x8001u) | st.modeFlag | (uint32_t(st.hard) << 15);
}

// Modulation word of block (bx, by) from the per-pixel choices of its region; 4 bpp errors of
// the block's pixels are added to error (exact: each pixel decodes to its chosen option).
uint32_t PackLocalBlock(const AMTCSettings& s, const AMTCRegion& r, const AMTCBlockState& st,
                        const AMTCPixelChoice* choices, uint64_t* error) {
    if (s.bpp != 2 && s.bpp != 4) {
        printf("Exiting! 1BPP mode not yet implemented (PackLocalBlock)\n");
        abort();
    }
    const int bw = int(s.blockWidth);
    uint32_t mod = 0;
    for (int ly = 0; ly < 4; ++ly)
        for (int lx = 0; lx < bw; ++lx) {
            const int i = (ly + 2) * r.width + lx + bw / 2;
            const AMTCPixelChoice& c = choices[i];
            if (s.bpp == 4) {
                mod |= uint32_t(c.value & 3) << (2 * (4 * ly + lx));
                const AMTCRegionPixel& p = r.px[i];
                *error += amtc_pixel_error(p.src, p.alphaFactor, c.decoded[0], c.decoded[1], c.decoded[2], c.decoded[3]);
            } else if (st.sub == 0) {
                if (c.value) mod |= 1u << (8 * ly + lx);
            } else if (((lx + ly) & 1) == 0) {
                mod |= uint32_t(c.value & 3) << (2 * (4 * ly + lx / 2));
            }
        }
    if (s.bpp == 2 && st.sub != 0) {
        mod = (mod & ~1u) | (st.sub >= 2 ? 1u : 0u);
        if (st.sub >= 2) mod = (mod & ~(1u << 20)) | (st.sub == 3 ? 1u << 20 : 0u);
    }
    return mod;
}

// 2 bpp accounting: the decoder's weight plane from the written samples (across blocks and
// the image edges), then every pixel decoded from the block states.
void account2bpp(const AMTCContext& ctx, const AMTCBlockState* states, const uint8_t* samples, uint64_t* errors,
                 uint32_t firstRow, uint32_t endRow) {
    const AMTCSettings& s = ctx.settings;
    const AMTCImage& img = *ctx.image;
    const uint32_t W = img.width, H = img.height;
    if (s.bpp != 2) {
        printf("EXITING! 1BPP UnpackMods not yet implemented!\n");
        abort();
    }
    for (uint32_t y = firstRow * 4; y < endRow * 4; ++y)
        for (uint32_t x = 0; x < W; ++x) {
            const uint32_t bx = x / 8, by = y / 4;
            const AMTCBlockState& own = states[size_t(by) * s.blocksX + bx];
            unsigned w = samples[size_t(y) * W + x];
            if (own.sub != 0 && ((x + y) & 1)) {
                const unsigned l = samples[size_t(y) * W + (x == 0 ? W - 1 : x - 1)];
                const unsigned rr = samples[size_t(y) * W + (x + 1 == W ? 0 : x + 1)];
                const unsigned u = samples[size_t(y == 0 ? H - 1 : y - 1) * W + x];
                const unsigned d = samples[size_t(y + 1 == H ? 0 : y + 1) * W + x];
                w = own.sub == 1 ? (l + rr + u + d + 2) >> 2 : own.sub == 2 ? (l + rr + 1) >> 1 : (u + d + 1) >> 1;
            }
            const int64_t px = (int64_t(x) - 4 >= 0) ? (int64_t(x) - 4) / 8 : -1;
            const int64_t py = (int64_t(y) - 2 >= 0) ? (int64_t(y) - 2) / 4 : -1;
            const uint32_t P[2] = {wrap(px, s.blocksX), wrap(px + 1, s.blocksX)};
            const uint32_t Q[2] = {wrap(py, s.blocksY), wrap(py + 1, s.blocksY)};
            const int qx = int(int64_t(x) - 4 - px * 8), qy = int(int64_t(y) - 2 - py * 4);
            const AMTCBlockState* b[4] = {&states[size_t(Q[0]) * s.blocksX + P[0]], &states[size_t(Q[0]) * s.blocksX + P[1]],
                                          &states[size_t(Q[1]) * s.blocksX + P[0]], &states[size_t(Q[1]) * s.blocksX + P[1]]};
            const int wt[4] = {(4 - qy) * (8 - qx), (4 - qy) * qx, qy * (8 - qx), qy * qx};
            int dec[4];
            for (int c = 0; c < 4; ++c) {
                int A, B;
                if (b[0]->hard) {
                    A = own.a8[c], B = own.b8[c];
                } else {
                    int sa = 0, sb = 0;
                    for (int k = 0; k < 4; ++k) sa += wt[k] * b[k]->a5[c], sb += wt[k] * b[k]->b5[c];
                    A = amtc_to8(sa, c == 3, true), B = amtc_to8(sb, c == 3, true);
                }
                dec[c] = (A * 8 + (B - A) * int(w)) >> 3;
            }
            const uint32_t v = img.rows[y][x];
            const int src[4] = {int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF), int(v >> 24)};
            const int alphaFactor = (src[3] == 0 || src[3] == 255) ? 900 : 1;
            errors[size_t(by) * s.blocksX + bx] += amtc_pixel_error(src, alphaFactor, dec[0], dec[1], dec[2], dec[3]);
        }
}
}  // namespace

namespace {
struct PackJob {
    const AMTCContext* ctx;
    const AMTCBlockState* states;
    uint8_t* dst;
    bool linear;
    uint64_t* errors;
    uint8_t* samples;
    uint32_t first, end;  // block rows
    int stage;            // 0 pack, 1 2 bpp accounting
};

void packRows(const PackJob& job, AMTCRegion& region, AMTCPixelChoice* choices) {
    const AMTCContext& ctx = *job.ctx;
    const AMTCSettings& s = ctx.settings;
    const int bw = int(s.blockWidth);
    for (uint32_t by = job.first; by < job.end; ++by)
        for (uint32_t bx = 0; bx < s.blocksX; ++bx) {
            const size_t index = size_t(by) * s.blocksX + bx;
            amtc_build_region(s, *ctx.image, bx, by, &region);
            const AMTCBlockState* ptrs[9];
            for (int k = 0; k < 9; ++k) ptrs[k] = &job.states[size_t(region.blockY[k]) * s.blocksX + region.blockX[k]];
            amtc_evaluate(s, region, ptrs, choices);
            const AMTCBlock& b = amtc_block(ctx, bx, by);
            const AMTCBlockState& st = job.states[index];
            const uint32_t mod = PackLocalBlock(s, region, st, choices, &job.errors[index]);
            const uint32_t colour = colourWord(s, b.candidates[b.chosen], st);
            const uint32_t at = job.linear ? uint32_t(index) : QELTCBlockIndex(bx, by, s.blocksX, s.blocksY, 0);
            QELTCBlockWord word;
            word.setModulationWord(mod);
            word.setColourWord(colour);
            std::memcpy(job.dst + 8 * size_t(at), word.bytes, 8);
            if (s.bpp != 2) continue;
            // Sample plane as the decoder unpacks it: flagged samples repeat their high bit.
            for (int ly = 0; ly < 4; ++ly)
                for (int lx = 0; lx < bw; ++lx) {
                    const AMTCPixelChoice& c = choices[(ly + 2) * region.width + lx + bw / 2];
                    uint8_t w;
                    if (st.sub == 0)
                        w = c.value ? 8 : 0;
                    else
                        w = ((lx + ly) & 1) ? 0 : kStandardWeights[c.value & 3];
                    job.samples[size_t(by * 4 + ly) * ctx.image->width + bx * 8 + lx] = w;
                }
        }
}

void* RunPackThread(void* arg) {
    const PackJob& job = *static_cast<const PackJob*>(arg);
    if (job.stage == 1) {
        account2bpp(*job.ctx, job.states, job.samples, job.errors, job.first, job.end);
        return nullptr;
    }
    AMTCRegion* region = new (std::nothrow) AMTCRegion;
    AMTCPixelChoice* choices = new (std::nothrow) AMTCPixelChoice[kAMTCMaxRegionPixels];
    if (!region || !choices) amtc_worker_out_of_memory("Library/Source/Codecs/QELTC/amtc/AMTCPack.cpp", __LINE__);
    packRows(job, *region, choices);
    delete region;
    delete[] choices;
    return nullptr;
}
}  // namespace

// Blocks are independent once every block's candidate is final, so the packing is shared
// out by contiguous row ranges like the analysis; the words do not depend on the split.
bool amtc_pack_all(const AMTCContext& ctx, uint8_t* dst, bool linear, uint64_t* blockErrors, unsigned threads) {
    const AMTCSettings& s = ctx.settings;
    const size_t n = size_t(s.blocksX) * s.blocksY;
    std::unique_ptr<AMTCBlockState[]> states(new (std::nothrow) AMTCBlockState[n]);
    std::unique_ptr<uint64_t[]> errors(new (std::nothrow) uint64_t[n]);
    std::unique_ptr<uint8_t[]> samples;
    if (s.bpp == 2) samples.reset(new (std::nothrow) uint8_t[size_t(ctx.image->width) * ctx.image->height]);
    if (!states || !errors || (s.bpp == 2 && !samples)) return false;
    for (uint32_t by = 0; by < s.blocksY; ++by)
        for (uint32_t bx = 0; bx < s.blocksX; ++bx) {
            const AMTCBlock& b = amtc_block(ctx, bx, by);
            amtc_block_state(s, b.candidates[b.chosen], &states[size_t(by) * s.blocksX + bx]);
        }
    std::memset(errors.get(), 0, n * sizeof(uint64_t));
    if (threads < 1) threads = 1;
    if (threads > kAMTCMaxThreads) threads = kAMTCMaxThreads;
    PackJob jobs[kAMTCMaxThreads];
    for (int stage = 0; stage < (s.bpp == 2 ? 2 : 1); ++stage) {
        for (unsigned t = 0; t < threads; ++t)
            jobs[t] = PackJob{&ctx, states.get(), dst, linear, errors.get(), samples.get(),
                              uint32_t(uint64_t(s.blocksY) * t / threads), uint32_t(uint64_t(s.blocksY) * (t + 1) / threads),
                              stage};
        amtc_run_stage(RunPackThread, jobs, sizeof(PackJob), threads);
    }
    if (blockErrors) std::memcpy(blockErrors, errors.get(), n * sizeof(uint64_t));
    return true;
}

}  // namespace qeltexture
