#include "server/telescope/pulse_guider.h"

#include "server/common/manual_reset_event.h"

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <thread>

namespace velmora::server {

struct PulseGuider::Pulse {
    int axis = 0;
    int sense = 0;
    // Wide enough for the longest duration plus the largest backlash.
    std::int64_t lengthMs = 0;
};

struct PulseGuider::State {
    State(PortRegistry& portRegistry, PulseClock& pulseClock) : ports(portRegistry), clock(pulseClock) {}

    // Applies a word to the attached port with the present polarity. Pulse workers do
    // not check the result: a relay box that stops echoing leaves its outputs as they
    // were, and the pulse still ends by the clock.
    bool apply(std::uint16_t word)
    {
        PortChannel* target;
        bool inverted;
        {
            std::lock_guard lock(mutex);
            target = channel;
            inverted = invert;
        }
        return ports.setLines(target, word, inverted);
    }
    std::uint16_t directionWord(int direction) const
    {
        std::lock_guard lock(mutex);
        return words[direction];
    }
    std::uint16_t releaseWord(int axis) const
    {
        std::lock_guard lock(mutex);
        return release[axis];
    }

    PortRegistry& ports;
    PulseClock& clock;

    mutable std::mutex mutex; // guards the fields up to `pulse`
    PortChannel* channel = nullptr;
    DirectionWords words = kDefaultDirectionWords;
    ReleaseWords release = releaseWordsOf(kDefaultDirectionWords);
    bool invert = false;
    Backlash backlashMs{0, 0};
    std::array<int, kAxes> lastSense{-1, -1};
    Pulse pulse; // hand-over from PulseGuide to its worker

    ManualResetEvent stop[kAxes]{ManualResetEvent(false), ManualResetEvent(false)};
    ManualResetEvent idle[kAxes]{ManualResetEvent(true), ManualResetEvent(true)};
    // The worker has taken `pulse`. A signal of its own, so that the worker's final
    // setting of its idle event is never undone by the call that started it.
    ManualResetEvent taken{false};
};

PulseGuider::ReleaseWords PulseGuider::releaseWordsOf(const DirectionWords& words)
{
    return {static_cast<std::uint16_t>(words[0] & words[1] & 0xFF00),
            static_cast<std::uint16_t>(words[2] & words[3] & 0xFF00)};
}

PulseGuider::PulseGuider(PortRegistry& ports, PulseClock& clock)
    : m_state(std::make_shared<State>(ports, clock))
{
}

PulseGuider::~PulseGuider() = default;

void PulseGuider::configure(const DirectionWords& words, bool invert, const Backlash& backlashMs)
{
    std::lock_guard lock(m_state->mutex);
    m_state->words = words;
    m_state->release = releaseWordsOf(words);
    m_state->invert = invert;
    m_state->backlashMs = backlashMs;
}

PulseGuider::DirectionWords PulseGuider::directionWords() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->words;
}

PulseGuider::ReleaseWords PulseGuider::releaseWords() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->release;
}

bool PulseGuider::invert() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->invert;
}

void PulseGuider::setInvert(bool invert)
{
    std::lock_guard lock(m_state->mutex);
    m_state->invert = invert;
}

PulseGuider::Backlash PulseGuider::backlash() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->backlashMs;
}

void PulseGuider::setBacklash(int axis, std::int32_t ms)
{
    if (axis < 0 || axis >= kAxes)
        return;
    std::lock_guard lock(m_state->mutex);
    m_state->backlashMs[axis] = ms;
}

void PulseGuider::attach(PortChannel* channel)
{
    std::lock_guard lock(m_state->mutex);
    m_state->channel = channel;
}

PortChannel* PulseGuider::channel() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->channel;
}

PortChannel* PulseGuider::stopAndDetach()
{
    std::lock_guard guard(m_pulseGuideMutex);
    if (!channel())
        return nullptr;
    for (ManualResetEvent& stop : m_state->stop)
        stop.set();
    // No time-out: every worker ends within one 100 ms slice of its stop (plus the
    // bounded release write).
    for (const ManualResetEvent& idle : m_state->idle)
        idle.wait();
    releaseBothAxes();
    std::lock_guard lock(m_state->mutex);
    PortChannel* channel = m_state->channel;
    m_state->channel = nullptr;
    return channel;
}

DriverError PulseGuider::PulseGuide(int direction, std::int32_t durationMs)
{
    if (durationMs == 0)
        return DriverError::None;
    if (durationMs < 0 || durationMs > kMaxDurationMs)
        return DriverError::InvalidDuration;
    std::lock_guard guard(m_pulseGuideMutex);
    if (!channel())
        return DriverError::NotConnected;
    // A direction outside 0..3 has no axis: refused before any axis state is touched.
    if (direction < 0 || direction >= kDirections)
        return DriverError::InvalidValue;
    int axis = direction / 2;
    int sense = direction - 2 * axis;
    if (!m_state->idle[axis].isSet())
        return DriverError::AlreadyInMotion;
    std::int64_t lengthMs = durationMs;
    int previousSense;
    {
        std::lock_guard lock(m_state->mutex);
        previousSense = m_state->lastSense[axis];
        if (previousSense != sense)
            lengthMs += m_state->backlashMs[axis];
        m_state->lastSense[axis] = sense;
    }
    DriverError started = startWorker(axis, sense, lengthMs);
    if (started != DriverError::None) {
        std::lock_guard lock(m_state->mutex);
        m_state->lastSense[axis] = previousSense;
    }
    return started;
}

DriverError PulseGuider::startWorker(int axis, int sense, std::int64_t lengthMs)
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->pulse = Pulse{axis, sense, lengthMs};
    }
    // From here until the worker ends the axis reads as pulsing.
    m_state->idle[axis].reset();
    m_state->stop[axis].reset();
    m_state->taken.reset();
    try {
        std::thread(runWorker, m_state).detach();
    } catch (...) {
        // No thread to drive the pulse: the axis stays idle and nothing was sent.
        m_state->idle[axis].set();
        return DriverError::NotConnected;
    }
    m_state->taken.wait();
    return DriverError::None;
}

void PulseGuider::runWorker(std::shared_ptr<State> state)
{
    Pulse pulse;
    {
        std::lock_guard lock(state->mutex);
        pulse = state->pulse;
    }
    state->taken.set();
    try {
        state->apply(state->directionWord(2 * pulse.axis + pulse.sense));
        // The held time counts from the line change just made.
        holdLines(*state, pulse, state->clock.now());
    } catch (...) {
        // Nothing the port layer throws may end the server: the pulse ends here.
        std::fprintf(stderr, "pulse worker: the pulse failed; its lines are released\n");
    }
    try {
        state->apply(state->releaseWord(pulse.axis));
    } catch (...) {
    }
    state->idle[pulse.axis].set();
}

void PulseGuider::holdLines(State& state, const Pulse& pulse, PulseClock::TimePoint start)
{
    using Ms = std::chrono::milliseconds;
    std::int64_t slices = pulse.lengthMs / kSliceMs;
    if (slices <= 0) {
        // Shorter than one slice: cannot be cut short.
        state.clock.sleepUntil(start + Ms(pulse.lengthMs));
        return;
    }
    for (std::int64_t k = 1; k <= slices; ++k) {
        state.clock.sleepUntil(start + Ms(k * kSliceMs));
        if (state.stop[pulse.axis].isSet())
            return;
    }
    state.clock.sleepUntil(start + Ms(pulse.lengthMs));
}

bool PulseGuider::IsPulseGuiding() const
{
    return !(m_state->idle[0].isSet() && m_state->idle[1].isSet());
}

bool PulseGuider::stopRequested(int axis) const
{
    return axis >= 0 && axis < kAxes && m_state->stop[axis].isSet();
}

bool PulseGuider::waitUntilIdle(std::chrono::milliseconds limit) const
{
    auto giveUp = std::chrono::steady_clock::now() + limit;
    for (const ManualResetEvent& idle : m_state->idle) {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - std::chrono::steady_clock::now());
        if (!idle.waitFor(std::max(left, std::chrono::milliseconds(0))))
            return false;
    }
    return true;
}

void PulseGuider::releaseBothAxes()
{
    releaseAxis(1);
    releaseAxis(0);
}

void PulseGuider::changeDirectionWords(const DirectionWords& words)
{
    releaseBothAxes();
    {
        std::lock_guard lock(m_state->mutex);
        m_state->words = words;
        m_state->release = releaseWordsOf(words);
    }
    releaseBothAxes();
}

bool PulseGuider::holdDirection(int direction)
{
    if (direction < 0 || direction >= kDirections)
        return false;
    return m_state->apply(m_state->directionWord(direction));
}

bool PulseGuider::releaseAxis(int axis)
{
    if (axis < 0 || axis >= kAxes)
        return false;
    return m_state->apply(m_state->releaseWord(axis));
}

} // namespace velmora::server
