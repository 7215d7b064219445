#include "server/telescope/telescope.h"

#include "server/frame/interface_members.h"

namespace velmora::server {

namespace {

HRESULT pulseGuide(Telescope& self, automation::DispatchArgs args, VARIANT*)
{
    return self.result(self.core().PulseGuide(args[0].lVal, args[1].lVal));
}

HRESULT canMoveAxis(Telescope&, automation::DispatchArgs, VARIANT* out)
{
    *out = automation::Variant::boolean(false).detach();
    return S_OK;
}

} // namespace

Telescope::Telescope(PortRegistry& ports, DeviceSettings& store)
    : DriverObject(serverClass("Telescope")), m_driver(ports, store)
{
}

Telescope::~Telescope()
{
    m_driver.finalRelease();
}

const automation::DispatchTable<Telescope>& Telescope::dispatchTable()
{
    using automation::MemberKind;
    static const auto table = [] {
        HandlerMap h;
        const auto getter = MemberKind::PropertyGet;
        h[{"Connected", getter}] = get(&TelescopeDriver::getConnected);
        // Connecting speaks to a relay box: it waits off the loop.
        h[{"Connected", MemberKind::PropertyPut}] = waitingPut(&TelescopeDriver::putConnected);
        h[{"CanPulseGuide", getter}] = get(&TelescopeDriver::getCanPulseGuide);
        h[{"IsPulseGuiding", getter}] = get(&TelescopeDriver::getIsPulseGuiding);
        h[{"InterfaceVersion", getter}] = get(&TelescopeDriver::getInterfaceVersion);
        h[{"ApertureDiameter", getter}] = get(&TelescopeDriver::getApertureDiameter);
        h[{"FocalLength", getter}] = get(&TelescopeDriver::getFocalLength);
        h[{"SetupDialog", MemberKind::Method}] = call(&TelescopeDriver::SetupDialog);
        h[{"PulseGuide", MemberKind::Method}] = pulseGuide;
        h[{"CanMoveAxis", MemberKind::Method}] = canMoveAxis;
        // A pulse guider that cannot do anything else says so.
        for (const char* name : {"CanFindHome", "CanPark", "CanSetDeclinationRate", "CanSetGuideRates",
                                 "CanSetPark", "CanSetPierSide", "CanSetRightAscensionRate", "CanSetTracking",
                                 "CanSlew", "CanSlewAltAz", "CanSlewAltAzAsync", "CanSlewAsync", "CanSync",
                                 "CanSyncAltAz", "CanUnpark", "AtHome", "AtPark"})
            h[{name, getter}] = value(false);
        return buildTable(telescopeMembers(), h);
    }();
    return table;
}

} // namespace velmora::server
