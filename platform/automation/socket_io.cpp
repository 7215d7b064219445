#include "platform/automation/socket_io.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmora::automation {

namespace {

constexpr std::size_t kMaxFdsPerRead = 4;

bool makeAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

int connectUnix(const std::string& path)
{
    sockaddr_un address;
    if (!makeAddress(path, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int listenUnix(const std::string& path)
{
    sockaddr_un address;
    if (!makeAddress(path, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool peerIsSameUser(int fd)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return false;
    return credentials.uid == ::geteuid() || credentials.uid == 0;
}

bool sendAll(int fd, const std::uint8_t* data, std::size_t size, int passFd, std::chrono::milliseconds stall)
{
    std::size_t sent = 0;
    while (sent < size) {
        iovec iov{const_cast<std::uint8_t*>(data + sent), size - sent};
        msghdr message{};
        message.msg_iov = &iov;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        if (passFd >= 0 && sent == 0) {
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            cmsghdr* header = CMSG_FIRSTHDR(&message);
            header->cmsg_level = SOL_SOCKET;
            header->cmsg_type = SCM_RIGHTS;
            header->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(header), &passFd, sizeof(int));
        }
        const ssize_t n = ::sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(stall.count()));
            if (ready > 0 && !(p.revents & (POLLERR | POLLHUP)))
                continue;
            if (ready < 0 && errno == EINTR)
                continue;
        }
        return false;
    }
    return true;
}

ssize_t receiveSome(int fd, void* buffer, std::size_t size, std::vector<int>& fds, bool wait)
{
    iovec iov{buffer, size};
    msghdr message{};
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxFdsPerRead)];
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t n = 0;
    do {
        n = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC | (wait ? 0 : MSG_DONTWAIT));
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return n;
    for (cmsghdr* h = CMSG_FIRSTHDR(&message); h; h = CMSG_NXTHDR(&message, h)) {
        if (h->cmsg_level != SOL_SOCKET || h->cmsg_type != SCM_RIGHTS)
            continue;
        const std::size_t count = (h->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int received = -1;
            std::memcpy(&received, CMSG_DATA(h) + i * sizeof(int), sizeof(int));
            fds.push_back(received);
        }
    }
    return n;
}

bool receiveAll(int fd, void* buffer, std::size_t size, std::vector<int>& fds)
{
    auto* p = static_cast<std::uint8_t*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = receiveSome(fd, p + got, size - got, fds, true);
        if (n <= 0)
            return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

void closeAll(std::vector<int>& fds)
{
    for (int fd : fds)
        ::close(fd);
    fds.clear();
}

} // namespace velmora::automation
