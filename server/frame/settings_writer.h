#pragma once
// Writes a driver's value table field by field, in the table's order, and remembers
// whether every write succeeded.

#include "platform/registry/registry.h"
#include "server/frame/device_settings.h"
#include "server/frame/exposure_sequences.h"

#include <cstdint>
#include <string>

namespace velmora::server {

class SettingsWriter {
public:
    // The whole table is written to the hive file once, when the writer goes.
    explicit SettingsWriter(DeviceSettings& store) : m_batch(HKEY_CURRENT_USER), m_store(store) {}

    void number(const std::string& section, const std::string& value, std::int32_t field);
    // Written as field * factor truncated ("Pixel Width" 3.75 is 375).
    void scaled(const std::string& section, const std::string& value, double field, int factor);
    void text(const std::string& section, const std::string& value, const std::string& field);
    void flag(const std::string& section, const std::string& value, bool field);
    void word(const std::string& section, const std::string& value, std::uint16_t field);
    // The selector as a number, then the two sequences, always the full 120 bytes.
    void exposure(const std::string& section, const std::string& typeValue, const std::string& dataValue,
                  const ExposureSequences& field);

    bool allWritten() const { return m_allWritten; }

private:
    void record(bool written) { m_allWritten = m_allWritten && written; }

    registry::Batch m_batch;
    DeviceSettings& m_store;
    bool m_allWritten = true;
};

} // namespace velmora::server
