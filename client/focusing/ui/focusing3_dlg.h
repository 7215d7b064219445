#pragma once
// CFocusing3Dlg: the "Focusing-3" window. First, Second and Center Position with
// their "Cur" buttons, "Measuring Step", "Threshold Level", "Backlash Step" with
// "Take Up Backlash", the median and linear filters with "Apply", the results, the
// "Motor Position", the defocusing zone, the diameter graph and Start/Stop.
// Everything it shows comes from its FocusingTool; its 100 ms timer drives the run.

#include "client/image/ui/my_dialog.h"
#include "client/shell/ui/qt_exposure_timer.h"

#include <memory>

namespace velmora::common {
class ControlForm;
}

namespace velmora::client {

class CDiameterGraph;
class CMainFrame;
class FocuserAccess;
class FocusingTool;
class ImageWindow;
class SettingsStore;

class CFocusing3Dlg : public CMyDialog {
    Q_OBJECT
public:
    CFocusing3Dlg(ImageWindow& window, SettingsStore& store, std::unique_ptr<FocuserAccess> focuser,
                  QWidget* parent);
    // The section's values, the timer, then the tool (its Stop, the base values).
    ~CFocusing3Dlg() override;

    FocusingTool& focusingTool() const;
    common::ControlForm* form() const { return m_form; }
    CDiameterGraph* graphView() const { return m_graph; }
    QtExposureTimer& timer() { return m_timer; }

protected:
    void showState() override;

private:
    void controlChanged(int controlId, int value);
    void onTimer(int timerId);

    QtExposureTimer m_timer;
    common::ControlForm* m_form = nullptr;
    CDiameterGraph* m_graph = nullptr;
};

// Command 40008 of the main frame's image window opens this window over the bound
// focuser (and brings it back to the front once it is open).
void registerFocusingWindow(CMainFrame& frame);

} // namespace velmora::client
