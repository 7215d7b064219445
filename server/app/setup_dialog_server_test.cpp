// SetupDialog of the real VelmoraServer through velmora-call: with a display (the
// offscreen platform) the dialog is shown, here closed by the server's own test log;
// without one the call returns at once.
#include "server/app/setup_dialogs.h"
#include "server/app/simulated_server_test.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using velmora::testing::readFile;
using velmora::testing::runProgram;

class SetupDialogServerTest : public velmora::testing::SimulatedServerTest {
protected:
    void SetUp() override
    {
        SimulatedServerTest::SetUp();
        setenv(velmora::server::kSetupDialogLogVariable, log().c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv(velmora::server::kSetupDialogLogVariable);
        unsetenv("QT_QPA_PLATFORM");
        SimulatedServerTest::TearDown();
    }
    std::string log() const { return home.path() + "/dialogs.log"; }
    velmora::testing::ProgramOutcome setupDialogOf(const char* progId)
    {
        return runProgram(VELMORA_CALL_PATH, {progId, "call", "SetupDialog"}, home.path());
    }
};

TEST_F(SetupDialogServerTest, WithTheOffscreenPlatformTheClientGetsTheDialog)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto outcome = setupDialogOf("VelmoraServer.Camera");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "SetupDialog = empty\n") << outcome.err;
    const auto telescope = setupDialogOf("VelmoraServer.Telescope");
    EXPECT_EQ(telescope.out, "SetupDialog = empty\n") << telescope.err;
    const auto focuser = setupDialogOf("VelmoraServer.Focuser");
    EXPECT_EQ(focuser.out, "SetupDialog = empty\n") << focuser.err;
    EXPECT_EQ(readFile(log()),
              "Camera Setup - Default\nTelescope Setup - Default\nFocuser Setup - Default\n");
}

// A closed dialog is not the end of the server: the client that opened it goes on with
// its object (the server used to quit with its last window, cutting every client off).
TEST_F(SetupDialogServerTest, TheServerKeepsServingAfterADialogCloses)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto outcome = runProgram(VELMORA_CALL_PATH,
                                    {"VelmoraServer.Telescope", "call", "SetupDialog", "get", "Connected",
                                     "get", "ApertureDiameter", "release"},
                                    home.path());
    EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err;
    EXPECT_EQ(outcome.out, "SetupDialog = empty\nConnected = false\nApertureDiameter = 0.2\nrelease = ok\n")
        << outcome.err;
    EXPECT_EQ(outcome.err.find("terminate"), std::string::npos) << outcome.err;
}

TEST_F(SetupDialogServerTest, WithoutADisplayTheCallReturnsAtOnce)
{
    const auto outcome = setupDialogOf("VelmoraServer.Camera");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "SetupDialog = empty\n") << outcome.err;
    EXPECT_EQ(readFile(log()), "") << "no dialog was shown";
}

} // namespace
