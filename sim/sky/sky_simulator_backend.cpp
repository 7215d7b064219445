#include "sim/sky/sky_simulator_backend.h"

#include "sim/sky/sky_simulator_source.h"

namespace velmora::sim {

std::unique_ptr<platform::CaptureSource> SkySimulatorBackend::open(const platform::CaptureDeviceInfo& device,
                                                                   const platform::VideoFormat& requested)
{
    if (device.id != kDeviceId)
        return nullptr;
    return std::make_unique<SkySimulatorSource>(m_model, m_clock, requested);
}

} // namespace velmora::sim
