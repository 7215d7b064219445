#include "client/remote/event_server.h"

#include <chrono>
#include <exception>
#include <unistd.h>

namespace velmora::client::remote {

EventServer::EventServer(WallClock clock, std::string host, std::string subversion)
    : m_clock(std::move(clock)), m_host(std::move(host)), m_subversion(std::move(subversion)), m_lines(*this)
{
}

int EventServer::instance() const
{
    const int offset = port() - kFirstPort;
    return offset >= 0 && offset < 10 ? offset + 1 : 1;
}

Json EventServer::message(const std::string& name, const Json& attributes) const
{
    Json event = Json::object();
    event["Event"] = name;
    event["Timestamp"] = m_clock();
    event["Host"] = m_host;
    event["Inst"] = instance();
    for (const auto& [key, value] : attributes.items())
        event[key] = value;
    return event;
}

void EventServer::event(const std::string& name, Json attributes)
{
    m_lines.broadcast(wireLine(message(name, attributes)));
}

void EventServer::clientConnected(ClientId id)
{
    Json version = Json::object();
    version["PHDVersion"] = kProtocolRelease;
    version["PHDSubver"] = m_subversion;
    version["OverlapSupport"] = true;
    version["MsgVersion"] = kMessageVersion;
    m_lines.send(id, wireLine(message("Version", version)));
    if (m_handler == nullptr)
        return;
    for (const NamedEvent& initial : m_handler->initialEvents())
        m_lines.send(id, wireLine(message(initial.name, initial.attributes)));
}

void EventServer::lineReceived(ClientId id, std::string_view line)
{
    if (line.find_first_not_of(" \t") == std::string_view::npos)
        return; // blank lines keep some clients' connections alive
    RpcParse parsed = parseRequest(line);
    if (parsed.errorAnswer) {
        m_lines.send(id, wireLine(*parsed.errorAnswer));
        return;
    }
    Json reply = answer(*parsed.request);
    if (!parsed.request->notification)
        m_lines.send(id, wireLine(reply));
}

// A handler that throws (a parameter of an unexpected type slipping through) answers
// with an error instead of taking the program down.
Json EventServer::answer(const RpcRequest& request)
{
    if (m_handler == nullptr)
        return errorAnswer(request.id, {rpc::kMethodFailed, "not ready"});
    try {
        MethodOutcome outcome = m_handler->call(request.method, request.params);
        if (outcome.error)
            return errorAnswer(request.id, *outcome.error);
        return resultAnswer(request.id, std::move(outcome.result));
    } catch (const std::exception& error) {
        return errorAnswer(request.id, {rpc::kInvalidParams, std::string("invalid params: ") + error.what()});
    }
}

void EventServer::lineTooLong(ClientId id)
{
    const std::string text =
        "invalid request: line longer than " + std::to_string(LineServer::kMaxLineBytes) + " bytes";
    m_lines.send(id, wireLine(errorAnswer(nullptr, {rpc::kInvalidRequest, text})));
}

std::string localHostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name;
}

double epochSeconds()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

} // namespace velmora::client::remote
