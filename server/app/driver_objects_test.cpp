// The telescope and focuser objects as a scripting client sees them, in simulator
// mode (simulated LPT1, the KF-3 emulator on COM1).
#include "server/app/simulated_server_test.h"

#include <gtest/gtest.h>

#include <cstdlib>

using velmora::testing::runProgram;

namespace {

class DriverObjectsTest : public velmora::testing::SimulatedServerTest {
protected:
    velmora::testing::ProgramOutcome call(std::vector<std::string> steps)
    {
        return runProgram(VELMORA_CALL_PATH, steps, home.path());
    }
};

} // namespace

TEST_F(DriverObjectsTest, TelescopePulsesOnTheSimulatedPort)
{
    auto outcome = call({"VelmoraServer.Telescope",
                         "get",
                         "IsPulseGuiding",
                         "put",
                         "Connected",
                         "true",
                         "call",
                         "PulseGuide",
                         "1",
                         "0",
                         "get",
                         "IsPulseGuiding",
                         "call",
                         "PulseGuide",
                         "0",
                         "300",
                         "get",
                         "IsPulseGuiding",
                         "call",
                         "PulseGuide",
                         "1",
                         "100",
                         "call",
                         "PulseGuide",
                         "2",
                         "50",
                         "sleep",
                         "450",
                         "get",
                         "IsPulseGuiding",
                         "get",
                         "FocalLength",
                         "call",
                         "PulseGuide",
                         "0",
                         "-1"});
    EXPECT_EQ(outcome.out, "IsPulseGuiding = false\n"
                           "Connected = true\n"
                           "PulseGuide = empty\n"     // duration 0 succeeds
                           "IsPulseGuiding = false\n" // and sends nothing
                           "PulseGuide = empty\n"
                           "IsPulseGuiding = true\n"
                           "PulseGuide: error 0x80020009 \"Already In Motion\"\n")
        << outcome.err;

    outcome = call({"VelmoraServer.Telescope", "put", "Connected", "true", "call", "PulseGuide", "2", "50",
                    "call", "PulseGuide", "0", "-1"});
    EXPECT_EQ(outcome.out,
              "Connected = true\nPulseGuide = empty\nPulseGuide: error 0x80020009 \"Invalid Duration\"\n");

    outcome = call({"VelmoraServer.Telescope", "get", "FocalLength", "call", "PulseGuide", "0", "100"});
    EXPECT_EQ(outcome.out, "FocalLength = 1\nPulseGuide: error 0x80020009 \"Not Connected\"\n");
    EXPECT_EQ(outcome.status, 1);

    outcome = call({"VelmoraServer.Telescope", "put", "Connected", "true", "call", "PulseGuide", "4", "10"});
    EXPECT_EQ(outcome.out, "Connected = true\nPulseGuide: error 0x80020009 \"Invalid Value\"\n");
}

TEST_F(DriverObjectsTest, FocuserLinksAndMovesTheEmulatedController)
{
    auto outcome =
        call({"VelmoraServer.Focuser", "get", "Link", "put", "Link", "true", "get", "Link", "get", "Absolute",
              "get", "MaxStep", "get", "Position", "call", "Move", "-500", "get", "IsMoving"});
    EXPECT_EQ(outcome.out, "Link = false\nLink = true\nLink = true\nAbsolute = true\nMaxStep = 1000\n"
                           "Position = 0\nMove = empty\nIsMoving = true\n")
        << outcome.err;
    EXPECT_EQ(outcome.status, 0);

    outcome = call({"VelmoraServer.Focuser", "call", "Move", "10", "get", "Temperature"});
    EXPECT_EQ(outcome.out, "Move: error 0x80020009 \"Not Connected\"\n");
    outcome = call({"VelmoraServer.Focuser", "get", "TempCompAvailable", "get", "Temperature"});
    EXPECT_EQ(outcome.out, "TempCompAvailable = false\nTemperature: error 0x80020009 \"Not Supported\"\n");
}
