// CMainFrame's dialogs of the fields bar ("Open", "Calibrate") and the image bars' display.
#include "client/shell/ui/main_frame.h"

#include "client/image/calibration_run.h"
#include "client/image/image_window.h"
#include "client/image/ui/calibrate_dlg.h"
#include "client/shell/ui/bars.h"
#include "client/shell/ui/my_dialog_bar.h"

#include <QMessageBox>

namespace velmora::client {

namespace fb = fields_bar;

namespace {
constexpr const char* kCalibrationFilter = "Calibration Files (*.bmp)|*.bmp||";
} // namespace

bool CMainFrame::runImageBarDialog(int controlId)
{
    if (m_core->imageWindow() == nullptr)
        return false;
    switch (controlId) {
    case fb::kDarkOpen:
        openReference(CalibrationKind::Dark);
        return true;
    case fb::kFlatOpen:
        openReference(CalibrationKind::Flat);
        return true;
    case fb::kDarkCalibrate:
        calibrate(CalibrationKind::Dark);
        return true;
    case fb::kFlatCalibrate:
        calibrate(CalibrationKind::Flat);
        return true;
    default:
        return false;
    }
}

void CMainFrame::openReference(CalibrationKind kind)
{
    ImageWindow* window = m_core->imageWindow();
    const std::string current = window->calibration().path(kind);
    const std::optional<std::string> path = m_fileDialogs->openFile({kCalibrationFilter, "bmp", "", folderOf(current)});
    if (path && m_core->imageWindow() == window)
        window->calibration().setPath(kind, *path);
}

// The dialog averages while the exposures go on; then the reference is saved and used.
void CMainFrame::calibrate(CalibrationKind kind)
{
    ImageWindow* window = m_core->imageWindow();
    CCalibrateDlg dialog(window->calibration(), kind, this);
    if (dialog.exec() != QDialog::Accepted || m_core->imageWindow() != window || !dialog.run().finished())
        return;
    const std::string name = dialog.run().defaultFileName(m_core->cycle().exposureSeconds());
    const std::optional<std::string> path =
        m_fileDialogs->saveFile({kCalibrationFilter, "bmp", name, folderOf(window->calibration().path(kind))});
    if (path && !dialog.run().saveAndUse(*path))
        QMessageBox::warning(this, QString(), QStringLiteral("Error"));
}

void CMainFrame::refreshImageBars()
{
    ImageWindow* window = m_core->imageWindow();
    showFieldsBar(*barForm(DialogBar::Fields), window != nullptr ? &window->calibration() : nullptr);
    const std::string calibrate = window != nullptr ? window->previewTool().calibrateButtonText() : "Calibrate";
    showReticleBar(*barForm(DialogBar::Reticle), m_core->reticle(), calibrate);
}

} // namespace velmora::client
