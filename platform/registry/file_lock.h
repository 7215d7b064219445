#pragma once
// An exclusive flock(2) on a lock file, released on destruction (or when the
// process dies). The file is opened afresh for every lock: flock belongs to the open
// file description, and one inherited through fork would let parent and child hold
// "the" lock together.

#include <chrono>
#include <optional>
#include <string>

namespace velmora::registry {

class FileLock {
public:
    // nullopt when another process holds it or the file cannot be opened; `why`
    // (if given) then says which.
    static std::optional<FileLock> tryLock(const std::string& path, std::string* why = nullptr);
    // Waits for the lock up to `timeout`.
    static std::optional<FileLock> lock(const std::string& path, std::chrono::milliseconds timeout,
                                        std::string* why = nullptr);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

} // namespace velmora::registry
