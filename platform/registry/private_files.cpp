#include "platform/registry/private_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace velmora::registry {

std::string ownershipProblem(const struct stat& st)
{
    if (st.st_uid != ::geteuid())
        return "is owned by uid " + std::to_string(st.st_uid) + ", not by this user (uid " +
               std::to_string(::geteuid()) + ")";
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return "is writable by group or others (mode " + std::to_string((st.st_mode >> 6) & 7) +
               std::to_string((st.st_mode >> 3) & 7) + std::to_string(st.st_mode & 7) + ")";
    return {};
}

std::string privateFolderProblem(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::string("cannot be examined: ") + std::strerror(errno);
    if (!S_ISDIR(st.st_mode))
        return "is not a folder";
    return ownershipProblem(st);
}

void makePrivateFolders(const std::string& path)
{
    const std::filesystem::path folder(path);
    if (folder.empty() || folder == folder.root_path())
        return;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0)
        return;
    makePrivateFolders(folder.parent_path().string());
    ::mkdir(folder.c_str(), 0700);
}

} // namespace velmora::registry
