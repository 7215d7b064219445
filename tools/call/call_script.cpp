#include "tools/call/call_script.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace velmora::tools {

using automation::Variant;

namespace {

bool isKeyword(std::string_view word)
{
    return word == "get" || word == "put" || word == "call" || word == "wait-true" || word == "sleep" ||
           word == "release";
}

template <class Number> std::optional<Number> parseWhole(std::string_view text)
{
    Number value{};
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> parseReal(std::string_view text)
{
    double value = 0;
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<bool> parseBool(std::string_view text)
{
    if (text == "true" || text == "True" || text == "TRUE")
        return true;
    if (text == "false" || text == "False" || text == "FALSE")
        return false;
    return std::nullopt;
}

std::optional<Variant> parseTyped(std::string_view type, std::string_view value)
{
    if (type == "str")
        return Variant::string(value);
    if (type == "i2") {
        const auto v = parseWhole<std::int16_t>(value);
        return v ? std::optional(Variant::i2(*v)) : std::nullopt;
    }
    if (type == "i4") {
        const auto v = parseWhole<std::int32_t>(value);
        return v ? std::optional(Variant::i4(*v)) : std::nullopt;
    }
    if (type == "i8") {
        const auto v = parseWhole<std::int64_t>(value);
        return v ? std::optional(Variant::i8(*v)) : std::nullopt;
    }
    if (type == "r8") {
        const auto v = parseReal(value);
        return v ? std::optional(Variant::r8(*v)) : std::nullopt;
    }
    const auto v = parseBool(value);
    return v ? std::optional(Variant::boolean(*v)) : std::nullopt;
}

// Reads one step starting at arguments[i]; advances i past it.
bool parseStep(const std::vector<std::string>& arguments, std::size_t& i, Step& step, std::string& error)
{
    const std::string& keyword = arguments[i++];
    auto operand = [&](const char* what) -> const std::string* {
        if (i >= arguments.size()) {
            error = "'" + keyword + "' needs " + what;
            return nullptr;
        }
        return &arguments[i++];
    };
    auto milliseconds = [&](const char* what) {
        const std::string* text = operand(what);
        const auto value = text ? parseWhole<long long>(*text) : std::nullopt;
        if (text && (!value || *value < 0))
            error = "'" + keyword + "': " + *text + " is not a number of milliseconds";
        return value.value_or(0);
    };
    auto value = [&](const std::string& text) {
        auto parsed = parseLiteral(text);
        if (!parsed)
            error = "'" + text + "' is not a valid value";
        else
            step.values.push_back(std::move(*parsed));
    };
    if (keyword == "sleep") {
        step.kind = StepKind::Sleep;
        step.milliseconds = milliseconds("a time in milliseconds");
        return error.empty();
    }
    if (keyword == "release") {
        step.kind = StepKind::Release;
        return true;
    }
    const std::string* member = operand("a member name");
    if (!member)
        return false;
    step.member = *member;
    if (keyword == "get") {
        step.kind = StepKind::Get;
    } else if (keyword == "put") {
        step.kind = StepKind::Put;
        if (const std::string* text = operand("a value"))
            value(*text);
    } else if (keyword == "wait-true") {
        step.kind = StepKind::WaitTrue;
        step.milliseconds = milliseconds("a time-out in milliseconds");
    } else {
        step.kind = StepKind::Call;
        // Arguments run to the next step's keyword ("str:get" passes the word itself).
        while (i < arguments.size() && !isKeyword(arguments[i]) && error.empty())
            value(arguments[i++]);
    }
    return error.empty();
}

} // namespace

std::optional<Variant> parseLiteral(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view type = text.substr(0, colon);
        if (type == "i2" || type == "i4" || type == "i8" || type == "r8" || type == "bool" || type == "str")
            return parseTyped(type, text.substr(colon + 1));
    }
    if (const auto whole = parseWhole<long long>(text)) {
        if (*whole < INT32_MIN || *whole > INT32_MAX)
            return std::nullopt;
        return Variant::i4(static_cast<LONG>(*whole));
    }
    if (const auto real = parseReal(text); real && text.find_first_of(".eE") != std::string_view::npos)
        return Variant::r8(*real);
    if (const auto flag = parseBool(text))
        return Variant::boolean(*flag);
    return Variant::string(text);
}

ParseResult parseCommandLine(const std::vector<std::string>& arguments)
{
    ParseResult result;
    CallScript script;
    std::size_t i = 0;
    for (; i < arguments.size() && arguments[i].size() > 1 && arguments[i][0] == '-'; ++i) {
        if (arguments[i] == "--help" || arguments[i] == "-h") {
            result.help = true;
            return result;
        }
        if (arguments[i] != "--dump" || i + 1 >= arguments.size()) {
            result.error =
                arguments[i] == "--dump" ? "--dump needs a file name" : "unknown option " + arguments[i];
            return result;
        }
        script.dumpFile = arguments[++i];
    }
    if (i >= arguments.size()) {
        result.error = "no ProgID given";
        return result;
    }
    script.progId = arguments[i++];
    while (i < arguments.size()) {
        if (!isKeyword(arguments[i])) {
            result.error = "unknown step '" + arguments[i] + "'";
            return result;
        }
        Step step;
        if (!parseStep(arguments, i, step, result.error))
            return result;
        script.steps.push_back(std::move(step));
    }
    result.script = std::move(script);
    return result;
}

} // namespace velmora::tools
