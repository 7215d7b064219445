#pragma once
// The focusing tool dialog's behaviour (CFocusing3Dlg without its window): a
// measurement tool whose Start/Stop is a focusing run, whose per-frame step measures
// the star's diameter by background flood fill and hands it to the run, and whose
// 100 ms timer (identifier 40000) reads and moves the focuser. It owns the run and
// its diameter graph. Settings live in section "Focusing-3".

#include "client/focusing/diameter_graph.h"
#include "client/focusing/focusing_run.h"
#include "client/image/measurement_tool.h"

#include <memory>
#include <string>

namespace velmora::client {

class ExposureTimer;
class FocuserAccess;

class FocusingTool : public MeasurementTool {
public:
    static constexpr int kTimerId = 40000;
    static constexpr int kTimerPeriodMs = 100;

    // Square at the image origin with tracking on and "Full Screen" off, the
    // focuser's limits, the section's values within them, the defocusing zone from
    // the focuser's step size and the hardware's focal ratio.
    FocusingTool(FramePipeline& window, SettingsStore& store, const ImageGeometry& geometry,
                 std::unique_ptr<FocuserAccess> focuser);
    ~FocusingTool() override;

    // The timer is the window's; ticks come back through onTimer().
    void startTimer(ExposureTimer& timer);
    void onTimer(int timerId);
    // Writes the section's focusing values, ends the timer, then closes the tool (its
    // Stop, the base values); idempotent.
    void closeFocusing();

    void Start() override;
    void Stop() override;
    void Apply();

    FocusingRun& run() { return m_run; }
    const FocusingRun& run() const { return m_run; }
    const DiameterGraph& graph() const { return m_graph; }
    const std::string& defocusingZone() const { return m_defocusingZone; }
    // The diameter of the last measurement, arcseconds.
    double lastDiameter() const { return m_lastDiameter; }

protected:
    void FrameStep(bool newFrame) override;

private:
    // The run ends by itself (arrival at the focus, or an untrusted fit).
    void followRun();

    SettingsStore& m_store;
    std::unique_ptr<FocuserAccess> m_focuser;
    DiameterGraph m_graph;
    FocusingRun m_run;
    std::string m_defocusingZone;
    ExposureTimer* m_timer = nullptr;
    double m_lastDiameter = 0.0;
    bool m_focusingClosed = false;
};

} // namespace velmora::client
