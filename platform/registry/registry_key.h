#pragma once
// In-memory registry tree: a key with ordered values and ordered subkeys.
// Names compare case-insensitively (ASCII) and keep the case given at creation.

#include "platform/registry/registry.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velmora::registry {

struct RegistryValue {
    std::string name; // empty: the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

bool namesEqual(std::string_view a, std::string_view b);

class RegistryKey {
public:
    explicit RegistryKey(std::string name) : m_name(std::move(name)) {}

    const std::string& name() const { return m_name; }

    RegistryKey* child(std::string_view name) const;
    RegistryKey& addChild(std::string name);
    bool removeChild(std::string_view name);
    const std::vector<std::unique_ptr<RegistryKey>>& children() const { return m_children; }

    const RegistryValue* value(std::string_view name) const;
    // Replaces an existing value in place (keeping its position and the case of its
    // name) or appends a new one.
    void setValue(std::string name, DWORD type, std::vector<BYTE> data);
    bool removeValue(std::string_view name);
    const std::vector<RegistryValue>& values() const { return m_values; }

    void clear();

private:
    // Lower-cased name -> position, so that lookups stay cheap in keys with
    // thousands of values (a whole hive is parsed on every reload).
    using Index = std::unordered_map<std::string, std::size_t>;
    static void reindexValues(const std::vector<RegistryValue>& values, Index& index);
    static void reindexChildren(const std::vector<std::unique_ptr<RegistryKey>>& children, Index& index);

    std::string m_name;
    std::vector<RegistryValue> m_values;
    std::vector<std::unique_ptr<RegistryKey>> m_children;
    Index m_valueIndex;
    Index m_childIndex;
};

std::string lowerName(std::string_view name);

// Splits "A\B\C" into its parts; empty parts (doubled or trailing separators) are skipped.
std::vector<std::string> splitKeyPath(std::string_view path);

} // namespace velmora::registry
