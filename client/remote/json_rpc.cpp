#include "client/remote/json_rpc.h"

namespace velmora::client::remote {

namespace {

Json invalidRequest(const char* why)
{
    return errorAnswer(nullptr, {rpc::kInvalidRequest, std::string("invalid request: ") + why});
}

bool validId(const Json& id)
{
    return id.is_string() || id.is_number() || id.is_null();
}

} // namespace

RpcParse parseRequest(std::string_view line)
{
    Json message = Json::parse(line.begin(), line.end(), nullptr, false);
    if (message.is_discarded())
        return {std::nullopt, errorAnswer(nullptr, {rpc::kParseError, "parse error: not JSON"})};
    if (!message.is_object())
        return {std::nullopt, invalidRequest("not an object")};
    const auto method = message.find("method");
    if (method == message.end() || !method->is_string())
        return {std::nullopt, invalidRequest("no method name")};
    RpcRequest request;
    const auto id = message.find("id");
    request.notification = id == message.end();
    if (!request.notification) {
        if (!validId(*id))
            return {std::nullopt, invalidRequest("bad id")};
        request.id = *id;
    }
    request.method = method->get<std::string>();
    const auto params = message.find("params");
    if (params != message.end()) {
        if (!params->is_array() && !params->is_object() && !params->is_null())
            return {std::nullopt,
                    errorAnswer(request.id, {rpc::kInvalidParams, "params must be an array or object"})};
        request.params = *params;
    }
    return {std::move(request), std::nullopt};
}

Json resultAnswer(const Json& id, Json result)
{
    Json answer = Json::object();
    answer["jsonrpc"] = "2.0";
    answer["result"] = std::move(result);
    answer["id"] = id;
    return answer;
}

Json errorAnswer(const Json& id, const RpcError& error)
{
    Json answer = Json::object();
    answer["jsonrpc"] = "2.0";
    answer["error"] = {{"code", error.code}, {"message", error.message}};
    answer["id"] = id;
    return answer;
}

std::string wireLine(const Json& message)
{
    return message.dump(-1, ' ', false, Json::error_handler_t::replace) + "\r\n";
}

const Json* param(const Json& params, std::size_t index, const char* name)
{
    if (params.is_array())
        return index < params.size() ? &params[index] : nullptr;
    if (params.is_object()) {
        const auto found = params.find(name);
        return found != params.end() ? &*found : nullptr;
    }
    return nullptr;
}

} // namespace velmora::client::remote
