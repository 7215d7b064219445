#pragma once
// Where the guiding server listens: section "Remote", "Listen Address" (127.0.0.1:
// loopback only, unless the user names another interface) and "Port" (4400, the next
// free one up to 4409 when taken; 0 lets the system pick one). A port given on the
// command line replaces the setting.

#include "client/remote/line_server.h"

#include <optional>

namespace velmora::client {
class SettingsStore;
}

namespace velmora::client::remote {

ListenAddress listenAddressFromSettings(const SettingsStore& store, std::optional<int> port = std::nullopt);

bool remoteEnabled(const SettingsStore& store);

} // namespace velmora::client::remote
