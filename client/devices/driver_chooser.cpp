#include "client/devices/driver_chooser.h"

#include "client/devices/indi/indi_drivers.h"
#include "client/shell/settings_layout.h"
#include "platform/automation/bstr.h"
#include "platform/automation/class_factory.h"
#include "platform/registry/registry.h"

namespace velmora::client {

namespace {

void writeClassesRootDefault(const std::string& path, const std::string& text)
{
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    RegSetValueEx(key, nullptr, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                  static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

bool registeredInClassesRoot()
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, (std::string(kChooserProgId) + "\\CLSID").c_str(), KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace

std::vector<DriverEntry> DriverChooser::drivers() const
{
    std::vector<DriverEntry> drivers = registeredDrivers(m_deviceType);
    if (m_moreDrivers) {
        std::vector<DriverEntry> more = m_moreDrivers(m_deviceType);
        drivers.insert(drivers.end(), more.begin(), more.end());
    }
    return drivers;
}

std::string DriverChooser::choose(const std::string& currentProgId)
{
    const std::vector<DriverEntry> drivers = this->drivers();
    if (!m_dialog)
        return {};
    std::optional<std::size_t> chosen =
        m_dialog->choose(m_deviceType, drivers, indexOfProgId(drivers, currentProgId));
    if (!chosen || *chosen >= drivers.size())
        return {};
    return drivers[*chosen].progId;
}

const automation::DispatchTable<DriverChooser>& DriverChooser::dispatchTable()
{
    using automation::DispatchArgs;
    using automation::Variant;
    static const auto table =
        automation::DispatchTable<DriverChooser>()
            .get("DeviceType", 1, VT_BSTR,
                 [](DriverChooser& self, DispatchArgs, VARIANT* out) {
                     *out = Variant::string(self.deviceType()).detach();
                     return S_OK;
                 })
            .put("DeviceType", 1, VT_BSTR,
                 [](DriverChooser& self, DispatchArgs args, VARIANT*) {
                     self.setDeviceType(automation::bstrToUtf8(args[0].bstrVal));
                     return S_OK;
                 })
            .method("Choose", 2, {{"DriverProgID", VT_BSTR}}, VT_BSTR,
                    [](DriverChooser& self, DispatchArgs args, VARIANT* out) {
                        *out = Variant::string(self.choose(automation::bstrToUtf8(args[0].bstrVal))).detach();
                        return S_OK;
                    });
    return table;
}

std::unique_ptr<automation::InProcessClass> registerDriverChooser(ChooserDialog& dialog, DriverSource moreDrivers)
{
    const CLSID clsid = automation::parseGuid(kChooserClsid).value_or(IID_NULL);
    if (!registeredInClassesRoot()) {
        registry::Batch batch(HKEY_CLASSES_ROOT);
        writeClassesRootDefault(kChooserProgId, "Driver Chooser");
        writeClassesRootDefault(std::string(kChooserProgId) + "\\CLSID", kChooserClsid);
        writeClassesRootDefault(std::string("CLSID\\") + kChooserClsid, "Driver Chooser");
        writeClassesRootDefault(std::string("CLSID\\") + kChooserClsid + "\\ProgID", kChooserProgId);
    }
    return std::make_unique<automation::InProcessClass>(kChooserProgId, clsid,
                                                        automation::creatorFor<DriverChooser>(&dialog, moreDrivers));
}

DriverSource indiServerDrivers(const SettingsStore& settings)
{
    return [&settings](const std::string& deviceType) {
        std::vector<DriverEntry> entries;
        const std::optional<indi::IndiDeviceType> type = indi::deviceTypeFromName(deviceType);
        if (!type)
            return entries;
        indi::IndiServerAddress server;
        const std::string host = settings::read(settings, settings::kIndiHost);
        const std::int32_t port = settings::read(settings, settings::kIndiPort);
        if (!host.empty())
            server.host = host;
        if (port >= 1 && port <= 65535)
            server.port = static_cast<std::uint16_t>(port);
        for (const indi::AnnouncedDevice& device : indi::announcedDevices(*type, server))
            entries.push_back({device.progId, device.description});
        return entries;
    };
}

} // namespace velmora::client
