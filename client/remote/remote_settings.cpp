#include "client/remote/remote_settings.h"

#include "client/shell/settings_layout.h"

namespace velmora::client::remote {

ListenAddress listenAddressFromSettings(const SettingsStore& store, std::optional<int> port)
{
    ListenAddress where;
    where.address = settings::read(store, settings::kRemoteListenAddress);
    if (where.address.empty())
        where.address = settings::kRemoteListenAddress.defaultValue;
    const std::int32_t stored = settings::read(store, settings::kRemotePort);
    where.port = stored >= 0 && stored <= 65535 ? stored : settings::kRemotePort.defaultValue;
    if (port)
        where.port = *port;
    return where;
}

bool remoteEnabled(const SettingsStore& store)
{
    return settings::readBool(store, settings::kRemoteEnable);
}

} // namespace velmora::client::remote
