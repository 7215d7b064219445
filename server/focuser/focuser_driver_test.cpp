// The focuser object's members over a fake line with the KF-3 controller behind it
// (byte for byte), its settings, and the controller emulator on a pseudo-terminal.
#include "server/focuser/focuser_driver.h"

#include "platform/ports/system_port_devices.h"
#include "server/ports/fake_port_devices.h"
#include "sim/kf3_controller.h"
#include "sim/pty_emulator.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

using namespace std::chrono_literals;
using TimePoint = std::chrono::steady_clock::time_point;

class FocuserDriverTest : public ::testing::Test {
protected:
    FocuserDriverTest() { connectController(); }

    void connectController()
    {
        line->setDevice([this](char byte) { return controller.onByte(byte); });
    }
    void answerEveryCommandWith(std::string reply)
    {
        line->setDevice([reply](char byte) { return byte == '\r' ? reply : std::string(); });
    }
    void storeNumber(const char* section, const std::string& value, std::int32_t number)
    {
        store.setCurrent(kFocuserDriverName, kDefaultProfile);
        ASSERT_TRUE(store.writeNumber(section, value, number));
    }
    FocuserDriver& create()
    {
        focuser = std::make_unique<FocuserDriver>(ports, store);
        return *focuser;
    }
    FocuserDriver& linked()
    {
        FocuserDriver& driver = create();
        EXPECT_EQ(driver.putLink(true), DriverError::None);
        line->takeSent();
        return driver;
    }

    testing::TempHome home;
    TimePoint now{std::chrono::hours(1)};
    sim::Kf3Controller controller{[this] { return now; }};
    FakePortDevices devices;
    std::shared_ptr<FakeSerialLine> line = devices.addSerial("COM1");
    PortRegistry ports{devices};
    DeviceSettings store;
    std::unique_ptr<FocuserDriver> focuser;
};

TEST_F(FocuserDriverTest, LinkChecksTheDeviceAndHaltsAndUnlinkHalts)
{
    FocuserDriver& driver = create();
    EXPECT_EQ(driver.putLink(false), DriverError::None); // not linked: nothing is sent
    EXPECT_EQ(line->sent(), "");

    EXPECT_EQ(driver.putLink(true), DriverError::None);
    EXPECT_EQ(line->takeSent(), "!MrP\r!MS\r");
    EXPECT_EQ(line->baudRates(), (std::vector<std::uint32_t>{115200}));
    EXPECT_EQ(driver.putLink(true), DriverError::None);
    EXPECT_EQ(line->takeSent(), "");
    bool isLinked = false;
    driver.getLink(isLinked);
    EXPECT_TRUE(isLinked);
    EXPECT_EQ(driver.deviceStatus(), "Focuser KF-3");

    EXPECT_EQ(driver.putLink(false), DriverError::None);
    EXPECT_EQ(line->takeSent(), "!MrP\r!MS\r");
    EXPECT_FALSE(line->isOpen());
    driver.getLink(isLinked);
    EXPECT_FALSE(isLinked);
    EXPECT_EQ(driver.deviceStatus(), "Device Not Found");
}

TEST_F(FocuserDriverTest, APortThatNeverAnswersIsLeftClosed)
{
    line->setEcho(false);
    line->setDevice({});
    FocuserDriver& driver = create();
    EXPECT_EQ(driver.putLink(true), DriverError::DeviceNotFound);
    EXPECT_EQ(ports.openChannelCount(), 0u);
    EXPECT_FALSE(line->isOpen());
    EXPECT_EQ(driver.setPortName("COM9"), DriverError::PortNotFound);
    EXPECT_EQ(ports.openChannelCount(), 0u);
}

TEST_F(FocuserDriverTest, ADeviceThatEchoesSomethingElseNeitherLinksNorMoves)
{
    line->setEcho(false);
    line->setDevice([](char byte) { return byte == '\r' ? std::string("?Ok\n\r") : std::string("?"); });
    FocuserDriver& driver = create();
    EXPECT_EQ(driver.putLink(true), DriverError::DeviceNotFound);
    EXPECT_EQ(driver.Move(100), DriverError::NotConnected);
    EXPECT_EQ(ports.openChannelCount(), 0u);
}

TEST_F(FocuserDriverTest, MembersNeedALinkExceptTheConstantOnes)
{
    FocuserDriver& driver = create();
    bool flag = false;
    std::int32_t number = 0;
    double real = 0;
    EXPECT_EQ(driver.getIsMoving(flag), DriverError::NotConnected);
    EXPECT_EQ(driver.getPosition(number), DriverError::NotConnected);
    EXPECT_EQ(driver.getMaxStep(number), DriverError::NotConnected);
    EXPECT_EQ(driver.getMaxIncrement(number), DriverError::NotConnected);
    EXPECT_EQ(driver.Halt(), DriverError::NotConnected);
    EXPECT_EQ(driver.Move(100), DriverError::NotConnected);
    EXPECT_EQ(line->sent(), "");

    EXPECT_EQ(driver.getAbsolute(flag), DriverError::None);
    EXPECT_TRUE(flag);
    EXPECT_EQ(driver.getStepSize(real), DriverError::None);
    EXPECT_DOUBLE_EQ(real, 1.0);
    EXPECT_EQ(driver.getTempComp(flag), DriverError::None);
    EXPECT_FALSE(flag);
    EXPECT_EQ(driver.getTempCompAvailable(flag), DriverError::None);
    EXPECT_FALSE(flag);
    EXPECT_EQ(driver.putTempComp(true), DriverError::NotSupported);
    EXPECT_EQ(driver.getTemperature(real), DriverError::NotSupported);
}

TEST_F(FocuserDriverTest, MoveCarriesTheCursorSpeedAndRefusesPositionsOutsideTheField)
{
    FocuserDriver& driver = linked();
    EXPECT_FALSE(driver.setCursorSpeed(0));
    EXPECT_FALSE(driver.setCursorSpeed(4));
    EXPECT_TRUE(driver.setCursorSpeed(3));
    EXPECT_EQ(driver.Move(-500), DriverError::None);
    EXPECT_EQ(line->takeSent(), "!Mg3P-000500\r");
    EXPECT_EQ(controller.target(), -500);

    EXPECT_EQ(driver.Move(10000000), DriverError::InvalidValue);
    EXPECT_EQ(driver.Move(-1000000), DriverError::InvalidValue);
    EXPECT_EQ(driver.Move(std::numeric_limits<std::int32_t>::min()), DriverError::InvalidValue);
    EXPECT_EQ(line->sent(), "");
    EXPECT_EQ(driver.Move(9999999), DriverError::None);
    EXPECT_EQ(line->takeSent(), "!Mg3P9999999\r");

    answerEveryCommandWith("Error\n\r");
    EXPECT_EQ(driver.Move(10), DriverError::NotConnected);
}

TEST_F(FocuserDriverTest, MotionAndPositionFollowTheController)
{
    FocuserDriver& driver = linked();
    bool moving = true;
    EXPECT_EQ(driver.getIsMoving(moving), DriverError::None);
    EXPECT_FALSE(moving);
    ASSERT_EQ(driver.Move(300), DriverError::None); // 1000 steps a second at speed 1
    EXPECT_EQ(driver.getIsMoving(moving), DriverError::None);
    EXPECT_TRUE(moving);
    now += 100ms;
    std::int32_t position = 0;
    EXPECT_EQ(driver.getPosition(position), DriverError::None);
    EXPECT_EQ(position, 100);
    now += 1s;
    EXPECT_EQ(driver.getIsMoving(moving), DriverError::None);
    EXPECT_FALSE(moving);
    EXPECT_EQ(driver.getPosition(position), DriverError::None);
    EXPECT_EQ(position, 300);

    EXPECT_TRUE(driver.stepToward(FocuserDriver::End::Left));
    EXPECT_TRUE(driver.runToward(FocuserDriver::End::Right));
    EXPECT_EQ(driver.Halt(), DriverError::None);
    line->takeSent();
    EXPECT_TRUE(driver.stepToward(FocuserDriver::End::Right));
    EXPECT_TRUE(driver.runToward(FocuserDriver::End::Left));
    EXPECT_EQ(line->takeSent(), "!MtR01\r!MlL1\r");

    answerEveryCommandWith("Maybe\n\r");
    EXPECT_EQ(driver.getIsMoving(moving), DriverError::ExternalError);
    answerEveryCommandWith("Motor Off\n\r");
    moving = true;
    EXPECT_EQ(driver.getIsMoving(moving), DriverError::None);
    EXPECT_FALSE(moving);
}

TEST_F(FocuserDriverTest, MaxStepReadsTheControllersSoftMaximumIntoTheSettings)
{
    FocuserDriver& driver = linked();
    sim::Kf3Parameters parameters = controller.parameters();
    parameters.endMax = 4321;
    controller.setParameters(parameters);
    std::int32_t steps = 0;
    EXPECT_EQ(driver.getMaxStep(steps), DriverError::None);
    EXPECT_EQ(steps, 4321);
    EXPECT_EQ(driver.settings().endMax, 4321);
    parameters.endMax = 777;
    controller.setParameters(parameters);
    EXPECT_EQ(driver.getMaxIncrement(steps), DriverError::None);
    EXPECT_EQ(steps, 777);
    EXPECT_EQ(driver.settings().endMax, 777);
    EXPECT_EQ(line->takeSent(), "!ErSh\r!ErSh\r");
}

TEST_F(FocuserDriverTest, WritesStoreTheirValueOnlyWhenTheControllerAccepts)
{
    FocuserDriver& driver = linked();
    EXPECT_TRUE(driver.writeValue(FocuserValue::StepPulse, 0, 250));
    EXPECT_EQ(driver.settings().stepPulse, 250);
    EXPECT_EQ(controller.parameters().stepPulse, 250);
    EXPECT_TRUE(driver.writeValue(FocuserValue::SpeedCurrent, 3, 42));
    EXPECT_EQ(driver.settings().speedCurrent[2], 42);
    EXPECT_EQ(line->takeSent(), "!TwSp00250\r!Pw3042\r");

    EXPECT_FALSE(driver.writeValue(FocuserValue::StepNumber, 0, 100)); // does not fit "xx"
    EXPECT_FALSE(driver.writeValue(FocuserValue::SpeedPulse, 4, 10));  // no speed 4
    EXPECT_FALSE(driver.writeValue(FocuserValue::CellValue, -1, 10));
    EXPECT_FALSE(driver.writeValue(static_cast<FocuserValue>(99), 0, 10));
    EXPECT_EQ(line->takeSent(), "");
    EXPECT_EQ(driver.settings().stepNumber, 1);

    sim::Kf3Parameters parameters = controller.parameters();
    parameters.cells[8] = -1234;
    parameters.endSwitchMode = 3;
    parameters.cellMode = 1;
    controller.setParameters(parameters);
    std::int32_t number = 0;
    EXPECT_TRUE(driver.readValue(FocuserValue::CellValue, 8, number));
    EXPECT_EQ(number, -1234);
    EXPECT_EQ(driver.settings().cellValue[8], -1234);
    bool soft = false, hard = false;
    EXPECT_TRUE(driver.readEndSwitch(soft, hard)); // "All"
    EXPECT_TRUE(soft && hard);
    EXPECT_TRUE(driver.readCellMode(number));
    EXPECT_EQ(number, 1);

    EXPECT_TRUE(driver.writeEndSwitch(true, false));
    EXPECT_TRUE(driver.writeCellMode(0));
    EXPECT_FALSE(driver.writeCellMode(2));
    EXPECT_EQ(line->takeSent(), "!Cr8\r!ErM\r!CMr\r!EwM2\r!CMw0\r");
    EXPECT_TRUE(driver.settings().softSwitch);
    EXPECT_FALSE(driver.settings().hardSwitch);
    EXPECT_EQ(driver.settings().cellMode, 0);

    answerEveryCommandWith("Error\n\r");
    FocuserSettings before = driver.settings();
    EXPECT_FALSE(driver.writeValue(FocuserValue::StopCurrent, 0, 50));
    EXPECT_FALSE(driver.writeEndSwitch(false, true));
    EXPECT_FALSE(driver.writeCellMode(1));
    EXPECT_FALSE(driver.readCellMode(number)); // neither "1 cell" nor "8 cell"
    EXPECT_EQ(driver.settings(), before);
}

TEST_F(FocuserDriverTest, PushOnLinkWritesEverySettingInItsOrder)
{
    storeNumber("Step", "Number", 5);
    storeNumber("Step", "Pulse", 250);
    storeNumber("EndSwitch", "Soft", 1);
    storeNumber("EndSwitch", "End Min", -1000);
    storeNumber("Speeds", "Pulse 2", 40);
    storeNumber("Cells", "Cell Mode", 1);
    storeNumber("Cells", "Cell Value 3", 777);
    storeNumber("Common", "Stop Current", 12);
    FocuserDriver& driver = create();
    driver.setPushSettingsOnLink(true);
    ASSERT_EQ(driver.putLink(true), DriverError::None);
    EXPECT_EQ(line->takeSent(), "!MrP\r!MS\r"
                                "!TwSt05\r!TwSp00250\r!PwT001\r!BwSt000\r!BwSp001\r!PwB001\r"
                                "!EwM2\r!EwM2\r!EwSl-001000\r!EwSh0001000\r"
                                "!Lw1S00001\r!Pw1001\r!Lw2S00040\r!Pw2001\r!Lw3S00001\r!Pw3001\r"
                                "!CMw1\r"
                                "!Cw00000000\r!Cw10000000\r!Cw20000000\r!Cw30000777\r!Cw40000000\r"
                                "!Cw50000000\r!Cw60000000\r!Cw70000000\r!Cw80000000\r"
                                "!PwS012\r");
    sim::Kf3Parameters pushed = controller.parameters();
    EXPECT_EQ(pushed.stepNumber, 5);
    EXPECT_EQ(pushed.endSwitchMode, 2);
    EXPECT_EQ(pushed.speedPulse[1], 40);
    EXPECT_EQ(pushed.cells[3], 777);
    EXPECT_EQ(pushed.stopCurrent, 12);

    // A value the controller's field cannot hold is skipped; the rest still goes out.
    driver.putLink(false);
    storeNumber("Step", "Number", 100);
    driver.loadSettings(kDefaultProfile);
    line->takeSent();
    ASSERT_EQ(driver.putLink(true), DriverError::None);
    EXPECT_EQ(line->takeSent().rfind("!MrP\r!MS\r!TwSp00250\r", 0), 0u);
}

TEST_F(FocuserDriverTest, SetupDialogHaltsAroundTheDialog)
{
    FocuserDriver& driver = linked();
    std::string sentBeforeDialog;
    driver.setDialogHook([&](FocuserDriver& dialogTarget) {
        sentBeforeDialog = line->takeSent();
        dialogTarget.runToward(FocuserDriver::End::Left);
    });
    EXPECT_EQ(driver.SetupDialog(), DriverError::None);
    EXPECT_EQ(sentBeforeDialog, "!MS\r");
    EXPECT_EQ(line->takeSent(), "!MlL1\r!MS\r");
    driver.putLink(false);
    EXPECT_EQ(driver.SetupDialog(), DriverError::None); // also unlinked
}

TEST_F(FocuserDriverTest, SettingsLoadOnCreationAndSaveToTheCurrentProfileOnFinalRelease)
{
    storeNumber("Common", "Cursor Speed", 7); // not a speed: the default stands
    storeNumber("Common", "Step Size", 250);
    FocuserDriver& driver = create();
    EXPECT_EQ(driver.profile(), "Default");
    EXPECT_EQ(driver.settings().cursorSpeed, 1);
    double stepSize = 0;
    driver.getStepSize(stepSize);
    EXPECT_DOUBLE_EQ(stepSize, 2.5);

    EXPECT_EQ(driver.setPortSpeed("9600"), DriverError::None); // linked afterwards
    EXPECT_EQ(line->baudRates(), (std::vector<std::uint32_t>{9600}));
    ASSERT_TRUE(driver.saveSettings("Bench"));
    driver.setCursorSpeed(2);
    driver.setStepSize(0.75);
    ASSERT_TRUE(driver.writeValue(FocuserValue::BackNumber, 0, 17));
    driver.finalRelease();
    EXPECT_EQ(ports.openChannelCount(), 0u);

    FocuserSettings saved;
    saved.load(store, "Bench");
    EXPECT_EQ(saved, driver.settings());
    EXPECT_EQ(saved.cursorSpeed, 2);
    EXPECT_DOUBLE_EQ(saved.stepSize, 0.75);
    EXPECT_EQ(saved.backNumber, 17);
    EXPECT_EQ(saved.portSpeed, "9600");
    FocuserSettings original;
    original.load(store, "Default");
    EXPECT_EQ(original.backNumber, 0);
}

TEST(FocuserOnKf3Emulator, EndToEndOverAPseudoTerminal)
{
    testing::TempHome home;
    sim::Kf3Controller controller;
    sim::PtyEmulator emulator(controller);
    ASSERT_TRUE(emulator.start());
    platform::SystemPortDevices devices;
    devices.mapSerialPort("COM1", emulator.slavePath());
    PortRegistry ports(devices);
    DeviceSettings store;
    store.setCurrent(kFocuserDriverName, kDefaultProfile);
    ASSERT_TRUE(store.writeNumber("Common", "Cursor Speed", 3));
    {
        FocuserDriver driver(ports, store);
        ASSERT_EQ(driver.putLink(true), DriverError::None);
        EXPECT_EQ(emulator.takeReceived(), "!MrP\r!MS\r");
        EXPECT_EQ(driver.Move(-500), DriverError::None);
        EXPECT_EQ(emulator.takeReceived(), "!Mg3P-000500\r");
        EXPECT_EQ(controller.target(), -500);

        sim::Kf3Parameters parameters = controller.parameters();
        parameters.endMax = 25000;
        controller.setParameters(parameters);
        std::int32_t steps = 0;
        EXPECT_EQ(driver.getMaxStep(steps), DriverError::None);
        EXPECT_EQ(steps, 25000);
        EXPECT_EQ(driver.settings().endMax, 25000);

        bool moving = false;
        emulator.replaceNextReply("Perhaps\n\r");
        EXPECT_EQ(driver.getIsMoving(moving), DriverError::ExternalError);
        EXPECT_EQ(driver.Halt(), DriverError::None);

        ASSERT_EQ(driver.putLink(false), DriverError::None);
        std::size_t received = emulator.receivedCount();
        ASSERT_EQ(driver.putLink(false), DriverError::None);
        EXPECT_EQ(emulator.receivedCount(), received);

        sim::EmulatorFaults silent;
        silent.silent = true;
        emulator.setFaults(silent);
        EXPECT_EQ(driver.putLink(true), DriverError::DeviceNotFound);
        EXPECT_EQ(ports.openChannelCount(), 0u);
        emulator.setFaults({});
    }
    emulator.stop();
}

} // namespace
} // namespace velmora::server
