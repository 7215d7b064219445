// Thread initialisation, ProgID lookups, in-process classes and the server lock count.
#include "platform/automation/apartment.h"
#include "platform/automation/class_registry.h"
#include "platform/automation/dispatch_calls.h"
#include "platform/automation/in_process_class.h"
#include "platform/automation/remote_activation.h"
#include "platform/automation/testserver/test_object.h"
#include "platform/automation/testserver/test_server_registration.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <thread>

using namespace velmora::automation;
using namespace velmora::automation::testing;

namespace {

constexpr CLSID CLSID_Fake{0xA1B2C3D4, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

TEST(ApartmentTest, InitialisationIsCountedPerThreadAndModesDoNotMix)
{
    std::thread([] {
        EXPECT_FALSE(activationAllowed());
        ComPtr<IDispatch> object;
        EXPECT_EQ(CO_E_NOTINITIALIZED,
                  CoCreateInstance(CLSID_Fake, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid()));
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
        EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        EXPECT_TRUE(activationAllowed());
        CoUninitialize();
        CoUninitialize();
        EXPECT_FALSE(activationAllowed());
    }).join();
    // A thread in the multithreaded apartment lets uninitialised threads activate too.
    std::thread([] {
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY));
        std::thread([] { EXPECT_TRUE(activationAllowed()); }).join();
        CoUninitialize();
    }).join();
}

TEST(ApartmentTest, TheLastServerReleaseCallsTheHandlerOnce)
{
    int calls = 0;
    setServerReleasedHandler([&] { ++calls; });
    const ULONG base = serverProcessLockCount();
    ASSERT_EQ(0u, base);
    EXPECT_EQ(1u, CoAddRefServerProcess());
    {
        ServerProcessReference reference;
        EXPECT_EQ(2u, serverProcessLockCount());
    }
    EXPECT_EQ(0, calls);
    EXPECT_EQ(0u, CoReleaseServerProcess());
    EXPECT_EQ(1, calls);
    EXPECT_EQ(0u, CoReleaseServerProcess()); // unbalanced: stays at zero, no second call
    EXPECT_EQ(1, calls);
    setServerReleasedHandler({});
}

class ClassRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    void TearDown() override { CoUninitialize(); }
    velmora::testing::TempHome home;
};

TEST_F(ClassRegistryTest, ProgIdsResolveThroughClsidOrCurVer)
{
    ASSERT_TRUE(registerTestServer(testServerCommand()));
    CLSID clsid;
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"VelmoraTest.Object", &clsid));
    EXPECT_EQ(CLSID_VelmoraTestObject, clsid);
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"velmoratest.object.1", &clsid));
    ASSERT_TRUE(writeRegistryString("Velmora.OnlyCurVer\\CurVer", "", "VelmoraTest.Object.1"));
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"Velmora.OnlyCurVer", &clsid));
    EXPECT_EQ(CLSID_VelmoraTestObject, clsid);
    // Loops, malformed CLSIDs, separators and unknown names.
    ASSERT_TRUE(writeRegistryString("Velmora.LoopA\\CurVer", "", "Velmora.LoopB"));
    ASSERT_TRUE(writeRegistryString("Velmora.LoopB\\CurVer", "", "Velmora.LoopA"));
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"Velmora.LoopA", &clsid));
    ASSERT_TRUE(writeRegistryString("Velmora.Broken\\CLSID", "", "{not-a-guid}"));
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"Velmora.Broken", &clsid));
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"CLSID\\{6B1C4E0A-3F0D-4C51-9A8B-2D7E5F103A41}", &clsid));
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"", &clsid));
    EXPECT_EQ(E_INVALIDARG, CLSIDFromProgID(nullptr, &clsid));

    LPOLESTR progId = nullptr;
    ASSERT_EQ(S_OK, ProgIDFromCLSID(CLSID_VelmoraTestObject, &progId));
    EXPECT_EQ(u"VelmoraTest.Object.1", std::u16string(progId));
    CoTaskMemFree(progId);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, ProgIDFromCLSID(CLSID_Fake, &progId));
}

TEST_F(ClassRegistryTest, ServerCommandsSplitIntoExecutableAndArguments)
{
    const LocalServerCommand quoted = parseServerCommand("\"/opt/my server/VelmoraServer\" /Automation -x");
    EXPECT_EQ("/opt/my server/VelmoraServer", quoted.executable);
    EXPECT_EQ((std::vector<std::string>{"/Automation", "-x"}), quoted.arguments);
    const LocalServerCommand plain = parseServerCommand("  /usr/bin/VelmoraServer  ");
    EXPECT_EQ("/usr/bin/VelmoraServer", plain.executable);
    EXPECT_TRUE(plain.arguments.empty());
    const LocalServerCommand existing = parseServerCommand(testServerPath());
    EXPECT_EQ(testServerPath(), existing.executable);
}

TEST_F(ClassRegistryTest, InProcessClassesComeFirstAndLeaveWithTheirRegistration)
{
    ASSERT_TRUE(registerTestServer(testServerCommand()));
    CLSID clsid;
    {
        InProcessClass fake("VelmoraTest.Object", CLSID_Fake, creatorFor<TestObject>(false));
        ASSERT_EQ(S_OK, fake.status());
        EXPECT_EQ(S_OK, CLSIDFromProgID(u"VelmoraTest.Object", &clsid));
        EXPECT_EQ(CLSID_Fake, clsid);
        ComPtr<IDispatch> object;
        ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                         IID_IDispatch, object.putVoid()));
        Variant pid;
        ASSERT_EQ(S_OK, getProperty(object.get(), "ProcessId", pid.get()));
        EXPECT_EQ(::getpid(), pid->lVal); // served here, no server started
        ComPtr<IDispatch> aggregated;
        EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(clsid, object.get(), CLSCTX_INPROC_SERVER,
                                                          IID_IDispatch, aggregated.putVoid()));
        EXPECT_EQ(REGDB_E_CLASSNOTREG,
                  CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, aggregated.putVoid()));
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(S_OK, CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                         factory.putVoid()));
    }
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"VelmoraTest.Object", &clsid));
    EXPECT_EQ(CLSID_VelmoraTestObject, clsid);
    ComPtr<IDispatch> object;
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_Fake, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid()));
}

TEST_F(ClassRegistryTest, RegisteredClassObjectsAreRevokedByCookie)
{
    ComPtr<IClassFactory> factory = makeObject<ClassFactory>(creatorFor<TestObject>(false));
    DWORD cookie = 0;
    EXPECT_EQ(E_INVALIDARG,
              CoRegisterClassObject(CLSID_Fake, factory.get(), CLSCTX_INPROC_SERVER, 0, &cookie));
    ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_Fake, factory.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                          &cookie));
    ComPtr<IDispatch> object;
    EXPECT_EQ(S_OK,
              CoCreateInstance(CLSID_Fake, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.putVoid()));
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(E_NOINTERFACE, CoCreateInstance(CLSID_Fake, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory,
                                              unknown.putVoid()));
    EXPECT_EQ(S_OK, CoRevokeClassObject(cookie));
    EXPECT_EQ(CO_E_OBJNOTREG, CoRevokeClassObject(cookie));
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_Fake, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.putVoid()));
    // Publishing needs a loop on the registering thread.
    EXPECT_EQ(CO_E_NOTINITIALIZED, CoRegisterClassObject(CLSID_Fake, factory.get(), CLSCTX_LOCAL_SERVER,
                                                         REGCLS_MULTIPLEUSE, &cookie));
}

} // namespace
