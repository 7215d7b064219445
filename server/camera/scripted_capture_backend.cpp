#include "server/camera/scripted_capture_backend.h"

#include "platform/video/capture_source.h"

namespace velmora::server::testing {

struct ScriptedCaptureBackend::Shared {
    mutable std::mutex mutex;
    mutable std::condition_variable_any changed;
    platform::VideoFormat format;
    std::deque<std::vector<std::uint8_t>> queue;
    std::uint64_t delivered = 0;
    bool refused = false;
    int opens = 0;

    std::size_t stride() const { return 3 * static_cast<std::size_t>(format.width) + kRowPadding; }
};

namespace {

class ScriptedSource : public platform::CaptureSource {
public:
    explicit ScriptedSource(std::shared_ptr<ScriptedCaptureBackend::Shared> shared)
        : m_shared(std::move(shared))
    {
    }

    platform::VideoFormat format() const override
    {
        std::lock_guard lock(m_shared->mutex);
        return m_shared->format;
    }
    std::vector<platform::FrameSizeOption> formatOptions() const override
    {
        const platform::VideoFormat f = format();
        return {{f.width, f.height, {f.framePeriod}, "BGR24"}, {128, 128, {f.framePeriod}, "BGR24"}};
    }
    bool setFormat(const platform::VideoFormat& wanted) override
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->format = wanted;
        m_shared->queue.clear();
        return true;
    }
    std::vector<platform::VideoControl> controls() const override { return {}; }
    std::optional<std::int32_t> controlValue(std::uint32_t) const override { return std::nullopt; }
    bool setControl(std::uint32_t, std::int32_t) override { return false; }
    bool startStreaming() override { return true; }
    void stopStreaming() override {}
    void releaseBuffers() override {}

    platform::FrameResult deliverNext(platform::FrameSink& sink, std::stop_token stop) override
    {
        std::vector<std::uint8_t> frame;
        platform::VideoFormat f;
        {
            std::unique_lock lock(m_shared->mutex);
            if (!m_shared->changed.wait_for(lock, stop, std::chrono::milliseconds(50),
                                            [&] { return !m_shared->queue.empty(); }))
                return stop.stop_requested() ? platform::FrameResult::Stopped
                                             : platform::FrameResult::NoFrame;
            frame = std::move(m_shared->queue.front());
            m_shared->queue.pop_front();
            f = m_shared->format;
        }
        sink.deliverFrame({frame.data(), f.width, f.height, m_shared->stride(), m_sequence++});
        {
            std::lock_guard lock(m_shared->mutex);
            ++m_shared->delivered;
        }
        m_shared->changed.notify_all();
        return platform::FrameResult::Delivered;
    }

private:
    std::shared_ptr<ScriptedCaptureBackend::Shared> m_shared;
    std::uint64_t m_sequence = 0;
};

} // namespace

ScriptedCaptureBackend::ScriptedCaptureBackend(std::string name, platform::VideoFormat format)
    : m_format(format), m_name(std::move(name)), m_shared(std::make_shared<Shared>())
{
    m_shared->format = format;
}

std::vector<platform::CaptureDeviceInfo> ScriptedCaptureBackend::enumerate()
{
    return {{m_name, "scripted"}};
}

std::unique_ptr<platform::CaptureSource>
ScriptedCaptureBackend::open(const platform::CaptureDeviceInfo& device, const platform::VideoFormat&)
{
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->refused || device.id != "scripted")
        return nullptr;
    ++m_shared->opens;
    return std::make_unique<ScriptedSource>(m_shared);
}

void ScriptedCaptureBackend::setRefused(bool refused)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->refused = refused;
}

int ScriptedCaptureBackend::opens() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->opens;
}

void ScriptedCaptureBackend::push(std::uint8_t level)
{
    {
        std::lock_guard lock(m_shared->mutex);
        const std::size_t stride = m_shared->stride();
        std::vector<std::uint8_t> frame(stride * static_cast<std::size_t>(m_shared->format.height), level);
        for (int x = 0; x < m_shared->format.width; ++x)
            frame[3 * static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(level + x);
        // Padding that no conversion may pick up.
        for (int y = 0; y < m_shared->format.height; ++y)
            for (int i = 0; i < kRowPadding; ++i)
                frame[stride * static_cast<std::size_t>(y) + stride - kRowPadding +
                      static_cast<std::size_t>(i)] = 0xEE;
        m_shared->queue.push_back(std::move(frame));
    }
    m_shared->changed.notify_all();
}

std::uint64_t ScriptedCaptureBackend::delivered() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->delivered;
}

bool ScriptedCaptureBackend::waitDelivered(std::uint64_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->changed.wait_for(lock, limit, [&] { return m_shared->delivered >= count; });
}

} // namespace velmora::server::testing
