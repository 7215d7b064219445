#pragma once
// Where local servers' sockets and lock files live.

#include "platform/automation/guid.h"

#include <optional>
#include <string>

namespace velmora::automation {

// $XDG_RUNTIME_DIR/velmora (when XDG_RUNTIME_DIR names a private folder of this
// user's), else /tmp/velmora-<uid>. Created with mode 0700; an existing one must be a
// real folder owned by this user (a wider mode is narrowed to 0700). When somebody else holds
// the name (a folder, file or link of theirs), the same name with ".1", ".2", ... is
// used instead: the first of them that is this user's. nullopt (reported once on
// standard error) when all are taken.
std::optional<std::string> socketFolder();

// folder/{AppID}.sock, .lock (held by the serving process) and .spawn (held by a
// client starting the server).
std::string serverFilePath(const std::string& folder, const GUID& appId, const char* suffix);

// Whether the path fits a Unix-domain socket address.
bool fitsSocketAddress(const std::string& path);

} // namespace velmora::automation
