// The INDI camera adapter: exposures on CCD_EXPOSURE, images from the CCD1 BLOB (FITS),
// the sensor from CCD_INFO. A camera with a guide port also pulse-guides (its
// TELESCOPE_TIMED_GUIDE_NS/WE, as the telescope adapter does).

#include "client/devices/indi/fits_image.h"
#include "client/devices/indi/indi_adapters.h"
#include "client/devices/indi/indi_driver_object.h"
#include "client/devices/indi/timed_guide.h"
#include "platform/automation/safe_array.h"
#include "server/frame/driver_object.h"
#include "server/frame/interface_members.h"

#include <cmath>
#include <cstring>

namespace velmora::client::indi {

namespace {

using automation::DispatchArgs;
using automation::MemberKind;
using automation::Variant;

constexpr const char* kExposure = "CCD_EXPOSURE";
constexpr const char* kImage = "CCD1";
constexpr const char* kInfo = "CCD_INFO";

// ICamera's CameraStates.
constexpr LONG kCameraIdle = 0;
constexpr LONG kCameraExposing = 2;
constexpr LONG kCameraError = 5;

SAFEARRAY* imageArray(const FitsImage& image)
{
    const SAFEARRAYBOUND bounds[] = {{static_cast<ULONG>(image.width), 0},
                                     {static_cast<ULONG>(image.height), 0},
                                     {static_cast<ULONG>(image.planes), 0}};
    SAFEARRAY* array = automation::createUninitializedSafeArray(VT_I4, image.planes == 1 ? 2 : 3, bounds);
    if (array)
        std::memcpy(array->pvData, image.samples.data(), image.samples.size() * sizeof(std::int32_t));
    return array;
}

class IndiCamera : public IndiDriverObject<IndiCamera> {
public:
    IndiCamera(const IndiProgId& id, const IndiDriverOptions& options)
        : IndiDriverObject(server::interfaceIdOf(server::serverClass("Camera")), id, options),
          m_guide(device())
    {
    }
    static const automation::DispatchTable<IndiCamera>& dispatchTable();

private:
    DriverError attach()
    {
        return device().attach({kExposure, kInfo, kImage}, [this] {
            // Drivers define the sensor's information before they have read it, and may
            // fill it in over several updates; a sensor without a size is refused, one
            // whose pixel size stays unknown is taken as it is.
            const std::string& name = device().name();
            auto positive = [&](const PropertyMirror::View& view,
                                std::initializer_list<const char*> elements) {
                const PropertyCopy* info = view.property(name, kInfo);
                for (const char* element : elements)
                    if (!info || !(info->number(element).value_or(0) > 0))
                        return false;
                return true;
            };
            const DriverError complete = device().waitFor(
                [&](const PropertyMirror::View& view) {
                    return positive(view, {"CCD_MAX_X", "CCD_MAX_Y", "CCD_PIXEL_SIZE_X", "CCD_PIXEL_SIZE_Y"});
                },
                device().bounds().answer);
            if (complete == DriverError::NotConnected)
                return complete;
            if (complete != DriverError::None) {
                const DriverError sized = device().waitFor(
                    [&](const PropertyMirror::View& view) {
                        return positive(view, {"CCD_MAX_X", "CCD_MAX_Y"});
                    },
                    std::chrono::milliseconds(0));
                if (sized != DriverError::None)
                    return sized;
            }
            device().connection().receiveBlobs(name);
            // Images come as FITS; a driver set to its native format is switched back.
            const std::optional<PropertyCopy> format = device().property("CCD_TRANSFER_FORMAT");
            if (format && !format->switchOn("FORMAT_FITS"))
                device().sendSwitch("CCD_TRANSFER_FORMAT", "FORMAT_FITS");
            return DriverError::None;
        });
    }

    std::uint64_t imagesReceived() const
    {
        const std::optional<PropertyCopy> image = device().property(kImage);
        return image ? image->blobsReceived : 0;
    }

    DriverError startExposure(double seconds, bool light)
    {
        if (!(seconds >= 0) || !std::isfinite(seconds))
            return DriverError::InvalidDuration;
        if (DriverError error = device().requireConnected(); error != DriverError::None)
            return error;
        if (device().has("CCD_FRAME_TYPE"))
            device().sendSwitch("CCD_FRAME_TYPE", light ? "FRAME_LIGHT" : "FRAME_DARK");
        {
            std::lock_guard guard(m_lock);
            m_imagesBefore = imagesReceived();
            m_exposing = true;
        }
        const DriverError error = device().send(kExposure, {{"CCD_EXPOSURE_VALUE", seconds}});
        if (error != DriverError::None) {
            std::lock_guard guard(m_lock);
            m_exposing = false;
        }
        return error;
    }

    DriverError abortExposure()
    {
        {
            std::lock_guard guard(m_lock);
            m_exposing = false;
        }
        if (!device().isConnected())
            return DriverError::None;
        const DriverError error = device().sendSwitch("CCD_ABORT_EXPOSURE", "ABORT");
        return error == DriverError::NotSupported ? DriverError::None : error;
    }

    bool imageReady() const
    {
        std::lock_guard guard(m_lock);
        return m_exposing && imagesReceived() > m_imagesBefore;
    }

    DriverError image(Variant& value)
    {
        if (!device().isConnected())
            return DriverError::NotConnected;
        if (!imageReady())
            return DriverError::ImageNotReady;
        const std::optional<PropertyCopy> blob = device().property(kImage);
        if (!blob || !blob->blob)
            return DriverError::ImageNotReady;
        if (blob->blobFormat.find(".fits") != 0 || blob->blobFormat.size() != 5)
            return DriverError::ExternalError; // only uncompressed FITS is decoded
        auto decoded = decodeFitsImage(*blob->blob);
        if (std::holds_alternative<FitsError>(decoded))
            return DriverError::ExternalError;
        SAFEARRAY* array = imageArray(std::get<FitsImage>(decoded));
        if (!array)
            return DriverError::ExternalError;
        value = Variant::array(array);
        return DriverError::None;
    }

    DriverError sensorNumber(const char* element, Variant& value, bool integer)
    {
        if (!device().isConnected())
            return DriverError::NotConnected;
        const std::optional<double> number = device().number(kInfo, element);
        if (!number)
            return DriverError::NotSupported;
        value = integer ? Variant::i4(static_cast<LONG>(*number)) : Variant::r8(*number);
        return DriverError::None;
    }

    LONG cameraState() const
    {
        const std::optional<PropertyCopy> exposure = device().property(kExposure);
        if (!device().isConnected() || !exposure)
            return kCameraIdle;
        if (exposure->state == PropertyState::Alert)
            return kCameraError;
        std::lock_guard guard(m_lock);
        return m_exposing && imagesReceived() <= m_imagesBefore ? kCameraExposing : kCameraIdle;
    }

    mutable std::mutex m_lock;
    bool m_exposing = false;
    std::uint64_t m_imagesBefore = 0;
    TimedGuide m_guide;
};

const automation::DispatchTable<IndiCamera>& IndiCamera::dispatchTable()
{
    static const auto table = [] {
        automation::HandlerMap<IndiCamera> h;
        connection(h, "Connected", [](IndiCamera& self) { return self.attach(); });
        h[{"StartExposure", MemberKind::Method}] = [](IndiCamera& self, DispatchArgs args, VARIANT* out) {
            const DriverError error = self.startExposure(args[0].dblVal, args[1].boolVal != VARIANT_FALSE);
            return self.answer(error, Variant::boolean(true), out);
        };
        h[{"AbortExposure", MemberKind::Method}] =
            action([](IndiCamera& self, DispatchArgs) { return self.abortExposure(); });
        h[{"ImageReady", MemberKind::PropertyGet}] = getter([](IndiCamera& self, Variant& value) {
            value = Variant::boolean(self.imageReady());
            return DriverError::None;
        });
        h[{"ImageArray", MemberKind::PropertyGet}] =
            getter([](IndiCamera& self, Variant& value) { return self.image(value); });
        h[{"CameraXSize", MemberKind::PropertyGet}] = getter(
            [](IndiCamera& self, Variant& value) { return self.sensorNumber("CCD_MAX_X", value, true); });
        h[{"CameraYSize", MemberKind::PropertyGet}] = getter(
            [](IndiCamera& self, Variant& value) { return self.sensorNumber("CCD_MAX_Y", value, true); });
        h[{"PixelSizeX", MemberKind::PropertyGet}] = getter([](IndiCamera& self, Variant& value) {
            return self.sensorNumber("CCD_PIXEL_SIZE_X", value, false);
        });
        h[{"PixelSizeY", MemberKind::PropertyGet}] = getter([](IndiCamera& self, Variant& value) {
            return self.sensorNumber("CCD_PIXEL_SIZE_Y", value, false);
        });
        h[{"CameraState", MemberKind::PropertyGet}] = getter([](IndiCamera& self, Variant& value) {
            value = Variant::i4(self.cameraState());
            return DriverError::None;
        });
        TimedGuide::addMembers<IndiCamera>(h, [](IndiCamera& self) -> TimedGuide& { return self.m_guide; });
        return automation::buildDispatchTable<IndiCamera>(server::cameraMembers(), h, notSupported());
    }();
    return table;
}

} // namespace

automation::ComPtr<IDispatch> createIndiCamera(const IndiProgId& id, const IndiDriverOptions& options)
{
    return automation::makeObject<IndiCamera>(id, options);
}

} // namespace velmora::client::indi
