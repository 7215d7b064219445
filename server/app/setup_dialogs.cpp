#include "server/app/setup_dialogs.h"

#include "server/camera/ui/camera_dlg.h"
#include "server/focuser/ui/focuser_dlg.h"
#include "server/telescope/ui/telescope_dlg.h"

#include <QDialog>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace velmora::server {

namespace {

// Appends the shown dialog's title to the log file and closes it (tests only).
void closeWhenLogged(QDialog& dialog)
{
    const char* path = std::getenv(kSetupDialogLogVariable);
    if (!path || !*path)
        return;
    QTimer::singleShot(0, &dialog, [&dialog, file = std::string(path)] {
        if (std::FILE* log = std::fopen(file.c_str(), "a")) {
            std::fprintf(log, "%s\n", dialog.windowTitle().toUtf8().constData());
            std::fclose(log);
        }
        dialog.reject();
    });
}

// Runs the dialog `Dialog` over `driver` unless another setup dialog is open.
template <class Dialog, class Driver> auto hookFor(const std::shared_ptr<bool>& open)
{
    return [open](Driver& driver) {
        if (*open)
            return;
        *open = true;
        {
            Dialog dialog(driver);
            closeWhenLogged(dialog);
            dialog.exec();
        }
        *open = false;
    };
}

} // namespace

ServerDevices::DialogHooks setupDialogHooks()
{
    const auto open = std::make_shared<bool>(false);
    ServerDevices::DialogHooks hooks;
    hooks.camera = hookFor<CCameraDlg, CameraDriver>(open);
    hooks.focuser = hookFor<CFocuserDlg, FocuserDriver>(open);
    hooks.telescope = hookFor<CTelescopeDlg, TelescopeDriver>(open);
    return hooks;
}

} // namespace velmora::server
