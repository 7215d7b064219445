#pragma once
// The client's three driver references (camera, focuser, telescope) and how they are
// bound at start-up, chosen, set up, enabled in the command states, and released at
// shutdown.

#include "client/devices/driver_calls.h"
#include "client/shell/command_ids.h"
#include "client/shell/settings_layout.h"

#include <array>
#include <mutex>
#include <string>

namespace velmora::client {

class SettingsStore;

enum class DriverKind { Camera = 0, Focuser = 1, Telescope = 2 };

struct DriverKindInfo {
    const settings::StringSetting* progIdSetting; // its value in section "Drivers", with the default
    const char* chooserDeviceType;
    const char* connectionProperty; // written as VT_I2 -1 / 0
};

const DriverKindInfo& driverKindInfo(DriverKind kind);
constexpr std::array<DriverKind, 3> kDriverKinds = {DriverKind::Camera, DriverKind::Focuser,
                                                    DriverKind::Telescope};

// What binding asks of the main window; the main frame implements it, tests fake it.
class DriverBindingWindow {
public:
    virtual ~DriverBindingWindow() = default;
    virtual void beginWaitCursor() = 0;
    virtual void endWaitCursor() = 0;
    virtual void minimiseMainWindow() = 0;
    virtual void restoreMainWindow() = 0;
    // The exposure cycle's abort (which also sends AbortExposure to the camera).
    virtual void abortExposureCycle() = 0;
    virtual bool hasImageWindow() const = 0;
    virtual void closeImageWindow() = 0;
    virtual bool imageWindowIsActive() const = 0;
    virtual int toolDialogsAttached() const = 0;
};


class DriverBinding {
public:
    explicit DriverBinding(DriverBindingWindow& window) : m_window(window) {}

    // Main thread only.
    IDispatch* driver(DriverKind kind) const { return m_drivers[index(kind)].get(); }
    // A counted reference for another thread (the guiding worker); empty once the
    // kind has been unbound. Safe against the main thread replacing the driver.
    DriverRef sharedDriver(DriverKind kind) const;
    const std::string& progId(DriverKind kind) const { return m_progIds[index(kind)]; }

    // Reads the ProgIDs, creates camera, focuser, telescope, then connects each bound one.
    void bindAtStartup(const SettingsStore& settings);
    // Creates through CreateDriver with the wait cursor shown.
    HRESULT createDriver(const std::string& progId, DriverRef& driver);
    void chooseDriver(DriverKind kind);
    void openSetupDialog(DriverKind kind);
    bool isCommandEnabled(int commandId) const;
    // Connection states ("Connected", "Link") as last read, so that enable rules never
    // call a driver across the process boundary on a refresh. Read after every driver
    // change here and, by the exposure cycle, on every tick.
    void refreshConnectionStates();
    bool isConnected(DriverKind kind) const { return m_connected[index(kind)]; }
    // Writes the ProgIDs; disconnects and releases the three drivers.
    void unbindAtShutdown(SettingsStore& settings);

private:
    static std::size_t index(DriverKind kind) { return static_cast<std::size_t>(kind); }
    void releaseDriver(DriverKind kind);
    void stopFramesAndCloseImageWindow();
    // Every change of a reference goes through here, under the lock.
    void setDriver(DriverKind kind, DriverRef driver);
    HRESULT createInto(DriverKind kind, const std::string& progId);

    DriverBindingWindow& m_window;
    mutable std::mutex m_lock; // guards m_drivers against sharedDriver() readers
    std::array<DriverRef, 3> m_drivers;
    std::array<std::string, 3> m_progIds;
    std::array<bool, 3> m_connected{};
};

} // namespace velmora::client
