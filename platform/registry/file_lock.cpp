#include "platform/registry/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

namespace velmora::registry {

namespace {

constexpr std::chrono::milliseconds kRetryPause{2};

enum class Attempt { Locked, Busy, Failed };

Attempt tryOnce(const std::string& path, int& fd, std::string* why)
{
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (fd < 0) {
        if (why)
            *why = std::string("cannot be opened: ") + std::strerror(errno);
        return Attempt::Failed;
    }
    int rc = 0;
    while ((rc = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc == 0)
        return Attempt::Locked;
    const int error = errno;
    ::close(fd);
    fd = -1;
    if (error == EWOULDBLOCK) {
        if (why)
            *why = "is held by another process";
        return Attempt::Busy;
    }
    if (why)
        *why = std::string("cannot be locked: ") + std::strerror(error);
    return Attempt::Failed;
}

} // namespace

std::optional<FileLock> FileLock::tryLock(const std::string& path, std::string* why)
{
    int fd = -1;
    if (tryOnce(path, fd, why) != Attempt::Locked)
        return std::nullopt;
    return FileLock(fd);
}

std::optional<FileLock> FileLock::lock(const std::string& path, std::chrono::milliseconds timeout,
                                       std::string* why)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int fd = -1;
        const Attempt attempt = tryOnce(path, fd, why);
        if (attempt == Attempt::Locked)
            return FileLock(fd);
        if (attempt == Attempt::Failed)
            return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline) {
            if (why)
                *why =
                    "was held by another process for longer than " + std::to_string(timeout.count()) + " ms";
            return std::nullopt;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

FileLock::FileLock(FileLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace velmora::registry
