#pragma once
// Reads velmora-guide's output in the end-to-end tests.

#include <cstdlib>
#include <string>

namespace velmora::testing {

// A number field of the summary line ({"frames":...}), or -1.
inline double summaryField(const std::string& output, const std::string& field)
{
    const std::size_t summary = output.rfind("{\"frames\":");
    if (summary == std::string::npos)
        return -1;
    const std::size_t at = output.find("\"" + field + "\":", summary);
    if (at == std::string::npos)
        return -1;
    return std::atof(output.c_str() + at + field.size() + 3);
}

} // namespace velmora::testing
