#pragma once
// An open registry key that closes itself.

#include "platform/registry/registry.h"

namespace velmora::server {

class ScopedKey {
public:
    ScopedKey() = default;
    ~ScopedKey() { reset(); }
    ScopedKey(ScopedKey&& other) noexcept : m_key(other.m_key) { other.m_key = nullptr; }
    ScopedKey& operator=(ScopedKey&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_key = other.m_key;
            other.m_key = nullptr;
        }
        return *this;
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    // Opens an existing key; false (and no key) on failure.
    bool open(HKEY parent, const char* subKey, REGSAM access)
    {
        reset();
        if (RegOpenKeyEx(parent, subKey, access, &m_key) == ERROR_SUCCESS)
            return true;
        m_key = nullptr;
        return false;
    }
    // Creates or opens a key; false (and no key) on failure.
    bool create(HKEY parent, const char* subKey, REGSAM access)
    {
        reset();
        if (RegCreateKeyEx(parent, subKey, access, &m_key) == ERROR_SUCCESS)
            return true;
        m_key = nullptr;
        return false;
    }
    void reset()
    {
        if (m_key)
            RegCloseKey(m_key);
        m_key = nullptr;
    }

    HKEY get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }

private:
    HKEY m_key = nullptr;
};

} // namespace velmora::server
