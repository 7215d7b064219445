#pragma once
// Program identifiers of devices published by an indiserver:
//   "INDI.<type>:<device name>@<host>:<port>", e.g. "INDI.Camera:CCD Simulator@127.0.0.1:7624".
// They are stored in section "Drivers" like any other ProgID; CreateDriver binds an
// adapter for them instead of looking them up in the classes root.

#include <cstdint>
#include <optional>
#include <string>

namespace velmora::client::indi {

enum class IndiDeviceType { Camera, Telescope, Focuser };

struct IndiServerAddress {
    std::string host = "127.0.0.1";
    std::uint16_t port = 7624;
    bool operator==(const IndiServerAddress&) const = default;
};

struct IndiProgId {
    IndiDeviceType type = IndiDeviceType::Camera;
    std::string device;
    IndiServerAddress server;
};

// The chooser's device type ("Camera", "Telescope", "Focuser") of each kind.
const char* deviceTypeName(IndiDeviceType type);
std::optional<IndiDeviceType> deviceTypeFromName(const std::string& name);

// True for anything that starts "INDI." (case-insensitive), well-formed or not, so
// that a damaged INDI identifier is refused rather than looked up as a class.
bool looksLikeIndiProgId(const std::string& progId);
// Nothing when the identifier is malformed: unknown type, empty or control
// characters in the device name, empty host, a port outside 1..65535.
std::optional<IndiProgId> parseIndiProgId(const std::string& progId);
std::string formatIndiProgId(const IndiProgId& id);

} // namespace velmora::client::indi
