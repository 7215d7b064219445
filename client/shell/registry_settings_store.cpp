#include "client/shell/registry_settings_store.h"

#include "platform/registry/registry.h"

#include <cstring>
#include <vector>

namespace velmora::client {

namespace {

// Closes the key on every path out of a read or write.
class KeyHolder {
public:
    KeyHolder() = default;
    ~KeyHolder()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    HKEY* out() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// The value's bytes when it exists with the wanted type (`found` tells an empty value
// from a missing one).
std::vector<BYTE> queryTyped(const std::string& path, const std::string& value, DWORD wantedType,
                             bool* found = nullptr)
{
    KeyHolder key;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS)
        return {};
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(key.get(), value.c_str(), &type, nullptr, &size) != ERROR_SUCCESS || type != wantedType)
        return {};
    std::vector<BYTE> data(size);
    if (RegQueryValueEx(key.get(), value.c_str(), &type, data.data(), &size) != ERROR_SUCCESS || type != wantedType)
        return {};
    data.resize(size);
    if (found != nullptr)
        *found = true;
    return data;
}

bool setValue(const std::string& path, const std::string& value, DWORD type, const void* data, std::size_t size)
{
    KeyHolder key;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), KEY_WRITE, key.out()) != ERROR_SUCCESS)
        return false;
    return RegSetValueEx(key.get(), value.c_str(), type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) ==
           ERROR_SUCCESS;
}

} // namespace

RegistrySettingsStore::RegistrySettingsStore(std::string company, std::string application)
    : m_company(std::move(company)), m_application(std::move(application))
{
}

std::string RegistrySettingsStore::sectionPath(const std::string& section) const
{
    return "Software\\" + m_company + "\\" + m_application + "\\" + section;
}

std::int32_t RegistrySettingsStore::readInt(const std::string& section, const std::string& value,
                                            std::int32_t defaultValue) const
{
    auto data = queryTyped(sectionPath(section), value, REG_DWORD);
    if (data.size() != 4)
        return defaultValue;
    std::int32_t number = 0;
    std::memcpy(&number, data.data(), 4);
    return number;
}

std::string RegistrySettingsStore::readString(const std::string& section, const std::string& value,
                                              const std::string& defaultValue) const
{
    auto data = queryTyped(sectionPath(section), value, REG_SZ);
    if (data.empty())
        return defaultValue;
    // The text ends at its first NUL (a hand-written value may lack one).
    std::size_t length = 0;
    while (length < data.size() && data[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char*>(data.data()), length);
}

bool RegistrySettingsStore::writeInt(const std::string& section, const std::string& value, std::int32_t number)
{
    return setValue(sectionPath(section), value, REG_DWORD, &number, sizeof number);
}

bool RegistrySettingsStore::writeString(const std::string& section, const std::string& value,
                                        const std::string& text)
{
    return setValue(sectionPath(section), value, REG_SZ, text.c_str(), text.size() + 1);
}

std::optional<std::vector<std::uint8_t>> RegistrySettingsStore::readBinary(const std::string& section,
                                                                         const std::string& value) const
{
    bool found = false;
    std::vector<BYTE> data = queryTyped(sectionPath(section), value, REG_BINARY, &found);
    if (!found)
        return std::nullopt;
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

bool RegistrySettingsStore::writeBinary(const std::string& section, const std::string& value,
                                        const std::vector<std::uint8_t>& bytes)
{
    return setValue(sectionPath(section), value, REG_BINARY, bytes.data(), bytes.size());
}

} // namespace velmora::client
