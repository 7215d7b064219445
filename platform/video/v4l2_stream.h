#pragma once
// The memory-mapped buffers of one V4L2 capture stream: request and map them, queue
// them, take filled ones off the queue and give them back, stop, unmap.

#include "platform/video/v4l2_io.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::platform::v4l2 {

class V4l2Stream {
public:
    static constexpr std::uint32_t kBufferCount = 4;

    struct Filled {
        int index = -1;
        const std::uint8_t* data = nullptr;
        std::size_t bytes = 0;
    };
    enum class Take { Frame, None, Failed };

    V4l2Stream(V4l2Io& io, int fd) : m_io(io), m_fd(fd) {}
    ~V4l2Stream() { release(); }
    V4l2Stream(const V4l2Stream&) = delete;
    V4l2Stream& operator=(const V4l2Stream&) = delete;

    bool allocated() const { return !m_buffers.empty(); }
    bool streaming() const { return m_streaming; }

    // Requests and maps the buffers (if not yet), queues them all and starts the stream.
    bool start();
    // A filled buffer if one is waiting (a buffer the device marks as damaged is given
    // back at once and counts as none).
    Take take(Filled& filled);
    bool giveBack(int index);
    // Stops the stream; the device returns every buffer to us.
    void stop();
    // Unmaps and frees the buffers (stops first if needed).
    void release();

private:
    bool allocate();

    struct Mapping {
        void* address = nullptr;
        std::size_t length = 0;
    };

    V4l2Io& m_io;
    int m_fd;
    std::vector<Mapping> m_buffers;
    bool m_requested = false; // the driver holds buffers for us
    bool m_streaming = false;
};

} // namespace velmora::platform::v4l2
