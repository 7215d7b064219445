#pragma once

#include "client/shell/settings_store.h"

namespace velmora::client {

// HKEY_CURRENT_USER\Software\<company>\<application>\<section>\<value>.
// Integers are REG_DWORD read back as signed 32-bit; strings REG_SZ with their NUL.
class RegistrySettingsStore : public SettingsStore {
public:
    static constexpr const char* kCompanyKey = "Velmora Software";
    static constexpr const char* kApplicationKey = "Velmora Nebrix Client";

    RegistrySettingsStore(std::string company = kCompanyKey, std::string application = kApplicationKey);

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
    std::string sectionPath(const std::string& section) const;

    std::string m_company;
    std::string m_application;
};

} // namespace velmora::client
