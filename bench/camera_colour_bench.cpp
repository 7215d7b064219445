// The camera's frame-callback work at frame rate: each colour conversion of a full
// frame, against a memcpy of that mode's result image (width x height x planes x 4
// bytes) measured in the same run; and the per-frame summing of a zero-length exposure.
#include "server/camera/colour_converter.h"
#include "server/camera/frame_store.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using velmora::server::ColourConverter;
using velmora::server::ColourImage;
using velmora::server::ColourMode;
using velmora::server::ColourSettings;
using velmora::server::FrameBytes;
using velmora::server::FrameStore;

std::vector<std::uint8_t> sceneBytes(int width, int height)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * height * 3);
    std::uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return bytes;
}

ColourSettings settingsFor(int mode)
{
    ColourSettings s;
    s.mode = static_cast<ColourMode>(mode);
    s.coefficients = {90, 100, 80};
    return s;
}

void BM_ColourMode(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    const int width = static_cast<int>(state.range(1));
    const int height = static_cast<int>(state.range(2));
    const auto bytes = sceneBytes(width, height);
    const FrameBytes frame{bytes.data(), width, height, std::ptrdiff_t{width} * 3};
    const ColourSettings settings = settingsFor(mode);
    ColourImage image;
    ColourConverter::convert(frame, {0, 0, width, height}, settings, image);
    for (auto _ : state) {
        ColourConverter::convert(frame, {0, 0, width, height}, settings, image);
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(image.byteCount()));
}

void BM_MemcpyImage(benchmark::State& state)
{
    const int planes = ColourSettings::planeCountFor(static_cast<ColourMode>(state.range(0)));
    const std::size_t bytes = static_cast<std::size_t>(state.range(1)) * state.range(2) * planes * 4;
    std::vector<std::uint8_t> from(bytes, 1);
    std::vector<std::uint8_t> to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

// Summing one frame into the accumulator: the per-frame work of a zero-length exposure.
void BM_SumFrame(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const auto bytes = sceneBytes(width, height);
    const FrameBytes frame{bytes.data(), width, height, std::ptrdiff_t{width} * 3};
    FrameStore store;
    store.allocate(width, height);
    for (auto _ : state) {
        if (store.framesSummed() >= 257)
            store.clearSums();
        store.addFrame(frame);
        benchmark::ClobberMemory();
    }
}

// The conversion that ends a zero-length exposure: from the sums of 257 frames (the
// most the setup dialog allows).
void BM_ColourModeSums(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    const int width = static_cast<int>(state.range(1));
    const int height = static_cast<int>(state.range(2));
    const auto bytes = sceneBytes(width, height);
    const FrameBytes frame{bytes.data(), width, height, std::ptrdiff_t{width} * 3};
    FrameStore store;
    store.allocate(width, height);
    store.clearSums();
    for (int i = 0; i < 257; ++i)
        store.addFrame(frame);
    const ColourSettings settings = settingsFor(mode);
    ColourImage image;
    ColourConverter::convert(store.sums(), store.maxSum(), {0, 0, width, height}, settings, image);
    for (auto _ : state) {
        ColourConverter::convert(store.sums(), store.maxSum(), {0, 0, width, height}, settings, image);
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
}

void colourArgs(benchmark::internal::Benchmark* b)
{
    for (int mode = 0; mode < 4; ++mode) {
        b->Args({mode, 640, 480});
        b->Args({mode, 1920, 1080});
    }
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_ColourMode)->Apply(colourArgs);
BENCHMARK(BM_MemcpyImage)->Apply(colourArgs);
BENCHMARK(BM_ColourModeSums)
    ->Args({0, 1920, 1080})
    ->Args({1, 1920, 1080})
    ->Args({2, 1920, 1080})
    ->Args({3, 1920, 1080})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SumFrame)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

} // namespace
