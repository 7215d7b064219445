#include "server/focuser/focuser_value.h"

#include <iterator>

namespace velmora::server {

namespace {

struct ValueEntry {
    const Kf3Command* command;
    int firstIndex;
    int lastIndex;
    std::int32_t* (*field)(FocuserSettings&, int index);
};

// In the order of FocuserValue.
const ValueEntry kValues[] = {
    {&kf3::kStepNumber, 0, 0, [](FocuserSettings& s, int) { return &s.stepNumber; }},
    {&kf3::kStepPulse, 0, 0, [](FocuserSettings& s, int) { return &s.stepPulse; }},
    {&kf3::kStepCurrent, 0, 0, [](FocuserSettings& s, int) { return &s.stepCurrent; }},
    {&kf3::kBackNumber, 0, 0, [](FocuserSettings& s, int) { return &s.backNumber; }},
    {&kf3::kBackPulse, 0, 0, [](FocuserSettings& s, int) { return &s.backPulse; }},
    {&kf3::kBackCurrent, 0, 0, [](FocuserSettings& s, int) { return &s.backCurrent; }},
    {&kf3::kEndMin, 0, 0, [](FocuserSettings& s, int) { return &s.endMin; }},
    {&kf3::kEndMax, 0, 0, [](FocuserSettings& s, int) { return &s.endMax; }},
    {&kf3::kSpeedPulse, 1, 3, [](FocuserSettings& s, int i) { return &s.speedPulse[i - 1]; }},
    {&kf3::kSpeedCurrent, 1, 3, [](FocuserSettings& s, int i) { return &s.speedCurrent[i - 1]; }},
    {&kf3::kCellValue, 0, 8, [](FocuserSettings& s, int i) { return &s.cellValue[i]; }},
    {&kf3::kStopCurrent, 0, 0, [](FocuserSettings& s, int) { return &s.stopCurrent; }},
};

const ValueEntry* entryOf(FocuserValue value)
{
    auto at = static_cast<std::size_t>(value);
    return at < std::size(kValues) ? &kValues[at] : nullptr;
}

} // namespace

const Kf3Command* commandOf(FocuserValue value)
{
    const ValueEntry* entry = entryOf(value);
    return entry ? entry->command : nullptr;
}

std::int32_t* fieldOf(FocuserSettings& settings, FocuserValue value, int index)
{
    const ValueEntry* entry = entryOf(value);
    if (!entry || index < entry->firstIndex || index > entry->lastIndex)
        return nullptr;
    return entry->field(settings, index);
}

} // namespace velmora::server
