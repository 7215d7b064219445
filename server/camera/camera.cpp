#include "server/camera/camera.h"

#include "server/frame/interface_members.h"

namespace velmora::server {

Camera::Camera() : DriverObject(serverClass("Camera")) {}

DriverError Camera::getConnected(bool& connected) const
{
    connected = m_connected;
    return DriverError::None;
}

DriverError Camera::putConnected(bool connected)
{
    // No capture device can be connected yet; disconnecting always succeeds.
    return connected ? DriverError::NotConnected : DriverError::None;
}

DriverError Camera::needsDevice()
{
    return DriverError::NotConnected;
}

const automation::DispatchTable<Camera>& Camera::dispatchTable()
{
    using automation::MemberKind;
    static const auto table = [] {
        HandlerMap h;
        const auto getter = MemberKind::PropertyGet;
        h[{"Connected", getter}] = get(&Camera::getConnected);
        h[{"Connected", MemberKind::PropertyPut}] = put(&Camera::putConnected);
        h[{"CanAbortExposure", getter}] = value(true);
        for (const char* name :
             {"CanAsymmetricBin", "CanPulseGuide", "CanSetCCDTemperature", "CanStopExposure", "HasShutter"})
            h[{name, getter}] = value(false);
        for (const char* name : {"CameraState", "CameraXSize", "CameraYSize", "ImageArray", "ImageReady",
                                 "NumX", "NumY", "StartX", "StartY", "PixelSizeX", "PixelSizeY"})
            h[{name, getter}] = call(&Camera::needsDevice);
        for (const char* name : {"NumX", "NumY", "StartX", "StartY"})
            h[{name, MemberKind::PropertyPut}] = call(&Camera::needsDevice);
        for (const char* name : {"AbortExposure", "StartExposure", "GetRawBuffer"})
            h[{name, MemberKind::Method}] = call(&Camera::needsDevice);
        h[{"SetupDialog", MemberKind::Method}] = [](Camera&, automation::DispatchArgs, VARIANT*) {
            return S_OK;
        };
        return buildTable(cameraMembers(), h);
    }();
    return table;
}

} // namespace velmora::server
