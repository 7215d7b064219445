#pragma once
// ComPtr: holds one counted reference to an automation object.

#include "platform/automation/unknown.h"

#include <cstddef>
#include <type_traits>
#include <utility>

namespace velmora::automation {

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a reference of its own (AddRef).
    explicit ComPtr(T* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    // From a pointer to an implementation, as an interface it derives from.
    template <class U>
    requires std::is_convertible_v<U*, T*> ComPtr(ComPtr<U>&& other)
    noexcept : m_p(other.detach()) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(const ComPtr& other)
    {
        ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }

    // Adopts a reference the caller already owns (no AddRef).
    static ComPtr attach(T* p)
    {
        ComPtr result;
        result.m_p = p;
        return result;
    }
    // Gives up the reference without releasing it.
    T* detach() { return std::exchange(m_p, nullptr); }
    void reset()
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    void swap(ComPtr& other) noexcept { std::swap(m_p, other.m_p); }

    // Releases what is held and returns the slot for an out-parameter.
    T** put()
    {
        reset();
        return &m_p;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    template <class U> HRESULT queryInterface(REFIID iid, ComPtr<U>& out) const
    {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(iid, out.putVoid());
    }

private:
    T* m_p = nullptr;
};

} // namespace velmora::automation
