#include "platform/automation/class_factory.h"

#include "platform/automation/apartment.h"
#include "platform/automation/exception_guard.h"

namespace velmora::automation {

HRESULT CountedClassFactory::QueryInterface(REFIID iid, void** object)
{
    const bool known = iid == IID_IUnknown || iid == IID_IClassFactory;
    return handOut(object, known ? static_cast<IClassFactory*>(this) : nullptr);
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!m_create)
        return E_UNEXPECTED;
    try {
        return m_create(outer, iid, object);
    } catch (...) {
        // A constructor that ran out of memory (or threw otherwise) makes no object.
        *object = nullptr;
        return reportCurrentException();
    }
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
