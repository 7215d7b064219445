#pragma once
// The command line of the headless guider (velmora-guide).

#include <optional>
#include <string>
#include <vector>

namespace velmora::client {

struct HeadlessOptions {
    std::optional<long> frames;              // stop after this many guided frames
    std::optional<double> seconds;           // stop after this long
    bool lock = false;                       // reticle centre onto the star after the first frame
    bool noGuide = false;                    // measure drift only: no corrections
    std::optional<std::pair<int, int>> star; // guide star position instead of the brightest
    bool serve = false;                      // a guiding server: act on its clients' commands
    std::optional<int> port;                 // the server's port instead of the setting
    bool help = false;
};

struct HeadlessParse {
    std::optional<HeadlessOptions> options; // empty on a usage error
    std::string error;
};

HeadlessParse parseHeadlessOptions(const std::vector<std::string>& arguments);

// The --help text.
const char* headlessUsage();

} // namespace velmora::client
