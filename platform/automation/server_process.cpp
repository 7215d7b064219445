#include "platform/automation/server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <future>
#include <thread>

extern char** environ;

namespace velmora::automation {

namespace {

struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_init(&attributes);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        // A session of its own: the server outlives a client stopped from its terminal.
        posix_spawnattr_setflags(&attributes,
                                 POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

// Spawns the executable; its pid, or -1.
pid_t spawnServer(const std::string& executable, const std::vector<std::string>& arguments)
{
    std::vector<std::string> words{executable};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    SpawnSetup setup;
    pid_t pid = -1;
    if (posix_spawn(&pid, executable.c_str(), &setup.actions, &setup.attributes, argv.data(), environ) != 0)
        return -1;
    return pid;
}

} // namespace

std::shared_ptr<ServerProcess> startServerProcess(const std::string& executable,
                                                  const std::vector<std::string>& arguments)
{
    // The thread that will reap the server starts it: a server is only ever started
    // when something is there to reap it, so none lingers as a zombie of this client.
    auto process = std::make_shared<ServerProcess>();
    std::promise<pid_t> started;
    std::future<pid_t> pid = started.get_future();
    try {
        std::thread([process, executable, arguments, started = std::move(started)]() mutable {
            pid_t child = -1;
            try {
                child = spawnServer(executable, arguments);
            } catch (...) {
                // Out of memory for the argument list: no server.
            }
            process->pid = child;
            started.set_value(child);
            if (child < 0)
                return;
            int status = 0;
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            process->exited = true;
        }).detach();
    } catch (...) {
        return nullptr;
    }
    return pid.get() < 0 ? nullptr : process;
}

} // namespace velmora::automation
