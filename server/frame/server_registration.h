#pragma once
// What registering VelmoraServer writes to the registry, and what unregistering removes.

#include <string>

namespace velmora::server {

// AppID entries, the three classes with both program ids, the type library and its
// interfaces. executablePath becomes each class's LocalServer32. Success flag.
bool registerServer(const std::string& executablePath);
// Removes exactly what registerServer wrote, keeping HKCR\AppID, HKCR\CLSID and
// the ASCOM "... Drivers" keys.
bool unregisterServer();
// Writes (or deletes) HKLM\SOFTWARE\ASCOM\<type> Drivers\<ProgID> with the driver's
// description; failures are skipped key by key.
void registerAscomProfiles(bool doRegister);

} // namespace velmora::server
