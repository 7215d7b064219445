#include "platform/automation/registry_value.h"

#include <vector>

namespace velmora::automation {

namespace {
constexpr DWORD kMaxValueBytes = 64 * 1024;
}

std::optional<std::string> readRegistryString(HKEY root, const std::string& path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(root, path.c_str(), KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::string> result;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueEx(key, name, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ &&
        size <= kMaxValueBytes) {
        std::vector<BYTE> data(size + 1);
        if (RegQueryValueEx(key, name, &type, data.data(), &size) == ERROR_SUCCESS) {
            std::string text(reinterpret_cast<const char*>(data.data()), size);
            while (!text.empty() && text.back() == '\0')
                text.pop_back();
            result = std::move(text);
        }
    }
    RegCloseKey(key);
    return result;
}

} // namespace velmora::automation
