// Activation of a local server by ProgID: the test server executable started on
// demand, shared, ended, and outlived.
#include "platform/automation/apartment.h"
#include "platform/automation/bstr.h"
#include "platform/automation/class_factory.h"
#include "platform/automation/class_registry.h"
#include "platform/automation/client_connection.h"
#include "platform/automation/dispatch_calls.h"
#include "platform/automation/remote_activation.h"
#include "platform/automation/runtime_folder.h"
#include "platform/automation/testserver/test_object.h"
#include "platform/automation/testserver/test_server_registration.h"
#include "platform/registry/file_lock.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include "testing/eventually.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

using namespace velmora::automation;
using namespace velmora::automation::testing;
using velmora::testing::eventually;

namespace {

// Gone for good: no process, not even a zombie, has the pid.
bool processReaped(int pid)
{
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Gone, or a zombie waiting for a parent that is not this process to reap it.
bool processGone(int pid)
{
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    const std::string stat = velmora::testing::readFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t end = stat.rfind(')');
    return end != std::string::npos && end + 2 < stat.size() && stat[end + 2] == 'Z';
}

// A test client process whose first output line is read back.
struct ClientProcess {
    pid_t pid = -1;
    FILE* output = nullptr;

    ClientProcess(const char* mode)
    {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(pipeFds[1], 1);
            ::close(pipeFds[0]);
            ::close(pipeFds[1]);
            const std::string client = testClientPath();
            ::execl(client.c_str(), client.c_str(), kTestProgId, mode, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        output = ::fdopen(pipeFds[0], "r");
    }
    std::string line()
    {
        char buffer[256] = {};
        return output && std::fgets(buffer, sizeof buffer, output) ? buffer : "";
    }
    int wait()
    {
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ~ClientProcess()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            wait();
        }
        if (output)
            std::fclose(output);
    }
};

class ActivationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_TRUE(registerTestServer(testServerCommand()));
    }
    void TearDown() override
    {
        setActivationTimeout(std::chrono::milliseconds(10000));
        CoUninitialize();
    }
    HRESULT create(ComPtr<IDispatch>& object)
    {
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(utf8ToUtf16(kTestProgId).c_str(), &clsid);
        return FAILED(hr) ? hr
                          : CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid());
    }
    LONG getI4(IDispatch* object, const char* name)
    {
        Variant value;
        EXPECT_EQ(S_OK, getProperty(object, name, value.get()));
        return value->lVal;
    }
    std::vector<std::string> starts()
    {
        std::istringstream lines(velmora::testing::readFile(home.path() + "/testserver-starts.log"));
        std::vector<std::string> result;
        for (std::string line; std::getline(lines, line);)
            result.push_back(line);
        return result;
    }

    velmora::testing::TempHome home;
};

TEST_F(ActivationTest, RacingClientsShareOneServerWithIndependentObjects)
{
    ClientProcess first("report"), second("report");
    const std::string a = first.line(), b = second.line();
    const int pidA = first.pid, pidB = second.pid;
    EXPECT_EQ(0, first.wait());
    EXPECT_EQ(0, second.wait());
    int serverA = 0, valueA = 0, serverB = 0, valueB = 0;
    ASSERT_EQ(2, std::sscanf(a.c_str(), "server %d value %d", &serverA, &valueA)) << a;
    ASSERT_EQ(2, std::sscanf(b.c_str(), "server %d value %d", &serverB, &valueB)) << b;
    EXPECT_EQ(serverA, serverB);
    EXPECT_EQ(1u, starts().size());
    // Each read back the value it wrote (its own pid) while both objects lived.
    EXPECT_EQ(pidA, valueA);
    EXPECT_EQ(pidB, valueB);
    EXPECT_TRUE(eventually([&] { return processGone(serverA); }));
}

TEST_F(ActivationTest, TheServerEndsAfterTheLastRelease)
{
    ComPtr<IDispatch> a, b;
    ASSERT_EQ(S_OK, create(a));
    ASSERT_EQ(S_OK, create(b));
    const int server = getI4(a.get(), "ProcessId");
    EXPECT_EQ(server, getI4(b.get(), "ProcessId"));
    EXPECT_EQ(2, getI4(a.get(), "ObjectCount"));
    a.reset();
    EXPECT_EQ(1, getI4(b.get(), "ObjectCount"));
    EXPECT_FALSE(processGone(server));
    b.reset();
    // This process started the server, so it also reaps it: no zombie stays behind
    // while the client runs on.
    EXPECT_TRUE(eventually([&] { return processReaped(server); }));
    // The next creation starts a new server.
    ASSERT_EQ(S_OK, create(a));
    EXPECT_NE(server, getI4(a.get(), "ProcessId"));
    EXPECT_EQ(2u, starts().size());
}

TEST_F(ActivationTest, AKilledClientHasItsObjectsReleased)
{
    ClientProcess holder("hold");
    int server = 0;
    ASSERT_EQ(1, std::sscanf(holder.line().c_str(), "ready %d", &server));
    ComPtr<IDispatch> mine;
    ASSERT_EQ(S_OK, create(mine));
    EXPECT_EQ(server, getI4(mine.get(), "ProcessId"));
    EXPECT_EQ(2, getI4(mine.get(), "ObjectCount"));
    ::kill(holder.pid, SIGKILL);
    holder.wait();
    EXPECT_TRUE(eventually([&] { return getI4(mine.get(), "ObjectCount") == 1; }));
}

TEST_F(ActivationTest, AServerKilledDuringACallLeavesTheClientRunning)
{
    ComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, create(object));
    const int server = getI4(object.get(), "ProcessId");
    HRESULT during = S_OK;
    ComPtr<IDispatch> watcher;
    ASSERT_EQ(S_OK, create(watcher));
    std::thread call([&] { during = callMethod(object.get(), "WaitForRelease", {}, nullptr); });
    // The call is under way once the server's work waits for its release.
    EXPECT_TRUE(eventually([&] { return getI4(watcher.get(), "Waiting") == 1; }));
    ::kill(server, SIGKILL);
    call.join();
    watcher.reset();
    EXPECT_EQ(RPC_E_DISCONNECTED, during);
    Variant value;
    EXPECT_EQ(RPC_E_DISCONNECTED, getProperty(object.get(), "Value", value.get()));
    object.reset();
    // A new object brings a new server.
    ASSERT_EQ(S_OK, create(object));
    EXPECT_NE(server, getI4(object.get(), "ProcessId"));
}

TEST_F(ActivationTest, AHandlerThatRunsOutOfMemoryFailsItsCallAndTheServerServesTheNext)
{
    ComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, create(object));
    const int server = getI4(object.get(), "ProcessId");
    Variant what = Variant::string("bad_alloc");
    EXCEPINFO exception{};
    EXPECT_EQ(DISP_E_EXCEPTION, callMethod(object.get(), "Throw", {what.get(), 1}, nullptr, &exception));
    EXPECT_EQ(E_OUTOFMEMORY, exception.scode);
    EXPECT_EQ("Out of memory", bstrToUtf8(exception.bstrDescription));
    ClearExcepInfo(&exception);
    EXPECT_EQ(server, getI4(object.get(), "ProcessId")) << "the same server answers the next call";
}

TEST_F(ActivationTest, AClassLockKeepsTheServerWithoutObjects)
{
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_VelmoraTestObject, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                     factory.putVoid()));
    ASSERT_EQ(S_OK, factory->LockServer(1));
    ComPtr<IDispatch> object;
    ComPtr<IUnknown> outer;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.get()),
                                                             IID_IDispatch, object.putVoid()));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, object.putVoid()));
    const int server = getI4(object.get(), "ProcessId");
    object.reset();
    // Answered after the release (calls of one connection run in order): the lock
    // kept the server serving.
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, object.putVoid()));
    EXPECT_EQ(server, getI4(object.get(), "ProcessId"));
    EXPECT_EQ(1, getI4(object.get(), "ObjectCount"));
    object.reset();
    EXPECT_EQ(S_OK, factory->LockServer(0));
    EXPECT_TRUE(eventually([&] { return processGone(server); }));
    EXPECT_EQ(1u, starts().size());
}

TEST_F(ActivationTest, ServersThatCannotStartFailInBoundedTime)
{
    setActivationTimeout(std::chrono::milliseconds(400));
    ComPtr<IDispatch> object;
    for (const std::string& command : {std::string("\"/nonexistent/velmora-server\""),
                                       testServerCommand("--exit"), testServerCommand("--idle")}) {
        ASSERT_TRUE(registerTestServer(command));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(CO_E_SERVER_EXEC_FAILURE, create(object)) << command;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << command;
    }
    // Unregistered names and classes.
    CLSID clsid;
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"VelmoraTest.Missing", &clsid));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(APPID_VelmoraTestServer, nullptr, CLSCTX_SERVER,
                                                    IID_IDispatch, object.putVoid()));
}

TEST_F(ActivationTest, TheSocketFolderIsPrivate)
{
    const std::string folder = home.runtimeDir() + "/velmora";
    ::mkdir(folder.c_str(), 0755);
    ComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, create(object));
    struct stat st {};
    ASSERT_EQ(0, ::stat(folder.c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
    const auto socket = localServerSocketPath(CLSID_VelmoraTestObject);
    ASSERT_TRUE(socket);
    EXPECT_EQ(folder + "/" + formatGuid(APPID_VelmoraTestServer) + ".sock", *socket);

    // Without a runtime folder the per-user folder in /tmp serves.
    const std::string saved = home.runtimeDir();
    ::unsetenv("XDG_RUNTIME_DIR");
    const auto fallback = socketFolder();
    ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    ASSERT_TRUE(fallback);
    EXPECT_EQ("/tmp/velmora-" + std::to_string(::geteuid()), *fallback);
    ASSERT_EQ(0, ::stat(fallback->c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
}

TEST_F(ActivationTest, AServerStartedWhileAnotherServesEndsAtOnce)
{
    const auto folder = socketFolder();
    ASSERT_TRUE(folder);
    // Another instance holds the AppID (as a hand-started one or a -RegServer run would).
    auto held =
        velmora::registry::FileLock::tryLock(serverFilePath(*folder, APPID_VelmoraTestServer, ".lock"));
    ASSERT_TRUE(held);
    const auto outcome =
        velmora::testing::runProgram(testServerPath(), {"-Embedding"}, home.path(), std::chrono::seconds(10));
    EXPECT_FALSE(outcome.killed) << "it would have served nobody for ever";
    EXPECT_EQ(4, outcome.status);
    EXPECT_LT(outcome.took, std::chrono::seconds(3));
}

TEST_F(ActivationTest, AStoppedServerFailsACallAtItsDeadlineAndGoesOnWhenResumed)
{
    ComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, create(object));
    const int server = getI4(object.get(), "ProcessId");
    ClientConnection::setCallTimeout(std::chrono::milliseconds(500));
    ASSERT_EQ(0, ::kill(server, SIGSTOP));
    const auto start = std::chrono::steady_clock::now();
    Variant value;
    EXPECT_EQ(RPC_E_TIMEOUT, getProperty(object.get(), "Value", value.get()));
    const auto waited = std::chrono::steady_clock::now() - start;
    std::printf(
        "[ figures  ] call to a stopped server failed after %lld ms (deadline 500 ms)\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()));
    EXPECT_GE(waited, std::chrono::milliseconds(450));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
    ::kill(server, SIGCONT);
    ClientConnection::setCallTimeout(std::chrono::seconds(30));
    EXPECT_EQ(server, getI4(object.get(), "ProcessId"))
        << "the late reply was dropped, the connection goes on";
}

} // namespace
