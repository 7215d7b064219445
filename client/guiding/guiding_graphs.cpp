#include "client/guiding/guiding_graphs.h"

#include "client/guiding/drift_graph.h"
#include "client/guiding/graph_series.h"
#include "client/guiding/guiding_run.h"

#include <algorithm>

namespace velmora::client {

namespace gg = guiding_graphs;

namespace {

// The axis (0, 1) of a per-axis control of this base, or -1.
int axisOf(int controlId, int base)
{
    return controlId == base ? 0 : controlId == base + 1 ? 1 : -1;
}

GraphKind graphOfControl(int controlId)
{
    if (controlId == gg::kDriftXScale || controlId == gg::kDriftYScale)
        return GraphKind::Drift;
    if (controlId >= gg::kBinNumber && controlId <= gg::kProbabilityRange + 1)
        return GraphKind::Distribution;
    return GraphKind::Fft;
}

} // namespace

void GuidingGraphs::load(const SettingsStore& store)
{
    m_settings.load(store);
    invalidate();
}

void GuidingGraphs::save(SettingsStore& store) const
{
    m_settings.save(store);
}

bool GuidingGraphs::isGraphControl(int controlId)
{
    return controlId >= gg::kDriftGraph && controlId <= gg::kPeakList + 1;
}

bool GuidingGraphs::apply(int controlId, int value)
{
    if (!isGraphControl(controlId))
        return false;
    GraphSettings s = m_settings;
    if (controlId >= gg::kDriftGraph && controlId <= gg::kFftGraph) {
        s.shownGraph = static_cast<GraphKind>(controlId - gg::kDriftGraph);
    } else if (int axis = axisOf(controlId, gg::kHorizontal); axis >= 0) {
        s.showAxis[static_cast<std::size_t>(axis)] = value != 0;
    } else if (controlId == gg::kDriftXScale) {
        s.drift.xScaleTenths = value;
    } else if (controlId == gg::kDriftYScale) {
        s.drift.yScaleArcsec = value;
    } else if (int axis = axisOf(controlId, gg::kBinNumber); axis >= 0) {
        s.distribution.binNumber[static_cast<std::size_t>(axis)] = value;
    } else if (int axis = axisOf(controlId, gg::kProbability); axis >= 0) {
        s.distribution.probabilityHundredths[static_cast<std::size_t>(axis)] = value;
    } else if (controlId == gg::kFftXScale) {
        s.fft.xScale = value;
    } else if (controlId == gg::kFftYScale) {
        s.fft.yScaleThousandths = value;
    } else if (int axis = axisOf(controlId, gg::kMaxPeakNumber); axis >= 0) {
        s.fft.maxPeakNumber[static_cast<std::size_t>(axis)] = value;
    } else {
        return false; // the read-only results
    }
    m_settings = s.clampedToRanges();
    invalidate();
    return true;
}

int GuidingGraphs::value(int controlId) const
{
    const GraphSettings& s = m_settings;
    if (controlId >= gg::kDriftGraph && controlId <= gg::kFftGraph)
        return static_cast<int>(s.shownGraph) == controlId - gg::kDriftGraph ? 1 : 0;
    if (int axis = axisOf(controlId, gg::kHorizontal); axis >= 0)
        return s.showAxis[static_cast<std::size_t>(axis)] ? 1 : 0;
    if (int axis = axisOf(controlId, gg::kBinNumber); axis >= 0)
        return s.distribution.binNumber[static_cast<std::size_t>(axis)];
    if (int axis = axisOf(controlId, gg::kProbability); axis >= 0)
        return s.distribution.probabilityHundredths[static_cast<std::size_t>(axis)];
    if (int axis = axisOf(controlId, gg::kMaxPeakNumber); axis >= 0)
        return s.fft.maxPeakNumber[static_cast<std::size_t>(axis)];
    switch (controlId) {
    case gg::kDriftXScale:
        return s.drift.xScaleTenths;
    case gg::kDriftYScale:
        return s.drift.yScaleArcsec;
    case gg::kFftXScale:
        return s.fft.xScale;
    case gg::kFftYScale:
        return s.fft.yScaleThousandths;
    default:
        return 0;
    }
}

bool GuidingGraphs::shown(int controlId) const
{
    if (controlId >= gg::kDriftGraph && controlId <= gg::kVertical + 0)
        return true; // the selection and the axis boxes
    return graphOfControl(controlId) == m_settings.shownGraph;
}

common::NumericField GuidingGraphs::field(int controlId)
{
    if (controlId == gg::kDriftXScale)
        return DriftGraphSettings::xScaleField();
    if (controlId == gg::kDriftYScale)
        return DriftGraphSettings::yScaleField();
    if (axisOf(controlId, gg::kBinNumber) >= 0)
        return DistributionGraphSettings::binNumberField();
    if (axisOf(controlId, gg::kProbability) >= 0)
        return DistributionGraphSettings::probabilityField();
    if (controlId == gg::kFftXScale)
        return FftGraphSettings::xScaleField();
    if (controlId == gg::kFftYScale)
        return FftGraphSettings::yScaleField();
    return FftGraphSettings::maxPeakNumberField();
}

const GuidingGraphs::Result& GuidingGraphs::redraw(const GuidingRun& run, int clientWidth, int clientHeight)
{
    m_dirty = false;
    const GraphSeries series = graphSeriesOf(run);
    Result result;
    switch (m_settings.shownGraph) {
    case GraphKind::Drift:
        result.drawing = drawDriftGraph(series, m_settings.drift, m_settings.showAxis, clientWidth, clientHeight);
        break;
    case GraphKind::Distribution: {
        DistributionGraph graph =
            drawDistributionGraph(series, m_settings.distribution, m_settings.showAxis,
                                  clientWidth - kDistributionExtraWidth, clientHeight - kDistributionExtraHeight);
        result.drawing = std::move(graph.drawing);
        for (std::size_t axis = 0; axis < 2; ++axis) {
            result.valuesRange[axis] = rangeFieldText(graph.fields[axis].valuesRange);
            result.probabilityRange[axis] = rangeFieldText(graph.fields[axis].probabilityRange);
        }
        break;
    }
    case GraphKind::Fft: {
        FftGraph graph = drawFftGraph(m_periodogram, series, m_settings.fft, m_settings.showAxis,
                                      clientWidth - kFftExtraWidth, clientHeight - kFftExtraHeight);
        result.drawing = std::move(graph.drawing);
        result.peakLists = std::move(graph.peakLists);
        break;
    }
    }
    m_result = std::move(result);
    return m_result;
}

} // namespace velmora::client
