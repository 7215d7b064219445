#include "client/devices/driver_binding.h"

#include "client/shell/settings_store.h"
#include "platform/automation/bstr.h"

namespace velmora::client {

namespace {

constexpr const char* kDriversSection = "Drivers";
constexpr const char* kChooserProgId = "DriverHelper.Chooser";

const std::array<DriverKindInfo, 3> kKindInfo = {{
    {"Camera", "VelmoraServer.Camera", "Camera", "Connected"},
    {"Focuser", "VelmoraServer.Focuser", "Focuser", "Link"},
    {"Telescope", "VelmoraServer.Telescope", "Telescope", "Connected"},
}};

DriverKind kindOfSetupCommand(int commandId)
{
    return static_cast<DriverKind>(commandId - kCommandCameraSetup);
}

} // namespace

const DriverKindInfo& driverKindInfo(DriverKind kind)
{
    return kKindInfo[static_cast<std::size_t>(kind)];
}

HRESULT DriverBinding::createDriver(const std::string& progId, DriverRef& driver)
{
    m_window.beginWaitCursor();
    HRESULT hr = CreateDriver(progId, driver);
    m_window.endWaitCursor();
    return hr;
}

void DriverBinding::bindAtStartup(const SettingsStore& settings)
{
    for (DriverKind kind : kDriverKinds) {
        const DriverKindInfo& info = driverKindInfo(kind);
        m_progIds[index(kind)] = settings.readString(kDriversSection, info.settingName, info.defaultProgId);
    }
    for (DriverKind kind : kDriverKinds)
        createDriver(m_progIds[index(kind)], m_drivers[index(kind)]);
    for (DriverKind kind : kDriverKinds)
        if (driver(kind))
            writeConnection(driver(kind), driverKindInfo(kind).connectionProperty, true);
}

void DriverBinding::stopFramesAndCloseImageWindow()
{
    if (driver(DriverKind::Camera))
        m_window.abortExposureCycle();
    if (m_window.hasImageWindow())
        m_window.closeImageWindow();
}

void DriverBinding::releaseDriver(DriverKind kind)
{
    DriverRef& ref = m_drivers[index(kind)];
    if (!ref)
        return;
    writeConnection(ref.get(), driverKindInfo(kind).connectionProperty, false);
    DriverRef released = std::move(ref); // the reference is cleared before the release
    released.reset();
}

void DriverBinding::chooseDriver(DriverKind kind)
{
    const DriverKindInfo& info = driverKindInfo(kind);
    DriverRef chooser;
    if (FAILED(createDriver(kChooserProgId, chooser)) || !chooser)
        return;
    PutDriverProperty(chooser.get(), "DeviceType",
                      *automation::Variant::string(info.chooserDeviceType).get());
    m_window.minimiseMainWindow();
    automation::Variant chosen;
    HRESULT hr = CallDriverMethod(chooser.get(), "Choose", *automation::Variant::string(progId(kind)).get(),
                                  chosen.get());
    const std::string choice =
        (hr == S_OK && chosen->vt == VT_BSTR) ? automation::bstrToUtf8(chosen->bstrVal) : "";
    if (!choice.empty()) {
        stopFramesAndCloseImageWindow();
        releaseDriver(kind);
        m_progIds[index(kind)] = choice;
        if (SUCCEEDED(createDriver(choice, m_drivers[index(kind)])) && driver(kind))
            writeConnection(driver(kind), info.connectionProperty, true);
    }
    m_window.restoreMainWindow();
}

void DriverBinding::openSetupDialog(DriverKind kind)
{
    stopFramesAndCloseImageWindow();
    m_window.minimiseMainWindow();
    CallDriverMethod(driver(kind), "SetupDialog");
    m_window.restoreMainWindow();
}

bool DriverBinding::isCommandEnabled(int commandId) const
{
    switch (commandId) {
    case kCommandCameraSetup:
    case kCommandFocuserSetup:
    case kCommandTelescopeSetup:
        if (!driver(kindOfSetupCommand(commandId)))
            return false;
        return !m_window.imageWindowIsActive() || m_window.toolDialogsAttached() == 1;
    case kCommandChooseCamera:
    case kCommandChooseFocuser:
    case kCommandChooseTelescope:
    case kCommandCapture:
        return true;
    case kCommandGuiding:
        return readDriverBool(driver(DriverKind::Telescope), "Connected");
    case kCommandFocusing:
        return readDriverBool(driver(DriverKind::Focuser), "Link");
    default:
        return false;
    }
}

void DriverBinding::unbindAtShutdown(SettingsStore& settings)
{
    for (DriverKind kind : kDriverKinds)
        settings.writeString(kDriversSection, driverKindInfo(kind).settingName, progId(kind));
    for (DriverKind kind : kDriverKinds)
        if (driver(kind))
            writeConnection(driver(kind), driverKindInfo(kind).connectionProperty, false);
    for (DriverKind kind : kDriverKinds) {
        DriverRef released = std::move(m_drivers[index(kind)]);
        released.reset();
    }
}

} // namespace velmora::client
