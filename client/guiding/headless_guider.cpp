#include "client/guiding/headless_guider.h"

#include "client/guiding/loop_clock.h"
#include "client/shell/hardware_optics.h"
#include "client/shell/settings_layout.h"

#include <algorithm>
#include <cstdio>

namespace velmora::client {

namespace {

constexpr std::int32_t kFullTurnHundredths = 36000;

} // namespace

HeadlessGuider::HeadlessGuider(HeadlessOptions options, SettingsStore& store, LoopClock& clock,
                               std::ostream& out, std::ostream& err)
    : m_options(std::move(options)), m_store(store), m_clock(clock), m_out(out), m_err(err),
      m_binding(static_cast<DriverBindingWindow&>(*this))
{
    m_cycle = std::make_unique<ExposureCycle>(m_binding, static_cast<ExposureTimer&>(*this), clock, store,
                                              m_geometry, m_planes);
    m_cycle->setListener(this);
}

HeadlessGuider::~HeadlessGuider()
{
    m_tool.reset();
    m_cycle->setListener(nullptr);
    m_cycle.reset();
}

// The optics of the hardware bar and the reticle, as the client's windows would set
// them from the same settings.
void HeadlessGuider::loadGeometry()
{
    HardwareOptics optics;
    optics.load(m_store);
    m_geometry.setScales(optics.scaleX(), optics.scaleY());
    m_geometry.setReticleCentre(std::max(settings::read(m_store, settings::kReticleCenterX), 0) * 0.1,
                                std::max(settings::read(m_store, settings::kReticleCenterY), 0) * 0.1);
    const std::int32_t angle = settings::read(m_store, settings::kReticleAngle) % kFullTurnHundredths;
    m_geometry.setReticleAngle((angle < 0 ? angle + kFullTurnHundredths : angle) * 0.01);
}

bool HeadlessGuider::bindDrivers()
{
    m_binding.bindAtStartup(m_store);
    m_bound = true;
    if (!m_binding.driver(DriverKind::Camera)) {
        fail("no camera driver: '" + m_binding.progId(DriverKind::Camera) + "' could not be created");
        return false;
    }
    if (!m_options.noGuide && !m_binding.driver(DriverKind::Telescope)) {
        fail("no telescope driver: '" + m_binding.progId(DriverKind::Telescope) +
             "' could not be created (--no-guide measures without one)");
        return false;
    }
    return true;
}

int HeadlessGuider::run(const std::function<bool()>& stopRequested)
{
    const bool bound = connectDrivers();
    if (bound && startLooping())
        loop(stopRequested);
    shutDown();
    if (bound)
        m_out << m_summary.json() << '\n' << std::flush;
    return m_failed ? 1 : 0;
}

bool HeadlessGuider::connectDrivers()
{
    m_failed = false;
    m_lastError.clear();
    loadGeometry();
    if (bindDrivers())
        return true;
    shutDown();
    return false;
}

void HeadlessGuider::disconnectDrivers()
{
    shutDown();
}

bool HeadlessGuider::startLooping()
{
    m_failed = false;
    m_cycle->loadSettings(m_store);
    m_cycle->setManualMode(false); // continuous exposures whatever the client last used
    m_startCount = m_clock.counter();
    m_refusedStarts = 0;
    m_looping = true;
    m_cycle->StartCycle();
    return true;
}

bool HeadlessGuider::takeSingleFrame(std::int32_t exposureHundredths)
{
    m_cycle->setManualMode(true);
    m_cycle->exposureTimeChanged(exposureHundredths);
    if (m_cycle->StartCycle())
        return true;
    m_lastError = "the camera refuses to start an exposure";
    return false;
}

void HeadlessGuider::stopLooping()
{
    stopGuiding();
    m_looping = false;
    if (m_cycle->exposing())
        m_cycle->AbortCycle();
}

void HeadlessGuider::loop(const std::function<bool()>& stopRequested)
{
    while (!m_failed && !limitReached() && !(stopRequested && stopRequested())) {
        m_clock.sleepFor(std::chrono::milliseconds(m_timerPeriodMs));
        tick();
    }
}

void HeadlessGuider::tick()
{
    if (m_timerRunning) {
        m_refusedStarts = 0;
        m_cycle->onTimer(ExposureCycle::kTimerId);
    } else if (!m_looping) {
        if (m_cycle->manualMode())
            m_cycle->setManualMode(false); // a single frame is done
    } else if (m_cycle->StartCycle()) {
        m_refusedStarts = 0;
    } else if (++m_refusedStarts >= kMaxRefusedStarts) {
        m_looping = false;
        fail("the camera refuses to start exposures");
    }
}

bool HeadlessGuider::limitReached() const
{
    if (m_options.frames && static_cast<long>(m_summary.frames()) >= *m_options.frames)
        return true;
    return m_options.seconds &&
           secondsBetween(m_startCount, m_clock.counter(), m_clock.frequency()) >= *m_options.seconds;
}

void HeadlessGuider::startTimer(int /*id*/, int periodMs)
{
    m_timerRunning = true;
    m_timerPeriodMs = std::max(periodMs, 1);
}

void HeadlessGuider::killTimer(int /*id*/)
{
    m_timerRunning = false;
}

void HeadlessGuider::imageWindowOpened(ImageWindow& window)
{
    m_tool = std::make_unique<GuidingTool>(window.pipeline(), m_store, m_geometry, m_clock,
                                           [this] { return m_binding.sharedDriver(DriverKind::Telescope); });
    m_tool->setStepListener([this](const GuidingStep& step) { onStep(step); });
    m_tool->setPulsesEnabled(m_pulsesEnabled);
    m_tool->setStatusListener(
        [this](const std::string& text) { m_err << "velmora-guide: " << text << '\n'; });
    if (m_options.noGuide) {
        m_tool->setAxisEnabled(GuidingAxisId::Horizontal, false);
        m_tool->setAxisEnabled(GuidingAxisId::Vertical, false);
    }
    m_tool->Activate();
}

void HeadlessGuider::imageWindowClosing(ImageWindow& /*window*/)
{
    m_tool.reset();
}

void HeadlessGuider::frameDelivered(ImageWindow& window)
{
    if (m_options.serve) {
        std::optional<GuidingStep> step;
        step.swap(m_lastStep);
        if (m_frameListener)
            m_frameListener(window, step);
        return;
    }
    if (m_tool && !m_tool->running() && !m_failed)
        startGuidingOnFirstFrame(window);
}

bool HeadlessGuider::selectGuideStar(std::optional<StarPosition> at)
{
    const ImageWindow* window = m_cycle->imageWindow();
    return m_tool && window != nullptr &&
           StarSelector::placeSquare(*m_tool, window->pipeline().rawFrame(), at);
}

bool HeadlessGuider::startGuiding()
{
    if (!m_tool)
        return false;
    if (!m_tool->running())
        m_tool->Start();
    return true;
}

void HeadlessGuider::stopGuiding()
{
    if (m_tool && m_tool->running())
        m_tool->Stop();
}

void HeadlessGuider::setPulsesEnabled(bool on)
{
    m_pulsesEnabled = on;
    if (m_tool)
        m_tool->setPulsesEnabled(on);
}

// What the user does on the first frame: set the sky level when none is stored, put
// the square on the star, optionally the reticle centre on its centroid, and Start.
void HeadlessGuider::startGuidingOnFirstFrame(ImageWindow& /*window*/)
{
    std::optional<StarPosition> at;
    if (m_options.star)
        at = StarPosition{m_options.star->first, m_options.star->second};
    if (!selectGuideStar(at)) {
        fail("no guide star above the sky in the first frame");
        return;
    }
    GuidingTool& tool = *m_tool;
    if (m_options.lock)
        m_geometry.setReticleCentre(tool.centroidX(), tool.centroidY());
    char text[160];
    std::snprintf(
        text, sizeof text, "velmora-guide: guide star at (%.2f, %.2f), reticle centre (%.2f, %.2f)\n",
        tool.centroidX(), tool.centroidY(), m_geometry.reticleCentreX(), m_geometry.reticleCentreY());
    m_err << text;
    tool.Start();
}

void HeadlessGuider::onStep(const GuidingStep& step)
{
    m_lastStep = step;
    m_summary.add(step);
    GuidingStep sent = step;
    if (!m_pulsesEnabled)
        sent.pulses.clear(); // held back: the line lists what went to the telescope
    m_out << GuidingSummary::frameJson(m_summary.frames(), sent) << '\n' << std::flush;
}

// Guiding stopped (drift log closed) and the worker joined before the drivers go.
void HeadlessGuider::shutDown()
{
    m_tool.reset();
    if (m_cycle->exposing())
        m_cycle->AbortCycle();
    m_cycle->closeImageWindow();
    m_looping = false;
    if (m_bound)
        m_binding.unbindAtShutdown(m_store);
    m_bound = false;
}

void HeadlessGuider::fail(const std::string& message)
{
    m_failed = true;
    m_lastError = message;
    m_err << "velmora-guide: " << message << '\n';
}

bool HeadlessGuider::waitForPulses(std::chrono::milliseconds timeout)
{
    return !m_tool || m_tool->worker().waitUntilIdle(timeout);
}

void HeadlessGuider::abortExposureCycle()
{
    m_cycle->AbortCycle();
}

bool HeadlessGuider::hasImageWindow() const
{
    return m_cycle->imageWindow() != nullptr;
}

void HeadlessGuider::closeImageWindow()
{
    m_cycle->closeImageWindow();
}

} // namespace velmora::client
