#include "testing/other_user.h"

#include "testing/temp_home.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

namespace velmora::testing {

bool canSwitchUsers()
{
    return ::geteuid() == 0;
}

std::string runAsUser(uid_t uid, const std::function<std::string()>& body)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child < 0)
        return "no fork";
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string outcome;
        if (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0 ||
            ::setresuid(uid, uid, uid) != 0)
            outcome = "could not switch to uid " + std::to_string(uid);
        else
            outcome = body();
        [[maybe_unused]] ssize_t n = ::write(pipeFds[1], outcome.data(), outcome.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string outcome;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        outcome.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the child as uid " + std::to_string(uid) + " did not finish normally";
    return outcome;
}

SharedScratch::SharedScratch()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "velmora-users-XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
    ::chmod(m_path.c_str(), 0711);
}

SharedScratch::~SharedScratch()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string SharedScratch::folderOf(const std::string& name, uid_t uid, mode_t mode) const
{
    const std::string path = m_path + "/" + name;
    ::mkdir(path.c_str(), 0700);
    [[maybe_unused]] int rc = ::chown(path.c_str(), uid, uid);
    ::chmod(path.c_str(), mode);
    return path;
}

void SharedScratch::fileOf(const std::string& path, const std::string& contents, uid_t uid, mode_t mode) const
{
    writeFile(path, contents);
    [[maybe_unused]] int rc = ::chown(path.c_str(), uid, uid);
    ::chmod(path.c_str(), mode);
}

} // namespace velmora::testing
