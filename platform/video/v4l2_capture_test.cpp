#include "platform/video/v4l2_capture_backend.h"
#include "platform/video/v4l2_capture_source.h"

#include "platform/video/fake_v4l2_io.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

namespace velmora::platform {
namespace {

using testing::discreteInterval;
using testing::discreteSize;
using testing::FakeV4l2Device;
using testing::FakeV4l2Io;

// Pixel (x, y) of frame n: blue = x, green = y, red = n, all modulo 256; padding bytes 0xEE.
void fillPattern(std::uint8_t* data, const v4l2_pix_format& f, std::uint64_t n)
{
    std::memset(data, 0xEE, f.sizeimage);
    for (std::uint32_t y = 0; y < f.height; ++y) {
        std::uint8_t* row = data + std::size_t{y} * f.bytesperline;
        for (std::uint32_t x = 0; x < f.width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x);
            row[3 * x + 1] = static_cast<std::uint8_t>(y);
            row[3 * x + 2] = static_cast<std::uint8_t>(n);
        }
    }
}

FakeV4l2Device& webcam(FakeV4l2Io& io, const std::string& path)
{
    FakeV4l2Device& d = io.add(path);
    d.card = "USB Camera";
    d.sizes = {discreteSize(320, 240), discreteSize(640, 480), discreteSize(1280, 720)};
    d.intervals = {discreteInterval(1, 30), discreteInterval(1, 15), discreteInterval(1, 5)};
    d.fill = fillPattern;
    return d;
}

class RecordingSink : public FrameSink {
public:
    void deliverFrame(const VideoFrame& frame) override
    {
        frames.push_back(frame);
        // Checks every pixel against the pattern while the buffer is still valid.
        for (int y = 0; y < frame.height; ++y) {
            const std::uint8_t* row = frame.data + frame.stride * static_cast<std::size_t>(y);
            for (int x = 0; x < frame.width; ++x)
                if (row[3 * x] != static_cast<std::uint8_t>(x) ||
                    row[3 * x + 1] != static_cast<std::uint8_t>(y)) {
                    ++wrongPixels;
                }
        }
    }
    std::vector<VideoFrame> frames;
    int wrongPixels = 0;
};

TEST(V4l2Enumeration, ListsStreamingCaptureDevicesByCardName)
{
    auto io = std::make_unique<FakeV4l2Io>();
    webcam(*io, "/dev/video0");
    io->add("/dev/video1").capabilities =
        V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING; // a webcam's metadata node
    io->add("/dev/video2").opens = false;
    FakeV4l2Device& unnamed = webcam(*io, "/dev/video3");
    unnamed.card = "";
    webcam(*io, "/dev/video4").card = std::string(40, 'C');       // fills the 32-byte field without a NUL
    io->add("/dev/video5").capabilities = V4L2_CAP_VIDEO_CAPTURE; // read() only
    FakeV4l2Io* fake = io.get();
    V4l2CaptureBackend backend(std::move(io));
    const std::vector<CaptureDeviceInfo> devices = backend.enumerate();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0], (CaptureDeviceInfo{"USB Camera", "/dev/video0"}));
    EXPECT_EQ(devices[1], (CaptureDeviceInfo{"/dev/video3", "/dev/video3"}));
    EXPECT_EQ(devices[2].name, std::string(32, 'C'));
    EXPECT_EQ(fake->openDescriptors(), 0);
}

TEST(V4l2Enumeration, TheSystemListsOnlyVideoDevicesThatExist)
{
    bool anyVideoNode = false;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error))
        anyVideoNode = anyVideoNode || entry.path().filename().string().rfind("video", 0) == 0;
    V4l2CaptureBackend backend;
    const std::vector<CaptureDeviceInfo> devices = backend.enumerate();
    if (!anyVideoNode) {
        EXPECT_TRUE(devices.empty());
    }
    for (const CaptureDeviceInfo& d : devices)
        EXPECT_EQ(d.id.rfind("/dev/video", 0), 0u) << d.id;
}

TEST(V4l2Negotiation, AppliesTheClosestSizeAndIntervalAndReadsThemBack)
{
    FakeV4l2Io io;
    FakeV4l2Device& d = webcam(io, "/dev/video0");
    auto source = V4l2CaptureSource::open(io, "/dev/video0", {700, 500, 2'000'000});
    ASSERT_TRUE(source);
    EXPECT_EQ(source->format(), (VideoFormat{640, 480, 2'000'000}));
    EXPECT_EQ(d.interval.denominator, 5u);
    EXPECT_EQ(source->stride(), 640u * 3);

    ASSERT_TRUE(source->setFormat({1920, 1080, 300'000}));
    EXPECT_EQ(source->format(), (VideoFormat{1280, 720, 333'333}));
    const std::vector<FrameSizeOption> options = source->formatOptions();
    ASSERT_EQ(options.size(), 3u);
    EXPECT_EQ(options[1], (FrameSizeOption{640, 480, {333'333, 666'666, 2'000'000}, "BGR24"}));
}

TEST(V4l2Negotiation, TheFormatPageListsTheDevicesOwnPixelFormatsWithTheirSizes)
{
    FakeV4l2Io io;
    FakeV4l2Device& d = webcam(io, "/dev/video0");
    d.nativeFormats = {{V4L2_PIX_FMT_YUYV, "YUYV 4:2:2", {discreteSize(320, 240), discreteSize(640, 480)}},
                       {V4L2_PIX_FMT_MJPEG, "Motion-JPEG", {discreteSize(1280, 720)}}};
    auto source = V4l2CaptureSource::open(io, "/dev/video0", {640, 480, 2'000'000});
    ASSERT_TRUE(source);
    const std::vector<FrameSizeOption> options = source->formatOptions();
    ASSERT_EQ(options.size(), 3u) << "the emulated BGR24 is not one of the device's formats";
    EXPECT_EQ(options[0].pixelFormat, "YUYV 4:2:2");
    EXPECT_EQ(options[1].width, 640);
    EXPECT_EQ(options[2], (FrameSizeOption{1280, 720, {333'333, 666'666, 2'000'000}, "Motion-JPEG"}));

    d.enumeratesFormats = false; // a driver that lists no formats: the sizes libv4l2 offers in BGR24
    EXPECT_EQ(source->formatOptions().size(), 3u);
    EXPECT_EQ(source->formatOptions()[0].pixelFormat, "BGR24");
}

TEST(V4l2Negotiation, DevicesThatCannotGiveBgrOrTheirRateAreHandled)
{
    FakeV4l2Io io;
    webcam(io, "/dev/video0").deliversBgr = false;
    EXPECT_FALSE(V4l2CaptureSource::open(io, "/dev/video0", {640, 480, 2'000'000}));
    EXPECT_EQ(io.openDescriptors(), 0);
    EXPECT_FALSE(V4l2CaptureSource::open(io, "/dev/video9", {640, 480, 2'000'000}));

    FakeV4l2Device& fixedRate = webcam(io, "/dev/video1");
    fixedRate.timePerFrame = false;
    fixedRate.sizes.clear(); // says nothing about sizes: the request goes to the driver as it is
    fixedRate.snapsToListedSize = false;
    auto source = V4l2CaptureSource::open(io, "/dev/video1", {800, 600, 1'000'000});
    ASSERT_TRUE(source);
    EXPECT_EQ(source->format(), (VideoFormat{800, 600, 1'000'000}));
    EXPECT_EQ(fixedRate.parametersSet, 0);

    // An impossible request falls back to 640 x 480 at 5 frames per second.
    auto fallback = V4l2CaptureSource::open(io, "/dev/video0", {0, -5, 0});
    EXPECT_FALSE(fallback); // still no BGR on video0
    webcam(io, "/dev/video2");
    auto sane = V4l2CaptureSource::open(io, "/dev/video2", {0, -5, 0});
    ASSERT_TRUE(sane);
    EXPECT_EQ(sane->format(), (VideoFormat{640, 480, 2'000'000}));
}

TEST(V4l2Streaming, DeliversPaddedOddWidthRowsWithTheirStride)
{
    FakeV4l2Io io;
    FakeV4l2Device& d = webcam(io, "/dev/video0");
    d.sizes = {discreteSize(637, 479)};
    d.rowPadding = 1; // 3 x 637 + 1 = 1912 bytes per row
    auto source = V4l2CaptureSource::open(io, "/dev/video0", {640, 480, 2'000'000});
    ASSERT_TRUE(source);
    EXPECT_EQ(source->stride(), 1912u);
    RecordingSink sink;
    ASSERT_TRUE(source->startStreaming());
    std::stop_source stop;
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(source->deliverNext(sink, stop.get_token()), FrameResult::Delivered);
    ASSERT_EQ(sink.frames.size(), 6u);
    EXPECT_EQ(sink.frames[5].sequence, 5u);
    EXPECT_EQ(sink.frames[0].width, 637);
    EXPECT_EQ(sink.frames[0].stride, 1912u);
    EXPECT_EQ(sink.wrongPixels, 0);
    EXPECT_EQ(d.framesDequeued, 6u);
    EXPECT_EQ(d.queued.size(), 4u); // every buffer went back

    // A frame shorter than its rows is dropped and its buffer goes back.
    d.truncateBytesUsedTo = 1912 * 478;
    EXPECT_EQ(source->deliverNext(sink, stop.get_token()), FrameResult::NoFrame);
    EXPECT_EQ(sink.frames.size(), 6u);
    EXPECT_EQ(d.queued.size(), 4u);
    // The last row needs no padding.
    d.truncateBytesUsedTo = 1912 * 478 + 637 * 3;
    EXPECT_EQ(source->deliverNext(sink, stop.get_token()), FrameResult::Delivered);

    stop.request_stop();
    EXPECT_EQ(source->deliverNext(sink, stop.get_token()), FrameResult::Stopped);
}

TEST(V4l2Streaming, StopReleaseAndDeviceLoss)
{
    FakeV4l2Io io;
    FakeV4l2Device& d = webcam(io, "/dev/video0");
    {
        auto source = V4l2CaptureSource::open(io, "/dev/video0", {640, 480, 2'000'000});
        ASSERT_TRUE(source);
        RecordingSink sink;
        ASSERT_TRUE(source->startStreaming());
        EXPECT_EQ(d.mapped, 4);
        EXPECT_FALSE(source->setFormat({320, 240, 2'000'000})); // buffers exist
        source->stopStreaming();
        EXPECT_FALSE(d.streaming);
        EXPECT_EQ(source->deliverNext(sink, {}), FrameResult::NoFrame);
        ASSERT_TRUE(source->startStreaming()); // the same buffers again
        EXPECT_EQ(d.mapped, 4);
        EXPECT_EQ(source->deliverNext(sink, {}), FrameResult::Delivered);
        d.failsDequeue = true;
        EXPECT_EQ(source->deliverNext(sink, {}), FrameResult::Failed);
        d.failsDequeue = false;
        source->stopStreaming();
        source->releaseBuffers();
        EXPECT_EQ(d.unmapped, 4);
        EXPECT_TRUE(source->setFormat({320, 240, 2'000'000}));
        EXPECT_EQ(source->format().width, 320);
        ASSERT_TRUE(source->startStreaming());
    }
    // Closing a streaming source stops it, unmaps and closes the device.
    EXPECT_FALSE(d.streaming);
    EXPECT_EQ(d.unmapped, 8);
    EXPECT_TRUE(d.buffers.empty());
    EXPECT_EQ(io.openDescriptors(), 0);

    d.failsMmap = true;
    auto source = V4l2CaptureSource::open(io, "/dev/video0", {640, 480, 2'000'000});
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->startStreaming());
    EXPECT_TRUE(d.buffers.empty()); // the granted buffers were handed back
}

} // namespace
} // namespace velmora::platform
