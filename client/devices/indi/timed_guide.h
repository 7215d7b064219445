#pragma once
// Timed guide pulses over TELESCOPE_TIMED_GUIDE_NS / TELESCOPE_TIMED_GUIDE_WE, which
// mounts and cameras with a guide port (ST4) publish alike. A pulse is sent and the
// call returns; the device carries it out. A new pulse on an axis replaces the one
// the device is carrying out, as INDI drivers do.

#include "client/devices/indi/indi_device.h"
#include "platform/automation/dispatch_table.h"
#include "platform/automation/variant.h"

#include <cstdint>

namespace velmora::client::indi {

class TimedGuide {
public:
    explicit TimedGuide(IndiDevice& device) : m_device(device) {}

    bool canPulseGuide() const;
    // Direction as GuideDirections: 0 North, 1 South, 2 East, 3 West.
    DriverError pulseGuide(std::int32_t direction, std::int32_t durationMs);
    bool isPulseGuiding() const;

    // CanPulseGuide, PulseGuide and IsPulseGuiding of an adapter T whose TimedGuide
    // `guide(self)` returns.
    template <class T, class Guide> static void addMembers(automation::HandlerMap<T>& h, Guide guide)
    {
        using automation::DispatchArgs;
        using automation::MemberKind;
        using automation::Variant;
        h[{"CanPulseGuide", MemberKind::PropertyGet}] = [guide](T& self, DispatchArgs, VARIANT* out) {
            return self.answer(DriverError::None, Variant::boolean(guide(self).canPulseGuide()), out);
        };
        h[{"IsPulseGuiding", MemberKind::PropertyGet}] = [guide](T& self, DispatchArgs, VARIANT* out) {
            return self.answer(DriverError::None, Variant::boolean(guide(self).isPulseGuiding()), out);
        };
        h[{"PulseGuide", MemberKind::Method}] = [guide](T& self, DispatchArgs args, VARIANT*) {
            return self.result(guide(self).pulseGuide(args[0].lVal, args[1].lVal));
        };
    }

private:
    IndiDevice& m_device;
};

} // namespace velmora::client::indi
