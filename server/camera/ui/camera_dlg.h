#pragma once
// CCameraDlg: the camera's "Camera Setup" dialog (dialog 106), run modally by the
// camera's SetupDialog. Every control acts on the live camera at once through its
// CameraSetup, which also decides what is enabled, visible and shown; this window lays
// the controls out, opens the pages, bit and profile dialogs and owns the preview window.

#include "server/camera/camera_setup.h"

#include <QDialog>

#include <map>

class QLabel;
class QToolButton;

namespace velmora::common {
class ControlForm;
}

namespace velmora::server {

class CPreviewWnd;

class CCameraDlg : public QDialog {
    Q_OBJECT
public:
    // `camera` is borrowed; its format and source pages open over this dialog while it lives.
    explicit CCameraDlg(CameraDriver& camera, QWidget* parent = nullptr);
    ~CCameraDlg() override;

    const CameraSetup& setup() const { return m_setup; }
    common::ControlForm& form() const { return *m_form; }
    // A control by id (the pattern's arrows and cells included).
    QWidget* control(int id) const;
    CPreviewWnd* previewWindow() const { return m_previewWnd; }

private:
    void buildSensor();
    void buildColour();
    QWidget* buildPattern();
    void buildExposure();
    void buildDevice();
    void buildButtons();
    void installPageHooks();

    void changed(int controlId, int value);
    void act(int controlId, int value);
    void runBitsDialog();
    void runProfileDialog(bool load);
    void openPreview();
    void previewClosed();

    void showState(unsigned what);
    void showStatus();
    void showValues();
    void showPattern();
    void applyEnables();

    CameraDriver& m_camera;
    CameraSetup m_setup;
    common::ControlForm* m_form;
    std::map<int, QWidget*> m_pattern; // arrows, cells and their frames, the label
    CPreviewWnd* m_previewWnd = nullptr;
};

} // namespace velmora::server
