#include "server/focuser/focuser.h"

#include "server/frame/interface_members.h"

namespace velmora::server {

Focuser::Focuser(PortRegistry& ports, DeviceSettings& store)
    : DriverObject(serverClass("Focuser")), m_driver(ports, store)
{
}

Focuser::~Focuser()
{
    m_driver.finalRelease();
}

const automation::DispatchTable<Focuser>& Focuser::dispatchTable()
{
    using automation::MemberKind;
    static const auto table = [] {
        HandlerMap h;
        const auto getter = MemberKind::PropertyGet;
        h[{"Absolute", getter}] = get(&FocuserDriver::getAbsolute);
        // Every member that speaks to the controller waits off the loop.
        h[{"IsMoving", getter}] = waitingGet(&FocuserDriver::getIsMoving);
        h[{"Link", getter}] = get(&FocuserDriver::getLink);
        h[{"Link", MemberKind::PropertyPut}] = waitingPut(&FocuserDriver::putLink);
        h[{"MaxIncrement", getter}] = waitingGet(&FocuserDriver::getMaxIncrement);
        h[{"MaxStep", getter}] = waitingGet(&FocuserDriver::getMaxStep);
        h[{"Position", getter}] = waitingGet(&FocuserDriver::getPosition);
        h[{"StepSize", getter}] = get(&FocuserDriver::getStepSize);
        h[{"TempComp", getter}] = get(&FocuserDriver::getTempComp);
        h[{"TempComp", MemberKind::PropertyPut}] = put(&FocuserDriver::putTempComp);
        h[{"TempCompAvailable", getter}] = get(&FocuserDriver::getTempCompAvailable);
        h[{"Temperature", getter}] = get(&FocuserDriver::getTemperature);
        h[{"Halt", MemberKind::Method}] = waitingCall(&FocuserDriver::Halt);
        h[{"Move", MemberKind::Method}] = [](Focuser& self, automation::DispatchArgs args, VARIANT* out) {
            const std::int32_t position = args[0].lVal;
            return waitFor(self, out, [position](FocuserDriver& core) { return core.Move(position); });
        };
        h[{"SetupDialog", MemberKind::Method}] = call(&FocuserDriver::SetupDialog);
        return buildTable(focuserMembers(), h);
    }();
    return table;
}

} // namespace velmora::server
