#include "client/guiding/guiding_axis.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace velmora::client {

namespace {

// Truncation toward zero. Outputs beyond the int32 range (huge gains or offsets)
// saturate instead of overflowing the conversion; a NaN gives no pulse.
int truncateOutput(double raw)
{
    if (std::isnan(raw))
        return 0;
    if (raw >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (raw <= -static_cast<double>(INT_MAX))
        return -INT_MAX;
    return static_cast<int>(raw);
}

} // namespace

AxisSettings AxisSettings::clampedToRanges() const
{
    AxisSettings result = *this;
    result.frames = std::clamp(frames, kMinFrames, kMaxFrames);
    result.proportionalTenths = std::clamp(proportionalTenths, -kMaxGainTenths, kMaxGainTenths);
    result.integralTenths = std::clamp(integralTenths, -kMaxGainTenths, kMaxGainTenths);
    result.derivativeTenths = std::clamp(derivativeTenths, -kMaxGainTenths, kMaxGainTenths);
    result.maximumMs = std::clamp(maximumMs, 0, kMaxOutputMs);
    result.minimumMs = std::clamp(minimumMs, 0, kMaxOutputMs);
    return result;
}

void GuidingAxis::setSettings(const AxisSettings& settings)
{
    const bool wasEnabled = m_settings.enabled;
    m_settings = settings.clampedToRanges();
    if (m_settings.enabled != wasEnabled)
        resetState();
}

void GuidingAxis::setEnabled(bool on)
{
    m_settings.enabled = on;
    resetState();
}

void GuidingAxis::resetState()
{
    m_integral = 0.0;
    m_previousError = 0.0;
    m_frameCounter = 0;
    m_offsetSum = 0.0;
}

int GuidingAxis::Correct(double value)
{
    const double error = -value;
    m_integral += error;
    const double raw =
        m_settings.kd() * (error - m_previousError) + m_settings.ki() * m_integral + m_settings.kp() * error;
    int output = truncateOutput(raw);
    m_previousError = error;
    if (std::abs(output) > m_settings.maximumMs)
        output = output > 0 ? m_settings.maximumMs : -m_settings.maximumMs;
    if (std::abs(output) < m_settings.minimumMs)
        output = 0;
    return output;
}

GuideDirection GuidingAxis::Direction(int outputMs) const
{
    if (m_id == GuidingAxisId::Horizontal)
        return outputMs > 0 ? GuideDirection::East : GuideDirection::West;
    return outputMs > 0 ? GuideDirection::North : GuideDirection::South;
}

AxisCycle GuidingAxis::cycle(double value, bool averageByFrames)
{
    AxisCycle result;
    result.deltaArcsec = value;
    if (!m_settings.enabled)
        return result;
    ++m_frameCounter;
    m_offsetSum += value;
    if (m_frameCounter < m_settings.frames)
        return result;
    const double input = averageByFrames ? m_offsetSum / m_frameCounter : value;
    result.corrected = true;
    result.outputMs = Correct(input);
    m_offsetSum = 0.0;
    m_frameCounter = 0;
    result.pulse = GuidePulse{Direction(result.outputMs), std::abs(result.outputMs)};
    return result;
}

} // namespace velmora::client
