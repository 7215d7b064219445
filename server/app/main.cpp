// VelmoraServer: the device server publishing the Camera, Focuser and Telescope
// automation drivers.

#include "platform/automation/apartment.h"
#include "platform/automation/local_server.h"
#include "platform/automation/qt_executor.h"
#include "server/app/qt_server_environment.h"
#include "server/app/server_devices.h"
#include "server/app/setup_dialogs.h"

#include <QApplication>
#include <QCoreApplication>

#include <memory>
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
    if (display) {
        app = std::make_unique<QApplication>(argc, argv); // an unusable display ends the process here
        // The server ends with its last object, never because a setup dialog closed:
        // quitting there would cut every client off in the middle of its session.
        QApplication::setQuitOnLastWindowClosed(false);
    } else
        app = std::make_unique<QCoreApplication>(argc, argv);

    // The ports, settings and capture devices every driver object is made with; only a
    // serving process has camera objects and so capture devices.
    server::ServerDevices devices(serverSwitch == server::ServerSwitch::Embedding ||
                                  serverSwitch == server::ServerSwitch::Automation);
    if (display)
        devices.setDialogHooks(server::setupDialogHooks());

    automation::QtExecutor executor;
    automation::setThreadExecutor(&executor);
    server::QtServerEnvironment environment(display, devices);
    const int status = server::runServer(serverSwitch, environment);
    // Objects still held by open connections are released here, while the devices
    // they save their settings through still exist.
    automation::LocalServer::instance().disconnectAll(executor);
    automation::setThreadExecutor(nullptr);
    OleUninitialize();
    return status;
}
