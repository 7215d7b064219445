#include "client/remote/scripted_client.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora::client::remote {

ScriptedClient::ScriptedClient(int port, Pump pump) : m_pump(std::move(pump))
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_fd >= 0 && ::connect(m_fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0)
        close();
    if (m_pump)
        m_pump(); // let the server accept and greet
}

ScriptedClient::~ScriptedClient()
{
    close();
}

void ScriptedClient::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void ScriptedClient::sendText(const std::string& text)
{
    std::size_t sent = 0;
    while (m_fd >= 0 && sent < text.size()) {
        const ssize_t n = ::send(m_fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return;
        if (m_pump)
            m_pump(); // the server drains our data
    }
}

bool ScriptedClient::receive(int waitMs)
{
    pollfd fd{m_fd, POLLIN, 0};
    if (::poll(&fd, 1, waitMs) <= 0)
        return false;
    char buffer[65536];
    const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) {
        m_eof = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        return false;
    }
    m_in.append(buffer, static_cast<std::size_t>(n));
    return true;
}

std::optional<std::string> ScriptedClient::readLine(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_fd >= 0) {
        const std::size_t end = m_in.find("\r\n");
        if (end != std::string::npos) {
            std::string line = m_in.substr(0, end);
            m_in.erase(0, end + 2);
            return line;
        }
        if (m_eof)
            return std::nullopt;
        if (m_pump)
            m_pump();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!receive(static_cast<int>(std::clamp<long>(left.count(), 0, 10))) &&
            std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
    }
    return std::nullopt;
}

bool ScriptedClient::closedByServer(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_fd >= 0 && !m_eof && std::chrono::steady_clock::now() < deadline) {
        if (m_pump)
            m_pump();
        receive(10);
        m_in.clear();
    }
    return m_eof;
}

int openFileDescriptors()
{
    int count = 0;
    if (DIR* folder = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(folder))
            count += entry->d_name[0] != '.';
        ::closedir(folder);
    }
    return count - 1; // the directory's own
}

} // namespace velmora::client::remote
