#pragma once
// The focuser's numeric drive parameters: the controller command that writes and
// reads each, and the settings field that keeps it.

#include "server/focuser/focuser_commands.h"
#include "server/frame/focuser_settings.h"

#include <cstdint>

namespace velmora::server {

enum class FocuserValue {
    StepNumber,
    StepPulse,
    StepCurrent,
    BackNumber,
    BackPulse,
    BackCurrent,
    EndMin,
    EndMax,
    SpeedPulse,   // index: speed 1..3
    SpeedCurrent, // index: speed 1..3
    CellValue,    // index: cell 0..8
    StopCurrent,
};

// Null for anything that is not one of the values above.
const Kf3Command* commandOf(FocuserValue value);
// The field of `settings` that keeps the value with this index; null for an index
// outside the value's range. Values without an index take only 0.
std::int32_t* fieldOf(FocuserSettings& settings, FocuserValue value, int index);

} // namespace velmora::server
