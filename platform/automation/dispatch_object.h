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
#include "platform/automation/dispatch_table.h"

#include <atomic>
#include <utility>

namespace velmora::automation {

template <class Derived> class DispatchObject : public IDispatch {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || (iid == m_iid && m_iid != IID_NULL)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
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
    virtual ~DispatchObject() = default;

private:
    std::atomic<ULONG> m_refs{0};
    IID m_iid;
};

// A new reference-counted object, held once.
template <class T, class... Args> ComPtr<T> makeObject(Args&&... args)
{
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}

} // namespace velmora::automation
