#include "client/image/preview_tool.h"

#include "client/shell/settings_layout.h"

namespace velmora::client {

PreviewTool::PreviewTool(FramePipeline& window, SettingsStore& store, const ImageGeometry& geometry)
    : MeasurementTool(settings::kPreviewSection, window, store, geometry)
{
    setSquareColour({255, 0, 0});
}

PreviewTool::~PreviewTool()
{
    close();
}

} // namespace velmora::client
