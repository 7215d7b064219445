// The long-exposure thread against a pulse clock moved by hand: step timing, the
// exposure time in slices, aborts and a camera that stops delivering frames.
#include "server/camera/exposure_thread.h"

#include "server/common/fake_pulse_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace velmora::server {
namespace {

using namespace std::chrono_literals;

struct LineWrite {
    PulseClock::TimePoint time;
    std::uint16_t word;
};

class ExposureThreadTest : public ::testing::Test {
protected:
    ExposureThread::Hooks hooks()
    {
        ExposureThread::Hooks h;
        h.setLines = [this](std::uint16_t word) {
            std::lock_guard lock(m_mutex);
            m_writes.push_back({clock.now(), word});
        };
        h.sequenceEnded = [this] { ++ended; };
        h.framesStopped = [this] { ++stopped; };
        return h;
    }
    std::vector<LineWrite> writes()
    {
        std::lock_guard lock(m_mutex);
        return m_writes;
    }
    std::vector<std::uint16_t> words()
    {
        std::vector<std::uint16_t> result;
        for (const LineWrite& w : writes())
            result.push_back(w.word);
        return result;
    }
    // Answers the thread's next frame wait: once it has begun, a frame arrives (only a
    // wait begun before the frame can take it).
    bool frameForNextWait()
    {
        if (!clock.waitForWaitsBegun(++m_waitsAnswered))
            return false;
        thread.frameArrived();
        return true;
    }
    // Lets the thread's next frame wait run out: once it has begun, the clock moves to
    // its deadline.
    bool noFrameForNextWait()
    {
        return clock.waitForWaitsBegun(++m_waitsAnswered) && clock.advanceToNextDeadline();
    }
    // The frame the thread waits for in step 1 of the default sequences, until it
    // sleeps its 20 ms.
    bool frameForStepOne() { return frameForNextWait() && clock.waitForSleepers(1); }

    FakePulseClock clock{FakePulseClock::Mode::Manual};
    ExposureThread thread{clock};
    std::atomic<int> ended{0};
    std::atomic<int> stopped{0};
    const std::chrono::milliseconds frameWait{2000};

private:
    std::mutex m_mutex;
    std::vector<LineWrite> m_writes;
    std::size_t m_waitsAnswered = 0;
};

TEST_F(ExposureThreadTest, StepsThenTheExposureTimeInSlicesThenTheRest)
{
    const PulseClock::TimePoint start = clock.now();
    thread.start(ExposureSequence::defaults(0), 1050, frameWait, hooks());
    EXPECT_TRUE(thread.sequenceRunning());
    // Step 1 waits for a frame: nothing sleeps and the lines stay at rest until one comes.
    ASSERT_TRUE(clock.waitForWaitsBegun(1));
    EXPECT_EQ(clock.sleepers(), 0u);
    EXPECT_EQ(words(), (std::vector<std::uint16_t>{0xF00F}));
    ASSERT_TRUE(frameForStepOne());
    ASSERT_TRUE(clock.advanceToNextDeadline());
    EXPECT_EQ(clock.now(), start + 20ms);
    for (int slice = 1; slice <= 10; ++slice) {
        ASSERT_TRUE(clock.advanceToNextDeadline());
        EXPECT_EQ(clock.now(), start + 20ms + slice * 100ms);
    }
    ASSERT_TRUE(clock.advanceToNextDeadline());
    EXPECT_EQ(clock.now(), start + 20ms + 1050ms);
    thread.waitFinished();

    EXPECT_EQ(words(), (std::vector<std::uint16_t>{0xF00F, 0xF400, 0xFF00, 0xFF00, 0xFF00, 0xF00F}));
    const auto w = writes();
    EXPECT_EQ(w[1].time, start + 20ms);
    EXPECT_EQ(w[2].time, start + 20ms);
    EXPECT_EQ(w[5].time, start + 20ms + 1050ms);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(stopped, 0);
    EXPECT_FALSE(thread.sequenceRunning());
}

TEST_F(ExposureThreadTest, AnAbortInTheExposureTimeIsNoticedWithinASliceAndWaitsTwoFrames)
{
    thread.start(ExposureSequence::defaults(1), 5000, frameWait, hooks());
    ASSERT_TRUE(frameForStepOne());
    ASSERT_TRUE(clock.advanceToNextDeadline()); // the 20 ms delay
    ASSERT_TRUE(clock.advanceToNextDeadline()); // one slice
    ASSERT_TRUE(clock.waitForSleepers(1));      // asleep in the second
    clock.advance(30ms);
    const PulseClock::TimePoint abortedAt = clock.now();
    thread.abort();
    ASSERT_TRUE(clock.advanceToNextDeadline());
    EXPECT_LE(clock.now() - abortedAt, 100ms);
    // The rest word is out before the abort path waits for its first frame.
    ASSERT_TRUE(frameForNextWait());
    const auto w = writes();
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w.back().word, 0xF00F) << "the rest word";
    EXPECT_EQ(w.back().time, clock.now());
    // Still running until the second frame came.
    EXPECT_FALSE(thread.waitForSequenceEnd(0ms));
    ASSERT_TRUE(frameForNextWait());
    thread.waitFinished();
    EXPECT_EQ(clock.waitsBegun(), 3u) << "the frame of step 1 and two after the abort";
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(stopped, 0);
}

TEST_F(ExposureThreadTest, WithoutFrameWaitsAnAbortTakesEffectInTheFirstSlice)
{
    ExposureSequence noWaits = ExposureSequence::defaults(0);
    noWaits.waitFrame = {0, 0, 0, 0, 0, 0};
    thread.abort();
    thread.start(noWaits, 700, 100ms, hooks()); // the start clears an earlier abort
    ASSERT_TRUE(clock.advanceToNextDeadline()); // step 1's delay
    ASSERT_TRUE(clock.waitForSleepers(1));
    thread.abort();
    const PulseClock::TimePoint abortedAt = clock.now();
    ASSERT_TRUE(clock.advanceToNextDeadline());
    EXPECT_EQ(clock.now(), abortedAt + 100ms);
    ASSERT_TRUE(frameForNextWait());
    ASSERT_TRUE(frameForNextWait());
    thread.waitFinished();
    EXPECT_EQ(words(), (std::vector<std::uint16_t>{0xF00F, 0xF400, 0xFF00, 0xF00F}));
    EXPECT_EQ(ended, 0);
}

TEST_F(ExposureThreadTest, RowsWithoutWaitNeverNoticeAnAbort)
{
    ExposureSequence late = ExposureSequence::defaults(0);
    late.waitFrame = {0, 0, 0, 0, 0, 0};
    late.delayMs = {0, 0, 0, 0, 40, 0};
    thread.start(late, 250, frameWait, hooks());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(clock.advanceToNextDeadline()); // 100, 100, 50 ms
    ASSERT_TRUE(clock.waitForSleepers(1));          // in step 4's delay
    thread.abort();
    ASSERT_TRUE(clock.advanceToNextDeadline());
    thread.waitFinished();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(words().size(), 6u);
}

TEST_F(ExposureThreadTest, ACameraThatStopsDeliveringEndsTheSequenceAsAnAbortWould)
{
    // No frame for step 1.
    thread.start(ExposureSequence::defaults(0), 400, 60ms, hooks());
    const PulseClock::TimePoint start = clock.now();
    ASSERT_TRUE(noFrameForNextWait());
    EXPECT_EQ(clock.now(), start + 60ms) << "the frame wait's bound, on the thread's clock";
    thread.waitFinished();
    EXPECT_EQ(words(), (std::vector<std::uint16_t>{0xF00F, 0xF00F}));
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(ended, 0);

    // Frames stop during the exposure time: the abort waits for no more than one frame wait.
    thread.start(ExposureSequence::defaults(0), 400, 60ms, hooks());
    ASSERT_TRUE(frameForStepOne());
    ASSERT_TRUE(clock.advanceToNextDeadline());
    thread.abort();
    ASSERT_TRUE(clock.advanceToNextDeadline());
    ASSERT_TRUE(noFrameForNextWait()) << "the abort waits for a frame that never comes";
    thread.waitFinished();
    EXPECT_EQ(clock.waitsBegun(), 3u) << "no second frame is waited for once frames stopped";
    EXPECT_EQ(stopped, 2);
    EXPECT_EQ(words().back(), 0xF00F);
}

} // namespace
} // namespace velmora::server
