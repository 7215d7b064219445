#include "client/focusing/ui/diameter_graph.h"

#include "client/focusing/diameter_drawing.h"
#include "client/focusing/diameter_graph.h"

namespace velmora::client {

CDiameterGraph::CDiameterGraph(QWidget* parent) : CGraphView(parent)
{
    setFixedSize(kWidth, kHeight);
}

void CDiameterGraph::showGraph(const DiameterGraph& graph)
{
    if (m_shown == &graph && m_revision == graph.revision() && image().size() == size())
        return;
    m_shown = &graph;
    m_revision = graph.revision();
    showDrawing(drawDiameterGraph(graph, drawingWidth(), drawingHeight()));
}

} // namespace velmora::client
