#pragma once
// The guiding tool dialog's behaviour (CGuidingDlg without its window): a measurement
// tool that always tracks its square, whose Start/Stop is a guiding run and whose
// per-frame step is the guiding step; it owns the worker thread that sends the
// pulses, and the drift log of each run. Settings live in section "Guiding".

#include "client/guiding/drift_log.h"
#include "client/guiding/guiding_run.h"
#include "client/guiding/guiding_worker.h"
#include "client/image/measurement_tool.h"

#include <cstdint>
#include <functional>
#include <string>

namespace velmora::client {

class HighResolutionClock;

class GuidingTool : public MeasurementTool {
public:
    // Called after every guided frame, once the pulses are posted and the log written.
    using StepListener = std::function<void(const GuidingStep&)>;
    using StatusListener = std::function<void(const std::string&)>;

    GuidingTool(FramePipeline& window, SettingsStore& store, const ImageGeometry& geometry,
                const HighResolutionClock& clock, GuidingWorker::TelescopeSource telescope,
                std::size_t historyCapacity = GuidingHistory::kCapacity);
    // Stops a run, writes the section, then ends and joins the worker.
    ~GuidingTool() override;

    void Start() override;
    void Stop() override;

    GuidingRun& run() { return m_run; }
    const GuidingRun& run() const { return m_run; }
    GuidingController& controller() { return m_run.controller(); }
    GuidingWorker& worker() { return m_worker; }
    void setAxisEnabled(GuidingAxisId id, bool on) { m_run.setAxisEnabled(id, on); }
    // Off: the guiding step runs and is reported, but its pulses are not sent (a guiding
    // server's pause and guide-output switch).
    void setPulsesEnabled(bool on) { m_pulsesEnabled = on; }
    bool pulsesEnabled() const { return m_pulsesEnabled; }

    // "Save Log", "Log Path" and "Save As"; unchangeable while a run is active.
    bool saveLog() const { return m_saveLog; }
    void setSaveLog(bool on);
    const std::string& logPath() const { return m_logPath; }
    void setLogPath(const std::string& path);
    bool logControlsEnabled() const { return !running(); }
    const std::string& logFileName() const { return m_log.fileName(); }
    bool logOpen() const { return m_log.isOpen(); }

    // The tool's status line: a drift log that could not be created or written, said
    // once per run.
    const std::string& statusText() const { return m_status; }
    void setStatusListener(StatusListener listener) { m_statusListener = std::move(listener); }
    void setStepListener(StepListener listener) { m_stepListener = std::move(listener); }
    // A second listener beside the window's own: a guiding server's.
    void setStepObserver(StepListener observer) { m_stepObserver = std::move(observer); }

protected:
    void FrameStep(bool newFrame) override;
    bool locksTracking() const override { return true; }

private:
    void openLog();
    void checkLogWrites();
    void report(const char* format);
    void saveSettings();

    SettingsStore& m_store;
    const HighResolutionClock& m_clock;
    GuidingRun m_run;
    DriftLog m_log;
    bool m_saveLog = false;
    std::string m_logPath;
    std::int64_t m_startCount = 0;
    std::int64_t m_frequency = 1;
    bool m_logErrorReported = false;
    bool m_pulsesEnabled = true;
    std::string m_status;
    StatusListener m_statusListener;
    StepListener m_stepListener;
    StepListener m_stepObserver;
    GuidingWorker m_worker; // last: its thread ends before anything it may use
};

} // namespace velmora::client
