#pragma once
// The capture devices of the server process for its camera objects: the V4L2 devices,
// then the "Sky Simulator", whose sky is fed by the simulated ports and emulators (guide
// pulses of the telescope move its stars, the camera's exposure lines make its sensor
// integrate, the focuser's motor focuses it), listed for the camera environment.

#include "platform/video/v4l2_capture_backend.h"
#include "server/frame/device_settings.h"
#include "server/frame/telescope_settings.h"
#include "sim/simulator_ports.h"
#include "sim/sky/simulated_sky.h"
#include "sim/sky/steady_sim_clock.h"

#include <memory>
#include <vector>

namespace velmora::server {

class CaptureDevices {
public:
    // `ports` is borrowed; without it (the simulated ports could not be set up) only
    // the V4L2 devices are offered. The sky's guide lines follow the telescope's
    // "Default" profile in `store`.
    CaptureDevices(sim::SimulatorPorts* ports, DeviceSettings& store);
    CaptureDevices(const CaptureDevices&) = delete;
    CaptureDevices& operator=(const CaptureDevices&) = delete;

    // V4L2 first, then the sky simulator when there is one; borrowed from this object.
    std::vector<platform::CaptureBackend*> backends();

    // The guide line of each direction as the telescope's words switch it: the first
    // line a word changes, active at the level it sets (inverted under "Invert
    // Polarity"); a word that changes no line keeps the default line.
    static sim::SimulatedSky::GuideLines guideLinesOf(const TelescopeSettings& telescope);

private:
    platform::V4l2CaptureBackend m_v4l2;
    sim::SteadySimClock m_clock;
    std::unique_ptr<sim::SimulatedSky> m_sky;
};

} // namespace velmora::server
