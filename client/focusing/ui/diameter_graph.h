#pragma once
// CDiameterGraph: the focusing window's graph over its frame. It paints the drawing
// of the run's DiameterGraph off-screen and copies it in one step, as the guiding
// graphs do; it redraws only when the graph has changed.

#include "client/guiding/ui/graph_views.h"

namespace velmora::client {

class DiameterGraph;

class CDiameterGraph : public CGraphView {
    Q_OBJECT
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;

    explicit CDiameterGraph(QWidget* parent = nullptr);

    void showGraph(const DiameterGraph& graph);

private:
    const DiameterGraph* m_shown = nullptr;
    unsigned m_revision = 0;
};

} // namespace velmora::client
