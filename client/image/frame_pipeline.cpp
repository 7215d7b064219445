#include "client/image/frame_pipeline.h"

#include "client/image/calibration_sink.h"
#include "client/image/frame_corrector.h"
#include "client/image/measurement_tool.h"
#include "client/image/pipeline_listener.h"
#include "client/image/sample_converter.h"

#include <algorithm>
#include <cstdio>

namespace velmora::client {

std::unique_ptr<FramePipeline> FramePipeline::create(int width, int height, int planeCount)
{
    if (width <= 0 || height <= 0 || planeCount <= 0)
        return nullptr;
    std::unique_ptr<FramePipeline> pipeline(new FramePipeline);
    if (!pipeline->reshape(width, height, planeCount))
        return nullptr;
    return pipeline;
}

FramePipeline::~FramePipeline()
{
    // Tools normally close before their window; any left must not keep a dangling window.
    for (MeasurementTool* tool : m_tools)
        tool->windowClosed();
}

std::string FramePipeline::geometryText() const
{
    char text[64];
    std::snprintf(text, sizeof text, " [%dx%dx%d] ", m_width, m_height, m_planeCount);
    return text;
}

bool FramePipeline::reshape(int width, int height, int planeCount)
{
    if (width <= 0 || height <= 0 || planeCount <= 0 ||
        !ImageFrame::validDimensions(width, planeCount, height))
        return false;
    m_raw.Allocate(width, planeCount, height);
    m_working.Allocate(width, planeCount, height);
    m_cameraBuffer.assign(static_cast<std::size_t>(m_raw.sampleCount()), 0);
    m_histogram.resize(planeCount);
    const bool changed = m_width != 0;
    m_width = width;
    m_height = height;
    m_planeCount = planeCount;
    if (changed) {
        for (MeasurementTool* tool : m_tools)
            tool->geometryChanged();
        notify([&](PipelineListener& listener) { listener.geometryChanged(width, height, planeCount); });
    }
    return true;
}

bool FramePipeline::deliverFrame(std::span<const std::int32_t> samples, int width, int height, int planeCount)
{
    if (!acceptFrame(samples, width, height, planeCount))
        return false;
    runPipeline(true);
    return true;
}

bool FramePipeline::acceptFrame(std::span<const std::int32_t> samples, int width, int height, int planeCount)
{
    if (width <= 0 || height <= 0 || planeCount <= 0 ||
        !ImageFrame::validDimensions(width, planeCount, height))
        return false;
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                       static_cast<std::size_t>(planeCount);
    if (samples.size() < count)
        return false;
    if ((width != m_width || height != m_height || planeCount != m_planeCount) &&
        !reshape(width, height, planeCount))
        return false;
    std::copy_n(samples.begin(), count, m_cameraBuffer.begin());
    return true;
}

void FramePipeline::runPipeline(bool newFrame)
{
    ConvertCameraSamples(m_digitCapacity, m_cameraBuffer, m_raw);
    correctRaw(newFrame);
    processTools(newFrame);
}

void FramePipeline::correctRaw(bool newFrame)
{
    // Re-runs after a calibration change are not new frames and must not be averaged twice.
    if (newFrame && m_calibration != nullptr)
        m_calibration->addRawFrame(m_raw);
    if (m_corrector == nullptr)
        return;
    if (m_applyDark && m_dark.sameDimensions(m_raw))
        m_corrector->subtractDark(m_raw, m_dark);
    if (m_applyFlat && m_flat.sameDimensions(m_raw))
        m_corrector->applyFlat(m_raw, m_flat);
}

void FramePipeline::processTools(bool newFrame)
{
    // Oldest activation first, the active tool last. A tool's step may close another
    // tool, so each one is checked before it runs.
    m_order.assign(m_tools.rbegin(), m_tools.rend());
    for (MeasurementTool* tool : m_order) {
        if (isAttached(tool))
            tool->ProcessFrame(newFrame);
    }
}

bool FramePipeline::isAttached(const MeasurementTool* tool) const
{
    return std::find(m_tools.begin(), m_tools.end(), tool) != m_tools.end();
}

void FramePipeline::setDigitCapacity(int bits)
{
    m_digitCapacity = clampCameraBits(bits);
}

bool FramePipeline::registerCalibrationSink(CalibrationSink& sink)
{
    if (m_calibration != nullptr && m_calibration != &sink)
        return false;
    m_calibration = &sink;
    return true;
}

void FramePipeline::unregisterCalibrationSink(CalibrationSink& sink)
{
    if (m_calibration == &sink)
        m_calibration = nullptr;
}

MeasurementTool* FramePipeline::activeTool() const
{
    return !m_tools.empty() && m_tools.front()->isActive() ? m_tools.front() : nullptr;
}

bool FramePipeline::routeCommand(int commandId)
{
    const std::vector<MeasurementTool*> order = m_tools;
    for (MeasurementTool* tool : order) {
        if (isAttached(tool) && tool->handleCommand(commandId))
            return true;
    }
    return false;
}

void FramePipeline::addListener(PipelineListener& listener)
{
    if (std::find(m_listeners.begin(), m_listeners.end(), &listener) == m_listeners.end())
        m_listeners.push_back(&listener);
}

void FramePipeline::removeListener(PipelineListener& listener)
{
    std::erase(m_listeners, &listener);
}

// A listener may remove itself (or another) while it is told; those removed are skipped.
template <typename Fn> void FramePipeline::notify(Fn&& fn)
{
    const std::vector<PipelineListener*> listeners = m_listeners;
    for (PipelineListener* listener : listeners) {
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
            fn(*listener);
    }
}

void FramePipeline::attach(MeasurementTool& tool)
{
    if (isAttached(&tool))
        return;
    m_tools.push_back(&tool);
    notify([&](PipelineListener& listener) { listener.toolAttached(tool); });
}

void FramePipeline::detach(MeasurementTool& tool)
{
    if (!isAttached(&tool))
        return;
    std::erase(m_tools, &tool);
    notify([&](PipelineListener& listener) { listener.toolDetached(tool); });
}

void FramePipeline::makeActive(MeasurementTool& tool)
{
    if (MeasurementTool* previous = activeTool(); previous != nullptr && previous != &tool)
        previous->m_active = false;
    std::erase(m_tools, &tool);
    m_tools.insert(m_tools.begin(), &tool);
    tool.m_active = true;
    notify([&](PipelineListener& listener) { listener.toolActivated(tool); });
}

void FramePipeline::activeProcessed(MeasurementTool& tool)
{
    notify([&](PipelineListener& listener) { listener.activeFrameProcessed(tool); });
}

} // namespace velmora::client
