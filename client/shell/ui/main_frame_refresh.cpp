// CMainFrame showing the core's state: command states, bar controls, panes, titles.
#include "client/shell/ui/main_frame.h"

#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/image/ui/histogram_graph.h"
#include "client/image/ui/my_dialog.h"
#include "client/shell/command_ids.h"
#include "common/ui/control_form.h"
#include "client/shell/ui/bars.h"
#include "client/shell/ui/my_dialog_bar.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>

namespace velmora::client {

QWidget* CMainFrame::visibilityTarget(int commandId) const
{
    switch (commandId) {
    case kCommandDriversToolbar:
        return toolBar(QStringLiteral("Drivers"));
    case kCommandDialogsToolbar:
        return toolBar(QStringLiteral("Dialogs"));
    case kCommandDisplayToolbar:
        return toolBar(QStringLiteral("Display"));
    case kCommandToolsToolbar:
        return toolBar(QStringLiteral("Tools"));
    case kCommandStatusBar:
        return statusBar();
    default:
        break;
    }
    for (CMyDialogBar* bar : m_bars) {
        if (bar->info().commandId == commandId)
            return bar;
    }
    return nullptr;
}

// The user may close a floating bar or hide a toolbar from the framework's own menu:
// the core's check marks follow what is on the screen.
void CMainFrame::syncBarVisibility()
{
    for (const auto& [id, action] : m_actions) {
        if (QWidget* target = visibilityTarget(id))
            m_core->setBarVisible(id, !target->isHidden());
    }
}

void CMainFrame::refreshCommandStates()
{
    if (m_shutDown)
        return;
    syncBarVisibility();
    for (const auto& [id, action] : m_actions) {
        const CommandState state = m_core->commandState(id);
        if (action->isEnabled() != state.enabled)
            action->setEnabled(state.enabled);
        if (action->isCheckable() && action->isChecked() != state.checked)
            action->setChecked(state.checked);
    }
    for (CMyDialogBar* bar : m_bars)
        bar->form()->applyEnables([this](int id) { return m_core->controlEnabled(id); });
    m_panes[MainFrame::kFreeSpacePane]->setText(
        QString::fromStdString(m_core->statusPane(MainFrame::kFreeSpacePane)));
    showHardwareBar(*barForm(DialogBar::Hardware), *m_core);
    showExposureBar(*barForm(DialogBar::Exposure), m_core->cycle());
    refreshImageBars();
    setWindowTitle(QString::fromStdString(m_core->mainWindowTitle()));
    refreshFrameViews();
}

// After every frame and cursor move: panes 1–6 and the tool windows' read-outs.
void CMainFrame::refreshFrameViews()
{
    for (int pane = 1; pane < MainFrame::kFreeSpacePane; ++pane) {
        const QString text = QString::fromStdString(m_core->statusPane(pane));
        if (m_panes[static_cast<std::size_t>(pane)]->text() != text)
            m_panes[static_cast<std::size_t>(pane)]->setText(text);
    }
    m_panes[6]->setMinimumWidth(m_core->statusPaneWidth(6));
    for (const auto& [tool, dialog] : m_toolWindows)
        dialog->refresh();
}

void CMainFrame::refreshProcessingBar()
{
    ControlForm& bar = *barForm(DialogBar::Processing);
    ImageWindow* window = m_core->imageWindow();
    MeasurementTool* tool = window != nullptr ? window->activeTool() : nullptr;
    if (tool == nullptr) {
        showProcessingBar(bar, nullptr, 0, 0);
        return;
    }
    const ProcessingBarView view = processingBarView(*tool, *window);
    showProcessingBar(bar, &view, window->pipeline().width(), window->pipeline().height());
    if (CHistogramGraph* graph = histogramGraphOf(bar))
        graph->showGraph(histogramGraphView(*tool, *window, CHistogramGraph::kHeight));
    bar.applyEnables([this](int id) { return m_core->controlEnabled(id); });
}

} // namespace velmora::client
