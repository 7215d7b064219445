#pragma once
// Counted: the one reference count behind every automation object (dispatch objects,
// proxies, error objects, class objects). The last Release deletes the object; make
// one with makeObject, whose ComPtr holds the first reference, so nothing ever
// pairs `new` with a hand-written AddRef.
//
//   class Proxy final : public Counted<IDispatch> { ... };
//   ComPtr<Proxy> proxy = makeObject<Proxy>(connection, id);

#include "platform/automation/com_ptr.h"
#include "platform/automation/unknown.h"

#include <atomic>
#include <utility>

namespace velmora::automation {

template <class... Interfaces> class Counted : public Interfaces... {
public:
    // One count answers for every interface the object implements.
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    Counted() = default;
    virtual ~Counted() = default;

    // QueryInterface's answer: `found` with a reference of the caller's own, or
    // E_NOINTERFACE when the object has no such interface (found is null).
    template <class I> static HRESULT handOut(void** object, I* found)
    {
        if (!object)
            return E_POINTER;
        *object = found;
        if (!found)
            return E_NOINTERFACE;
        found->AddRef();
        return S_OK;
    }

private:
    std::atomic<ULONG> m_refs{0};
};

// A new reference-counted object, held once.
template <class T, class... Args> ComPtr<T> makeObject(Args&&... args)
{
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}

} // namespace velmora::automation
