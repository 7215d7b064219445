#include "client/focusing/focusing_settings.h"

#include "client/shell/settings_layout.h"

#include <algorithm>

namespace velmora::client {

namespace s = settings;

void FocusingSettings::load(const SettingsStore& store)
{
    firstPosition = s::read(store, s::kFocusFirstPosition);
    secondPosition = s::read(store, s::kFocusSecondPosition);
    centerPosition = s::read(store, s::kFocusCenterPosition);
    measuringStep = s::read(store, s::kFocusMeasuringStep);
    thresholdLevel = s::read(store, s::kFocusThresholdLevel);
    backlashStep = s::read(store, s::kFocusBacklashStep);
    useBacklash = s::readBool(store, s::kFocusUseBacklash);
    filters.medianNumber = s::read(store, s::kFocusMedianNumber);
    filters.useMedian = s::readBool(store, s::kFocusUseMedianFilter);
    filters.linearNumber = s::read(store, s::kFocusLinearNumber);
    filters.useLinear = s::readBool(store, s::kFocusUseLinearFilter);
}

void FocusingSettings::save(SettingsStore& store) const
{
    s::write(store, s::kFocusFirstPosition, firstPosition);
    s::write(store, s::kFocusSecondPosition, secondPosition);
    s::write(store, s::kFocusCenterPosition, centerPosition);
    s::write(store, s::kFocusMeasuringStep, measuringStep);
    s::write(store, s::kFocusThresholdLevel, thresholdLevel);
    s::write(store, s::kFocusBacklashStep, backlashStep);
    s::writeBool(store, s::kFocusUseBacklash, useBacklash);
    s::write(store, s::kFocusMedianNumber, filters.medianNumber);
    s::writeBool(store, s::kFocusUseMedianFilter, filters.useMedian);
    s::write(store, s::kFocusLinearNumber, filters.linearNumber);
    s::writeBool(store, s::kFocusUseLinearFilter, filters.useLinear);
}

FocusingSettings FocusingSettings::clampedTo(int maxStep) const
{
    const int top = std::max(maxStep, 1);
    FocusingSettings c = *this;
    c.firstPosition = std::clamp(firstPosition, 0, top);
    c.secondPosition = std::clamp(secondPosition, 0, top);
    c.centerPosition = std::clamp(centerPosition, 0, top);
    c.measuringStep = std::clamp(measuringStep, 1, top);
    c.thresholdLevel = std::clamp(thresholdLevel, 0, kMaxThresholdPercent);
    c.backlashStep = std::clamp(backlashStep, 0, top);
    c.filters.medianNumber =
        std::clamp(filters.medianNumber, FilterSettings::kMinWindow, FilterSettings::kMaxWindow);
    c.filters.linearNumber =
        std::clamp(filters.linearNumber, FilterSettings::kMinWindow, FilterSettings::kMaxWindow);
    return c;
}

} // namespace velmora::client
