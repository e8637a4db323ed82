#include "Codecs/QELTC/amtc/AMTCGeometry.h"

#include <cmath>
#include <cstring>

namespace qeltexture {

namespace {
const float kLargest = 3.4028235e38f;
const float kInv255 = 0.003921569f;

float project(const float axis[4], const float c[4]) {
    float d = axis[0] * c[0];
    d += axis[1] * c[1];
    d += axis[2] * c[2];
    d += axis[3] * c[3];
    return d;
}

void widen(AMTCOrientedBBox* box, const float c[4]) {
    for (int i = 0; i < 4; ++i) {
        const float d = project(box->axes[i], c);
        if (d < box->minimum[i]) box->minimum[i] = d;
        if (d > box->maximum[i]) box->maximum[i] = d;
    }
}

// Nearest of v, v + 0x22 and 255 to a; later ones win ties.
int nearestAlpha(float a, int v) {
    int best = v;
    if (std::fabs(float(v + 0x22) - a) <= std::fabs(float(best) - a)) best = v + 0x22;
    if (std::fabs(255.0f - a) <= std::fabs(float(best) - a)) best = 255;
    return best;
}

int quantiseAlpha(float a, bool oddLevels) {
    if (a <= 0.0f) return oddLevels ? 0x11 : 0;
    if (a >= 255.0f) return oddLevels ? 0xFF : 0xEE;
    int t = int(std::floor(a * kInv255 * 15.0f));
    t = oddLevels ? (t | 1) : (t & ~1);
    return nearestAlpha(a, (t << 4) | t);
}

// n-bit field value -> 8 bits as the decoder widens it.
int widenTo8(int v, int bits) {
    int v5 = bits == 5 ? v : bits == 4 ? (v << 1) | (v >> 3) : (v << 2) | (v >> 1);
    return (v5 << 3) | (v5 >> 2);
}

// takeHiOnTie: a tie goes to the upper neighbour.
int quantiseChannel(float x, int bits, bool takeHiOnTie) {
    if (x <= 0.0f) return 0;
    if (x >= 255.0f) return 255;
    const int m = (1 << bits) - 1;
    int f = int(std::floor(float(m) * x * kInv255));
    int lo = f, hi = f + 1;
    if (f >= m) lo = m - 1, hi = m;
    const int l8 = widenTo8(lo, bits), h8 = widenTo8(hi, bits);
    const float dl = std::fabs(x - float(l8)), dh = std::fabs(float(h8) - x);
    if (dl < dh) return l8;
    if (dh < dl) return h8;
    return takeHiOnTie ? h8 : l8;
}
}  // namespace

void InitOrientedBBox(AMTCOrientedBBox* box, const float axes[4][4]) {
    std::memcpy(box->axes, axes, sizeof box->axes);
    for (int i = 0; i < 4; ++i) box->minimum[i] = kLargest, box->maximum[i] = -kLargest;
}

void InitOrientedBBoxToSingleColour(AMTCOrientedBBox* box, const float colour[4]) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) box->axes[i][j] = i == j ? 1.0f : 0.0f;
        box->minimum[i] = box->maximum[i] = colour[i];
    }
}

void AddIColourToOrientedBBox(AMTCOrientedBBox* box, uint32_t rgba) {
    const float c[4] = {float(rgba & 0xFF), float((rgba >> 8) & 0xFF), float((rgba >> 16) & 0xFF),
                        float(rgba >> 24)};
    widen(box, c);
}

void AddFColourToOrientedBBox(AMTCOrientedBBox* box, const float colour[4]) { widen(box, colour); }

void OffsetOrientedBBox(AMTCOrientedBBox* box, const float colour[4]) {
    for (int i = 0; i < 4; ++i) {
        const float d = project(box->axes[i], colour);
        box->minimum[i] += d;
        box->maximum[i] += d;
    }
}

float SizeOfOrientedBBox(const AMTCOrientedBBox* box) {
    float s = 0;
    for (int i = 0; i < 4; ++i) s += box->maximum[i] - box->minimum[i];
    return s;
}

float EstimateDistFromMainAxisForOBBox(const AMTCOrientedBBox* box) {
    float s = 0;
    for (int i = 1; i < 4; ++i) s += box->maximum[i] - box->minimum[i];
    return s;
}

bool OrientedBBoxIsEmpty(const AMTCOrientedBBox* box) { return box->minimum[0] > box->maximum[0]; }

void ClampToOrientedBBox(const AMTCOrientedBBox* box, float colour[4]) {
    float p[4];
    bool clamped = false;
    for (int i = 0; i < 4; ++i) {
        p[i] = project(box->axes[i], colour);
        if (p[i] < box->minimum[i]) p[i] = box->minimum[i], clamped = true;
        if (p[i] > box->maximum[i]) p[i] = box->maximum[i], clamped = true;
    }
    if (!clamped) return;
    for (int j = 0; j < 4; ++j) {
        float v = 0;
        for (int i = 0; i < 4; ++i) v += p[i] * box->axes[i][j];
        colour[j] = v;
    }
}

void MapToRepresentableColours(bool isQELTCII, const float A[4], const float B[4], uint8_t outA[4],
                               uint8_t outB[4]) {
    int alphaA, alphaB;
    const float opaqueFrom = isQELTCII ? 238.0f : 246.0f;
    if (A[3] >= 246.0f && B[3] >= opaqueFrom) {
        alphaA = alphaB = 255;
    } else {
        alphaA = quantiseAlpha(A[3], false);
        alphaB = quantiseAlpha(B[3], isQELTCII);
        if (isQELTCII && !(alphaA == 255 && alphaB == 255)) alphaA &= 0xEE;
    }
    bool opaqueA, opaqueB;
    if (isQELTCII)
        opaqueA = opaqueB = alphaA == 255 && alphaB == 255;
    else
        opaqueA = alphaA == 255, opaqueB = alphaB == 255;
    const int bitsA[3] = {opaqueA ? 5 : 4, opaqueA ? 5 : 4, opaqueA ? 4 : 3};
    const int bitsB[3] = {opaqueB ? 5 : 4, opaqueB ? 5 : 4, opaqueB ? 5 : 4};
    for (int c = 0; c < 3; ++c) {
        outA[c] = uint8_t(quantiseChannel(A[c], bitsA[c], B[c] < A[c]));
        outB[c] = uint8_t(quantiseChannel(B[c], bitsB[c], A[c] <= B[c]));
    }
    outA[3] = uint8_t(alphaA);
    outB[3] = uint8_t(alphaB);
}

int CompareCandidates(const void* a, const void* b) {
    const AMTCCandidate* x = static_cast<const AMTCCandidate*>(a);
    const AMTCCandidate* y = static_cast<const AMTCCandidate*>(b);
    if (x->error != y->error) return x->error < y->error ? -1 : 1;
    if (x->key != y->key) return x->key < y->key ? -1 : 1;
    return 0;
}

void qelmergesort(AMTCCandidate* items, size_t n, AMTCCandidate* scratch) {
    if (n < 2) return;
    const size_t half = n / 2;
    qelmergesort(items, half, scratch);
    qelmergesort(items + half, n - half, scratch);
    size_t i = 0, j = half, k = 0;
    while (i < half && j < n) scratch[k++] = CompareCandidates(&items[j], &items[i]) < 0 ? items[j++] : items[i++];
    while (i < half) scratch[k++] = items[i++];
    while (j < n) scratch[k++] = items[j++];
    std::memcpy(items, scratch, n * sizeof(AMTCCandidate));
}

void AdjustUnderusedCandidates(uint32_t colourA, uint32_t colourB, const float offset[4], uint32_t* outFirst,
                               uint32_t* outSecond) {
    auto clamp8 = [](float v) { return v < 0.0f ? 0u : v > 255.0f ? 255u : uint32_t(v); };
    float s = 0;
    uint32_t first = 0, second = 0;
    float x[4];
    for (int c = 0; c < 4; ++c) {
        const float a = float((colourA >> (8 * c)) & 0xFF), b = float((colourB >> (8 * c)) & 0xFF);
        x[c] = a + offset[c];
        s += (b - a) * offset[c];
        first |= clamp8(x[c]) << (8 * c);
    }
    for (int c = 0; c < 4; ++c) {
        const float b = float((colourB >> (8 * c)) & 0xFF);
        second |= clamp8(x[c] > b ? x[c] - 5.0f : x[c] + 5.0f) << (8 * c);
    }
    *outFirst = first;
    *outSecond = s >= 0.0f ? second : colourA;
}

}  // namespace qeltexture
