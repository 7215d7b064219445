#include "platform/registry/hive_file.h"

#include "platform/registry/regedit_format.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::registry {

namespace {

// Holds an exclusive flock for its lifetime. The lock file is opened afresh each
// time: flock belongs to the open file description, and a description inherited
// through fork would let parent and child hold "the" lock together.
int lockExclusive(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    return fd;
}

class FileLock {
public:
    explicit FileLock(const std::string& path, bool alreadyHeld = false)
        : m_fd(alreadyHeld ? -1 : lockExclusive(path))
    {
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd = -1;
};

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

// Settings are private to their user: folders we create are 0700.
void makePrivateFolders(const std::filesystem::path& folder)
{
    if (folder.empty() || std::filesystem::exists(folder))
        return;
    makePrivateFolders(folder.parent_path());
    ::mkdir(folder.c_str(), 0700);
}

} // namespace

HiveFile::HiveFile(std::string rootName, std::string path, std::vector<std::string> baseKeys)
    : m_rootName(std::move(rootName)), m_path(std::move(path)), m_baseKeys(std::move(baseKeys)),
      m_root(m_rootName)
{
}

HiveFile::~HiveFile()
{
    if (m_batchLockFd >= 0)
        ::close(m_batchLockFd);
}

std::optional<HiveFile::Identity> HiveFile::identityOnDisk() const
{
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0)
        return std::nullopt;
    return Identity{st.st_dev, st.st_ino, st.st_size,
                    static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

bool HiveFile::isStale() const
{
    return !m_loaded || identityOnDisk() != m_identity;
}

const RegistryKey& HiveFile::current()
{
    if (isStale()) {
        FileLock lock(m_path + ".lock", m_batchDepth > 0);
        reloadLocked();
    }
    return m_root;
}

void HiveFile::resetTree()
{
    m_root.clear();
    for (const auto& name : m_baseKeys)
        m_root.addChild(name);
}

void HiveFile::reloadLocked()
{
    m_loaded = true;
    m_identity.reset();
    int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        resetTree();
        return;
    }
    std::string text;
    struct stat st {};
    bool ok = readAll(fd, text) && ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!ok) {
        // Unreadable now (permissions, I/O error): keep nothing cached so the next
        // call tries again, and never write over a file we could not read.
        m_loaded = false;
        resetTree();
        return;
    }
    m_root.clear();
    std::string error;
    if (!parseRegedit(text, m_root, error)) {
        setAsideCorrupt(error);
        resetTree();
        return;
    }
    for (const auto& name : m_baseKeys)
        if (!m_root.child(name))
            m_root.addChild(name);
    m_identity = Identity{st.st_dev, st.st_ino, st.st_size,
                          static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

void HiveFile::setAsideCorrupt(const std::string& reason)
{
    const std::string base = m_path + ".corrupt-" + timestamp();
    std::string aside = base;
    for (int n = 2; std::filesystem::exists(aside); ++n)
        aside = base + "-" + std::to_string(n);
    if (::rename(m_path.c_str(), aside.c_str()) == 0) {
        std::fprintf(stderr, "velmora: registry file %s is damaged (%s); kept as %s, starting empty\n",
                     m_path.c_str(), reason.c_str(), aside.c_str());
    } else {
        std::fprintf(stderr, "velmora: registry file %s is damaged (%s) and could not be moved aside: %s\n",
                     m_path.c_str(), reason.c_str(), std::strerror(errno));
        // Without moving it aside we must never overwrite it: stay unloaded.
        m_loaded = false;
    }
}

bool HiveFile::writeLocked()
{
    std::string tmp = m_path + ".tmp." + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, formatRegedit(m_root)) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(tmp.c_str(), m_path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    // The folder is not synced: after a power cut the rename may be lost, which
    // leaves the previous complete file, never a damaged one.
    m_identity = identityOnDisk();
    return true;
}

LONG HiveFile::modify(const std::function<LONG(RegistryKey& root, bool& changed)>& change)
{
    makePrivateFolders(std::filesystem::path(m_path).parent_path());
    FileLock lock(m_path + ".lock", m_batchDepth > 0);
    if (isStale())
        reloadLocked();
    if (!m_loaded)
        return ERROR_WRITE_FAULT; // the file exists but could not be read or set aside
    bool changed = false;
    LONG rc = change(m_root, changed);
    if (rc != ERROR_SUCCESS || !changed)
        return rc;
    if (m_batchDepth > 0) {
        m_batchDirty = true;
        return ERROR_SUCCESS;
    }
    if (!writeLocked()) {
        m_loaded = false;
        return ERROR_WRITE_FAULT;
    }
    return ERROR_SUCCESS;
}

void HiveFile::beginBatch()
{
    if (m_batchDepth++ > 0)
        return;
    makePrivateFolders(std::filesystem::path(m_path).parent_path());
    m_batchLockFd = lockExclusive(m_path + ".lock");
    m_batchDirty = false;
    if (isStale())
        reloadLocked();
}

LONG HiveFile::endBatch()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return ERROR_SUCCESS;
    LONG rc = ERROR_SUCCESS;
    if (m_batchDirty && !writeLocked()) {
        m_loaded = false;
        rc = ERROR_WRITE_FAULT;
    }
    m_batchDirty = false;
    if (m_batchLockFd >= 0)
        ::close(m_batchLockFd);
    m_batchLockFd = -1;
    return rc;
}

} // namespace velmora::registry
