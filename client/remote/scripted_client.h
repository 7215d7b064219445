#pragma once
// A protocol client for tests: a real loopback TCP connection whose reads pump the
// server's poll between attempts, so one thread drives both ends in a fixed order.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace velmora::client::remote {

class ScriptedClient {
public:
    using Pump = std::function<void()>;

    ScriptedClient(int port, Pump pump);
    ~ScriptedClient();
    ScriptedClient(const ScriptedClient&) = delete;
    ScriptedClient& operator=(const ScriptedClient&) = delete;

    bool connected() const { return m_fd >= 0; }
    void sendText(const std::string& text);
    void sendLine(const std::string& line) { sendText(line + "\r\n"); }
    // The next line without its CR LF; none when the time is up or the server closed.
    std::optional<std::string> readLine(std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Whether the server closed the connection (reads pending lines first).
    bool closedByServer(std::chrono::milliseconds limit = std::chrono::seconds(5));
    void close();

private:
    bool receive(int waitMs);

    int m_fd = -1;
    Pump m_pump;
    std::string m_in;
    bool m_eof = false;
};

// Open file descriptors of this process.
int openFileDescriptors();

} // namespace velmora::client::remote
