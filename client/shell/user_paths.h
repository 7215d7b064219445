#pragma once
// Folders and files the user names in the settings. The defaults live in the user's
// home folder, written "~/" so that the stored value stays true when the home folder
// moves; "~" or a leading "~/" stands for $HOME.

#include <cstdint>
#include <optional>
#include <string>

namespace velmora::client {

// "~" and "~/…" with $HOME put in; anything else as it is. Without HOME the text
// is returned unchanged.
std::string expandUserPath(const std::string& path);

// Free bytes the user may still write on the volume of a folder.
class FreeSpaceQuery {
public:
    virtual ~FreeSpaceQuery() = default;
    // Nothing when the folder cannot be asked (missing, no access).
    virtual std::optional<std::uint64_t> freeBytes(const std::string& folder) const = 0;
};

// statvfs: blocks available to an unprivileged user times the fragment size.
class FileSystemFreeSpace : public FreeSpaceQuery {
public:
    std::optional<std::uint64_t> freeBytes(const std::string& folder) const override;
};

// Status pane 7, " [%d Mb Free] " with the free bytes ÷ 1048576 (64-bit integer
// division); empty when the query failed.
std::string freeSpaceText(const FreeSpaceQuery& query, const std::string& folder);

} // namespace velmora::client
