#pragma once
// Serial port names ("COM1", "COM12") and their default device paths.

#include <optional>
#include <string>

namespace velmora::platform {

// Highest number accepted in a "COMn" name; far above what any machine has, low
// enough that the device path cannot overflow anything.
constexpr int kMaxSerialPortNumber = 255;

// n of a name that is exactly "COM" followed by a decimal number 1..kMaxSerialPortNumber
// without leading zeros; none otherwise.
std::optional<int> serialPortNumber(const std::string& name);

// "/dev/ttyS<n-1>": the default device of "COMn".
std::string defaultSerialDevicePath(int number);

} // namespace velmora::platform
