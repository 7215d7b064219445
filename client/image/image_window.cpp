#include "client/image/image_window.h"

#include "client/image/calibration.h"
#include "client/image/image_geometry.h"
#include "client/image/reticle.h"
#include "client/image/overlay_painter.h"
#include "client/image/plane_colours.h"
#include "client/shell/settings_layout.h"

#include <cstdio>

namespace velmora::client {

std::unique_ptr<ImageWindow> ImageWindow::create(int width, int height, int planeCount, SettingsStore& store,
                                                 const ImageGeometry& geometry, PlaneColours& planes,
                                                 Reticle* reticle)
{
    std::unique_ptr<FramePipeline> pipeline = FramePipeline::create(width, height, planeCount);
    if (!pipeline)
        return nullptr;
    return std::unique_ptr<ImageWindow>(new ImageWindow(std::move(pipeline), store, geometry, planes, reticle));
}

ImageWindow::ImageWindow(std::unique_ptr<FramePipeline> pipeline, SettingsStore& store,
                         const ImageGeometry& geometry, PlaneColours& planes, Reticle* reticle)
    : m_store(store), m_geometry(geometry), m_planes(planes), m_pipeline(std::move(pipeline)), m_reticle(reticle)
{
    m_pipeline->setDigitCapacity(settings::read(store, settings::kDigitCapacity));
    m_planes.load(store, m_pipeline->planeCount());
    if (m_reticle != nullptr) {
        m_reticle->load(store);
        m_reticle->setLimits(m_pipeline->width(), m_pipeline->height());
    }
    m_calibration = std::make_unique<WindowCalibration>(*m_pipeline, store);
    m_pipeline->addListener(*this);
    m_preview = std::make_unique<PreviewTool>(*m_pipeline, store, geometry, reticle);
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
    // Tools the views did not close yet: stopped, their sections written, detached.
    while (MeasurementTool* tool = firstToolBesidesPreview())
        tool->close();
    m_preview->close();
    m_pipeline->removeListener(*this);
    settings::write(m_store, settings::kDigitCapacity, m_pipeline->digitCapacity());
    m_planes.save(m_store);
    m_calibration->save(m_store);
    if (m_reticle != nullptr)
        m_reticle->save(m_store);
}

MeasurementTool* ImageWindow::firstToolBesidesPreview() const
{
    for (MeasurementTool* tool : m_pipeline->tools()) {
        if (tool != m_preview.get())
            return tool;
    }
    return nullptr;
}

MeasurementTool* ImageWindow::toolOfSection(const std::string& section) const
{
    for (MeasurementTool* tool : m_pipeline->tools()) {
        if (tool->sectionName() == section)
            return tool;
    }
    return nullptr;
}

CommandState ImageWindow::commandState(int commandId) const
{
    switch (commandId) {
    case kCommandFitToWindow:
        return {true, m_fitToWindow};
    case kCommandKeepAspectRatio:
        return {true, m_keepAspectRatio};
    default:
        return {};
    }
}

bool ImageWindow::execute(int commandId)
{
    switch (commandId) {
    case kCommandFitToWindow:
        m_fitToWindow = !m_fitToWindow;
        return true;
    case kCommandKeepAspectRatio:
        m_keepAspectRatio = !m_keepAspectRatio;
        return true;
    default:
        return false;
    }
}

WindowMapping ImageWindow::mapping(int scrollX, int scrollY) const
{
    return {m_pipeline->width(), m_pipeline->height(), m_fitToWindow, scrollX, scrollY};
}

bool ImageWindow::render(const DisplaySurface& surface)
{
    if (!m_converter.convert(m_pipeline->workingFrame(), m_planes.colours(), surface))
        return false;
    if (const MeasurementTool* tool = activeTool())
        DrawSquareOverlay(surface, tool->squareOverlay());
    drawCalibrationTrack(surface);
    return true;
}

// From the current centroid through the recorded points, while the preview is in front.
void ImageWindow::drawCalibrationTrack(const DisplaySurface& surface) const
{
    if (!m_preview->isActive() || !m_preview->running() || m_preview->track().empty())
        return;
    auto pixel = [](double value) { return static_cast<int>(value + 0.5); };
    int x = pixel(m_preview->centroidX());
    int y = pixel(m_preview->centroidY());
    for (auto it = m_preview->track().rbegin(); it != m_preview->track().rend(); ++it) {
        const int nx = pixel(it->first);
        const int ny = pixel(it->second);
        DrawLine(surface, x, y, nx, ny, m_preview->squareColour());
        x = nx;
        y = ny;
    }
}

bool ImageWindow::inside(ImagePoint pixel) const
{
    return pixel.x >= 0 && pixel.y >= 0 && pixel.x < m_pipeline->width() && pixel.y < m_pipeline->height();
}

CursorPanes ImageWindow::cursorPanes(ImagePoint pixel) const
{
    if (!inside(pixel))
        return {};
    CursorPanes panes;
    char text[96];
    std::snprintf(text, sizeof text, " [%d;%d] ", pixel.x, pixel.y);
    panes.position = text;
    const AxisOffset offset = m_geometry.offsetsFromCentre(pixel.x, pixel.y);
    std::snprintf(text, sizeof text, " [%.2f;%.2f] ", offset.h, offset.v);
    panes.offset = text;
    std::string samples;
    const ImageFrame& frame = m_pipeline->rawFrame();
    for (int p = 0; p < frame.planeCount(); ++p) {
        char sample[96];
        std::snprintf(sample, sizeof sample, "%s: %d;", m_planes.caption(p).c_str(),
                      static_cast<int>(frame.at(p, pixel.x, pixel.y)));
        samples += sample;
    }
    panes.samples = " [" + samples + "] ";
    return panes;
}

void ImageWindow::clickAt(ImagePoint pixel)
{
    if (MeasurementTool* tool = activeTool(); tool != nullptr && inside(pixel))
        tool->SetSquareCentre(pixel.x, pixel.y);
}

void ImageWindow::setDigitCapacity(int bits)
{
    m_pipeline->setDigitCapacity(bits);
    m_pipeline->runPipeline(false);
}

double ImageWindow::fieldOfViewX() const
{
    return m_pipeline->width() * m_geometry.sx() / 60.0;
}

double ImageWindow::fieldOfViewY() const
{
    return m_pipeline->height() * m_geometry.sy() / 60.0;
}

void ImageWindow::redraw()
{
    if (MeasurementTool* tool = activeTool())
        tool->ProcessFrame(false);
}

void ImageWindow::geometryChanged(int width, int height, int planeCount)
{
    if (m_reticle != nullptr)
        m_reticle->setLimits(width, height);
    if (planeCount == m_planes.planeCount())
        return;
    m_planes.save(m_store);
    m_planes.load(m_store, planeCount);
}

} // namespace velmora::client
