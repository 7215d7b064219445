#pragma once
// One hive: its cached tree and the REGEDIT4 file behind it, shared with other
// processes through an exclusive flock on "<file>.lock" around every change.
//
// The file is only used when it, its folder and the per-user folder above belong to
// this user and nobody else may write to them; a file that exists but cannot be read
// is never written over. A hive that is a symbolic link is read and written through
// to its target (which obeys the same rule), so the link stays in place. Every
// refusal is reported once on standard error and the calls fail with an error.

#include "platform/registry/file_lock.h"
#include "platform/registry/registry_key.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velmora::registry {

class HiveFile {
public:
    // How long a change waits for another process's lock before it fails.
    static constexpr std::chrono::milliseconds kLockTimeout{10000};

    // `folders` must be private (the per-user folder and the registry folder in it);
    // `path` is the hive file inside the last one. An empty `path` names no usable
    // location: `unusable` says why. baseKeys exist in every hive of this root, as on
    // Windows (HKCU\Software).
    HiveFile(std::string rootName, std::vector<std::string> folders, std::string path,
             std::vector<std::string> baseKeys, std::string unusable = {});
    ~HiveFile();
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    // The tree as last committed by any process; null when the hive cannot be used
    // now, with the reason's code in `error`.
    const RegistryKey* current(LONG& error);

    // Runs `change` on the freshest tree while holding the file lock; when it returns
    // ERROR_SUCCESS and sets `changed`, the tree is written back atomically. A failed
    // write returns ERROR_WRITE_FAULT and the cache is dropped, so memory never claims
    // what the file does not hold.
    LONG modify(const std::function<LONG(RegistryKey& root, bool& changed)>& change);

    const std::string& path() const { return m_path; }

    // While a batch is open the hive stays locked against other processes and
    // changes are written once, when the outermost batch ends.
    void beginBatch();
    LONG endBatch();

    static void setLockTimeoutForTesting(std::chrono::milliseconds timeout);

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long mtimeNs = 0;
        bool operator==(const Identity&) const = default;
    };
    std::optional<Identity> identityOnDisk() const;
    bool isStale() const;
    LONG checkFolders(bool create);
    LONG lockFile(std::optional<FileLock>& lock);
    LONG refresh();
    LONG reloadLocked();
    LONG loadFrom(int fd, const std::string& target, bool throughLink);
    LONG targetOf(std::string& target, bool& throughLink);
    void resetTree();
    LONG setAsideDamaged(const std::string& target, const std::string& text, bool throughLink,
                         const std::string& reason);
    LONG fail(LONG error, const std::string& message);
    LONG writeLocked();
    std::string describe() const;

    std::string m_rootName;
    std::vector<std::string> m_folders;
    std::string m_path;
    std::vector<std::string> m_baseKeys;
    std::string m_unusable;
    RegistryKey m_root;
    bool m_loaded = false;
    std::optional<Identity> m_identity; // nullopt with m_loaded: the file did not exist
    std::string m_lastReport;
    int m_batchDepth = 0;
    LONG m_batchError = ERROR_SUCCESS;
    std::optional<FileLock> m_batchLock;
    bool m_batchDirty = false;
};

} // namespace velmora::registry
