#pragma once
// One axis of the guiding controller: the PID law from the star's offset to a signed
// pulse length, with the output clamp and dead band, and the per-axis correction
// cycle that averages the offsets over "Process Frame" frames.

#include "client/guiding/guide_pulse.h"
#include "client/shell/settings_layout.h"

#include <optional>

namespace velmora::client {

enum class GuidingAxisId { Horizontal = 0, Vertical = 1 };

// Values as the numeric edits hold them: gains in tenths of ms per arcsecond.
struct AxisSettings {
    static constexpr int kMinFrames = 1;
    static constexpr int kMaxFrames = 1000000;
    static constexpr int kMaxGainTenths = 9999999;
    static constexpr int kMaxOutputMs = 1000000;

    bool enabled = settings::kAxisEnable.defaultValue != 0;
    int frames = settings::kAxisFrame.defaultValue;                    // "Process Frame", 1…1000000
    int proportionalTenths = settings::kAxisProportional.defaultValue; // Kp 100.0
    int integralTenths = settings::kAxisIntegral.defaultValue;         // Ki
    int derivativeTenths = settings::kAxisDerivative.defaultValue;     // Kd
    int maximumMs = settings::kAxisMaximum.defaultValue;               // "Maximum Output (ms)"
    int minimumMs = settings::kAxisMinimum.defaultValue;               // "Minimum Output (ms)"

    double kp() const { return proportionalTenths * 0.1; }
    double ki() const { return integralTenths * 0.1; }
    double kd() const { return derivativeTenths * 0.1; }
    // Every value brought into its field's range.
    AxisSettings clampedToRanges() const;
};

// What one frame did on one axis.
struct AxisCycle {
    double deltaArcsec = 0.0;        // "Delta ('')"
    bool corrected = false;          // a correction ran on this frame
    int outputMs = 0;                // "Output (ms)" when corrected
    std::optional<GuidePulse> pulse; // posted even for a zero output
};

class GuidingAxis {
public:
    explicit GuidingAxis(GuidingAxisId id) : m_id(id) {}

    GuidingAxisId id() const { return m_id; }
    const AxisSettings& settings() const { return m_settings; }
    // Takes effect at the next correction (values outside their ranges are clamped);
    // the run state is kept unless the axis is switched on or off.
    void setSettings(const AxisSettings& settings);
    // "Enable Direction": switching restarts the axis's integral and averaging.
    void setEnabled(bool on);

    // The control law on one (possibly averaged) offset: the signed pulse in ms.
    int Correct(double value);
    // Direction code for a signed pulse on this axis.
    GuideDirection Direction(int outputMs) const;
    // The correction cycle on this frame's offset. A disabled axis only reports the
    // offset; its drift is measured from the guiding history by the caller.
    AxisCycle cycle(double value, bool averageByFrames);

    // Clears integral, previous error, frame counter and offset sum (guiding start).
    void resetState();
    double integral() const { return m_integral; }
    double previousError() const { return m_previousError; }
    int frameCounter() const { return m_frameCounter; }
    double offsetSum() const { return m_offsetSum; }

private:
    GuidingAxisId m_id;
    AxisSettings m_settings;
    double m_integral = 0.0;
    double m_previousError = 0.0;
    int m_frameCounter = 0;
    double m_offsetSum = 0.0;
};

} // namespace velmora::client
