#include "platform/automation/error_info.h"

#include "platform/automation/com_ptr.h"
#include "platform/automation/counted.h"
#include "platform/automation/dispatch.h"

#include <new>
#include <string>

namespace velmora::automation {

namespace {

class ErrorObject final : public Counted<IErrorInfo, ICreateErrorInfo> {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IErrorInfo)
            return handOut(object, static_cast<IErrorInfo*>(this));
        return handOut(object, iid == IID_ICreateErrorInfo ? static_cast<ICreateErrorInfo*>(this) : nullptr);
    }

    HRESULT GetGUID(GUID* guid) override
    {
        if (!guid)
            return E_INVALIDARG;
        *guid = m_guid;
        return S_OK;
    }
    HRESULT GetSource(BSTR* out) override { return copyOut(m_source, out); }
    HRESULT GetDescription(BSTR* out) override { return copyOut(m_description, out); }
    HRESULT GetHelpFile(BSTR* out) override { return copyOut(m_helpFile, out); }
    HRESULT GetHelpContext(DWORD* context) override
    {
        if (!context)
            return E_INVALIDARG;
        *context = m_helpContext;
        return S_OK;
    }

    HRESULT SetGUID(REFGUID guid) override
    {
        m_guid = guid;
        return S_OK;
    }
    HRESULT SetSource(LPCOLESTR text) override { return copyIn(text, m_source); }
    HRESULT SetDescription(LPCOLESTR text) override { return copyIn(text, m_description); }
    HRESULT SetHelpFile(LPCOLESTR text) override { return copyIn(text, m_helpFile); }
    HRESULT SetHelpContext(DWORD context) override
    {
        m_helpContext = context;
        return S_OK;
    }

private:
    ~ErrorObject() override = default;

    static HRESULT copyOut(const UniqueBstr& text, BSTR* out)
    {
        if (!out)
            return E_INVALIDARG;
        *out = text ? SysAllocStringLen(text.get(), SysStringLen(text.get())) : nullptr;
        return (text && !*out) ? E_OUTOFMEMORY : S_OK;
    }
    static HRESULT copyIn(LPCOLESTR text, UniqueBstr& into)
    {
        into.reset(SysAllocString(text));
        return (text && !into) ? E_OUTOFMEMORY : S_OK;
    }

    GUID m_guid;
    UniqueBstr m_source;
    UniqueBstr m_description;
    UniqueBstr m_helpFile;
    DWORD m_helpContext = 0;
};

ComPtr<IErrorInfo>& threadErrorInfo()
{
    thread_local ComPtr<IErrorInfo> info;
    return info;
}

} // namespace

HRESULT reportError(REFIID iid, std::string_view source, std::string_view description)
{
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.put()))) {
        create->SetGUID(iid);
        create->SetSource(utf8ToUtf16(source).c_str());
        create->SetDescription(utf8ToUtf16(description).c_str());
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create.queryInterface(IID_IErrorInfo, info)))
            SetErrorInfo(0, info.get());
    }
    return DISP_E_EXCEPTION;
}

void takeErrorInfoInto(EXCEPINFO& exception, HRESULT scode)
{
    exception = EXCEPINFO{};
    exception.scode = scode;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) == S_OK) {
        info->GetSource(&exception.bstrSource);
        info->GetDescription(&exception.bstrDescription);
        info->GetHelpFile(&exception.bstrHelpFile);
        info->GetHelpContext(&exception.dwHelpContext);
    }
}

} // namespace velmora::automation

using velmora::automation::ComPtr;

HRESULT CreateErrorInfo(ICreateErrorInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    try {
        *info = velmora::automation::makeObject<velmora::automation::ErrorObject>().detach();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT SetErrorInfo(DWORD /*reserved*/, IErrorInfo* info)
{
    velmora::automation::threadErrorInfo() = ComPtr<IErrorInfo>(info);
    return S_OK;
}

HRESULT GetErrorInfo(DWORD /*reserved*/, IErrorInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = velmora::automation::threadErrorInfo().detach();
    return *info ? S_OK : S_FALSE;
}

void ClearExcepInfo(EXCEPINFO* info)
{
    if (!info)
        return;
    SysFreeString(info->bstrSource);
    SysFreeString(info->bstrDescription);
    SysFreeString(info->bstrHelpFile);
    *info = EXCEPINFO{};
}
