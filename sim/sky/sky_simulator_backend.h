#pragma once
// The capture backend of the simulated sky: one device, "Sky Simulator". The server
// lists it after the real devices by giving this backend last to the capture pipeline.

#include "platform/video/capture_backend.h"
#include "sim/sky/sim_clock.h"
#include "sim/sky/sky_model.h"

namespace velmora::sim {

class SkySimulatorBackend : public platform::CaptureBackend {
public:
    static constexpr const char* kDeviceName = "Sky Simulator";
    static constexpr const char* kDeviceId = "sky";

    // `model` and `clock` are borrowed and must outlive every source opened.
    SkySimulatorBackend(SkyModel& model, SimClock& clock) : m_model(model), m_clock(clock) {}

    std::vector<platform::CaptureDeviceInfo> enumerate() override { return {{kDeviceName, kDeviceId}}; }
    std::unique_ptr<platform::CaptureSource> open(const platform::CaptureDeviceInfo& device,
                                                  const platform::VideoFormat& requested) override;

private:
    SkyModel& m_model;
    SimClock& m_clock;
};

} // namespace velmora::sim
