// The telescope setup dialog's behaviour without a display, on a telescope over fake
// ports: the line buttons and the words they build, the port-kind rules, the optics
// shown, and manual guiding on the parallel port's data lines.
#include "server/telescope/telescope_setup.h"

#include "server/common/fake_pulse_clock.h"
#include "server/ports/fake_port_devices.h"
#include "server/telescope/telescope_driver.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

namespace td = telescope_dlg;
constexpr int kNorth = 0;
constexpr int kEast = 2;

class TelescopeSetupTest : public ::testing::Test {
protected:
    TelescopeSetupTest()
    {
        setup.open();
        telescope.putConnected(true);
        setup.refreshStatus();
    }
    ~TelescopeSetupTest() override { telescope.finalRelease(); }
    int indexOfPort(const std::string& name) const
    {
        const auto& list = setup.ports();
        return static_cast<int>(std::find(list.begin(), list.end(), name) - list.begin());
    }
    // Clicks a line's button until it shows `direction`.
    void assign(int line, std::optional<int> direction)
    {
        for (int clicks = 0; clicks < 5 && setup.values().lines[line] != direction; ++clicks)
            setup.click(td::kFirstLine + line);
        ASSERT_EQ(setup.values().lines[line], direction);
    }
    std::vector<std::uint8_t> lpt1Writes() { return devices.parallel(platform::kLpt1DataAddress).writes(); }

    testing::TempHome home;
    FakePortDevices devices;
    std::shared_ptr<FakeSerialLine> relay = devices.addSerial("COM2");
    PortRegistry ports{devices};
    DeviceSettings store;
    FakePulseClock clock;
    TelescopeDriver telescope{ports, store, clock};
    TelescopeSetup setup{telescope};
};

TEST(TelescopeLineWords, LinesSevenAndSixToNorthGive0x3FC0AndAnUnusedDirectionKeepsEveryLine)
{
    LineDirections lines{};
    lines[7] = kNorth;
    lines[6] = kNorth;
    const PulseGuider::DirectionWords words = directionWordsOf(lines);
    EXPECT_EQ(words[kNorth], 0x3FC0);
    EXPECT_EQ(words[1], 0xFF00);
    EXPECT_EQ(lineDirectionsOf(words), lines) << "the pictures come back from the words";
    // The stored defaults: North line 7, South 6, East 5, West 4.
    const LineDirections defaults = lineDirectionsOf({32640, 48960, 57120, 61200});
    EXPECT_EQ(defaults[7], 0);
    EXPECT_EQ(defaults[6], 1);
    EXPECT_EQ(defaults[5], 2);
    EXPECT_EQ(defaults[4], 3);
    EXPECT_FALSE(defaults[0]);
}

TEST(TelescopeLineWords, AClickCyclesNoneNorthSouthEastWest)
{
    std::optional<int> shown;
    std::string seen;
    for (int i = 0; i < 6; ++i) {
        shown = nextLineDirection(shown);
        seen += lineDirectionLetter(shown);
        seen += '|';
    }
    EXPECT_EQ(seen, "N|S|E|W||N|");
}

TEST_F(TelescopeSetupTest, LineButtonsChangeTheObjectsWordsAndEastWithoutALineChangesNoLine)
{
    EXPECT_EQ(setup.title(), "Telescope Setup - Default");
    assign(6, kNorth); // from South
    EXPECT_EQ(telescope.settings().directionWords[kNorth], 0x3FC0);
    assign(5, std::nullopt); // East had only line 5
    EXPECT_EQ(telescope.settings().directionWords[kEast], 0xFF00);

    const std::uint8_t before = devices.parallel(platform::kLpt1DataAddress).data();
    const std::size_t writes = lpt1Writes().size();
    EXPECT_TRUE(setup.press(Arrow::Right)); // East held by hand
    EXPECT_GT(lpt1Writes().size(), writes);
    EXPECT_EQ(devices.parallel(platform::kLpt1DataAddress).data(), before) << "no line changes";
    EXPECT_TRUE(setup.release(Arrow::Right));
}

TEST_F(TelescopeSetupTest, Lpt1DisablesSpeedAndRelayAndShowsThePins)
{
    setup.select(td::kPort, indexOfPort("LPT1"));
    setup.refreshStatus();
    EXPECT_FALSE(setup.enabled(td::kSpeed));
    EXPECT_FALSE(setup.enabled(td::kUseRelay));
    EXPECT_TRUE(setup.visible(td::kPinNumbers));
    EXPECT_FALSE(setup.visible(td::kRelayNumbers));
    EXPECT_EQ(lineNumbers(td::kPinNumbers),
              (std::vector<std::string>{"9", "8", "7", "6", "5", "4", "3", "2"}));
    EXPECT_EQ(setup.status().deviceText, "Connected To LPT1");
    EXPECT_EQ(setup.status().connectText, "Disconnect");

    EXPECT_TRUE(setup.select(td::kPort, indexOfPort("COM2")));
    setup.refreshStatus();
    EXPECT_TRUE(setup.enabled(td::kSpeed));
    EXPECT_TRUE(setup.enabled(td::kUseRelay));
    EXPECT_TRUE(setup.visible(td::kRelayNumbers));
    EXPECT_FALSE(setup.visible(td::kPinNumbers));
    EXPECT_EQ(lineNumbers(td::kRelayNumbers).front(), "8");
}

TEST_F(TelescopeSetupTest, TwiceBarlowWithAMetreAndTwoHundredMillimetresShowsTenAndResolution062)
{
    setup.edit(td::kFocal, 1000);
    setup.edit(td::kDiameter, 200);
    setup.select(td::kBarlow, 5);
    const TelescopeValues v = setup.values();
    EXPECT_EQ(barlowTexts()[5], "2.00x");
    EXPECT_EQ(v.barlowIndex, 5);
    EXPECT_EQ(v.focalRatio, "10.00");
    EXPECT_EQ(v.resolution, "0.62");
    EXPECT_EQ(v.focalMm, 1000);
    double focal = 0;
    telescope.getFocalLength(focal);
    EXPECT_DOUBLE_EQ(focal, 2.0);
}

TEST_F(TelescopeSetupTest, ManualGuidingHoldsTheLinesWhileHeldAndIgnoresRepeats)
{
    const std::uint8_t rest = devices.parallel(platform::kLpt1DataAddress).data();
    EXPECT_TRUE(setup.press(Arrow::Up));
    const std::uint8_t north = devices.parallel(platform::kLpt1DataAddress).data();
    EXPECT_NE(north, rest) << "line 7 closed";
    const std::size_t writes = lpt1Writes().size();
    EXPECT_FALSE(setup.press(Arrow::Up)) << "an auto-repeat";
    EXPECT_EQ(lpt1Writes().size(), writes);
    EXPECT_TRUE(setup.release(Arrow::Up));
    EXPECT_EQ(devices.parallel(platform::kLpt1DataAddress).data(), rest);
    EXPECT_FALSE(setup.release(Arrow::Up));

    setup.press(Arrow::Left);
    setup.click(arrow_ids::kCentre);
    EXPECT_FALSE(setup.held(Arrow::Left));
    EXPECT_EQ(devices.parallel(platform::kLpt1DataAddress).data(), rest);

    setup.click(td::kConnect);
    setup.refreshStatus();
    EXPECT_EQ(setup.status().connectText, "Connect");
    EXPECT_FALSE(setup.enabled(arrow_ids::kUp));
}

TEST_F(TelescopeSetupTest, BacklashAndPolarityReachTheObject)
{
    setup.edit(td::kHorBacklash, 1500);
    setup.edit(td::kVerBacklash, 20);
    setup.click(td::kInvert, true);
    const TelescopeSettings s = telescope.settings();
    EXPECT_EQ(s.horBacklashMs, 1500);
    EXPECT_EQ(s.verBacklashMs, 20);
    EXPECT_TRUE(s.invertPolarity);
    common::NumericField f = TelescopeSetup::field(td::kHorBacklash);
    f.setValue(1500);
    EXPECT_EQ(f.text(), "1.50") << "seconds";
}

} // namespace
} // namespace velmora::server
