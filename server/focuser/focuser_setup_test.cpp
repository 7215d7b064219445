// The focuser setup dialog's behaviour without a display, on a focuser linked to the
// KF-3 emulator on a pseudo-terminal: what reaches the controller byte for byte, the
// blanking of failed values, enable rules and manual motion.
#include "server/focuser/focuser_setup.h"

#include "platform/ports/system_port_devices.h"
#include "server/focuser/focuser_driver.h"
#include "sim/kf3_controller.h"
#include "sim/pty_emulator.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

namespace fd = focuser_dlg;

class FocuserSetupTest : public ::testing::Test {
protected:
    FocuserSetupTest()
    {
        EXPECT_TRUE(emulator.start());
        devices.mapSerialPort("COM1", emulator.slavePath());
        focuser = std::make_unique<FocuserDriver>(ports, store);
        EXPECT_EQ(focuser->putLink(true), DriverError::None);
        setup = std::make_unique<FocuserSetup>(*focuser);
        setup->open();
        setup->refresh();
        emulator.takeReceived();
    }
    ~FocuserSetupTest() override
    {
        setup.reset();
        focuser->finalRelease();
        focuser.reset();
        emulator.stop();
    }
    // The committed value of an edit after the user typed `text` into it.
    static std::int32_t typed(int id, const std::string& text)
    {
        common::NumericField f = FocuserSetup::field(id);
        f.setEditedText(text);
        f.commit();
        return f.value();
    }

    testing::TempHome home;
    sim::Kf3Controller controller;
    sim::PtyEmulator emulator{controller};
    platform::SystemPortDevices devices;
    PortRegistry ports{devices};
    DeviceSettings store;
    std::unique_ptr<FocuserDriver> focuser;
    std::unique_ptr<FocuserSetup> setup;
};

TEST_F(FocuserSetupTest, AStepNumberAbove99IsNeverSent)
{
    const std::int32_t value = typed(fd::kStepNumber, "150");
    EXPECT_EQ(value, 99);
    setup->edit(fd::kStepNumber, value);
    EXPECT_EQ(emulator.takeReceived(), "!TwSt99\r");
    EXPECT_EQ(controller.parameters().stepNumber, 99);
    EXPECT_EQ(setup->shown(fd::kStepNumber), 99);
    EXPECT_EQ(focuser->settings().stepNumber, 99);

    setup->edit(fd::kStepPulse, typed(fd::kStepPulse, "2.50"));
    EXPECT_EQ(emulator.takeReceived(), "!TwSp00010\r") << "quarter milliseconds";
    setup->edit(fd::kSpeedPulse1 + 4, 40);
    EXPECT_EQ(emulator.takeReceived(), "!Lw3S00040\r");
    setup->edit(fd::kFirstCell + 2, -250);
    EXPECT_EQ(emulator.takeReceived(), "!Cw2-000250\r");
}

TEST_F(FocuserSetupTest, UpdateValuesReadsEverythingAndAControllerSwitchedOffBlanksIt)
{
    sim::Kf3Parameters p = controller.parameters();
    p.stepNumber = 12;
    p.endSwitchMode = 2; // soft only
    p.cellMode = 1;
    controller.setParameters(p);
    setup->click(fd::kUpdateValues);
    EXPECT_EQ(setup->shown(fd::kStepNumber), 12);
    EXPECT_EQ(setup->box(fd::kSoft), BoxState::Checked);
    EXPECT_EQ(setup->box(fd::kHard), BoxState::Unchecked);
    EXPECT_EQ(setup->cellMode(), 1);
    EXPECT_EQ(setup->shown(fd::kCurrentPosition), 0);
    EXPECT_FALSE(setup->enabled(fd::kFirstCell)) << "eight-cell mode";
    EXPECT_TRUE(setup->enabled(fd::kFirstCell + 8));
    EXPECT_FALSE(setup->enabled(fd::kFirstGo));
    const std::string sent = emulator.takeReceived();
    EXPECT_NE(sent.find("!TrSt\r!TrSp\r!PrT\r!BrSt\r!BrSp\r!PrB\r"), std::string::npos) << sent;
    EXPECT_NE(sent.find("!CMr\r"), std::string::npos);

    sim::EmulatorFaults off;
    off.silent = true;
    emulator.setFaults(off);
    setup->click(fd::kUpdateValues);
    for (const FocuserValueControl& c : focuserValueControls())
        EXPECT_FALSE(setup->shown(c.id)) << c.id;
    EXPECT_FALSE(setup->shown(fd::kCurrentPosition));
    EXPECT_EQ(setup->box(fd::kSoft), BoxState::Unknown);
    EXPECT_EQ(setup->box(fd::kHard), BoxState::Unknown);
    EXPECT_FALSE(setup->cellMode());
    emulator.setFaults({});
}

TEST_F(FocuserSetupTest, HoldingTheRightArrowSendsOneRunAndOneHalt)
{
    EXPECT_TRUE(setup->press(Arrow::Right));
    EXPECT_FALSE(setup->press(Arrow::Right)) << "auto-repeat";
    EXPECT_FALSE(setup->press(Arrow::Right));
    EXPECT_TRUE(setup->release(Arrow::Right));
    EXPECT_FALSE(setup->release(Arrow::Right));
    EXPECT_EQ(emulator.takeReceived(), "!MlR1\r!MS\r");

    setup->select(fd::kCursorSpeed, 2);
    setup->press(Arrow::Left);
    setup->release(Arrow::Left);
    setup->press(Arrow::Up);
    setup->release(Arrow::Up);
    setup->press(Arrow::Down);
    setup->release(Arrow::Down);
    EXPECT_EQ(emulator.takeReceived(), "!MlL3\r!MS\r!MtR01\r!MtL01\r");
}

TEST_F(FocuserSetupTest, BoxesCellModeGoAndCurrentPosition)
{
    setup->readAll();
    emulator.takeReceived();
    setup->click(fd::kHard);
    EXPECT_EQ(emulator.takeReceived(), "!EwM1\r");
    EXPECT_EQ(setup->box(fd::kHard), BoxState::Checked);
    setup->click(fd::kSoft);
    EXPECT_EQ(emulator.takeReceived(), "!EwM3\r");
    setup->click(fd::kOneCell);
    EXPECT_EQ(emulator.takeReceived(), "!CMw0\r");
    EXPECT_TRUE(setup->enabled(fd::kFirstGo));
    setup->edit(fd::kFirstCell, 120);
    emulator.takeReceived();
    setup->click(fd::kFirstGo);
    EXPECT_EQ(emulator.takeReceived(), "!Mg1P0000120\r");
    setup->edit(fd::kCurrentPosition, -30);
    EXPECT_EQ(emulator.takeReceived(), "!Mg1P-000030\r");
    setup->click(fd::kCurMax);
    const std::string sent = emulator.takeReceived();
    EXPECT_EQ(sent.rfind("!MrP\r", 0), 0u) << sent;
    EXPECT_NE(sent.find("!EwSh"), std::string::npos) << sent;

    setup->click(fd::kConnect);
    setup->refresh();
    EXPECT_EQ(setup->connectText(), "Connect");
    EXPECT_FALSE(setup->enabled(fd::kStepNumber));
    EXPECT_FALSE(setup->enabled(arrow_ids::kCentre));
    EXPECT_TRUE(setup->enabled(fd::kPort));
    EXPECT_EQ(setup->title(), "Focuser Setup - Default");
}

} // namespace
} // namespace velmora::server
