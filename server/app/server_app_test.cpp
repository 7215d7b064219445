// The real VelmoraServer, registered in a private home and reached as clients reach it.
#include "platform/automation/apartment.h"
#include "platform/automation/bstr.h"
#include "platform/automation/class_registry.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/dispatch_calls.h"
#include "platform/automation/runtime_folder.h"
#include "platform/registry/file_lock.h"
#include "server/app/simulated_server_test.h"
#include "server/frame/interface_members.h"
#include "server/frame/server_identity.h"
#include "testing/eventually.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace velmora;
using velmora::testing::runProgram;
using velmora::testing::serverProcesses;

namespace {

class ServerAppTest : public velmora::testing::SimulatedServerTest {
protected:
    bool waitForServerEnd()
    {
        return velmora::testing::eventually(
            [&] { return serverProcesses(VELMORA_SERVER_PATH, home.path()).empty(); });
    }
};

} // namespace

TEST_F(ServerAppTest, VelmoraCallReachesTheTelescope)
{
    auto outcome = runProgram(VELMORA_CALL_PATH,
                              {"VelmoraServer.Telescope", "get", "CanPulseGuide", "get", "InterfaceVersion",
                               "call", "SlewToTarget"},
                              home.path());
    EXPECT_EQ(
        outcome.out,
        "CanPulseGuide = true\nInterfaceVersion = 2\nSlewToTarget: error 0x80020009 \"Not Supported\"\n")
        << outcome.err;
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(waitForServerEnd()) << "the server ends with its last object";
}

TEST_F(ServerAppTest, EveryMemberNameResolvesToItsDispid)
{
    struct Interface {
        const char* progId;
        const std::vector<automation::MemberInfo>* members;
    };
    for (const Interface& itf : {Interface{"VelmoraServer.Camera", &server::cameraMembers()},
                                 Interface{"VelmoraServer.Focuser.1", &server::focuserMembers()},
                                 Interface{"VelmoraServer.Telescope", &server::telescopeMembers()}}) {
        auto object = create(itf.progId);
        ASSERT_TRUE(object) << itf.progId;
        for (const auto& m : *itf.members) {
            std::u16string name = automation::utf8ToUtf16(m.name);
            LPOLESTR names[] = {name.data()};
            DISPID id = DISPID_UNKNOWN;
            EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << m.name;
            EXPECT_EQ(id, m.dispid) << m.name;
        }
    }
}

TEST_F(ServerAppTest, ObjectsOfTwoClientsAreIndependentAndTheServerWaitsForBoth)
{
    auto camera = create("VelmoraServer.Camera");
    ASSERT_TRUE(camera);
    // A second client, in its own process, while this one still holds its object.
    auto other =
        runProgram(VELMORA_CALL_PATH, {"VelmoraServer.Camera", "get", "Connected", "get", "CanAbortExposure"},
                   home.path());
    EXPECT_EQ(other.out, "Connected = false\nCanAbortExposure = true\n") << other.err;
    // The other client is gone; this one's object still answers from the same server.
    automation::Variant connected;
    EXPECT_EQ(automation::getProperty(camera.get(), "Connected", connected.get()), S_OK);
    EXPECT_EQ(serverProcesses(VELMORA_SERVER_PATH, home.path()).size(), 1u) << "still serving this client";

    CLSID clsid = automation::parseGuid(server::kServerClasses[0].clsid).value();
    IDispatch* aggregated = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, camera.get(), CLSCTX_LOCAL_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&aggregated)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(aggregated, nullptr);

    camera.reset();
    EXPECT_TRUE(waitForServerEnd());
}

TEST_F(ServerAppTest, StartedByHandItRegistersAndShowsItsMessageEachTime)
{
    for (int run = 0; run < 2; ++run) {
        auto outcome = runProgram(VELMORA_SERVER_PATH, {}, home.path());
        EXPECT_EQ(outcome.status, 0);
        EXPECT_NE(outcome.err.find("This exe file is an ASCOM interfaces server"), std::string::npos)
            << outcome.err;
    }
    auto unregistered = runProgram(VELMORA_SERVER_PATH, {"/UnregServer"}, home.path());
    EXPECT_EQ(unregistered.status, 0);
    EXPECT_EQ(velmora::testing::readFile(home.registryFile("HKEY_CLASSES_ROOT")),
              "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\AppID]\n\n[HKEY_CLASSES_ROOT\\CLSID]\n\n"
              "[HKEY_CLASSES_ROOT\\TypeLib]\n\n[HKEY_CLASSES_ROOT\\Interface]\n\n");
}

TEST_F(ServerAppTest, AnEmbeddingServerThatIsNotTheRegisteredOneEndsAtOnce)
{
    const auto folder = automation::socketFolder();
    ASSERT_TRUE(folder);
    const auto appId = automation::parseGuid(server::kAppId);
    ASSERT_TRUE(appId);
    auto held = registry::FileLock::tryLock(automation::serverFilePath(*folder, *appId, ".lock"));
    ASSERT_TRUE(held);
    auto outcome = runProgram(VELMORA_SERVER_PATH, {"-Embedding"}, home.path(), std::chrono::seconds(20));
    EXPECT_FALSE(outcome.killed);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_LT(outcome.took, std::chrono::seconds(5));
    EXPECT_NE(outcome.err.find("another instance serves these classes"), std::string::npos) << outcome.err;
}

TEST_F(ServerAppTest, AServerThatGetsNoObjectEndsWithinItsBound)
{
    // Started for a client that never comes, its stderr held by whoever started it.
    auto outcome = runProgram(VELMORA_SERVER_PATH, {"-Embedding"}, home.path(), std::chrono::seconds(90));
    std::printf("[ figures  ] -Embedding server without clients ended after %lld ms\n",
                static_cast<long long>(outcome.took.count()));
    EXPECT_FALSE(outcome.killed);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_GE(outcome.took, automation::kUnusedServerLimit - std::chrono::seconds(1));
    EXPECT_LT(outcome.took, automation::kUnusedServerLimit + std::chrono::seconds(10));
}
