#pragma once
// The command line of velmora-call: options, the ProgID and the steps, parsed and
// checked before anything runs.

#include "platform/automation/variant.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::tools {

enum class StepKind { Get, Put, Call, WaitTrue, Sleep, Release };

struct Step {
    StepKind kind = StepKind::Get;
    std::string member;
    std::vector<automation::Variant> values; // put: one; call: the arguments in order
    long long milliseconds = 0;              // wait-true, sleep
};

struct CallScript {
    std::string progId;
    std::string dumpFile; // empty: no dump
    std::vector<Step> steps;
};

struct ParseResult {
    std::optional<CallScript> script;
    bool help = false;
    std::string error; // a usage error when neither script nor help
};

ParseResult parseCommandLine(const std::vector<std::string>& arguments);

// "i2:-1", "i4:5", "i8:7", "r8:1.5", "bool:true", "str:text", or untyped: an integer
// is VT_I4, a decimal VT_R8, true/false VT_BOOL, anything else VT_BSTR. nullopt for a
// typed literal that does not parse or fit.
std::optional<automation::Variant> parseLiteral(std::string_view text);

} // namespace velmora::tools
