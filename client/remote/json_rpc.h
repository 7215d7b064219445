#pragma once
// JSON-RPC 2.0 as imaging programs speak it to a guider: one request object per line,
// {"method":…,"params":[…] or {…},"id":…}; answers {"jsonrpc":"2.0","result":…,"id":…}
// or {"jsonrpc":"2.0","error":{"code":…,"message":…},"id":…}. A request without "id"
// is a notification and gets no answer; a line that is no valid request gets an error
// answer with "id" null, since nothing in it can be trusted.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace velmora::client::remote {

using Json = nlohmann::ordered_json;

namespace rpc {
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
// A method that was understood but cannot be done now (as guiders answer: code 1).
inline constexpr int kMethodFailed = 1;
} // namespace rpc

struct RpcError {
    int code = rpc::kMethodFailed;
    std::string message;
};

struct RpcRequest {
    Json id; // null for a notification
    bool notification = false;
    std::string method;
    Json params; // array, object or null
};

// A request, or the error answer for the line.
struct RpcParse {
    std::optional<RpcRequest> request;
    std::optional<Json> errorAnswer;
};

RpcParse parseRequest(std::string_view line);

Json resultAnswer(const Json& id, Json result);
Json errorAnswer(const Json& id, const RpcError& error);

// One line on the wire: compact JSON, CR LF. Texts that are not UTF-8 are replaced
// rather than thrown on.
std::string wireLine(const Json& message);

// A parameter by position (params as an array) or by name (params as an object);
// nullptr when absent.
const Json* param(const Json& params, std::size_t index, const char* name);

} // namespace velmora::client::remote
