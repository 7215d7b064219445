#pragma once
// Telescope: the ITelescope automation object over the pulse-guiding driver core.

#include "server/frame/driver_object.h"
#include "server/telescope/telescope_driver.h"

namespace velmora::server {

class Telescope : public DriverObject<Telescope> {
public:
    // `ports` and `store` are the server's, borrowed for the object's lifetime.
    Telescope(PortRegistry& ports, DeviceSettings& store);
    ~Telescope() override;

    static const automation::DispatchTable<Telescope>& dispatchTable();
    TelescopeDriver& core() { return m_driver; }

private:
    TelescopeDriver m_driver;
};

} // namespace velmora::server
