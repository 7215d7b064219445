// The telescope setup dialog on a telescope object of the server in simulator mode
// (the simulated parallel port on LPT1, the KR-4 emulator on COM2), driven through its
// widgets offscreen: line buttons, optics, ports, manual guiding by keys and mouse,
// and profiles.
#include "server/telescope/ui/telescope_dlg.h"
#include "testing/ui/next_modal.h"

#include "common/ui/control_form.h"
#include "common/ui/my_edit.h"
#include "server/app/server_devices.h"
#include "server/frame/profile_list.h"
#include "server/frame/ui/arrow_pad.h"
#include "server/frame/ui/profile_dlg.h"
#include "server/telescope/telescope_driver.h"
#include "testing/temp_home.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace velmora::server {
namespace {

namespace td = telescope_dlg;

using velmora::testing::onNextModal;

class TelescopeDialogTest : public ::testing::Test {
protected:
    TelescopeDialogTest()
    {
        setenv("VELMORA_SIMULATOR", "1", 1);
        devices = std::make_unique<ServerDevices>(true);
        telescope = std::make_unique<TelescopeDriver>(devices->ports(), devices->settings());
        telescope->putConnected(true);
        dialog = std::make_unique<CTelescopeDlg>(*telescope);
        dialog->show();
    }
    ~TelescopeDialogTest() override
    {
        dialog.reset();
        telescope->finalRelease();
        telescope.reset();
        devices.reset();
        unsetenv("VELMORA_SIMULATOR");
    }
    template <class T> T* control(int id) const { return dialog->form().controlAs<T>(id); }
    void type(int id, const QString& text)
    {
        auto* edit = control<common::CMyEdit>(id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    std::uint8_t lines() { return devices->simulatorPorts()->parallel().port(0x378)->readData(); }

    velmora::testing::TempHome home;
    std::unique_ptr<ServerDevices> devices;
    std::unique_ptr<TelescopeDriver> telescope;
    std::unique_ptr<CTelescopeDlg> dialog;
};

TEST_F(TelescopeDialogTest, LineButtonsCycleAndBuildTheWords)
{
    EXPECT_EQ(dialog->windowTitle(), "Telescope Setup - Default");
    EXPECT_EQ(dialog->lineButton(7)->text(), "N");
    EXPECT_EQ(dialog->lineButton(6)->text(), "S");
    EXPECT_EQ(dialog->lineButton(0)->text(), "");
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(dialog->lineButton(6), Qt::LeftButton); // South, East, West, none, North
    EXPECT_EQ(dialog->lineButton(6)->text(), "N");
    EXPECT_EQ(telescope->settings().directionWords[0], 0x3FC0);
    QTest::mouseClick(dialog->lineButton(0), Qt::LeftButton);
    EXPECT_EQ(dialog->lineButton(0)->text(), "N");
}

TEST_F(TelescopeDialogTest, OpticsShowFocalRatioAndResolution)
{
    type(td::kFocal, "1000");
    type(td::kDiameter, "200");
    auto* barlow = control<QComboBox>(td::kBarlow);
    emit barlow->activated(barlow->findText("2.00x"));
    EXPECT_EQ(control<QLineEdit>(td::kFocalRatio)->text(), "10.00");
    EXPECT_EQ(control<QLineEdit>(td::kResolution)->text(), "0.62");
    double focal = 0;
    telescope->getFocalLength(focal);
    EXPECT_DOUBLE_EQ(focal, 2.0);
}

TEST_F(TelescopeDialogTest, PortKindsSwitchTheSpeedRelayAndLabels)
{
    EXPECT_FALSE(control<QComboBox>(td::kSpeed)->isEnabled());
    EXPECT_FALSE(control<QCheckBox>(td::kUseRelay)->isEnabled());
    EXPECT_TRUE(dialog->form().control(td::kPinNumbers)->isVisible());
    EXPECT_FALSE(dialog->form().control(td::kRelayNumbers)->isVisible());
    EXPECT_EQ(control<QLabel>(td::kDeviceText)->text(), "Connected To LPT1");

    auto* port = control<QComboBox>(td::kPort);
    emit port->activated(port->findText("COM2"));
    EXPECT_TRUE(control<QComboBox>(td::kSpeed)->isEnabled());
    EXPECT_TRUE(control<QCheckBox>(td::kUseRelay)->isEnabled());
    EXPECT_TRUE(dialog->form().control(td::kRelayNumbers)->isVisible());
    EXPECT_FALSE(dialog->form().control(td::kPinNumbers)->isVisible());
    EXPECT_EQ(control<QPushButton>(td::kConnect)->text(), "Disconnect");
    EXPECT_NE(control<QLabel>(td::kDeviceText)->text(), "Device Not Found") << "the relay box answers";
}

TEST_F(TelescopeDialogTest, ArrowKeysHoldTheLinesAndAutoRepeatIsIgnored)
{
    const std::uint8_t rest = lines();
    QPushButton* centre = dialog->arrowPad().centre();
    centre->setFocus();
    QTest::keyPress(centre, Qt::Key_Up);
    const std::uint8_t north = lines();
    EXPECT_NE(north, rest);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(centre, &repeat);
    EXPECT_TRUE(dialog->setup().held(Arrow::Up));
    QTest::keyRelease(centre, Qt::Key_Up);
    EXPECT_EQ(lines(), rest);

    QPushButton* west = dialog->arrowPad().button(Arrow::Left);
    QTest::mousePress(west, Qt::LeftButton);
    EXPECT_NE(lines(), rest);
    EXPECT_TRUE(west->isDown()) << "shown pushed while held";
    QTest::mouseRelease(west, Qt::LeftButton);
    EXPECT_EQ(lines(), rest);

    QTest::mouseClick(control<QPushButton>(td::kConnect), Qt::LeftButton);
    EXPECT_EQ(control<QPushButton>(td::kConnect)->text(), "Connect");
    EXPECT_FALSE(dialog->arrowPad().button(Arrow::Up)->isEnabled());
}

TEST_F(TelescopeDialogTest, AProfileIsSavedLoadedAndDeleted)
{
    type(td::kHorBacklash, "1.50");
    onNextModal<CSaveProfileDlg>([](CSaveProfileDlg& save) {
        save.nameEdit()->clear();
        QTest::keyClicks(save.nameEdit(), "Field");
        QTest::mouseClick(save.defaultButton(), Qt::LeftButton);
    });
    QTest::mouseClick(control<QPushButton>(td::kSaveProfile), Qt::LeftButton);
    EXPECT_EQ(dialog->windowTitle(), "Telescope Setup - Field");
    type(td::kHorBacklash, "0");
    onNextModal<CLoadProfileDlg>(
        [](CLoadProfileDlg& load) { QTest::mouseClick(load.defaultButton(), Qt::LeftButton); });
    QTest::mouseClick(control<QPushButton>(td::kLoadProfile), Qt::LeftButton);
    EXPECT_EQ(telescope->settings().horBacklashMs, 1500);
    EXPECT_EQ(control<common::CMyEdit>(td::kHorBacklash)->text(), "1.50");
    bool connected = false;
    telescope->getConnected(connected);
    EXPECT_TRUE(connected) << "connected again after loading";
    onNextModal<CLoadProfileDlg>([](CLoadProfileDlg& load) {
        load.list()->setCurrentItem(load.list()->findItems("Field", Qt::MatchExactly).value(0));
        QTest::mouseClick(load.deleteButton(), Qt::LeftButton);
        load.reject();
    });
    QTest::mouseClick(control<QPushButton>(td::kLoadProfile), Qt::LeftButton);
    EXPECT_EQ(listProfiles(kTelescopeDriverName), (std::vector<std::string>{"Default"}));
}

} // namespace
} // namespace velmora::server
