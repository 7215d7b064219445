#pragma once

#include "client/shell/settings_store.h"

#include <map>
#include <variant>

namespace velmora::client {

// Settings kept in memory, with the same type rules as the registry store: an
// integer read of a string value (or the reverse) yields the default.
class MemorySettingsStore : public SettingsStore {
public:
    std::int32_t readInt(const std::string& section, const std::string& value,
                         std::int32_t defaultValue) const override;
    std::string readString(const std::string& section, const std::string& value,
                           const std::string& defaultValue) const override;
    bool writeInt(const std::string& section, const std::string& value, std::int32_t number) override;
    bool writeString(const std::string& section, const std::string& value, const std::string& text) override;
    std::optional<std::vector<std::uint8_t>> readBinary(const std::string& section,
                                                        const std::string& value) const override;
    bool writeBinary(const std::string& section, const std::string& value,
                     const std::vector<std::uint8_t>& bytes) override;

    bool contains(const std::string& section, const std::string& value) const;
    std::size_t size() const { return m_values.size(); }

private:
    using Key = std::pair<std::string, std::string>;
    std::map<Key, std::variant<std::int32_t, std::string, std::vector<std::uint8_t>>> m_values;
};

} // namespace velmora::client
