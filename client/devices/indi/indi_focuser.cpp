// The INDI focuser adapter: absolute moves on ABS_FOCUS_POSITION, limits from FOCUS_MAX
// and the position's own range, Halt on FOCUS_ABORT_MOTION.

#include "client/devices/indi/indi_adapters.h"
#include "client/devices/indi/indi_driver_object.h"
#include "server/frame/driver_object.h"
#include "server/frame/interface_members.h"

#include <cmath>

namespace velmora::client::indi {

namespace {

using automation::DispatchArgs;
using automation::MemberKind;
using automation::Variant;

constexpr const char* kAbsolute = "ABS_FOCUS_POSITION";
constexpr const char* kAbsoluteElement = "FOCUS_ABSOLUTE_POSITION";
constexpr const char* kRelative = "REL_FOCUS_POSITION";

LONG steps(double value)
{
    if (!(value > -2147483648.0))
        return std::isnan(value) ? 0 : -2147483647 - 1;
    return value >= 2147483647.0 ? 2147483647 : static_cast<LONG>(value);
}

class IndiFocuser : public IndiDriverObject<IndiFocuser> {
public:
    IndiFocuser(const IndiProgId& id, const IndiDriverOptions& options)
        : IndiDriverObject(server::interfaceIdOf(server::serverClass("Focuser")), id, options)
    {
    }
    static const automation::DispatchTable<IndiFocuser>& dispatchTable();

private:
    std::optional<NumberElement> absolute() const
    {
        const std::optional<PropertyCopy> position = device().property(kAbsolute);
        if (!position)
            return std::nullopt;
        auto it = position->numbers.find(kAbsoluteElement);
        if (it == position->numbers.end())
            return std::nullopt;
        return it->second;
    }

    DriverError position(Variant& value)
    {
        if (DriverError error = device().requireConnected(); error != DriverError::None)
            return error;
        const std::optional<NumberElement> position = absolute();
        if (!position)
            return DriverError::NotSupported;
        value = Variant::i4(steps(position->value));
        return DriverError::None;
    }

    DriverError move(LONG target)
    {
        if (DriverError error = device().requireConnected(); error != DriverError::None)
            return error;
        const std::optional<NumberElement> position = absolute();
        if (!position)
            return DriverError::NotSupported;
        if (position->max > position->min && (target < position->min || target > position->max))
            return DriverError::InvalidValue;
        return device().send(kAbsolute, {{kAbsoluteElement, static_cast<double>(target)}});
    }

    DriverError maxStep(Variant& value)
    {
        if (DriverError error = device().requireConnected(); error != DriverError::None)
            return error;
        std::optional<double> max = device().number("FOCUS_MAX", "FOCUS_MAX_VALUE");
        if (!max) {
            const std::optional<NumberElement> position = absolute();
            if (position)
                max = position->max;
        }
        if (!max)
            return DriverError::NotSupported;
        value = Variant::i4(steps(*max));
        return DriverError::None;
    }

    DriverError maxIncrement(Variant& value)
    {
        if (DriverError error = device().requireConnected(); error != DriverError::None)
            return error;
        const std::optional<PropertyCopy> relative = device().property(kRelative);
        if (relative) {
            auto it = relative->numbers.find("FOCUS_RELATIVE_POSITION");
            if (it != relative->numbers.end()) {
                value = Variant::i4(steps(it->second.max));
                return DriverError::None;
            }
        }
        return maxStep(value);
    }

    DriverError halt()
    {
        if (DriverError error = device().requireConnected(); error != DriverError::None)
            return error;
        return device().sendSwitch("FOCUS_ABORT_MOTION", "ABORT");
    }
};

const automation::DispatchTable<IndiFocuser>& IndiFocuser::dispatchTable()
{
    static const auto table = [] {
        automation::HandlerMap<IndiFocuser> h;
        connection(h, "Link", [](IndiFocuser& self) { return self.device().attach({kAbsolute}); });
        h[{"Absolute", MemberKind::PropertyGet}] = getter([](IndiFocuser& self, Variant& value) {
            value = Variant::boolean(self.absolute().has_value());
            return DriverError::None;
        });
        h[{"Position", MemberKind::PropertyGet}] =
            getter([](IndiFocuser& self, Variant& value) { return self.position(value); });
        h[{"IsMoving", MemberKind::PropertyGet}] = getter([](IndiFocuser& self, Variant& value) {
            value = Variant::boolean(self.device().isBusy(kAbsolute) || self.device().isBusy(kRelative));
            return DriverError::None;
        });
        h[{"Move", MemberKind::Method}] =
            action([](IndiFocuser& self, DispatchArgs args) { return self.move(args[0].lVal); });
        h[{"Halt", MemberKind::Method}] = action([](IndiFocuser& self, DispatchArgs) { return self.halt(); });
        h[{"MaxStep", MemberKind::PropertyGet}] =
            getter([](IndiFocuser& self, Variant& value) { return self.maxStep(value); });
        h[{"MaxIncrement", MemberKind::PropertyGet}] =
            getter([](IndiFocuser& self, Variant& value) { return self.maxIncrement(value); });
        return automation::buildDispatchTable<IndiFocuser>(server::focuserMembers(), h, notSupported());
    }();
    return table;
}

} // namespace

automation::ComPtr<IDispatch> createIndiFocuser(const IndiProgId& id, const IndiDriverOptions& options)
{
    return automation::makeObject<IndiFocuser>(id, options);
}

} // namespace velmora::client::indi
