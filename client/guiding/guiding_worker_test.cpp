#include "client/guiding/guiding_worker.h"

#include "client/devices/driver_binding.h"
#include "client/devices/fake_telescope.h"
#include "testing/null_binding_window.h"
#include "client/shell/memory_settings_store.h"
#include "platform/automation/apartment.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>

namespace velmora::client {
namespace {

using fakes::FakeTelescopeScript;

// Holds the first pulse inside the driver until released.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    bool entered = false;
    bool open = false;

    void pass()
    {
        std::unique_lock guard(lock);
        entered = true;
        changed.notify_all();
        changed.wait(guard, [this] { return open; });
    }
    void waitEntered()
    {
        std::unique_lock guard(lock);
        changed.wait(guard, [this] { return entered; });
    }
    void release()
    {
        std::lock_guard guard(lock);
        open = true;
        changed.notify_all();
    }
};

class GuidingWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        m_class = fakes::registerFakeTelescope("Fake.WorkerTelescope", &telescope);
        settings.writeString("Drivers", "Camera", "Missing.Camera");
        settings.writeString("Drivers", "Focuser", "Missing.Focuser");
        settings.writeString("Drivers", "Telescope", "Fake.WorkerTelescope");
        binding.bindAtStartup(settings);
    }
    void TearDown() override
    {
        MemorySettingsStore ignored;
        binding.unbindAtShutdown(ignored);
        m_class.reset();
        CoUninitialize();
    }
    GuidingWorker::TelescopeSource source()
    {
        return [this] { return binding.sharedDriver(DriverKind::Telescope); };
    }

    FakeTelescopeScript telescope;
    std::unique_ptr<automation::InProcessClass> m_class;
    MemorySettingsStore settings;
    NullBindingWindow window;
    DriverBinding binding{window};
};

TEST_F(GuidingWorkerTest, PulsesReachTheDriverInPostingOrderFromTheWorkerThread)
{
    GuidingWorker worker(source());
    worker.post({GuideDirection::West, 100});
    worker.post({GuideDirection::North, 0});
    worker.post({GuideDirection::East, 1800});
    worker.post({GuideDirection::South, -5});
    ASSERT_TRUE(worker.waitUntilIdle(std::chrono::seconds(5)));
    const std::vector<fakes::PulseCall> calls = telescope.pulses();
    ASSERT_EQ(calls.size(), 4u);
    const int expected[][2] = {{3, 100}, {0, 0}, {2, 1800}, {1, 0}};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].direction, expected[i][0]) << i;
        EXPECT_EQ(calls[i].durationMs, expected[i][1]) << i << ": a zero-length pulse is still sent";
        EXPECT_EQ(calls[i].directionType, VT_I4);
        EXPECT_EQ(calls[i].durationType, VT_I4);
        EXPECT_NE(calls[i].thread, std::this_thread::get_id());
    }
    EXPECT_EQ(worker.pulsesSent(), 4u);
}

TEST_F(GuidingWorkerTest, NoPulseStartsBeforeThePreviousCallReturned)
{
    Gate gate;
    telescope.onPulse = [&gate](const fakes::PulseCall& call) {
        if (call.durationMs == 1)
            gate.pass();
    };
    GuidingWorker worker(source());
    worker.post({GuideDirection::East, 1});
    gate.waitEntered();
    worker.post({GuideDirection::North, 2});
    worker.post({GuideDirection::South, 3});
    EXPECT_FALSE(worker.waitUntilIdle(std::chrono::milliseconds(50)));
    EXPECT_EQ(telescope.pulses().size(), 1u) << "the later pulses queue up";
    gate.release();
    ASSERT_TRUE(worker.waitUntilIdle(std::chrono::seconds(5)));
    const std::vector<fakes::PulseCall> calls = telescope.pulses();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].durationMs, 2);
    EXPECT_EQ(calls[2].durationMs, 3);
    EXPECT_EQ(telescope.mostConcurrentCalls, 1);
}

TEST_F(GuidingWorkerTest, PulsesAreDroppedOnceTheTelescopeIsNoLongerBound)
{
    GuidingWorker worker(source());
    worker.post({GuideDirection::West, 10});
    ASSERT_TRUE(worker.waitUntilIdle(std::chrono::seconds(5)));
    MemorySettingsStore saved;
    binding.unbindAtShutdown(saved);
    worker.post({GuideDirection::West, 20});
    ASSERT_TRUE(worker.waitUntilIdle(std::chrono::seconds(5)));
    EXPECT_EQ(telescope.pulses().size(), 1u);
    EXPECT_EQ(worker.pulsesSent(), 1u);
    EXPECT_EQ(worker.pulsesDropped(), 1u);
    GuidingWorker unbound(nullptr);
    unbound.post({GuideDirection::East, 1});
    ASSERT_TRUE(unbound.waitUntilIdle(std::chrono::seconds(5)));
    EXPECT_EQ(unbound.pulsesDropped(), 1u);
}

TEST_F(GuidingWorkerTest, DestroyingTheWorkerEndsAndJoinsItsThread)
{
    {
        GuidingWorker worker(source());
        for (int i = 0; i < 50; ++i)
            worker.post({GuideDirection::North, i});
    }
    // Everything posted before the end still went, in order.
    const std::vector<fakes::PulseCall> calls = telescope.pulses();
    ASSERT_EQ(calls.size(), 50u);
    for (std::size_t i = 0; i < calls.size(); ++i)
        EXPECT_EQ(calls[i].durationMs, static_cast<int>(i));
}

} // namespace
} // namespace velmora::client
