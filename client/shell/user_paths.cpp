#include "client/shell/user_paths.h"

#include <sys/statvfs.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace velmora::client {

std::string expandUserPath(const std::string& path)
{
    const bool homeRelative = path == "~" || path.rfind("~/", 0) == 0;
    const char* home = std::getenv("HOME");
    if (!homeRelative || home == nullptr || *home == '\0')
        return path;
    std::string expanded = home;
    if (path.size() > 1) {
        if (expanded.back() == '/')
            expanded.pop_back();
        expanded += path.substr(1);
    }
    return expanded;
}

std::optional<std::uint64_t> FileSystemFreeSpace::freeBytes(const std::string& folder) const
{
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

std::string freeSpaceText(const FreeSpaceQuery& query, const std::string& folder)
{
    const std::optional<std::uint64_t> bytes = query.freeBytes(expandUserPath(folder));
    if (!bytes)
        return {};
    char text[64];
    // The pane's format takes a %d; a volume of more than 2^31 MiB is shown in full.
    std::snprintf(text, sizeof text, " [%" PRIu64 " Mb Free] ", *bytes / 1048576u);
    return text;
}

} // namespace velmora::client
