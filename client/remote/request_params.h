#pragma once
// Reading a request's parameters, by position or by name: a missing optional value
// gives its fallback; a value of the wrong type or out of range gives an error text,
// never an exception.

#include "client/remote/json_rpc.h"
#include "client/remote/settle_monitor.h"

#include <optional>
#include <string>

namespace velmora::client::remote {

class RequestParams {
public:
    explicit RequestParams(const Json& params) : m_params(params) {}

    std::optional<bool> boolean(std::size_t index, const char* name, std::optional<bool> fallback = {});
    // A finite number within [low, high].
    std::optional<double> number(std::size_t index, const char* name, double low, double high,
                                 std::optional<double> fallback = {});
    std::optional<std::string> text(std::size_t index, const char* name,
                                    std::optional<std::string> fallback = {});
    // {"pixels":…,"time":…,"timeout":…}.
    std::optional<SettleParams> settle(std::size_t index, const char* name);

    bool failed() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }

private:
    const Json* find(std::size_t index, const char* name) const { return param(m_params, index, name); }
    void fail(const char* name, const char* what);

    const Json& m_params;
    std::string m_error;
};

} // namespace velmora::client::remote
