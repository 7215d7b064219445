// The server's capture devices: the sky simulator listed after the V4L2 devices, and the
// simulated guide lines taken from the telescope's direction words.
#include "server/app/capture_devices.h"

#include "platform/ports/system_port_devices.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

TEST(CaptureDevicesTest, TheSkySimulatorComesLastAndOnlyWithSimulatedPorts)
{
    velmora::testing::TempHome home;
    platform::SystemPortDevices devices;
    sim::SimulatorPorts ports(devices);
    DeviceSettings store;
    CaptureDevices withSky(&ports, store);
    const auto backends = withSky.backends();
    ASSERT_EQ(backends.size(), 2u);
    const auto listed = backends.back()->enumerate();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].name, "Sky Simulator");
    CaptureDevices withoutSky(nullptr, store);
    EXPECT_EQ(withoutSky.backends().size(), 1u);
}

TEST(CaptureDevicesTest, GuideLinesFollowTheTelescopeWordsAndPolarity)
{
    TelescopeSettings telescope;
    sim::SimulatedSky::GuideLines lines = CaptureDevices::guideLinesOf(telescope);
    const int expectedLines[] = {7, 6, 5, 4};
    for (int d = 0; d < 4; ++d) {
        EXPECT_EQ(lines[d].line, expectedLines[d]);
        EXPECT_TRUE(lines[d].activeHigh);
    }
    telescope.invertPolarity = true;
    telescope.directionWords[2] = 0xFE00; // East: line 0 to 0
    telescope.directionWords[3] = 0xFF00; // West: changes nothing, keeps its default line
    lines = CaptureDevices::guideLinesOf(telescope);
    EXPECT_FALSE(lines[0].activeHigh);
    EXPECT_EQ(lines[2].line, 0);
    EXPECT_TRUE(lines[2].activeHigh) << "0 inverted is a high line";
    EXPECT_EQ(lines[3].line, 4);
    EXPECT_TRUE(lines[3].activeHigh);
}

} // namespace
} // namespace velmora::server
