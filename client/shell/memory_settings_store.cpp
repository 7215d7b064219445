#include "client/shell/memory_settings_store.h"

namespace velmora::client {

std::int32_t MemorySettingsStore::readInt(const std::string& section, const std::string& value,
                                          std::int32_t defaultValue) const
{
    auto it = m_values.find({section, value});
    if (it == m_values.end() || !std::holds_alternative<std::int32_t>(it->second))
        return defaultValue;
    return std::get<std::int32_t>(it->second);
}

std::string MemorySettingsStore::readString(const std::string& section, const std::string& value,
                                            const std::string& defaultValue) const
{
    auto it = m_values.find({section, value});
    if (it == m_values.end() || !std::holds_alternative<std::string>(it->second))
        return defaultValue;
    return std::get<std::string>(it->second);
}

bool MemorySettingsStore::writeInt(const std::string& section, const std::string& value, std::int32_t number)
{
    m_values[{section, value}] = number;
    return true;
}

bool MemorySettingsStore::writeString(const std::string& section, const std::string& value, const std::string& text)
{
    m_values[{section, value}] = text;
    return true;
}

std::optional<std::vector<std::uint8_t>> MemorySettingsStore::readBinary(const std::string& section,
                                                                       const std::string& value) const
{
    auto it = m_values.find({section, value});
    if (it == m_values.end() || !std::holds_alternative<std::vector<std::uint8_t>>(it->second))
        return std::nullopt;
    return std::get<std::vector<std::uint8_t>>(it->second);
}

bool MemorySettingsStore::writeBinary(const std::string& section, const std::string& value,
                                      const std::vector<std::uint8_t>& bytes)
{
    m_values[{section, value}] = bytes;
    return true;
}

bool MemorySettingsStore::contains(const std::string& section, const std::string& value) const
{
    return m_values.count({section, value}) != 0;
}

} // namespace velmora::client
