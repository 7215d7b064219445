#include "client/remote/request_params.h"

#include <cmath>

namespace velmora::client::remote {

namespace {

constexpr double kLongestSettleSeconds = 24 * 3600.0;
constexpr double kLargestSettlePixels = 1000.0;

} // namespace

void RequestParams::fail(const char* name, const char* what)
{
    if (m_error.empty())
        m_error = std::string("invalid params: ") + name + " " + what;
}

std::optional<bool> RequestParams::boolean(std::size_t index, const char* name, std::optional<bool> fallback)
{
    const Json* value = find(index, name);
    if (value == nullptr || value->is_null()) {
        if (!fallback)
            fail(name, "is missing");
        return fallback;
    }
    if (!value->is_boolean()) {
        fail(name, "must be true or false");
        return std::nullopt;
    }
    return value->get<bool>();
}

std::optional<double> RequestParams::number(std::size_t index, const char* name, double low, double high,
                                            std::optional<double> fallback)
{
    const Json* value = find(index, name);
    if (value == nullptr || value->is_null()) {
        if (!fallback)
            fail(name, "is missing");
        return fallback;
    }
    if (!value->is_number()) {
        fail(name, "must be a number");
        return std::nullopt;
    }
    const double number = value->get<double>();
    if (!std::isfinite(number) || number < low || number > high) {
        fail(name, "is out of range");
        return std::nullopt;
    }
    return number;
}

std::optional<std::string> RequestParams::text(std::size_t index, const char* name,
                                               std::optional<std::string> fallback)
{
    const Json* value = find(index, name);
    if (value == nullptr || value->is_null()) {
        if (!fallback)
            fail(name, "is missing");
        return fallback;
    }
    if (!value->is_string()) {
        fail(name, "must be a string");
        return std::nullopt;
    }
    return value->get<std::string>();
}

std::optional<SettleParams> RequestParams::settle(std::size_t index, const char* name)
{
    const Json* value = find(index, name);
    if (value == nullptr || !value->is_object()) {
        fail(name, "must be an object with pixels, time and timeout");
        return std::nullopt;
    }
    RequestParams fields(*value);
    SettleParams settle;
    const std::optional<double> pixels = fields.number(0, "pixels", 0.0, kLargestSettlePixels);
    const std::optional<double> time = fields.number(0, "time", 0.0, kLongestSettleSeconds);
    const std::optional<double> timeout = fields.number(0, "timeout", 0.0, kLongestSettleSeconds);
    if (fields.failed() || *pixels <= 0.0 || *timeout <= 0.0) {
        m_error = fields.failed() ? "invalid params: settle " + fields.error().substr(16)
                                  : "invalid params: settle pixels and timeout must be above 0";
        return std::nullopt;
    }
    settle.pixels = *pixels;
    settle.timeSeconds = *time;
    settle.timeoutSeconds = *timeout;
    return settle;
}

} // namespace velmora::client::remote
