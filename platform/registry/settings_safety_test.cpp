// What the registry refuses: settings of another user or open to others, a hive that
// cannot be read, a lock that cannot be had; and a hive kept behind a symbolic link.
#include "platform/registry/hive_file.h"
#include "platform/registry/registry.h"

#include "testing/other_user.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using velmora::testing::canSwitchUsers;
using velmora::testing::kAttackerUid;
using velmora::testing::kVictimUid;
using velmora::testing::readFile;
using velmora::testing::runAsUser;
using velmora::testing::SharedScratch;
using velmora::testing::TempHome;
using velmora::testing::writeFile;

namespace {

constexpr char kPlantedHive[] =
    "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\CLSID\\{00000000-0000-0000-0000-000000000001}"
    "\\LocalServer32]\n@=\"/tmp/evil\"\n\n";

LONG setDword(const char* path, const char* name, DWORD value)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyEx(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return rc;
}

bool hasDword(const char* path, const char* name, DWORD value)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD stored = 0, size = sizeof stored;
    const LONG rc = RegQueryValueEx(key, name, nullptr, reinterpret_cast<BYTE*>(&stored), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && stored == value;
}

LONG openClassesKey(const char* path)
{
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyEx(HKEY_CLASSES_ROOT, path, KEY_READ, &key);
    RegCloseKey(key);
    return rc;
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        m_had = std::getenv(name) != nullptr;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
        velmora::registry::resetForTesting();
    }
    ~ScopedEnv()
    {
        if (m_had)
            setenv(m_name.c_str(), m_old.c_str(), 1);
        else
            unsetenv(m_name.c_str());
        velmora::registry::resetForTesting();
    }

private:
    std::string m_name, m_old;
    bool m_had = false;
};

} // namespace

TEST(SettingsLocation, WithoutAnyHomeNothingFallsBackToASharedFolder)
{
    ScopedEnv noHome("VELMORA_HOME", nullptr), noXdg("XDG_CONFIG_HOME", nullptr), noUserHome("HOME", nullptr);
    // This account's home folder from the user database stands in for HOME.
    const passwd* me = getpwuid(::geteuid());
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(velmora::registry::velmoraHome(), std::string(me->pw_dir) + "/.config/velmora");
    {
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/path");
        EXPECT_EQ(velmora::registry::velmoraHome(), std::string(me->pw_dir) + "/.config/velmora")
            << "a relative XDG_CONFIG_HOME is ignored";
    }
    if (!canSwitchUsers())
        GTEST_SKIP() << "needs root to act as an account without a home folder";
    // An account without a home folder keeps no settings, and says so.
    const std::string outcome = runAsUser(kVictimUid, [] {
        if (!velmora::registry::velmoraHome().empty())
            return "settings folder " + velmora::registry::velmoraHome();
        ::testing::internal::CaptureStderr();
        const LONG opened = openClassesKey("CLSID");
        const LONG written = setDword("Software\\Velmora Software", "v", 1);
        const std::string err = ::testing::internal::GetCapturedStderr();
        if (opened != ERROR_ACCESS_DENIED || written != ERROR_ACCESS_DENIED)
            return "calls answered " + std::to_string(opened) + " and " + std::to_string(written);
        if (err.find("no per-user folder") == std::string::npos)
            return "no clear error: " + err;
        if (err.find("no per-user folder") != err.rfind("no per-user folder"))
            return "reported more than once: " + err;
        return std::string();
    });
    EXPECT_EQ(outcome, "");
}

TEST(SettingsLocation, FoldersAndHivesOpenToOthersAreRefusedBeforeReading)
{
    if (!canSwitchUsers())
        GTEST_SKIP() << "needs root to give files to another user";
    SharedScratch scratch;
    auto plant = [&](const std::string& name, uid_t folderOwner, mode_t folderMode, uid_t hiveOwner,
                     mode_t hiveMode) {
        const std::string home = scratch.folderOf(name, folderOwner, folderMode);
        const std::string registry = scratch.folderOf(name + "/registry", folderOwner, folderMode);
        scratch.fileOf(registry + "/HKEY_CLASSES_ROOT.reg", kPlantedHive, hiveOwner, hiveMode);
        return home;
    };
    struct Case {
        std::string home;
        const char* expected;
    } cases[] = {
        {plant("foreign-folder", kAttackerUid, 0755, kAttackerUid, 0644), "is owned by uid 64012"},
        {plant("open-folder", 0, 0777, 0, 0644), "writable by group or others"},
        {plant("foreign-hive", 0, 0700, kAttackerUid, 0644), "is owned by uid 64012"},
        {plant("open-hive", 0, 0700, 0, 0666), "writable by group or others (mode 666)"},
    };
    for (const Case& c : cases) {
        ScopedEnv home("VELMORA_HOME", c.home.c_str());
        const std::string hive = c.home + "/registry/HKEY_CLASSES_ROOT.reg";
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(openClassesKey("CLSID\\{00000000-0000-0000-0000-000000000001}"), ERROR_ACCESS_DENIED)
            << c.home;
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, "Other", KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("is not used"), std::string::npos) << err;
        EXPECT_NE(err.find(c.expected), std::string::npos) << err;
        EXPECT_EQ(readFile(hive), kPlantedHive) << "never touched";
    }
    // The same file in a folder of this user's, closed to others, is used.
    ScopedEnv home("VELMORA_HOME", plant("own", 0, 0700, 0, 0644).c_str());
    EXPECT_EQ(openClassesKey("CLSID\\{00000000-0000-0000-0000-000000000001}\\LocalServer32"), ERROR_SUCCESS);
}

TEST(SettingsNeverDestroyed, AnUnreadableHiveStaysAsItWasAndWritesReportAnError)
{
    if (!canSwitchUsers())
        GTEST_SKIP() << "needs root to act as a user who cannot read a file (root reads everything)";
    SharedScratch scratch;
    const std::string home = scratch.folderOf("victim", kVictimUid);
    const std::string registry = scratch.folderOf("victim/registry", kVictimUid);
    const std::string hive = registry + "/HKEY_CURRENT_USER.reg";
    std::string contents = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora Software\\Kept]\n";
    for (int i = 0; i < 40; ++i)
        contents += "\"Value " + std::to_string(i) + "\"=dword:0000000" + std::to_string(i % 10) + "\n";
    scratch.fileOf(hive, contents, kVictimUid, 0200); // its owner may write but not read it
    const std::string outcome = runAsUser(kVictimUid, [&] {
        ScopedEnv victimHome("VELMORA_HOME", home.c_str());
        ::testing::internal::CaptureStderr();
        const LONG written = setDword("Software\\Velmora Software\\Kept", "New", 7);
        const LONG again = setDword("Software\\Velmora Software\\Kept", "New", 8);
        const std::string err = ::testing::internal::GetCapturedStderr();
        if (written == ERROR_SUCCESS || again == ERROR_SUCCESS)
            return std::string("a write over an unreadable hive succeeded");
        if (err.find("cannot be read") == std::string::npos)
            return "no clear error: " + err;
        return std::string();
    });
    EXPECT_EQ(outcome, "");
    EXPECT_EQ(readFile(hive), contents) << "byte for byte as it was";
    struct stat st {};
    ASSERT_EQ(::stat(hive.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0200u);
}

TEST(SettingsNeverDestroyed, AHiveThatIsNotARegularFileIsNeitherReadNorReplaced)
{
    TempHome home;
    const std::string hive = home.registryFile("HKEY_CURRENT_USER");
    std::filesystem::create_directories(hive + "/inside");
    ::chmod((home.path() + "/registry").c_str(), 0700);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(setDword("Software\\A", "v", 1), ERROR_ACCESS_DENIED);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("not a regular file"), std::string::npos) << err;
    EXPECT_TRUE(std::filesystem::is_directory(hive + "/inside"));
}

namespace {

// Writes `count` values named prefix0.. and tells, per value, whether the write
// reported success; runs in a child process.
std::string writeValues(const std::string& prefix, int count)
{
    std::string outcome;
    for (int i = 0; i < count; ++i)
        outcome += setDword("Software\\Race", (prefix + std::to_string(i)).c_str(), static_cast<DWORD>(i)) ==
                           ERROR_SUCCESS
                       ? '1'
                       : '0';
    return outcome;
}

pid_t startWriter(const std::string& prefix, int count, int resultFd)
{
    const pid_t child = ::fork();
    if (child == 0) {
        velmora::registry::resetForTesting(); // as a freshly started process would be
        const std::string outcome = writeValues(prefix, count);
        [[maybe_unused]] ssize_t n = ::write(resultFd, outcome.data(), outcome.size());
        ::_exit(0);
    }
    return child;
}

std::string collect(pid_t child, int readFd)
{
    std::string outcome;
    char buffer[256];
    for (ssize_t n; (n = ::read(readFd, buffer, sizeof buffer)) > 0;)
        outcome.append(buffer, static_cast<std::size_t>(n));
    ::close(readFd);
    int status = 0;
    ::waitpid(child, &status, 0);
    return outcome;
}

// Four writer processes at once; their outcomes, one text of '1' (reported success)
// and '0' (reported failure) per writer.
std::vector<std::string> fourWriters(const std::string& round, int count)
{
    std::vector<std::pair<pid_t, int>> writers;
    for (int w = 0; w < 4; ++w) {
        int fds[2];
        if (::pipe(fds) != 0)
            return {};
        writers.emplace_back(startWriter(round + std::to_string(w) + "-", count, fds[1]), fds[0]);
        ::close(fds[1]);
    }
    std::vector<std::string> outcomes;
    for (auto [child, fd] : writers)
        outcomes.push_back(collect(child, fd));
    return outcomes;
}

// Every write that reported success is in the file; none that reported failure is.
void expectNothingLostSilently(const std::vector<std::string>& outcomes, const std::string& round)
{
    velmora::registry::resetForTesting();
    ASSERT_EQ(outcomes.size(), 4u);
    for (int w = 0; w < 4; ++w) {
        for (std::size_t i = 0; i < outcomes[w].size(); ++i) {
            const std::string name = round + std::to_string(w) + "-" + std::to_string(i);
            EXPECT_EQ(hasDword("Software\\Race", name.c_str(), static_cast<DWORD>(i)), outcomes[w][i] == '1')
                << name;
        }
    }
}

} // namespace

TEST(SettingsNeverDestroyed, WritersWithAnUnlockableLockFileLoseNothingSilently)
{
    TempHome home;
    ASSERT_EQ(setDword("Software\\Race", "before", 1), ERROR_SUCCESS);
    const std::string hive = home.registryFile("HKEY_CURRENT_USER");
    const std::string before = readFile(hive);

    // A lock file that cannot be opened at all: every change fails, and says so.
    std::filesystem::remove(hive + ".lock");
    std::filesystem::create_directory(hive + ".lock");
    ::testing::internal::CaptureStderr();
    const auto refused = fourWriters("a", 50);
    const std::string err = ::testing::internal::GetCapturedStderr();
    for (const auto& outcome : refused)
        EXPECT_EQ(outcome, std::string(50, '0'));
    EXPECT_NE(err.find("lock file"), std::string::npos) << err;
    EXPECT_EQ(readFile(hive), before);
    std::filesystem::remove(hive + ".lock");

    // A lock held by another process past the bound: those changes fail; once it is
    // free again all four writers' changes arrive, none lost.
    velmora::registry::HiveFile::setLockTimeoutForTesting(std::chrono::milliseconds(30));
    std::vector<std::string> blocked;
    {
        auto held = velmora::registry::FileLock::tryLock(hive + ".lock");
        ASSERT_TRUE(held);
        ::testing::internal::CaptureStderr();
        blocked = fourWriters("b", 5);
        ::testing::internal::GetCapturedStderr();
    }
    velmora::registry::HiveFile::setLockTimeoutForTesting(velmora::registry::HiveFile::kLockTimeout);
    for (const auto& outcome : blocked)
        EXPECT_EQ(outcome, std::string(5, '0'));
    expectNothingLostSilently(blocked, "b");
    const auto free = fourWriters("c", 200);
    for (const auto& outcome : free)
        EXPECT_EQ(outcome, std::string(200, '1'));
    expectNothingLostSilently(free, "c");
    EXPECT_TRUE(hasDword("Software\\Race", "before", 1));
}

TEST(SettingsNeverDestroyed, AHiveBehindASymbolicLinkIsWrittenThroughAndTheLinkStays)
{
    TempHome home;
    const std::string registry = home.path() + "/registry";
    const std::string kept = home.path() + "/dotfiles";
    ::mkdir(registry.c_str(), 0700);
    ::mkdir(kept.c_str(), 0700);
    writeFile(kept + "/cu.reg",
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Linked]\n\"old\"=dword:00000001\n\n");
    const std::string hive = home.registryFile("HKEY_CURRENT_USER");
    ASSERT_EQ(::symlink((kept + "/cu.reg").c_str(), hive.c_str()), 0);

    EXPECT_TRUE(hasDword("Software\\Linked", "old", 1));
    EXPECT_EQ(setDword("Software\\Linked", "new", 2), ERROR_SUCCESS);
    struct stat st {};
    ASSERT_EQ(::lstat(hive.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link is not replaced by a plain file";
    EXPECT_NE(readFile(kept + "/cu.reg").find("\"new\"=dword:00000002"), std::string::npos);
    velmora::registry::resetForTesting();
    EXPECT_TRUE(hasDword("Software\\Linked", "old", 1));
    EXPECT_TRUE(hasDword("Software\\Linked", "new", 2));

    // A damaged target is copied aside; the link stays and the next change refills it.
    writeFile(kept + "/cu.reg", "garbage");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(hasDword("Software\\Linked", "old", 1));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(setDword("Software\\Linked", "after", 3), ERROR_SUCCESS);
    ASSERT_EQ(::lstat(hive.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(readFile(kept + "/cu.reg").find("\"after\"=dword:00000003"), std::string::npos);
    int copies = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kept))
        copies += entry.path().filename().string().rfind("cu.reg.corrupt-", 0) == 0 &&
                  readFile(entry.path().string()) == "garbage";
    EXPECT_EQ(copies, 1);

    // A link into a folder others may write to, or to nothing, is refused.
    const std::string open = home.path() + "/open";
    ::mkdir(open.c_str(), 0777);
    ::chmod(open.c_str(), 0777);
    writeFile(open + "/cu.reg", "REGEDIT4\n\n");
    for (const std::string& target : {open + "/cu.reg", home.path() + "/missing.reg"}) {
        ASSERT_EQ(::unlink(hive.c_str()), 0);
        ASSERT_EQ(::symlink(target.c_str(), hive.c_str()), 0);
        velmora::registry::resetForTesting();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(setDword("Software\\Linked", "x", 4), ERROR_ACCESS_DENIED) << target;
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("is not used"), std::string::npos) << err;
        ASSERT_EQ(::lstat(hive.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode));
    }
    EXPECT_EQ(readFile(open + "/cu.reg"), "REGEDIT4\n\n");
}
