#pragma once
// CCaptureDlg: the capture window (dialog 122, "Capture"). Path with "...", Name,
// Prefix and Suffix digits, "AVI File" / "FITS File", "Split", "Standard FITS",
// "Current Frame Number", "Manual Capture Mode" with "Make Snap", and Start/Stop.
// Everything it shows comes from its CaptureTool.

#include "client/image/ui/my_dialog.h"

namespace velmora::common {
class ControlForm;
}

namespace velmora::client {

class CaptureTool;
class CMainFrame;
class FolderChooser;
class ImageWindow;
class MessageBoxes;
struct CaptureEnvironment;

class CCaptureDlg : public CMyDialog {
    Q_OBJECT
public:
    CCaptureDlg(ImageWindow& window, const CaptureEnvironment& environment, QWidget* parent);

    CaptureTool& captureTool() const;
    common::ControlForm* form() const { return m_form; }

protected:
    void showState() override;

private:
    void controlChanged(int controlId, int value);

    common::ControlForm* m_form = nullptr;
};

// Command 40009 of the image window opens the capture window (and brings it back to
// the front once it is open); the screenshot bar's controls are handled while an
// image window exists.
void registerCaptureWindows(CMainFrame& frame, FolderChooser& folders, MessageBoxes& messages);

} // namespace velmora::client
