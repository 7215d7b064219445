#pragma once
// A settings store that reads through to another one and keeps every write to itself
// in memory: a program that shares the client's settings without owning them (the
// headless guider) behaves like the client without changing what the client keeps.

#include "client/shell/memory_settings_store.h"
#include "client/shell/settings_store.h"

namespace velmora::client {

class ReadOnlySettingsStore : public SettingsStore {
public:
    explicit ReadOnlySettingsStore(const SettingsStore& source) : m_source(source) {}

    // A value written in this session wins over the source's.
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

private:
    const SettingsStore& m_source;
    MemorySettingsStore m_session;
};

} // namespace velmora::client
