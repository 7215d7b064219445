#include "client/app/client_startup.h"

#include <gtest/gtest.h>

using namespace velmora::client;

namespace {

struct FakeEnvironment : ClientEnvironment {
    bool initialiseRuntime() override
    {
        log += "runtime;";
        return runtimeWorks;
    }
    void uninitialiseRuntime() override { log += "~runtime;"; }
    bool initialiseDisplay() override
    {
        log += "display;";
        return displayWorks;
    }
    void releaseDisplay() override { log += "~display;"; }
    int runMainFrame() override
    {
        log += "frame;";
        return 7;
    }
    bool runtimeWorks = true;
    bool displayWorks = true;
    std::string log;
};

} // namespace

TEST(ClientStartup, RuntimeThenDisplayThenFrameAndBackInReverse)
{
    FakeEnvironment ok;
    EXPECT_EQ(runClient(ok), 7);
    EXPECT_EQ(ok.log, "runtime;display;frame;~display;~runtime;");

    FakeEnvironment noRuntime;
    noRuntime.runtimeWorks = false;
    EXPECT_EQ(runClient(noRuntime), 1);
    EXPECT_EQ(noRuntime.log, "runtime;") << "no window without the runtime";

    FakeEnvironment noDisplay;
    noDisplay.displayWorks = false;
    EXPECT_EQ(runClient(noDisplay), 1);
    EXPECT_EQ(noDisplay.log, "runtime;display;~runtime;") << "start-up ends cleanly";
}

TEST(ClientStartup, AMissingDisplayPointsAtTheHeadlessGuider)
{
    const std::string message = missingDisplayMessage({{"HOME", "/home/x"}, {"DISPLAY", ""}});
    EXPECT_NE(message.find("velmora-guide"), std::string::npos);
    EXPECT_EQ(message.find('\n'), std::string::npos) << "one line";
    EXPECT_EQ(missingDisplayMessage({{"DISPLAY", ":0"}}), "");
    EXPECT_EQ(missingDisplayMessage({{"WAYLAND_DISPLAY", "wayland-0"}}), "");
    EXPECT_EQ(missingDisplayMessage({{"QT_QPA_PLATFORM", "offscreen"}}), "");
}
