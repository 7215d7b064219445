#pragma once
// The named profiles of one driver: the subkeys of
// HKCU\Software\Velmora Software\<driver name>.

#include <string>
#include <vector>

namespace velmora::server {

// Profile names in registry order; empty when the driver has no key yet. Names longer
// than 256 characters are not profiles of this system and are left out.
std::vector<std::string> listProfiles(const std::string& driverName);

// Deletes the profile with all its sections. True when it is gone (also when the
// driver key holds no such profile); false when the driver key cannot be reached.
bool deleteProfile(const std::string& driverName, const std::string& profileName);

} // namespace velmora::server
