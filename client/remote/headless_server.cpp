#include "client/remote/headless_server.h"

#include "client/guiding/loop_clock.h"

#include <cmath>

namespace velmora::client::remote {

namespace {

HeadlessOptions servingOptions(HeadlessOptions options)
{
    options.serve = true;
    return options;
}

} // namespace

HeadlessServer::HeadlessServer(HeadlessOptions options, SettingsStore& store, LoopClock& clock,
                               std::ostream& out, std::ostream& err)
    : m_clock(clock), m_err(err), m_guider(servingOptions(std::move(options)), store, clock, out, err),
      m_events(epochSeconds, localHostName(), "Velmora velmora-guide"),
      m_backend(m_guider, clock, [this] { m_shutdown = true; }),
      m_remote(m_backend, m_events, [&clock] { return clockSeconds(clock); })
{
    m_events.setHandler(&m_remote);
    m_guider.setFrameListener([this](ImageWindow&, const std::optional<GuidingStep>& step) {
        m_remote.frameObserved(m_backend.observe(step));
    });
}

HeadlessServer::~HeadlessServer()
{
    m_events.setHandler(nullptr);
    m_events.close();
    m_guider.setFrameListener(nullptr);
}

std::optional<std::string> HeadlessServer::listen(const ListenAddress& where)
{
    std::optional<std::string> error = m_events.listen(where);
    if (!error)
        m_err << "velmora-guide: serving on " << where.address << ":" << m_events.port() << std::endl;
    return error;
}

void HeadlessServer::tick()
{
    const bool wasLooping = m_guider.looping();
    m_guider.tick();
    if (wasLooping && !m_guider.looping())
        m_remote.captureFailed(m_guider.lastError());
    m_remote.tick();
}

int HeadlessServer::run(const std::function<bool()>& stopRequested)
{
    if (!m_events.listening())
        return 1;
    const double period = m_guider.timerPeriodMs() / 1000.0;
    double nextTick = clockSeconds(m_clock) + period;
    while (!m_shutdown && !(stopRequested && stopRequested())) {
        const double wait = nextTick - clockSeconds(m_clock);
        if (wait > 0) {
            m_events.poll(static_cast<int>(std::ceil(wait * 1000.0)));
            continue;
        }
        tick();
        const double now = clockSeconds(m_clock);
        nextTick = std::max(nextTick + m_guider.timerPeriodMs() / 1000.0, now); // never a burst to catch up
    }
    m_events.poll(0); // the shutdown answer goes out before the drivers are let go
    m_guider.stopLooping();
    m_guider.disconnectDrivers();
    return 0;
}

} // namespace velmora::client::remote
