#include "server/app/capture_devices.h"

namespace velmora::server {

CaptureDevices::CaptureDevices(sim::SimulatorPorts* ports, DeviceSettings& store)
{
    if (!ports)
        return;
    TelescopeSettings telescope;
    telescope.load(store, kDefaultProfile);
    m_sky = std::make_unique<sim::SimulatedSky>(*ports, m_clock, sim::SkyParameters::load(),
                                                guideLinesOf(telescope));
}

std::vector<platform::CaptureBackend*> CaptureDevices::backends()
{
    std::vector<platform::CaptureBackend*> list{&m_v4l2};
    if (m_sky)
        list.push_back(&m_sky->captureBackend());
    return list;
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
