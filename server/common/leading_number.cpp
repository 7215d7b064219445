#include "server/common/leading_number.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace velmora::server {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Where the digits start, after white space and a sign; `negative` tells the sign.
std::size_t digitsStart(std::string_view text, bool& negative)
{
    std::size_t at = text.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string_view::npos)
        return text.size();
    negative = text[at] == '-';
    if (text[at] == '-' || text[at] == '+')
        ++at;
    return at;
}

} // namespace

double leadingNumber(std::string_view text)
{
    bool negative = false;
    const std::size_t at = digitsStart(text, negative);
    // Only digits or a decimal point may start the number itself; this keeps out the
    // "inf" and "nan" spellings from_chars would accept.
    if (at >= text.size() || !(isDigit(text[at]) || text[at] == '.'))
        return 0.0;
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

std::optional<std::int32_t> leadingInteger(std::string_view text)
{
    bool negative = false;
    std::size_t at = digitsStart(text, negative);
    std::int64_t magnitude = 0;
    constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > kLimit)
            return std::nullopt;
    }
    if (!negative && magnitude == kLimit)
        return std::nullopt;
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

} // namespace velmora::server
