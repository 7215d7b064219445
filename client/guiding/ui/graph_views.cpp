#include "client/guiding/ui/graph_views.h"

#include <QPainter>
#include <QPolygon>

namespace velmora::client {

namespace {

QColor qColour(RgbColour colour)
{
    return {colour.red, colour.green, colour.blue};
}

} // namespace

CGraphView::CGraphView(QWidget* parent) : QWidget(parent), m_image(kWidth, kHeight, QImage::Format_RGB32)
{
    setFixedSize(kWidth, kHeight);
    m_image.fill(Qt::black);
}

void CGraphView::showDrawing(const GraphDrawing& drawing)
{
    if (m_image.width() != drawing.width || m_image.height() != drawing.height)
        m_image = QImage(std::max(drawing.width, 1), std::max(drawing.height, 1), QImage::Format_RGB32);
    m_image.fill(qColour(drawing.background));
    QPainter painter(&m_image);
    for (const GraphLine& line : drawing.lines) {
        painter.setPen(qColour(line.colour));
        painter.drawLine(line.from.x, line.from.y, line.to.x, line.to.y);
    }
    for (const GraphPolyline& polyline : drawing.polylines) {
        QPolygon points;
        for (const GraphPoint& point : polyline.points)
            points << QPoint(point.x, point.y);
        painter.setPen(qColour(polyline.colour));
        painter.drawPolyline(points);
    }
    QFont font = painter.font();
    font.setPixelSize(kFontPixels);
    painter.setFont(font);
    const int ascent = painter.fontMetrics().ascent();
    for (const GraphText& text : drawing.texts) {
        painter.setPen(qColour(text.colour));
        painter.drawText(text.at.x, text.at.y + ascent, QString::fromStdString(text.text));
    }
    painter.end();
    update();
}

void CGraphView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

} // namespace velmora::client
