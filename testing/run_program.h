#pragma once
// Runs a program to its end with stdout and stderr captured, for tests that drive
// the real executables.

#include <chrono>
#include <string>
#include <vector>

namespace velmora::testing {

struct ProgramOutcome {
    int status = -1; // exit status, -1 when it did not exit normally
    std::string out;
    std::string err;
    bool killed = false;               // still running at the time limit, so killed
    std::chrono::milliseconds took{0}; // from start to end
};

// The environment is this process's; `workFolder` receives the capture files. A
// program still running after `limit` is killed.
ProgramOutcome runProgram(const std::string& path, const std::vector<std::string>& arguments,
                          const std::string& workFolder,
                          std::chrono::milliseconds limit = std::chrono::minutes(4));

// Processes running `executable` whose environment holds VELMORA_HOME=home.
std::vector<int> serverProcesses(const std::string& executable, const std::string& home);

} // namespace velmora::testing
