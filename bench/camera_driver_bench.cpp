// The camera object's frame callback at 1920 x 1080, as the streaming thread calls it:
// lock, state tests and the conversion of the frame into the image (a single-frame
// exposure), or the summing of one frame into a zero-length exposure. At 30 frames a
// second a frame may take 33.3 ms; the counter "frames_per_second" is how many frames the
// callback could take in a second of this work alone.
#include "server/camera/camera_driver.h"

#include "server/camera/scripted_capture_backend.h"
#include "server/ports/fake_port_devices.h"
#include "testing/temp_home.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using namespace velmora::server;

struct ConnectedCamera {
    explicit ConnectedCamera(int width, int height) : device("Bench Camera", {width, height, 333333})
    {
        environment.captureBackends = {&device};
        environment.ports = &ports;
        environment.settings = &store;
        environment.clock = &PulseClock::steady();
        driver = std::make_unique<CameraDriver>(environment);
        driver->putConnected(true);
        driver->putNumX(width); // the whole frame
        driver->putNumY(height);
        // A frame with padded rows, as devices deliver them.
        const std::size_t stride = 3 * static_cast<std::size_t>(width) + 4;
        bytes.resize(stride * static_cast<std::size_t>(height));
        std::uint32_t x = 12345;
        for (auto& b : bytes) {
            x = x * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(x >> 24);
        }
        frame = {bytes.data(), width, height, stride, 0};
    }
    ~ConnectedCamera() { driver.reset(); }

    velmora::testing::TempHome home;
    FakePortDevices devices;
    PortRegistry ports{devices};
    DeviceSettings store;
    testing::ScriptedCaptureBackend device;
    CameraEnvironment environment;
    std::unique_ptr<CameraDriver> driver;
    std::vector<std::uint8_t> bytes;
    velmora::platform::VideoFrame frame;
};

void reportRate(benchmark::State& state)
{
    state.counters["frames_per_second"] =
        benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CameraFrameCallback(benchmark::State& state)
{
    ConnectedCamera camera(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    camera.driver->setColourMode(static_cast<int>(state.range(0)));
    bool started = false;
    for (auto _ : state) {
        camera.driver->StartExposure(0.1, true, started); // the next frame
        camera.driver->deliverFrame(camera.frame);
    }
    reportRate(state);
}

void BM_CameraFrameCallbackSumming(benchmark::State& state)
{
    ConnectedCamera camera(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    camera.driver->setFramesToSum(257);
    bool started = false;
    int frames = 0;
    for (auto _ : state) {
        if (frames++ % 256 == 0) {
            camera.driver->AbortExposure();
            camera.driver->StartExposure(0.0, true, started);
        }
        camera.driver->deliverFrame(camera.frame);
    }
    reportRate(state);
}

BENCHMARK(BM_CameraFrameCallback)
    ->Args({0, 1920, 1080})
    ->Args({1, 1920, 1080})
    ->Args({2, 1920, 1080})
    ->Args({3, 1920, 1080})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CameraFrameCallbackSumming)->Args({1920, 1080})->Unit(benchmark::kMillisecond);

} // namespace
