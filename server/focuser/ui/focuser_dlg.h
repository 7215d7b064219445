#pragma once
// CFocuserDlg: the focuser's "Focuser Setup" dialog (dialog 107), run modally by the
// focuser's SetupDialog: a live panel of the KF-3 controller. Its FocuserSetup writes
// and reads the controller and decides what is shown and enabled; this window lays out
// the controls, runs the first read (100 ms after opening) and the position timer
// (every second), and forwards the arrow pad's presses and releases.

#include "server/focuser/focuser_setup.h"

#include <QDialog>
#include <QTimer>

namespace velmora::common {
class ControlForm;
}

namespace velmora::server {

class CArrowPad;

class CFocuserDlg : public QDialog {
    Q_OBJECT
public:
    // `focuser` is borrowed.
    explicit CFocuserDlg(FocuserDriver& focuser, QWidget* parent = nullptr);

    const FocuserSetup& setup() const { return m_setup; }
    common::ControlForm& form() const { return *m_form; }
    CArrowPad& arrowPad() const { return *m_pad; }

private:
    void buildValues();
    void buildCells();
    void buildPort();
    void changed(int controlId, int value);
    void runProfileDialog(bool load);
    void refresh();
    void readAll();
    void pollPosition();
    void showValues();
    void showNumber(int controlId);
    void showBoxesAndCells();

    FocuserDriver& m_focuser;
    FocuserSetup m_setup;
    common::ControlForm* m_form;
    CArrowPad* m_pad;
    QTimer m_positionTimer;
};

} // namespace velmora::server
