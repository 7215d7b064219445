#pragma once
// The guiding server's protocol over its line server: each client first gets the
// Version event, then the handler's initial events (lock position, selected star,
// AppState); every event goes to every client with the common attributes Event,
// Timestamp, Host and Inst; every request line gets its answer, malformed ones a
// JSON-RPC error, and the connection stays.

#include "client/remote/json_rpc.h"
#include "client/remote/line_server.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::client::remote {

// A method's result or its error.
struct MethodOutcome {
    Json result;
    std::optional<RpcError> error;

    static MethodOutcome ok(Json result) { return {std::move(result), std::nullopt}; }
    static MethodOutcome fail(std::string message, int code = rpc::kMethodFailed)
    {
        return {nullptr, RpcError{code, std::move(message)}};
    }
};

struct NamedEvent {
    std::string name;
    Json attributes = Json::object();
};

class RequestHandler {
public:
    virtual ~RequestHandler() = default;
    virtual std::vector<NamedEvent> initialEvents() const = 0;
    virtual MethodOutcome call(const std::string& method, const Json& params) = 0;
};

class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void event(const std::string& name, Json attributes) = 0;
    void event(const std::string& name) { event(name, Json::object()); }
};

class EventServer : public EventSink, private LineServerListener {
public:
    // The protocol version of the Version event: the event protocol of that guider
    // release is what is implemented, so imaging programs enable what they may use.
    static constexpr const char* kProtocolRelease = "2.6.11";
    static constexpr int kMessageVersion = 1;
    static constexpr int kFirstPort = 4400;

    using WallClock = std::function<double()>; // seconds since the epoch
    EventServer(WallClock clock, std::string host, std::string subversion);

    void setHandler(RequestHandler* handler) { m_handler = handler; }
    std::optional<std::string> listen(const ListenAddress& where) { return m_lines.listen(where); }
    void close() { m_lines.close(); }
    bool listening() const { return m_lines.listening(); }
    int port() const { return m_lines.port(); }
    // 1 for the first port, 2 for the next, …, as further guider instances count.
    int instance() const;
    void poll(int timeoutMs) { m_lines.poll(timeoutMs); }

    using EventSink::event;
    void event(const std::string& name, Json attributes) override;

    std::size_t clientCount() const { return m_lines.clientCount(); }
    std::size_t bufferedBytes() const { return m_lines.bufferedBytes(); }

private:
    void clientConnected(ClientId id) override;
    void lineReceived(ClientId id, std::string_view line) override;
    void lineTooLong(ClientId id) override;
    void clientDisconnected(ClientId /*id*/) override {}

    Json message(const std::string& name, const Json& attributes) const;
    Json answer(const RpcRequest& request);

    WallClock m_clock;
    std::string m_host;
    std::string m_subversion;
    RequestHandler* m_handler = nullptr;
    LineServer m_lines;
};

// The host name for the Host attribute.
std::string localHostName();
// Seconds since the epoch, with fractions.
double epochSeconds();

} // namespace velmora::client::remote
