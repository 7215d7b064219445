#pragma once
// The telescope driver's values, as stored in its profiles ("Velmora Telescope ASCOM
// Driver"): the guide port, polarity, backlash, optics and the four direction words.

#include "server/frame/device_settings.h"

#include <array>
#include <cstdint>
#include <string>

namespace velmora::server {

struct TelescopeSettings {
    // "Config"
    std::string port = "LPT1";
    std::string portSpeed = "115200";
    std::int32_t verBacklashMs = 0;
    std::int32_t horBacklashMs = 0;
    bool useRelay = false;
    bool invertPolarity = false;
    // "Telescope"
    double diameter = 0.2; // metres, stored in millimetres
    double focal = 1.0;    // metres, stored in millimetres
    std::string barlow = "1.00x";
    // "Bits": LineWords of North, South, East, West
    std::array<std::uint16_t, 4> directionWords{32640, 48960, 57120, 61200};

    void load(DeviceSettings& store, const std::string& profile);
    bool save(DeviceSettings& store, const std::string& profile) const;

    bool operator==(const TelescopeSettings&) const = default;
};

} // namespace velmora::server
