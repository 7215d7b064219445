#pragma once
// A table of an automation interface's members, from which an object's
// GetIDsOfNames and Invoke are served and its type-library text is written.
//
//   static const DispatchTable<Camera>& table()
//   {
//       static const auto t = DispatchTable<Camera>()
//           .get("BinX", 1, VT_I2, &Camera::getBinX, "property BinX")
//           .put("BinX", 1, VT_I2, &Camera::putBinX, "property BinX")
//           .method("StartExposure", 39, {{"Duration", VT_R8}, {"Light", VT_BOOL}}, VT_BOOL,
//                   &Camera::startExposure, "method StartExposure");
//       return t;
//   }
//
// A handler is HRESULT (T&, DispatchArgs args, VARIANT* result): args are in
// declaration order (not the reversed wire order), already converted to the declared
// types; the handler writes the result (of the declared type, or one convertible to
// it). Name lookup ignores case. A failing handler makes Invoke return
// DISP_E_EXCEPTION, with the EXCEPINFO filled from the thread's error information
// (see reportError) and scode set to the handler's code.

#include "platform/automation/deferred_call.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/error_info.h"
#include "platform/automation/exception_guard.h"

#include <functional>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace velmora::automation {

enum class MemberKind { PropertyGet, PropertyPut, Method };

// A member's parameter or result type. `name` overrides the type's IDL name, for an
// enumeration alias carried as VT_I4 ("GuideDirections").
struct TypeDesc {
    TypeDesc(VARTYPE type = VT_EMPTY) : vt(type) {}
    TypeDesc(VARTYPE type, std::string idlName) : vt(type), name(std::move(idlName)) {}
    VARTYPE vt;
    std::string name;
};

struct ParamDesc {
    std::string name;
    TypeDesc type;
};

struct MemberInfo {
    std::string name;
    DISPID dispid = DISPID_UNKNOWN;
    MemberKind kind = MemberKind::Method;
    std::vector<ParamDesc> params; // a put member has one, the unnamed value
    TypeDesc result;               // VT_EMPTY: no result
    std::string help;
};

using DispatchArgs = std::span<const VARIANT>;

// Member names compare ignoring ASCII case, as automation names do.
bool sameMemberName(std::u16string_view a, std::u16string_view b);

// Converted arguments of one call, cleared when it ends.
class ArgumentList {
public:
    ArgumentList() = default;
    ArgumentList(const ArgumentList&) = delete;
    ArgumentList& operator=(const ArgumentList&) = delete;
    ~ArgumentList();
    void resize(std::size_t count);
    VARIANT& operator[](std::size_t i) { return m_items[i]; }
    DispatchArgs args() const { return m_items; }

private:
    std::vector<VARIANT> m_items;
};

class DispatchTableBase {
public:
    // Members in declaration order (the order of the interface's operations).
    const std::vector<MemberInfo>& members() const { return m_members; }
    // Only the first name is resolved; further (parameter) names are
    // DISP_E_UNKNOWNNAME.
    HRESULT getIdsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) const;

protected:
    void addMember(MemberInfo info);
    // Finds the member for dispid and flags, checks the argument block and converts
    // the arguments into `args`. On a conversion failure *argError is the failing
    // argument's index in rgvarg.
    HRESULT prepare(DISPID dispid, REFIID riid, WORD flags, const DISPPARAMS* params, std::size_t& member,
                    ArgumentList& args, UINT* argError) const;
    // Turns a handler's outcome into Invoke's: the result checked and handed over, a
    // failure into DISP_E_EXCEPTION.
    HRESULT finish(std::size_t member, HRESULT hr, Variant& value, VARIANT* result,
                   EXCEPINFO* exception) const;
    // For a handler that deferred its call (deferred_call.h): the later completion
    // finishes it as `finish` above does.
    HRESULT completeLater(std::size_t member) const;

private:
    std::vector<MemberInfo> m_members;
    std::vector<std::u16string> m_wideNames; // for lookups without conversions
};

template <class T> class DispatchTable : public DispatchTableBase {
public:
    using Handler = std::function<HRESULT(T&, DispatchArgs, VARIANT*)>;

    DispatchTable& get(std::string name, DISPID dispid, TypeDesc result, Handler handler,
                       std::string help = {})
    {
        return add({std::move(name), dispid, MemberKind::PropertyGet, {}, std::move(result), std::move(help)},
                   std::move(handler));
    }
    DispatchTable& put(std::string name, DISPID dispid, TypeDesc value, Handler handler,
                       std::string help = {})
    {
        return add(
            {std::move(name), dispid, MemberKind::PropertyPut, {{"", std::move(value)}}, {}, std::move(help)},
            std::move(handler));
    }
    DispatchTable& method(std::string name, DISPID dispid, std::vector<ParamDesc> params, TypeDesc result,
                          Handler handler, std::string help = {})
    {
        return add({std::move(name), dispid, MemberKind::Method, std::move(params), std::move(result),
                    std::move(help)},
                   std::move(handler));
    }

    HRESULT invoke(T& self, DISPID dispid, REFIID riid, LCID /*lcid*/, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, UINT* argError) const
    {
        std::size_t member = 0;
        ArgumentList args;
        HRESULT hr = prepare(dispid, riid, flags, params, member, args, argError);
        if (FAILED(hr))
            return hr;
        // Stale information from an earlier failure must not describe this call.
        SetErrorInfo(0, nullptr);
        Variant value;
        try {
            hr = m_handlers[member](self, args.args(), value.get());
        } catch (...) {
            // A handler's exception ends its call, never the process.
            VariantClear(value.get());
            hr = reportCurrentException();
        }
        if (hr == kCallDeferred)
            return completeLater(member);
        return finish(member, hr, value, result, exception);
    }

private:
    DispatchTable& add(MemberInfo info, Handler handler)
    {
        addMember(std::move(info));
        m_handlers.push_back(std::move(handler));
        return *this;
    }

    std::vector<Handler> m_handlers;
};

// A table of an interface's members in their order: each member's handler from
// `handlers` (by name and kind), `fallback` for every member without one.
template <class T>
using HandlerMap = std::map<std::pair<std::string, MemberKind>, typename DispatchTable<T>::Handler>;

template <class T>
DispatchTable<T> buildDispatchTable(const std::vector<MemberInfo>& members, const HandlerMap<T>& handlers,
                                    const typename DispatchTable<T>::Handler& fallback)
{
    DispatchTable<T> table;
    for (const auto& m : members) {
        auto it = handlers.find({m.name, m.kind});
        auto h = it != handlers.end() ? it->second : fallback;
        switch (m.kind) {
        case MemberKind::PropertyGet:
            table.get(m.name, m.dispid, m.result, std::move(h), m.help);
            break;
        case MemberKind::PropertyPut:
            table.put(m.name, m.dispid, m.params.at(0).type, std::move(h), m.help);
            break;
        case MemberKind::Method:
            table.method(m.name, m.dispid, m.params, m.result, std::move(h), m.help);
            break;
        }
    }
    return table;
}

} // namespace velmora::automation
