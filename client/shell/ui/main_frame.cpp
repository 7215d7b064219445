#include "client/shell/ui/main_frame.h"

#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/image/ui/calibrate_dlg.h"
#include "client/image/ui/child_frame.h"
#include "client/image/ui/histogram_graph.h"
#include "client/image/ui/plane_dlg.h"
#include "client/image/ui/preview_dlg.h"
#include "client/shell/command_ids.h"
#include "common/ui/control_form.h"
#include "client/shell/ui/bars.h"
#include "client/shell/ui/my_dialog_bar.h"
#include "client/shell/ui/qt_file_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace velmora::client {

namespace {
constexpr int kIdleRefreshMs = 250;
} // namespace

CMainFrame::CMainFrame(SettingsStore& store, const HighResolutionClock& clock, const FreeSpaceQuery& freeSpace,
                       QWidget* parent)
    : QMainWindow(parent), m_timer(this)
{
    m_core = std::make_unique<MainFrame>(store, static_cast<MainFrameWindow&>(*this), m_timer, clock, freeSpace);
    m_core->addListener(static_cast<MainFrameListener&>(*this));
    m_ownFileDialogs = std::make_unique<QtFileDialogs>(this);
    m_fileDialogs = m_ownFileDialogs.get();
    m_timer.setCallback([this](int id) { m_core->cycle().onTimer(id); });
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QString::fromUtf8(MainFrame::kTitle));
    m_mdi = new QMdiArea(this);
    setCentralWidget(m_mdi);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
    buildStatusBar();
    buildMenus();
    buildToolBars();
    buildDialogBars();
    dockEverything();
    if (const auto layout = m_core->savedBarLayout())
        restoreState(QByteArray(reinterpret_cast<const char*>(layout->data()), static_cast<int>(layout->size())));
    else
        QTimer::singleShot(0, this, &CMainFrame::fitDocksToTheirBars);
    for (CMyDialogBar* bar : m_bars)
        bar->applyDockable(); // a restored layout never docks a bar that may not dock
    m_core->start();
    m_idle = new QTimer(this);
    connect(m_idle, &QTimer::timeout, this, &CMainFrame::refreshCommandStates);
    m_idle->start(kIdleRefreshMs);
    hardwareChanged();
    exposureBarChanged();
    refreshCommandStates();
}

CMainFrame::~CMainFrame()
{
    if (!m_shutDown) {
        m_shutDown = true;
        m_core->shutDown([this] { return barLayout(); });
    }
    m_core->removeListener(static_cast<MainFrameListener&>(*this));
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!m_shutDown) {
        m_shutDown = true;
        m_idle->stop();
        m_core->shutDown([this] { return barLayout(); });
    }
    QMainWindow::closeEvent(event);
}

std::vector<std::uint8_t> CMainFrame::barLayout() const
{
    const QByteArray state = saveState();
    return std::vector<std::uint8_t>(state.begin(), state.end());
}

QAction* CMainFrame::action(int commandId) const
{
    const auto it = m_actions.find(commandId);
    return it != m_actions.end() ? it->second : nullptr;
}

QToolBar* CMainFrame::toolBar(const QString& name) const
{
    const auto it = m_toolBars.find(name);
    return it != m_toolBars.end() ? it->second : nullptr;
}

ControlForm* CMainFrame::barForm(DialogBar bar) const
{
    return dialogBar(bar)->form();
}

CMyDialog* CMainFrame::toolWindow(const MeasurementTool& tool) const
{
    const auto it = m_toolWindows.find(&tool);
    return it != m_toolWindows.end() ? it->second : nullptr;
}

// ---- Main window actions -----------------------------------------------------------

void CMainFrame::beginWaitCursor()
{
    if (m_waitCursors++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CMainFrame::endWaitCursor()
{
    if (m_waitCursors > 0 && --m_waitCursors == 0)
        QApplication::restoreOverrideCursor();
}

void CMainFrame::minimiseMainWindow()
{
    m_stateBeforeMinimise = windowState() & ~Qt::WindowMinimized;
    showMinimized();
}

void CMainFrame::restoreMainWindow()
{
    setWindowState(m_stateBeforeMinimise);
    show();
}

// ---- Commands and controls ---------------------------------------------------------

void CMainFrame::runCommand(int commandId)
{
    syncBarVisibility();
    if (commandId == kCommandAppExit) {
        close();
        return;
    }
    if (commandId == kCommandAppAbout || commandId == kCommandHelpFinder) {
        showAbout();
        return;
    }
    m_core->execute(commandId);
    if ((commandId == kCommandFitToWindow || commandId == kCommandKeepAspectRatio) && m_child != nullptr)
        m_child->displayOptionsChanged();
    refreshCommandStates();
}

void CMainFrame::showAbout()
{
    QMessageBox::about(this, QStringLiteral("About VelmoraNebrix"),
                       QStringLiteral("Velmora Nebrix Client\nAutoguiding for a telescope with a guide camera.\n"
                                      "No help file is installed; see the README."));
}

void CMainFrame::setFileDialogs(FileDialogs* dialogs)
{
    m_fileDialogs = dialogs != nullptr ? dialogs : m_ownFileDialogs.get();
}

void CMainFrame::controlChanged(int controlId, int value)
{
    if (controlId == hardware_bar::kSetPlaneColors)
        openPlaneDialog();
    else if (!runImageBarDialog(controlId))
        m_core->applyControl(controlId, value);
    refreshImageBars();
    exposureBarChanged();
    refreshProcessingBar();
    refreshCommandStates();
}

void CMainFrame::openPlaneDialog()
{
    ImageWindow* window = m_core->imageWindow();
    if (window == nullptr)
        return;
    CPlaneDlg dialog(window->planeColours(), this);
    if (dialog.exec() == QDialog::Accepted && m_core->imageWindow() == window)
        m_core->applyPlaneChoices(dialog.choices());
}

void CMainFrame::registerToolWindow(int commandId, const std::string& section, ToolWindowFactory factory)
{
    m_core->registerToolWindow(
        {commandId, section,
         [this, factory](ImageWindow& window) {
             if (CMyDialog* dialog = factory(window, this))
                 addToolWindow(dialog);
         },
         [this](MeasurementTool& tool) {
             if (CMyDialog* dialog = toolWindow(tool)) {
                 dialog->show();
                 dialog->raise();
                 dialog->activateWindow();
             }
         }});
}

void CMainFrame::addToolWindow(CMyDialog* dialog)
{
    const MeasurementTool* tool = &dialog->tool();
    m_toolWindows[tool] = dialog;
    connect(dialog, &QObject::destroyed, this, [this, tool] { m_toolWindows.erase(tool); });
    placeToolWindow(*dialog);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

// New tool windows open beside the image, each to the right of the one before, or
// below the image when the area beside it is full; the bars stay uncovered.
void CMainFrame::placeToolWindow(CMyDialog& dialog)
{
    dialog.adjustSize();
    const QRect area(m_mdi->mapToGlobal(QPoint(0, 0)), m_mdi->size());
    const QRect image = m_child != nullptr ? QRect(m_mdi->mapToGlobal(m_child->pos()), m_child->size()) : QRect();
    int left = (m_child != nullptr ? image.right() : area.left()) + 16;
    for (const auto& [other, window] : m_toolWindows) {
        if (window != &dialog && window->isVisible())
            left = std::max(left, window->frameGeometry().right() + 16);
    }
    QPoint at(left, area.top() + 16);
    if (left + dialog.width() > area.right() && m_child != nullptr)
        at = QPoint(area.left() + 16, image.bottom() + 16);
    dialog.move(at);
}

// ---- What the core reports ---------------------------------------------------------

void CMainFrame::imageWindowOpened(ImageWindow& window)
{
    window.pipeline().addListener(*this);
    m_child = new CChildFrame(window, m_mdi);
    m_mdi->addSubWindow(m_child);
    m_child->view()->onCursor = [this](std::optional<ImagePoint> pixel) {
        m_core->setCursorPixel(pixel);
        refreshFrameViews();
    };
    m_child->onUserClose = [this] { m_core->cycle().closeImageWindow(); };
    m_child->view()->onReticleChanged = [this] { refreshImageBars(); };
    m_child->showAtFrameSize(m_mdi->viewport()->size());
    m_panes[6]->setMinimumWidth(m_core->statusPaneWidth(6));
    auto* preview = new CPreviewDlg(window.previewTool(), this);
    preview->setAttribute(Qt::WA_DeleteOnClose, false);
    addToolWindow(preview);
    toolActivated(window.previewTool());
    refreshCommandStates();
}

// Tool windows go first (each closing its tool), then the image view.
void CMainFrame::imageWindowClosing(ImageWindow& window)
{
    const auto windows = m_toolWindows;
    for (const auto& [tool, dialog] : windows)
        delete dialog;
    m_toolWindows.clear();
    window.pipeline().removeListener(*this);
    if (m_child != nullptr) {
        m_child->detachFromWindow(); // the core window goes before this view does
        m_mdi->removeSubWindow(m_child);
        m_child->deleteLater();
        m_child = nullptr;
    }
    m_core->setCursorPixel(std::nullopt);
    if (CHistogramGraph* graph = histogramGraphOf(*barForm(DialogBar::Processing)))
        graph->clear();
    QTimer::singleShot(0, this, &CMainFrame::refreshCommandStates);
}

void CMainFrame::frameDelivered(ImageWindow&)
{
    refreshFrameViews();
}

void CMainFrame::exposureBarChanged()
{
    showExposureBar(*barForm(DialogBar::Exposure), m_core->cycle());
}

void CMainFrame::hardwareChanged()
{
    showHardwareBar(*barForm(DialogBar::Hardware), *m_core);
}

void CMainFrame::barVisibilityChanged(int commandId, bool visible)
{
    if (QWidget* target = visibilityTarget(commandId))
        target->setVisible(visible);
}

void CMainFrame::toolActivated(MeasurementTool&)
{
    setWindowTitle(QString::fromStdString(m_core->mainWindowTitle()));
    refreshProcessingBar();
}

void CMainFrame::activeFrameProcessed(MeasurementTool&)
{
    refreshProcessingBar();
}

void CMainFrame::toolDetached(MeasurementTool&)
{
    QTimer::singleShot(0, this, &CMainFrame::refreshCommandStates);
}

} // namespace velmora::client
