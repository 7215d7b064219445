#include "client/guiding/read_only_settings_store.h"

namespace velmora::client {

std::int32_t ReadOnlySettingsStore::readInt(const std::string& section, const std::string& value,
                                            std::int32_t defaultValue) const
{
    if (m_session.contains(section, value))
        return m_session.readInt(section, value, defaultValue);
    return m_source.readInt(section, value, defaultValue);
}

std::string ReadOnlySettingsStore::readString(const std::string& section, const std::string& value,
                                              const std::string& defaultValue) const
{
    if (m_session.contains(section, value))
        return m_session.readString(section, value, defaultValue);
    return m_source.readString(section, value, defaultValue);
}

bool ReadOnlySettingsStore::writeInt(const std::string& section, const std::string& value,
                                     std::int32_t number)
{
    return m_session.writeInt(section, value, number);
}

bool ReadOnlySettingsStore::writeString(const std::string& section, const std::string& value,
                                        const std::string& text)
{
    return m_session.writeString(section, value, text);
}

std::optional<std::vector<std::uint8_t>> ReadOnlySettingsStore::readBinary(const std::string& section,
                                                                         const std::string& value) const
{
    if (m_session.contains(section, value))
        return m_session.readBinary(section, value);
    return m_source.readBinary(section, value);
}

bool ReadOnlySettingsStore::writeBinary(const std::string& section, const std::string& value,
                                        const std::vector<std::uint8_t>& bytes)
{
    return m_session.writeBinary(section, value, bytes);
}

} // namespace velmora::client
