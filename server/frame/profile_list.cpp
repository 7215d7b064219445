#include "server/frame/profile_list.h"

#include "server/frame/device_settings.h"
#include "server/frame/scoped_key.h"

namespace velmora::server {

namespace {

ScopedKey openDriverKey(const std::string& driverName, REGSAM access)
{
    ScopedKey software, company, driver;
    if (isValidKeyName(driverName) && software.open(HKEY_CURRENT_USER, "Software", KEY_READ) &&
        company.open(software.get(), kCompanyKey, KEY_READ))
        driver.open(company.get(), driverName.c_str(), access);
    return driver;
}

} // namespace

std::vector<std::string> listProfiles(const std::string& driverName)
{
    std::vector<std::string> names;
    ScopedKey driver = openDriverKey(driverName, KEY_READ);
    if (!driver)
        return names;
    for (DWORD index = 0;; ++index) {
        char name[257];
        DWORD size = sizeof name;
        LONG result = RegEnumKeyEx(driver.get(), index, name, &size);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    return names;
}

bool deleteProfile(const std::string& driverName, const std::string& profileName)
{
    if (!isValidKeyName(profileName))
        return false;
    ScopedKey driver = openDriverKey(driverName, KEY_READ | KEY_SET_VALUE);
    if (!driver)
        return false;
    LONG result = RegDeleteTree(driver.get(), profileName.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

} // namespace velmora::server
