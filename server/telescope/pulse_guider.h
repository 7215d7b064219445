#pragma once
// The telescope's pulse engine: timed closures of guide lines, one independent pulse
// channel per axis (axis 0 declination: North 0, South 1; axis 1 right ascension:
// East 2, West 3).
//
// Each accepted pulse runs on a short-lived worker thread of its own, at most one per
// axis. The worker applies the direction's LineWord, holds it for the pulse length in
// 100 ms slices against absolute deadlines (a stop takes effect at the next slice end;
// sleep overshoot never accumulates), then applies the axis's release word. An axis
// that reverses gets the backlash allowance added, the first pulse after creation too.
//
// The state the workers use lives in a shared block that each worker keeps alive, so a
// worker that is just returning never touches a destroyed object.

#include "server/common/pulse_clock.h"
#include "server/frame/driver_error.h"
#include "server/ports/port_channel.h"
#include "server/ports/port_registry.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

namespace velmora::server {

class PulseGuider {
public:
    static constexpr int kAxes = 2;
    static constexpr int kDirections = 4;
    static constexpr std::int64_t kSliceMs = 100;
    // The longest pulse PulseGuide takes: a guide correction is a fraction of a
    // second, and a minute of closed lines is already a slew.
    static constexpr std::int32_t kMaxDurationMs = 60000;
    // North, South, East, West.
    using DirectionWords = std::array<std::uint16_t, kDirections>;
    using ReleaseWords = std::array<std::uint16_t, kAxes>;
    using Backlash = std::array<std::int32_t, kAxes>;

    static constexpr DirectionWords kDefaultDirectionWords{0x7F80, 0xBF40, 0xDF20, 0xEF10};

    // Every line both directions of an axis hold, with the others driven to 0.
    static ReleaseWords releaseWordsOf(const DirectionWords& words);

    // `ports` and `clock` are borrowed and must outlive every pulse.
    PulseGuider(PortRegistry& ports, PulseClock& clock);
    ~PulseGuider();
    PulseGuider(const PulseGuider&) = delete;
    PulseGuider& operator=(const PulseGuider&) = delete;

    // Stored settings, taken as they are (no line changes): words, polarity, backlash.
    void configure(const DirectionWords& words, bool invert, const Backlash& backlashMs);
    DirectionWords directionWords() const;
    ReleaseWords releaseWords() const;
    bool invert() const;
    void setInvert(bool invert);
    Backlash backlash() const;
    // Axis 0 "Ver Backlash", axis 1 "Hor Backlash"; other axes are ignored.
    void setBacklash(int axis, std::int32_t ms);

    // The open port the pulses go to; none while disconnected.
    void attach(PortChannel* channel);
    PortChannel* channel() const;
    // Stop and drain: cuts both axes' pulses short, waits until both are idle, releases
    // both axes, and hands the port back (none when there was none).
    PortChannel* stopAndDetach();

    // "Invalid Duration" for a duration below 0 or above kMaxDurationMs; 0 does nothing.
    DriverError PulseGuide(int direction, std::int32_t durationMs);
    bool IsPulseGuiding() const;
    // The axis's stop signal is set: its running pulse ends at the next slice end.
    bool stopRequested(int axis) const;
    // True once neither axis pulses, waiting at most `limit`.
    bool waitUntilIdle(std::chrono::milliseconds limit) const;

    // releaseWord[1], then releaseWord[0], with the invert flag.
    void releaseBothAxes();
    // Releases with the old words, stores the new ones and their release words, then
    // releases with the new words.
    void changeDirectionWords(const DirectionWords& words);
    // Manual guiding from the setup dialog: the direction's word, or an axis's release
    // word, applied at once and without timing. False for a bad index or a failed write.
    bool holdDirection(int direction);
    bool releaseAxis(int axis);

private:
    struct State;
    struct Pulse;
    static void runWorker(std::shared_ptr<State> state);
    static void holdLines(State& state, const Pulse& pulse, PulseClock::TimePoint start);
    DriverError startWorker(int axis, int sense, std::int64_t lengthMs);

    std::shared_ptr<State> m_state;
    // Serialises PulseGuide and detaching: the pulse parameters are a single set, and
    // they belong to one call until its worker has taken them.
    std::mutex m_pulseGuideMutex;
};

} // namespace velmora::server
