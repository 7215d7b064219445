#include "platform/video/v4l2_stream.h"

#include <linux/videodev2.h>

#include <cerrno>

namespace velmora::platform::v4l2 {

namespace {

v4l2_buffer bufferRecord(std::uint32_t index)
{
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    b.index = index;
    return b;
}

} // namespace

bool V4l2Stream::allocate()
{
    v4l2_requestbuffers request{};
    request.count = kBufferCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (m_io.ioctl(m_fd, VIDIOC_REQBUFS, &request) != 0)
        return false;
    m_requested = true;
    // The driver may grant fewer or more than asked; never map more than asked.
    const std::uint32_t count = request.count < kBufferCount ? request.count : kBufferCount;
    for (std::uint32_t i = 0; i < count; ++i) {
        v4l2_buffer b = bufferRecord(i);
        if (m_io.ioctl(m_fd, VIDIOC_QUERYBUF, &b) != 0 || b.length == 0)
            break;
        void* address = m_io.mmap(m_fd, b.length, b.m.offset);
        if (!address)
            break;
        m_buffers.push_back({address, b.length});
    }
    if (count > 0 && m_buffers.size() == count)
        return true;
    release();
    return false;
}

bool V4l2Stream::start()
{
    if (m_streaming)
        return true;
    if (m_buffers.empty() && !allocate())
        return false;
    for (std::uint32_t i = 0; i < m_buffers.size(); ++i) {
        v4l2_buffer b = bufferRecord(i);
        if (m_io.ioctl(m_fd, VIDIOC_QBUF, &b) != 0)
            return false;
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (m_io.ioctl(m_fd, VIDIOC_STREAMON, &type) != 0) {
        // Leaves the queue as it was before: nothing queued.
        m_io.ioctl(m_fd, VIDIOC_STREAMOFF, &type);
        return false;
    }
    m_streaming = true;
    return true;
}

V4l2Stream::Take V4l2Stream::take(Filled& filled)
{
    v4l2_buffer b = bufferRecord(0);
    if (m_io.ioctl(m_fd, VIDIOC_DQBUF, &b) != 0)
        return errno == EAGAIN || errno == EINTR ? Take::None : Take::Failed;
    if (b.index >= m_buffers.size())
        return Take::Failed;
    if (b.flags & V4L2_BUF_FLAG_ERROR)
        return giveBack(static_cast<int>(b.index)) ? Take::None : Take::Failed;
    const Mapping& mapping = m_buffers[b.index];
    filled.index = static_cast<int>(b.index);
    filled.data = static_cast<const std::uint8_t*>(mapping.address);
    // Some drivers leave bytesused at 0 for a full buffer.
    filled.bytes = b.bytesused && b.bytesused <= mapping.length ? b.bytesused : mapping.length;
    return Take::Frame;
}

bool V4l2Stream::giveBack(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_buffers.size())
        return false;
    v4l2_buffer b = bufferRecord(static_cast<std::uint32_t>(index));
    return m_io.ioctl(m_fd, VIDIOC_QBUF, &b) == 0;
}

void V4l2Stream::stop()
{
    if (!m_streaming)
        return;
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    m_io.ioctl(m_fd, VIDIOC_STREAMOFF, &type);
    m_streaming = false;
}

void V4l2Stream::release()
{
    stop();
    if (!m_requested)
        return;
    for (const Mapping& mapping : m_buffers)
        m_io.munmap(mapping.address, mapping.length);
    m_buffers.clear();
    m_requested = false;
    v4l2_requestbuffers request{};
    request.count = 0;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    m_io.ioctl(m_fd, VIDIOC_REQBUFS, &request);
}

} // namespace velmora::platform::v4l2
