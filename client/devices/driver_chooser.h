#pragma once
// "DriverHelper.Chooser": the in-process automation class through which the client
// lets the user pick a driver of one device type. The list comes from the ASCOM
// profile entries; the dialog that shows it sits behind ChooserDialog.

#include "client/devices/driver_list.h"
#include "platform/automation/dispatch_object.h"
#include "platform/automation/in_process_class.h"

#include <functional>
#include <memory>
#include <optional>

namespace velmora::client {

class ChooserDialog {
public:
    virtual ~ChooserDialog() = default;
    // Shows the drivers with `preselected` (-1: none) selected; the chosen index,
    // or nothing when the user cancelled.
    virtual std::optional<std::size_t> choose(const std::string& deviceType,
                                              const std::vector<DriverEntry>& drivers, int preselected) = 0;
};

// Drivers listed after the registered ones, by device type (the devices of an indiserver).
using DriverSource = std::function<std::vector<DriverEntry>(const std::string& deviceType)>;

class SettingsStore;

class DriverChooser : public automation::DispatchObject<DriverChooser> {
public:
    explicit DriverChooser(ChooserDialog* dialog, DriverSource moreDrivers = {})
        : m_dialog(dialog), m_moreDrivers(std::move(moreDrivers))
    {
    }

    static const automation::DispatchTable<DriverChooser>& dispatchTable();

    // The chosen ProgID, or "" when cancelled or nothing is registered.
    std::string choose(const std::string& currentProgId);
    void setDeviceType(std::string type) { m_deviceType = std::move(type); }
    const std::string& deviceType() const { return m_deviceType; }

private:
    std::vector<DriverEntry> drivers() const;

    ChooserDialog* m_dialog;
    DriverSource m_moreDrivers;
    std::string m_deviceType = "Telescope";
};

constexpr const char* kChooserProgId = "DriverHelper.Chooser";
constexpr const char* kChooserClsid = "{2F4B1C6E-9A57-4E0B-8C3D-5A1E7F902B61}";

// Makes the class reachable in this process (for as long as the result lives) and
// records it under HKCR so that other tools see the ProgID.
std::unique_ptr<automation::InProcessClass> registerDriverChooser(ChooserDialog& dialog,
                                                                  DriverSource moreDrivers = {});

// The devices that the indiserver named in section "INDI" of `settings` announces,
// read each time the chooser opens.
DriverSource indiServerDrivers(const SettingsStore& settings);

} // namespace velmora::client
