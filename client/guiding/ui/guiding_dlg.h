#pragma once
// CGuidingDlg: the guiding window. Per axis "Enable Direction", "Process Frame", the
// gains, "Maximum Output (ms)", "Minimum Output (ms)" and the read-outs; "Average By
// Frames", "Guiding Rate (*15''/sec)", the filters, the drift log's "Config" group,
// the RMS read-outs and Start/Stop. Everything it shows comes from its GuidingTool.

#include "client/guiding/guiding_graphs.h"
#include "client/guiding/guiding_worker.h"
#include "client/image/ui/my_dialog.h"

namespace velmora::common {
class ControlForm;
}

namespace velmora::client {

class CGraphView;
class CMainFrame;
class FileDialogs;
class GuidingTool;
class HighResolutionClock;
class ImageWindow;
class SettingsStore;

class CGuidingDlg : public CMyDialog {
    Q_OBJECT
public:
    struct Environment {
        SettingsStore& store;
        const HighResolutionClock& clock;
        FileDialogs& fileDialogs;
        GuidingWorker::TelescopeSource telescope;
    };
    CGuidingDlg(ImageWindow& window, const Environment& environment, QWidget* parent);
    ~CGuidingDlg() override;

    GuidingTool& guidingTool() const;
    common::ControlForm* form() const { return m_form; }
    // The "Graphs" group: its own controls, and one form of fields per graph.
    common::ControlForm* graphsForm() const { return m_graphsForm; }
    common::ControlForm* rmsForm() const { return m_rmsForm; }
    common::ControlForm* graphFields(GraphKind kind) const { return m_graphFields[static_cast<std::size_t>(kind)]; }
    CGraphView* graphView(GraphKind kind) const { return m_graphViews[static_cast<std::size_t>(kind)]; }
    const GuidingGraphs& graphs() const { return m_graphs; }

protected:
    void showState() override;

private:
    void controlChanged(int controlId, int value);
    void textChanged(int controlId, const QString& text);
    void saveAs();
    void buildGraphs();
    void showGraphs();

    ImageWindow& m_window;
    FileDialogs& m_fileDialogs;
    SettingsStore& m_store;
    common::ControlForm* m_form = nullptr;
    common::ControlForm* m_graphsForm = nullptr;
    common::ControlForm* m_rmsForm = nullptr;
    std::array<common::ControlForm*, 3> m_graphFields{};
    std::array<CGraphView*, 3> m_graphViews{};
    GuidingGraphs m_graphs;
};

// Command 40007 of the main frame's image window opens this window (and brings it
// back to the front once it is open).
void registerGuidingWindow(CMainFrame& frame, const HighResolutionClock& clock, FileDialogs& fileDialogs);

} // namespace velmora::client
