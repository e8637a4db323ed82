#pragma once
// A private pseudo-random generator that reproduces, draw for draw, the C library's
// rand() of glibc after srand(seed): the additive feedback generator
// r[i] = r[i-3] + r[i-31] (mod 2^32), seeded by the Lehmer generator 16807 mod 2^31-1,
// with the first 310 outputs discarded and each output shifted right by one.
// Each clustering call owns one, so blocks encode independently of each other and of
// other threads, and the results are the same on every platform.
#include <cstdint>

namespace qeltexture {

class ETCRandom {
public:
    static constexpr int kMax = 2147483647;  // RAND_MAX of glibc

    explicit ETCRandom(uint32_t seed) {
        // srand(0) is treated as srand(1).
        int32_t word = seed == 0 ? 1 : int32_t(seed);
        int32_t r[34];
        r[0] = word;
        for (int i = 1; i < 31; ++i) {
            // 16807 * word mod (2^31 - 1) without overflow (Schrage's method).
            const int32_t hi = word / 127773, lo = word % 127773;
            word = 16807 * lo - 2836 * hi;
            if (word < 0) word += 2147483647;
            r[i] = word;
        }
        for (int i = 31; i < 34; ++i) r[i] = r[i - 31];
        for (int i = 2; i < 34; ++i) ring_[i & 31] = uint32_t(r[i]);
        pos_ = 34;
        for (int i = 0; i < 310; ++i) step();
    }

    // Next value in 0..kMax.
    int next() { return int(step() >> 1); }

private:
    uint32_t step() {
        // ring_ holds r[pos-32 .. pos-1]; r[pos-31] sits where r[pos+1] will go.
        const uint32_t v = ring_[(pos_ - 31) & 31] + ring_[(pos_ - 3) & 31];
        ring_[pos_ & 31] = v;
        ++pos_;
        return v;
    }

    uint32_t ring_[32];
    uint32_t pos_;
};

}  // namespace qeltexture
