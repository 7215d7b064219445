#pragma once
// The three INDI adapters, created for a parsed program identifier.

#include "client/devices/indi/indi_device.h"
#include "client/devices/indi/indi_prog_id.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"

namespace velmora::client::indi {

automation::ComPtr<IDispatch> createIndiCamera(const IndiProgId& id, const IndiDriverOptions& options);
automation::ComPtr<IDispatch> createIndiTelescope(const IndiProgId& id, const IndiDriverOptions& options);
automation::ComPtr<IDispatch> createIndiFocuser(const IndiProgId& id, const IndiDriverOptions& options);

} // namespace velmora::client::indi
