#pragma once
// Test support: a real indiserver with simulator drivers, started by the test and
// ended with it. It runs inside a private network namespace when the machine allows
// one (indiserver listens on every interface), else on a free loopback port. The CCD
// simulator finds its stars through a stand-in `gsc` on the server's PATH.

#include "client/devices/indi/indi_prog_id.h"

#include <chrono>
#include <string>
#include <vector>

namespace velmora::client::indi::testing {

// Moves this thread (and every process it starts) into a network namespace of its
// own, with loopback up. Done at most once; false when the machine does not allow it.
bool enterPrivateNetwork();

inline const std::vector<std::string> kSimulators = {"indi_simulator_telescope", "indi_simulator_ccd",
                                                     "indi_simulator_focus"};

// The point of date the stand-in catalogue's stars surround.
constexpr double kStarFieldRaHours = 5.0;
constexpr double kStarFieldDecDegrees = 30.0;

// Switches the mount simulator on, tracking, and syncs it onto the star field, so
// that the CCD simulator (which follows the mount) draws the stand-in's stars. The
// field stands `hoursWest` of the meridian (negative: east), at latitude 45°, whatever
// the time of day.
bool pointMountAtStarField(const IndiServerAddress& server, double hoursWest = 3.0);

class IndiServer {
public:
    explicit IndiServer(const std::vector<std::string>& drivers = kSimulators);
    ~IndiServer();
    IndiServer(const IndiServer&) = delete;
    IndiServer& operator=(const IndiServer&) = delete;

    // Whether the server listens (within `limit`).
    bool started(std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    const IndiServerAddress& address() const { return m_address; }
    std::string progId(IndiDeviceType type, const std::string& device) const;

    // Ends the server and its drivers at once.
    void stop();
    // Stops the server without closing anything: it accepts and never answers.
    void freeze();
    // Kills one driver process (indiserver then drops its device).
    void killDriver(const std::string& driver);
    const std::string& folder() const { return m_folder; }
    std::string log() const;

private:
    std::string m_folder;
    IndiServerAddress m_address;
    int m_pid = -1;
};

} // namespace velmora::client::indi::testing
