#pragma once
// The guider as imaging programs see it through the event-server protocol: the
// methods (connect, loop, find a star, guide and settle, dither, pause, …) carried
// out on a GuiderBackend, and the events of each frame and each change. App states:
// "Stopped", "Selected", "Looping", "Guiding", "LostLock", "Paused"; the reticle
// needs no calibration, so "Calibrating" never occurs. An AppState event goes out on
// every change of state, besides the one each client gets on connecting.
//
// Settling: after guide or dither the guide error must stay below "pixels" for
// "time" seconds within "timeout" seconds; SettleDone reports Status 0, or 1 with the
// reason. A newer settle request replaces the one in progress.

#include "client/remote/event_server.h"
#include "client/remote/guide_axes.h"
#include "client/remote/guider_backend.h"
#include "client/remote/settle_monitor.h"

#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>

namespace velmora::client::remote {

class RemoteGuider : public RequestHandler {
public:
    using MonotonicClock = std::function<double()>; // seconds

    RemoteGuider(GuiderBackend& backend, EventSink& events, MonotonicClock clock,
                 std::uint64_t ditherSeed = std::random_device{}());

    std::vector<NamedEvent> initialEvents() const override;
    MethodOutcome call(const std::string& method, const Json& params) override;

    // From the backend, once per frame it took.
    void frameObserved(const FrameObservation& frame);
    // The exposures ended by themselves (the camera failed): an Alert, then stopped.
    void captureFailed(const std::string& why);
    // Settle timeouts when frames stop coming; call often.
    void tick();

    std::string appState() const;
    bool settling() const { return m_settle.has_value(); }
    bool paused() const { return m_paused; }
    bool shutdownRequested() const { return m_shutdown; }

private:
    using Method = MethodOutcome (RemoteGuider::*)(const Json&);
    static const std::map<std::string, Method>& methods();

    // Methods, by protocol name.
    MethodOutcome getAppState(const Json&);
    MethodOutcome getConnected(const Json&);
    MethodOutcome setConnected(const Json& params);
    MethodOutcome getProfiles(const Json&);
    MethodOutcome getProfile(const Json&);
    MethodOutcome setProfile(const Json& params);
    MethodOutcome getCurrentEquipment(const Json&);
    MethodOutcome getExposure(const Json&);
    MethodOutcome setExposure(const Json& params);
    MethodOutcome getExposureDurations(const Json&);
    MethodOutcome getPixelScale(const Json&);
    MethodOutcome getCameraFrameSize(const Json&);
    MethodOutcome getCalibrated(const Json&);
    MethodOutcome getLockPosition(const Json&);
    MethodOutcome setLockPosition(const Json& params);
    MethodOutcome findStar(const Json&);
    MethodOutcome loop(const Json&);
    MethodOutcome stopCapture(const Json&);
    MethodOutcome guide(const Json& params);
    MethodOutcome dither(const Json& params);
    MethodOutcome getSettling(const Json&);
    MethodOutcome setPaused(const Json& params);
    MethodOutcome getPaused(const Json&);
    MethodOutcome getGuideOutputEnabled(const Json&);
    MethodOutcome setGuideOutputEnabled(const Json& params);
    MethodOutcome captureSingleFrame(const Json& params);
    MethodOutcome saveImage(const Json&);
    MethodOutcome getStarImage(const Json& params);
    MethodOutcome shutdown(const Json&);

    // State changes shared by methods and frames.
    std::optional<std::string> startGuidingNow();
    void stopEverything(const std::string& settleError);
    void stopGuidingRun(const std::string& settleError);
    void selectStar(ImagePoint star);
    void moveLockPosition(ImagePoint point);
    void beginSettle(const SettleParams& params);
    void finishSettle(const SettleResult& result);
    void refreshPulseGate();
    void announceStateChange();

    // Per-frame reports.
    void loopingFrame(const FrameObservation& frame);
    void guidedFrame(const FrameObservation& frame);
    void starLost(const FrameObservation& frame, long frameNumber);
    Json guideStep(const FrameObservation& frame) const;
    void settleFrame(const FrameObservation& frame, double distance);

    GuiderBackend& m_backend;
    EventSink& m_events;
    MonotonicClock m_clock;
    std::mt19937_64 m_random;

    std::optional<ImagePoint> m_selectedStar;
    bool m_lockSetByClient = false;
    bool m_guidePending = false; // guide asked for before the first frame
    bool m_lostLock = false;
    bool m_paused = false;
    bool m_guideOutputEnabled = true;
    bool m_shutdown = false;
    long m_loopFrames = 0;
    long m_guideFrames = 0;
    long m_savedImages = 0;
    std::optional<SettleMonitor> m_settle;
    std::string m_announcedState;
};

} // namespace velmora::client::remote
