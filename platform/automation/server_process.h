#pragma once
// Starting a local server's executable.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace velmora::automation {

// Whether a started server has exited (it is reaped by a thread of its own).
struct ServerProcess {
    int pid = -1;
    std::atomic<bool> exited{false};
};

// Starts `executable` with `arguments` in a session of its own, with this
// environment, default signal handling, and stdin and stdout on /dev/null. Null when
// it cannot be started.
std::shared_ptr<ServerProcess> startServerProcess(const std::string& executable,
                                                  const std::vector<std::string>& arguments);

} // namespace velmora::automation
