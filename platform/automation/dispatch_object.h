#pragma once
// DispatchObject: the IUnknown and IDispatch plumbing of an automation object whose
// members are described by a DispatchTable.
//
//   class Camera : public DispatchObject<Camera> {
//   public:
//       Camera() : DispatchObject(IID_ICamera) {}
//       static const DispatchTable<Camera>& dispatchTable();
//       ...
//   };
//   ComPtr<Camera> camera = makeObject<Camera>();

#include "platform/automation/com_ptr.h"
#include "platform/automation/counted.h"
#include "platform/automation/dispatch_table.h"

namespace velmora::automation {

template <class Derived> class DispatchObject : public Counted<IDispatch> {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        const bool known = iid == IID_IUnknown || iid == IID_IDispatch || (iid == m_iid && m_iid != IID_NULL);
        return handOut(object, known ? static_cast<IDispatch*>(this) : nullptr);
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override
    {
        return Derived::dispatchTable().getIdsOfNames(riid, names, count, lcid, ids);
    }
    HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argError) override
    {
        return Derived::dispatchTable().invoke(static_cast<Derived&>(*this), member, riid, lcid, flags,
                                               params, result, exception, argError);
    }

protected:
    // `iid` is the object's own (dual) interface, answered by QueryInterface too.
    explicit DispatchObject(const IID& iid = IID_NULL) : m_iid(iid) {}
    ~DispatchObject() override = default;

private:
    IID m_iid;
};

} // namespace velmora::automation
