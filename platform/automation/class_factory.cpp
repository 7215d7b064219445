#include "platform/automation/class_factory.h"

#include "platform/automation/apartment.h"

namespace velmora::automation {

HRESULT CountedClassFactory::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CountedClassFactory::Release()
{
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!m_create)
        return E_UNEXPECTED;
    return m_create(outer, iid, object);
}

HRESULT ClassFactory::LockServer(BOOL lock)
{
    if (lock)
        CoAddRefServerProcess();
    else
        CoReleaseServerProcess();
    return S_OK;
}

} // namespace velmora::automation
