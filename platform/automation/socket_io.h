#pragma once
// Unix-domain socket helpers of the transport.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velmora::automation {

// A connected stream socket (blocking, close-on-exec), or -1.
int connectUnix(const std::string& path);
// A listening non-blocking socket bound to path (a stale file there is replaced), or -1.
int listenUnix(const std::string& path);
// Whether the peer runs as this user (or root).
bool peerIsSameUser(int fd);

// Sends everything, the fd (if >= 0) riding with the first byte. Waits for room at
// most `stall` without progress. False on error or stall.
bool sendAll(int fd, const std::uint8_t* data, std::size_t size, int passFd, std::chrono::milliseconds stall);
// One recvmsg; received fds are appended to `fds` (close-on-exec). Returns bytes read,
// 0 at end of stream, -1 on error (errno set; EAGAIN for an empty non-blocking read).
ssize_t receiveSome(int fd, void* buffer, std::size_t size, std::vector<int>& fds, bool wait);
// Reads exactly `size` bytes (blocking); false at end of stream or on error.
bool receiveAll(int fd, void* buffer, std::size_t size, std::vector<int>& fds);
void closeAll(std::vector<int>& fds);

} // namespace velmora::automation
