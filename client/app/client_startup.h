#pragma once
// The guider client's start-up and shutdown order, apart from the toolkit and the
// runtime it drives (behind ClientEnvironment, so tests can fake them): the
// automation runtime for the multithreaded apartment, then the display path, then
// the main frame; a failure of either initialisation ends start-up without a window.
// Afterwards the display path and then the runtime are released.

#include <map>
#include <string>

namespace velmora::client {

class ClientEnvironment {
public:
    virtual ~ClientEnvironment() = default;
    // CoInitializeEx for the multithreaded apartment, speed over memory; false
    // unless it answered S_OK.
    virtual bool initialiseRuntime() = 0;
    virtual void uninitialiseRuntime() = 0;
    // The display path the image window draws through (a screen and 32-bit surfaces).
    virtual bool initialiseDisplay() = 0;
    virtual void releaseDisplay() = 0;
    // Creates the main frame (settings root "Velmora Software"), shows it maximised and
    // runs the event loop; the exit status.
    virtual int runMainFrame() = 0;
};

int runClient(ClientEnvironment& environment);

// Without DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM there is nothing to show the
// windows on: the one line that says so and points at the headless guider, else "".
std::string missingDisplayMessage(const std::map<std::string, std::string>& environment);

} // namespace velmora::client
