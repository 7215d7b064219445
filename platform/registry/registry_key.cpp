#include "platform/registry/registry_key.h"

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

std::string lowerName(std::string_view name)
{
    std::string lower(name);
    for (char& c : lower)
        c = lowerAscii(c);
    return lower;
}

void RegistryKey::reindexValues(const std::vector<RegistryValue>& values, Index& index)
{
    index.clear();
    for (std::size_t i = 0; i < values.size(); ++i)
        index.emplace(lowerName(values[i].name), i);
}

void RegistryKey::reindexChildren(const std::vector<std::unique_ptr<RegistryKey>>& children, Index& index)
{
    index.clear();
    for (std::size_t i = 0; i < children.size(); ++i)
        index.emplace(lowerName(children[i]->name()), i);
}

RegistryKey* RegistryKey::child(std::string_view name) const
{
    auto it = m_childIndex.find(lowerName(name));
    return it == m_childIndex.end() ? nullptr : m_children[it->second].get();
}

RegistryKey& RegistryKey::addChild(std::string name)
{
    m_childIndex.emplace(lowerName(name), m_children.size());
    m_children.push_back(std::make_unique<RegistryKey>(std::move(name)));
    return *m_children.back();
}

bool RegistryKey::removeChild(std::string_view name)
{
    auto it = m_childIndex.find(lowerName(name));
    if (it == m_childIndex.end())
        return false;
    m_children.erase(m_children.begin() + static_cast<std::ptrdiff_t>(it->second));
    reindexChildren(m_children, m_childIndex);
    return true;
}

const RegistryValue* RegistryKey::value(std::string_view name) const
{
    auto it = m_valueIndex.find(lowerName(name));
    return it == m_valueIndex.end() ? nullptr : &m_values[it->second];
}

void RegistryKey::setValue(std::string name, DWORD type, std::vector<BYTE> data)
{
    auto it = m_valueIndex.find(lowerName(name));
    if (it != m_valueIndex.end()) {
        RegistryValue& v = m_values[it->second];
        v.type = type;
        v.data = std::move(data);
        return;
    }
    m_valueIndex.emplace(lowerName(name), m_values.size());
    m_values.push_back(RegistryValue{std::move(name), type, std::move(data)});
}

bool RegistryKey::removeValue(std::string_view name)
{
    auto it = m_valueIndex.find(lowerName(name));
    if (it == m_valueIndex.end())
        return false;
    m_values.erase(m_values.begin() + static_cast<std::ptrdiff_t>(it->second));
    reindexValues(m_values, m_valueIndex);
    return true;
}

void RegistryKey::clear()
{
    m_values.clear();
    m_children.clear();
    m_valueIndex.clear();
    m_childIndex.clear();
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
