#include "client/devices/driver_calls.h"

#include "client/devices/indi/indi_drivers.h"
#include "platform/automation/bstr.h"
#include "platform/automation/class_registry.h"

#include <vector>

namespace velmora::client {

namespace {

HRESULT lookUp(IDispatch* driver, const char* member, DISPID& id)
{
    if (!driver)
        return E_POINTER;
    std::u16string wide = automation::utf8ToUtf16(member);
    LPOLESTR names[] = {wide.data()};
    return driver->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
}

HRESULT invoke(IDispatch* driver, const char* member, WORD flags, DISPPARAMS& params, VARIANT* result)
{
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = lookUp(driver, member, id);
    if (FAILED(hr))
        return hr;
    return driver->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

// Copies the arguments last-first, as automation expects them; a copy that fails
// becomes an error variant carrying the failure.
HRESULT callWith(IDispatch* driver, const char* member, std::vector<const VARIANT*> arguments,
                 VARIANT* result)
{
    std::vector<VARIANT> reversed(arguments.size());
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        VARIANT& slot = reversed[arguments.size() - 1 - i];
        VariantInit(&slot);
        HRESULT copied = VariantCopy(&slot, arguments[i]);
        if (FAILED(copied)) {
            slot.vt = VT_ERROR;
            slot.scode = copied;
        }
    }
    DISPPARAMS params;
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    HRESULT hr = invoke(driver, member, DISPATCH_METHOD, params, result);
    for (auto& v : reversed)
        VariantClear(&v);
    return hr;
}

} // namespace

HRESULT CreateDriver(const std::string& progId, DriverRef& driver)
{
    if (progId.empty() || progId.size() > kMaxProgIdLength)
        return CO_E_CLASSSTRING; // never truncated into another class's name
    // Devices of an indiserver are bound through their adapters, not the classes root.
    if (indi::looksLikeIndiProgId(progId))
        return indi::createIndiDriver(progId, driver);
    std::u16string wide = automation::utf8ToUtf16(progId);
    if (wide.size() > kMaxProgIdLength)
        return CO_E_CLASSSTRING;
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(wide.c_str(), &clsid);
    if (FAILED(hr))
        return hr;
    IDispatch* created = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(&created));
    if (SUCCEEDED(hr) && created)
        driver = DriverRef::attach(created);
    return hr;
}

HRESULT GetDriverProperty(IDispatch* driver, const char* member, VARIANT* value)
{
    DISPPARAMS none;
    return invoke(driver, member, DISPATCH_PROPERTYGET, none, value);
}

HRESULT PutDriverProperty(IDispatch* driver, const char* member, const VARIANT& value)
{
    VARIANT argument;
    VariantInit(&argument);
    HRESULT hr = VariantCopy(&argument, &value);
    if (FAILED(hr))
        return hr;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = &argument;
    params.cArgs = 1;
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
    hr = invoke(driver, member, DISPATCH_PROPERTYPUT, params, nullptr);
    VariantClear(&argument);
    return hr;
}

HRESULT CallDriverMethod(IDispatch* driver, const char* member, VARIANT* result)
{
    return callWith(driver, member, {}, result);
}

HRESULT CallDriverMethod(IDispatch* driver, const char* member, const VARIANT& argument, VARIANT* result)
{
    return callWith(driver, member, {&argument}, result);
}

HRESULT CallDriverMethod(IDispatch* driver, const char* member, const VARIANT& first, const VARIANT& second,
                         VARIANT* result)
{
    return callWith(driver, member, {&first, &second}, result);
}

bool readDriverBool(IDispatch* driver, const char* member)
{
    automation::Variant value;
    HRESULT hr = GetDriverProperty(driver, member, value.get());
    return hr == S_OK && value->iVal != 0;
}

HRESULT writeConnection(IDispatch* driver, const char* member, bool connect)
{
    automation::Variant value = automation::Variant::i2(connect ? -1 : 0);
    return PutDriverProperty(driver, member, *value.get());
}

} // namespace velmora::client
