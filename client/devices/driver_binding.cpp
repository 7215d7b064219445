#include "client/devices/driver_binding.h"

#include "client/devices/driver_chooser.h"
#include "client/shell/settings_store.h"
#include "platform/automation/bstr.h"

#include <utility>

namespace velmora::client {

namespace {

const std::array<DriverKindInfo, 3> kKindInfo = {{
    {&settings::kDriverCamera, "Camera", "Connected"},
    {&settings::kDriverFocuser, "Focuser", "Link"},
    {&settings::kDriverTelescope, "Telescope", "Connected"},
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

DriverRef DriverBinding::sharedDriver(DriverKind kind) const
{
    std::lock_guard lock(m_lock);
    return m_drivers[index(kind)];
}

void DriverBinding::setDriver(DriverKind kind, DriverRef driver)
{
    DriverRef previous;
    {
        std::lock_guard lock(m_lock);
        previous = std::exchange(m_drivers[index(kind)], std::move(driver));
    }
    previous.reset(); // released outside the lock: a release may end a server connection
}

HRESULT DriverBinding::createInto(DriverKind kind, const std::string& progId)
{
    DriverRef created;
    const HRESULT hr = createDriver(progId, created);
    if (SUCCEEDED(hr) && created)
        setDriver(kind, std::move(created));
    return hr;
}

void DriverBinding::bindAtStartup(const SettingsStore& store)
{
    for (DriverKind kind : kDriverKinds)
        m_progIds[index(kind)] = settings::read(store, *driverKindInfo(kind).progIdSetting);
    for (DriverKind kind : kDriverKinds)
        createInto(kind, m_progIds[index(kind)]);
    for (DriverKind kind : kDriverKinds)
        if (driver(kind))
            writeConnection(driver(kind), driverKindInfo(kind).connectionProperty, true);
    refreshConnectionStates();
}

void DriverBinding::refreshConnectionStates()
{
    for (DriverKind kind : kDriverKinds)
        m_connected[index(kind)] = readDriverBool(driver(kind), driverKindInfo(kind).connectionProperty);
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
    if (!driver(kind))
        return;
    writeConnection(driver(kind), driverKindInfo(kind).connectionProperty, false);
    setDriver(kind, nullptr); // the reference is cleared before the release
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
        if (SUCCEEDED(createInto(kind, choice)) && driver(kind))
            writeConnection(driver(kind), info.connectionProperty, true);
        refreshConnectionStates();
    }
    m_window.restoreMainWindow();
}

void DriverBinding::openSetupDialog(DriverKind kind)
{
    stopFramesAndCloseImageWindow();
    m_window.minimiseMainWindow();
    CallDriverMethod(driver(kind), "SetupDialog");
    refreshConnectionStates(); // the dialog may have connected or disconnected the device
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
        return isConnected(DriverKind::Telescope);
    case kCommandFocusing:
        return isConnected(DriverKind::Focuser);
    default:
        return false;
    }
}

void DriverBinding::unbindAtShutdown(SettingsStore& store)
{
    for (DriverKind kind : kDriverKinds)
        settings::write(store, *driverKindInfo(kind).progIdSetting, progId(kind));
    for (DriverKind kind : kDriverKinds)
        if (driver(kind))
            writeConnection(driver(kind), driverKindInfo(kind).connectionProperty, false);
    for (DriverKind kind : kDriverKinds)
        setDriver(kind, nullptr);
    m_connected = {};
}

} // namespace velmora::client
