#pragma once
// A device setting of the source page (brightness, exposure, gain...).

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform {

enum class VideoControlType { Integer, Boolean, Menu, IntegerMenu, Button };

struct VideoControlMenuItem {
    std::int32_t value = 0;
    std::string name;

    bool operator==(const VideoControlMenuItem&) const = default;
};

struct VideoControl {
    std::uint32_t id = 0;
    std::string name;
    VideoControlType type = VideoControlType::Integer;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t step = 1;
    std::int32_t defaultValue = 0;
    bool readOnly = false;
    // Present but without effect in the device's current mode (e.g. exposure while auto exposure is on).
    bool inactive = false;
    // Menus only: the entries the device names, in value order.
    std::vector<VideoControlMenuItem> menu;
};

} // namespace velmora::platform
