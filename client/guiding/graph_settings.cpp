#include "client/guiding/graph_settings.h"

#include "client/shell/settings_store.h"

#include <algorithm>

namespace velmora::client {

namespace {

constexpr std::array kAxes = {settings::Axis::X, settings::Axis::Y};

// A clamped field with a spin over minimum…maximum, shown as an integer, or with
// `format` when the unit is a fraction.
common::NumericField graphField(std::int32_t minimum, std::int32_t maximum, double scale = 1.0,
                                const char* format = nullptr)
{
    common::NumericField field;
    std::uint32_t flags = common::kHasSpin | common::kRangeCheck;
    if (format) {
        flags |= common::kDecimalDisplay;
        field.setFormat(format);
    }
    field.setFlags(flags);
    field.setScale(scale);
    field.setRange(minimum, maximum);
    return field;
}

} // namespace

DriftGraphSettings DriftGraphSettings::clampedToRanges() const
{
    DriftGraphSettings result = *this;
    result.xScaleTenths = std::clamp(xScaleTenths, kMinScale, kMaxScale);
    result.yScaleArcsec = std::clamp(yScaleArcsec, kMinScale, kMaxScale);
    return result;
}

common::NumericField DriftGraphSettings::xScaleField()
{
    return graphField(kMinScale, kMaxScale, 0.1, "%.1f");
}

common::NumericField DriftGraphSettings::yScaleField()
{
    return graphField(kMinScale, kMaxScale);
}

DistributionGraphSettings DistributionGraphSettings::clampedToRanges() const
{
    DistributionGraphSettings result = *this;
    for (std::size_t axis = 0; axis < 2; ++axis) {
        result.binNumber[axis] = std::clamp(binNumber[axis], kMinBinNumber, kMaxBinNumber);
        result.probabilityHundredths[axis] =
            std::clamp(probabilityHundredths[axis], 0, kMaxProbabilityHundredths);
    }
    return result;
}

common::NumericField DistributionGraphSettings::binNumberField()
{
    return graphField(kMinBinNumber, kMaxBinNumber);
}

common::NumericField DistributionGraphSettings::probabilityField()
{
    return graphField(0, kMaxProbabilityHundredths, 0.01, "%.2f");
}

FftGraphSettings FftGraphSettings::clampedToRanges() const
{
    FftGraphSettings result = *this;
    result.xScale = std::clamp(xScale, kMinXScale, kMaxXScale);
    result.yScaleThousandths = std::clamp(yScaleThousandths, 0, kMaxYScaleThousandths);
    for (int& number : result.maxPeakNumber)
        number = std::clamp(number, 0, kMaxPeakNumber);
    return result;
}

common::NumericField FftGraphSettings::xScaleField()
{
    return graphField(kMinXScale, kMaxXScale);
}

common::NumericField FftGraphSettings::yScaleField()
{
    return graphField(0, kMaxYScaleThousandths, 0.001, "%.3f");
}

common::NumericField FftGraphSettings::maxPeakNumberField()
{
    return graphField(0, kMaxPeakNumber);
}

GraphKind GraphSettings::graphKind(int stored)
{
    switch (stored) {
    case 1:
        return GraphKind::Distribution;
    case 2:
        return GraphKind::Fft;
    default:
        return GraphKind::Drift;
    }
}

GraphSettings GraphSettings::clampedToRanges() const
{
    GraphSettings result = *this;
    result.shownGraph = graphKind(static_cast<int>(shownGraph));
    result.drift = drift.clampedToRanges();
    result.distribution = distribution.clampedToRanges();
    result.fft = fft.clampedToRanges();
    return result;
}

void GraphSettings::load(const SettingsStore& store)
{
    shownGraph = graphKind(settings::read(store, settings::kShowGraph));
    drift.xScaleTenths = settings::read(store, settings::kDriftXScale);
    drift.yScaleArcsec = settings::read(store, settings::kDriftYScale);
    fft.xScale = settings::read(store, settings::kFftXScale);
    fft.yScaleThousandths = settings::read(store, settings::kFftYScale);
    fft.maxPeakNumber[0] = settings::read(store, settings::kFftXNum);
    fft.maxPeakNumber[1] = settings::read(store, settings::kFftYNum);
    for (std::size_t axis = 0; axis < 2; ++axis) {
        showAxis[axis] = settings::read(store, settings::kAxisShowGraph, kAxes[axis]) != 0;
        distribution.binNumber[axis] = settings::read(store, settings::kAxisBinNumber, kAxes[axis]);
        distribution.probabilityHundredths[axis] =
            settings::read(store, settings::kAxisProbability, kAxes[axis]);
    }
    *this = clampedToRanges();
}

void GraphSettings::save(SettingsStore& store) const
{
    settings::write(store, settings::kShowGraph, static_cast<int>(shownGraph));
    settings::write(store, settings::kDriftXScale, drift.xScaleTenths);
    settings::write(store, settings::kDriftYScale, drift.yScaleArcsec);
    settings::write(store, settings::kFftXScale, fft.xScale);
    settings::write(store, settings::kFftYScale, fft.yScaleThousandths);
    settings::write(store, settings::kFftXNum, fft.maxPeakNumber[0]);
    settings::write(store, settings::kFftYNum, fft.maxPeakNumber[1]);
    for (std::size_t axis = 0; axis < 2; ++axis) {
        settings::write(store, settings::kAxisShowGraph, kAxes[axis], showAxis[axis] ? 1 : 0);
        settings::write(store, settings::kAxisBinNumber, kAxes[axis], distribution.binNumber[axis]);
        settings::write(store, settings::kAxisProbability, kAxes[axis],
                        distribution.probabilityHundredths[axis]);
    }
}

} // namespace velmora::client
