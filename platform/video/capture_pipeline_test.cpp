#include "platform/video/capture_pipeline.h"

#include "platform/video/fake_v4l2_io.h"
#include "platform/video/v4l2_capture_backend.h"
#include "testing/eventually.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

namespace velmora::platform {
namespace {

using namespace std::chrono_literals;

// A source that produces frames as fast as they are taken, or fails on request.
class ScriptedSource : public CaptureSource {
public:
    explicit ScriptedSource(VideoFormat format) : m_format(format), m_pixels(3 * 4 * 4, 0x40) {}

    VideoFormat format() const override { return m_format; }
    std::vector<FrameSizeOption> formatOptions() const override
    {
        return {{m_format.width, m_format.height, {}, "BGR24"}};
    }
    bool setFormat(const VideoFormat& wanted) override
    {
        ++formatsSet;
        m_format = wanted;
        return true;
    }
    std::vector<VideoControl> controls() const override
    {
        VideoControl gainControl;
        gainControl.id = 7;
        gainControl.name = "Gain";
        return {gainControl};
    }
    std::optional<std::int32_t> controlValue(std::uint32_t id) const override
    {
        return id == 7 ? std::optional<std::int32_t>(gain) : std::nullopt;
    }
    bool setControl(std::uint32_t id, std::int32_t value) override
    {
        if (id != 7)
            return false;
        gain = value;
        return true;
    }
    bool startStreaming() override { return ++starts, startWorks; }
    FrameResult deliverNext(FrameSink& sink, std::stop_token stop) override
    {
        if (stop.stop_requested())
            return FrameResult::Stopped;
        if (failNow)
            return FrameResult::Failed;
        sink.deliverFrame({m_pixels.data(), 4, 4, 12, m_sequence++});
        return FrameResult::Delivered;
    }
    void stopStreaming() override { ++stops; }
    void releaseBuffers() override { ++releases; }

    std::atomic<bool> failNow{false};
    bool startWorks = true;
    int starts = 0;
    int stops = 0;
    int releases = 0;
    int formatsSet = 0;
    std::int32_t gain = 0;

private:
    VideoFormat m_format;
    std::vector<std::uint8_t> m_pixels;
    std::uint64_t m_sequence = 0;
};

using Devices = std::vector<CaptureDeviceInfo>;

class ScriptedBackend : public CaptureBackend {
public:
    explicit ScriptedBackend(std::vector<CaptureDeviceInfo> devices) : m_devices(std::move(devices)) {}
    std::vector<CaptureDeviceInfo> enumerate() override { return m_devices; }
    std::unique_ptr<CaptureSource> open(const CaptureDeviceInfo& device,
                                        const VideoFormat& requested) override
    {
        if (device.id == "broken")
            return nullptr;
        auto source =
            std::make_unique<ScriptedSource>(VideoFormat{requested.width, -requested.height, 333'333});
        last = source.get();
        return source;
    }
    ScriptedSource* last = nullptr;

private:
    std::vector<CaptureDeviceInfo> m_devices;
};

// Counts frames, checks they never overlap and come in order, and can hold the streaming thread.
class CheckingSink : public FrameSink {
public:
    void deliverFrame(const VideoFrame& frame) override
    {
        if (inside.exchange(true))
            overlapped = true;
        if (count > 0 && frame.sequence != lastSequence + 1)
            outOfOrder = true;
        lastSequence = frame.sequence;
        ++count;
        std::unique_lock lock(mutex);
        changed.notify_all();
        changed.wait(lock, [this] { return !hold; });
        inside = false;
    }
    bool waitFor(int frames, std::chrono::milliseconds limit = 5s)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, [&] { return count.load() >= frames; });
    }
    void release()
    {
        std::lock_guard lock(mutex);
        hold = false;
        changed.notify_all();
    }

    std::atomic<int> count{0};
    std::atomic<bool> inside{false};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> outOfOrder{false};
    std::uint64_t lastSequence = 0;
    bool hold = false;
    std::mutex mutex;
    std::condition_variable changed;
};

TEST(CapturePipelineDevices, ListsBackendsInOrderAndConnectsByDevice)
{
    ScriptedBackend cameras(Devices{{"Cam A", "a"}, {"Cam B", "broken"}});
    ScriptedBackend simulator(Devices{{"Sky Simulator", "sky"}});
    CheckingSink sink;
    CapturePipeline pipeline({&cameras, &simulator}, sink);
    EXPECT_TRUE(pipeline.devices().empty());
    pipeline.enumerateDevices();
    EXPECT_EQ(pipeline.deviceNames(), (std::vector<std::string>{"Cam A", "Cam B", "Sky Simulator"}));
    EXPECT_EQ(pipeline.devices()[2].backend, &simulator);

    EXPECT_FALSE(pipeline.connect(pipeline.devices()[1], {640, 480, 2'000'000}));
    EXPECT_FALSE(pipeline.connected());
    EXPECT_EQ(pipeline.readFormat(), VideoFormat{});
    EXPECT_FALSE(pipeline.run());
    ASSERT_TRUE(pipeline.connect(pipeline.devices()[2], {640, 480, 2'000'000}));
    EXPECT_FALSE(pipeline.connect(pipeline.devices()[0], {640, 480, 2'000'000}));
    EXPECT_EQ(pipeline.connectedDevice(), pipeline.devices()[2]);
    // A device reporting a top-down (negative) height reads back positive.
    EXPECT_EQ(pipeline.readFormat(), (VideoFormat{640, 480, 333'333}));
    pipeline.disconnect();
    EXPECT_FALSE(pipeline.connected());
    EXPECT_FALSE(pipeline.connectedDevice());
}

TEST(CapturePipelineStreaming, DeliversFramesOneAtATimeUntilStopped)
{
    ScriptedBackend cameras(Devices{{"Cam A", "a"}});
    CheckingSink sink;
    CapturePipeline pipeline({&cameras}, sink);
    ASSERT_TRUE(pipeline.connect(pipeline.enumerateDevices()[0], {640, 480, 2'000'000}));
    ASSERT_TRUE(pipeline.run());
    EXPECT_EQ(pipeline.streamState(), CapturePipeline::StreamState::Running);
    ASSERT_TRUE(sink.waitFor(50));
    EXPECT_TRUE(pipeline.run());  // already running
    ASSERT_TRUE(pipeline.stop()); // the streaming thread has ended: no frame comes after
    const int afterStop = sink.count;
    EXPECT_FALSE(sink.waitFor(afterStop + 1, 0ms));
    EXPECT_FALSE(sink.overlapped);
    EXPECT_FALSE(sink.outOfOrder);
    EXPECT_GE(pipeline.framesDelivered(), 50u);
    EXPECT_EQ(cameras.last->stops, 1);
    EXPECT_EQ(pipeline.streamState(), CapturePipeline::StreamState::Stopped);

    // Format page: refused while streaming, applied when stopped and torn down.
    ASSERT_TRUE(pipeline.run());
    EXPECT_FALSE(pipeline.applyFormat({320, 240, 1'000'000}));
    ASSERT_TRUE(pipeline.stop());
    pipeline.tearDown();
    EXPECT_EQ(cameras.last->releases, 1);
    ASSERT_TRUE(pipeline.applyFormat({320, 240, 1'000'000}));
    EXPECT_EQ(pipeline.readFormat(), (VideoFormat{320, 240, 1'000'000}));
    EXPECT_EQ(pipeline.formatOptions().size(), 1u);
    ASSERT_TRUE(pipeline.run());
    // Source page while streaming.
    EXPECT_EQ(pipeline.controls().size(), 1u);
    EXPECT_TRUE(pipeline.setControl(7, 12));
    EXPECT_EQ(pipeline.controlValue(7), 12);
    EXPECT_FALSE(pipeline.setControl(8, 1));
}

TEST(CapturePipelineStreaming, ADeviceThatFailsEndsTheStreamAndStopStillWorks)
{
    ScriptedBackend cameras(Devices{{"Cam A", "a"}});
    CheckingSink sink;
    CapturePipeline pipeline({&cameras}, sink);
    ASSERT_TRUE(pipeline.connect(pipeline.enumerateDevices()[0], {640, 480, 2'000'000}));
    cameras.last->startWorks = false;
    EXPECT_FALSE(pipeline.run());
    cameras.last->startWorks = true;
    ASSERT_TRUE(pipeline.run());
    ASSERT_TRUE(sink.waitFor(3));
    cameras.last->failNow = true;
    EXPECT_TRUE(velmora::testing::eventually(
        [&] { return pipeline.streamState() == CapturePipeline::StreamState::Failed; }));
    EXPECT_FALSE(pipeline.run());
    EXPECT_TRUE(pipeline.stop());
    cameras.last->failNow = false;
    EXPECT_TRUE(pipeline.run());
}

// A sink that throws (out of memory converting a frame) ends the stream as a failing
// device would, and the process goes on.
TEST(CapturePipelineStreaming, ASinkThatThrowsEndsTheStreamInsteadOfTheProcess)
{
    class ThrowingSink : public FrameSink {
    public:
        void deliverFrame(const VideoFrame&) override { throw std::bad_alloc(); }
    };
    ScriptedBackend cameras(Devices{{"Cam A", "a"}});
    ThrowingSink sink;
    CapturePipeline pipeline({&cameras}, sink);
    ASSERT_TRUE(pipeline.connect(pipeline.enumerateDevices()[0], {640, 480, 2'000'000}));
    pipeline.run(); // may already see the stream fail with its first frame
    EXPECT_TRUE(velmora::testing::eventually(
        [&] { return pipeline.streamState() == CapturePipeline::StreamState::Failed; }));
    EXPECT_TRUE(pipeline.stop());
}

TEST(CapturePipelineStreaming, StopGivesUpOnAStuckSinkWithinItsPolls)
{
    ScriptedBackend cameras(Devices{{"Cam A", "a"}});
    CheckingSink sink;
    sink.hold = true;
    CapturePipeline pipeline({&cameras}, sink, 2);
    ASSERT_TRUE(pipeline.connect(pipeline.enumerateDevices()[0], {640, 480, 2'000'000}));
    ASSERT_TRUE(pipeline.run());
    ASSERT_TRUE(sink.waitFor(1));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(pipeline.stop());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    pipeline.disconnect(); // cannot go while the sink holds the thread
    EXPECT_TRUE(pipeline.connected());
    sink.release();
    EXPECT_TRUE(pipeline.stop());
    pipeline.disconnect();
    EXPECT_FALSE(pipeline.connected());
}

TEST(CapturePipelineV4l2, StreamsAFakeDeviceEndToEnd)
{
    auto io = std::make_unique<testing::FakeV4l2Io>();
    testing::FakeV4l2Device& d = io->add("/dev/video0");
    d.sizes = {testing::discreteSize(641, 480)};
    d.rowPadding = 1;
    testing::FakeV4l2Io* fake = io.get();
    V4l2CaptureBackend backend(std::move(io));
    CheckingSink sink;
    CapturePipeline pipeline({&backend}, sink);
    ASSERT_EQ(pipeline.enumerateDevices().size(), 1u);
    ASSERT_TRUE(pipeline.connect(pipeline.devices()[0], {640, 480, 2'000'000}));
    EXPECT_EQ(pipeline.readFormat().width, 641);
    ASSERT_TRUE(pipeline.run());
    ASSERT_TRUE(sink.waitFor(10));
    ASSERT_TRUE(pipeline.stop());
    pipeline.disconnect();
    EXPECT_FALSE(d.streaming);
    EXPECT_EQ(d.unmapped, d.mapped);
    EXPECT_EQ(fake->openDescriptors(), 0);
    EXPECT_FALSE(sink.outOfOrder);
}

} // namespace
} // namespace velmora::platform
