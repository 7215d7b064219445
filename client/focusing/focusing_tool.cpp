#include "client/focusing/focusing_tool.h"

#include "client/devices/exposure_timer.h"
#include "client/focusing/focuser_access.h"
#include "client/image/image_geometry.h"
#include "client/shell/settings_layout.h"

namespace velmora::client {

FocusingTool::FocusingTool(FramePipeline& window, SettingsStore& store, const ImageGeometry& geometry,
                           std::unique_ptr<FocuserAccess> focuser)
    : MeasurementTool(settings::kFocusingSection, window, store, geometry), m_store(store),
      m_focuser(std::move(focuser)), m_run(*m_focuser, m_graph)
{
    forceTrackingSquare();
    m_run.readLimits();
    FocusingSettings values;
    values.load(store);
    m_run.setSettings(values);
    m_defocusingZone = defocusingZoneText(m_focuser->stepSize(), geometry.focalRatio());
}

FocusingTool::~FocusingTool()
{
    closeFocusing();
}

void FocusingTool::closeFocusing()
{
    if (m_focusingClosed)
        return;
    m_focusingClosed = true;
    m_run.settings().save(m_store);
    if (m_timer != nullptr)
        m_timer->killTimer(kTimerId);
    m_timer = nullptr;
    close();
}

void FocusingTool::startTimer(ExposureTimer& timer)
{
    if (m_focusingClosed)
        return;
    m_timer = &timer;
    timer.startTimer(kTimerId, kTimerPeriodMs);
}

void FocusingTool::onTimer(int timerId)
{
    if (timerId != kTimerId || m_focusingClosed)
        return;
    m_run.onTimer();
    followRun();
}

void FocusingTool::Start()
{
    if (m_run.Start())
        MeasurementTool::Start();
}

void FocusingTool::Stop()
{
    MeasurementTool::Stop();
    if (m_run.running())
        m_run.Stop();
}

void FocusingTool::Apply()
{
    m_run.Apply();
}

void FocusingTool::followRun()
{
    if (running() && !m_run.running())
        MeasurementTool::Stop();
}

// The active window measures every frame (which also marks the fill on the display);
// a running one measures new frames even behind another window.
void FocusingTool::FrameStep(bool newFrame)
{
    if (!isActive() && !(newFrame && running()))
        return;
    m_lastDiameter = MeasureBlobDiameter(m_run.settings().thresholdLevel / 100.0);
    if (!newFrame)
        return;
    m_run.frameStep(m_lastDiameter);
    followRun();
}

} // namespace velmora::client
