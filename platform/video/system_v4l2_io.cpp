#include "platform/video/system_v4l2_io.h"

#include <libv4l2.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/mman.h>
#include <utility>

namespace velmora::platform {

namespace {

// N of a "video<N>" name, or -1 for any other name.
long videoNumber(const std::string& name)
{
    constexpr std::string_view prefix = "video";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::strtol(digits.c_str(), nullptr, 10);
}

} // namespace

std::vector<std::string> SystemV4l2Io::listDevicePaths()
{
    std::vector<std::pair<long, std::string>> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/dev", error), end; !error && it != end;
         it.increment(error)) {
        const long n = videoNumber(it->path().filename().string());
        if (n >= 0)
            found.emplace_back(n, it->path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [n, path] : found)
        paths.push_back(std::move(path));
    return paths;
}

int SystemV4l2Io::open(const std::string& path)
{
    // Non-blocking: a dequeue never waits; waitReadable() does the waiting, bounded.
    return v4l2_open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

void SystemV4l2Io::close(int fd)
{
    v4l2_close(fd);
}

int SystemV4l2Io::ioctl(int fd, unsigned long request, void* argument)
{
    int result;
    do {
        result = v4l2_ioctl(fd, request, argument);
    } while (result == -1 && errno == EINTR);
    return result;
}

void* SystemV4l2Io::mmap(int fd, std::size_t length, std::int64_t offset)
{
    void* address = v4l2_mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
    return address == MAP_FAILED ? nullptr : address;
}

void SystemV4l2Io::munmap(void* address, std::size_t length)
{
    v4l2_munmap(address, length);
}

int SystemV4l2Io::waitReadable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    const int result = ::poll(&p, 1, timeoutMs);
    if (result < 0)
        return errno == EINTR ? 0 : -1;
    if (result == 0)
        return 0;
    return (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLIN) ? -1 : 1;
}

} // namespace velmora::platform
