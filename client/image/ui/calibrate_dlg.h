#pragma once
// CCalibrateDlg: the modal "Calibration" dialog of the fields bar's "Calibrate": its
// prompt, "Average By Frames Number" and a progress bar. OK starts averaging the next
// frames (the exposure cycle keeps running while the dialog is open) and the dialog
// closes with OK once they are in; Cancel ends it at any time.

#include "client/image/calibration_run.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace velmora::common {
class CMyEdit;
}

namespace velmora::client {

class CCalibrateDlg : public QDialog {
    Q_OBJECT
public:
    CCalibrateDlg(WindowCalibration& calibration, CalibrationKind kind, QWidget* parent = nullptr);
    ~CCalibrateDlg() override;

    CalibrationRun& run() { return m_run; }
    common::CMyEdit* numberEdit() const { return m_number; }
    QPushButton* okButton() const { return m_ok; }
    QProgressBar* progress() const { return m_progress; }

private:
    void startRun();
    void showProgress();

    CalibrationRun m_run;
    common::CMyEdit* m_number;
    QProgressBar* m_progress;
    QPushButton* m_ok;
    QTimer* m_poll;
};

} // namespace velmora::client
