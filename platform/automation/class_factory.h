#pragma once
// Class objects: IClassFactory and a ready implementation over a create function.

#include "platform/automation/com_ptr.h"
#include "platform/automation/counted.h"
#include "platform/automation/unknown.h"

#include <functional>
#include <utility>

struct IClassFactory : IUnknown {
    // outer is the aggregating object (none here: CLASS_E_NOAGGREGATION).
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    // A client lock keeps the server running without objects.
    virtual HRESULT LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

namespace velmora::automation {

using CreateFunction = std::function<HRESULT(IUnknown* outer, REFIID iid, void** object)>;

// A CreateFunction making a new T (refusing aggregation) and asking it for iid.
template <class T, class... Args> CreateFunction creatorFor(Args... args)
{
    return [=](IUnknown* outer, REFIID iid, void** object) -> HRESULT {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return makeObject<T>(args...)->QueryInterface(iid, object);
    };
}

// The IUnknown part shared by every class object (IUnknown, IClassFactory).
class CountedClassFactory : public Counted<IClassFactory> {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override;
};

// Every CreateInstance makes a new object through the create function; LockServer
// holds a server process lock (CoAddRefServerProcess).
class ClassFactory final : public CountedClassFactory {
public:
    explicit ClassFactory(CreateFunction create) : m_create(std::move(create)) {}

    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT LockServer(BOOL lock) override;

private:
    ~ClassFactory() override = default;
    CreateFunction m_create;
};

} // namespace velmora::automation
