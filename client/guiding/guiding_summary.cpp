#include "client/guiding/guiding_summary.h"

#include <cmath>
#include <cstdio>

namespace velmora::client {

namespace {

// JSON has no NaN or infinity.
std::string number(double value, const char* format)
{
    if (!std::isfinite(value))
        return "null";
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

void GuidingSummary::add(const GuidingStep& step)
{
    ++m_frames;
    m_sumH2 += step.h * step.h;
    m_sumV2 += step.v * step.v;
    m_peakH = std::max(m_peakH, std::abs(step.h));
    m_peakV = std::max(m_peakV, std::abs(step.v));
    m_driftH.add(step.t, step.h);
    m_driftV.add(step.t, step.v);
}

double GuidingSummary::rmsH() const
{
    return m_frames > 0 ? std::sqrt(m_sumH2 / static_cast<double>(m_frames)) : 0.0;
}

double GuidingSummary::rmsV() const
{
    return m_frames > 0 ? std::sqrt(m_sumV2 / static_cast<double>(m_frames)) : 0.0;
}

double GuidingSummary::rmsTotal() const
{
    return std::hypot(rmsH(), rmsV());
}

std::string GuidingSummary::json() const
{
    return "{\"frames\":" + std::to_string(m_frames) + ",\"rms_h\":" + number(rmsH(), "%.4f") +
           ",\"rms_v\":" + number(rmsV(), "%.4f") + ",\"rms_total\":" + number(rmsTotal(), "%.4f") +
           ",\"peak_h\":" + number(m_peakH, "%.4f") + ",\"peak_v\":" + number(m_peakV, "%.4f") +
           ",\"drift_h\":" + number(driftH(), "%.6f") + ",\"drift_v\":" + number(driftV(), "%.6f") + "}";
}

std::string GuidingSummary::frameJson(std::size_t frame, const GuidingStep& step)
{
    std::string text = "{\"frame\":" + std::to_string(frame) + ",\"t\":" + number(step.t, "%.3f") +
                       ",\"h\":" + number(step.h, "%.3f") + ",\"v\":" + number(step.v, "%.3f") +
                       ",\"pulses\":[";
    for (std::size_t i = 0; i < step.pulses.size(); ++i) {
        if (i > 0)
            text += ",";
        text += std::string("{\"direction\":\"") + guideDirectionName(step.pulses[i].direction) +
                "\",\"ms\":" + std::to_string(step.pulses[i].durationMs) + "}";
    }
    return text + "]}";
}

} // namespace velmora::client
