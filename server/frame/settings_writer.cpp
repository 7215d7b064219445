#include "server/frame/settings_writer.h"

#include "server/frame/scaled_value.h"

namespace velmora::server {

void SettingsWriter::number(const std::string& section, const std::string& value, std::int32_t field)
{
    record(m_store.writeNumber(section, value, field));
}

void SettingsWriter::scaled(const std::string& section, const std::string& value, double field, int factor)
{
    number(section, value, storedFromReal(field, factor));
}

void SettingsWriter::text(const std::string& section, const std::string& value, const std::string& field)
{
    record(m_store.writeText(field, section, value));
}

void SettingsWriter::flag(const std::string& section, const std::string& value, bool field)
{
    number(section, value, field ? 1 : 0);
}

void SettingsWriter::word(const std::string& section, const std::string& value, std::uint16_t field)
{
    number(section, value, field);
}

void SettingsWriter::exposure(const std::string& section, const std::string& typeValue,
                              const std::string& dataValue, const ExposureSequences& field)
{
    number(section, typeValue, field.type());
    record(m_store.writeBlob(section, dataValue, field.toBytes()));
}

} // namespace velmora::server
