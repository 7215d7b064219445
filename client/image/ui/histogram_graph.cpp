#include "client/image/ui/histogram_graph.h"

#include <QPainter>

namespace velmora::client {

namespace {
// A dark ground so that White and None planes' bars show.
const QColor kBackground(0, 0, 0);
const QColor kLevelMark(255, 255, 0);
} // namespace

CHistogramGraph::CHistogramGraph(QWidget* parent) : QWidget(parent), m_image(kWidth, kHeight, QImage::Format_RGB32)
{
    setFixedSize(kWidth, kHeight);
    clear();
}

void CHistogramGraph::clear()
{
    m_image.fill(kBackground);
    update();
}

void CHistogramGraph::showGraph(const HistogramGraphView& view)
{
    m_image.fill(kBackground);
    QPainter painter(&m_image);
    const QColor bar(view.barColour.red, view.barColour.green, view.barColour.blue);
    for (const HistogramBar& b : view.bars) {
        if (b.height > 0)
            painter.fillRect(b.x, kHeight - b.height, b.width, b.height, bar);
    }
    painter.setPen(kLevelMark);
    painter.drawLine(view.blackMarkX, 0, view.blackMarkX, kHeight - 1);
    painter.drawLine(view.whiteMarkX, 0, view.whiteMarkX, kHeight - 1);
    painter.end();
    update();
}

void CHistogramGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

} // namespace velmora::client
