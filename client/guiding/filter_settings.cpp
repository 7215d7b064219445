#include "client/guiding/filter_settings.h"

#include "client/shell/settings_layout.h"

#include <algorithm>

namespace velmora::client {

int FilterSettings::oddWindow(int n)
{
    return std::clamp(n, kMinWindow, kMaxWindow) / 2 * 2 + 1;
}

FilterSettings FilterSettings::normalised() const
{
    FilterSettings result = *this;
    result.medianNumber = oddWindow(medianNumber);
    result.linearNumber = oddWindow(linearNumber);
    return result;
}

void FilterSettings::load(const SettingsStore& store)
{
    useMedian = settings::readBool(store, settings::kUseMedianFilter);
    medianNumber = oddWindow(settings::read(store, settings::kMedianNumber));
    useLinear = settings::readBool(store, settings::kUseLinearFilter);
    linearNumber = oddWindow(settings::read(store, settings::kLinearNumber));
}

void FilterSettings::save(SettingsStore& store) const
{
    settings::writeBool(store, settings::kUseMedianFilter, useMedian);
    settings::write(store, settings::kMedianNumber, medianNumber);
    settings::writeBool(store, settings::kUseLinearFilter, useLinear);
    settings::write(store, settings::kLinearNumber, linearNumber);
}

} // namespace velmora::client
