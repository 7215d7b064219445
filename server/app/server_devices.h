#pragma once
// What the server's driver objects are made with: the machine's ports with the simulated
// ones wired in, the one port registry over them, the settings store, the capture
// devices and the camera environment. main() owns it from before the class objects are
// registered until after they are revoked; each class object's creator hands every
// object it makes its share, so no driver reaches for process-wide state.

#include "platform/automation/class_factory.h"
#include "platform/ports/system_port_devices.h"
#include "server/app/capture_devices.h"
#include "server/camera/camera_driver.h"
#include "server/camera/camera_environment.h"
#include "server/focuser/focuser_driver.h"
#include "server/frame/device_settings.h"
#include "server/ports/port_registry.h"
#include "server/telescope/telescope_driver.h"
#include "sim/simulator_ports.h"

#include <memory>
#include <optional>
#include <string>

namespace velmora::server {

class ServerDevices {
public:
    // `serving`: the process serves clients and so needs capture devices for cameras.
    explicit ServerDevices(bool serving);
    ~ServerDevices();
    ServerDevices(const ServerDevices&) = delete;
    ServerDevices& operator=(const ServerDevices&) = delete;

    // The create function of the class named "Camera", "Focuser" or "Telescope"; none
    // for another name.
    automation::CreateFunction creatorOf(const std::string& className);

    // The setup dialogs every object made from now on shows from its SetupDialog
    // (none without a display: SetupDialog then returns at once).
    struct DialogHooks {
        CameraDriver::DialogHook camera;
        FocuserDriver::DialogHook focuser;
        TelescopeDriver::DialogHook telescope;
    };
    void setDialogHooks(DialogHooks hooks) { m_dialogHooks = std::move(hooks); }

    // What the objects are made with, for tests that make drivers of their own.
    const CameraEnvironment& cameraEnvironment() const { return m_camera; }
    PortRegistry& ports() { return m_ports; }
    DeviceSettings& settings() { return m_settings; }
    sim::SimulatorPorts* simulatorPorts() { return m_simulatorPorts.get(); }

private:
    platform::SystemPortDevices m_portDevices;
    // Simulated ports (and with VELMORA_SIMULATOR=1 the emulated devices on COM1/COM2)
    // are in place before any driver opens a port.
    std::unique_ptr<sim::SimulatorPorts> m_simulatorPorts;
    PortRegistry m_ports{m_portDevices};
    DeviceSettings m_settings;
    std::optional<CaptureDevices> m_captureDevices;
    CameraEnvironment m_camera;
    DialogHooks m_dialogHooks;
};

} // namespace velmora::server
