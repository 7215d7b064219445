#pragma once
// IUnknown: the reference-counted base of every automation object. Objects are
// deleted by their own Release; hold them in ComPtr, never delete them.

#include "platform/automation/guid.h"
#include "platform/automation/hresult.h"

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
