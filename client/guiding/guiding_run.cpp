#include "client/guiding/guiding_run.h"

#include <cmath>
#include <cstdio>

namespace velmora::client {

namespace {
constexpr GuidingAxisId kAxes[] = {GuidingAxisId::Horizontal, GuidingAxisId::Vertical};
}

GuidingRun::GuidingRun(const ImageGeometry& geometry, std::size_t capacity)
    : m_controller(geometry), m_history(capacity)
{
}

void GuidingRun::start()
{
    m_running = true;
    m_controller.resetState();
    m_history.clear();
    for (GuidingAxisId id : kAxes)
        refreshGraphSeries(id);
}

std::optional<GuidingStep> GuidingRun::step(double t, double centroidX, double centroidY)
{
    if (!m_running)
        return std::nullopt;
    const AxisOffset offsets = m_controller.AxisOffsets(centroidX, centroidY);
    if (!std::isfinite(offsets.h) || !std::isfinite(offsets.v) || !std::isfinite(t))
        return std::nullopt;
    // Controller and filters are independent: the control law reads the unfiltered
    // offsets of this frame, the filters only the stored history.
    const ControllerStep controlled = m_controller.step(centroidX, centroidY);
    m_history.add(t, controlled.h, controlled.v);

    GuidingStep result{t, controlled.h, controlled.v, controlled.axes, {}};
    for (GuidingAxisId id : kAxes) {
        const AxisCycle& cycle = controlled.axes[index(id)];
        AxisDisplay& display = m_display[index(id)];
        display.deltaArcsec = cycle.deltaArcsec;
        if (cycle.corrected)
            display.outputMs = cycle.outputMs;
        if (cycle.pulse)
            result.pulses.push_back(*cycle.pulse);
        if (!m_controller.axis(id).settings().enabled)
            display.driftRate = driftRate(id);
        refreshGraphSeries(id);
    }
    return result;
}

void GuidingRun::setAxisEnabled(GuidingAxisId id, bool on)
{
    m_controller.axis(id).setEnabled(on);
    if (on)
        m_display[index(id)].driftRate.reset();
    else
        m_display[index(id)].outputMs.reset();
    refreshGraphSeries(id);
}

void GuidingRun::setFilters(const FilterSettings& filters)
{
    m_history.setFilters(filters);
    for (GuidingAxisId id : kAxes)
        refreshGraphSeries(id);
}

double GuidingRun::driftRate(GuidingAxisId id) const
{
    return m_history.fit(static_cast<int>(id)).slope();
}

// A disabled axis shows what is left after its linear drift; only its residuals are
// computed per frame, from the fit that the history keeps up to date.
void GuidingRun::refreshGraphSeries(GuidingAxisId id)
{
    std::vector<double>& residuals = m_residuals[index(id)];
    if (m_controller.axis(id).settings().enabled) {
        residuals.clear();
        return;
    }
    const int axis = static_cast<int>(id);
    const LinearFit& fit = m_history.fit(axis);
    const double slope = fit.slope();
    const double intercept = fit.intercept();
    const std::span<const double> times = m_history.times();
    const std::span<const double> filtered = m_history.filtered(axis);
    residuals.resize(filtered.size());
    for (std::size_t i = 0; i < filtered.size(); ++i)
        residuals[i] = filtered[i] - (slope * times[i] + intercept);
}

std::span<const double> GuidingRun::graphSeries(GuidingAxisId id) const
{
    if (m_controller.axis(id).settings().enabled)
        return m_history.filtered(static_cast<int>(id));
    return m_residuals[index(id)];
}

std::string GuidingRun::driftRateText(GuidingAxisId id) const
{
    const std::optional<double>& rate = m_display[index(id)].driftRate;
    if (!rate)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", *rate);
    return text;
}

} // namespace velmora::client
