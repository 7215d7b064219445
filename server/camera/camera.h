#pragma once
// Camera: the ICamera automation object over the camera driver core. ImageArray comes
// as a new SAFEARRAY of 32-bit integers; GetRawBuffer sends the same values to a
// client window as WM_COPYDATA.

#include "server/camera/camera_driver.h"
#include "server/camera/camera_environment.h"
#include "server/frame/driver_object.h"

#include "platform/automation/window_messages.h"

namespace velmora::server {

class Camera : public DriverObject<Camera> {
public:
    // `environment` and all it points at are borrowed for the object's lifetime.
    explicit Camera(const CameraEnvironment& environment);
    ~Camera() override;

    static const automation::DispatchTable<Camera>& dispatchTable();
    CameraDriver& core() { return m_driver; }

    // WM_COPYDATA's word parameter for an image: width << 17 | height << 2 | planes.
    static WPARAM rawBufferWord(const ColourImage& image);

private:
    CameraDriver m_driver;
};

} // namespace velmora::server
