#include "client/remote/remote_guider.h"

#include <cmath>

namespace velmora::client::remote {

namespace {

Json point(ImagePoint p)
{
    Json position = Json::object();
    position["X"] = p.x;
    position["Y"] = p.y;
    return position;
}

bool isRaPulse(const GuidePulse& pulse)
{
    return pulse.direction == GuideDirection::East || pulse.direction == GuideDirection::West;
}

} // namespace

RemoteGuider::RemoteGuider(GuiderBackend& backend, EventSink& events, MonotonicClock clock,
                           std::uint64_t ditherSeed)
    : m_backend(backend), m_events(events), m_clock(std::move(clock)), m_random(ditherSeed),
      m_announcedState(appState())
{
}

std::string RemoteGuider::appState() const
{
    if (m_backend.guiding()) {
        if (m_paused)
            return "Paused";
        return m_lostLock ? "LostLock" : "Guiding";
    }
    if (!m_backend.looping())
        return "Stopped";
    return m_selectedStar ? "Selected" : "Looping";
}

std::vector<NamedEvent> RemoteGuider::initialEvents() const
{
    std::vector<NamedEvent> events;
    if (m_backend.connected())
        events.push_back({"LockPositionSet", point(m_backend.lockPosition())});
    if (m_selectedStar)
        events.push_back({"StarSelected", point(*m_selectedStar)});
    Json state = Json::object();
    state["State"] = appState();
    events.push_back({"AppState", state});
    return events;
}

MethodOutcome RemoteGuider::call(const std::string& method, const Json& params)
{
    const auto found = methods().find(method);
    if (found == methods().end())
        return MethodOutcome::fail("method not found: " + method, rpc::kMethodNotFound);
    MethodOutcome outcome = (this->*found->second)(params);
    announceStateChange();
    return outcome;
}

void RemoteGuider::announceStateChange()
{
    const std::string state = appState();
    if (state == m_announcedState)
        return;
    m_announcedState = state;
    Json attributes = Json::object();
    attributes["State"] = state;
    m_events.event("AppState", attributes);
}

// ---- State changes -------------------------------------------------------------------

void RemoteGuider::selectStar(ImagePoint star)
{
    m_selectedStar = star;
    m_events.event("StarSelected", point(star));
}

void RemoteGuider::moveLockPosition(ImagePoint lock)
{
    m_backend.setLockPosition(lock);
    m_events.event("LockPositionSet", point(lock));
}

// Guiding from the selected star (found now when none is); the lock position is the
// star itself unless the client placed it.
std::optional<std::string> RemoteGuider::startGuidingNow()
{
    m_guidePending = false;
    if (!m_selectedStar) {
        const std::optional<ImagePoint> star = m_backend.findStar();
        if (!star)
            return "could not find a guide star";
        selectStar(*star);
    }
    if (!m_lockSetByClient)
        moveLockPosition(*m_selectedStar);
    if (std::optional<std::string> error = m_backend.startGuiding())
        return error;
    m_guideFrames = 0;
    m_lostLock = false;
    refreshPulseGate();
    m_events.event("StartGuiding");
    return std::nullopt;
}

void RemoteGuider::stopGuidingRun(const std::string& settleError)
{
    m_guidePending = false;
    if (m_settle)
        finishSettle(m_settle->abandon(settleError));
    if (!m_backend.guiding())
        return;
    m_backend.stopGuiding();
    m_lostLock = false;
    m_events.event("GuidingStopped");
}

void RemoteGuider::stopEverything(const std::string& settleError)
{
    stopGuidingRun(settleError);
    m_lockSetByClient = false;
    if (m_backend.looping()) {
        m_backend.stopLooping();
        m_events.event("LoopingExposuresStopped");
    }
}

void RemoteGuider::beginSettle(const SettleParams& params)
{
    m_settle.emplace(params, m_clock());
    m_events.event("SettleBegin");
}

void RemoteGuider::finishSettle(const SettleResult& result)
{
    m_settle.reset();
    Json done = Json::object();
    done["Status"] = result.settled ? 0 : 1;
    if (!result.settled)
        done["Error"] = result.error;
    done["TotalFrames"] = result.totalFrames;
    done["DroppedFrames"] = result.droppedFrames;
    m_events.event("SettleDone", done);
}

// No pulses while paused, while output is off, or while the star is lost (they would
// chase the square's last position).
void RemoteGuider::refreshPulseGate()
{
    m_backend.setPulsesEnabled(m_guideOutputEnabled && !m_paused && !m_lostLock);
}

void RemoteGuider::captureFailed(const std::string& why)
{
    Json alert = Json::object();
    alert["Msg"] = why;
    alert["Type"] = "error";
    m_events.event("Alert", alert);
    stopEverything(why);
    announceStateChange();
}

void RemoteGuider::tick()
{
    if (m_settle) {
        if (const std::optional<SettleResult> result = m_settle->result(m_clock()))
            finishSettle(*result);
    }
}

// ---- Frames ------------------------------------------------------------------------

void RemoteGuider::frameObserved(const FrameObservation& frame)
{
    if (m_guidePending && m_backend.looping()) {
        if (const std::optional<std::string> error = startGuidingNow()) {
            if (m_settle)
                finishSettle(m_settle->abandon(*error));
        }
    } else if (m_backend.guiding()) {
        guidedFrame(frame);
    } else if (m_backend.looping()) {
        loopingFrame(frame);
    }
    tick();
    announceStateChange();
}

void RemoteGuider::loopingFrame(const FrameObservation& frame)
{
    ++m_loopFrames;
    Json attributes = Json::object();
    attributes["Frame"] = m_loopFrames;
    m_events.event("LoopingExposures", attributes);
    if (!m_selectedStar)
        return;
    if (frame.star.found) {
        m_selectedStar = frame.centroid; // the square tracks it
        return;
    }
    starLost(frame, m_loopFrames);
    m_selectedStar.reset();
}

void RemoteGuider::guidedFrame(const FrameObservation& frame)
{
    ++m_guideFrames;
    if (!frame.star.found) {
        if (!m_lostLock) {
            m_lostLock = true;
            refreshPulseGate();
        }
        starLost(frame, m_guideFrames);
        if (m_settle)
            m_settle->addFrame(frame.timeSeconds, false, 0.0);
        return;
    }
    if (m_lostLock) {
        m_lostLock = false;
        refreshPulseGate();
    }
    m_selectedStar = frame.centroid;
    if (!frame.step)
        return;
    const Json step = guideStep(frame);
    m_events.event("GuideStep", step);
    settleFrame(frame, std::hypot(step["dx"].get<double>(), step["dy"].get<double>()));
}

void RemoteGuider::starLost(const FrameObservation& frame, long frameNumber)
{
    Json lost = Json::object();
    lost["Frame"] = frameNumber;
    lost["Time"] = frame.step ? frame.step->t : 0.0;
    lost["StarMass"] = frame.star.mass;
    lost["SNR"] = frame.star.snr;
    lost["ErrorCode"] = 1;
    lost["Status"] = "star lost: no signal above the threshold in the square";
    m_events.event("StarLost", lost);
}

Json RemoteGuider::guideStep(const FrameObservation& frame) const
{
    const ImagePoint lock = m_backend.lockPosition();
    const PixelOffset offset{frame.centroid.x - lock.x, frame.centroid.y - lock.y};
    const RaDecPixels axes = toRaDec(offset, m_backend.cosA(), m_backend.sinA());
    Json step = Json::object();
    step["Frame"] = m_guideFrames;
    step["Time"] = frame.step->t;
    step["Mount"] = "Mount";
    step["dx"] = offset.dx;
    step["dy"] = offset.dy;
    step["RADistanceRaw"] = axes.ra;
    step["DECDistanceRaw"] = axes.dec;
    step["RADistanceGuide"] = axes.ra;
    step["DECDistanceGuide"] = axes.dec;
    const bool pulsesOut = m_guideOutputEnabled && !m_paused;
    for (const GuidePulse& pulse : frame.step->pulses) {
        if (!pulsesOut || pulse.durationMs <= 0)
            continue;
        const bool ra = isRaPulse(pulse);
        step[ra ? "RADuration" : "DECDuration"] = pulse.durationMs;
        step[ra ? "RADirection" : "DECDirection"] = guideDirectionName(pulse.direction);
    }
    step["StarMass"] = frame.star.mass;
    step["SNR"] = frame.star.snr;
    step["HFD"] = frame.star.hfdPixels;
    return step;
}

void RemoteGuider::settleFrame(const FrameObservation& frame, double distance)
{
    if (!m_settle)
        return;
    const SettleProgress progress = m_settle->addFrame(frame.timeSeconds, true, distance);
    if (m_settle->result(frame.timeSeconds))
        return; // SettleDone follows from tick()
    Json settling = Json::object();
    settling["Distance"] = progress.distance;
    settling["Time"] = progress.settledSeconds;
    settling["SettleTime"] = m_settle->params().timeSeconds;
    settling["StarLocked"] = progress.starLocked;
    m_events.event("Settling", settling);
}

} // namespace velmora::client::remote
