// CMainFrame's construction: status bar, menu, toolbars, dialog bars and docking.
#include "client/shell/ui/main_frame.h"

#include "client/shell/command_ids.h"
#include "common/ui/control_form.h"
#include "client/shell/ui/bars.h"
#include "client/shell/ui/my_dialog_bar.h"

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace velmora::client {

namespace {

struct ToolBarInfo {
    const char* name;
    int commandId;
    std::vector<int> buttons;
    bool flat;
};

const std::vector<ToolBarInfo>& toolBarInfos()
{
    static const std::vector<ToolBarInfo> infos = {
        {"Drivers", kCommandDriversToolbar, {kCommandCameraSetup, kCommandFocuserSetup, kCommandTelescopeSetup}, true},
        {"Dialogs", kCommandDialogsToolbar, {kCommandGuiding, kCommandFocusing, kCommandCapture}, true},
        {"Display", kCommandDisplayToolbar, {kCommandFitToWindow, kCommandKeepAspectRatio}, true},
        {"Tools",
         kCommandToolsToolbar,
         {kCommandExposureBar, kCommandFieldsBar, kCommandReticleBar, kCommandHardwareBar, kCommandProcessingBar,
          kCommandScreenshotBar},
         false},
    };
    return infos;
}

} // namespace

QAction* CMainFrame::makeAction(int commandId, const QString& text, const QString& buttonText, bool checkable)
{
    auto* action = new QAction(text, this);
    action->setData(commandId);
    action->setCheckable(checkable);
    const QString prompt = QString::fromStdString(commandPrompt(commandId));
    const QString tooltip = QString::fromStdString(commandTooltip(commandId));
    action->setStatusTip(prompt);
    action->setToolTip(tooltip.isEmpty() ? prompt : tooltip);
    if (!buttonText.isEmpty())
        action->setIconText(buttonText);
    connect(action, &QAction::triggered, this, [this, commandId] { runCommand(commandId); });
    m_actions[commandId] = action;
    return action;
}

void CMainFrame::buildStatusBar()
{
    for (int pane = 1; pane < MainFrame::kStatusPaneCount; ++pane) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("pane%1").arg(pane));
        label->setMinimumWidth(m_core->statusPaneWidth(pane));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(label);
        m_panes[static_cast<std::size_t>(pane)] = label;
    }
}

void CMainFrame::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(makeAction(kCommandChooseCamera, "Choose &Camera", {}, false));
    file->addAction(makeAction(kCommandChooseFocuser, "Choose &Focuser", {}, false));
    file->addAction(makeAction(kCommandChooseTelescope, "Choose &Telescope", {}, false));
    file->addSeparator();
    file->addAction(makeAction(kCommandAppExit, "E&xit", {}, false));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QMenu* toolbars = view->addMenu(QStringLiteral("&Toolbars"));
    toolbars->addAction(makeAction(kCommandDriversToolbar, "&Drivers", {}, true));
    toolbars->addAction(makeAction(kCommandDialogsToolbar, "D&ialogs", {}, true));
    toolbars->addAction(makeAction(kCommandDisplayToolbar, "Di&splay", {}, true));
    toolbars->addAction(makeAction(kCommandToolsToolbar, "&Tools", {}, true));
    view->addAction(makeAction(kCommandStatusBar, "&Status Bar", {}, true));

    QMenu* drivers = menuBar()->addMenu(QStringLiteral("&Drivers"));
    drivers->addAction(makeAction(kCommandCameraSetup, "&Camera", "Camera Setup", false));
    drivers->addAction(makeAction(kCommandFocuserSetup, "&Focuser", "Focuser Setup", false));
    drivers->addAction(makeAction(kCommandTelescopeSetup, "&Telescope", "Telescope Setup", false));

    QMenu* processing = menuBar()->addMenu(QStringLiteral("&Processing"));
    processing->addAction(makeAction(kCommandGuiding, "&Guiding", "Guiding", true));
    processing->addAction(makeAction(kCommandFocusing, "&Focusing-3", "Focusing-3", true));
    processing->addAction(makeAction(kCommandCapture, "&Capture", "Capture", true));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(makeAction(kCommandHelpFinder, "&Help Topics", {}, false));
    m_actions.at(kCommandHelpFinder)->setShortcut(QKeySequence::HelpContents); // F1
    help->addSeparator();
    help->addAction(makeAction(kCommandAppAbout, "&About VelmoraNebrix...", {}, false));

    makeAction(kCommandFitToWindow, "Fit To Window", "Fit To Window", true);
    makeAction(kCommandKeepAspectRatio, "Keep Aspect Ratio", "Keep Aspect Ratio", true);
    for (const DialogBarInfo& info : dialogBars()) {
        const QString tooltip = QString::fromStdString(commandTooltip(info.commandId));
        makeAction(info.commandId, tooltip, tooltip, true);
    }
}

void CMainFrame::buildToolBars()
{
    for (const ToolBarInfo& info : toolBarInfos()) {
        auto* bar = new QToolBar(QString::fromUtf8(info.name), this);
        bar->setObjectName(QString::fromUtf8(info.name));
        bar->setMovable(true);
        bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        for (int id : info.buttons)
            bar->addAction(m_actions.at(id));
        if (!info.flat)
            bar->setStyleSheet(QStringLiteral("QToolButton { min-width: 80px; min-height: 16px; "
                                              "border: 1px outset palette(mid); }"));
        m_toolBars[bar->objectName()] = bar;
    }
}

void CMainFrame::buildDialogBars()
{
    SettingsStore& store = m_core->store();
    for (const DialogBarInfo& info : dialogBars()) {
        ControlForm* form = nullptr;
        switch (info.bar) {
        case DialogBar::Exposure:
            form = buildExposureBar();
            break;
        case DialogBar::Fields:
            form = buildFieldsBar(store);
            break;
        case DialogBar::Screenshot:
            form = buildScreenshotBar(store);
            break;
        case DialogBar::Hardware:
            form = buildHardwareBar();
            break;
        case DialogBar::Reticle:
            form = buildReticleBar(store);
            break;
        case DialogBar::Processing:
            form = buildProcessingBar();
            break;
        }
        auto* bar = new CMyDialogBar(info, m_core->barFlags(), form, this);
        connect(form, &ControlForm::controlChanged, this, &CMainFrame::controlChanged);
        m_bars[static_cast<std::size_t>(info.bar)] = bar;
    }
}

// Toolbars in one row at the top; exposure, fields and screenshot bars below them;
// on the right the hardware and reticle bars in one column and the processing bar
// outermost. A bar that may not dock floats.
void CMainFrame::dockEverything()
{
    for (const ToolBarInfo& info : toolBarInfos())
        addToolBar(Qt::TopToolBarArea, m_toolBars.at(QString::fromUtf8(info.name)));
    addDockWidget(Qt::TopDockWidgetArea, dialogBar(DialogBar::Exposure));
    addDockWidget(Qt::TopDockWidgetArea, dialogBar(DialogBar::Fields));
    addDockWidget(Qt::TopDockWidgetArea, dialogBar(DialogBar::Screenshot));
    addDockWidget(Qt::RightDockWidgetArea, dialogBar(DialogBar::Hardware));
    splitDockWidget(dialogBar(DialogBar::Hardware), dialogBar(DialogBar::Processing), Qt::Horizontal);
    splitDockWidget(dialogBar(DialogBar::Hardware), dialogBar(DialogBar::Reticle), Qt::Vertical);
    for (CMyDialogBar* bar : m_bars)
        bar->applyDockable();
}

// Each column and row only as large as its bar needs; the rest is the image's. Done
// once the window has its size, for the first layout only.
void CMainFrame::fitDocksToTheirBars()
{
    QList<QDockWidget*> right = {dialogBar(DialogBar::Hardware), dialogBar(DialogBar::Processing)};
    resizeDocks(right, {right[0]->minimumSizeHint().width(), right[1]->minimumSizeHint().width()},
                Qt::Horizontal);
    QList<QDockWidget*> top = {dialogBar(DialogBar::Exposure)};
    resizeDocks(top, {dialogBar(DialogBar::Fields)->minimumSizeHint().height()}, Qt::Vertical);
}

} // namespace velmora::client
