#include "Codecs/QELTC/amtc/AMTCFit.h"

namespace qeltexture {

namespace {
// Pull towards the current pair, relative to a fully weighted pixel.
const double kRidge = 0.02;

void fit(const AMTCSettings& s, const AMTCRegion& r, const AMTCBlockState* const st[9], const AMTCPixelChoice* ch,
         bool centralOnly, const float curA[4], const float curB[4], float outA[4], float outB[4]) {
    double suu[4] = {0}, suv[4] = {0}, svv[4] = {0}, sur[4] = {0}, svr[4] = {0};
    const double scale = 1.0 / (4.0 * s.blockWidth);
    for (int i = 0; i < r.count; ++i) {
        const AMTCRegionPixel& p = r.px[i];
        const AMTCPixelChoice& c = ch[i];
        if (centralOnly && !p.inCentre) continue;
        if (c.kind == eAMTCPalette) continue;
        if (c.punched && s.isQELTCII) continue;
        const double f = c.weight / 8.0;
        double wc = 0, fixA[4] = {0, 0, 0, 0}, fixB[4] = {0, 0, 0, 0};
        if (c.kind == eAMTCInterpolated) {
            for (int k = 0; k < 4; ++k) {
                const double w = p.weight[k] * scale;
                if (r.slotIsCentre[p.slot[k]]) {
                    wc += w;
                    continue;
                }
                const AMTCBlockState& b = *st[p.slot[k]];
                for (int ch4 = 0; ch4 < 4; ++ch4) fixA[ch4] += w * b.a8[ch4], fixB[ch4] += w * b.b8[ch4];
            }
        } else {
            if (!r.slotIsCentre[p.own]) continue;
            wc = 1.0;
        }
        if (wc <= 0) continue;
        const double u = wc * (1 - f), v = wc * f;
        const int channels = c.punched ? 3 : 4;
        for (int k = 0; k < channels; ++k) {
            const double w = k == 3 ? p.alphaFactor : 1.0;
            const double res = p.src[k] - (1 - f) * fixA[k] - f * fixB[k];
            suu[k] += w * u * u, suv[k] += w * u * v, svv[k] += w * v * v;
            sur[k] += w * u * res, svr[k] += w * v * res;
        }
    }
    for (int k = 0; k < 4; ++k) {
        const double ridge = kRidge * (k == 3 ? 30.0 : 1.0);
        const double a = suu[k] + ridge, b = suv[k], d = svv[k] + ridge;
        const double ra = sur[k] + ridge * curA[k], rb = svr[k] + ridge * curB[k];
        const double det = a * d - b * b;
        if (det <= 1e-12) {
            outA[k] = curA[k], outB[k] = curB[k];
            continue;
        }
        outA[k] = float((d * ra - b * rb) / det);
        outB[k] = float((a * rb - b * ra) / det);
    }
}
}  // namespace

void Fit3x3RepPairsToWeights(const AMTCSettings& s, const AMTCRegion& region, const AMTCBlockState* const states[9],
                             const AMTCPixelChoice* choices, const float curA[4], const float curB[4], float outA[4],
                             float outB[4]) {
    fit(s, region, states, choices, false, curA, curB, outA, outB);
}

void FitOnlyCentralRepPairsToWeights(const AMTCSettings& s, const AMTCRegion& region,
                                     const AMTCBlockState* const states[9], const AMTCPixelChoice* choices,
                                     const float curA[4], const float curB[4], float outA[4], float outB[4]) {
    fit(s, region, states, choices, true, curA, curB, outA, outB);
}

}  // namespace qeltexture
