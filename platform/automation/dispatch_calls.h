#pragma once
// Late-bound calls by member name: the name is resolved with GetIDsOfNames (one name,
// IID_NULL, LOCALE_USER_DEFAULT), then Invoke runs with arguments given in
// declaration order (they are reversed for Invoke here). A failed lookup is the
// call's result.

#include "platform/automation/dispatch.h"

#include <span>
#include <string_view>

namespace velmora::automation {

HRESULT getIdOfName(IDispatch* object, std::string_view name, DISPID& id);
// result must be initialised; exception may be null.
HRESULT getProperty(IDispatch* object, std::string_view name, VARIANT* result,
                    EXCEPINFO* exception = nullptr);
HRESULT putProperty(IDispatch* object, std::string_view name, const VARIANT& value,
                    EXCEPINFO* exception = nullptr);
HRESULT callMethod(IDispatch* object, std::string_view name, std::span<const VARIANT> args, VARIANT* result,
                   EXCEPINFO* exception = nullptr);

} // namespace velmora::automation
