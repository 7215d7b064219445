#pragma once
// The Telescope driver object: a guide-port adapter. Of the telescope interface it
// implements connection, pulse guiding and three optical values; its members mirror
// those interface members one by one and return a DriverError with their out-values,
// for the automation wrapper to pass on. Members that every telescope answers with
// false or "Not Supported" are the wrapper's.
//
// The object loads profile "Default" when created and saves to its current profile on
// final release (finalRelease(), or destruction). Calls come from the thread that
// dispatches automation calls; only the pulse workers run elsewhere.

#include "server/common/pulse_clock.h"
#include "server/frame/device_settings.h"
#include "server/frame/driver_error.h"
#include "server/frame/telescope_settings.h"
#include "server/ports/port_registry.h"
#include "server/telescope/pulse_guider.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace velmora::server {

class TelescopeDriver {
public:
    static constexpr std::int32_t kInterfaceVersion = 2;
    // Runs the setup dialog modally on the object.
    using DialogHook = std::function<void(TelescopeDriver&)>;

    // `ports`, `store` and `clock` are borrowed and must outlive the object.
    TelescopeDriver(PortRegistry& ports, DeviceSettings& store, PulseClock& clock = PulseClock::steady());
    ~TelescopeDriver();
    TelescopeDriver(const TelescopeDriver&) = delete;
    TelescopeDriver& operator=(const TelescopeDriver&) = delete;

    // Disconnects and saves the settings to the current profile; once only.
    void finalRelease();

    // Interface members.
    DriverError getConnected(bool& connected) const;
    DriverError putConnected(bool connected);
    DriverError getCanPulseGuide(bool& canPulseGuide) const;
    DriverError PulseGuide(std::int32_t direction, std::int32_t durationMs);
    DriverError getIsPulseGuiding(bool& pulseGuiding) const;
    DriverError getInterfaceVersion(std::int32_t& version) const;
    DriverError getApertureDiameter(double& metres) const;
    DriverError getFocalLength(double& metres) const;
    // Releases both axes, runs the dialog hook if any, releases both axes again.
    DriverError SetupDialog();

    // Operations of the setup dialog.
    void setDialogHook(DialogHook hook);
    // The port layer the guide port comes from (the dialog lists its ports).
    PortRegistry& ports() const { return m_ports; }
    const std::string& profile() const { return m_profile; }
    void loadSettings(const std::string& profile);
    // Writes every value to `profile`, which becomes the current one; false when a
    // write failed.
    bool saveSettings(const std::string& profile);
    TelescopeSettings settings() const;
    double barlowFactor() const { return m_barlowFactor; }
    // Disconnects, takes the new value and connects again: connected afterwards even
    // if it was not before, or the connection's failure.
    DriverError setPortName(const std::string& portName);
    DriverError setPortSpeed(const std::string& portSpeed);
    // Sends "r+" or "r-" and releases both axes.
    void setUseRelay(bool useRelay);
    // Stores the polarity and releases both axes with it.
    void setInvertPolarity(bool invert);
    void setBacklash(int axis, std::int32_t ms);
    void setDiameter(double metres);
    void setFocal(double metres);
    void setBarlow(const std::string& barlowText);
    void setDirectionWords(const PulseGuider::DirectionWords& words);
    // The port's device text: "Connected To LPTn", the relay box's identification, or
    // "Device Not Found".
    std::string deviceStatus();
    // Manual guiding: lines held without timing until the axis is released.
    bool holdDirection(int direction);
    bool releaseAxis(int axis);
    void releaseBothAxes();
    // True once no pulse runs, waiting at most `limit`.
    bool waitUntilIdle(std::chrono::milliseconds limit) const;
    const PulseGuider& pulseGuider() const { return m_guider; }

private:
    DriverError connect();
    void disconnect();
    void sendRelayMode();

    PortRegistry& m_ports;
    DeviceSettings& m_store;
    PulseGuider m_guider;
    std::string m_profile;
    // Port, optics and relay mode; the words, polarity and backlash live in m_guider.
    TelescopeSettings m_settings;
    double m_barlowFactor = 1.0;
    bool m_released = false;
    DialogHook m_dialogHook;
};

} // namespace velmora::server
