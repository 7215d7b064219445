#include "client/focusing/focusing_panel.h"

#include "client/focusing/focusing_tool.h"

namespace velmora::client {

namespace fd = focusing_dlg;

namespace {

common::NumericField field(std::int32_t minimum, std::int32_t maximum, std::int32_t step = 1)
{
    common::NumericField f;
    f.setFlags(common::kHasSpin | common::kRangeCheck);
    f.setScale(1.0);
    f.setRange(minimum, maximum);
    f.setStep(step);
    return f;
}

// The setting a settings control edits, or null for the other controls.
int* settingOf(FocusingSettings& s, int controlId)
{
    switch (controlId) {
    case fd::kFirstPosition:
        return &s.firstPosition;
    case fd::kSecondPosition:
        return &s.secondPosition;
    case fd::kCenterPosition:
        return &s.centerPosition;
    case fd::kMeasuringStep:
        return &s.measuringStep;
    case fd::kThresholdLevel:
        return &s.thresholdLevel;
    case fd::kBacklashStep:
        return &s.backlashStep;
    case fd::kMedianNumber:
        return &s.filters.medianNumber;
    case fd::kLinearNumber:
        return &s.filters.linearNumber;
    default:
        return nullptr;
    }
}

bool* switchOf(FocusingSettings& s, int controlId)
{
    switch (controlId) {
    case fd::kUseBacklash:
        return &s.useBacklash;
    case fd::kUseMedian:
        return &s.filters.useMedian;
    case fd::kUseLinear:
        return &s.filters.useLinear;
    default:
        return nullptr;
    }
}

// The field a "Cur" button fills.
int curTarget(int controlId)
{
    switch (controlId) {
    case fd::kFirstCur:
        return fd::kFirstPosition;
    case fd::kSecondCur:
        return fd::kSecondPosition;
    case fd::kCenterCur:
        return fd::kCenterPosition;
    default:
        return 0;
    }
}

bool applySetting(FocusingTool& tool, int controlId, int value)
{
    FocusingSettings s = tool.run().settings();
    const int target = curTarget(controlId);
    if (int* number = settingOf(s, target != 0 ? target : controlId))
        *number = target != 0 ? tool.run().position() : value;
    else if (bool* on = switchOf(s, controlId))
        *on = value != 0;
    else
        return false;
    return tool.run().setSettings(s);
}

} // namespace

FocusingPanelView focusingPanelView(const FocusingTool& tool)
{
    const FocusingSettings& s = tool.run().settings();
    const FocusingResults& r = tool.run().results();
    FocusingPanelView view;
    view.firstPosition = s.firstPosition;
    view.secondPosition = s.secondPosition;
    view.centerPosition = s.centerPosition;
    view.measuringStep = s.measuringStep;
    view.thresholdLevel = s.thresholdLevel;
    view.backlashStep = s.backlashStep;
    view.useBacklash = s.useBacklash;
    view.medianNumber = s.filters.medianNumber;
    view.useMedian = s.filters.useMedian;
    view.linearNumber = s.filters.linearNumber;
    view.useLinear = s.filters.useLinear;
    view.currentFocus = std::to_string(r.currentFocus);
    view.deltaFocus = std::to_string(r.deltaFocus);
    view.currentBacklash = std::to_string(r.currentBacklash);
    view.deltaBacklash = std::to_string(r.deltaBacklash);
    view.motorPosition = std::to_string(tool.run().position());
    view.defocusingZone = tool.defocusingZone();
    view.status = tool.run().statusText();
    view.startText = tool.startButtonText();
    return view;
}

bool focusingControlEnabled(const FocusingTool& tool, int controlId)
{
    FocusingSettings probe;
    const bool lockedByRun = settingOf(probe, controlId) != nullptr ||
                             switchOf(probe, controlId) != nullptr || curTarget(controlId) != 0 ||
                             controlId == fd::kApply;
    return !(lockedByRun && tool.running());
}

bool applyFocusingControl(FocusingTool& tool, int controlId, int value)
{
    if (!focusingControlEnabled(tool, controlId))
        return false;
    switch (controlId) {
    case fd::kStartStop:
        tool.toggleStartStop();
        return true;
    case fd::kApply:
        tool.Apply();
        return true;
    default:
        return applySetting(tool, controlId, value);
    }
}

common::NumericField focusingField(int controlId, int maxStep)
{
    switch (controlId) {
    case fd::kMeasuringStep:
        return field(1, maxStep);
    case fd::kThresholdLevel:
        return field(0, FocusingSettings::kMaxThresholdPercent);
    case fd::kMedianNumber:
    case fd::kLinearNumber:
        return field(FilterSettings::kMinWindow, FilterSettings::kMaxWindow, 2);
    default:
        return field(0, maxStep); // the three positions and the backlash step
    }
}

} // namespace velmora::client
