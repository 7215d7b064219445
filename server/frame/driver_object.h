#pragma once
// The automation side of a driver object: its dispatch table is built from the
// interface's member list and the handlers the driver provides; every member without
// a handler fails with "Not Supported". Failures follow the server's convention:
// error info with the interface IID, the class's version-dependent ProgID as source
// and the fixed message as description, then DISP_E_EXCEPTION.
//
// Members that talk to a device are "waiting" members: their driver call runs off the
// server's loop (deferred_call.h), so a slow or broken device holds up only the calls
// to its own object, never every other client of the server.

#include "platform/automation/apartment.h"
#include "platform/automation/deferred_call.h"
#include "platform/automation/dispatch_object.h"
#include "platform/automation/variant.h"
#include "server/frame/driver_error.h"
#include "server/frame/server_identity.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace velmora::server {

// The identity entry of a server class by coclass name ("Camera").
const ServerClass& serverClass(const char* name);
IID interfaceIdOf(const ServerClass& serverClass);

template <class T> class DriverObject : public automation::DispatchObject<T> {
public:
    using Handler = typename automation::DispatchTable<T>::Handler;
    using HandlerMap = automation::HandlerMap<T>;

    // S_OK, or the failure reported as the convention requires.
    HRESULT result(DriverError error) const
    {
        if (error == DriverError::None)
            return S_OK;
        return automation::reportError(m_iid, m_class.progId, driverErrorMessage(error));
    }

protected:
    explicit DriverObject(const ServerClass& serverClass)
        : automation::DispatchObject<T>(interfaceIdOf(serverClass)), m_class(serverClass),
          m_iid(interfaceIdOf(serverClass))
    {
    }

    // Builds the table in member order, falling back to "Not Supported".
    static automation::DispatchTable<T> buildTable(const std::vector<automation::MemberInfo>& members,
                                                   const HandlerMap& handlers)
    {
        return automation::buildDispatchTable<T>(members, handlers, notSupported());
    }

    static Handler notSupported()
    {
        return [](T& self, automation::DispatchArgs, VARIANT*) {
            return self.result(DriverError::NotSupported);
        };
    }

    // Handlers for the common shapes of members, calling the driver core that
    // T::core() returns. Arguments arrive converted to the declared types.
    template <class Core, class V> static Handler get(DriverError (Core::*fn)(V&) const)
    {
        return [fn](T& self, automation::DispatchArgs, VARIANT* out) {
            V value{};
            return self.answer((self.core().*fn)(value), value, out);
        };
    }
    template <class Core, class V> static Handler get(DriverError (Core::*fn)(V&))
    {
        return [fn](T& self, automation::DispatchArgs, VARIANT* out) {
            V value{};
            return self.answer((self.core().*fn)(value), value, out);
        };
    }
    template <class Core, class V> static Handler put(DriverError (Core::*fn)(V))
    {
        return [fn](T& self, automation::DispatchArgs args, VARIANT*) {
            return self.result((self.core().*fn)(fromArgument<V>(args[0])));
        };
    }
    template <class Core> static Handler call(DriverError (Core::*fn)())
    {
        return [fn](T& self, automation::DispatchArgs, VARIANT*) { return self.result((self.core().*fn)()); };
    }

    // The same for waiting members: `work` runs off the loop with the arguments it
    // took by value, and the outcome is given on the loop.
    template <class Work> static HRESULT waitFor(T& self, VARIANT* out, Work work)
    {
        auto error = std::make_shared<DriverError>(DriverError::None);
        return automation::deferCall(
            out, [&self, error, work] { *error = work(self.core()); },
            [&self, error](VARIANT*) { return self.result(*error); });
    }
    template <class Core, class V> static Handler waitingGet(DriverError (Core::*fn)(V&))
    {
        return [fn](T& self, automation::DispatchArgs, VARIANT* out) {
            auto value = std::make_shared<V>();
            auto error = std::make_shared<DriverError>(DriverError::None);
            return automation::deferCall(
                out, [&self, fn, value, error] { *error = (self.core().*fn)(*value); },
                [&self, value, error](VARIANT* result) { return self.answer(*error, *value, result); });
        };
    }
    template <class Core, class V> static Handler waitingPut(DriverError (Core::*fn)(V))
    {
        return [fn](T& self, automation::DispatchArgs args, VARIANT* out) {
            const V value = fromArgument<V>(args[0]);
            return waitFor(self, out, [fn, value](Core& core) { return (core.*fn)(value); });
        };
    }
    template <class Core> static Handler waitingCall(DriverError (Core::*fn)())
    {
        return [fn](T& self, automation::DispatchArgs, VARIANT* out) {
            return waitFor(self, out, [fn](Core& core) { return (core.*fn)(); });
        };
    }

    // A getter's outcome: its value, or the failure.
    template <class V> HRESULT answer(DriverError error, const V& value, VARIANT* out) const
    {
        if (error != DriverError::None)
            return result(error);
        *out = toVariant(value).detach();
        return S_OK;
    }
    template <class V> static Handler value(V constant)
    {
        return [constant](T&, automation::DispatchArgs, VARIANT* out) {
            *out = toVariant(constant).detach();
            return S_OK;
        };
    }

    static automation::Variant toVariant(bool v) { return automation::Variant::boolean(v); }
    static automation::Variant toVariant(std::int16_t v) { return automation::Variant::i2(v); }
    static automation::Variant toVariant(std::int32_t v) { return automation::Variant::i4(v); }
    static automation::Variant toVariant(double v) { return automation::Variant::r8(v); }
    static automation::Variant toVariant(const std::string& v) { return automation::Variant::string(v); }

    template <class V> static V fromArgument(const VARIANT& v)
    {
        if constexpr (std::is_same_v<V, bool>)
            return v.boolVal != 0;
        else if constexpr (std::is_same_v<V, std::int16_t>)
            return v.iVal;
        else if constexpr (std::is_same_v<V, std::int32_t>)
            return v.lVal;
        else if constexpr (std::is_same_v<V, std::int64_t>)
            return v.llVal;
        else
            return v.dblVal;
    }

private:
    const ServerClass& m_class;
    IID m_iid;
    automation::ServerProcessReference m_processLock; // every live object keeps the server running
};

} // namespace velmora::server
