#pragma once
// An exclusive flock(2) on a lock file, released on destruction (or when the
// process dies).

#include <chrono>
#include <optional>
#include <string>

namespace velmora::automation {

class FileLock {
public:
    // nullopt when another process holds it.
    static std::optional<FileLock> tryLock(const std::string& path);
    // Waits for the lock up to `timeout`.
    static std::optional<FileLock> lock(const std::string& path, std::chrono::milliseconds timeout);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

} // namespace velmora::automation
