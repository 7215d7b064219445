#include "client/remote/line_server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace velmora::client::remote {

namespace {

constexpr std::size_t kReadChunk = 16 * 1024;

bool makeNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// A listening socket on address:port, or -1 with errno set.
int listenOn(const in_addr& address, int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr = address;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 || ::listen(fd, 32) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int boundPort(int fd)
{
    sockaddr_in where{};
    socklen_t length = sizeof where;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length) != 0)
        return 0;
    return ntohs(where.sin_port);
}

} // namespace

LineServer::~LineServer()
{
    close();
}

std::optional<std::string> LineServer::listen(const ListenAddress& where)
{
    close();
    in_addr address{};
    if (::inet_pton(AF_INET, where.address.c_str(), &address) != 1)
        return "not an IPv4 address: '" + where.address + "'";
    if (where.port < 0 || where.port > 65535)
        return "not a port: " + std::to_string(where.port);
    const int tries = where.port == 0 ? 1 : std::max(where.portsToTry, 1);
    int error = 0;
    for (int i = 0; i < tries && where.port + i <= 65535; ++i) {
        m_listenFd = listenOn(address, where.port + i);
        if (m_listenFd >= 0) {
            m_port = boundPort(m_listenFd);
            return std::nullopt;
        }
        error = errno;
        if (error != EADDRINUSE)
            break;
    }
    // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict on "-" + string.
    std::string text = "cannot listen on ";
    text += where.address;
    text += ':';
    text += std::to_string(where.port);
    if (tries > 1) {
        text += '-';
        text += std::to_string(where.port + tries - 1);
    }
    text += ": ";
    text += std::strerror(error);
    return text;
}

void LineServer::close()
{
    for (auto& [id, client] : m_clients)
        ::close(client.fd);
    m_clients.clear();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    m_listenFd = -1;
    m_port = 0;
}

void LineServer::poll(int timeoutMs)
{
    removeClosed(); // clients dropped by a send since the last poll
    std::vector<pollfd> fds;
    std::vector<ClientId> ids;
    if (m_listenFd >= 0)
        fds.push_back({m_listenFd, POLLIN, 0});
    for (const auto& [id, client] : m_clients) {
        const short events = static_cast<short>(POLLIN | (client.out.empty() ? 0 : POLLOUT));
        fds.push_back({client.fd, events, 0});
        ids.push_back(id);
    }
    if (fds.empty())
        return;
    if (::poll(fds.data(), fds.size(), timeoutMs) <= 0)
        return;
    std::size_t next = 0;
    if (m_listenFd >= 0 && (fds[next++].revents & POLLIN))
        acceptClients();
    for (std::size_t i = 0; i < ids.size(); ++i, ++next) {
        const auto found = m_clients.find(ids[i]);
        if (found == m_clients.end() || found->second.closing)
            continue;
        const short revents = fds[next].revents;
        if (revents & POLLOUT)
            flush(found->second);
        if (revents & (POLLIN | POLLHUP | POLLERR))
            readFrom(ids[i], found->second);
    }
    removeClosed();
}

void LineServer::acceptClients()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        if (m_clients.size() >= kMaxClients || !makeNonBlocking(fd)) {
            ::close(fd);
            continue;
        }
        const ClientId id = m_nextId++;
        m_clients[id].fd = fd;
        m_listener.clientConnected(id);
    }
}

void LineServer::readFrom(ClientId id, Client& client)
{
    char buffer[kReadChunk];
    for (;;) {
        const ssize_t got = ::recv(client.fd, buffer, sizeof buffer, 0);
        if (got > 0) {
            client.in.append(buffer, static_cast<std::size_t>(got));
            splitLines(id, client);
            if (client.closing)
                return;
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        client.closing = true; // orderly end or a reset
        return;
    }
}

// Hands over every complete line; a line past the bound is dropped up to its end.
void LineServer::splitLines(ClientId id, Client& client)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = client.in.find('\n', start);
        if (end == std::string::npos)
            break;
        if (client.skippingLongLine) {
            client.skippingLongLine = false;
        } else if (end - start > kMaxLineBytes) {
            m_listener.lineTooLong(id);
        } else {
            std::string_view line(client.in.data() + start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            m_listener.lineReceived(id, line);
        }
        start = end + 1;
        if (client.closing)
            return;
    }
    client.in.erase(0, start);
    if (client.in.size() > kMaxLineBytes) {
        if (!client.skippingLongLine)
            m_listener.lineTooLong(id);
        client.skippingLongLine = true;
        client.in.clear();
    }
}

void LineServer::send(ClientId id, std::string_view text)
{
    const auto found = m_clients.find(id);
    if (found == m_clients.end() || found->second.closing)
        return;
    Client& client = found->second;
    if (client.out.size() + text.size() > kMaxOutgoingBytes) {
        client.closing = true; // it stopped reading: guiding does not wait for it
        client.out.clear();
        return;
    }
    client.out.append(text);
    flush(client);
}

void LineServer::broadcast(std::string_view text)
{
    for (auto& [id, client] : m_clients)
        send(id, text);
}

void LineServer::disconnect(ClientId id)
{
    const auto found = m_clients.find(id);
    if (found != m_clients.end())
        found->second.closing = true;
}

void LineServer::flush(Client& client)
{
    while (!client.out.empty()) {
        const ssize_t sent = ::send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            client.out.erase(0, static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        client.closing = true;
        client.out.clear();
        return;
    }
}

void LineServer::removeClosed()
{
    for (auto it = m_clients.begin(); it != m_clients.end();) {
        if (!it->second.closing) {
            ++it;
            continue;
        }
        const ClientId id = it->first;
        ::close(it->second.fd);
        it = m_clients.erase(it);
        m_listener.clientDisconnected(id);
    }
}

std::size_t LineServer::bufferedBytes() const
{
    std::size_t total = 0;
    for (const auto& [id, client] : m_clients)
        total += client.in.capacity() + client.out.capacity();
    return total;
}

} // namespace velmora::client::remote
