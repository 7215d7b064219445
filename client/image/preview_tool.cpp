#include "client/image/preview_tool.h"

#include "client/image/reticle.h"
#include "client/shell/settings_layout.h"

namespace velmora::client {

PreviewTool::PreviewTool(FramePipeline& window, SettingsStore& store, const ImageGeometry& geometry,
                         Reticle* reticle)
    : MeasurementTool(settings::kPreviewSection, window, store, geometry), m_reticle(reticle)
{
    setSquareColour({255, 0, 0});
}

PreviewTool::~PreviewTool()
{
    close();
}

void PreviewTool::Start()
{
    m_track.clear();
    MeasurementTool::Start();
}

void PreviewTool::Stop()
{
    MeasurementTool::Stop();
    m_track.clear();
}

void PreviewTool::finishCalibration()
{
    if (!running())
        return;
    if (const std::optional<double> angle = fittedTrackAngle(m_track); angle && m_reticle != nullptr)
        m_reticle->setAngleDegrees(*angle);
    Stop();
}

void PreviewTool::FrameStep(bool newFrame)
{
    if (newFrame && running())
        m_track.emplace_back(centroidX(), centroidY());
}

} // namespace velmora::client
