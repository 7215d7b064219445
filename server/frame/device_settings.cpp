#include "server/frame/device_settings.h"

#include "platform/registry/registry.h"
#include "server/frame/scoped_key.h"

#include <cstring>

namespace velmora::server {

namespace {

constexpr REGSAM kProfileAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;
// Texts and blobs of the drivers are a few hundred bytes; anything far beyond is not
// theirs and is not copied.
constexpr std::size_t kValueLimit = 1 << 20;

ScopedKey openProfileKey(const std::string& driver, const std::string& profile)
{
    ScopedKey software, company, driverKey, profileKey;
    if (!isValidKeyName(driver) || !isValidKeyName(profile))
        return {};
    // HKCU\Software must already exist; what lies below it is made as needed.
    if (!software.open(HKEY_CURRENT_USER, "Software", kProfileAccess) ||
        !company.create(software.get(), kCompanyKey, kProfileAccess) ||
        !driverKey.create(company.get(), driver.c_str(), kProfileAccess) ||
        !profileKey.create(driverKey.get(), profile.c_str(), kProfileAccess))
        return {};
    return profileKey;
}

ScopedKey openSectionKey(const std::string& driver, const std::string& profile, const std::string& section)
{
    ScopedKey profileKey = openProfileKey(driver, profile);
    ScopedKey sectionKey;
    if (profileKey && isValidKeyName(section))
        sectionKey.create(profileKey.get(), section.c_str(), kProfileAccess);
    return sectionKey;
}

} // namespace

bool isValidKeyName(const std::string& name)
{
    if (name.empty() || name.size() > 255)
        return false;
    for (char c : name) {
        if (c == '\\' || static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    return true;
}

void DeviceSettings::setCurrent(const std::string& driverName, const std::string& profileName)
{
    std::lock_guard lock(m_mutex);
    m_current = {driverName, profileName};
}

std::string DeviceSettings::currentDriver() const
{
    return current().driver;
}

std::string DeviceSettings::currentProfile() const
{
    return current().profile;
}

DeviceSettings::Pair DeviceSettings::current() const
{
    std::lock_guard lock(m_mutex);
    return m_current;
}

std::optional<std::vector<std::uint8_t>>
DeviceSettings::query(const std::string& section, const std::string& value, std::size_t limit) const
{
    Pair pair = current();
    ScopedKey sectionKey = openSectionKey(pair.driver, pair.profile, section);
    if (!sectionKey)
        return std::nullopt;
    DWORD size = 0;
    if (RegQueryValueEx(sectionKey.get(), value.c_str(), nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size > limit)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(size);
    if (size > 0 &&
        RegQueryValueEx(sectionKey.get(), value.c_str(), nullptr, bytes.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    bytes.resize(std::min<std::size_t>(size, bytes.size()));
    return bytes;
}

std::int32_t DeviceSettings::readNumber(const std::string& section, const std::string& value,
                                        std::int32_t defaultValue) const
{
    std::optional<std::vector<std::uint8_t>> bytes = query(section, value, sizeof(std::int32_t));
    if (!bytes)
        return defaultValue;
    std::uint32_t number = 0;
    std::memcpy(&number, bytes->data(), bytes->size());
    return static_cast<std::int32_t>(number);
}

std::string DeviceSettings::readText(const std::string& section, const std::string& value,
                                     const std::string& defaultValue) const
{
    std::optional<std::vector<std::uint8_t>> bytes = query(section, value, kValueLimit);
    if (!bytes)
        return defaultValue;
    std::string text(bytes->begin(), bytes->end());
    return text.substr(0, text.find('\0'));
}

std::optional<std::vector<std::uint8_t>> DeviceSettings::readBlob(const std::string& section,
                                                                  const std::string& value) const
{
    return query(section, value, kValueLimit);
}

bool DeviceSettings::store(const std::string& section, const std::string& value, unsigned type,
                           std::span<const std::uint8_t> bytes)
{
    Pair pair = current();
    ScopedKey sectionKey = openSectionKey(pair.driver, pair.profile, section);
    if (!sectionKey)
        return false;
    return RegSetValueEx(sectionKey.get(), value.c_str(), type, bytes.data(),
                         static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool DeviceSettings::writeNumber(const std::string& section, const std::string& value, std::int32_t number)
{
    auto stored = static_cast<std::uint32_t>(number);
    std::uint8_t bytes[sizeof stored];
    std::memcpy(bytes, &stored, sizeof stored);
    return store(section, value, REG_DWORD, bytes);
}

bool DeviceSettings::writeText(const std::optional<std::string>& text, const std::string& section,
                               const std::optional<std::string>& value)
{
    if (value && text) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(text->c_str());
        return store(section, *value, REG_SZ, std::span<const std::uint8_t>(data, text->size() + 1));
    }
    Pair pair = current();
    if (value) {
        ScopedKey sectionKey = openSectionKey(pair.driver, pair.profile, section);
        return sectionKey && RegDeleteValue(sectionKey.get(), value->c_str()) == ERROR_SUCCESS;
    }
    ScopedKey profile = openProfileKey(pair.driver, pair.profile);
    return profile && isValidKeyName(section) &&
           RegDeleteTree(profile.get(), section.c_str()) == ERROR_SUCCESS;
}

bool DeviceSettings::writeBlob(const std::string& section, const std::string& value,
                               std::span<const std::uint8_t> bytes)
{
    return store(section, value, REG_BINARY, bytes);
}

} // namespace velmora::server
