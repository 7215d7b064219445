#pragma once
// An imaging program's side of the protocol for end-to-end tests: requests with their
// answers, and every event kept in arrival order.

#include "client/remote/json_rpc.h"
#include "client/remote/scripted_client.h"

#include <chrono>
#include <string>
#include <vector>

namespace velmora::client::remote {

class ProtocolSession {
public:
    ProtocolSession(int port, ScriptedClient::Pump pump) : m_client(port, std::move(pump)) {}
    bool connected() const { return m_client.connected(); }

    // The answer to one request ({"error":"no answer"} after the limit).
    Json call(const std::string& method, const Json& params = Json::array(),
              std::chrono::seconds limit = std::chrono::seconds(30));
    // The next event of that name (the others are kept), or null after the limit.
    Json waitFor(const std::string& name, std::chrono::seconds limit);
    std::vector<Json> eventsSince(std::size_t from, const std::string& name) const;
    std::size_t eventCount() const { return m_events.size(); }

private:
    std::optional<Json> next(std::chrono::steady_clock::time_point deadline);

    ScriptedClient m_client;
    int m_id = 0;
    std::vector<Json> m_events;
};

} // namespace velmora::client::remote
