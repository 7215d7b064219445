// What the setup dialogs share: speeds, port kinds, titles and the arrow pad's rule of
// one action per press and per release.
#include "server/frame/setup_controls.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

TEST(SetupControls, SpeedsPortKindsAndTitles)
{
    ASSERT_EQ(portSpeeds().size(), 11u);
    EXPECT_EQ(portSpeeds().front(), "110");
    EXPECT_EQ(portSpeedIndex("115200"), 10);
    EXPECT_EQ(portSpeedIndex("14400"), 7);
    EXPECT_FALSE(portSpeedIndex("19200"));
    EXPECT_TRUE(isSerialPortName("COM12"));
    EXPECT_FALSE(isSerialPortName("LPT1"));
    EXPECT_TRUE(isParallelPortName("LPT2"));
    EXPECT_EQ(setupTitle("Camera Setup - %s", "Default"), "Camera Setup - Default");
    EXPECT_EQ(setupTitle("Focuser Setup - %s", "50%d %s"), "Focuser Setup - 50%d %s")
        << "a profile name is text, never a format";
}

TEST(SetupControls, AnArrowActsOnceWhileHeld)
{
    ArrowPad pad;
    EXPECT_FALSE(pad.release(Arrow::Left)) << "not held: nothing to release";
    EXPECT_TRUE(pad.press(Arrow::Left));
    EXPECT_FALSE(pad.press(Arrow::Left)) << "the key's auto-repeat";
    EXPECT_TRUE(pad.press(Arrow::Up)) << "another arrow is its own";
    EXPECT_TRUE(pad.release(Arrow::Left));
    EXPECT_FALSE(pad.release(Arrow::Left));
    EXPECT_TRUE(pad.held(Arrow::Up));
    pad.releaseAll();
    EXPECT_FALSE(pad.held(Arrow::Up));
    EXPECT_EQ(arrowOfButton(1188), Arrow::Right);
    EXPECT_EQ(arrowButtonId(Arrow::Down), 1187);
    EXPECT_FALSE(arrowOfButton(1186));
}

} // namespace
} // namespace velmora::server
