// The fast ETC2 colour encoder's building blocks side by side: the straightforward
// versions (tests/etc/ETC2FastSimple.h and the scalar scoring) and the library's
// restructured ones on the same blocks, after checking they give the same results.
// Argument 0 = straightforward, 1 = library (best vector level), 2 = library at the
// baseline vector level (SSE2 only), where that applies. Items are blocks; the time
// is for all 4096 blocks.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "../tests/etc/ETC2FastSimple.h"
#include "../tests/etc/ETCTestBlocks.h"
#include "Codecs/ETC/ETC1Compress.h"
#include "Codecs/ETC/ETC1TableFit.h"
#include "Codecs/ETC/ETC2Compress.h"
#include "Codecs/ETC/ETC2THPlainScores.h"
#include "PixelFormat.h"

using namespace qeltexture;
using etctest::Block;

namespace {

// Photograph blocks (seeded random blocks of every kind when the photographs are absent).
const std::vector<Block>& blocks() {
    static const std::vector<Block> b = [] {
        std::vector<Block> out = etctest::imageBlocks(4096);
        if (out.empty()) out = etc2simple::variedBlocks(4096, 1);
        return out;
    }();
    return b;
}

void perBlock(benchmark::State& state, size_t n) {
    state.SetItemsProcessed(int64_t(n) * int64_t(state.iterations()));
}

const char* kVersion[3] = {"straightforward", "library", "library, baseline vectors"};

void BM_Clustering(benchmark::State& state) {
    const int version = int(state.range(0));
    const auto& bs = blocks();
    auto run = [version](const Block& b, uint8_t colors[2][3]) {
        if (version == 0) etc2simple::halfIntensityFast(b.data(), 4, 0, 0, colors);
        else computeColorLBGHalfIntensityFast(b.data(), 4, 0, 0, colors);
    };
    for (const Block& b : bs) {
        uint8_t a[2][3], c[2][3];
        etc2simple::halfIntensityFast(b.data(), 4, 0, 0, a);
        run(b, c);
        if (std::memcmp(a, c, sizeof a) != 0) return state.SkipWithError("results differ");
    }
    for (auto _ : state)
        for (const Block& b : bs) {
            uint8_t colors[2][3];
            run(b, colors);
            benchmark::DoNotOptimize(colors);
        }
    perBlock(state, bs.size());
    state.SetLabel(std::string("computeColorLBGHalfIntensityFast, ") + kVersion[version]);
}
BENCHMARK(BM_Clustering)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

void BM_TableFit(benchmark::State& state) {
    using namespace etc1detail;
    const int version = int(state.range(0));
    const ETCVectorLevel level = version == 2 ? ETCVectorLevel::Baseline : ETCVectorLevel::Best;
    const auto& bs = blocks();
    // The left half fitted with its rounded average colour, as the fast encoder starts.
    std::vector<std::array<uint8_t, 3>> colours;
    for (const Block& b : bs) {
        int sum[3] = {0, 0, 0};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 2; ++x)
                for (int c = 0; c < 3; ++c) sum[c] += b[3 * (y * 4 + x) + c];
        colours.push_back({uint8_t(sum[0] / 8), uint8_t(sum[1] / 8), uint8_t(sum[2] / 8)});
    }
    auto run = [&](size_t k, int& table, unsigned& msb, unsigned& lsb) {
        if (version == 0)
            return fitHalfAllTables<PlainMetric>(bs[k].data(), 4, 0, 0, kHalf2x4, colours[k].data(), table, msb, lsb);
        const HalfVectors px(bs[k].data(), 4, 0, 0, kHalf2x4);
        return fitHalfAllTablesPlainVector(px, kHalf2x4, colours[k].data(), table, msb, lsb, PlainMetric::kInit, level);
    };
    for (size_t k = 0; k < bs.size(); ++k) {
        int t0, t1;
        unsigned m0, l0, m1, l1;
        const unsigned e0 = fitHalfAllTables<PlainMetric>(bs[k].data(), 4, 0, 0, kHalf2x4, colours[k].data(), t0, m0, l0);
        const unsigned e1 = run(k, t1, m1, l1);
        if (e0 != e1 || t0 != t1 || m0 != m1 || l0 != l1) return state.SkipWithError("results differ");
    }
    for (auto _ : state)
        for (size_t k = 0; k < bs.size(); ++k) {
            int table;
            unsigned msb, lsb;
            benchmark::DoNotOptimize(run(k, table, msb, lsb));
            benchmark::DoNotOptimize(msb);
        }
    perBlock(state, bs.size());
    state.SetLabel(std::string("half-block fit, all tables, ") + kVersion[version]);
}
BENCHMARK(BM_TableFit)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_PairScores(benchmark::State& state) {
    using namespace etc2detail;
    const int version = int(state.range(0));
    const ETCVectorLevel level = version == 2 ? ETCVectorLevel::Baseline : ETCVectorLevel::Best;
    const auto& bs = blocks();
    std::vector<std::array<uint8_t, 6>> pairs;  // the clustered RGB444 pair of each block
    for (const Block& b : bs) {
        uint8_t c[2][3], q[2][3];
        computeColorLBGHalfIntensityFast(b.data(), 4, 0, 0, c);
        quantizeColorsTo444(c, q);
        pairs.push_back({q[0][0], q[0][1], q[0][2], q[1][0], q[1][1], q[1][2]});
    }
    // T and H winners of one block: error, order/distance and indices folded together.
    auto run = [&](size_t k, int version) {
        const BlockPixels px(bs[k].data(), 4, 0, 0);
        const uint8_t(*colors)[3] = reinterpret_cast<const uint8_t(*)[3]>(pairs[k].data());
        int order;
        uint8_t d, h;
        unsigned ti, hi, te, he;
        if (version == 0) {
            const PairScores<etc1detail::PlainMetric> s(px, colors);
            te = s.bestT(order, d, ti);
            he = s.bestH(false, h, hi);
        } else {
            const PlainPairScores s(px, colors, level);
            te = s.bestT(order, d, ti);
            he = s.bestH(false, h, hi);
        }
        return (uint64_t(te) << 32 | he) ^ (uint64_t(ti) << 16) ^ hi ^ (unsigned(order) << 8 | d) ^ (uint64_t(h) << 40);
    };
    for (size_t k = 0; k < bs.size(); ++k)
        if (run(k, version) != run(k, 0)) return state.SkipWithError("results differ");
    for (auto _ : state)
        for (size_t k = 0; k < bs.size(); ++k) benchmark::DoNotOptimize(run(k, version));
    perBlock(state, bs.size());
    state.SetLabel(std::string("T and H scoring of the clustered pair, ") + kVersion[version]);
}
BENCHMARK(BM_PairScores)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_ETC1Fast(benchmark::State& state) {
    const int version = int(state.range(0));
    const auto& bs = blocks();
    uint8_t decoded[48];
    auto run = [&](const Block& b, unsigned& high, unsigned& low) {
        return version == 0 ? etc2simple::etc1Fast(b.data(), 4, 0, 0, high, low)
                            : compressBlockDiffFlipFast(b.data(), decoded, 4, 0, 0, high, low);
    };
    for (const Block& b : bs) {
        unsigned h0, l0, h1, l1;
        const double e0 = etc2simple::etc1Fast(b.data(), 4, 0, 0, h0, l0);
        const double e1 = run(b, h1, l1);
        if (e0 != e1 || h0 != h1 || l0 != l1) return state.SkipWithError("results differ");
    }
    for (auto _ : state)
        for (const Block& b : bs) {
            unsigned high, low;
            benchmark::DoNotOptimize(run(b, high, low));
            benchmark::DoNotOptimize(low);
        }
    perBlock(state, bs.size());
    state.SetLabel(std::string("compressBlockDiffFlipFast, ") + kVersion[version]);
}
BENCHMARK(BM_ETC1Fast)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

void BM_ETC2Fast(benchmark::State& state) {
    const int version = int(state.range(0));
    const auto& bs = blocks();
    uint8_t decoded[48];
    auto run = [&](const Block& b, unsigned& high, unsigned& low) {
        if (version == 0) etc2simple::etc2Fast(b.data(), 4, 0, 0, high, low);
        else compressBlockETC2Fast(b.data(), nullptr, decoded, 4, 4, 0, 0, high, low, ePF_ETC2_RGB);
    };
    for (const Block& b : bs) {
        unsigned h0, l0, h1, l1;
        etc2simple::etc2Fast(b.data(), 4, 0, 0, h0, l0);
        run(b, h1, l1);
        if (h0 != h1 || l0 != l1) return state.SkipWithError("results differ");
    }
    for (auto _ : state)
        for (const Block& b : bs) {
            unsigned high, low;
            run(b, high, low);
            benchmark::DoNotOptimize(high);
            benchmark::DoNotOptimize(low);
        }
    perBlock(state, bs.size());
    state.SetLabel(std::string("compressBlockETC2Fast (RGB), ") + kVersion[version]);
}
BENCHMARK(BM_ETC2Fast)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
