// The client's whole per-frame path for one camera frame (convert, copy to the working
// frame, track, FWHM, histogram of the square, automatic levels, stretch, display
// conversion with the square overlay), beside a plain memcpy of the same camera buffer.
// BM_ClientFramePath also reports x_memcpy: its wall time per frame in memcpys of the
// camera buffer, timed with warm buffers just before it in the same process.
#include "client/image/display_converter.h"
#include "client/image/frame_pipeline.h"
#include "client/image/image_geometry.h"
#include "client/image/measurement_tool.h"
#include "client/image/overlay_painter.h"
#include "client/image/synthetic_star_field.h"
#include "client/shell/memory_settings_store.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

using namespace velmora::client;

std::vector<std::int32_t> cameraFrame(int w, int h, int planes)
{
    SyntheticStarField field(w, h, planes, 7);
    const std::vector<GaussianStar> stars{{w / 2.0 + 0.3, h / 2.0 - 0.2, 3.5, 20000.0},
                                          {w / 4.0, h / 3.0, 5.0, 8000.0},
                                          {w * 0.8, h * 0.7, 2.5, 30000.0}};
    std::vector<std::int32_t> frame = field.render(2000.0, stars, true);
    for (auto& v : frame)
        v /= 257; // an 8-bit camera, the default "Digit Capacity"
    return frame;
}

double secondsPerMemcpy(const std::vector<std::int32_t>& source, std::vector<std::int32_t>& target)
{
    constexpr int kRounds = 20;
    std::memcpy(target.data(), source.data(), source.size() * sizeof(std::int32_t)); // warm both buffers
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i) {
        std::memcpy(target.data(), source.data(), source.size() * sizeof(std::int32_t));
        benchmark::ClobberMemory();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRounds;
}

void BM_MemcpyCameraBuffer(benchmark::State& state)
{
    const auto w = static_cast<int>(state.range(0));
    const auto h = static_cast<int>(state.range(1));
    const auto planes = static_cast<int>(state.range(2));
    const std::vector<std::int32_t> source = cameraFrame(w, h, planes);
    std::vector<std::int32_t> target(source.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size() * sizeof(std::int32_t));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * source.size() * sizeof(std::int32_t)));
}

void BM_ClientFramePath(benchmark::State& state)
{
    const auto w = static_cast<int>(state.range(0));
    const auto h = static_cast<int>(state.range(1));
    const auto planes = static_cast<int>(state.range(2));
    const std::vector<std::int32_t> camera = cameraFrame(w, h, planes);
    auto window = FramePipeline::create(w, h, planes);
    window->deliverFrame(camera, w, h, planes);

    MemorySettingsStore store;
    ImageGeometry geometry;
    geometry.setScales(1.15, 1.15);
    MeasurementTool tool("Guiding", *window, store, geometry);
    tool.Activate();
    tool.SetSquareCentre(w / 2 + 3, h / 2 - 2);
    tool.SetAutoGuiding(true);
    tool.setApplyHistogram(true);
    tool.setAutoHistogram(true);
    tool.setMinLevel(10);
    tool.setMaxLevel(10);

    std::vector<PlaneColour> colours(static_cast<std::size_t>(planes), PlaneColour::White);
    if (planes == 3)
        colours = {PlaneColour::Blue, PlaneColour::Green, PlaneColour::Red};
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    const DisplaySurface surface{pixels.data(), w, h, w * 4, PixelPacking::Bgrx32};
    DisplayConverter display;

    std::vector<std::int32_t> scratch(camera.size());
    const double memcpySeconds = secondsPerMemcpy(camera, scratch);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        window->runPipeline(true);
        display.convert(window->workingFrame(), colours, surface);
        DrawSquareOverlay(surface, tool.squareOverlay());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    const double pathSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / state.iterations();
    state.counters["x_memcpy"] = pathSeconds / memcpySeconds;
    state.counters["fwhm"] = tool.fwhm();
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * camera.size() * sizeof(std::int32_t)));
}

BENCHMARK(BM_MemcpyCameraBuffer)->Args({640, 480, 3})->Args({1920, 1080, 1})->Args({4096, 4096, 1});
BENCHMARK(BM_ClientFramePath)->Args({640, 480, 3})->Args({1920, 1080, 1})->Args({4096, 4096, 1});

} // namespace
