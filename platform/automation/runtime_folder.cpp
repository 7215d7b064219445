#include "platform/automation/runtime_folder.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace velmora::automation {

namespace {

bool isFolder(const char* path)
{
    struct stat st {};
    return path && *path && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Makes sure `path` is a private folder of ours.
bool ensurePrivateFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 07777) != 0700 && ::chmod(path.c_str(), 0700) != 0)
        return false;
    return true;
}

} // namespace

std::optional<std::string> socketFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string path =
        isFolder(runtime) ? std::string(runtime) + "/velmora" : "/tmp/velmora-" + std::to_string(::geteuid());
    if (!ensurePrivateFolder(path))
        return std::nullopt;
    return path;
}

std::string serverFilePath(const std::string& folder, const GUID& appId, const char* suffix)
{
    return folder + "/" + formatGuid(appId) + suffix;
}

bool fitsSocketAddress(const std::string& path)
{
    return path.size() < sizeof(sockaddr_un::sun_path);
}

} // namespace velmora::automation
