#include "client/devices/image_window.h"

#include "client/shell/settings_layout.h"

namespace velmora::client {

std::unique_ptr<ImageWindow> ImageWindow::create(int width, int height, int planeCount, SettingsStore& store,
                                                 const ImageGeometry& geometry)
{
    std::unique_ptr<FramePipeline> pipeline = FramePipeline::create(width, height, planeCount);
    if (!pipeline)
        return nullptr;
    return std::unique_ptr<ImageWindow>(new ImageWindow(std::move(pipeline), store, geometry));
}

ImageWindow::ImageWindow(std::unique_ptr<FramePipeline> pipeline, SettingsStore& store,
                         const ImageGeometry& geometry)
    : m_store(store), m_pipeline(std::move(pipeline))
{
    m_pipeline->setDigitCapacity(settings::read(store, settings::kDigitCapacity));
    m_preview = std::make_unique<PreviewTool>(*m_pipeline, store, geometry);
    m_preview->Activate();
}

ImageWindow::~ImageWindow()
{
    close();
}

bool ImageWindow::deliverFrame(std::span<const std::int32_t> samples, int width, int height, int planeCount)
{
    return m_pipeline->deliverFrame(samples, width, height, planeCount);
}

void ImageWindow::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_preview->close();
    settings::write(m_store, settings::kDigitCapacity, m_pipeline->digitCapacity());
}

} // namespace velmora::client
