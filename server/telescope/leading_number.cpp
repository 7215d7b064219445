#include "server/telescope/leading_number.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace velmora::server {

double leadingNumber(std::string_view text)
{
    std::size_t at = text.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string_view::npos)
        return 0.0;
    bool negative = text[at] == '-';
    if (text[at] == '-' || text[at] == '+')
        ++at;
    // Only digits or a decimal point may start the number itself; this keeps out the
    // "inf" and "nan" spellings from_chars would accept.
    if (at >= text.size() || !(std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '.'))
        return 0.0;
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

} // namespace velmora::server
