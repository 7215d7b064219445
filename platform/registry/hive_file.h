#pragma once
// One hive: its cached tree and the REGEDIT4 file behind it, shared with other
// processes through an exclusive flock on "<file>.lock" around every change.

#include "platform/registry/registry_key.h"

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velmora::registry {

class HiveFile {
public:
    // baseKeys exist in every hive of this root, as on Windows (HKCU\Software).
    HiveFile(std::string rootName, std::string path, std::vector<std::string> baseKeys);
    ~HiveFile();
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    // The tree as last committed by any process.
    const RegistryKey& current();

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
    void reloadLocked();
    void resetTree();
    void setAsideCorrupt(const std::string& reason);
    bool writeLocked();

    std::string m_rootName;
    std::string m_path;
    std::vector<std::string> m_baseKeys;
    RegistryKey m_root;
    bool m_loaded = false;
    std::optional<Identity> m_identity; // nullopt with m_loaded: the file did not exist
    int m_batchDepth = 0;
    int m_batchLockFd = -1;
    bool m_batchDirty = false;
};

} // namespace velmora::registry
