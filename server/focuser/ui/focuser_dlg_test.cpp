// The focuser setup dialog on a focuser object of the server in simulator mode (the
// KF-3 emulator on COM1), driven through its widgets offscreen; what the controller
// received is checked byte for byte.
#include "server/focuser/ui/focuser_dlg.h"
#include "testing/ui/next_modal.h"

#include "common/ui/control_form.h"
#include "common/ui/my_edit.h"
#include "server/app/server_devices.h"
#include "server/focuser/focuser_driver.h"
#include "server/frame/profile_list.h"
#include "server/frame/ui/arrow_pad.h"
#include "server/frame/ui/profile_dlg.h"
#include "testing/temp_home.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace velmora::server {
namespace {

namespace fd = focuser_dlg;

using velmora::testing::onNextModal;

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class FocuserDialogTest : public ::testing::Test {
protected:
    FocuserDialogTest()
    {
        setenv("VELMORA_SIMULATOR", "1", 1);
        devices = std::make_unique<ServerDevices>(true);
        focuser = std::make_unique<FocuserDriver>(devices->ports(), devices->settings());
        EXPECT_EQ(focuser->putLink(true), DriverError::None);
        dialog = std::make_unique<CFocuserDlg>(*focuser);
        dialog->show();
        // The first read, 100 ms after opening.
        EXPECT_TRUE(QTest::qWaitFor([this] { return dialog->setup().shown(fd::kStepNumber).has_value(); }));
        emulator().takeReceived();
    }
    ~FocuserDialogTest() override
    {
        dialog.reset();
        focuser->finalRelease();
        focuser.reset();
        devices.reset();
        unsetenv("VELMORA_SIMULATOR");
    }
    sim::PtyEmulator& emulator() { return devices->simulatorPorts()->focuserEmulator(); }
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
    // What the controller received, without the position timer's reads.
    std::string received()
    {
        std::string sent = emulator().takeReceived();
        for (auto at = sent.find("!MrP\r"); at != std::string::npos; at = sent.find("!MrP\r"))
            sent.erase(at, 5);
        return sent;
    }

    velmora::testing::TempHome home;
    std::unique_ptr<ServerDevices> devices;
    std::unique_ptr<FocuserDriver> focuser;
    std::unique_ptr<CFocuserDlg> dialog;
};

TEST_F(FocuserDialogTest, ATypedStepNumberAbove99IsBroughtIntoRangeBeforeItIsSent)
{
    EXPECT_EQ(dialog->windowTitle(), "Focuser Setup - Default");
    EXPECT_EQ(control<QLabel>(fd::kDeviceText)->text(), "Focuser KF-3");
    EXPECT_EQ(control<QPushButton>(fd::kConnect)->text(), "Disconnect");
    type(fd::kStepNumber, "150");
    EXPECT_EQ(received(), "!TwSt99\r");
    EXPECT_EQ(devices->simulatorPorts()->focuser().parameters().stepNumber, 99);
    EXPECT_EQ(control<common::CMyEdit>(fd::kStepNumber)->text(), "99");

    type(fd::kStepPulse, "2.50");
    EXPECT_EQ(received(), "!TwSp00010\r");
    QTest::mouseClick(control<QRadioButton>(fd::kEightCells), Qt::LeftButton);
    EXPECT_EQ(received(), "!CMw1\r");
    EXPECT_FALSE(control<QWidget>(fd::kFirstCell)->isEnabled());
    EXPECT_TRUE(control<QWidget>(fd::kFirstCell + 1)->isEnabled());
}

TEST_F(FocuserDialogTest, WithTheControllerOffUpdateValuesBlanksEveryEditAndBothBoxes)
{
    EXPECT_FALSE(control<common::CMyEdit>(fd::kStepNumber)->text().isEmpty());
    sim::EmulatorFaults off;
    off.silent = true;
    emulator().setFaults(off);
    QTest::mouseClick(control<QPushButton>(fd::kUpdateValues), Qt::LeftButton);
    for (const FocuserValueControl& c : focuserValueControls())
        EXPECT_TRUE(control<common::CMyEdit>(c.id)->text().isEmpty()) << c.id;
    EXPECT_EQ(control<QCheckBox>(fd::kSoft)->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(control<QCheckBox>(fd::kHard)->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(control<QRadioButton>(fd::kOneCell)->isChecked());
    EXPECT_FALSE(control<QRadioButton>(fd::kEightCells)->isChecked());
    emulator().setFaults({});
}

TEST_F(FocuserDialogTest, HoldingTheRightArrowKeySendsOneRunAndOnReleaseOneHalt)
{
    QPushButton* centre = dialog->arrowPad().centre();
    centre->setFocus();
    QTest::keyPress(centre, Qt::Key_Right);
    for (int repeat = 0; repeat < 3; ++repeat) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(centre, &event);
    }
    QTest::keyRelease(centre, Qt::Key_Right);
    const std::string sent = received();
    EXPECT_EQ(occurrences(sent, "!MlR"), 1u) << sent;
    EXPECT_EQ(occurrences(sent, "!MS\r"), 1u) << sent;
    EXPECT_EQ(sent, "!MlR1\r!MS\r");

    QTest::mousePress(dialog->arrowPad().button(Arrow::Up), Qt::LeftButton);
    QTest::mouseRelease(dialog->arrowPad().button(Arrow::Up), Qt::LeftButton);
    EXPECT_EQ(received(), "!MtR01\r") << "a step, and nothing on release";
}

TEST_F(FocuserDialogTest, AProfileIsSavedLoadedBackAndDeleted)
{
    type(fd::kStepCurrent, "40");
    onNextModal<CSaveProfileDlg>([](CSaveProfileDlg& save) {
        save.nameEdit()->clear();
        QTest::keyClicks(save.nameEdit(), "Refractor");
        QTest::mouseClick(save.defaultButton(), Qt::LeftButton);
    });
    QTest::mouseClick(control<QPushButton>(fd::kSaveProfile), Qt::LeftButton);
    EXPECT_EQ(dialog->windowTitle(), "Focuser Setup - Refractor");
    type(fd::kStepCurrent, "70");
    received();
    onNextModal<CLoadProfileDlg>(
        [](CLoadProfileDlg& load) { QTest::mouseClick(load.defaultButton(), Qt::LeftButton); });
    QTest::mouseClick(control<QPushButton>(fd::kLoadProfile), Qt::LeftButton);
    EXPECT_NE(received().find("!PwT040\r"), std::string::npos) << "linking pushes the loaded settings";
    EXPECT_EQ(devices->simulatorPorts()->focuser().parameters().stepCurrent, 40);
    EXPECT_EQ(control<common::CMyEdit>(fd::kStepCurrent)->text(), "40");
    EXPECT_FALSE(focuser->pushSettingsOnLink());
    onNextModal<CLoadProfileDlg>([](CLoadProfileDlg& load) {
        load.list()->setCurrentItem(load.list()->findItems("Refractor", Qt::MatchExactly).value(0));
        QTest::mouseClick(load.deleteButton(), Qt::LeftButton);
        load.reject();
    });
    QTest::mouseClick(control<QPushButton>(fd::kLoadProfile), Qt::LeftButton);
    EXPECT_EQ(listProfiles(kFocuserDriverName), (std::vector<std::string>{"Default"}));
}

} // namespace
} // namespace velmora::server
