#pragma once
// The way in for the rest of the client: creating an adapter for an INDI program
// identifier, and listing the devices an indiserver announces, as the chooser shows
// them.

#include "client/devices/indi/indi_device.h"
#include "client/devices/indi/indi_prog_id.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"

#include <string>
#include <vector>

namespace velmora::client::indi {

// S_OK with a new adapter in `driver`; CO_E_CLASSSTRING for a malformed identifier
// (`driver` is then left as it was). The adapter reaches the server only when it is
// connected, so creating one never waits.
HRESULT createIndiDriver(const std::string& progId, automation::ComPtr<IDispatch>& driver,
                         const IndiDriverOptions& options = {});

struct AnnouncedDevice {
    std::string progId;
    std::string description;
};

// The devices of `type` (by the interfaces their drivers declare) by name; empty when the server cannot be
// reached. Waits until the announcements have stopped for a moment, at most the answer bound.
std::vector<AnnouncedDevice> announcedDevices(IndiDeviceType type, const IndiServerAddress& server,
                                              const IndiBounds& bounds = {});

} // namespace velmora::client::indi
