#pragma once
// Focuser: the IFocuser automation object over the KF-3 focuser driver core.

#include "server/focuser/focuser_driver.h"
#include "server/frame/driver_object.h"

namespace velmora::server {

class Focuser : public DriverObject<Focuser> {
public:
    // `ports` and `store` are the server's, borrowed for the object's lifetime.
    Focuser(PortRegistry& ports, DeviceSettings& store);
    ~Focuser() override;

    static const automation::DispatchTable<Focuser>& dispatchTable();
    FocuserDriver& core() { return m_driver; }

private:
    FocuserDriver m_driver;
};

} // namespace velmora::server
