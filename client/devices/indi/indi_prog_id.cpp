#include "client/devices/indi/indi_prog_id.h"

#include <charconv>
#include <strings.h>

namespace velmora::client::indi {

namespace {

constexpr const char* kPrefix = "INDI.";

bool hasControlCharacters(const std::string& text)
{
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F)
            return true;
    return false;
}

std::optional<std::uint16_t> parsePort(const std::string& text)
{
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace

const char* deviceTypeName(IndiDeviceType type)
{
    switch (type) {
    case IndiDeviceType::Camera:
        return "Camera";
    case IndiDeviceType::Telescope:
        return "Telescope";
    case IndiDeviceType::Focuser:
        return "Focuser";
    }
    return "Camera";
}

std::optional<IndiDeviceType> deviceTypeFromName(const std::string& name)
{
    for (IndiDeviceType type : {IndiDeviceType::Camera, IndiDeviceType::Telescope, IndiDeviceType::Focuser})
        if (strcasecmp(name.c_str(), deviceTypeName(type)) == 0)
            return type;
    return std::nullopt;
}

bool looksLikeIndiProgId(const std::string& progId)
{
    return progId.size() >= 5 && strncasecmp(progId.c_str(), kPrefix, 5) == 0;
}

std::optional<IndiProgId> parseIndiProgId(const std::string& progId)
{
    if (!looksLikeIndiProgId(progId) || hasControlCharacters(progId))
        return std::nullopt;
    const std::string rest = progId.substr(5);
    const std::size_t colon = rest.find(':');
    // The device name may hold '@' and ':' itself: the server part is after the last '@'.
    const std::size_t at = rest.rfind('@');
    if (colon == std::string::npos || at == std::string::npos || at < colon)
        return std::nullopt;
    const std::optional<IndiDeviceType> type = deviceTypeFromName(rest.substr(0, colon));
    const std::string device = rest.substr(colon + 1, at - colon - 1);
    const std::string server = rest.substr(at + 1);
    const std::size_t portColon = server.rfind(':');
    if (!type || device.empty() || portColon == std::string::npos || portColon == 0)
        return std::nullopt;
    const std::optional<std::uint16_t> port = parsePort(server.substr(portColon + 1));
    if (!port)
        return std::nullopt;
    return IndiProgId{*type, device, {server.substr(0, portColon), *port}};
}

std::string formatIndiProgId(const IndiProgId& id)
{
    return std::string(kPrefix) + deviceTypeName(id.type) + ":" + id.device + "@" + id.server.host + ":" +
           std::to_string(id.server.port);
}

} // namespace velmora::client::indi
