#include "server/app/server_devices.h"

#include "server/camera/camera.h"
#include "server/focuser/focuser.h"
#include "server/telescope/telescope.h"

#include <functional>

namespace velmora::server {

ServerDevices::ServerDevices(bool serving) : m_simulatorPorts(sim::SimulatorPorts::setUp(m_portDevices))
{
    m_camera.ports = &m_ports;
    m_camera.settings = &m_settings;
    if (serving) {
        m_captureDevices.emplace(m_simulatorPorts.get(), m_settings);
        m_camera.captureBackends = m_captureDevices->backends();
    }
}

// Every object is gone by now: the registry closes no port the simulator still serves.
ServerDevices::~ServerDevices() = default;

automation::CreateFunction ServerDevices::creatorOf(const std::string& className)
{
    if (className == "Camera")
        return automation::creatorFor<Camera>(std::cref(m_camera));
    if (className == "Focuser")
        return automation::creatorFor<Focuser>(std::ref(m_ports), std::ref(m_settings));
    if (className == "Telescope")
        return automation::creatorFor<Telescope>(std::ref(m_ports), std::ref(m_settings));
    return {};
}

} // namespace velmora::server
