#pragma once
// The guiding graphs' windows: CDriftGraph, CDistrGraph and CFFTGraph. Each paints
// the drawing its core graph computed into an off-screen image and copies it to the
// screen in one step; they differ only in which drawing they are given.

#include "client/guiding/graph_drawing.h"

#include <QImage>
#include <QWidget>

namespace velmora::client {

class CGraphView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 160;
    // The graphs' small font: 12 pixels high.
    static constexpr int kFontPixels = 12;

    explicit CGraphView(QWidget* parent = nullptr);

    void showDrawing(const GraphDrawing& drawing);
    const QImage& image() const { return m_image; }
    // The drawing area the core graph is computed for: the widget's client size.
    int drawingWidth() const { return width(); }
    int drawingHeight() const { return height(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};

class CDriftGraph : public CGraphView {
    Q_OBJECT
public:
    using CGraphView::CGraphView;
};

class CDistrGraph : public CGraphView {
    Q_OBJECT
public:
    using CGraphView::CGraphView;
};

class CFFTGraph : public CGraphView {
    Q_OBJECT
public:
    using CGraphView::CGraphView;
};

} // namespace velmora::client
