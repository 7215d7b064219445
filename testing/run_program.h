#pragma once
// Runs a program with stdout and stderr captured, for tests that drive the real
// executables.

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

// A program started and not yet waited for: its pid (-1 when it could not start) and
// the files its stdout and stderr go to.
struct StartedProgram {
    int pid = -1;
    std::string out;
    std::string err;
    std::chrono::steady_clock::time_point start;
};

// The environment is this process's; `workFolder` receives the capture files.
StartedProgram startProgram(const std::string& path, const std::vector<std::string>& arguments,
                            const std::string& workFolder);
// Waits for the program's end (it is killed when still running after `limit` from its
// start) and collects what it printed.
ProgramOutcome finishProgram(const StartedProgram& program,
                             std::chrono::milliseconds limit = std::chrono::minutes(4));
// Both: runs a program to its end. A program still running after `limit` is killed.
ProgramOutcome runProgram(const std::string& path, const std::vector<std::string>& arguments,
                          const std::string& workFolder,
                          std::chrono::milliseconds limit = std::chrono::minutes(4));

// Processes running `executable` whose environment holds VELMORA_HOME=home.
std::vector<int> serverProcesses(const std::string& executable, const std::string& home);

} // namespace velmora::testing
