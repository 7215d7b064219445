#include "server/focuser/focuser.h"

#include "server/frame/interface_members.h"

namespace velmora::server {

Focuser::Focuser()
    : DriverObject(serverClass("Focuser")), m_driver(PortRegistry::process(), DeviceSettings::process())
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
        h[{"IsMoving", getter}] = get(&FocuserDriver::getIsMoving);
        h[{"Link", getter}] = get(&FocuserDriver::getLink);
        h[{"Link", MemberKind::PropertyPut}] = put(&FocuserDriver::putLink);
        h[{"MaxIncrement", getter}] = get(&FocuserDriver::getMaxIncrement);
        h[{"MaxStep", getter}] = get(&FocuserDriver::getMaxStep);
        h[{"Position", getter}] = get(&FocuserDriver::getPosition);
        h[{"StepSize", getter}] = get(&FocuserDriver::getStepSize);
        h[{"TempComp", getter}] = get(&FocuserDriver::getTempComp);
        h[{"TempComp", MemberKind::PropertyPut}] = put(&FocuserDriver::putTempComp);
        h[{"TempCompAvailable", getter}] = get(&FocuserDriver::getTempCompAvailable);
        h[{"Temperature", getter}] = get(&FocuserDriver::getTemperature);
        h[{"Halt", MemberKind::Method}] = call(&FocuserDriver::Halt);
        h[{"Move", MemberKind::Method}] = [](Focuser& self, automation::DispatchArgs args, VARIANT*) {
            return self.result(self.core().Move(args[0].lVal));
        };
        h[{"SetupDialog", MemberKind::Method}] = call(&FocuserDriver::SetupDialog);
        return buildTable(focuserMembers(), h);
    }();
    return table;
}

} // namespace velmora::server
