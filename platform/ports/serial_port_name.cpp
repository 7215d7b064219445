#include "platform/ports/serial_port_name.h"

namespace velmora::platform {

std::optional<int> serialPortNumber(const std::string& name)
{
    const std::string prefix = "COM";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    if (name[prefix.size()] == '0')
        return std::nullopt;
    int number = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        char c = name[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
        if (number > kMaxSerialPortNumber)
            return std::nullopt;
    }
    return number;
}

std::string defaultSerialDevicePath(int number)
{
    return "/dev/ttyS" + std::to_string(number - 1);
}

} // namespace velmora::platform
