#pragma once

namespace velmora::client {

// Pulse-guide direction codes, as the telescope's PulseGuide takes them.
enum class GuideDirection { North = 0, South = 1, East = 2, West = 3 };

// "North", "South", "East", "West".
inline const char* guideDirectionName(GuideDirection direction)
{
    switch (direction) {
    case GuideDirection::North:
        return "North";
    case GuideDirection::South:
        return "South";
    case GuideDirection::East:
        return "East";
    case GuideDirection::West:
        break;
    }
    return "West";
}

// One correction pulse for the guiding thread: a direction and a non-negative duration.
struct GuidePulse {
    GuideDirection direction = GuideDirection::West;
    int durationMs = 0;

    friend bool operator==(const GuidePulse&, const GuidePulse&) = default;
};

} // namespace velmora::client
