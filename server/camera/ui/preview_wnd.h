#pragma once
// CPreviewWnd: the camera setup dialog's free-running preview, a top-level window
// without owner that stays on top ("Preview", icon 130). Every 60 ms (timer 40000) its
// CameraPreview polls the camera; each new image is drawn into the off-screen surface
// and the window's client area takes the image's size with its outer top-left corner
// at the screen origin. Closing the window aborts the exposure and reports closed().

#include "server/camera/camera_preview.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace velmora::server {

class CPreviewWnd : public QWidget {
    Q_OBJECT
public:
    // `preview` is borrowed and outlives the window (the dialog closes the window first).
    explicit CPreviewWnd(CameraPreview& preview);

    // The surface as shown (null before the first image).
    QImage surfaceImage() const;
    // The depth the surface is drawn in: the primary screen's, if it is one of 16, 24, 32.
    static int displayBitsPerPixel();

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void tick();

    CameraPreview& m_preview;
    QTimer m_timer;
};

} // namespace velmora::server
