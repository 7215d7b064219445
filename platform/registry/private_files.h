#pragma once
// The rule for per-user settings and runtime files: a folder or file is used only
// when it belongs to this user and nobody else may write to it. Anyone who could
// create or change it could make the programs read settings, or start programs, of
// their choosing.

#include <string>
#include <sys/stat.h>

namespace velmora::registry {

// Empty when `st` belongs to the effective user and is not writable by group or
// others; otherwise the reason, as the end of a sentence ("is owned by uid 1001").
std::string ownershipProblem(const struct stat& st);
// The same for the folder at `path` (followed when it is a link): also when it is
// missing or not a folder.
std::string privateFolderProblem(const std::string& path);
// Creates the missing folders of `path`, each with mode 0700.
void makePrivateFolders(const std::string& path);

} // namespace velmora::registry
