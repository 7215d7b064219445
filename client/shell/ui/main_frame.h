#pragma once
// CMainFrame: the guider's main window. Menu, the four toolbars, the six dialog bars,
// the status bar with its panes and the MDI area with the one image window; every
// rule and text comes from the core MainFrame it owns.

#include "client/image/pipeline_listener.h"
#include "client/image/calibration.h"
#include "client/shell/file_dialogs.h"
#include "client/shell/main_frame.h"
#include "client/shell/ui/qt_exposure_timer.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QTimer;
class QToolBar;

namespace velmora::common {
class ControlForm;
}

namespace velmora::client {

using common::ControlForm;
class CChildFrame;
class CMyDialog;
class CMyDialogBar;

class CMainFrame : public QMainWindow, private MainFrameWindow, private MainFrameListener, private PipelineListener {
    Q_OBJECT
public:
    // Builds the frame, restores the bar layout and binds the drivers.
    CMainFrame(SettingsStore& store, const HighResolutionClock& clock, const FreeSpaceQuery& freeSpace,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    MainFrame& core() { return *m_core; }
    // A tool window kind opened by a command of the image window.
    using ToolWindowFactory = std::function<CMyDialog*(ImageWindow&, QWidget* parent)>;
    void registerToolWindow(int commandId, const std::string& section, ToolWindowFactory factory);

    QAction* action(int commandId) const;
    QToolBar* toolBar(const QString& name) const;
    CMyDialogBar* dialogBar(DialogBar bar) const { return m_bars[static_cast<std::size_t>(bar)]; }
    ControlForm* barForm(DialogBar bar) const;
    QLabel* statusPane(int pane) const { return m_panes[static_cast<std::size_t>(pane)]; }
    QMdiArea* mdiArea() const { return m_mdi; }
    CChildFrame* childFrame() const { return m_child; }
    CMyDialog* toolWindow(const MeasurementTool& tool) const;
    QtExposureTimer& exposureTimer() { return m_timer; }
    // The file dialogs of the bars ("Open" and the calibrations' saves); Qt's own by default.
    void setFileDialogs(FileDialogs* dialogs);

    // What the idle refresh does: command states, enables, panes and titles.
    void refreshCommandStates();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // MainFrameWindow.
    void beginWaitCursor() override;
    void endWaitCursor() override;
    void minimiseMainWindow() override;
    void restoreMainWindow() override;
    // MainFrameListener.
    void exposureBarChanged() override;
    void imageWindowOpened(ImageWindow& window) override;
    void imageWindowClosing(ImageWindow& window) override;
    void frameDelivered(ImageWindow& window) override;
    void barVisibilityChanged(int commandId, bool visible) override;
    void hardwareChanged() override;
    // PipelineListener of the image window.
    void toolActivated(MeasurementTool& tool) override;
    void activeFrameProcessed(MeasurementTool& tool) override;
    void toolDetached(MeasurementTool& tool) override;

    // Construction (main_frame_build.cpp).
    void buildStatusBar();
    void buildMenus();
    void buildToolBars();
    void buildDialogBars();
    void dockEverything();
    void fitDocksToTheirBars();
    QAction* makeAction(int commandId, const QString& text, const QString& buttonText, bool checkable);
    // Reactions (main_frame.cpp).
    void runCommand(int commandId);
    void controlChanged(int controlId, int value);
    void openPlaneDialog();
    bool runImageBarDialog(int controlId);
    void openReference(CalibrationKind kind);
    void calibrate(CalibrationKind kind);
    void refreshImageBars();
    void refreshFrameViews();
    void refreshProcessingBar();
    void syncBarVisibility();
    QWidget* visibilityTarget(int commandId) const;
    void addToolWindow(CMyDialog* dialog);
    void placeToolWindow(CMyDialog& dialog);
    void showAbout();
    std::vector<std::uint8_t> barLayout() const;

    QtExposureTimer m_timer;
    std::unique_ptr<MainFrame> m_core;
    QMdiArea* m_mdi = nullptr;
    std::array<QLabel*, MainFrame::kStatusPaneCount> m_panes{};
    std::map<int, QAction*> m_actions;
    std::map<QString, QToolBar*> m_toolBars;
    std::array<CMyDialogBar*, 6> m_bars{};
    CChildFrame* m_child = nullptr;
    std::map<const MeasurementTool*, CMyDialog*> m_toolWindows;
    QTimer* m_idle = nullptr;
    std::unique_ptr<FileDialogs> m_ownFileDialogs;
    FileDialogs* m_fileDialogs = nullptr;
    Qt::WindowStates m_stateBeforeMinimise = Qt::WindowNoState;
    int m_waitCursors = 0;
    bool m_shutDown = false;
};

} // namespace velmora::client
