#pragma once
// Headless guiding (velmora-guide): the client's guiding without its windows. Binds
// and connects the drivers named in the client's settings, runs the exposure cycle
// continuously on its own loop, opens the guiding tool on the first frame's window,
// picks the guide star, and runs a guiding run until the frame or time limit or a
// stop request; then stops guiding (closing the drift log), ends the pulse worker and
// disconnects the drivers. Writes one JSON line per guided frame and a summary.
//
// A guiding server takes the same steps one at a time on command instead (connect,
// loop, select a star, guide, stop): with `serve` set, frames are handed to the frame
// listener and nothing starts by itself.

#include "client/devices/driver_binding.h"
#include "client/devices/exposure_cycle.h"
#include "client/devices/exposure_timer.h"
#include "client/guiding/guiding_summary.h"
#include "client/guiding/guiding_tool.h"
#include "client/guiding/headless_options.h"
#include "client/guiding/star_selector.h"
#include "client/image/image_geometry.h"
#include "client/image/plane_colours.h"

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

namespace velmora::client {

class LoopClock;
class SettingsStore;

class HeadlessGuider : private ExposureCycleListener, private DriverBindingWindow, private ExposureTimer {
public:
    // After this many refused exposures in a row (3 s of ticks) the camera counts as gone.
    static constexpr int kMaxRefusedStarts = 50;

    HeadlessGuider(HeadlessOptions options, SettingsStore& store, LoopClock& clock, std::ostream& out,
                   std::ostream& err);
    ~HeadlessGuider() override;
    HeadlessGuider(const HeadlessGuider&) = delete;
    HeadlessGuider& operator=(const HeadlessGuider&) = delete;

    // The whole session; 0 after a run, 1 when it could not guide. stopRequested is
    // polled on every tick.
    int run(const std::function<bool()>& stopRequested);

    const GuidingSummary& summary() const { return m_summary; }
    const ImageGeometry& geometry() const { return m_geometry; }
    // Waits until the pulses posted so far have reached the telescope: simulations on
    // a fake clock call it so pulses land before the next frame is taken.
    bool waitForPulses(std::chrono::milliseconds timeout);

    // ---- The steps of a session, for a guiding server ----------------------------
    // Every delivered frame, with its guiding step when it was guided.
    using FrameListener = std::function<void(ImageWindow&, const std::optional<GuidingStep>&)>;
    void setFrameListener(FrameListener listener) { m_frameListener = std::move(listener); }
    // Reads the optics and reticle, binds and connects the drivers; false with the reason
    // in lastError().
    bool connectDrivers();
    void disconnectDrivers();
    bool driversBound() const { return m_bound; }
    DriverBinding& binding() { return m_binding; }
    const DriverBinding& binding() const { return m_binding; }
    // Continuous exposures, or one (manual mode) of `exposureHundredths`.
    bool startLooping();
    bool takeSingleFrame(std::int32_t exposureHundredths);
    // Stops guiding and the exposures.
    void stopLooping();
    bool looping() const { return m_looping; }
    // One pass of the 60 ms timer: the exposure cycle's tick, or a retry of a refused
    // start while looping. After kMaxRefusedStarts refusals the loop ends with
    // lastError() set.
    void tick();
    int timerPeriodMs() const { return m_timerPeriodMs; }
    // Learns the sky level when none is stored and puts the square on the brightest star
    // (or the one at `at`); false without a frame or a star.
    bool selectGuideStar(std::optional<StarPosition> at);
    bool startGuiding();
    void stopGuiding();
    void setPulsesEnabled(bool on);
    ExposureCycle& cycle() { return *m_cycle; }
    const ExposureCycle& cycle() const { return *m_cycle; }
    GuidingTool* tool() { return m_tool.get(); }
    const GuidingTool* tool() const { return m_tool.get(); }
    ImageGeometry& geometry() { return m_geometry; }
    const std::string& lastError() const { return m_lastError; }

private:
    // ExposureTimer: the loop itself is the 60 ms timer.
    void startTimer(int id, int periodMs) override;
    void killTimer(int id) override;
    // ExposureCycleListener.
    void imageWindowOpened(ImageWindow& window) override;
    void imageWindowClosing(ImageWindow& window) override;
    void frameDelivered(ImageWindow& window) override;
    // DriverBindingWindow: nothing to show.
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    void minimiseMainWindow() override {}
    void restoreMainWindow() override {}
    void abortExposureCycle() override;
    bool hasImageWindow() const override;
    void closeImageWindow() override;
    bool imageWindowIsActive() const override { return false; }
    int toolDialogsAttached() const override { return 1; }

    void loadGeometry();
    bool bindDrivers();
    void loop(const std::function<bool()>& stopRequested);
    bool limitReached() const;
    void startGuidingOnFirstFrame(ImageWindow& window);
    void onStep(const GuidingStep& step);
    void shutDown();
    void fail(const std::string& message);

    HeadlessOptions m_options;
    SettingsStore& m_store;
    LoopClock& m_clock;
    std::ostream& m_out;
    std::ostream& m_err;
    ImageGeometry m_geometry;
    PlaneColours m_planes;
    DriverBinding m_binding;
    std::unique_ptr<ExposureCycle> m_cycle;
    std::unique_ptr<GuidingTool> m_tool;
    GuidingSummary m_summary;
    bool m_timerRunning = false;
    int m_timerPeriodMs = ExposureCycle::kTimerPeriodMs;
    std::int64_t m_startCount = 0;
    bool m_failed = false;
    bool m_bound = false;
    bool m_looping = false;
    bool m_pulsesEnabled = true;
    int m_refusedStarts = 0;
    std::string m_lastError;
    std::optional<GuidingStep> m_lastStep;
    FrameListener m_frameListener;
};

} // namespace velmora::client
