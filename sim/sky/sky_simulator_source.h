#pragma once
// The "Sky Simulator" capture device: renders the process's simulated sky into BGR24
// frames at the requested size and frame period, timed by a SimClock. Frame rows are
// padded to a multiple of four bytes, as many real devices deliver them.
//
// Its source page offers the settings of a plain web camera: "Brightness" (a level
// added to every pixel), "Gain" (percent of the signal kept) and "Horizontal Flip".
// They may change while it streams; the next frame shows them.

#include "platform/video/capture_source.h"
#include "sim/sky/sim_clock.h"
#include "sim/sky/sky_model.h"
#include "sim/sky/sky_sensor.h"

#include <atomic>
#include <memory>
#include <vector>

namespace velmora::sim {

class SkySimulatorSource : public platform::CaptureSource {
public:
    static constexpr int kMinDimension = 128;
    static constexpr int kMaxDimension = 4096;
    static constexpr std::uint32_t kMinPeriod = 100'000;     // 100 frames per second
    static constexpr std::uint32_t kMaxPeriod = 100'000'000; // one frame in 10 s
    static constexpr platform::VideoFormat kDefaultFormat{640, 480, 2'000'000};

    // `model` and `clock` are borrowed.
    SkySimulatorSource(SkyModel& model, SimClock& clock, const platform::VideoFormat& requested);

    // The request with its size clamped to 128..4096 and its period to 10 ms..10 s; a
    // non-positive size or a zero period takes the default 640 x 480 at 5 per second.
    static platform::VideoFormat supportedFormat(const platform::VideoFormat& requested);

    platform::VideoFormat format() const override { return m_format; }
    std::vector<platform::FrameSizeOption> formatOptions() const override;
    bool setFormat(const platform::VideoFormat& wanted) override;

    // The ids of the V4L2 controls of the same names.
    static constexpr std::uint32_t kBrightness = 0x00980900;
    static constexpr std::uint32_t kGain = 0x00980913;
    static constexpr std::uint32_t kHorizontalFlip = 0x00980914;

    std::vector<platform::VideoControl> controls() const override;
    std::optional<std::int32_t> controlValue(std::uint32_t id) const override;
    bool setControl(std::uint32_t id, std::int32_t value) override;

    bool startStreaming() override;
    platform::FrameResult deliverNext(platform::FrameSink& sink, std::stop_token stop) override;
    void stopStreaming() override { m_streaming = false; }
    void releaseBuffers() override;

    std::size_t stride() const
    {
        return (3 * static_cast<std::size_t>(m_format.width) + 3) & ~std::size_t{3};
    }

private:
    std::chrono::nanoseconds period() const
    {
        return std::chrono::nanoseconds(std::int64_t{m_format.framePeriod} * 100);
    }

    // Applies brightness, gain and flip to the rendered frame.
    void applyControls();
    template <class Self> static auto* controlSlot(Self& self, std::uint32_t id);

    SkyModel& m_model;
    SimClock& m_clock;
    platform::VideoFormat m_format;
    std::unique_ptr<SkySensor> m_sensor;
    std::vector<std::uint8_t> m_frame;
    SimClock::TimePoint m_next;
    std::uint64_t m_sequence = 0;
    bool m_streaming = false;
    // Set from the controlling thread while the streaming thread renders.
    std::atomic<std::int32_t> m_brightness{0};
    std::atomic<std::int32_t> m_gain{100};
    std::atomic<std::int32_t> m_flip{0};
};

} // namespace velmora::sim
