#pragma once
// The automation side of an INDI adapter: the interface's full member list, the
// members the adapter implements, and "Not Supported" for all others, with the
// error information our own drivers give (interface IID, the ProgID as source, the
// message) so that callers see no difference.

#include "client/devices/indi/indi_device.h"
#include "platform/automation/dispatch_object.h"
#include "platform/automation/error_info.h"
#include "platform/automation/variant.h"

#include <string>
#include <utility>

namespace velmora::client::indi {

template <class T> class IndiDriverObject : public automation::DispatchObject<T> {
public:
    using Handler = typename automation::DispatchTable<T>::Handler;

    HRESULT result(DriverError error) const
    {
        if (error == DriverError::None)
            return S_OK;
        return automation::reportError(m_iid, m_progId, server::driverErrorMessage(error));
    }
    // A getter's outcome: the value, or the failure.
    HRESULT answer(DriverError error, automation::Variant value, VARIANT* out) const
    {
        if (error != DriverError::None)
            return result(error);
        *out = value.detach();
        return S_OK;
    }
    IndiDevice& device() { return m_device; }
    const IndiDevice& device() const { return m_device; }

protected:
    IndiDriverObject(const IID& iid, const IndiProgId& id, const IndiDriverOptions& options)
        : automation::DispatchObject<T>(iid), m_iid(iid), m_progId(formatIndiProgId(id)),
          m_device(id, options)
    {
    }

    static Handler notSupported()
    {
        return [](T& self, automation::DispatchArgs, VARIANT*) {
            return self.result(DriverError::NotSupported);
        };
    }
    // A property read: `read(self, value)` fills the value or fails.
    template <class Read> static Handler getter(Read read)
    {
        return [read](T& self, automation::DispatchArgs, VARIANT* out) {
            automation::Variant value;
            const DriverError error = read(self, value);
            return self.answer(error, std::move(value), out);
        };
    }
    // A member without a value: `act(self, args)` does it or fails.
    template <class Act> static Handler action(Act act)
    {
        return
            [act](T& self, automation::DispatchArgs args, VARIANT*) { return self.result(act(self, args)); };
    }
    // "Connected" / "Link": the getter and the setter over attach and detach.
    template <class Attach>
    static void connection(automation::HandlerMap<T>& h, const char* member, Attach attach)
    {
        using automation::MemberKind;
        h[{member, MemberKind::PropertyGet}] = getter([](T& self, automation::Variant& value) {
            value = automation::Variant::boolean(self.device().isConnected());
            return DriverError::None;
        });
        h[{member, MemberKind::PropertyPut}] = action([attach](T& self, automation::DispatchArgs args) {
            if (args[0].boolVal == VARIANT_FALSE) {
                self.device().detach();
                return DriverError::None;
            }
            return attach(self);
        });
    }

private:
    IID m_iid;
    std::string m_progId;
    IndiDevice m_device;
};

} // namespace velmora::client::indi
