// VelmoraServer: the device server publishing the Camera, Focuser and Telescope
// automation drivers.

#include "platform/automation/apartment.h"
#include "platform/automation/qt_executor.h"
#include "platform/ports/system_port_devices.h"
#include "server/app/capture_devices.h"
#include "server/app/qt_server_environment.h"
#include "sim/simulator_ports.h"

#include <QApplication>
#include <QCoreApplication>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace velmora;

int main(int argc, char** argv)
{
    OleInitialize(nullptr);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const server::ServerSwitch serverSwitch = server::parseServerSwitches(arguments);

    const bool display = server::QtServerEnvironment::displayConfigured();
    std::unique_ptr<QCoreApplication> app;
    if (display)
        app = std::make_unique<QApplication>(argc, argv); // an unusable display ends the process here
    else
        app = std::make_unique<QCoreApplication>(argc, argv);

    // Simulated ports (and with VELMORA_SIMULATOR=1 the emulated devices on COM1/COM2)
    // are in place before any driver opens a port.
    auto simulatorPorts = sim::SimulatorPorts::setUp(platform::SystemPortDevices::process());
    // The camera objects' devices, V4L2 first, then the simulated sky on those ports;
    // only a serving process has camera objects.
    std::optional<server::CaptureDevices> captureDevices;
    if (serverSwitch == server::ServerSwitch::Embedding || serverSwitch == server::ServerSwitch::Automation)
        captureDevices.emplace(simulatorPorts.get());

    automation::QtExecutor executor;
    automation::setThreadExecutor(&executor);
    server::QtServerEnvironment environment(display);
    const int status = server::runServer(serverSwitch, environment);
    automation::setThreadExecutor(nullptr);
    OleUninitialize();
    return status;
}
