// Analysis pass: per-block statistics and initial colour pairs, colour-swapping
// recommendations, and the candidate lists the optimisation starts from.
#include <cmath>
#include <cstring>

#include "Codecs/QELTC/amtc/AMTCFit.h"
#include "Codecs/QELTC/amtc/AMTCGeometry.h"
#include "Codecs/QELTC/amtc/AMTCInternal.h"

namespace qeltexture {

namespace {
const float kKernel4[9] = {0, 8, 26, 58, 127, 58, 26, 8, 0};
const float kKernel8[17] = {0, 3, 8, 15, 26, 39, 58, 85, 127, 85, 58, 39, 26, 15, 8, 3, 0};

uint32_t wrap(int64_t v, uint32_t n) { return uint32_t(((v % int64_t(n)) + int64_t(n)) % int64_t(n)); }

float luminance(const float c[4]) { return (30.0f * c[0] + 59.0f * c[1] + 11.0f * c[2]) / 100.0f; }

uint32_t packColour(const uint8_t c[4]) {
    return uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16 | uint32_t(c[3]) << 24;
}

AMTCCandidate makeCandidate(const AMTCSettings& s, uint32_t mode, const float A[4], const float B[4]) {
    uint8_t a[4], b[4];
    MapToRepresentableColours(s.isQELTCII, A, B, a, b);
    return AMTCCandidate{mode, packColour(a), packColour(b), UINT64_MAX, 0};
}

uint32_t defaultMode(const AMTCSettings& s) { return s.bpp == 2 ? 9u : 0u; }

// Round one: weighted mean and principal axis of the block's neighbourhood (down-filter
// weights), and the extreme projections of the block's own pixels on that axis.
void firstRound(AMTCContext& ctx, uint32_t bx, uint32_t by) {
    const AMTCSettings& s = ctx.settings;
    const AMTCImage& img = *ctx.image;
    AMTCBlockStats& st = amtc_block(ctx, bx, by).stats;
    const int bw = int(s.blockWidth), bh = int(s.blockHeight);
    const int64_t x0 = int64_t(bx) * bw + bw / 2 - bw, y0 = int64_t(by) * bh + bh / 2 - bh;
    double sum = 0, mean[4] = {0, 0, 0, 0}, cov[4][4] = {{0}};
    for (int j = 0; j < ctx.filterHeight; ++j) {
        const uint32_t* row = img.rows[wrap(y0 + j, img.height)];
        for (int i = 0; i < ctx.filterWidth; ++i) {
            const double w = ctx.filterLinear[j * ctx.filterWidth + i];
            if (w == 0) continue;
            const uint32_t v = row[wrap(x0 + i, img.width)];
            sum += w;
            for (int c = 0; c < 4; ++c) mean[c] += w * double((v >> (8 * c)) & 0xFF);
        }
    }
    for (int c = 0; c < 4; ++c) mean[c] /= sum;
    for (int j = 0; j < ctx.filterHeight; ++j) {
        const uint32_t* row = img.rows[wrap(y0 + j, img.height)];
        for (int i = 0; i < ctx.filterWidth; ++i) {
            const double w = ctx.filterLinear[j * ctx.filterWidth + i];
            if (w == 0) continue;
            const uint32_t v = row[wrap(x0 + i, img.width)];
            double d[4];
            for (int c = 0; c < 4; ++c) d[c] = double((v >> (8 * c)) & 0xFF) - mean[c];
            for (int a = 0; a < 4; ++a)
                for (int b = 0; b < 4; ++b) cov[a][b] += w * d[a] * d[b];
        }
    }
    // Principal axis by power iteration from the grey diagonal.
    double axis[4] = {0.5, 0.5, 0.5, 0.5};
    for (int it = 0; it < 8; ++it) {
        double n[4] = {0, 0, 0, 0}, len = 0;
        for (int a = 0; a < 4; ++a) {
            for (int b = 0; b < 4; ++b) n[a] += cov[a][b] * axis[b];
            len += n[a] * n[a];
        }
        if (len < 1e-12) break;
        len = std::sqrt(len);
        for (int a = 0; a < 4; ++a) axis[a] = n[a] / len;
    }
    float tmin = 0, tmax = 0;
    st.hasTranslucent = st.hasPunchable = 0;
    const int64_t ox = int64_t(bx) * bw, oy = int64_t(by) * bh;
    for (int j = 0; j < bh; ++j)
        for (int i = 0; i < bw; ++i) {
            const uint32_t v = img.rows[wrap(oy + j, img.height)][wrap(ox + i, img.width)];
            float t = 0;
            for (int c = 0; c < 4; ++c) t += float((double((v >> (8 * c)) & 0xFF) - mean[c]) * axis[c]);
            if (t < tmin) tmin = t;
            if (t > tmax) tmax = t;
            if ((v >> 24) != 255) st.hasTranslucent = 1;
            if ((v >> 24) == 0) st.hasPunchable = 1;
        }
    for (int c = 0; c < 4; ++c) {
        st.mean[c] = float(mean[c]);
        st.axis[c] = float(axis[c]);
        st.guessA[c] = std::fmin(255.0f, std::fmax(0.0f, float(mean[c] + tmin * axis[c])));
        st.guessB[c] = std::fmin(255.0f, std::fmax(0.0f, float(mean[c] + tmax * axis[c])));
    }
    if (luminance(st.guessB) < luminance(st.guessA))
        for (int c = 0; c < 4; ++c) std::swap(st.guessA[c], st.guessB[c]);
}

// Round two: with every block at its round-one pair, the least-squares pair of this block
// under the decoder's blending (so that neighbours' contributions are accounted for).
void secondRound(AMTCContext& ctx, uint32_t bx, uint32_t by) {
    const AMTCSettings& s = ctx.settings;
    AMTCRegion region;
    amtc_build_region(s, *ctx.image, bx, by, &region);
    AMTCBlockState states[9];
    const AMTCBlockState* ptrs[9];
    for (int k = 0; k < 9; ++k) {
        const AMTCBlockStats& n = amtc_block(ctx, region.blockX[k], region.blockY[k]).stats;
        amtc_block_state(s, makeCandidate(s, defaultMode(s), n.guessA, n.guessB), &states[k]);
        ptrs[k] = &states[k];
    }
    AMTCPixelChoice choices[kAMTCMaxRegionPixels];
    amtc_evaluate(s, region, ptrs, choices);
    const AMTCBlockStats& st = amtc_block(ctx, bx, by).stats;
    float A[4], B[4];
    Fit3x3RepPairsToWeights(s, region, ptrs, choices, st.guessA, st.guessB, A, B);
    float* out = ctx.work + 8 * (size_t(by) * s.blocksX + bx);
    for (int c = 0; c < 4; ++c) {
        out[c] = std::fmin(255.0f, std::fmax(0.0f, A[c]));
        out[4 + c] = std::fmin(255.0f, std::fmax(0.0f, B[c]));
    }
}
}  // namespace

void amtc_build_filters(AMTCContext& ctx) {
    const AMTCSettings& s = ctx.settings;
    const float* kx = s.blockWidth == 8 ? kKernel8 : kKernel4;
    const float* ky = kKernel4;  // block height is always 4
    ctx.filterWidth = int(2 * s.blockWidth + 1);
    ctx.filterHeight = int(2 * s.blockHeight + 1);
    float sx = 0, sy = 0;
    for (int i = 0; i < ctx.filterWidth; ++i) sx += kx[i];
    for (int j = 0; j < ctx.filterHeight; ++j) sy += ky[j];
    for (int j = 0; j < ctx.filterHeight; ++j)
        for (int i = 0; i < ctx.filterWidth; ++i)
            ctx.filterLinear[j * ctx.filterWidth + i] = ctx.filterPosition[j * ctx.filterWidth + i] =
                kx[i] * ky[j] / (sx * sy);
}

int ConstructListOfNeededModes(const AMTCSettings& s, bool withHardModes, uint32_t modes[8]) {
    const bool hard = withHardModes && s.isQELTCII;
    int n = 0;
    if (s.bpp == 2) {
        // Four-neighbour first: it is the usual winner, and earlier modes keep ties.
        const uint32_t order[4] = {9, 8, 10, 11};
        for (uint32_t m : order) modes[n++] = m;
        if (hard)
            for (uint32_t m : order) modes[n++] = m + 4;
    } else {
        modes[n++] = 0;
        modes[n++] = 1;
        if (hard) modes[n++] = 2, modes[n++] = 3;
    }
    return n;
}

void SetupInitialGuesses(AMTCContext& ctx, uint32_t bx, uint32_t by, int round) {
    if (round == 1)
        firstRound(ctx, bx, by);
    else
        secondRound(ctx, bx, by);
}

void* RunAGenerateStatsSetThread(void* arg) {
    AMTCWorker& w = *static_cast<AMTCWorker*>(arg);
    for (uint32_t by = w.first; by < w.end; by += w.step)
        for (uint32_t bx = 0; bx < w.ctx->settings.blocksX; ++bx) SetupInitialGuesses(*w.ctx, bx, by, w.round);
    return nullptr;
}

void CreateColourSwappingRecommendations(AMTCContext& ctx) {
    const AMTCSettings& s = ctx.settings;
    // The pairs of the second round are read from the work array and the decisions written
    // to the statistics, so the result does not depend on the visiting order.
    for (uint32_t by = 0; by < s.blocksY; ++by)
        for (uint32_t bx = 0; bx < s.blocksX; ++bx) {
            const float* me = ctx.work + 8 * (size_t(by) * s.blocksX + bx);
            double keep = 0, flip = 0;
            const int dx[4] = {-1, 1, 0, 0}, dy[4] = {0, 0, -1, 1};
            for (int k = 0; k < 4; ++k) {
                const uint32_t nx = wrap(int64_t(bx) + dx[k], s.blocksX), ny = wrap(int64_t(by) + dy[k], s.blocksY);
                if (nx == bx && ny == by) continue;
                const float* o = ctx.work + 8 * (size_t(ny) * s.blocksX + nx);
                for (int c = 0; c < 4; ++c) {
                    const double aa = me[c] - o[c], bb = me[4 + c] - o[4 + c];
                    const double ab = me[c] - o[4 + c], ba = me[4 + c] - o[c];
                    keep += aa * aa + bb * bb;
                    flip += ab * ab + ba * ba;
                }
            }
            AMTCBlockStats& st = amtc_block(ctx, bx, by).stats;
            const bool doSwap = flip < keep;
            for (int c = 0; c < 4; ++c) {
                st.guessA[c] = doSwap ? me[4 + c] : me[c];
                st.guessB[c] = doSwap ? me[c] : me[4 + c];
            }
        }
}

void amtc_init_candidates(AMTCContext& ctx) {
    const AMTCSettings& s = ctx.settings;
    uint32_t modes[8];
    const int n = ConstructListOfNeededModes(s, false, modes);
    for (uint32_t by = 0; by < s.blocksY; ++by)
        for (uint32_t bx = 0; bx < s.blocksX; ++bx) {
            AMTCBlock& b = amtc_block(ctx, bx, by);
            b.numCandidates = 0;
            for (int i = 0; i < n; ++i) {
                AMTCCandidate c = makeCandidate(s, modes[i], b.stats.guessA, b.stats.guessB);
                c.key = uint64_t(i);
                b.candidates[b.numCandidates++] = c;
            }
            b.chosen = 0;
        }
}

void amtc_load_neighbours(const AMTCContext& ctx, const AMTCRegion& region, AMTCBlockState states[9]) {
    for (int k = 0; k < 9; ++k) {
        const AMTCBlock& b = amtc_block(ctx, region.blockX[k], region.blockY[k]);
        amtc_block_state(ctx.settings, b.candidates[b.chosen], &states[k]);
    }
}

}  // namespace qeltexture
