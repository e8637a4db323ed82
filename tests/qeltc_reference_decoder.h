#pragma once
// Straightforward per-pixel QELTC / QELTCII decoder written directly from the format's
// formulas: every pixel finds its four blocks, re-reads and re-widens their colours and
// works out its own weight. Slow on purpose. The decoder tests compare the library's
// optimised decoders with it byte for byte, and the benchmark runs it side by side.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace qeltcref {

using BlockIndexFn = std::function<uint32_t(uint32_t bx, uint32_t by)>;

using RefColour = std::array<int, 4>;  // 5-bit red, green, blue, 4-bit alpha

inline uint32_t load32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

class ReferenceDecoder {
public:
    // width, height: whole numbers of blocks. version 0 = QELTC, otherwise QELTCII.
    ReferenceDecoder(const uint8_t* data, uint32_t width, uint32_t height, bool do2bit, unsigned version,
                     BlockIndexFn index)
        : m_data(data), m_w(width), m_h(height), m_bw(do2bit ? 8 : 4), m_2bit(do2bit), m_version(version),
          m_index(std::move(index)) {}

    std::vector<uint8_t> decode() const {
        std::vector<uint8_t> out(size_t(m_w) * m_h * 4);
        for (uint32_t y = 0; y < m_h; ++y)
            for (uint32_t x = 0; x < m_w; ++x) pixel(x, y, &out[(size_t(y) * m_w + x) * 4]);
        return out;
    }

private:
    static constexpr int kWeights[4] = {0, 3, 5, 8};

    uint32_t modWord(uint32_t bx, uint32_t by) const { return load32(m_data + 8 * size_t(m_index(bx, by))); }
    uint32_t colWord(uint32_t bx, uint32_t by) const { return load32(m_data + 8 * size_t(m_index(bx, by)) + 4); }

    static int w4(uint32_t f) { return int((f << 1) | (f >> 3)); }
    // Colour B uses the upper half of the colour word with the layout of A, except that its
    // blue field starts one bit lower and is one bit wider.
    RefColour colour(uint32_t bx, uint32_t by, bool isB) const {
        const uint32_t w = colWord(bx, by), h = isB ? w >> 16 : w & 0xFFFF;
        const bool opaque = m_version == 0 ? (h >> 15) & 1 : w >> 31;
        if (opaque) return {int(h >> 10) & 31, int(h >> 5) & 31, isB ? int(h & 31) : w4((h >> 1) & 15), 15};
        const int b3 = (h >> 1) & 7;
        return {w4((h >> 8) & 15), w4((h >> 4) & 15), isB ? w4(h & 15) : (b3 << 2) | (b3 >> 1),
                int((h >> 12) & 7) << 1 | int(isB && m_version != 0)};
    }

    // Raw 2 bpp sample of pixel (x, y): direct pixels as 0 or 3.
    int sample2(uint32_t x, uint32_t y) const {
        uint32_t bx = x / 8, by = y / 4, lx = x % 8, ly = y % 4;
        uint32_t mod = modWord(bx, by);
        if (!(colWord(bx, by) & 1)) return ((mod >> (8 * ly + lx)) & 1) ? 3 : 0;
        if (mod & 1) mod = (mod & ~(1u << 20)) | (((mod >> 21) & 1) << 20);
        mod = (mod & ~1u) | ((mod >> 1) & 1);
        return (mod >> (2 * (4 * ly + lx / 2))) & 3;
    }

    // Weight of pixel (x, y) in eighths of B; punched set for 4 bpp mode 1 value 2.
    int weight(uint32_t x, uint32_t y, bool& punched) const {
        punched = false;
        uint32_t bx = x / m_bw, by = y / 4;
        uint32_t mod = modWord(bx, by), col = colWord(bx, by);
        if (!m_2bit) {
            int m = (mod >> (2 * (4 * (y % 4) + x % 4))) & 3;
            if (!(col & 1)) return kWeights[m];
            punched = m == 2;
            return m == 0 ? 0 : m == 3 ? 8 : 4;
        }
        if (!(col & 1) || ((x + y) % 2) == 0) return kWeights[sample2(x, y)];
        int l = kWeights[sample2((x + m_w - 1) % m_w, y)], r = kWeights[sample2((x + 1) % m_w, y)];
        int u = kWeights[sample2(x, (y + m_h - 1) % m_h)], d = kWeights[sample2(x, (y + 1) % m_h)];
        if (!(mod & 1)) return (l + r + u + d + 2) >> 2;
        if ((mod >> 20) & 1) return (u + d + 1) >> 1;
        return (l + r + 1) >> 1;
    }

    void pixel(uint32_t x, uint32_t y, uint8_t* out) const {
        // Position relative to the centre of block P, shifted by a whole image to stay positive.
        const uint32_t sx = x + m_w - m_bw / 2, sy = y + m_h - 2, gw = m_w / m_bw, gh = m_h / 4;
        const int qx = int(sx % m_bw), qy = int(sy % 4);
        const uint32_t bx0 = sx / m_bw % gw, by0 = sy / 4 % gh, bx1 = (bx0 + 1) % gw, by1 = (by0 + 1) % gh;
        const uint32_t bxs[4] = {bx0, bx1, bx0, bx1}, bys[4] = {by0, by0, by1, by1};  // P Q R S
        const bool hard = m_version != 0 && ((colWord(bx0, by0) >> 15) & 1);
        bool punched;
        int w = weight(x, y, punched);
        if (!hard) {
            int col[2][4];
            for (int k = 0; k < 2; ++k) {
                RefColour P = colour(bxs[0], bys[0], k), Q = colour(bxs[1], bys[1], k);
                RefColour R = colour(bxs[2], bys[2], k), S = colour(bxs[3], bys[3], k);
                for (int c = 0; c < 4; ++c) {
                    int hP = m_bw * P[c] + qx * (Q[c] - P[c]);
                    int hR = m_bw * R[c] + qx * (S[c] - R[c]);
                    int s = (4 - qy) * hP + qy * hR;
                    if (m_2bit) col[k][c] = c < 3 ? (s >> 7) + (s >> 2) : (s >> 5) + (s >> 1);
                    else col[k][c] = c < 3 ? (s >> 6) + (s >> 1) : (s >> 4) + s;
                }
            }
            for (int c = 0; c < 4; ++c) out[c] = uint8_t((col[0][c] * 8 + (col[1][c] - col[0][c]) * w) >> 3);
            if (punched) {
                if (m_version == 0) out[3] = 0;
                else out[0] = out[1] = out[2] = out[3] = 0;
            }
            return;
        }
        auto to8 = [](const RefColour& k, int c) { return c < 3 ? (k[c] << 3) | (k[c] >> 2) : (k[c] << 4) | k[c]; };
        const uint32_t obx = x / m_bw, oby = y / 4;
        const bool centre = qx == 0 && qy == 0;
        const int m = (modWord(obx, oby) >> (2 * (4 * (y % 4) + x % 4))) & 3;
        if (!m_2bit && (colWord(obx, oby) & 1) && !centre) {
            static const int map[4][4][4] = {
                {{0, 0, 0, 0}, {0, 1, 4, 5}, {0, 1, 4, 5}, {0, 1, 4, 5}},
                {{0, 1, 6, 7}, {0, 1, 4, 7}, {0, 1, 4, 5}, {2, 1, 4, 5}},
                {{0, 1, 6, 7}, {0, 1, 6, 7}, {0, 3, 6, 5}, {2, 3, 4, 5}},
                {{0, 1, 6, 7}, {0, 3, 6, 7}, {2, 3, 6, 7}, {2, 3, 6, 5}}};
            const int entry = map[qy][qx][m];
            const int which[4] = {0, 3, 1, 2};  // P, S, Q, R as block slots
            RefColour k = colour(bxs[which[entry / 2]], bys[which[entry / 2]], entry & 1);
            for (int c = 0; c < 4; ++c) out[c] = uint8_t(to8(k, c));
            return;
        }
        if (!m_2bit) w = kWeights[m];
        RefColour A = colour(obx, oby, false), B = colour(obx, oby, true);
        for (int c = 0; c < 4; ++c) {
            int a = to8(A, c), b = to8(B, c);
            out[c] = uint8_t((a * 8 + (b - a) * w) >> 3);
        }
    }

    const uint8_t* m_data;
    uint32_t m_w, m_h;
    int m_bw;
    bool m_2bit;
    unsigned m_version;
    BlockIndexFn m_index;
};

}  // namespace qeltcref
