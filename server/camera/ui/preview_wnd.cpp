#include "server/camera/ui/preview_wnd.h"

#include "server/camera/ui/camera_bitmaps.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace velmora::server {

namespace {

QImage::Format formatOf(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 16:
        return QImage::Format_RGB16;
    case 24:
        return QImage::Format_BGR888;
    case 32:
        return QImage::Format_RGB32;
    default:
        return QImage::Format_Invalid;
    }
}

} // namespace

CPreviewWnd::CPreviewWnd(CameraPreview& preview)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      m_preview(preview)
{
    setWindowTitle("Preview");
    setWindowIcon(QIcon(cameraBitmap(130)));
    setGeometry(0, 0, 1, 1);
    m_timer.setInterval(CameraPreview::kPeriod);
    connect(&m_timer, &QTimer::timeout, this, &CPreviewWnd::tick);
    m_timer.start();
}

int CPreviewWnd::displayBitsPerPixel()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int depth = screen ? screen->depth() : 32;
    return depth == 16 || depth == 24 ? depth : 32;
}

QImage CPreviewWnd::surfaceImage() const
{
    const PreviewSurface& s = m_preview.surface();
    const QImage::Format format = formatOf(s.bitsPerPixel);
    if (!s.valid() || format == QImage::Format_Invalid)
        return {};
    return QImage(s.bits.data(), s.width, s.height, static_cast<qsizetype>(s.stride), format);
}

void CPreviewWnd::tick()
{
    if (m_preview.tick() != CameraPreview::Tick::Drawn)
        return;
    if (m_preview.resized()) {
        const PreviewSurface& s = m_preview.surface();
        resize(s.width, s.height);
        move(0, 0); // the frame's outer corner at the screen origin
    }
    update();
}

void CPreviewWnd::paintEvent(QPaintEvent* event)
{
    const QImage image = surfaceImage();
    if (image.isNull() || event->rect().isEmpty())
        return;
    QPainter painter(this);
    painter.drawImage(event->rect(), image, event->rect());
}

void CPreviewWnd::closeEvent(QCloseEvent* event)
{
    m_timer.stop();
    event->accept();
    emit closed();
}

} // namespace velmora::server
