#include "platform/automation/runtime_folder.h"

#include "platform/registry/private_files.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace velmora::automation {

namespace {

// Names tried after the first one when somebody else holds it.
constexpr int kAlternativeNames = 16;

// XDG_RUNTIME_DIR when it names a private folder of this user's.
std::optional<std::string> privateRuntimeDir()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || *runtime != '/' || !registry::privateFolderProblem(runtime).empty())
        return std::nullopt;
    return std::string(runtime);
}

// Whether `path` is (or has just been made) a folder of this user's that nobody else
// may enter: a link, a file or a folder of somebody else's there is not used. A wider
// mode on a folder of ours is narrowed: whatever another user may have put in it
// meanwhile is no server of ours (peers are checked on every connection).
bool isOrBecomesPrivateFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & 07777) == 0700 || ::chmod(path.c_str(), 0700) == 0;
}

} // namespace

std::optional<std::string> socketFolder()
{
    const auto runtime = privateRuntimeDir();
    const std::string first = runtime ? *runtime + "/velmora" : "/tmp/velmora-" + std::to_string(::geteuid());
    // Every program of this user walks the same names, so they meet in the first one
    // that is theirs.
    for (int n = 0; n <= kAlternativeNames; ++n) {
        const std::string candidate = n == 0 ? first : first + "." + std::to_string(n);
        if (isOrBecomesPrivateFolder(candidate))
            return candidate;
    }
    static bool reported = false;
    if (!std::exchange(reported, true))
        std::fprintf(stderr,
                     "velmora: no private folder for server sockets: %s and %d names after it are taken\n",
                     first.c_str(), kAlternativeNames);
    return std::nullopt;
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
