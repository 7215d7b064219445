#include "client/devices/driver_list.h"

#include "platform/registry/registry.h"

#include <strings.h>

namespace velmora::client {

namespace {

std::string description(HKEY drivers, const std::string& progId)
{
    HKEY entry = nullptr;
    if (RegOpenKeyEx(drivers, progId.c_str(), KEY_QUERY_VALUE, &entry) != ERROR_SUCCESS)
        return progId;
    std::string text;
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(entry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ &&
        size > 0) {
        text.resize(size);
        if (RegQueryValueEx(entry, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
            ERROR_SUCCESS)
            text.clear();
        // Descriptions may be stored with or without their NUL.
        text.resize(std::min<std::size_t>(size, text.find('\0')));
    }
    RegCloseKey(entry);
    return text.empty() ? progId : text;
}

} // namespace

std::vector<DriverEntry> registeredDrivers(const std::string& deviceType)
{
    std::vector<DriverEntry> drivers;
    HKEY key = nullptr;
    const std::string path = "SOFTWARE\\ASCOM\\" + deviceType + " Drivers";
    if (deviceType.empty() || deviceType.find('\\') != std::string::npos ||
        RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ, &key) != ERROR_SUCCESS)
        return drivers;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyEx(key, i, name, &size) != ERROR_SUCCESS)
            break;
        drivers.push_back({std::string(name, size), description(key, std::string(name, size))});
    }
    RegCloseKey(key);
    return drivers;
}

int indexOfProgId(const std::vector<DriverEntry>& drivers, const std::string& progId)
{
    for (std::size_t i = 0; i < drivers.size(); ++i)
        if (strcasecmp(drivers[i].progId.c_str(), progId.c_str()) == 0)
            return static_cast<int>(i);
    return -1;
}

} // namespace velmora::client
