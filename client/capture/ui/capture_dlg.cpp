#include "client/capture/ui/capture_dlg.h"

#include "client/capture/capture_panel.h"
#include "client/capture/capture_tool.h"
#include "client/capture/screenshot.h"
#include "client/capture/ui/screenshot_bar_view.h"
#include "client/capture/wall_clock.h"
#include "client/image/image_window.h"
#include "client/shell/command_ids.h"
#include "client/shell/settings_layout.h"
#include "client/shell/ui/main_frame.h"
#include "common/ui/control_form.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace velmora::client {

namespace cd = capture_dlg;
using common::ControlForm;

namespace {

void buildControls(ControlForm& form)
{
    form.addText(cd::kPath, QStringLiteral("Path"));
    form.addButton(cd::kBrowse, QStringLiteral("..."));
    form.nextRow();
    form.addText(cd::kName, QStringLiteral("Name"));
    form.nextRow();
    form.addEdit(cd::kPrefix, QStringLiteral("Prefix"), captureDigitsField());
    form.addEdit(cd::kSuffix, QStringLiteral("Suffix"), captureDigitsField());
    form.nextRow();
    form.addRadio(cd::kAviFile, QStringLiteral("AVI File"));
    form.addRadio(cd::kFitsFile, QStringLiteral("FITS File"));
    form.addCheck(cd::kSplit, QStringLiteral("Split"));
    form.nextRow();
    form.addCheck(cd::kStandardFits, QStringLiteral("Standard FITS"));
    form.nextRow();
    form.addResult(cd::kFrameNumber, QStringLiteral("Current Frame Number"));
    form.nextRow();
    form.addCheck(cd::kManualMode, QStringLiteral("Manual Capture Mode"));
    form.addButton(cd::kMakeSnap, QStringLiteral("Make Snap"));
}

} // namespace

CCaptureDlg::CCaptureDlg(ImageWindow& window, const CaptureEnvironment& environment, QWidget* parent)
    : CMyDialog(std::make_unique<CaptureTool>(window, environment), parent), m_form(new ControlForm(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls(*m_form);
    body()->addWidget(m_form);
    connect(m_form, &ControlForm::controlChanged, this, &CCaptureDlg::controlChanged);
    // The core keeps the edits' texts as they are typed: Start reads them.
    connect(m_form->controlAs<QLineEdit>(cd::kPath), &QLineEdit::textEdited, this,
            [this](const QString& text) { captureTool().setFolderText(text.toStdString()); });
    connect(m_form->controlAs<QLineEdit>(cd::kName), &QLineEdit::textEdited, this,
            [this](const QString& text) { captureTool().setNameText(text.toStdString()); });
    captureTool().Activate();
    showState();
}

CaptureTool& CCaptureDlg::captureTool() const
{
    return static_cast<CaptureTool&>(tool());
}

void CCaptureDlg::controlChanged(int controlId, int value)
{
    applyCaptureControl(captureTool(), controlId, value);
    refresh();
}

void CCaptureDlg::showState()
{
    const CapturePanelView view = capturePanelView(captureTool());
    m_form->showText(cd::kPath, QString::fromStdString(view.folder));
    m_form->showText(cd::kName, QString::fromStdString(view.name));
    m_form->showValue(cd::kPrefix, view.prefixDigits);
    m_form->showValue(cd::kSuffix, view.suffixDigits);
    m_form->showChecked(cd::kAviFile, view.aviFile);
    m_form->showChecked(cd::kFitsFile, !view.aviFile);
    m_form->showChecked(cd::kSplit, view.split);
    m_form->showChecked(cd::kStandardFits, view.standardFits);
    m_form->showText(cd::kFrameNumber, QString::number(view.framesWritten));
    m_form->showChecked(cd::kManualMode, view.manualMode);
    m_form->applyEnables([this](int id) { return captureControlEnabled(captureTool(), id); });
}

void registerCaptureWindows(CMainFrame& frame, FolderChooser& folders, MessageBoxes& messages)
{
    static const SystemWallClock clock;
    auto exposureSeconds = [&frame] { return frame.core().cycle().exposureSeconds(); };
    frame.registerToolWindow(
        kCommandCapture, settings::kCaptureSection,
        [&frame, &folders, &messages, exposureSeconds](ImageWindow& window, QWidget* parent) -> CMyDialog* {
            const CaptureEnvironment environment{frame.core().store(), messages, folders, clock,
                                                 exposureSeconds};
            return new CCaptureDlg(window, environment, parent);
        });
    auto bar = std::make_unique<ScreenshotBar>(
        ScreenshotServices{frame.core().store(), messages, folders, clock, exposureSeconds});
    bar->setView(new CScreenshotBarView(*bar, *frame.barForm(DialogBar::Screenshot)));
    frame.core().addPart(std::move(bar));
}

} // namespace velmora::client
