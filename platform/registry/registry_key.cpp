#include "platform/registry/registry_key.h"

#include <algorithm>

namespace velmora::registry {

namespace {
char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

bool namesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

RegistryKey* RegistryKey::child(std::string_view name) const
{
    for (const auto& c : m_children)
        if (namesEqual(c->name(), name))
            return c.get();
    return nullptr;
}

RegistryKey& RegistryKey::addChild(std::string name)
{
    m_children.push_back(std::make_unique<RegistryKey>(std::move(name)));
    return *m_children.back();
}

bool RegistryKey::removeChild(std::string_view name)
{
    auto it = std::find_if(m_children.begin(), m_children.end(),
                           [&](const auto& c) { return namesEqual(c->name(), name); });
    if (it == m_children.end())
        return false;
    m_children.erase(it);
    return true;
}

const RegistryValue* RegistryKey::value(std::string_view name) const
{
    for (const auto& v : m_values)
        if (namesEqual(v.name, name))
            return &v;
    return nullptr;
}

void RegistryKey::setValue(std::string name, DWORD type, std::vector<BYTE> data)
{
    for (auto& v : m_values) {
        if (namesEqual(v.name, name)) {
            v.type = type;
            v.data = std::move(data);
            return;
        }
    }
    m_values.push_back(RegistryValue{std::move(name), type, std::move(data)});
}

bool RegistryKey::removeValue(std::string_view name)
{
    auto it = std::find_if(m_values.begin(), m_values.end(),
                           [&](const auto& v) { return namesEqual(v.name, name); });
    if (it == m_values.end())
        return false;
    m_values.erase(it);
    return true;
}

void RegistryKey::clear()
{
    m_values.clear();
    m_children.clear();
}

std::vector<std::string> splitKeyPath(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

} // namespace velmora::registry
