#include "server/camera/recording_capture_backend.h"

#include "platform/video/capture_source.h"

#include <cstring>

namespace velmora::server::testing {

namespace {

class RecordingSink : public platform::FrameSink {
public:
    RecordingSink(platform::FrameSink& camera, RecordingCaptureBackend::Record& record)
        : m_camera(camera), m_record(record)
    {
    }

    void deliverFrame(const platform::VideoFrame& frame) override
    {
        m_camera.deliverFrame(frame);
        RecordedFrame copy{frame.width, frame.height, {}};
        const std::size_t rowBytes = 3 * static_cast<std::size_t>(frame.width);
        copy.bgr.resize(rowBytes * static_cast<std::size_t>(frame.height));
        for (int y = 0; y < frame.height; ++y)
            std::memcpy(copy.bgr.data() + rowBytes * static_cast<std::size_t>(y),
                        frame.data + frame.stride * static_cast<std::size_t>(y), rowBytes);
        {
            std::lock_guard lock(m_record.mutex);
            m_record.frames.push_back(std::move(copy));
        }
        m_record.changed.notify_all();
    }

private:
    platform::FrameSink& m_camera;
    RecordingCaptureBackend::Record& m_record;
};

class RecordingSource : public platform::CaptureSource {
public:
    RecordingSource(std::unique_ptr<platform::CaptureSource> inner,
                    std::shared_ptr<RecordingCaptureBackend::Record> record)
        : m_inner(std::move(inner)), m_record(std::move(record))
    {
    }

    platform::VideoFormat format() const override { return m_inner->format(); }
    std::vector<platform::FrameSizeOption> formatOptions() const override { return m_inner->formatOptions(); }
    bool setFormat(const platform::VideoFormat& wanted) override { return m_inner->setFormat(wanted); }
    std::vector<platform::VideoControl> controls() const override { return m_inner->controls(); }
    std::optional<std::int32_t> controlValue(std::uint32_t id) const override
    {
        return m_inner->controlValue(id);
    }
    bool setControl(std::uint32_t id, std::int32_t value) override { return m_inner->setControl(id, value); }
    bool startStreaming() override { return m_inner->startStreaming(); }
    void stopStreaming() override { m_inner->stopStreaming(); }
    void releaseBuffers() override { m_inner->releaseBuffers(); }
    platform::FrameResult deliverNext(platform::FrameSink& sink, std::stop_token stop) override
    {
        RecordingSink recording(sink, *m_record);
        return m_inner->deliverNext(recording, stop);
    }

private:
    std::unique_ptr<platform::CaptureSource> m_inner;
    std::shared_ptr<RecordingCaptureBackend::Record> m_record;
};

} // namespace

RecordingCaptureBackend::RecordingCaptureBackend(platform::CaptureBackend& inner)
    : m_inner(inner), m_record(std::make_shared<Record>())
{
}

std::unique_ptr<platform::CaptureSource>
RecordingCaptureBackend::open(const platform::CaptureDeviceInfo& device,
                              const platform::VideoFormat& requested)
{
    auto inner = m_inner.open(device, requested);
    if (!inner)
        return nullptr;
    {
        std::lock_guard lock(m_record->mutex);
        ++m_record->opens;
    }
    return std::make_unique<RecordingSource>(std::move(inner), m_record);
}

int RecordingCaptureBackend::opens() const
{
    std::lock_guard lock(m_record->mutex);
    return m_record->opens;
}

std::size_t RecordingCaptureBackend::count() const
{
    std::lock_guard lock(m_record->mutex);
    return m_record->frames.size();
}

RecordedFrame RecordingCaptureBackend::frame(std::size_t index) const
{
    std::lock_guard lock(m_record->mutex);
    return m_record->frames.at(index);
}

bool RecordingCaptureBackend::waitForCount(std::size_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_record->mutex);
    return m_record->changed.wait_for(lock, limit, [&] { return m_record->frames.size() >= count; });
}

} // namespace velmora::server::testing
