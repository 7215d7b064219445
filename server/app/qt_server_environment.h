#pragma once
// The device server's environment on Linux: Qt for the display and the event loop,
// the automation runtime for the class objects.

#include "server/app/server_devices.h"
#include "server/frame/server_startup.h"

#include "platform/automation/unknown.h"

#include <array>

namespace velmora::server {

class QtServerEnvironment : public ServerEnvironment {
public:
    // With a display the process has a QApplication; headless, a QCoreApplication.
    // The class objects make their driver objects with `devices`, which must outlive
    // them (until revokeClassObjects).
    QtServerEnvironment(bool display, ServerDevices& devices) : m_display(display), m_devices(devices) {}

    bool registerClassObjects() override;
    void revokeClassObjects() override;
    bool hasDisplay() const override { return m_display; }
    bool initialiseDisplay() override { return true; }
    void showMessage(const std::string& text) override;
    int serve() override;
    std::string executablePath() const override;

    // Whether DISPLAY or WAYLAND_DISPLAY names a display, or Qt is told to draw offscreen.
    static bool displayConfigured();

private:
    bool m_display;
    ServerDevices& m_devices;
    std::array<DWORD, 3> m_cookies{};
    int m_registered = 0;
};

} // namespace velmora::server
