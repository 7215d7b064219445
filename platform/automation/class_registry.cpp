#include "platform/automation/class_registry.h"

#include "platform/automation/apartment.h"
#include "platform/automation/bstr.h"
#include "platform/automation/class_table.h"
#include "platform/automation/local_server.h"
#include "platform/automation/registry_value.h"
#include "platform/automation/remote_activation.h"

#include <cstring>

using namespace velmora::automation;

namespace {

// CurVer chains longer than this are taken for loops.
constexpr int kMaxCurVerHops = 4;

// A ProgID names one key under HKCR; a separator would reach elsewhere.
bool isProgIdName(const std::string& name)
{
    return !name.empty() && name.size() <= 255 && name.find('\\') == std::string::npos;
}

HRESULT clsidFromRegistry(std::string progId, CLSID* clsid)
{
    for (int hop = 0; hop <= kMaxCurVerHops && isProgIdName(progId); ++hop) {
        if (const auto text = readRegistryString(HKEY_CLASSES_ROOT, progId + "\\CLSID", "")) {
            const auto guid = parseGuid(*text);
            if (!guid)
                return CO_E_CLASSSTRING;
            *clsid = *guid;
            return S_OK;
        }
        const auto current = readRegistryString(HKEY_CLASSES_ROOT, progId + "\\CurVer", "");
        if (!current)
            break;
        progId = *current;
    }
    return CO_E_CLASSSTRING;
}

HRESULT createInProcess(const ComPtr<IClassFactory>& factory, IUnknown* outer, REFIID iid, void** object)
{
    return factory->CreateInstance(outer, iid, object);
}

} // namespace

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid)
{
    if (!progId || !clsid)
        return E_INVALIDARG;
    *clsid = CLSID_NULL;
    const std::string name = utf16ToUtf8(progId);
    if (!isProgIdName(name))
        return CO_E_CLASSSTRING;
    if (const auto local = ClassTable::instance().findProgId(name)) {
        *clsid = *local;
        return S_OK;
    }
    return clsidFromRegistry(name, clsid);
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId)
{
    if (!progId)
        return E_INVALIDARG;
    *progId = nullptr;
    auto name = ClassTable::instance().findProgIdOf(clsid);
    if (!name)
        name = readRegistryString(HKEY_CLASSES_ROOT, "CLSID\\" + formatGuid(clsid) + "\\ProgID", "");
    if (!name || name->empty())
        return REGDB_E_CLASSNOTREG;
    const std::u16string wide = utf8ToUtf16(*name);
    auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
    if (!out)
        return E_OUTOFMEMORY;
    std::memcpy(out, wide.c_str(), (wide.size() + 1) * sizeof(OLECHAR));
    *progId = out;
    return S_OK;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!activationAllowed())
        return CO_E_NOTINITIALIZED;
    if (const auto factory = ClassTable::instance().find(clsid, clsContext))
        return createInProcess(factory, outer, iid, object);
    if (!(clsContext & CLSCTX_LOCAL_SERVER))
        return REGDB_E_CLASSNOTREG;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return createRemoteInstance(clsid, iid, object);
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, void* serverInfo, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (serverInfo)
        return E_INVALIDARG;
    if (!activationAllowed())
        return CO_E_NOTINITIALIZED;
    if (const auto factory = ClassTable::instance().find(clsid, clsContext))
        return factory->QueryInterface(iid, object);
    if (!(clsContext & CLSCTX_LOCAL_SERVER))
        return REGDB_E_CLASSNOTREG;
    return getRemoteClassObject(clsid, iid, object);
}

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* classObject, DWORD clsContext, DWORD flags,
                              DWORD* cookie)
{
    if (!classObject || !cookie)
        return E_INVALIDARG;
    *cookie = 0;
    if (flags != REGCLS_MULTIPLEUSE || !(clsContext & (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER)))
        return E_INVALIDARG;
    if (!activationAllowed())
        return CO_E_NOTINITIALIZED;
    ComPtr<IClassFactory> factory;
    HRESULT hr = classObject->QueryInterface(IID_IClassFactory, factory.putVoid());
    if (FAILED(hr))
        return hr;
    const DWORD registered = ClassTable::instance().add(clsid, factory, clsContext);
    if (clsContext & CLSCTX_LOCAL_SERVER) {
        hr = LocalServer::instance().publish(registered, clsid, factory, threadExecutor());
        if (FAILED(hr)) {
            ClassTable::instance().remove(registered);
            return hr;
        }
    }
    *cookie = registered;
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie)
{
    LocalServer::instance().withdraw(cookie);
    return ClassTable::instance().remove(cookie) ? S_OK : CO_E_OBJNOTREG;
}
