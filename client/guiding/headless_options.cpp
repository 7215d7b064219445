#include "client/guiding/headless_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace velmora::client {

namespace {

const char kUsage[] =
    "Usage: velmora-guide [--frames N] [--seconds S] [--lock] [--no-guide] [--star X,Y]\n"
    "       velmora-guide --serve [--port N] [--no-guide]\n"
    "\n"
    "Guides the telescope without a display, with the client's own settings: the\n"
    "camera, focuser and telescope drivers (section \"Drivers\"), the exposure time,\n"
    "the optics (\"Hardware\"), the reticle and the guiding controller (\"Guiding\").\n"
    "It binds and connects the drivers, exposes continuously, picks the brightest star\n"
    "of the first frame (or the one at --star), learns the sky level when no threshold\n"
    "is stored, and guides until it is told to stop. The settings are only read.\n"
    "\n"
    "Options:\n"
    "  --frames N     stop after N guided frames\n"
    "  --seconds S    stop after S seconds\n"
    "  --lock         put the reticle centre on the star's centroid after the first frame\n"
    "                 (for a session without a saved reticle)\n"
    "  --no-guide     measure the drift only: both axes off, no pulse is sent\n"
    "  --star X,Y     guide on the star at pixel (X, Y) of the first frame\n"
    "  --serve        a guiding server for imaging programs (the PHD2 event-server\n"
    "                 protocol): waits for their commands instead of guiding at once;\n"
    "                 listens on section \"Remote\" \"Listen Address\" (127.0.0.1) and\n"
    "                 \"Port\" (4400, or the next free one up to 4409)\n"
    "  --port N       listen on port N instead (0: any free port, which is printed)\n"
    "  --help         this text\n"
    "\n"
    "SIGINT or SIGTERM stop the same way: guiding stopped, drift log closed, drivers\n"
    "disconnected.\n"
    "\n"
    "Output (standard output): one JSON object per guided frame,\n"
    "  {\"frame\":1,\"t\":1.060,\"h\":0.412,\"v\":-0.118,\"pulses\":[{\"direction\":\"West\",\"ms\":41}]}\n"
    "with t in seconds since guiding started, h and v the star's offsets from the\n"
    "reticle centre along its axes in arcseconds, and the pulses posted for that frame;\n"
    "then a summary over all guided frames,\n"
    "  {\"frames\":N,\"rms_h\":…,\"rms_v\":…,\"rms_total\":…,\"peak_h\":…,\"peak_v\":…,\n"
    "   \"drift_h\":…,\"drift_v\":…}\n"
    "(RMS and peaks in arcseconds, drifts in arcseconds per second).\n"
    "\n"
    "Exit status: 0 after a run, 1 when the drivers, the camera or the guide star are\n"
    "missing, 2 for usage errors.\n";

std::optional<double> parseNumber(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::pair<int, int>> parsePosition(const std::string& text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    const std::optional<double> x = parseNumber(text.substr(0, comma));
    const std::optional<double> y = parseNumber(text.substr(comma + 1));
    if (!x || !y || *x < 0 || *y < 0 || *x > 1e6 || *y > 1e6)
        return std::nullopt;
    return std::make_pair(static_cast<int>(*x), static_cast<int>(*y));
}

// Applies one option that takes a value; false with `error` set when it is bad.
bool applyValue(HeadlessOptions& options, const std::string& name, const std::string& value,
                std::string& error)
{
    const std::optional<double> number = parseNumber(value);
    if (name == "--frames" && number && *number >= 1 && *number <= 1e9 && *number == std::floor(*number)) {
        options.frames = static_cast<long>(*number);
        return true;
    }
    if (name == "--seconds" && number && *number > 0 && *number <= 1e9) {
        options.seconds = *number;
        return true;
    }
    if (name == "--port" && number && *number >= 0 && *number <= 65535 && *number == std::floor(*number)) {
        options.port = static_cast<int>(*number);
        return true;
    }
    if (name == "--star") {
        options.star = parsePosition(value);
        if (options.star)
            return true;
    }
    error = "bad value for " + name + ": '" + value + "'";
    return false;
}

} // namespace

HeadlessParse parseHeadlessOptions(const std::vector<std::string>& arguments)
{
    HeadlessOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--lock") {
            options.lock = true;
        } else if (argument == "--no-guide") {
            options.noGuide = true;
        } else if (argument == "--serve") {
            options.serve = true;
        } else if (argument == "--frames" || argument == "--seconds" || argument == "--star" ||
                   argument == "--port") {
            if (i + 1 >= arguments.size())
                return {std::nullopt, argument + " needs a value"};
            std::string error;
            if (!applyValue(options, argument, arguments[++i], error))
                return {std::nullopt, error};
        } else {
            return {std::nullopt, "unknown option '" + argument + "'"};
        }
    }
    if (options.serve && (options.frames || options.seconds || options.lock || options.star))
        return {std::nullopt,
                "--serve guides on its clients' commands: no --frames, --seconds, --lock or --star"};
    if (options.port && !options.serve)
        return {std::nullopt, "--port is for --serve"};
    return {options, {}};
}

const char* headlessUsage()
{
    return kUsage;
}

} // namespace velmora::client
