// The INDI telescope adapter: guide pulses on the device's timed-guide properties (a
// mount's, or a camera's guide port), optics from TELESCOPE_INFO in millimetres.

#include "client/devices/indi/indi_adapters.h"
#include "client/devices/indi/indi_driver_object.h"
#include "client/devices/indi/timed_guide.h"
#include "server/frame/driver_object.h"
#include "server/frame/interface_members.h"

namespace velmora::client::indi {

namespace {

using automation::MemberKind;
using automation::Variant;

class IndiTelescope : public IndiDriverObject<IndiTelescope> {
public:
    IndiTelescope(const IndiProgId& id, const IndiDriverOptions& options)
        : IndiDriverObject(server::interfaceIdOf(server::serverClass("Telescope")), id, options),
          m_guide(device())
    {
    }
    static const automation::DispatchTable<IndiTelescope>& dispatchTable();

private:
    // ASCOM gives lengths in metres.
    DriverError opticsMetres(const char* element, Variant& value)
    {
        if (!device().isConnected())
            return DriverError::NotConnected;
        const std::optional<double> millimetres = device().number("TELESCOPE_INFO", element);
        if (!millimetres || *millimetres <= 0)
            return DriverError::NotSupported;
        value = Variant::r8(*millimetres / 1000.0);
        return DriverError::None;
    }

    TimedGuide m_guide;
};

const automation::DispatchTable<IndiTelescope>& IndiTelescope::dispatchTable()
{
    static const auto table = [] {
        automation::HandlerMap<IndiTelescope> h;
        connection(h, "Connected", [](IndiTelescope& self) {
            return self.device().attach({"TELESCOPE_TIMED_GUIDE_NS", "TELESCOPE_TIMED_GUIDE_WE"});
        });
        h[{"FocalLength", MemberKind::PropertyGet}] = getter([](IndiTelescope& self, Variant& value) {
            return self.opticsMetres("TELESCOPE_FOCAL_LENGTH", value);
        });
        h[{"ApertureDiameter", MemberKind::PropertyGet}] = getter([](IndiTelescope& self, Variant& value) {
            return self.opticsMetres("TELESCOPE_APERTURE", value);
        });
        TimedGuide::addMembers<IndiTelescope>(
            h, [](IndiTelescope& self) -> TimedGuide& { return self.m_guide; });
        return automation::buildDispatchTable<IndiTelescope>(server::telescopeMembers(), h, notSupported());
    }();
    return table;
}

} // namespace

automation::ComPtr<IDispatch> createIndiTelescope(const IndiProgId& id, const IndiDriverOptions& options)
{
    return automation::makeObject<IndiTelescope>(id, options);
}

} // namespace velmora::client::indi
