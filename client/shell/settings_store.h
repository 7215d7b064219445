#pragma once
// The client's persistent settings: named values in named sections.
//
// Reads return the default when the section or value is missing or holds another
// type; writes create what is missing. Core code takes a SettingsStore& so tests can
// pass an in-memory store.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::client {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual std::int32_t readInt(const std::string& section, const std::string& value,
                                 std::int32_t defaultValue) const = 0;
    virtual std::string readString(const std::string& section, const std::string& value,
                                   const std::string& defaultValue) const = 0;
    // Success flags; owners write at destruction and carry on when a write fails.
    virtual bool writeInt(const std::string& section, const std::string& value, std::int32_t number) = 0;
    virtual bool writeString(const std::string& section, const std::string& value, const std::string& text) = 0;
    // Opaque byte blocks (REG_BINARY), such as the toolkit's saved bar layout. Empty
    // when missing or of another type.
    virtual std::optional<std::vector<std::uint8_t>> readBinary(const std::string& section,
                                                                const std::string& value) const = 0;
    virtual bool writeBinary(const std::string& section, const std::string& value,
                             const std::vector<std::uint8_t>& bytes) = 0;
};

} // namespace velmora::client
