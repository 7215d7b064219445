#pragma once
// CHistogramGraph: the processing bar's small histogram of the measurement square,
// drawn off-screen from the core's bars and level marks and copied once.

#include "client/image/processing_bar.h"

#include <QImage>
#include <QWidget>

namespace velmora::client {

class CHistogramGraph : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 216; // 53 bars four pixels apart, two pixels each side
    static constexpr int kHeight = 64;

    explicit CHistogramGraph(QWidget* parent = nullptr);

    void showGraph(const HistogramGraphView& view);
    void clear();
    // What was last drawn (for tests and screenshots).
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};

} // namespace velmora::client
