#pragma once
// IDispatch: late-bound calls by member name and DISPID, with the argument block,
// invocation flags and exception record of automation.

#include "platform/automation/unknown.h"
#include "platform/automation/variant.h"

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;

// Arguments in reverse order: rgvarg[0] is the last argument. Named arguments come
// first in rgvarg, their DISPIDs in rgdispidNamedArgs.
struct DISPPARAMS {
    VARIANTARG* rgvarg = nullptr;
    DISPID* rgdispidNamedArgs = nullptr;
    UINT cArgs = 0;
    UINT cNamedArgs = 0;
};

// Filled by Invoke when it returns DISP_E_EXCEPTION; the caller frees the strings
// (ClearExcepInfo).
struct EXCEPINFO {
    WORD wCode = 0;
    WORD wReserved = 0;
    BSTR bstrSource = nullptr;
    BSTR bstrDescription = nullptr;
    BSTR bstrHelpFile = nullptr;
    DWORD dwHelpContext = 0;
    SCODE scode = 0;
};

void ClearExcepInfo(EXCEPINFO* info);

struct IDispatch : IUnknown {
    // Maps names to DISPIDs; the first name is the member. riid must be IID_NULL.
    // Unknown names give DISP_E_UNKNOWNNAME and DISPID_UNKNOWN in their slot.
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID lcid,
                                  DISPID* dispids) = 0;
    // result, exception and argError may be null. result must be initialised; it is
    // cleared before being written.
    virtual HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, UINT* argError) = 0;

protected:
    ~IDispatch() = default;
};
