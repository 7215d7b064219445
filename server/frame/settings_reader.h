#pragma once
// Reads a driver's value table field by field, each with the field's present value as
// its default. The tables list their fields once, for the reader and the writer alike.

#include "server/frame/device_settings.h"
#include "server/frame/exposure_sequences.h"

#include <cstdint>
#include <string>

namespace velmora::server {

class SettingsReader {
public:
    explicit SettingsReader(const DeviceSettings& store) : m_store(store) {}

    void number(const std::string& section, const std::string& value, std::int32_t& field);
    // A decimal kept as an integer of 1/factor units ("Pixel Width" 375 is 3.75).
    void scaled(const std::string& section, const std::string& value, double& field, int factor);
    void text(const std::string& section, const std::string& value, std::string& field);
    // Any non-zero number is set.
    void flag(const std::string& section, const std::string& value, bool& field);
    // A 16-bit line word; a stored number outside 0..65535 is not a word and the
    // default stays.
    void word(const std::string& section, const std::string& value, std::uint16_t& field);
    // The camera's selector ("Type") and its two exposure sequences ("Data"); absent or
    // short data keeps the defaults, an unknown type selects sequence 0.
    void exposure(const std::string& section, const std::string& typeValue, const std::string& dataValue,
                  ExposureSequences& field);

private:
    const DeviceSettings& m_store;
};

} // namespace velmora::server
