#pragma once
// Test support: a fake camera and a fake telescope registered in-process as
// "<prefix>Camera" and "<prefix>Telescope" and named in section "Drivers" of a store,
// with a focuser that does not exist; for tests that bind the client's drivers.

#include "client/devices/fake_camera.h"
#include "client/devices/fake_telescope.h"

#include <memory>
#include <string>

namespace velmora::client {
class SettingsStore;
}

namespace velmora::client::fakes {

class FakeDrivers {
public:
    FakeDrivers(const std::string& prefix, SettingsStore& store);
    ~FakeDrivers();
    FakeDrivers(const FakeDrivers&) = delete;
    FakeDrivers& operator=(const FakeDrivers&) = delete;

    FakeCameraScript camera;
    FakeTelescopeScript telescope;

private:
    std::unique_ptr<automation::InProcessClass> m_camera;
    std::unique_ptr<automation::InProcessClass> m_telescope;
};

} // namespace velmora::client::fakes
