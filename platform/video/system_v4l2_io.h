#pragma once
// V4l2Io over libv4l2 and the /dev folder.

#include "platform/video/v4l2_io.h"

namespace velmora::platform {

class SystemV4l2Io : public V4l2Io {
public:
    std::vector<std::string> listDevicePaths() override;
    int open(const std::string& path) override;
    void close(int fd) override;
    int ioctl(int fd, unsigned long request, void* argument) override;
    void* mmap(int fd, std::size_t length, std::int64_t offset) override;
    void munmap(void* address, std::size_t length) override;
    int waitReadable(int fd, int timeoutMs) override;
};

} // namespace velmora::platform
