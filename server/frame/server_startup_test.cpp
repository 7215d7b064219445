#include "server/frame/server_startup.h"

#include "server/frame/server_identity.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

using namespace velmora::server;
using velmora::testing::readFile;
using velmora::testing::TempHome;

namespace {

class FakeEnvironment : public ServerEnvironment {
public:
    bool registerClassObjects() override
    {
        log += "register-classes;";
        return classesOk;
    }
    void revokeClassObjects() override { log += "revoke;"; }
    bool hasDisplay() const override { return display; }
    bool initialiseDisplay() override
    {
        log += "display;";
        return displayOk;
    }
    void showMessage(const std::string& text) override
    {
        log += "message;";
        messages.push_back(text);
    }
    int serve() override
    {
        log += "serve;";
        return 0;
    }
    std::string executablePath() const override { return "/usr/bin/VelmoraServer"; }

    bool classesOk = true;
    bool display = true;
    bool displayOk = true;
    std::string log;
    std::vector<std::string> messages;
};

} // namespace

TEST(ServerStartup, SwitchesAreCaseInsensitiveWithSlashOrDash)
{
    EXPECT_EQ(parseServerSwitches({}), ServerSwitch::None);
    EXPECT_EQ(parseServerSwitches({"/RegServer"}), ServerSwitch::Register);
    EXPECT_EQ(parseServerSwitches({"-register"}), ServerSwitch::Register);
    EXPECT_EQ(parseServerSwitches({"/UNREGSERVER"}), ServerSwitch::Unregister);
    EXPECT_EQ(parseServerSwitches({"-Unregister"}), ServerSwitch::Unregister);
    EXPECT_EQ(parseServerSwitches({"-Embedding"}), ServerSwitch::Embedding);
    EXPECT_EQ(parseServerSwitches({"/automation"}), ServerSwitch::Automation);
    EXPECT_EQ(parseServerSwitches({"Embedding", "--", "-", "/x"}), ServerSwitch::None);
}

TEST(ServerStartup, StartedByHandRegistersAndShowsTheMessageEachTime)
{
    TempHome home;
    for (int run = 0; run < 2; ++run) {
        FakeEnvironment env;
        EXPECT_EQ(runServer(ServerSwitch::None, env), 0);
        EXPECT_EQ(env.log, "register-classes;display;message;revoke;");
        ASSERT_EQ(env.messages.size(), 1u);
        EXPECT_EQ(env.messages[0], kStartedByHandMessage);
    }
    EXPECT_NE(readFile(home.registryFile("HKEY_CLASSES_ROOT")).find("@=\"/usr/bin/VelmoraServer\""),
              std::string::npos);
    EXPECT_NE(readFile(home.registryFile("HKEY_LOCAL_MACHINE")).find("VelmoraServer.Telescope]"),
              std::string::npos);
}

TEST(ServerStartup, OrderOfTheSwitchesAndFailures)
{
    TempHome home;
    FakeEnvironment serving;
    EXPECT_EQ(runServer(ServerSwitch::Embedding, serving), 0);
    EXPECT_EQ(serving.log, "register-classes;display;serve;revoke;");

    FakeEnvironment headless;
    headless.display = false;
    EXPECT_EQ(runServer(ServerSwitch::Automation, headless), 0);
    EXPECT_EQ(headless.log, "register-classes;serve;revoke;") << "serves without any display";

    FakeEnvironment broken;
    broken.displayOk = false;
    EXPECT_NE(runServer(ServerSwitch::Embedding, broken), 0);
    EXPECT_EQ(broken.log, "register-classes;display;revoke;") << "ends without a message";

    FakeEnvironment noClasses;
    noClasses.classesOk = false;
    EXPECT_NE(runServer(ServerSwitch::Register, noClasses), 0);
    EXPECT_EQ(noClasses.log, "register-classes;");
    EXPECT_EQ(readFile(home.registryFile("HKEY_CLASSES_ROOT")), "") << "nothing registered";

    FakeEnvironment reg;
    EXPECT_EQ(runServer(ServerSwitch::Register, reg), 0);
    EXPECT_EQ(reg.log, "register-classes;revoke;") << "no display, no message";
    FakeEnvironment unreg;
    EXPECT_EQ(runServer(ServerSwitch::Unregister, unreg), 0);
    EXPECT_EQ(readFile(home.registryFile("HKEY_CLASSES_ROOT")),
              "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\AppID]\n\n[HKEY_CLASSES_ROOT\\CLSID]\n\n"
              "[HKEY_CLASSES_ROOT\\TypeLib]\n\n[HKEY_CLASSES_ROOT\\Interface]\n\n");
}
