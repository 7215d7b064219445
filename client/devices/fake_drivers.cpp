#include "client/devices/fake_drivers.h"

#include "client/shell/settings_store.h"

namespace velmora::client::fakes {

FakeDrivers::FakeDrivers(const std::string& prefix, SettingsStore& store)
    : m_camera(registerFakeCamera(prefix + "Camera", &camera)),
      m_telescope(registerFakeTelescope(prefix + "Telescope", &telescope))
{
    store.writeString("Drivers", "Camera", prefix + "Camera");
    store.writeString("Drivers", "Focuser", "Missing.Focuser");
    store.writeString("Drivers", "Telescope", prefix + "Telescope");
}

FakeDrivers::~FakeDrivers() = default;

} // namespace velmora::client::fakes
