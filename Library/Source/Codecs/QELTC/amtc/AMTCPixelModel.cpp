#include "Codecs/QELTC/amtc/AMTCPixelModel.h"

namespace qeltexture {

const uint8_t kAMTCLocalPalette[4][4][4] = {
    {{0, 0, 0, 0}, {0, 1, 4, 5}, {0, 1, 4, 5}, {0, 1, 4, 5}},
    {{0, 1, 6, 7}, {0, 1, 4, 7}, {0, 1, 4, 5}, {2, 1, 4, 5}},
    {{0, 1, 6, 7}, {0, 1, 6, 7}, {0, 3, 6, 5}, {2, 3, 4, 5}},
    {{0, 1, 6, 7}, {0, 3, 6, 7}, {2, 3, 6, 7}, {2, 3, 6, 5}},
};

namespace {
const uint8_t kStandardWeights[4] = {0, 3, 5, 8};

uint32_t wrap(int64_t v, uint32_t n) { return uint32_t(((v % int64_t(n)) + int64_t(n)) % int64_t(n)); }

struct Options {
    int count;
    int colour[4][4];
    uint8_t weight[4];
    uint8_t punched[4];
    uint8_t kind;
};

void blend(const int a[4], const int b[4], int w, int out[4]) {
    for (int c = 0; c < 4; ++c) out[c] = (a[c] * 8 + (b[c] - a[c]) * w) >> 3;
}

// Interpolated A and B of a pixel whose quad origin block P has no hard-transition flag.
void interpolate(const AMTCRegionPixel& p, const AMTCBlockState* const states[9], bool do2bit, int A[4], int B[4]) {
    const AMTCBlockState* q[4] = {states[p.slot[0]], states[p.slot[1]], states[p.slot[2]], states[p.slot[3]]};
    for (int c = 0; c < 4; ++c) {
        int sa = 0, sb = 0;
        for (int k = 0; k < 4; ++k) sa += p.weight[k] * q[k]->a5[c], sb += p.weight[k] * q[k]->b5[c];
        A[c] = amtc_to8(sa, c == 3, do2bit);
        B[c] = amtc_to8(sb, c == 3, do2bit);
    }
}

// The colours a 4 bpp pixel can take, one per modulation value.
void options4bpp(const AMTCSettings& s, const AMTCRegionPixel& p, const AMTCBlockState* const states[9],
                 Options& o) {
    const AMTCBlockState& P = *states[p.slot[0]];
    const AMTCBlockState& own = *states[p.own];
    o.count = 4;
    for (int m = 0; m < 4; ++m) o.punched[m] = 0;
    if (P.hard) {
        if (own.modeFlag && !(p.qx == 0 && p.qy == 0)) {
            const AMTCBlockState* src[4] = {states[p.slot[0]], states[p.slot[3]], states[p.slot[1]], states[p.slot[2]]};
            o.kind = eAMTCPalette;
            for (int m = 0; m < 4; ++m) {
                const unsigned entry = kAMTCLocalPalette[p.qy][p.qx][m];
                const int* c = (entry & 1) ? src[entry / 2]->b8 : src[entry / 2]->a8;
                for (int k = 0; k < 4; ++k) o.colour[m][k] = c[k];
                o.weight[m] = (entry & 1) ? 8 : 0;
            }
            return;
        }
        o.kind = eAMTCHardOwn;
        for (int m = 0; m < 4; ++m) {
            o.weight[m] = kStandardWeights[m];
            blend(own.a8, own.b8, kStandardWeights[m], o.colour[m]);
        }
        return;
    }
    o.kind = eAMTCInterpolated;
    int A[4], B[4];
    interpolate(p, states, false, A, B);
    if (!own.modeFlag) {
        for (int m = 0; m < 4; ++m) o.weight[m] = kStandardWeights[m], blend(A, B, kStandardWeights[m], o.colour[m]);
        return;
    }
    const uint8_t w[4] = {0, 4, 4, 8};
    for (int m = 0; m < 4; ++m) o.weight[m] = w[m], blend(A, B, w[m], o.colour[m]);
    o.punched[2] = 1;
    o.colour[2][3] = 0;
    if (s.isQELTCII) o.colour[2][0] = o.colour[2][1] = o.colour[2][2] = 0;
}

uint64_t evaluate4bpp(const AMTCSettings& s, const AMTCRegion& r, const AMTCBlockState* const states[9],
                      AMTCPixelChoice* choices) {
    uint64_t total = 0;
    Options o;
    for (int i = 0; i < r.count; ++i) {
        const AMTCRegionPixel& p = r.px[i];
        options4bpp(s, p, states, o);
        int best = 0;
        uint32_t bestErr = UINT32_MAX;
        for (int m = 0; m < o.count; ++m) {
            const uint32_t e = amtc_pixel_error(p.src, p.alphaFactor, o.colour[m][0], o.colour[m][1], o.colour[m][2],
                                                o.colour[m][3]);
            if (e < bestErr) bestErr = e, best = m;
        }
        total += bestErr;
        if (choices) {
            AMTCPixelChoice& c = choices[i];
            c.weight = o.weight[best], c.value = uint8_t(best), c.kind = o.kind, c.punched = o.punched[best];
            for (int k = 0; k < 4; ++k) c.decoded[k] = uint8_t(o.colour[best][k]);
        }
    }
    return total;
}

// 2 bpp: a pixel's sample is restricted to weights 0 and 8 where its low bit carries a mode
// flag (the first sample; pixel (4, 2) in the horizontal-only and vertical-only sub-modes).
bool flagSample(const AMTCRegionPixel& p, int sub) {
    return (p.lx == 0 && p.ly == 0) || (sub >= 2 && p.lx == 4 && p.ly == 2);
}

uint64_t evaluate2bpp(const AMTCRegion& r, const AMTCBlockState* const states[9], AMTCPixelChoice* out) {
    AMTCPixelChoice local[kAMTCMaxRegionPixels];
    AMTCPixelChoice* choices = out ? out : local;
    int colA[kAMTCMaxRegionPixels][4], colB[kAMTCMaxRegionPixels][4];
    uint64_t total = 0;
    bool pending = false;
    for (int i = 0; i < r.count; ++i) {
        const AMTCRegionPixel& p = r.px[i];
        const AMTCBlockState& P = *states[p.slot[0]];
        const AMTCBlockState& own = *states[p.own];
        int* A = colA[i];
        int* B = colB[i];
        AMTCPixelChoice& c = choices[i];
        c.punched = 0;
        if (P.hard) {
            for (int k = 0; k < 4; ++k) A[k] = own.a8[k], B[k] = own.b8[k];
            c.kind = eAMTCHardOwn;
        } else {
            interpolate(p, states, true, A, B);
            c.kind = eAMTCInterpolated;
        }
        static const uint8_t kDirect[2] = {0, 8};
        const uint8_t* weights = kStandardWeights;
        int count = 4, step = 1;
        if (own.sub == 0) {
            weights = kDirect, count = 2;
        } else if ((p.lx + p.ly) & 1) {
            c.weight = 0xFF;  // interpolated from the neighbours below
            pending = true;
            continue;
        } else if (flagSample(p, own.sub)) {
            step = 3;
        }
        uint32_t bestErr = UINT32_MAX;
        int best = 0;
        int d[4];
        for (int m = 0; m < count; m += step) {
            blend(A, B, weights[m], d);
            const uint32_t e = amtc_pixel_error(p.src, p.alphaFactor, d[0], d[1], d[2], d[3]);
            if (e < bestErr) bestErr = e, best = m;
        }
        c.weight = weights[best];
        c.value = uint8_t(best);
        total += bestErr;
        if (out) {
            blend(A, B, c.weight, d);
            for (int k = 0; k < 4; ++k) c.decoded[k] = uint8_t(d[k]);
        }
    }
    if (!pending) return total;
    for (int i = 0; i < r.count; ++i) {
        AMTCPixelChoice& c = choices[i];
        if (c.weight != 0xFF) continue;
        const AMTCRegionPixel& p = r.px[i];
        const int sub = states[p.own]->sub;
        static const int kUsed[4][4] = {{0, 0, 0, 0}, {1, 1, 1, 1}, {1, 1, 0, 0}, {0, 0, 1, 1}};
        int sum = 0, n = 0;
        for (int k = 0; k < 4; ++k) {
            if (!kUsed[sub][k] || p.neighbour[k] < 0) continue;
            const uint8_t w = choices[p.neighbour[k]].weight;
            if (w == 0xFF) continue;
            sum += w, ++n;
        }
        int d[4];
        uint32_t e;
        if (n > 0) {
            c.weight = uint8_t((sum + n / 2) / n);
            blend(colA[i], colB[i], c.weight, d);
            e = amtc_pixel_error(p.src, p.alphaFactor, d[0], d[1], d[2], d[3]);
        } else {
            e = UINT32_MAX;
            for (int m = 0; m < 4; ++m) {
                int t[4];
                blend(colA[i], colB[i], kStandardWeights[m], t);
                const uint32_t em = amtc_pixel_error(p.src, p.alphaFactor, t[0], t[1], t[2], t[3]);
                if (em < e) e = em, c.weight = kStandardWeights[m];
            }
            blend(colA[i], colB[i], c.weight, d);
        }
        c.value = 0;
        total += e;
        if (out)
            for (int k = 0; k < 4; ++k) c.decoded[k] = uint8_t(d[k]);
    }
    return total;
}
}  // namespace

void amtc_block_state(const AMTCSettings& s, const AMTCCandidate& cand, AMTCBlockState* st) {
    for (int c = 0; c < 4; ++c) {
        st->a8[c] = int((cand.colourA >> (8 * c)) & 0xFF);
        st->b8[c] = int((cand.colourB >> (8 * c)) & 0xFF);
        st->a5[c] = c < 3 ? st->a8[c] >> 3 : st->a8[c] >> 4;
        st->b5[c] = c < 3 ? st->b8[c] >> 3 : st->b8[c] >> 4;
    }
    if (s.bpp == 2) {
        const unsigned m = (cand.mode - 8) & 7;
        st->sub = uint8_t(m & 3);
        st->hard = uint8_t(s.isQELTCII && (m >> 2));
        st->modeFlag = st->sub != 0;
    } else {
        st->sub = 0;
        st->modeFlag = uint8_t(cand.mode & 1);
        st->hard = uint8_t(s.isQELTCII && (cand.mode & 2));
    }
}

void amtc_build_region(const AMTCSettings& s, const AMTCImage& image, uint32_t cx, uint32_t cy, AMTCRegion* r) {
    const int bw = int(s.blockWidth);
    r->width = 2 * bw;
    r->count = 2 * bw * 8;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int slot = (dy + 1) * 3 + dx + 1;
            r->blockX[slot] = wrap(int64_t(cx) + dx, s.blocksX);
            r->blockY[slot] = wrap(int64_t(cy) + dy, s.blocksY);
        }
    for (int k = 0; k < 9; ++k)
        r->slotIsCentre[k] = r->blockX[k] == r->blockX[kAMTCCentreSlot] && r->blockY[k] == r->blockY[kAMTCCentreSlot];
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 2 * bw; ++i) {
            AMTCRegionPixel& p = r->px[j * 2 * bw + i];
            const uint32_t x = wrap(int64_t(cx) * bw - bw / 2 + i, image.width);
            const uint32_t y = wrap(int64_t(cy) * 4 - 2 + j, image.height);
            const uint32_t v = image.rows[y][x];
            for (int c = 0; c < 4; ++c) p.src[c] = int((v >> (8 * c)) & 0xFF);
            p.alphaFactor = (p.src[3] == 0 || p.src[3] == 255) ? 900 : 1;
            const int px = i / bw, py = j / 4;  // P at slot offset (px - 1, py - 1)
            p.qx = uint8_t(i % bw), p.qy = uint8_t(j % 4);
            p.slot[0] = uint8_t(py * 3 + px);
            p.slot[1] = uint8_t(py * 3 + px + 1);
            p.slot[2] = uint8_t((py + 1) * 3 + px);
            p.slot[3] = uint8_t((py + 1) * 3 + px + 1);
            p.weight[0] = uint8_t((4 - p.qy) * (bw - p.qx));
            p.weight[1] = uint8_t((4 - p.qy) * p.qx);
            p.weight[2] = uint8_t(p.qy * (bw - p.qx));
            p.weight[3] = uint8_t(p.qy * p.qx);
            const int ox = i < bw / 2 ? 0 : i < 3 * bw / 2 ? 1 : 2;
            const int oy = j < 2 ? 0 : j < 6 ? 1 : 2;
            p.own = uint8_t(oy * 3 + ox);
            p.inCentre = r->slotIsCentre[p.own];
            p.lx = uint8_t((i + bw / 2) % bw), p.ly = uint8_t((j + 2) % 4);
            p.neighbour[0] = int16_t(i > 0 ? j * 2 * bw + i - 1 : -1);
            p.neighbour[1] = int16_t(i + 1 < 2 * bw ? j * 2 * bw + i + 1 : -1);
            p.neighbour[2] = int16_t(j > 0 ? (j - 1) * 2 * bw + i : -1);
            p.neighbour[3] = int16_t(j + 1 < 8 ? (j + 1) * 2 * bw + i : -1);
        }
}

uint64_t amtc_evaluate(const AMTCSettings& s, const AMTCRegion& region, const AMTCBlockState* const states[9],
                       AMTCPixelChoice* choices) {
    return s.bpp == 2 ? evaluate2bpp(region, states, choices) : evaluate4bpp(s, region, states, choices);
}

}  // namespace qeltexture
