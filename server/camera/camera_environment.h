#pragma once
// What a camera object is made with: the capture backends whose devices it lists (in
// order; the server gives the V4L2 devices first and the sky simulator last), the port
// layer, the settings store, the clock of its exposure thread, and the bounds of its
// waits. The server's app layer owns one and hands it to every camera its class object
// creates; tests build their own.

#include "platform/video/capture_backend.h"
#include "platform/video/capture_pipeline.h"
#include "server/common/pulse_clock.h"
#include "server/frame/device_settings.h"
#include "server/ports/port_registry.h"

#include <chrono>
#include <vector>

namespace velmora::server {

struct CameraEnvironment {
    // A frame wait of a long exposure ends after this, or after 20 frame periods if longer.
    static constexpr std::chrono::milliseconds kFrameWaitLimit{10000};
    static constexpr int kFramePeriodsWaited = 20;

    std::vector<platform::CaptureBackend*> captureBackends; // borrowed
    PortRegistry* ports = nullptr;
    DeviceSettings* settings = nullptr;
    PulseClock* clock = &PulseClock::steady();
    std::chrono::milliseconds frameWaitLimit = kFrameWaitLimit;
    // Bound of the capture pipeline's run/stop waits, in 100 ms polls.
    int pipelinePolls = platform::CapturePipeline::kMaxPolls;

    // The bound of one frame wait for frames of `framePeriod` (100-nanosecond units).
    std::chrono::milliseconds frameWaitFor(std::uint32_t framePeriod) const;
};

} // namespace velmora::server
