#pragma once
// CChildFrame: the one image window inside the main frame. It shows the active tool's
// working frame, converted by the core into a 32-bit off-screen surface with the
// overlays, 1:1 with scroll bars or scaled with "Fit To Window"; "Keep Aspect Ratio"
// keeps the frame's proportions while the window is sized. A left click puts the
// active tool's square on the pixel; the cursor's pixel feeds the status panes.

#include "client/image/pipeline_listener.h"
#include "client/image/window_mapping.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QImage>
#include <QMdiSubWindow>

#include <functional>
#include <optional>

namespace velmora::client {

class ImageWindow;
struct ReticleDrawing;

class CImageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    CImageView(ImageWindow& window, QWidget* parent);

    // Renders the active tool's frame into the surface and repaints.
    void redraw();
    void layoutScrollBars();
    const QImage& surface() const { return m_surface; }
    ClientSize clientSize() const;
    WindowMapping mapping() const;

    std::function<void(std::optional<ImagePoint>)> onCursor;
    // The right button moved the reticle: its bar shows the new values.
    std::function<void()> onReticleChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    ImagePoint pixelAt(const QPoint& position) const;
    void paintReticle(const ReticleDrawing& drawing);
    bool reticleButton(QMouseEvent* event, QEvent::Type type);
    void showReticleCursor(ImagePoint pixel);

    ImageWindow& m_window;
    QImage m_surface;
};

class CChildFrame : public QMdiSubWindow, private PipelineListener {
    Q_OBJECT
public:
    CChildFrame(ImageWindow& window, QWidget* parent = nullptr);
    ~CChildFrame() override;

    ImageWindow& window() const { return m_window; }
    CImageView* view() const { return m_view; }
    // The client area the frame asks for when it opens: the frame, limited by `available`.
    void showAtFrameSize(const QSize& available);
    // After "Fit To Window" or "Keep Aspect Ratio" changed.
    void displayOptionsChanged();
    // The core window is about to go: stop listening to it and accept no more input.
    void detachFromWindow();

    // The user closed the window with its close box.
    std::function<void()> onUserClose;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void activeFrameProcessed(MeasurementTool& tool) override;
    void geometryChanged(int width, int height, int planeCount) override;
    QSize frameMargins() const;
    void resizeClient(ClientSize client);

    ImageWindow& m_window;
    CImageView* m_view;
    QSize m_lastClient;
    bool m_adjusting = false;
    bool m_attached = true;
};

} // namespace velmora::client
