#pragma once
// The automation side of a driver object: its dispatch table is built from the
// interface's member list and the handlers the driver provides; every member without
// a handler fails with "Not Supported". Failures follow the server's convention:
// error info with the interface IID, the class's version-dependent ProgID as source
// and the fixed message as description, then DISP_E_EXCEPTION.

#include "platform/automation/apartment.h"
#include "platform/automation/dispatch_object.h"
#include "platform/automation/variant.h"
#include "server/frame/driver_error.h"
#include "server/frame/server_identity.h"

#include <cstdint>
#include <map>
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
    using HandlerMap = std::map<std::pair<std::string, automation::MemberKind>, Handler>;

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
        automation::DispatchTable<T> table;
        for (const auto& m : members) {
            auto it = handlers.find({m.name, m.kind});
            Handler h = it != handlers.end() ? it->second : notSupported();
            switch (m.kind) {
            case automation::MemberKind::PropertyGet:
                table.get(m.name, m.dispid, m.result, std::move(h), m.help);
                break;
            case automation::MemberKind::PropertyPut:
                table.put(m.name, m.dispid, m.params.at(0).type, std::move(h), m.help);
                break;
            case automation::MemberKind::Method:
                table.method(m.name, m.dispid, m.params, m.result, std::move(h), m.help);
                break;
            }
        }
        return table;
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
            DriverError e = (self.core().*fn)(value);
            if (e != DriverError::None)
                return self.result(e);
            *out = toVariant(value).detach();
            return S_OK;
        };
    }
    template <class Core, class V> static Handler get(DriverError (Core::*fn)(V&))
    {
        return [fn](T& self, automation::DispatchArgs, VARIANT* out) {
            V value{};
            DriverError e = (self.core().*fn)(value);
            if (e != DriverError::None)
                return self.result(e);
            *out = toVariant(value).detach();
            return S_OK;
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
