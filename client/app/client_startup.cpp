#include "client/app/client_startup.h"

namespace velmora::client {

int runClient(ClientEnvironment& environment)
{
    if (!environment.initialiseRuntime())
        return 1;
    if (!environment.initialiseDisplay()) {
        environment.uninitialiseRuntime();
        return 1;
    }
    const int status = environment.runMainFrame();
    environment.releaseDisplay();
    environment.uninitialiseRuntime();
    return status;
}

std::string missingDisplayMessage(const std::map<std::string, std::string>& environment)
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const auto it = environment.find(name);
        if (it != environment.end() && !it->second.empty())
            return {};
    }
    return "VelmoraNebrix: no display to show its windows on (DISPLAY, WAYLAND_DISPLAY and "
           "QT_QPA_PLATFORM are unset); to guide without a display, run velmora-guide "
           "(velmora-guide --help).";
}

} // namespace velmora::client
