#pragma once
// The class objects and ProgIDs this process has registered.

#include "platform/automation/class_factory.h"
#include "platform/automation/com_ptr.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::automation {

class ClassTable {
public:
    static ClassTable& instance();

    DWORD add(REFCLSID clsid, ComPtr<IClassFactory> factory, DWORD context);
    // False for an unknown cookie.
    bool remove(DWORD cookie);
    // The newest registration of clsid for any context in `contexts`.
    ComPtr<IClassFactory> find(REFCLSID clsid, DWORD contexts) const;

    // ProgIDs compare case-insensitively, as registry key names do.
    void addProgId(const std::string& progId, REFCLSID clsid);
    void removeProgId(const std::string& progId);
    std::optional<CLSID> findProgId(std::string_view progId) const;
    std::optional<std::string> findProgIdOf(REFCLSID clsid) const;

private:
    struct Entry {
        CLSID clsid;
        ComPtr<IClassFactory> factory;
        DWORD context;
    };
    mutable std::mutex m_mutex;
    std::map<DWORD, Entry> m_entries;
    std::map<std::string, std::pair<std::string, CLSID>> m_progIds; // folded name -> (name, clsid)
    DWORD m_nextCookie = 1;
};

} // namespace velmora::automation
