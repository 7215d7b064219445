#include "server/camera/camera.h"

#include "platform/automation/safe_array.h"
#include "server/frame/interface_members.h"

#include <cstring>

namespace velmora::server {

namespace {

HRESULT putConnected(Camera& self, automation::DispatchArgs args, VARIANT*)
{
    // No usable capture device: S_FALSE without error information.
    return self.core().putConnected(args[0].boolVal != 0) ? S_OK : S_FALSE;
}

HRESULT startExposure(Camera& self, automation::DispatchArgs args, VARIANT* out)
{
    bool started = false;
    const DriverError error = self.core().StartExposure(args[0].dblVal, args[1].boolVal != 0, started);
    if (error != DriverError::None)
        return self.result(error);
    *out = automation::Variant::boolean(started).detach();
    return S_OK;
}

// A copy of the image: x fastest, then y, then plane.
SAFEARRAY* imageArray(const ColourImage& image)
{
    const SAFEARRAYBOUND bounds[] = {{static_cast<ULONG>(image.width()), 0},
                                     {static_cast<ULONG>(image.height()), 0},
                                     {static_cast<ULONG>(image.planeCount()), 0}};
    const UINT dimensions = image.planeCount() == 1 ? 2 : 3;
    SAFEARRAY* array = automation::createUninitializedSafeArray(VT_I4, dimensions, bounds);
    if (array)
        std::memcpy(array->pvData, image.data(), image.byteCount());
    return array;
}

HRESULT getImageArray(Camera& self, automation::DispatchArgs, VARIANT* out)
{
    SAFEARRAY* array = nullptr;
    const DriverError error =
        self.core().useImage([&](const ColourImage& image) { array = imageArray(image); });
    if (error != DriverError::None)
        return self.result(error);
    if (!array)
        return E_OUTOFMEMORY;
    *out = automation::Variant::array(array).detach();
    return S_OK;
}

HRESULT getRawBuffer(Camera& self, automation::DispatchArgs args, VARIANT*)
{
    // The window handle travels in the low 32 bits.
    const HWND window = static_cast<HWND>(static_cast<std::uint32_t>(args[0].llVal));
    const DriverError error = self.core().useImage([&](const ColourImage& image) {
        COPYDATASTRUCT data{reinterpret_cast<ULONG_PTR>(image.data()), static_cast<DWORD>(image.byteCount()),
                            const_cast<std::int32_t*>(image.data())};
        // Synchronous, with the lock held; whatever the window answers.
        SendMessage(window, WM_COPYDATA, Camera::rawBufferWord(image), reinterpret_cast<LPARAM>(&data));
    });
    return self.result(error);
}

} // namespace

Camera::Camera(const CameraEnvironment& environment)
    : DriverObject(serverClass("Camera")), m_driver(environment)
{
}

Camera::~Camera()
{
    m_driver.finalRelease();
}

WPARAM Camera::rawBufferWord(const ColourImage& image)
{
    return static_cast<WPARAM>(image.width()) << 17 | static_cast<WPARAM>(image.height()) << 2 |
           static_cast<WPARAM>(image.planeCount());
}

const automation::DispatchTable<Camera>& Camera::dispatchTable()
{
    using automation::MemberKind;
    static const auto table = [] {
        HandlerMap h;
        const auto getter = MemberKind::PropertyGet;
        const auto setter = MemberKind::PropertyPut;
        const auto method = MemberKind::Method;
        h[{"CameraState", getter}] = get(&CameraDriver::getCameraState);
        h[{"CameraXSize", getter}] = get(&CameraDriver::getCameraXSize);
        h[{"CameraYSize", getter}] = get(&CameraDriver::getCameraYSize);
        h[{"CanAbortExposure", getter}] = value(true);
        for (const char* name :
             {"CanAsymmetricBin", "CanPulseGuide", "CanSetCCDTemperature", "CanStopExposure", "HasShutter"})
            h[{name, getter}] = value(false);
        h[{"Connected", getter}] = get(&CameraDriver::getConnected);
        h[{"Connected", setter}] = putConnected;
        h[{"ImageArray", getter}] = getImageArray;
        h[{"ImageReady", getter}] = get(&CameraDriver::getImageReady);
        h[{"NumX", getter}] = get(&CameraDriver::getNumX);
        h[{"NumX", setter}] = put(&CameraDriver::putNumX);
        h[{"NumY", getter}] = get(&CameraDriver::getNumY);
        h[{"NumY", setter}] = put(&CameraDriver::putNumY);
        h[{"StartX", getter}] = get(&CameraDriver::getStartX);
        h[{"StartX", setter}] = put(&CameraDriver::putStartX);
        h[{"StartY", getter}] = get(&CameraDriver::getStartY);
        h[{"StartY", setter}] = put(&CameraDriver::putStartY);
        h[{"PixelSizeX", getter}] = get(&CameraDriver::getPixelSizeX);
        h[{"PixelSizeY", getter}] = get(&CameraDriver::getPixelSizeY);
        h[{"AbortExposure", method}] = call(&CameraDriver::AbortExposure);
        h[{"SetupDialog", method}] = call(&CameraDriver::SetupDialog);
        h[{"StartExposure", method}] = startExposure;
        h[{"GetRawBuffer", method}] = getRawBuffer;
        return buildTable(cameraMembers(), h);
    }();
    return table;
}

} // namespace velmora::server
