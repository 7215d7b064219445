#pragma once
// CGuidingDlg: the guiding window. Per axis "Enable Direction", "Process Frame", the
// gains, "Maximum Output (ms)", "Minimum Output (ms)" and the read-outs; "Average By
// Frames", "Guiding Rate (*15''/sec)", the filters, the drift log's "Config" group,
// the RMS read-outs and Start/Stop. Everything it shows comes from its GuidingTool.

#include "client/guiding/guiding_worker.h"
#include "client/image/ui/my_dialog.h"

namespace velmora::common {
class ControlForm;
}

namespace velmora::client {

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

protected:
    void showState() override;

private:
    void controlChanged(int controlId, int value);
    void textChanged(int controlId, const QString& text);
    void saveAs();

    ImageWindow& m_window;
    FileDialogs& m_fileDialogs;
    common::ControlForm* m_form = nullptr;
};

// Command 40007 of the main frame's image window opens this window (and brings it
// back to the front once it is open).
void registerGuidingWindow(CMainFrame& frame, const HighResolutionClock& clock, FileDialogs& fileDialogs);

} // namespace velmora::client
