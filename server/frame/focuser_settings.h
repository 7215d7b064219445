#pragma once
// The focuser driver's values, as stored in its profiles ("Velmora Focuser ASCOM
// Driver"): the serial port and the KF-3 controller's drive parameters.

#include "server/frame/device_settings.h"

#include <array>
#include <cstdint>
#include <string>

namespace velmora::server {

struct FocuserSettings {
    // "Common"
    std::string port = "COM1";
    std::string portSpeed = "115200";
    std::int32_t cursorSpeed = 1; // 1..3
    double stepSize = 1.0;        // micrometres, stored in hundredths
    std::int32_t stopCurrent = 1;
    // "Step"
    std::int32_t stepNumber = 1;
    std::int32_t stepPulse = 1;
    std::int32_t stepCurrent = 1;
    // "Back"
    std::int32_t backNumber = 0;
    std::int32_t backPulse = 1;
    std::int32_t backCurrent = 1;
    // "EndSwitch"
    bool softSwitch = false;
    bool hardSwitch = false;
    std::int32_t endMin = -1000;
    std::int32_t endMax = 1000;
    // "Speeds": speeds 1..3 at indices 0..2
    std::array<std::int32_t, 3> speedPulse{1, 1, 1};
    std::array<std::int32_t, 3> speedCurrent{1, 1, 1};
    // "Cells"
    std::int32_t cellMode = 0; // 0 one cell, 1 eight cells
    std::array<std::int32_t, 9> cellValue{};

    void load(DeviceSettings& store, const std::string& profile);
    bool save(DeviceSettings& store, const std::string& profile) const;

    bool operator==(const FocuserSettings&) const = default;
};

} // namespace velmora::server
