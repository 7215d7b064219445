#include "testing/run_program.h"

#include "testing/temp_home.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace velmora::testing {

StartedProgram startProgram(const std::string& path, const std::vector<std::string>& arguments,
                            const std::string& workFolder)
{
    static int serial = 0;
    const std::string stem =
        workFolder + "/run-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    StartedProgram program;
    program.out = stem + ".out";
    program.err = stem + ".err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, program.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, program.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> args = arguments;
    args.insert(args.begin(), path);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    program.start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ) == 0)
        program.pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    return program;
}

ProgramOutcome finishProgram(const StartedProgram& program, std::chrono::milliseconds limit)
{
    ProgramOutcome result;
    if (program.pid > 0) {
        int status = 0;
        for (;;) {
            const pid_t done = waitpid(program.pid, &status, WNOHANG);
            if (done == program.pid || (done < 0 && errno != EINTR))
                break;
            if (std::chrono::steady_clock::now() - program.start > limit && !result.killed) {
                ::kill(program.pid, SIGKILL);
                result.killed = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5)); // polling a child's end
        }
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    result.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                        program.start);
    result.out = readFile(program.out);
    result.err = readFile(program.err);
    return result;
}

ProgramOutcome runProgram(const std::string& path, const std::vector<std::string>& arguments,
                          const std::string& workFolder, std::chrono::milliseconds limit)
{
    return finishProgram(startProgram(path, arguments, workFolder), limit);
}

std::vector<int> serverProcesses(const std::string& executable, const std::string& home)
{
    std::vector<int> found;
    const std::string wanted = std::filesystem::weakly_canonical(executable).string();
    const std::string marker = "VELMORA_HOME=" + home + std::string(1, '\0');
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code linkError;
        auto exe = std::filesystem::read_symlink(entry.path() / "exe", linkError);
        if (linkError || exe.string() != wanted)
            continue;
        if (readFile((entry.path() / "environ").string()).find(marker) != std::string::npos)
            found.push_back(std::stoi(name));
    }
    return found;
}

} // namespace velmora::testing
