#include "server/frame/settings_reader.h"

#include "server/frame/scaled_value.h"

namespace velmora::server {

void SettingsReader::number(const std::string& section, const std::string& value, std::int32_t& field)
{
    field = m_store.readNumber(section, value, field);
}

void SettingsReader::scaled(const std::string& section, const std::string& value, double& field, int factor)
{
    field = realFromStored(m_store.readNumber(section, value, storedFromReal(field, factor)), factor);
}

void SettingsReader::text(const std::string& section, const std::string& value, std::string& field)
{
    field = m_store.readText(section, value, field);
}

void SettingsReader::flag(const std::string& section, const std::string& value, bool& field)
{
    field = m_store.readNumber(section, value, field ? 1 : 0) != 0;
}

void SettingsReader::word(const std::string& section, const std::string& value, std::uint16_t& field)
{
    std::int32_t stored = m_store.readNumber(section, value, field);
    if (stored >= 0 && stored <= 0xFFFF)
        field = static_cast<std::uint16_t>(stored);
}

void SettingsReader::exposure(const std::string& section, const std::string& typeValue,
                              const std::string& dataValue, ExposureSequences& field)
{
    const std::int32_t type = m_store.readNumber(section, typeValue, field.type());
    if (auto bytes = m_store.readBlob(section, dataValue)) {
        field = ExposureSequences::fromStored(bytes->data(), bytes->size(), type);
        return;
    }
    if (!field.select(type))
        field.select(0);
}

} // namespace velmora::server
