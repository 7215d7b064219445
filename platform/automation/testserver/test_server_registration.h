#pragma once
// Registers the test server in the current (test) registry, as a server's own
// registration would.

#include <string>

namespace velmora::automation::testing {

// Paths of the built test server and test client executables.
std::string testServerPath();
std::string testClientPath();

// `"<test server>" extraArguments`: a LocalServer32 value.
std::string testServerCommand(const std::string& extraArguments = {});

// HKCR entries of VelmoraTest.Object (.1 and CurVer), its CLSID with LocalServer32 =
// serverCommand and its AppID. False when a registry write fails.
bool registerTestServer(const std::string& serverCommand);

// Writes one REG_SZ value, creating the key.
bool writeRegistryString(const std::string& path, const char* name, const std::string& value);

} // namespace velmora::automation::testing
