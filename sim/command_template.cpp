#include "sim/command_template.h"

namespace velmora::sim {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A field of digits with an optional leading "-": "-001000", "00250".
std::optional<int> parseField(std::string_view field)
{
    bool negative = !field.empty() && field.front() == '-';
    if (negative)
        field.remove_prefix(1);
    if (field.empty() || field.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : field) {
        if (!isDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

} // namespace

std::optional<CommandMatch> matchCommand(std::string_view commandTemplate, std::string_view line)
{
    CommandMatch match;
    std::size_t fieldStart = commandTemplate.find('x');
    std::string_view head = commandTemplate.substr(0, fieldStart);
    std::size_t at = 0;
    for (std::size_t i = 0; i < head.size(); ++i, ++at) {
        if (at >= line.size())
            return std::nullopt;
        if (head.substr(i, 2) == "%d") {
            if (!isDigit(line[at]))
                return std::nullopt;
            match.index = line[at] - '0';
            ++i;
        } else if (head[i] != line[at]) {
            return std::nullopt;
        }
    }
    if (fieldStart == std::string_view::npos)
        return at == line.size() ? std::optional(match) : std::nullopt;
    std::size_t width = commandTemplate.size() - fieldStart;
    if (line.size() - at != width)
        return std::nullopt;
    std::optional<int> value = parseField(line.substr(at));
    if (!value)
        return std::nullopt;
    match.value = *value;
    return match;
}

} // namespace velmora::sim
