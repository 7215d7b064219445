#pragma once
// The members of ICamera, IFocuser and ITelescope in interface order (a property's
// get before its put), with DISPIDs, parameter and result types and help strings.
// The one description from which the driver objects' dispatch tables and the
// published type library are both built.

#include "platform/automation/dispatch_table.h"

#include <string>
#include <vector>

namespace velmora::server {

struct EnumerationMember {
    std::string name;
    int value;
};

struct Enumeration {
    std::string alias; // "CameraStates"; the enumeration itself is "_CameraStates"
    std::string guid;
    std::vector<EnumerationMember> members;
};

const std::vector<automation::MemberInfo>& cameraMembers();
const std::vector<automation::MemberInfo>& focuserMembers();
const std::vector<automation::MemberInfo>& telescopeMembers();
const std::vector<Enumeration>& serverEnumerations();

} // namespace velmora::server
