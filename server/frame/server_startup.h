#pragma once
// The server's start-up sequence, apart from the toolkit and the automation runtime
// it drives (both behind ServerEnvironment, so tests can fake them).

#include <string>
#include <vector>

namespace velmora::server {

enum class ServerSwitch { None, Register, Unregister, Embedding, Automation };

// Switches are case-insensitive and start with "/" or "-"; the last one recognised
// wins, anything else is ignored.
ServerSwitch parseServerSwitches(const std::vector<std::string>& arguments);

class ServerEnvironment {
public:
    virtual ~ServerEnvironment() = default;
    // Registers the three class objects; false unless all three succeed.
    virtual bool registerClassObjects() = 0;
    virtual void revokeClassObjects() = 0;
    // Whether a display is configured at all (a headless machine has none).
    virtual bool hasDisplay() const = 0;
    // Prepares the display; false when a configured display cannot be used.
    virtual bool initialiseDisplay() = 0;
    virtual void showMessage(const std::string& text) = 0;
    // Serves clients until the last object and lock are gone; the exit status.
    virtual int serve() = 0;
    virtual std::string executablePath() const = 0;
};

// The whole start-up and end of the server process; returns the exit status.
int runServer(ServerSwitch serverSwitch, ServerEnvironment& environment);

} // namespace velmora::server
