#pragma once
// Test support for the windows' tests: a clock that moves a fixed step each time it is
// read, a disk of a given free space, and file dialogs that answer as the test says.

#include "client/devices/high_resolution_clock.h"
#include "client/shell/file_dialogs.h"
#include "client/shell/user_paths.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::client {

// Milliseconds; every read moves it on by `step`.
struct SteppingClock : HighResolutionClock {
    explicit SteppingClock(std::int64_t stepMs = 50) : step(stepMs) {}
    std::int64_t counter() const override { return now += step; }
    std::int64_t frequency() const override { return 1000; }
    std::int64_t step;
    mutable std::int64_t now = 0;
};

struct FixedFreeSpace : FreeSpaceQuery {
    explicit FixedFreeSpace(std::optional<std::uint64_t> free) : bytes(free) {}
    std::optional<std::uint64_t> freeBytes(const std::string&) const override { return bytes; }
    std::optional<std::uint64_t> bytes;
};

struct ScriptedFileDialogs : FileDialogs {
    std::optional<std::string> saveFile(const SaveFileRequest& request) override { return answerFor(request); }
    std::optional<std::string> openFile(const SaveFileRequest& request) override { return answerFor(request); }
    std::optional<std::string> answer;
    std::vector<SaveFileRequest> requests;

private:
    std::optional<std::string> answerFor(const SaveFileRequest& request)
    {
        requests.push_back(request);
        return answer;
    }
};

} // namespace velmora::client
