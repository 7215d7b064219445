#pragma once
// CPreviewDlg: the tool window every image window opens with ("Preview"). It shows
// the tracked star's centroid and FWHM; its Start/Stop is the axis calibration, which
// the reticle's calibration builds on, so the button stays disabled here.

#include "client/image/ui/my_dialog.h"

class QLineEdit;

namespace velmora::client {

class PreviewTool;

class CPreviewDlg : public CMyDialog {
    Q_OBJECT
public:
    CPreviewDlg(PreviewTool& tool, QWidget* parent);

protected:
    void showState() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLineEdit* m_centroidX;
    QLineEdit* m_centroidY;
    QLineEdit* m_fwhm;
};

} // namespace velmora::client
