#include "platform/registry/hive_file.h"

#include "platform/registry/private_files.h"
#include "platform/registry/regedit_format.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velmora::registry {

namespace {

std::atomic<long long> g_lockTimeoutMs{HiveFile::kLockTimeout.count()};

bool readAll(int fd, std::string& out)
{
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buf, static_cast<std::size_t>(n));
    }
}

bool writeAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string timestamp()
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

// A free name beside `path` for keeping a damaged file.
std::string asideName(const std::string& path)
{
    const std::string base = path + ".corrupt-" + timestamp();
    std::string aside = base;
    for (int n = 2; std::filesystem::exists(aside); ++n)
        aside = base + "-" + std::to_string(n);
    return aside;
}

std::string errorText()
{
    return std::strerror(errno);
}

} // namespace

HiveFile::HiveFile(std::string rootName, std::vector<std::string> folders, std::string path,
                   std::vector<std::string> baseKeys, std::string unusable)
    : m_rootName(std::move(rootName)), m_folders(std::move(folders)), m_path(std::move(path)),
      m_baseKeys(std::move(baseKeys)), m_unusable(std::move(unusable)), m_root(m_rootName)
{
}

HiveFile::~HiveFile() = default;

void HiveFile::setLockTimeoutForTesting(std::chrono::milliseconds timeout)
{
    g_lockTimeoutMs = timeout.count();
}

std::string HiveFile::describe() const
{
    return "velmora: registry file " + m_path;
}

LONG HiveFile::fail(LONG error, const std::string& message)
{
    m_loaded = false;
    if (message != m_lastReport) {
        std::fprintf(stderr, "%s\n", message.c_str());
        m_lastReport = message;
    }
    return error;
}

std::optional<HiveFile::Identity> HiveFile::identityOnDisk() const
{
    struct stat st {};
    if (m_path.empty() || ::stat(m_path.c_str(), &st) != 0)
        return std::nullopt;
    return Identity{st.st_dev, st.st_ino, st.st_size,
                    static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

bool HiveFile::isStale() const
{
    return !m_loaded || identityOnDisk() != m_identity;
}

LONG HiveFile::checkFolders(bool create)
{
    if (!m_unusable.empty()) {
        // Said once for all hives: they share the reason.
        static bool reported = false;
        if (!std::exchange(reported, true))
            std::fprintf(stderr, "velmora: settings are not used: %s\n", m_unusable.c_str());
        m_loaded = false;
        return ERROR_ACCESS_DENIED;
    }
    if (create && !m_folders.empty())
        makePrivateFolders(m_folders.back());
    for (const auto& folder : m_folders) {
        struct stat st {};
        if (!create && ::stat(folder.c_str(), &st) != 0 && errno == ENOENT)
            return ERROR_SUCCESS; // nothing there yet, so nothing anybody planted
        if (const std::string problem = privateFolderProblem(folder); !problem.empty())
            return fail(ERROR_ACCESS_DENIED,
                        "velmora: settings folder " + folder + " is not used: it " + problem);
    }
    return ERROR_SUCCESS;
}

LONG HiveFile::lockFile(std::optional<FileLock>& lock)
{
    std::string why;
    lock = FileLock::lock(m_path + ".lock", std::chrono::milliseconds(g_lockTimeoutMs.load()), &why);
    if (!lock)
        return fail(ERROR_LOCK_VIOLATION,
                    describe() + " is not used: its lock file " + m_path + ".lock " + why);
    return ERROR_SUCCESS;
}

const RegistryKey* HiveFile::current(LONG& error)
{
    error = isStale() ? refresh() : ERROR_SUCCESS;
    return error == ERROR_SUCCESS ? &m_root : nullptr;
}

LONG HiveFile::refresh()
{
    if (m_batchDepth > 0)
        return m_batchError != ERROR_SUCCESS ? m_batchError : reloadLocked();
    if (LONG rc = checkFolders(false); rc != ERROR_SUCCESS)
        return rc;
    struct stat st {};
    if (::stat(m_folders.back().c_str(), &st) != 0) {
        // No registry folder yet: every hive is empty.
        resetTree();
        m_loaded = true;
        m_identity.reset();
        return ERROR_SUCCESS;
    }
    std::optional<FileLock> lock;
    if (LONG rc = lockFile(lock); rc != ERROR_SUCCESS)
        return rc;
    return reloadLocked();
}

void HiveFile::resetTree()
{
    m_root.clear();
    for (const auto& name : m_baseKeys)
        m_root.addChild(name);
}

LONG HiveFile::targetOf(std::string& target, bool& throughLink)
{
    target = m_path;
    throughLink = false;
    struct stat st {};
    if (::lstat(m_path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return ERROR_SUCCESS;
    char resolved[PATH_MAX];
    if (!::realpath(m_path.c_str(), resolved))
        return fail(ERROR_ACCESS_DENIED,
                    describe() +
                        " is not used: it is a symbolic link whose target cannot be reached: " + errorText());
    const std::string folder = std::filesystem::path(resolved).parent_path().string();
    if (const std::string problem = privateFolderProblem(folder); !problem.empty())
        return fail(ERROR_ACCESS_DENIED,
                    describe() + " is not used: the folder " + folder + " of its link target " + problem);
    target = resolved;
    throughLink = true;
    return ERROR_SUCCESS;
}

LONG HiveFile::reloadLocked()
{
    m_loaded = false;
    m_identity.reset();
    std::string target;
    bool throughLink = false;
    if (LONG rc = targetOf(target, throughLink); rc != ERROR_SUCCESS)
        return rc;
    const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0 && errno == ENOENT) {
        resetTree();
        m_loaded = true;
        m_lastReport.clear();
        return ERROR_SUCCESS;
    }
    if (fd < 0) {
        // Unreadable (permissions, I/O error): a read failure, and never written over.
        return fail(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_READ_FAULT,
                    describe() + " cannot be read (" + errorText() + "); it is left as it is");
    }
    const LONG rc = loadFrom(fd, target, throughLink);
    ::close(fd);
    return rc;
}

LONG HiveFile::loadFrom(int fd, const std::string& target, bool throughLink)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(ERROR_ACCESS_DENIED, describe() + " is not used: it is not a regular file");
    if (const std::string problem = ownershipProblem(st); !problem.empty())
        return fail(ERROR_ACCESS_DENIED, describe() + " is not used: it " + problem);
    std::string text;
    if (!readAll(fd, text))
        return fail(ERROR_READ_FAULT,
                    describe() + " cannot be read (" + errorText() + "); it is left as it is");
    m_root.clear();
    std::string error;
    if (!parseRegedit(text, m_root, error))
        return setAsideDamaged(target, text, throughLink, error);
    for (const auto& name : m_baseKeys)
        if (!m_root.child(name))
            m_root.addChild(name);
    m_identity = Identity{st.st_dev, st.st_ino, st.st_size,
                          static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
    m_loaded = true;
    m_lastReport.clear();
    return ERROR_SUCCESS;
}

LONG HiveFile::setAsideDamaged(const std::string& target, const std::string& text, bool throughLink,
                               const std::string& reason)
{
    resetTree();
    const std::string aside = asideName(target);
    bool kept = false;
    if (throughLink) {
        // The link stays: a copy is kept and the target is replaced by the next change.
        const int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        kept = fd >= 0 && writeAll(fd, text) && ::fsync(fd) == 0;
        if (fd >= 0)
            kept = ::close(fd) == 0 && kept;
    } else {
        kept = ::rename(target.c_str(), aside.c_str()) == 0;
    }
    if (!kept)
        return fail(ERROR_ACCESS_DENIED,
                    describe() + " is damaged (" + reason + ") and could not be kept aside: " + errorText());
    std::fprintf(stderr, "velmora: registry file %s is damaged (%s); kept as %s, starting empty\n",
                 m_path.c_str(), reason.c_str(), aside.c_str());
    m_identity = identityOnDisk();
    m_loaded = true;
    return ERROR_SUCCESS;
}

LONG HiveFile::writeLocked()
{
    std::string target;
    bool throughLink = false;
    if (LONG rc = targetOf(target, throughLink); rc != ERROR_SUCCESS)
        return rc;
    const std::string tmp = target + ".tmp." + std::to_string(::getpid());
    ::unlink(tmp.c_str()); // left by a crashed process that had this id
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return fail(ERROR_WRITE_FAULT, describe() + " cannot be written: " + errorText());
    bool ok = writeAll(fd, formatRegedit(m_root)) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(tmp.c_str(), target.c_str()) != 0) {
        const std::string why = errorText();
        ::unlink(tmp.c_str());
        return fail(ERROR_WRITE_FAULT, describe() + " cannot be written: " + why);
    }
    // The folder is not synced: after a power cut the rename may be lost, which
    // leaves the previous complete file, never a damaged one.
    m_identity = identityOnDisk();
    return ERROR_SUCCESS;
}

LONG HiveFile::modify(const std::function<LONG(RegistryKey& root, bool& changed)>& change)
{
    std::optional<FileLock> lock;
    if (m_batchDepth > 0) {
        if (m_batchError != ERROR_SUCCESS)
            return m_batchError;
    } else if (LONG rc = checkFolders(true); rc != ERROR_SUCCESS) {
        return rc;
    } else if (LONG locked = lockFile(lock); locked != ERROR_SUCCESS) {
        return locked;
    }
    if (isStale())
        if (LONG rc = reloadLocked(); rc != ERROR_SUCCESS)
            return rc;
    bool changed = false;
    LONG rc = change(m_root, changed);
    if (rc != ERROR_SUCCESS || !changed)
        return rc;
    if (m_batchDepth > 0) {
        m_batchDirty = true;
        return ERROR_SUCCESS;
    }
    return writeLocked();
}

void HiveFile::beginBatch()
{
    if (m_batchDepth++ > 0)
        return;
    m_batchDirty = false;
    m_batchError = checkFolders(true);
    if (m_batchError == ERROR_SUCCESS)
        m_batchError = lockFile(m_batchLock);
    if (m_batchError == ERROR_SUCCESS && isStale())
        reloadLocked();
}

LONG HiveFile::endBatch()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return ERROR_SUCCESS;
    LONG rc = ERROR_SUCCESS;
    if (m_batchDirty && m_batchError == ERROR_SUCCESS)
        rc = writeLocked();
    m_batchDirty = false;
    m_batchError = ERROR_SUCCESS;
    m_batchLock.reset();
    return rc;
}

} // namespace velmora::registry
