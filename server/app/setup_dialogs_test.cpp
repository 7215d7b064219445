// The setup dialogs' hooks as the server installs them: a SetupDialog shows its dialog
// modally, and one that comes while a setup dialog is open returns at once.
#include "server/app/setup_dialogs.h"

#include "server/camera/ui/camera_dlg.h"
#include "testing/temp_home.h"

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

namespace velmora::server {
namespace {

TEST(SetupDialogHooks, OneDialogAtATimeAndASecondSetupDialogReturnsAtOnce)
{
    velmora::testing::TempHome home;
    ServerDevices devices(true);
    CameraDriver first(devices.cameraEnvironment());
    CameraDriver second(devices.cameraEnvironment());
    // The server hands these to every object it makes; here two drivers get them by hand.
    const ServerDevices::DialogHooks hooks = setupDialogHooks();
    first.setDialogHook(hooks.camera);
    second.setDialogHook(hooks.camera);

    int shown = 0;
    bool secondReturned = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CCameraDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ++shown;
        EXPECT_EQ(second.SetupDialog(), DriverError::None);
        secondReturned = true;
        EXPECT_EQ(QApplication::activeModalWidget(), dialog) << "no second dialog";
        dialog->reject();
    });
    EXPECT_EQ(first.SetupDialog(), DriverError::None);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(secondReturned);

    // Closed, the next SetupDialog shows its dialog again.
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CCameraDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ++shown;
        dialog->reject();
    });
    EXPECT_EQ(second.SetupDialog(), DriverError::None);
    EXPECT_EQ(shown, 2);
    first.finalRelease();
    second.finalRelease();
}

} // namespace
} // namespace velmora::server
