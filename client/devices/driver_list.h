#pragma once
// The drivers registered for one device type under
// HKLM\SOFTWARE\ASCOM\<type> Drivers: one subkey per ProgID, its default value the
// description shown to the user.

#include <string>
#include <vector>

namespace velmora::client {

struct DriverEntry {
    std::string progId;
    std::string description; // the ProgID itself when the key has no description
};

// In registry order; empty when the type has no drivers key.
std::vector<DriverEntry> registeredDrivers(const std::string& deviceType);
// The entry to preselect for the current ProgID (case-insensitive), or -1.
int indexOfProgId(const std::vector<DriverEntry>& drivers, const std::string& progId);

} // namespace velmora::client
