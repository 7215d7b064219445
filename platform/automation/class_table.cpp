#include "platform/automation/class_table.h"

#include <cctype>

namespace velmora::automation {

namespace {
std::string fold(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}
} // namespace

ClassTable& ClassTable::instance()
{
    static ClassTable table;
    return table;
}

DWORD ClassTable::add(REFCLSID clsid, ComPtr<IClassFactory> factory, DWORD context)
{
    std::lock_guard lock(m_mutex);
    const DWORD cookie = m_nextCookie++;
    m_entries[cookie] = Entry{clsid, std::move(factory), context};
    return cookie;
}

bool ClassTable::remove(DWORD cookie)
{
    ComPtr<IClassFactory> released; // released outside the lock
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(cookie);
    if (it == m_entries.end())
        return false;
    released = std::move(it->second.factory);
    m_entries.erase(it);
    return true;
}

ComPtr<IClassFactory> ClassTable::find(REFCLSID clsid, DWORD contexts) const
{
    std::lock_guard lock(m_mutex);
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        if (it->second.clsid == clsid && (it->second.context & contexts))
            return it->second.factory;
    }
    return nullptr;
}

void ClassTable::addProgId(const std::string& progId, REFCLSID clsid)
{
    std::lock_guard lock(m_mutex);
    m_progIds[fold(progId)] = {progId, clsid};
}

void ClassTable::removeProgId(const std::string& progId)
{
    std::lock_guard lock(m_mutex);
    m_progIds.erase(fold(progId));
}

std::optional<CLSID> ClassTable::findProgId(std::string_view progId) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_progIds.find(fold(progId));
    if (it == m_progIds.end())
        return std::nullopt;
    return it->second.second;
}

std::optional<std::string> ClassTable::findProgIdOf(REFCLSID clsid) const
{
    std::lock_guard lock(m_mutex);
    for (const auto& [folded, entry] : m_progIds) {
        if (entry.second == clsid)
            return entry.first;
    }
    return std::nullopt;
}

} // namespace velmora::automation
