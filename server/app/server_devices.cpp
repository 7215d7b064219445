#include "server/app/server_devices.h"

#include "server/camera/camera.h"
#include "server/focuser/focuser.h"
#include "server/telescope/telescope.h"

#include <utility>

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

namespace {

// Makes an object of class T with `args` and gives its driver the dialog hook of the time.
template <class T, class Hook, class... Args>
automation::CreateFunction creatorWithHook(const Hook& hook, Args&... args)
{
    return [&hook, &args...](IUnknown* outer, REFIID iid, void** object) -> HRESULT {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        const automation::ComPtr<T> made = automation::makeObject<T>(args...);
        made->core().setDialogHook(hook);
        return made->QueryInterface(iid, object);
    };
}

} // namespace

automation::CreateFunction ServerDevices::creatorOf(const std::string& className)
{
    if (className == "Camera")
        return creatorWithHook<Camera>(m_dialogHooks.camera, std::as_const(m_camera));
    if (className == "Focuser")
        return creatorWithHook<Focuser>(m_dialogHooks.focuser, m_ports, m_settings);
    if (className == "Telescope")
        return creatorWithHook<Telescope>(m_dialogHooks.telescope, m_ports, m_settings);
    return {};
}

} // namespace velmora::server
