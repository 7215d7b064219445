// The periodogram of a full guiding history (10 000 samples, jittered frame times,
// both axes, 500 columns: W = 499 over 3 decades) beside what a direct evaluation
// spends on trigonometry alone: one std::sin and one std::cos per column and sample.
// BM_Periodogram also reports x_reference: its time per computation in such reference
// passes, timed in the same process.
#include "client/guiding/graph_series.h"
#include "client/guiding/periodogram.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace velmora::client;

constexpr int kWidth = 499; // columns 0…499
constexpr int kDecades = 3;

struct History {
    explicit History(std::size_t count) : times(count), h(count), v(count)
    {
        std::mt19937 random(17);
        std::uniform_real_distribution<double> shake(-0.2, 0.2);
        std::normal_distribution<double> noise(0.0, 0.8);
        for (std::size_t i = 0; i < count; ++i) {
            times[i] = 1.5 * static_cast<double>(count - i) + shake(random);
            h[i] = std::sin(times[i] * kPeriodogramTwoPi / 300.0) + noise(random);
            v[i] = noise(random);
        }
    }
    GraphSeries series() const { return {times, {h, v}}; }
    std::vector<double> times, h, v;
};

std::vector<double> columnOmegas()
{
    std::vector<double> omegas;
    for (int s = 0; s <= kWidth; ++s)
        omegas.push_back(kPeriodogramTwoPi / periodogramPeriod(s, kDecades, kWidth));
    return omegas;
}

void sinCosReference(const std::vector<double>& omegas, const std::vector<double>& times)
{
    for (const double omega : omegas) {
        double sines = 0.0, cosines = 0.0;
        for (const double t : times) {
            sines += std::sin(omega * t);
            cosines += std::cos(omega * t);
        }
        benchmark::DoNotOptimize(sines);
        benchmark::DoNotOptimize(cosines);
    }
}

double secondsPerReference(const History& history)
{
    constexpr int kRounds = 5;
    const std::vector<double> omegas = columnOmegas();
    sinCosReference(omegas, history.times);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i)
        sinCosReference(omegas, history.times);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRounds;
}

void BM_SinCosReference(benchmark::State& state)
{
    const History history(static_cast<std::size_t>(state.range(0)));
    const std::vector<double> omegas = columnOmegas();
    for (auto _ : state)
        sinCosReference(omegas, history.times);
}
BENCHMARK(BM_SinCosReference)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Periodogram(benchmark::State& state)
{
    const History history(static_cast<std::size_t>(state.range(0)));
    Periodogram periodogram;
    periodogram.compute(history.series(), {true, true}, kDecades, 1.0, kWidth);
    const double referenceSeconds = secondsPerReference(history);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        periodogram.compute(history.series(), {true, true}, kDecades, 1.0, kWidth);
        benchmark::DoNotOptimize(periodogram.power(0).data());
        benchmark::DoNotOptimize(periodogram.power(1).data());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                           static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["x_reference"] = seconds / referenceSeconds;
}
BENCHMARK(BM_Periodogram)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
