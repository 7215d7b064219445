#include "client/guiding/guiding_tool.h"

#include "client/devices/high_resolution_clock.h"
#include "client/shell/settings_layout.h"
#include "client/shell/user_paths.h"

#include <cstdio>
#include <ctime>

namespace velmora::client {

GuidingTool::GuidingTool(FramePipeline& window, SettingsStore& store, const ImageGeometry& geometry,
                         const HighResolutionClock& clock, GuidingWorker::TelescopeSource telescope,
                         std::size_t historyCapacity)
    : MeasurementTool(settings::kGuidingSection, window, store, geometry), m_store(store), m_clock(clock),
      m_run(geometry, historyCapacity), m_worker(std::move(telescope))
{
    forceTrackingSquare();
    m_run.controller().load(store);
    FilterSettings filters;
    filters.load(store);
    m_run.setFilters(filters);
    m_saveLog = settings::readBool(store, settings::kSaveLog);
    m_logPath = settings::read(store, settings::kLogPath);
}

GuidingTool::~GuidingTool()
{
    close();
    saveSettings();
}

void GuidingTool::saveSettings()
{
    m_run.controller().save(m_store);
    m_run.history().filters().save(m_store);
    settings::writeBool(m_store, settings::kSaveLog, m_saveLog);
    settings::write(m_store, settings::kLogPath, m_logPath);
}

void GuidingTool::Start()
{
    MeasurementTool::Start();
    m_startCount = m_clock.counter();
    m_frequency = m_clock.frequency() > 0 ? m_clock.frequency() : 1;
    m_run.start();
    m_logErrorReported = false;
    if (m_saveLog)
        openLog();
}

void GuidingTool::Stop()
{
    MeasurementTool::Stop();
    m_run.stop();
    if (m_log.isOpen()) {
        m_log.close();
        checkLogWrites();
    }
}

void GuidingTool::setSaveLog(bool on)
{
    if (logControlsEnabled())
        m_saveLog = on;
}

void GuidingTool::setLogPath(const std::string& path)
{
    if (logControlsEnabled())
        m_logPath = path;
}

// A log that cannot be created does not stop the run; the user hears of it once.
void GuidingTool::openLog()
{
    if (!m_log.open(expandUserPath(m_logPath), std::time(nullptr)))
        report("Drift log not created: %s");
}

void GuidingTool::checkLogWrites()
{
    if (m_log.hadWriteError())
        report("Drift log not written completely: %s");
}

void GuidingTool::report(const char* format)
{
    if (m_logErrorReported)
        return;
    m_logErrorReported = true;
    char text[1024];
    std::snprintf(text, sizeof text, format, m_log.fileName().c_str());
    m_status = text;
    if (m_statusListener)
        m_statusListener(m_status);
}

void GuidingTool::FrameStep(bool newFrame)
{
    if (!newFrame || !running())
        return;
    const double t = secondsBetween(m_startCount, m_clock.counter(), m_frequency);
    const std::optional<GuidingStep> step = m_run.step(t, centroidX(), centroidY());
    if (!step)
        return;
    if (m_pulsesEnabled) {
        for (const GuidePulse& pulse : step->pulses)
            m_worker.post(pulse);
    }
    if (m_log.isOpen()) {
        m_log.append(step->t, step->h, step->v);
        checkLogWrites();
    }
    if (m_stepListener)
        m_stepListener(*step);
    if (m_stepObserver)
        m_stepObserver(*step);
}

} // namespace velmora::client
