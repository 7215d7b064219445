#pragma once
// The Focuser driver object over the KF-3 controller. Its members mirror the focuser
// interface one by one and return a DriverError with their out-values, for the
// automation wrapper to pass on; the setup dialog's value writes and reads are object
// operations here as well. Every successful write also stores its value in the
// settings; a failed one leaves them as they were.
//
// The object loads profile "Default" when created and saves to its current profile on
// final release (finalRelease(), or destruction). Calls come from the thread that
// dispatches automation calls.

#include "server/focuser/focuser_protocol.h"
#include "server/focuser/focuser_value.h"
#include "server/frame/device_settings.h"
#include "server/frame/driver_error.h"
#include "server/frame/focuser_settings.h"
#include "server/ports/port_registry.h"

#include <cstdint>
#include <functional>
#include <string>

namespace velmora::server {

class FocuserDriver {
public:
    // Runs the setup dialog modally on the object.
    using DialogHook = std::function<void(FocuserDriver&)>;
    enum class End { Left, Right };

    // `ports` and `store` are borrowed and must outlive the object.
    FocuserDriver(PortRegistry& ports, DeviceSettings& store);
    ~FocuserDriver();
    FocuserDriver(const FocuserDriver&) = delete;
    FocuserDriver& operator=(const FocuserDriver&) = delete;

    // Unlinks and saves the settings to the current profile; once only.
    void finalRelease();

    // Interface members. A member that needs an exchange fails with "Not Connected"
    // when it cannot be made (also while not linked).
    DriverError getAbsolute(bool& absolute) const;
    DriverError getIsMoving(bool& moving);
    DriverError getLink(bool& linked) const;
    DriverError putLink(bool link);
    DriverError getMaxIncrement(std::int32_t& steps);
    DriverError getMaxStep(std::int32_t& steps);
    DriverError getPosition(std::int32_t& position);
    DriverError getStepSize(double& micrometres) const;
    DriverError getTempComp(bool& tempComp) const;
    DriverError putTempComp(bool tempComp);
    DriverError getTempCompAvailable(bool& available) const;
    DriverError getTemperature(double& celsius) const;
    DriverError Halt();
    // Returns once the controller accepted the target; the motion goes on.
    DriverError Move(std::int32_t position);
    // Halts, runs the dialog hook if any, halts again; always succeeds.
    DriverError SetupDialog();

    // Operations of the setup dialog.
    void setDialogHook(DialogHook hook);
    // The port layer the controller's port comes from (the dialog lists its ports).
    PortRegistry& ports() const { return m_ports; }
    // While set, linking writes every drive parameter to the controller.
    void setPushSettingsOnLink(bool push) { m_pushSettingsOnLink = push; }
    bool pushSettingsOnLink() const { return m_pushSettingsOnLink; }
    const std::string& profile() const { return m_profile; }
    void loadSettings(const std::string& profile);
    // Writes every value to `profile`, which becomes the current one; false when a
    // write failed.
    bool saveSettings(const std::string& profile);
    const FocuserSettings& settings() const { return m_settings; }
    // Unlinks, takes the new value and links again: linked afterwards even if it was
    // not before, or the link's failure.
    DriverError setPortName(const std::string& portName);
    DriverError setPortSpeed(const std::string& portSpeed);
    // Speeds 1..3; false (and unchanged) otherwise.
    bool setCursorSpeed(std::int32_t speed);
    void setStepSize(double micrometres);
    bool writeValue(FocuserValue value, int index, std::int32_t number);
    bool readValue(FocuserValue value, int index, std::int32_t& number);
    bool writeEndSwitch(bool soft, bool hard);
    bool readEndSwitch(bool& soft, bool& hard);
    // 0 one cell, 1 eight cells.
    bool writeCellMode(std::int32_t mode);
    // False also when the reply names neither mode.
    bool readCellMode(std::int32_t& mode);
    // One step toward an end, or a run at the cursor speed until Halt.
    bool stepToward(End end);
    bool runToward(End end);
    // "Focuser KF-3" or "Device Not Found".
    std::string deviceStatus();

private:
    DriverError link();
    void unlink();
    void pushSettings();
    DriverError readEndMax(std::int32_t& steps);
    DriverError query(const char* command, std::int32_t& value);

    PortRegistry& m_ports;
    DeviceSettings& m_store;
    FocuserProtocol m_protocol;
    PortChannel* m_channel = nullptr;
    std::string m_profile;
    FocuserSettings m_settings;
    bool m_pushSettingsOnLink = false;
    bool m_released = false;
    DialogHook m_dialogHook;
};

} // namespace velmora::server
