#pragma once
// Runs part of a test as another user: a forked child takes the given user and group
// ids (only root may) and runs the body there. For tests of what the programs refuse
// from, or must not do to, another local user.

#include <functional>
#include <string>
#include <sys/types.h>

namespace velmora::testing {

// Ids of two accounts that exist nowhere else on the machine (no passwd entry).
constexpr uid_t kVictimUid = 64011;
constexpr uid_t kAttackerUid = 64012;

// Whether this process may switch users (it runs as root).
bool canSwitchUsers();

// Runs `body` in a child running as `uid` (group `uid`, no supplementary groups) and
// returns what it returned: empty for success, else a description of what went
// wrong. A child that crashes or cannot switch reports that instead.
std::string runAsUser(uid_t uid, const std::function<std::string()>& body);

// A fresh folder under the system's temporary folder that every user may pass
// through (mode 0711) but not list or change; removed by the destructor.
class SharedScratch {
public:
    SharedScratch();
    ~SharedScratch();
    SharedScratch(const SharedScratch&) = delete;
    SharedScratch& operator=(const SharedScratch&) = delete;

    const std::string& path() const { return m_path; }
    // A folder `name` inside, owned by `uid` with `mode`.
    std::string folderOf(const std::string& name, uid_t uid, mode_t mode = 0700) const;
    // A file `path` with `contents`, owned by `uid` with `mode`.
    void fileOf(const std::string& path, const std::string& contents, uid_t uid, mode_t mode = 0600) const;

private:
    std::string m_path;
};

} // namespace velmora::testing
