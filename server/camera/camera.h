#pragma once
// Camera: the ICamera automation object. It answers what does not depend on a video
// device (capabilities, unsupported members); the members that need the capture
// pipeline answer "Not Connected" until a device is connected.

#include "server/frame/driver_object.h"

namespace velmora::server {

class Camera : public DriverObject<Camera> {
public:
    Camera();

    static const automation::DispatchTable<Camera>& dispatchTable();
    Camera& core() { return *this; }

    DriverError getConnected(bool& connected) const;
    DriverError putConnected(bool connected);
    DriverError needsDevice();

private:
    bool m_connected = false;
};

} // namespace velmora::server
