#include "server/camera/exposure_thread.h"

#include <cstdio>

namespace velmora::server {

ExposureThread::~ExposureThread()
{
    abort();
    waitFinished();
}

bool ExposureThread::start(const ExposureSequence& sequence, std::int32_t exposureMs,
                           std::chrono::milliseconds frameWait, Hooks hooks)
{
    waitFinished();
    const bool aborted = m_abort.isSet();
    m_abort.reset();
    m_finished.reset();
    try {
        m_thread = std::thread(&ExposureThread::run, this, sequence, exposureMs, frameWait, std::move(hooks));
    } catch (...) {
        // No thread (the system is out of them, or of memory): nothing ran.
        if (aborted)
            m_abort.set();
        m_finished.set();
        return false;
    }
    return true;
}

void ExposureThread::waitFinished()
{
    m_finished.wait();
    if (m_thread.joinable())
        m_thread.join();
}

void ExposureThread::run(ExposureSequence sequence, std::int32_t exposureMs,
                         std::chrono::milliseconds frameWait, Hooks hooks)
{
    try {
        finish(runSteps(sequence, exposureMs, frameWait, hooks), sequence, frameWait, hooks);
        return;
    } catch (...) {
        // A hook that threw (out of memory in the port layer, say) must not end the
        // server: the lines go back to rest and the camera to idle, as when frames stop.
        std::fprintf(stderr, "exposure thread: the sequence failed; the camera goes back to idle\n");
    }
    try {
        hooks.setLines(sequence.restWord());
        hooks.framesStopped();
    } catch (...) {
    }
    m_finished.set();
}

ExposureThread::Outcome ExposureThread::runSteps(const ExposureSequence& sequence, std::int32_t exposureMs,
                                                 std::chrono::milliseconds frameWait, const Hooks& hooks)
{
    Outcome outcome = Outcome::Continue;
    for (int i = 0; i < ExposureSequence::kStepsBeforeExposure && outcome == Outcome::Continue; ++i)
        outcome = step(sequence, i, frameWait, hooks);
    if (outcome == Outcome::Continue)
        outcome = exposureTime(exposureMs);
    for (int i = ExposureSequence::kStepsBeforeExposure;
         i < ExposureSequence::kSteps && outcome == Outcome::Continue; ++i)
        outcome = step(sequence, i, frameWait, hooks);
    return outcome;
}

ExposureThread::Outcome ExposureThread::step(const ExposureSequence& sequence, int index,
                                             std::chrono::milliseconds frameWait, const Hooks& hooks)
{
    if (sequence.waitsForFrame(index)) {
        if (!m_frames.waitForNext(frameWait))
            return Outcome::FramesStopped;
        if (m_abort.isSet())
            return Outcome::Aborted;
    }
    sleepFor(std::chrono::milliseconds(sequence.delayMs[index]));
    hooks.setLines(sequence.lines[index]);
    return Outcome::Continue;
}

ExposureThread::Outcome ExposureThread::exposureTime(std::int32_t exposureMs)
{
    // Absolute deadlines: a late wake-up does not lengthen the exposure.
    PulseClock::TimePoint deadline = m_clock.now();
    for (std::int32_t slice = 0; slice < exposureMs / kSlice.count(); ++slice) {
        deadline += kSlice;
        m_clock.sleepUntil(deadline);
        if (m_abort.isSet())
            return Outcome::Aborted;
    }
    const std::int32_t rest = exposureMs % kSlice.count();
    if (rest > 0)
        m_clock.sleepUntil(deadline + std::chrono::milliseconds(rest));
    return Outcome::Continue;
}

void ExposureThread::sleepFor(std::chrono::milliseconds delay)
{
    if (delay.count() > 0)
        m_clock.sleepUntil(m_clock.now() + delay);
}

void ExposureThread::finish(Outcome outcome, const ExposureSequence& sequence,
                            std::chrono::milliseconds frameWait, const Hooks& hooks)
{
    if (outcome == Outcome::Continue) {
        hooks.sequenceEnded();
    } else {
        hooks.setLines(sequence.restWord());
        // Two more frames let the sensor settle; there is no point waiting for them
        // once the camera has stopped delivering.
        for (int i = 0; i < kFramesAfterAbort && outcome == Outcome::Aborted; ++i) {
            if (!m_frames.waitForNext(frameWait))
                outcome = Outcome::FramesStopped;
        }
        if (outcome == Outcome::FramesStopped)
            hooks.framesStopped();
    }
    m_finished.set();
}

} // namespace velmora::server
