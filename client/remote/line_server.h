#pragma once
// A TCP server of text lines for the guiding server: non-blocking sockets driven by
// poll() from the owner's loop, so no client can stall guiding. Every bound is
// enforced here: line length, a client's unsent output, the number of clients.
//
// Lines end with LF (a CR before it is dropped). A line longer than kMaxLineBytes is
// discarded up to its end and reported once; the connection stays. A client whose
// unsent output passes kMaxOutgoingBytes (it stopped reading) is disconnected. A
// client beyond kMaxClients is accepted and closed at once, so it learns it is not
// served instead of waiting in the backlog.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::client::remote {

using ClientId = std::uint64_t;

class LineServerListener {
public:
    virtual ~LineServerListener() = default;
    virtual void clientConnected(ClientId id) = 0;
    virtual void lineReceived(ClientId id, std::string_view line) = 0;
    virtual void lineTooLong(ClientId id) = 0;
    virtual void clientDisconnected(ClientId id) = 0;
};

struct ListenAddress {
    std::string address = "127.0.0.1";
    int port = 4400;     // 0: any free port (tests)
    int portsToTry = 10; // port, port + 1, …: a further instance takes the next one
};

class LineServer {
public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;
    static constexpr std::size_t kMaxOutgoingBytes = 1024 * 1024;
    static constexpr std::size_t kMaxClients = 16;

    explicit LineServer(LineServerListener& listener) : m_listener(listener) {}
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    // Binds and listens; an error text when no port of the range could be had.
    std::optional<std::string> listen(const ListenAddress& where);
    bool listening() const { return m_listenFd >= 0; }
    int port() const { return m_port; }
    void close();

    // Waits up to timeoutMs for activity and handles all of it: new clients, lines,
    // pending output, closed connections.
    void poll(int timeoutMs);

    // Queues text for one client and writes what the socket takes now.
    void send(ClientId id, std::string_view text);
    void broadcast(std::string_view text);
    void disconnect(ClientId id);

    std::size_t clientCount() const { return m_clients.size(); }
    // Bytes held for all clients, in and out.
    std::size_t bufferedBytes() const;

private:
    struct Client {
        int fd = -1;
        std::string in;
        std::string out;
        bool skippingLongLine = false;
        bool closing = false;
    };

    void acceptClients();
    void readFrom(ClientId id, Client& client);
    void splitLines(ClientId id, Client& client);
    void flush(Client& client);
    void removeClosed();

    LineServerListener& m_listener;
    int m_listenFd = -1;
    int m_port = 0;
    ClientId m_nextId = 1;
    std::map<ClientId, Client> m_clients;
};

} // namespace velmora::client::remote
