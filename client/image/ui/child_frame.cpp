#include "client/image/ui/child_frame.h"

#include "client/image/image_window.h"
#include "client/image/reticle.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace velmora::client {

namespace {

DisplaySurface surfaceOf(QImage& image)
{
    return {image.bits(), image.width(), image.height(), static_cast<int>(image.bytesPerLine()),
            PixelPacking::Bgrx32};
}

} // namespace

CImageView::CImageView(ImageWindow& window, QWidget* parent)
    : QAbstractScrollArea(parent), m_window(window),
      m_surface(window.pipeline().width(), window.pipeline().height(), QImage::Format_RGB32)
{
    m_surface.fill(Qt::black);
    viewport()->setMouseTracking(true);
    setMouseTracking(true);
    viewport()->setCursor(Qt::CrossCursor);
}

void CImageView::redraw()
{
    const FramePipeline& pipeline = m_window.pipeline();
    if (m_surface.width() != pipeline.width() || m_surface.height() != pipeline.height())
        m_surface = QImage(pipeline.width(), pipeline.height(), QImage::Format_RGB32);
    m_window.render(surfaceOf(m_surface));
    if (const Reticle* reticle = m_window.reticle(); reticle != nullptr && reticle->showReticle())
        paintReticle(reticle->drawing(pipeline.height()));
    viewport()->update();
}

void CImageView::paintReticle(const ReticleDrawing& drawing)
{
    QPainter painter(&m_surface);
    auto colour = [](RgbColour c) { return QColor(c.red, c.green, c.blue); };
    painter.setPen(colour(Reticle::kCircleColour));
    for (const ReticleEllipse& e : drawing.ellipses)
        painter.drawEllipse(QPoint(e.centreX, e.centreY), e.radiusX, e.radiusY);
    for (const ReticleSegment& s : drawing.axes) {
        painter.setPen(colour(s.colour));
        painter.drawLine(s.x0, s.y0, s.x1, s.y1);
    }
    painter.setPen(colour(Reticle::kLabelColour));
    for (const ReticleLabel& label : drawing.labels)
        painter.drawText(label.x + 2, label.y - 2, QString::fromStdString(label.text));
}

// The reticle takes the right button while it is shown.
bool CImageView::reticleButton(QMouseEvent* event, QEvent::Type type)
{
    Reticle* reticle = m_window.reticle();
    if (reticle == nullptr || !reticle->showReticle())
        return false;
    const ImagePoint pixel = pixelAt(event->position().toPoint());
    if (type == QEvent::MouseButtonPress && event->button() == Qt::RightButton)
        reticle->press(pixel.x, pixel.y);
    else if (type == QEvent::MouseMove && reticle->dragging() != ReticleHit::None)
        reticle->drag(pixel.x, pixel.y);
    else if (type == QEvent::MouseButtonRelease && event->button() == Qt::RightButton)
        reticle->release();
    else
        return false;
    m_window.redraw();
    if (onReticleChanged)
        onReticleChanged();
    return true;
}

// The cursor shows which part of the reticle the right button would take.
void CImageView::showReticleCursor(ImagePoint pixel)
{
    const Reticle* reticle = m_window.reticle();
    Qt::CursorShape shape = Qt::CrossCursor;
    if (reticle != nullptr && reticle->showReticle()) {
        switch (reticle->hitTest(pixel.x, pixel.y)) {
        case ReticleHit::OuterCircle:
            shape = Qt::SizeFDiagCursor;
            break;
        case ReticleHit::None:
            break;
        default:
            shape = Qt::PointingHandCursor;
            break;
        }
    }
    if (viewport()->cursor().shape() != shape)
        viewport()->setCursor(shape);
}

ClientSize CImageView::clientSize() const
{
    return {viewport()->width(), viewport()->height()};
}

WindowMapping CImageView::mapping() const
{
    return m_window.mapping(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CImageView::layoutScrollBars()
{
    const bool fitted = m_window.fitToWindow();
    const Qt::ScrollBarPolicy policy = fitted ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
    // Without scroll bars the whole frame may fit; only then are they left out.
    const QSize largest = maximumViewportSize();
    const bool fits = largest.width() >= m_surface.width() && largest.height() >= m_surface.height();
    const ClientSize range = fitted || fits ? ClientSize{}
                                            : scrollRange(clientSize(), m_surface.width(), m_surface.height());
    horizontalScrollBar()->setRange(0, range.width);
    verticalScrollBar()->setRange(0, range.height);
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
}

void CImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    if (m_window.fitToWindow()) {
        painter.drawImage(viewport()->rect(), m_surface);
        return;
    }
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Dark));
    painter.drawImage(QPoint(-horizontalScrollBar()->value(), -verticalScrollBar()->value()), m_surface);
}

ImagePoint CImageView::pixelAt(const QPoint& position) const
{
    return mapping().imagePoint(position.x(), position.y(), clientSize());
}

void CImageView::mouseMoveEvent(QMouseEvent* event)
{
    const ImagePoint pixel = pixelAt(event->position().toPoint());
    reticleButton(event, QEvent::MouseMove);
    showReticleCursor(pixel);
    if (onCursor)
        onCursor(pixel);
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CImageView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_window.clickAt(pixelAt(event->position().toPoint()));
    else
        reticleButton(event, QEvent::MouseButtonPress);
    QAbstractScrollArea::mousePressEvent(event);
}

void CImageView::mouseReleaseEvent(QMouseEvent* event)
{
    reticleButton(event, QEvent::MouseButtonRelease);
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CImageView::leaveEvent(QEvent* event)
{
    if (onCursor)
        onCursor(std::nullopt);
    QAbstractScrollArea::leaveEvent(event);
}

void CImageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutScrollBars();
}

void CImageView::scrollContentsBy(int, int)
{
    viewport()->update();
}

CChildFrame::CChildFrame(ImageWindow& window, QWidget* parent)
    : QMdiSubWindow(parent), m_window(window), m_view(new CImageView(window, this))
{
    setWidget(m_view);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Image"));
    m_window.pipeline().addListener(*this);
}

CChildFrame::~CChildFrame()
{
    detachFromWindow();
}

void CChildFrame::detachFromWindow()
{
    if (!m_attached)
        return;
    m_attached = false;
    m_window.pipeline().removeListener(*this);
    m_view->setEnabled(false);
    m_view->onCursor = nullptr;
    hide();
}

// Title bar and border of the window, and the view's own frame, around the client area.
QSize CChildFrame::frameMargins() const
{
    const int viewFrame = 2 * m_view->frameWidth();
    return size() - contentsRect().size() + QSize(viewFrame, viewFrame);
}

void CChildFrame::resizeClient(ClientSize client)
{
    m_adjusting = true;
    resize(QSize(client.width, client.height) + frameMargins());
    m_adjusting = false;
    m_lastClient = QSize(client.width, client.height);
}

void CChildFrame::showAtFrameSize(const QSize& available)
{
    const int width = m_window.pipeline().width();
    const int height = m_window.pipeline().height();
    show();
    const QSize margins = frameMargins();
    resizeClient(limitToFrame({width, height}, std::max(available.width() - margins.width(), 64),
                              std::max(available.height() - margins.height(), 48)));
    m_view->layoutScrollBars();
}

void CChildFrame::displayOptionsChanged()
{
    const int width = m_window.pipeline().width();
    const int height = m_window.pipeline().height();
    const ClientSize current = m_view->clientSize();
    ClientSize wanted = current;
    if (m_window.keepAspectRatio())
        wanted = enlargeToAspectRatio(wanted, width, height);
    if (!m_window.fitToWindow())
        wanted = limitToFrame(wanted, width, height);
    if (!(wanted == current))
        resizeClient(wanted);
    m_view->layoutScrollBars();
    m_view->viewport()->update();
}

void CChildFrame::resizeEvent(QResizeEvent* event)
{
    QMdiSubWindow::resizeEvent(event);
    if (m_adjusting || !isVisible() || !m_attached)
        return;
    const ClientSize proposed = m_view->clientSize();
    const QSize previous = m_lastClient.isValid() ? m_lastClient : QSize(proposed.width, proposed.height);
    const bool widthChanged = proposed.width != previous.width();
    const bool heightChanged = proposed.height != previous.height();
    ClientSize wanted = proposed;
    if (m_window.keepAspectRatio() && (widthChanged || heightChanged)) {
        const SizingEdge edge = widthChanged && heightChanged ? SizingEdge::Corner
                                : widthChanged                ? SizingEdge::Right
                                                              : SizingEdge::Bottom;
        wanted = keepAspectRatio(proposed, edge, m_window.pipeline().width(), m_window.pipeline().height());
    }
    if (!m_window.fitToWindow())
        wanted = limitToFrame(wanted, m_window.pipeline().width(), m_window.pipeline().height());
    if (!(wanted == proposed))
        resizeClient(wanted);
    else
        m_lastClient = QSize(proposed.width, proposed.height);
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    if (!m_attached)
        return;
    // The core closes the window (and its tools) and the main frame then removes this
    // view; the event itself is not accepted here.
    event->ignore();
    if (onUserClose)
        onUserClose();
}

void CChildFrame::activeFrameProcessed(MeasurementTool&)
{
    m_view->redraw();
}

void CChildFrame::geometryChanged(int, int, int)
{
    m_view->layoutScrollBars();
}

} // namespace velmora::client
