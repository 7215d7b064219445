// One guiding step at a full history (10 000 records) with the median and the moving
// average (window 25) on both axes, both axes measuring drift (so the drift fit and
// the residual series are refreshed too), beside a plain copy of the history's three
// arrays (times, horizontal and vertical offsets). BM_GuidingStep also reports x_copy:
// its time per step in such copies, timed with warm buffers in the same process.
#include "client/guiding/guiding_run.h"
#include "client/image/image_geometry.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

namespace {

using namespace velmora::client;

struct HistoryArrays {
    explicit HistoryArrays(std::size_t count)
        : times(count), h(count), v(count), copies(3, std::vector<double>(count))
    {
        std::mt19937 random(3);
        std::normal_distribution<double> offset(0.0, 1.0);
        for (std::size_t i = 0; i < count; ++i) {
            times[i] = 0.5 * static_cast<double>(count - i);
            h[i] = offset(random);
            v[i] = offset(random);
        }
    }
    void copy()
    {
        std::copy(times.begin(), times.end(), copies[0].begin());
        std::copy(h.begin(), h.end(), copies[1].begin());
        std::copy(v.begin(), v.end(), copies[2].begin());
        benchmark::ClobberMemory();
    }
    std::vector<double> times, h, v;
    std::vector<std::vector<double>> copies;
};

double secondsPerCopy(std::size_t count)
{
    constexpr int kRounds = 200;
    HistoryArrays arrays(count);
    arrays.copy();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i)
        arrays.copy();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRounds;
}

void BM_HistoryCopy(benchmark::State& state)
{
    HistoryArrays arrays(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        arrays.copy();
}
BENCHMARK(BM_HistoryCopy)->Arg(10000);

void BM_GuidingStep(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    ImageGeometry geometry;
    geometry.setScales(1.15, 1.15);
    geometry.setReticleCentre(320.0, 240.0);
    GuidingRun run(geometry, count);
    run.setFilters({true, 25, true, 25});
    run.setAxisEnabled(GuidingAxisId::Horizontal, false);
    run.setAxisEnabled(GuidingAxisId::Vertical, false);
    run.start();
    std::mt19937 random(5);
    std::normal_distribution<double> jitter(0.0, 0.7);
    std::vector<std::pair<double, double>> centroids(4096);
    for (auto& c : centroids)
        c = {320.0 + jitter(random), 240.0 + jitter(random)};
    double t = 0.0;
    std::size_t next = 0;
    auto step = [&] {
        t += 0.5;
        const auto& c = centroids[next++ % centroids.size()];
        return run.step(t, c.first, c.second);
    };
    for (std::size_t i = 0; i < count; ++i)
        step();
    const double copySeconds = secondsPerCopy(count);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        benchmark::DoNotOptimize(step());
    const double stepSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["x_copy"] = stepSeconds / copySeconds;
}
BENCHMARK(BM_GuidingStep)->Arg(10000);

} // namespace
