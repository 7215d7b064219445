#pragma once
// The KF-3 focuser controller's exchange: a command with its CR goes out through the
// echoed write, and one reply line comes back into the same buffer. Reads answer with
// a leading decimal number, writes with "Ok".

#include "server/ports/port_channel.h"
#include "server/ports/port_registry.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::server {

class FocuserProtocol {
public:
    static constexpr const char* kDeviceText = "Focuser KF-3";

    // `ports` is borrowed and must outlive the object.
    explicit FocuserProtocol(PortRegistry& ports);

    // The template with its "%d" replaced by `index` (ordinary decimal formatting).
    static std::string withIndex(std::string_view commandTemplate, int index);
    // Whether `value` fits the template's field of w "x": at most w digits, or w - 1
    // digits after a "-". A template without a field takes any value (it ignores it).
    static bool fitsValueField(std::string_view commandTemplate, std::int64_t value);

    // Sends a read command; on success `value` is the reply's leading decimal number
    // (0 when it has none). A reply "Error", or a number beyond 32 bits, fails.
    bool queryValue(PortChannel* channel, std::string_view command, std::int32_t& value);
    // Sends a write with `value` right-aligned and zero-padded in the field; success
    // only when the reply contains "Ok". A value that does not fit is not sent.
    bool sendValue(PortChannel* channel, std::string_view commandTemplate, std::int32_t value);
    // "Focuser KF-3" when the controller answers a position query, else "Device Not
    // Found".
    std::string deviceCheck(PortChannel* channel);

    // The reply line of the last exchange (from `replyBuffer`), without its ending.
    std::string_view reply() const;
    bool replyContains(std::string_view text) const;

private:
    bool load(std::string_view command);
    bool exchange(PortChannel* channel);

    PortRegistry& m_ports;
    // The outgoing command, then (in the same bytes) the reply line.
    std::array<char, PortRegistry::kReplyBufferSize> m_replyBuffer{};
};

} // namespace velmora::server
