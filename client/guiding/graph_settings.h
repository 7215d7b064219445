#pragma once
// The settings of the guiding graphs (section "Guiding"): which graph is shown, which
// axes it draws, and each graph's scales and counts as the numeric edits hold them.
// Every value is brought into its field's range when it is loaded or set, so the
// graphs never see an impossible setting. Axis index 0 is horizontal (suffix " X"),
// 1 vertical (suffix " Y").

#include "client/shell/settings_layout.h"
#include "common/numeric_field.h"

#include <array>

namespace velmora::client {

class SettingsStore;

// "Drift Graph", "Distribution Graph", "FFT Graph"; stored as "Show Graph" 0, 1, 2.
enum class GraphKind { Drift = 0, Distribution = 1, Fft = 2 };

struct DriftGraphSettings {
    static constexpr int kMinScale = 1;
    static constexpr int kMaxScale = 999999;

    int xScaleTenths =
        settings::kDriftXScale.defaultValue; // "Drift X Scale": seconds per 30-pixel division, in tenths
    int yScaleArcsec =
        settings::kDriftYScale.defaultValue; // "Drift Y Scale": arcseconds per 30-pixel division

    double xScaleSeconds() const { return xScaleTenths / 10.0; }
    DriftGraphSettings clampedToRanges() const;

    // "X Scale (sec)": tenths shown "%.1f"; "Y Scale ('')": whole arcseconds. Both
    // 1…999999, clamped, with a spin.
    static common::NumericField xScaleField();
    static common::NumericField yScaleField();

    friend bool operator==(const DriftGraphSettings&, const DriftGraphSettings&) = default;
};

struct DistributionGraphSettings {
    static constexpr int kMinBinNumber = 1;
    static constexpr int kMaxBinNumber = 100;
    static constexpr int kMaxProbabilityHundredths = 100;

    std::array<int, 2> binNumber{settings::kAxisBinNumber.defaultValue,
                                 settings::kAxisBinNumber.defaultValue}; // "Bin Number X" / "Bin Number Y"
    std::array<int, 2> probabilityHundredths{
        settings::kAxisProbability.defaultValue,
        settings::kAxisProbability.defaultValue}; // "Probability X" / "Probability Y"

    double probability(int axis) const { return probabilityHundredths[index(axis)] / 100.0; }
    DistributionGraphSettings clampedToRanges() const;

    // "Bin Number": 1…100; "Probability": hundredths shown "%.2f", 0…100 (0.00…1.00).
    // Clamped, with a spin.
    static common::NumericField binNumberField();
    static common::NumericField probabilityField();

    static std::size_t index(int axis) { return axis == 0 ? 0 : 1; }
    friend bool operator==(const DistributionGraphSettings&, const DistributionGraphSettings&) = default;
};

struct FftGraphSettings {
    static constexpr int kMinXScale = 1;
    static constexpr int kMaxXScale = 4;
    static constexpr int kMaxYScaleThousandths = 999999;
    static constexpr int kMaxPeakNumber = 500;

    int xScale = settings::kFftXScale.defaultValue; // "FFT X Scale": decades of period, 1 s … 10^n s
    int yScaleThousandths = settings::kFftYScale.defaultValue; // "FFT Y Scale": multiplier of the power
    std::array<int, 2> maxPeakNumber{
        settings::kFftXNum.defaultValue,
        settings::kFftYNum.defaultValue}; // "FFT X Num" / "FFT Y Num": peaks listed

    double yScale() const { return yScaleThousandths / 1000.0; }
    FftGraphSettings clampedToRanges() const;

    // "X Scale": 1…4; "Y Scale" ("Max Power"): thousandths shown "%.3f", 0…999999;
    // "Max Peak Number": 0…500. Clamped, with a spin.
    static common::NumericField xScaleField();
    static common::NumericField yScaleField();
    static common::NumericField maxPeakNumberField();

    friend bool operator==(const FftGraphSettings&, const FftGraphSettings&) = default;
};

struct GraphSettings {
    GraphKind shownGraph = GraphKind::Drift; // "Show Graph"
    std::array<bool, 2> showAxis{settings::kAxisShowGraph.defaultValue != 0,
                                 settings::kAxisShowGraph.defaultValue !=
                                     0}; // "Horizontal" / "Vertical": "Show Graph X" / "Show Graph Y"
    DriftGraphSettings drift;
    DistributionGraphSettings distribution;
    FftGraphSettings fft;

    // A stored "Show Graph" other than 0, 1 or 2 selects the drift graph.
    static GraphKind graphKind(int stored);
    GraphSettings clampedToRanges() const;

    void load(const SettingsStore& store);
    void save(SettingsStore& store) const;

    friend bool operator==(const GraphSettings&, const GraphSettings&) = default;
};

} // namespace velmora::client
