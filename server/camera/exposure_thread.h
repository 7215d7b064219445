#pragma once
// The worker thread of one long exposure: runs the selected exposure bit sequence
// around the exposure time (steps 0..2, the time in 100 ms slices, steps 3..5), waiting
// for video frames where the sequence says so, and ends by handing the camera over to
// the collection of the next five frames.
//
// Events: abort (set by AbortExposure, cleared at each start), sequence finished (clear
// exactly while the thread runs) and frame arrived (pulsed by the frame callback while
// the sequence runs). Frame waits are bounded: a frame that does not come within the
// frame wait limit ends the sequence as an abort would, and the camera goes back to
// idle without an image, so that a camera that stopped delivering frames neither
// stalls the thread nor the AbortExposure waiting for it. The frame waits are measured
// on the same clock as the step timing.

#include "server/common/frame_signal.h"
#include "server/common/manual_reset_event.h"
#include "server/common/pulse_clock.h"
#include "server/frame/exposure_sequence.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

namespace velmora::server {

class ExposureThread {
public:
    static constexpr std::chrono::milliseconds kSlice{100};
    // Frames the abort path waits for before the sequence counts as finished.
    static constexpr int kFramesAfterAbort = 2;

    struct Hooks {
        // Applies a LineWord to the exposure port; failures are ignored.
        std::function<void(std::uint16_t)> setLines;
        // The sequence ran to its end (takes the camera lock: state 1).
        std::function<void()> sequenceEnded;
        // No frame came within the limit (takes the camera lock: idle, no image).
        std::function<void()> framesStopped;
    };

    // `clock` is borrowed; the thread sleeps and waits for frames against it.
    explicit ExposureThread(PulseClock& clock) : m_clock(clock), m_frames(clock) {}
    ~ExposureThread();
    ExposureThread(const ExposureThread&) = delete;
    ExposureThread& operator=(const ExposureThread&) = delete;

    // Clears the abort and sequence-finished events and starts the thread (a previous
    // one must have finished). False, with nothing run and the events as before the
    // call, when no thread can be had.
    bool start(const ExposureSequence& sequence, std::int32_t exposureMs, std::chrono::milliseconds frameWait,
               Hooks hooks);
    bool sequenceRunning() const { return !m_finished.isSet(); }
    // Called by the frame callback for every frame while the sequence runs.
    void frameArrived() { m_frames.pulse(); }
    void abort() { m_abort.set(); }
    // True once an abort has been asked for, waiting at most `limit`.
    bool waitForAbortRequest(std::chrono::milliseconds limit) const { return m_abort.waitFor(limit); }
    // True once the sequence has finished, waiting at most `limit`.
    bool waitForSequenceEnd(std::chrono::milliseconds limit) const { return m_finished.waitFor(limit); }
    // Waits for the sequence-finished event, then for the thread to end.
    void waitFinished();

    const FrameSignal& frames() const { return m_frames; }

private:
    enum class Outcome { Continue, Aborted, FramesStopped };

    void run(ExposureSequence sequence, std::int32_t exposureMs, std::chrono::milliseconds frameWait,
             Hooks hooks);
    Outcome runSteps(const ExposureSequence& sequence, std::int32_t exposureMs,
                     std::chrono::milliseconds frameWait, const Hooks& hooks);
    Outcome step(const ExposureSequence& sequence, int index, std::chrono::milliseconds frameWait,
                 const Hooks& hooks);
    Outcome exposureTime(std::int32_t exposureMs);
    void sleepFor(std::chrono::milliseconds delay);
    void finish(Outcome outcome, const ExposureSequence& sequence, std::chrono::milliseconds frameWait,
                const Hooks& hooks);

    PulseClock& m_clock;
    ManualResetEvent m_abort{false};
    ManualResetEvent m_finished{true};
    FrameSignal m_frames;
    std::thread m_thread;
};

} // namespace velmora::server
