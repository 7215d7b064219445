#include "server/app/capture_devices.h"

#include "server/camera/camera_environment.h"
#include "server/frame/device_settings.h"

namespace velmora::server {

CaptureDevices::CaptureDevices(sim::SimulatorPorts* ports)
{
    std::vector<platform::CaptureBackend*>& backends = CameraEnvironment::process().captureBackends;
    backends = {&m_v4l2};
    if (!ports)
        return;
    TelescopeSettings telescope;
    telescope.load(DeviceSettings::process(), kDefaultProfile);
    m_sky = std::make_unique<sim::SimulatedSky>(*ports, m_clock, sim::SkyParameters::load(),
                                                guideLinesOf(telescope));
    backends.push_back(&m_sky->captureBackend());
}

CaptureDevices::~CaptureDevices()
{
    CameraEnvironment::process().captureBackends.clear();
}

sim::SimulatedSky::GuideLines CaptureDevices::guideLinesOf(const TelescopeSettings& telescope)
{
    sim::SimulatedSky::GuideLines lines = sim::SimulatedSky::kDefaultGuideLines;
    for (std::size_t direction = 0; direction < lines.size(); ++direction) {
        const unsigned word = telescope.directionWords[direction];
        for (int line = 0; line < 8; ++line) {
            if (word & (0x100u << line))
                continue; // kept by this word
            const bool level = (word >> line) & 1u;
            lines[direction] = {line, level != telescope.invertPolarity};
            break;
        }
    }
    return lines;
}

} // namespace velmora::server
