#include "client/remote/protocol_session.h"

namespace velmora::client::remote {

std::optional<Json> ProtocolSession::next(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const std::optional<std::string> line = m_client.readLine(std::max(left, std::chrono::milliseconds(0)));
    if (!line)
        return std::nullopt;
    Json message = Json::parse(*line, nullptr, false);
    if (message.is_object() && message.contains("Event"))
        m_events.push_back(message);
    return message;
}

Json ProtocolSession::call(const std::string& method, const Json& params, std::chrono::seconds limit)
{
    const int id = ++m_id;
    m_client.sendLine(Json{{"method", method}, {"params", params}, {"id", id}}.dump());
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::optional<Json> message = next(deadline);
        if (message && message->is_object() && !message->contains("Event") &&
            message->value("id", Json()) == id)
            return *message;
    }
    return Json{{"error", "no answer"}};
}

Json ProtocolSession::waitFor(const std::string& name, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::optional<Json> message = next(deadline);
        if (message && message->is_object() && message->value("Event", std::string()) == name)
            return *message;
    }
    return nullptr;
}

std::vector<Json> ProtocolSession::eventsSince(std::size_t from, const std::string& name) const
{
    std::vector<Json> found;
    for (std::size_t i = from; i < m_events.size(); ++i)
        if (m_events[i]["Event"] == name)
            found.push_back(m_events[i]);
    return found;
}

} // namespace velmora::client::remote
