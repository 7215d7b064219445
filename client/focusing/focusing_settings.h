#pragma once
// The values of section "Focusing-3": the scan range, the measuring step, the
// diameter's threshold, the backlash take-up and the two filters. Read when the
// focusing window opens, written in this order when it closes.

#include "client/guiding/filter_settings.h"

namespace velmora::client {

class SettingsStore;

struct FocusingSettings {
    static constexpr int kMaxThresholdPercent = 100;

    int firstPosition = 100;
    int secondPosition = 400;
    int centerPosition = 500;
    int measuringStep = 10;
    int thresholdLevel = 50; // percent of the brightest pixel
    int backlashStep = 0;
    bool useBacklash = false;
    FilterSettings filters;

    void load(const SettingsStore& store);
    void save(SettingsStore& store) const;
    // Every value inside the range of its edit: positions and steps 0 … maxStep (the
    // measuring step at least 1), the threshold 0 … 100, the windows 3 … 25.
    FocusingSettings clampedTo(int maxStep) const;
};

} // namespace velmora::client
