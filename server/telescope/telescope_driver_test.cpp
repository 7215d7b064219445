// The telescope object's members over fake ports (byte for byte on the relay box
// line), its settings, and a relay-box emulator on a pseudo-terminal end to end.
#include "server/telescope/telescope_driver.h"

#include "platform/ports/system_port_devices.h"
#include "server/common/fake_pulse_clock.h"
#include "server/ports/fake_port_devices.h"
#include "sim/kr4_relay_box.h"
#include "sim/line_pulses.h"
#include "sim/pty_emulator.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmora::server {
namespace {

using namespace std::chrono_literals;

constexpr int kNorth = 0;
constexpr const char* kRelayReply = "#DudAvudiZaz KR-4 1.02\n\r";
// Both axes released with the default words, normal polarity: outputs 5..8 off.
constexpr const char* kReleaseBoth = "5-6-7-8-";

class TelescopeDriverTest : public ::testing::Test {
protected:
    TelescopeDriverTest()
    {
        relay->setDevice([](char byte) { return byte == 'v' ? std::string(kRelayReply) : std::string(); });
    }

    void storeNumber(const char* section, const char* value, std::int32_t number)
    {
        store.setCurrent(kTelescopeDriverName, kDefaultProfile);
        ASSERT_TRUE(store.writeNumber(section, value, number));
    }
    void storeText(const char* section, const char* value, const std::string& text)
    {
        store.setCurrent(kTelescopeDriverName, kDefaultProfile);
        ASSERT_TRUE(store.writeText(text, section, std::string(value)));
    }
    TelescopeDriver& create()
    {
        telescope = std::make_unique<TelescopeDriver>(ports, store, clock);
        return *telescope;
    }
    bool isConnected() const
    {
        bool connected = false;
        telescope->getConnected(connected);
        return connected;
    }

    testing::TempHome home;
    FakePortDevices devices;
    PortRegistry ports{devices};
    DeviceSettings store;
    FakePulseClock clock;
    std::shared_ptr<FakeSerialLine> relay = devices.addSerial("COM2");
    std::unique_ptr<TelescopeDriver> telescope;
};

TEST_F(TelescopeDriverTest, ParallelPortConnectsOnceAndNeverSpeaksToARelayBox)
{
    TelescopeDriver& driver = create();
    EXPECT_EQ(driver.putConnected(false), DriverError::None); // not connected: nothing happens
    EXPECT_EQ(devices.parallel(platform::kLpt1DataAddress).loadedCount(), 0);

    EXPECT_EQ(driver.putConnected(true), DriverError::None);
    EXPECT_EQ(driver.putConnected(true), DriverError::None);
    EXPECT_TRUE(isConnected());
    EXPECT_EQ(devices.parallel(platform::kLpt1DataAddress).loadedCount(), 1);
    EXPECT_EQ(ports.openChannelCount(), 1u);
    // One release of both axes, axis 1 first; the second connect did nothing.
    EXPECT_EQ(devices.parallel(platform::kLpt1DataAddress).writes().size(), 2u);
    EXPECT_EQ(driver.deviceStatus(), "Connected To LPT1");

    EXPECT_EQ(driver.putConnected(false), DriverError::None);
    EXPECT_FALSE(isConnected());
    EXPECT_EQ(ports.openChannelCount(), 0u);
    EXPECT_EQ(driver.deviceStatus(), "Device Not Found");
    EXPECT_EQ(relay->sent(), "");
}

TEST_F(TelescopeDriverTest, PortsThatCannotBeOpenedAreNotFound)
{
    devices.parallel(platform::kLpt1DataAddress).setLoadable(false);
    TelescopeDriver& driver = create();
    EXPECT_EQ(driver.putConnected(true), DriverError::PortNotFound);
    EXPECT_EQ(driver.setPortName("COM7"), DriverError::PortNotFound);
    EXPECT_EQ(driver.setPortName("Nothing"), DriverError::PortNotFound);
    EXPECT_FALSE(isConnected());
    EXPECT_EQ(ports.openChannelCount(), 0u);
    EXPECT_EQ(driver.PulseGuide(kNorth, 100), DriverError::NotConnected);
}

TEST_F(TelescopeDriverTest, RelayBoxIsIdentifiedSetToItsModeAndReleased)
{
    storeText("Config", "Port", "COM2");
    storeText("Config", "Port Speed", "9600");
    storeNumber("Config", "Use Relay", 1);
    TelescopeDriver& driver = create();
    ASSERT_EQ(driver.putConnected(true), DriverError::None);
    EXPECT_EQ(relay->takeSent(), std::string("v") + "r+" + kReleaseBoth + kReleaseBoth);
    EXPECT_EQ(relay->baudRates(), (std::vector<std::uint32_t>{9600}));
    EXPECT_EQ(driver.deviceStatus(), "DudAvudiZaz KR-4 1.02");
    relay->takeSent();

    driver.setUseRelay(false);
    EXPECT_EQ(relay->takeSent(), std::string("r-") + kReleaseBoth);
    driver.setInvertPolarity(true);
    EXPECT_EQ(relay->takeSent(), "5+6+7+8+");
    ASSERT_EQ(driver.PulseGuide(kNorth, 100), DriverError::None);
    ASSERT_TRUE(driver.waitUntilIdle(5s));
    EXPECT_EQ(relay->takeSent(), "8-7+8+");

    // Manual guiding from the dialog.
    EXPECT_TRUE(driver.holdDirection(3));
    EXPECT_EQ(relay->takeSent(), "5-");
    EXPECT_TRUE(driver.releaseAxis(1));
    EXPECT_EQ(relay->takeSent(), "5+6+");
    EXPECT_FALSE(driver.holdDirection(4));
    EXPECT_FALSE(driver.releaseAxis(2));
    EXPECT_EQ(relay->takeSent(), "");
}

TEST_F(TelescopeDriverTest, SerialPortWithoutARelayBoxIsReleasedAgain)
{
    storeText("Config", "Port", "COM3");
    std::shared_ptr<FakeSerialLine> modem = devices.addSerial("COM3");
    modem->setDevice([](char byte) { return byte == 'v' ? std::string("OK\n\r") : std::string(); });
    TelescopeDriver& driver = create();
    EXPECT_EQ(driver.putConnected(true), DriverError::DeviceNotFound);
    EXPECT_EQ(modem->takeSent(), "v"); // no relay mode, no line words
    EXPECT_FALSE(modem->isOpen());
    EXPECT_EQ(ports.openChannelCount(), 0u);

    modem->setEcho(false);
    modem->setDevice({});
    EXPECT_EQ(driver.putConnected(true), DriverError::DeviceNotFound);
    EXPECT_FALSE(isConnected());
    EXPECT_FALSE(modem->isOpen());
}

TEST_F(TelescopeDriverTest, OpticalValuesComeFromTheSettings)
{
    storeNumber("Telescope", "Diameter", 200);
    storeNumber("Telescope", "Focal", 1000);
    storeText("Telescope", "Barlow", "0.50x");
    TelescopeDriver& driver = create();
    double metres = 0;
    EXPECT_EQ(driver.getApertureDiameter(metres), DriverError::None);
    EXPECT_DOUBLE_EQ(metres, 0.2);
    EXPECT_EQ(driver.getFocalLength(metres), DriverError::None);
    EXPECT_DOUBLE_EQ(metres, 0.5);

    driver.setBarlow("2.00x");
    driver.setFocal(1.2);
    driver.getFocalLength(metres);
    EXPECT_DOUBLE_EQ(metres, 2.4);
    driver.setBarlow("none");
    driver.getFocalLength(metres);
    EXPECT_DOUBLE_EQ(metres, 0.0);

    bool canPulseGuide = false;
    std::int32_t version = 0;
    EXPECT_EQ(driver.getCanPulseGuide(canPulseGuide), DriverError::None);
    EXPECT_EQ(driver.getInterfaceVersion(version), DriverError::None);
    EXPECT_TRUE(canPulseGuide);
    EXPECT_EQ(version, 2);
}

TEST_F(TelescopeDriverTest, SettingsLoadOnCreationAndSaveToTheCurrentProfileOnFinalRelease)
{
    storeNumber("Config", "Ver Backlash", 300);
    storeNumber("Bits", "North", 0x3FC0);
    storeText("Config", "Port", "LPT2");
    TelescopeDriver& driver = create();
    EXPECT_EQ(driver.profile(), "Default");
    TelescopeSettings loaded = driver.settings();
    EXPECT_EQ(loaded.verBacklashMs, 300);
    EXPECT_EQ(loaded.directionWords[0], 0x3FC0);
    EXPECT_EQ(loaded.port, "LPT2");
    EXPECT_EQ(driver.pulseGuider().releaseWords()[0], 0x3F00 & 0xBF00 & 0xFF00);

    ASSERT_EQ(driver.putConnected(true), DriverError::None);
    EXPECT_EQ(devices.parallel(platform::kLpt2DataAddress).loadedCount(), 1);
    ASSERT_TRUE(driver.saveSettings("Observatory"));
    EXPECT_EQ(driver.profile(), "Observatory");
    driver.setBacklash(1, 120);
    driver.setDiameter(0.254);
    driver.setBarlow("1.50x");
    driver.setInvertPolarity(true);
    driver.setUseRelay(true);
    driver.setDirectionWords({0xFF00, 0xFF00, 0xFE01, 0xFD02});

    driver.finalRelease();
    EXPECT_EQ(ports.openChannelCount(), 0u);
    TelescopeSettings saved;
    saved.load(store, "Observatory");
    EXPECT_EQ(saved, driver.settings());
    EXPECT_EQ(saved.horBacklashMs, 120);
    EXPECT_DOUBLE_EQ(saved.diameter, 0.254);
    EXPECT_EQ(saved.barlow, "1.50x");
    EXPECT_TRUE(saved.invertPolarity);
    EXPECT_TRUE(saved.useRelay);
    EXPECT_EQ(saved.directionWords, (std::array<std::uint16_t, 4>{0xFF00, 0xFF00, 0xFE01, 0xFD02}));
    TelescopeSettings original;
    original.load(store, "Default");
    EXPECT_EQ(original.horBacklashMs, 0);

    // Released once: destruction afterwards writes nothing.
    store.setCurrent(kTelescopeDriverName, "Observatory");
    ASSERT_TRUE(store.writeNumber("Config", "Hor Backlash", 7));
    telescope.reset();
    saved.load(store, "Observatory");
    EXPECT_EQ(saved.horBacklashMs, 7);
}

TEST_F(TelescopeDriverTest, SetupDialogReleasesBothAxesAroundTheDialog)
{
    storeText("Config", "Port", "COM2");
    TelescopeDriver& driver = create();
    ASSERT_EQ(driver.putConnected(true), DriverError::None);
    relay->takeSent();
    std::string sentBeforeDialog;
    driver.setDialogHook([&](TelescopeDriver& dialogTarget) {
        sentBeforeDialog = relay->takeSent();
        dialogTarget.holdDirection(kNorth);
    });
    EXPECT_EQ(driver.SetupDialog(), DriverError::None);
    EXPECT_EQ(sentBeforeDialog, kReleaseBoth);
    EXPECT_EQ(relay->takeSent(), std::string("8+") + kReleaseBoth);

    driver.putConnected(false);
    relay->takeSent();
    EXPECT_EQ(driver.SetupDialog(), DriverError::None); // always succeeds
    EXPECT_EQ(relay->takeSent(), "");
}

TEST_F(TelescopeDriverTest, PortChangesReconnect)
{
    TelescopeDriver& driver = create();
    EXPECT_EQ(driver.setPortName("COM2"), DriverError::None); // connected afterwards
    EXPECT_TRUE(isConnected());
    EXPECT_EQ(relay->takeSent(), std::string("v") + "r-" + kReleaseBoth + kReleaseBoth);

    EXPECT_EQ(driver.setPortSpeed("57600"), DriverError::None);
    EXPECT_EQ(relay->baudRates(), (std::vector<std::uint32_t>{115200, 57600}));
    EXPECT_EQ(relay->openCount(), 2);
    EXPECT_EQ(driver.settings().portSpeed, "57600");

    EXPECT_EQ(driver.setPortName("COM9"), DriverError::PortNotFound);
    EXPECT_FALSE(isConnected());
    EXPECT_FALSE(relay->isOpen());
    EXPECT_EQ(driver.settings().port, "COM9");
}

TEST(TelescopeOnRelayBoxEmulator, PulsesCloseTheRelayOutputsForTheirLength)
{
    testing::TempHome home;
    FakePulseClock clock;
    sim::Kr4RelayBox box(clock.asFunction());
    sim::PtyEmulator emulator(box);
    ASSERT_TRUE(emulator.start());
    platform::SystemPortDevices devices;
    devices.mapSerialPort("COM2", emulator.slavePath());
    PortRegistry ports(devices);
    DeviceSettings store;
    store.setCurrent(kTelescopeDriverName, kDefaultProfile);
    ASSERT_TRUE(store.writeText(std::string("COM2"), "Config", std::string("Port")));
    ASSERT_TRUE(store.writeNumber("Config", "Hor Backlash", 50));
    {
        TelescopeDriver driver(ports, store, clock);
        ASSERT_EQ(driver.putConnected(true), DriverError::None);
        EXPECT_FALSE(box.relayMode());
        EXPECT_EQ(driver.deviceStatus(), "DudAvudiZaz KR-4 Relay Box 1.02");
        for (int direction : {0, 1, 2, 3}) {
            ASSERT_EQ(driver.PulseGuide(direction, 120), DriverError::None);
            ASSERT_TRUE(driver.waitUntilIdle(5s));
        }
        EXPECT_EQ(box.outputs() & 0xF0, 0);
    }
    auto held = [&](int output) {
        std::vector<sim::LinePulse> pulses = sim::linePulses(box.outputLines().changes(), output - 1);
        return pulses.size() == 1 ? std::chrono::duration_cast<std::chrono::milliseconds>(pulses[0].held())
                                  : std::chrono::milliseconds(-1);
    };
    EXPECT_EQ(held(8), 120ms); // North
    EXPECT_EQ(held(7), 120ms); // South
    EXPECT_EQ(held(6), 170ms); // East, the axis's first pulse
    EXPECT_EQ(held(5), 170ms); // West, a reversal
    emulator.stop();
}

} // namespace
} // namespace velmora::server
