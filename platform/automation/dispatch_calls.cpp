#include "platform/automation/dispatch_calls.h"

#include <vector>

namespace velmora::automation {

HRESULT getIdOfName(IDispatch* object, std::string_view name, DISPID& id)
{
    if (!object)
        return E_POINTER;
    std::u16string wide = utf8ToUtf16(name);
    LPOLESTR names[] = {wide.data()};
    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
}

HRESULT getProperty(IDispatch* object, std::string_view name, VARIANT* result, EXCEPINFO* exception)
{
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = getIdOfName(object, name, id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS none;
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result, exception,
                          nullptr);
}

HRESULT putProperty(IDispatch* object, std::string_view name, const VARIANT& value, EXCEPINFO* exception)
{
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = getIdOfName(object, name, id);
    if (FAILED(hr))
        return hr;
    VARIANT argument = value; // shallow: Invoke only reads it
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&argument, &named, 1, 1};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                          exception, nullptr);
}

HRESULT callMethod(IDispatch* object, std::string_view name, std::span<const VARIANT> args, VARIANT* result,
                   EXCEPINFO* exception)
{
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = getIdOfName(object, name, id);
    if (FAILED(hr))
        return hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend()); // shallow copies
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr,
                      static_cast<UINT>(reversed.size()), 0};
    UINT argError = 0;
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, exception,
                          &argError);
}

} // namespace velmora::automation
