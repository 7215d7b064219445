// What another local user can no longer do to a client: plant class registrations
// that it would start, squat the socket folder's name, or pose as its server.
#include "platform/automation/apartment.h"
#include "platform/automation/class_registry.h"
#include "platform/automation/client_connection.h"
#include "platform/automation/dispatch_calls.h"
#include "platform/automation/remote_activation.h"
#include "platform/automation/runtime_folder.h"
#include "platform/automation/socket_io.h"
#include "platform/automation/testserver/server_thread.h"
#include "platform/automation/testserver/test_object.h"
#include "platform/registry/registry.h"
#include "testing/other_user.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

using namespace velmora::automation;
using namespace velmora::automation::testing;
using velmora::testing::canSwitchUsers;
using velmora::testing::kAttackerUid;
using velmora::testing::kVictimUid;
using velmora::testing::runAsUser;
using velmora::testing::SharedScratch;

namespace {

// HKCR of VelmoraTest.Object naming `server` as its local server.
std::string classesHiveNaming(const std::string& server)
{
    const std::string clsid = formatGuid(CLSID_VelmoraTestObject);
    return "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\VelmoraTest.Object]\n@=\"Test\"\n\n"
           "[HKEY_CLASSES_ROOT\\VelmoraTest.Object\\CLSID]\n@=\"" +
           clsid + "\"\n\n[HKEY_CLASSES_ROOT\\CLSID\\" + clsid +
           "]\n@=\"Test\"\n\n[HKEY_CLASSES_ROOT\\CLSID\\" + clsid + "\\LocalServer32]\n@=\"" + server +
           "\"\n\n";
}

// The victim creates the test object by ProgID and by CLSID; says what was started.
std::string victimCreatesTheObject(const std::string& marker)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    setActivationTimeout(std::chrono::milliseconds(500));
    CLSID clsid{};
    const HRESULT byName = CLSIDFromProgID(utf8ToUtf16(kTestProgId).c_str(), &clsid);
    ComPtr<IDispatch> object;
    const HRESULT created =
        CoCreateInstance(CLSID_VelmoraTestObject, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid());
    CoUninitialize();
    std::string outcome = SUCCEEDED(byName) ? "ProgID found; " : "";
    if (created != REGDB_E_CLASSNOTREG)
        outcome += "creation answered " + std::to_string(created) + "; ";
    if (std::filesystem::exists(marker))
        outcome += "the planted server ran";
    return outcome;
}

class OtherUsersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!canSwitchUsers())
            GTEST_SKIP() << "needs root to act as two other users";
        victimRuntime = scratch.folderOf("victim-run", kVictimUid);
        marker = victimRuntime + "/planted-server-ran";
        attackerHome = scratch.folderOf("attacker", kAttackerUid, 0755);
        scratch.folderOf("attacker/registry", kAttackerUid, 0755);
        const std::string server = attackerHome + "/server.sh";
        scratch.fileOf(server, "#!/bin/sh\necho ran > " + marker + "\n", kAttackerUid, 0755);
        scratch.fileOf(attackerHome + "/registry/HKEY_CLASSES_ROOT.reg", classesHiveNaming(server),
                       kAttackerUid, 0644);
    }

    SharedScratch scratch;
    std::string victimRuntime, marker, attackerHome;
};

TEST_F(OtherUsersTest, APlantedClassesHiveIsRefusedAndStartsNothing)
{
    // The settings folder of another user: refused before it is read.
    std::string outcome = runAsUser(kVictimUid, [&] {
        setenv("VELMORA_HOME", attackerHome.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", victimRuntime.c_str(), 1);
        velmora::registry::resetForTesting();
        ::testing::internal::CaptureStderr();
        std::string result = victimCreatesTheObject(marker);
        const std::string err = ::testing::internal::GetCapturedStderr();
        if (err.find("is owned by uid 64012") == std::string::npos)
            result += "no clear error: " + err;
        return result;
    });
    EXPECT_EQ(outcome, "");

    // No settings folder at all (HOME unset, an account without a home): nothing falls
    // back to a folder in /tmp that another user could have made.
    outcome = runAsUser(kVictimUid, [&] {
        unsetenv("VELMORA_HOME");
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("HOME");
        setenv("XDG_RUNTIME_DIR", victimRuntime.c_str(), 1);
        velmora::registry::resetForTesting();
        ::testing::internal::CaptureStderr();
        std::string result = victimCreatesTheObject(marker);
        ::testing::internal::GetCapturedStderr();
        return result;
    });
    EXPECT_EQ(outcome, "");
    EXPECT_FALSE(std::filesystem::exists(marker));

    // The same registration in the victim's own folder is used: the planted server
    // would have run.
    const std::string own = scratch.folderOf("victim-home", kVictimUid);
    scratch.folderOf("victim-home/registry", kVictimUid);
    scratch.fileOf(own + "/registry/HKEY_CLASSES_ROOT.reg",
                   velmora::testing::readFile(attackerHome + "/registry/HKEY_CLASSES_ROOT.reg"), kVictimUid,
                   0644);
    outcome = runAsUser(kVictimUid, [&] {
        setenv("VELMORA_HOME", own.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", victimRuntime.c_str(), 1);
        velmora::registry::resetForTesting();
        return victimCreatesTheObject(marker);
    });
    EXPECT_NE(outcome.find("the planted server ran"), std::string::npos) << outcome;
}

TEST_F(OtherUsersTest, ASquattedSocketFolderNameMakesTheRuntimeUseAnotherPrivateOne)
{
    const std::string first = "/tmp/velmora-" + std::to_string(kVictimUid);
    for (const std::string& stale : {first, first + ".1", first + ".2"})
        std::filesystem::remove_all(stale);
    ::mkdir(first.c_str(), 0777); // another user's folder under the name
    ASSERT_EQ(::chown(first.c_str(), kAttackerUid, kAttackerUid), 0);
    ASSERT_EQ(::symlink(attackerHome.c_str(), (first + ".1").c_str()), 0); // and a link
    const std::string outcome = runAsUser(kVictimUid, [&] {
        unsetenv("XDG_RUNTIME_DIR");
        setenv("VELMORA_HOME", victimRuntime.c_str(), 1);
        velmora::registry::resetForTesting();
        const auto folder = socketFolder();
        if (!folder || *folder != first + ".2")
            return "socket folder " + folder.value_or("none");
        if (socketFolder() != folder)
            return std::string("the name is not the same every time");
        struct stat st {};
        if (::lstat(folder->c_str(), &st) != 0 || st.st_uid != kVictimUid || (st.st_mode & 07777) != 0700)
            return std::string("the folder is not private");
        // A server and a client of this user meet there.
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        std::string result;
        {
            ServerThread server;
            ComPtr<IDispatch> object;
            if (server.status() != S_OK || server.socketPath().rfind(*folder, 0) != 0 ||
                createInstanceAt(server.socketPath(), CLSID_VelmoraTestObject, IID_IDispatch,
                                 object.putVoid()) != S_OK)
                result = "no server reached in " + *folder;
        }
        CoUninitialize();
        return result;
    });
    EXPECT_EQ(outcome, "");
    // An XDG_RUNTIME_DIR that is not the user's own is not used either.
    const std::string foreignRuntime = scratch.folderOf("foreign-run", kAttackerUid, 0777);
    const std::string second = runAsUser(kVictimUid, [&] {
        setenv("XDG_RUNTIME_DIR", foreignRuntime.c_str(), 1);
        const auto folder = socketFolder();
        return folder == first + ".2" ? std::string() : "socket folder " + folder.value_or("none");
    });
    EXPECT_EQ(second, "");
    for (const std::string& stale : {first, first + ".1", first + ".2"})
        std::filesystem::remove_all(stale);
}

TEST_F(OtherUsersTest, AClientDoesNotTalkToAServerOfAnotherUser)
{
    const std::string folder = scratch.folderOf("shared-sockets", 0, 0777);
    const std::string path = folder + "/posing.sock";
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t poser = ::fork();
    if (poser == 0) { // another user's server, listening until released
        ::close(ready[0]);
        ::close(release[1]);
        if (::setresgid(kAttackerUid, kAttackerUid, kAttackerUid) == 0 &&
            ::setresuid(kAttackerUid, kAttackerUid, kAttackerUid) == 0 && listenUnix(path) >= 0) {
            ::chmod(path.c_str(), 0777);
            [[maybe_unused]] ssize_t n = ::write(ready[1], "1", 1);
        }
        char byte = 0;
        [[maybe_unused]] ssize_t n = ::read(release[0], &byte, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    const std::string outcome = runAsUser(kVictimUid, [&] {
        const int raw = connectUnix(path);
        if (raw < 0)
            return std::string("cannot connect at all");
        ::close(raw);
        return ClientConnection::obtain(path) ? std::string("connected to another user's server")
                                              : std::string();
    });
    ::close(release[1]);
    ::close(ready[0]);
    ::waitpid(poser, nullptr, 0);
    EXPECT_EQ(outcome, "");
}

} // namespace
