#pragma once
// The system calls the V4L2 backend makes, behind one small interface so that tests can
// stand in a fake device. The system version goes through libv4l2, which converts any
// pixel format a camera delivers into the packed BGR24 the camera driver wants.
// Failures return -1 (or null) with errno set, as the system calls do.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform {

class V4l2Io {
public:
    virtual ~V4l2Io() = default;

    // The /dev/video<N> device paths present, in ascending N.
    virtual std::vector<std::string> listDevicePaths() = 0;
    virtual int open(const std::string& path) = 0;
    virtual void close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual void* mmap(int fd, std::size_t length, std::int64_t offset) = 0;
    virtual void munmap(void* address, std::size_t length) = 0;
    // 1 when a frame can be dequeued, 0 after `timeoutMs` without one, -1 on error.
    virtual int waitReadable(int fd, int timeoutMs) = 0;
};

} // namespace velmora::platform
