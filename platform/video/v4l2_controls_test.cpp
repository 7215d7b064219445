#include "platform/video/v4l2_controls.h"

#include "platform/video/fake_v4l2_io.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velmora::platform::v4l2 {
namespace {

using testing::FakeV4l2Device;
using testing::FakeV4l2Io;
using testing::integerControl;

v4l2_querymenu menuItem(std::uint32_t id, std::uint32_t index, const char* name)
{
    v4l2_querymenu m{};
    m.id = id;
    m.index = index;
    std::memcpy(m.name, name, std::strlen(name));
    return m;
}

class V4l2ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeV4l2Device& d = io.add("/dev/video0");
        d.controls.push_back(integerControl(V4L2_CID_BRIGHTNESS, "Brightness", -64, 64, 1, 0));
        d.controls.push_back(integerControl(V4L2_CID_CONTRAST, "Contrast", 0, 95, 1, 32));
        v4l2_queryctrl disabled = integerControl(V4L2_CID_SATURATION, "Saturation", 0, 100, 1, 50);
        disabled.flags = V4L2_CTRL_FLAG_DISABLED;
        d.controls.push_back(disabled);
        d.controls.push_back(
            integerControl(V4L2_CID_AUTOGAIN, "Gain, Automatic", 0, 1, 1, 1, V4L2_CTRL_TYPE_BOOLEAN));
        v4l2_queryctrl gain = integerControl(V4L2_CID_GAIN, "Gain", 0, 255, 1, 100);
        gain.flags = V4L2_CTRL_FLAG_INACTIVE;
        d.controls.push_back(gain);
        d.controls.push_back(integerControl(V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency", 0, 3, 1, 1,
                                            V4L2_CTRL_TYPE_MENU));
        d.menus[V4L2_CID_POWER_LINE_FREQUENCY] = {menuItem(V4L2_CID_POWER_LINE_FREQUENCY, 0, "Disabled"),
                                                  menuItem(V4L2_CID_POWER_LINE_FREQUENCY, 1, "50 Hz"),
                                                  menuItem(V4L2_CID_POWER_LINE_FREQUENCY, 3, "Auto")};
        d.controls.push_back(
            integerControl(V4L2_CID_CAMERA_CLASS, "Camera Controls", 0, 0, 0, 0, V4L2_CTRL_TYPE_CTRL_CLASS));
        d.controls.push_back(integerControl(V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure Time, Absolute Value!", 3,
                                            2047, 1,
                                            250)); // fills all 32 name bytes
        std::memset(d.controls.back().name, 'X', sizeof d.controls.back().name);
        v4l2_queryctrl ro = integerControl(V4L2_CID_PRIVATE_BASE, "Sensor Temperature", -40, 125, 1, 20);
        ro.flags = V4L2_CTRL_FLAG_READ_ONLY;
        d.controls.push_back(ro);
        d.controls.push_back(
            integerControl(V4L2_CID_PRIVATE_BASE + 1, "Pixel Rate", 0, 0, 0, 0, V4L2_CTRL_TYPE_INTEGER64));
        fd = io.open("/dev/video0");
    }

    FakeV4l2Io io;
    int fd = -1;
};

TEST_F(V4l2ControlsTest, ListsWhatAPlainGetAndSetCanServe)
{
    const std::vector<VideoControl> controls = listControls(io, fd);
    std::vector<std::string> names;
    for (const auto& c : controls)
        names.push_back(c.name);
    ASSERT_EQ(names.size(), 7u) << ::testing::PrintToString(names);
    EXPECT_EQ(names[0], "Brightness");
    EXPECT_EQ(controls[0].minimum, -64);
    EXPECT_EQ(controls[1].defaultValue, 32);
    EXPECT_EQ(controls[2].type, VideoControlType::Boolean);
    EXPECT_TRUE(controls[3].inactive);
    EXPECT_EQ(controls[4].type, VideoControlType::Menu);
    EXPECT_EQ(controls[4].menu,
              (std::vector<VideoControlMenuItem>{{0, "Disabled"}, {1, "50 Hz"}, {3, "Auto"}}));
    EXPECT_EQ(names[5], std::string(32, 'X')); // a name without its NUL is cut at the field's end
    EXPECT_TRUE(controls[6].readOnly);
}

TEST_F(V4l2ControlsTest, DriversWithoutNextCtrlAreWalkedByRange)
{
    io.device("/dev/video0").nextCtrl = false;
    const std::vector<VideoControl> controls = listControls(io, fd);
    // The camera-class exposure control lies outside the user range and is not found.
    ASSERT_EQ(controls.size(), 6u);
    EXPECT_EQ(controls.front().name, "Brightness");
    EXPECT_EQ(controls.back().name, "Sensor Temperature");
}

TEST_F(V4l2ControlsTest, ADriverThatDoesNotMoveOnEndsTheList)
{
    io.device("/dev/video0").nextCtrlStuck = true;
    EXPECT_EQ(listControls(io, fd).size(), 1u);
}

TEST_F(V4l2ControlsTest, ReadsAndWritesWithinTheRules)
{
    EXPECT_EQ(readControl(io, fd, V4L2_CID_CONTRAST), 32);
    EXPECT_TRUE(writeControl(io, fd, V4L2_CID_BRIGHTNESS, -10));
    EXPECT_EQ(readControl(io, fd, V4L2_CID_BRIGHTNESS), -10);
    EXPECT_FALSE(writeControl(io, fd, V4L2_CID_BRIGHTNESS, 65));
    EXPECT_FALSE(writeControl(io, fd, V4L2_CID_PRIVATE_BASE, 30));        // read-only
    EXPECT_FALSE(writeControl(io, fd, V4L2_CID_SATURATION, 30));          // disabled
    EXPECT_FALSE(writeControl(io, fd, V4L2_CID_POWER_LINE_FREQUENCY, 2)); // a gap in the menu
    EXPECT_TRUE(writeControl(io, fd, V4L2_CID_POWER_LINE_FREQUENCY, 3));
    EXPECT_FALSE(writeControl(io, fd, 0x12345678, 1));
    EXPECT_FALSE(readControl(io, fd, 0x12345678));
    EXPECT_FALSE(readControl(io, fd, V4L2_CID_BRIGHTNESS | V4L2_CTRL_FLAG_NEXT_CTRL));
    EXPECT_EQ(io.device("/dev/video0").values.count(V4L2_CID_SATURATION), 0u);
}

} // namespace
} // namespace velmora::platform::v4l2
