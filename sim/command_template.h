#pragma once
// Recognises a KF-3 command line against one of its templates: literal characters,
// at most one "%d" standing for a single digit, and a trailing run of "x" standing for
// a value field of exactly that many characters (digits, with an optional leading "-").

#include <optional>
#include <string_view>

namespace velmora::sim {

struct CommandMatch {
    int index = 0; // the digit in place of "%d"; 0 without one
    int value = 0; // the value field; 0 without one
};

// The match of `line` (the command without its CR); none when it does not fit.
std::optional<CommandMatch> matchCommand(std::string_view commandTemplate, std::string_view line);

} // namespace velmora::sim
