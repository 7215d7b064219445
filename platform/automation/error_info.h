#pragma once
// Error information: the interface id, source and description of the last failure,
// kept per thread. A failing member installs it (SetErrorInfo); the dispatch helper
// turns it into the caller's EXCEPINFO, across processes too.

#include "platform/automation/bstr.h"
#include "platform/automation/unknown.h"

#include <string_view>

struct EXCEPINFO;

struct IErrorInfo : IUnknown {
    virtual HRESULT GetGUID(GUID* guid) = 0;
    // Each returns a new BSTR the caller frees (null when unset).
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
    virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* helpContext) = 0;

protected:
    ~IErrorInfo() = default;
};

struct ICreateErrorInfo : IUnknown {
    virtual HRESULT SetGUID(REFGUID guid) = 0;
    virtual HRESULT SetSource(LPCOLESTR source) = 0;
    virtual HRESULT SetDescription(LPCOLESTR description) = 0;
    virtual HRESULT SetHelpFile(LPCOLESTR helpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD helpContext) = 0;

protected:
    ~ICreateErrorInfo() = default;
};

// A new error object; query it for IErrorInfo to install it.
HRESULT CreateErrorInfo(ICreateErrorInfo** info);
// Replaces the calling thread's error information (null clears it). reserved = 0.
HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* info);
// Takes the calling thread's error information, leaving none: S_FALSE and null
// when there was none.
HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info);

namespace velmora::automation {

// Installs error information with the interface id, source and description (UTF-8)
// on the calling thread and returns DISP_E_EXCEPTION, for
// `return reportError(IID_ICamera, "VelmoraServer.Camera.1", "Not Connected");`.
HRESULT reportError(REFIID iid, std::string_view source, std::string_view description);

// Fills `exception` for a failed call with code `scode` from the calling thread's
// error information (taking it), as Invoke answers DISP_E_EXCEPTION.
void takeErrorInfoInto(EXCEPINFO& exception, HRESULT scode);

} // namespace velmora::automation
