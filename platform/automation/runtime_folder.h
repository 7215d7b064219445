#pragma once
// Where local servers' sockets and lock files live.

#include "platform/automation/guid.h"

#include <optional>
#include <string>

namespace velmora::automation {

// $XDG_RUNTIME_DIR/velmora (when XDG_RUNTIME_DIR names a folder), else
// /tmp/velmora-<uid>. Created with mode 0700; an existing one must be a real folder
// owned by this user, and a wider mode is narrowed to 0700. nullopt when it cannot
// be made safe.
std::optional<std::string> socketFolder();

// folder/{AppID}.sock, .lock (held by the serving process) and .spawn (held by a
// client starting the server).
std::string serverFilePath(const std::string& folder, const GUID& appId, const char* suffix);

// Whether the path fits a Unix-domain socket address.
bool fitsSocketAddress(const std::string& path);

} // namespace velmora::automation
