#include "client/image/measurement_tool.h"

#include "client/image/frame_pipeline.h"
#include "client/image/histogram_stretch.h"
#include "client/image/image_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace velmora::client {

namespace {

// Large enough for any real limit, small enough that ×10 still fits the stored integer.
constexpr double kMaxConvergence = 1.0e6;

std::string formatName(const char* format, const std::string& name)
{
    char text[256];
    std::snprintf(text, sizeof text, format, name.c_str());
    return text;
}

} // namespace

MeasurementTool::MeasurementTool(std::string sectionName, FramePipeline& window, SettingsStore& store,
                                 const ImageGeometry& geometry)
    : m_section(std::move(sectionName)), m_window(&window), m_store(store), m_geometry(geometry)
{
    m_width = window.width();
    m_height = window.height();
    m_planeCount = window.planeCount();
    m_settings.load(store, m_section, m_width, m_height, m_planeCount);
    m_levels.resize(m_planeCount);
    m_levels.load(store, m_section);
    const int half = m_settings.squareSize / 2;
    m_centreX = half;
    m_centreY = half;
    if (m_settings.fullScreen)
        m_square = {0, 0, m_width, m_height};
    else
        placeSquare();
    m_centroid = {static_cast<double>(m_square.centreX()), static_cast<double>(m_square.centreY())};
    window.attach(*this);
}

MeasurementTool::~MeasurementTool()
{
    close();
}

void MeasurementTool::close()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_running)
        Stop();
    m_settings.save(m_store, m_section);
    m_levels.save(m_store, m_section);
    if (m_window != nullptr)
        m_window->detach(*this);
    m_window = nullptr;
    m_active = false;
}

void MeasurementTool::placeSquare()
{
    const int size = m_settings.squareSize;
    m_square = {0, 0, size, size};
    m_square.moveBy(m_centreX - size / 2, m_centreY - size / 2);
}

void MeasurementTool::forceTrackingSquare()
{
    m_settings.fullScreen = false;
    m_settings.autoGuiding = true;
    m_centreX = m_centreY = m_settings.squareSize / 2;
    placeSquare();
}

void MeasurementTool::geometryChanged()
{
    m_width = m_window->width();
    m_height = m_window->height();
    m_planeCount = m_window->planeCount();
    m_settings.thresholds.resize(static_cast<std::size_t>(m_planeCount), 0);
    m_levels.resize(m_planeCount);
    m_thresholdPlane = std::clamp(m_thresholdPlane, 0, m_planeCount - 1);
    m_settings.squareSize = MeasurementSettings::clampSquareSize(m_settings.squareSize, m_width, m_height);
    // Keep the square on the new image, or it would measure nothing until clicked.
    m_centreX = std::clamp(m_centreX, 0, m_width - 1);
    m_centreY = std::clamp(m_centreY, 0, m_height - 1);
    if (m_settings.fullScreen)
        m_square = {0, 0, m_width, m_height};
    else
        placeSquare();
}

void MeasurementTool::Activate()
{
    if (m_window == nullptr)
        return;
    m_window->makeActive(*this);
    ProcessFrame(false);
}

void MeasurementTool::ProcessFrame(bool newFrame)
{
    if (m_window == nullptr)
        return;
    if (m_active)
        processActive(newFrame);
    else
        processInactive(newFrame);
}

// Until the stretch the working frame would be an exact copy of the raw frame, so the
// measurements read the raw frame and the working frame is made in one pass afterwards,
// copied or stretched. Tools see exactly what a copy followed by an in-place stretch gives.
const ImageFrame& MeasurementTool::measuredFrame() const
{
    return m_measuringRaw ? m_window->rawFrame() : m_window->workingFrame();
}

void MeasurementTool::makeWorkingFrame(bool stretch)
{
    if (stretch)
        StretchFrame(m_window->rawFrame(), m_window->workingFrame(), m_levels.allStretchLevels());
    else
        Copy(m_window->rawFrame(), m_window->workingFrame());
}

void MeasurementTool::processInactive(bool newFrame)
{
    if (!newFrame || !(m_running || m_detecting))
        return;
    const bool stretch = m_running && m_levels.applyHistogram();
    m_measuringRaw = true;
    if (m_settings.autoGuiding)
        TrackStar();
    if (m_detecting)
        DetectThreshold();
    if (stretch && m_levels.autoHistogram())
        countHistogram();
    m_measuringRaw = false;
    makeWorkingFrame(stretch);
    FrameStep(true);
}

void MeasurementTool::processActive(bool newFrame)
{
    // Tracking uses the thresholds from before this frame's detection step, and every
    // measurement sees the frame before the stretch.
    m_measuringRaw = true;
    if (m_settings.autoGuiding)
        TrackStar();
    m_fwhm = MeasureFwhm();
    if (newFrame && m_detecting)
        DetectThreshold();
    countHistogram();
    m_measuringRaw = false;
    makeWorkingFrame(m_levels.applyHistogram());
    FrameStep(newFrame);
    m_window->activeProcessed(*this);
}

void MeasurementTool::countHistogram()
{
    SquareHistogram& histogram = m_window->histogram();
    histogram.count(measuredFrame(), m_square);
    if (m_levels.autoHistogram())
        m_levels.updateAutoLevels(histogram);
}

Centroid MeasurementTool::MeasureCentroid(const PixelRect& rect) const
{
    if (m_window == nullptr)
        return {(rect.left + rect.right) * 0.5, (rect.top + rect.bottom) * 0.5};
    return velmora::client::MeasureCentroid(measuredFrame(), rect, m_settings.thresholds);
}

void MeasurementTool::TrackStar()
{
    double previousX = -1000.0;
    double previousY = -1000.0;
    const double limit = m_settings.convergence;
    int iterations = 0;
    while ((std::abs(m_centroid.x - previousX) > limit || std::abs(m_centroid.y - previousY) > limit) &&
           iterations < kMaxIterations) {
        previousX = m_centroid.x;
        previousY = m_centroid.y;
        m_centroid = MeasureCentroid(m_square);
        m_centreX = static_cast<int>(m_centroid.x);
        m_centreY = static_cast<int>(m_centroid.y);
        m_square.moveBy(m_centreX - m_square.centreX(), m_centreY - m_square.centreY());
        ++iterations;
    }
    m_iterations = iterations;
    m_notConverged = iterations == kMaxIterations;
}

void MeasurementTool::DetectThreshold()
{
    if (m_window == nullptr)
        return;
    ++m_detectCount;
    m_maxima.resize(static_cast<std::size_t>(m_planeCount));
    SquareMaxima(measuredFrame(), m_square, m_maxima);
    for (std::size_t p = 0; p < m_maxima.size(); ++p)
        m_settings.thresholds[p] = std::max(m_settings.thresholds[p], m_maxima[p]);
    if (m_detectCount >= m_settings.detectNumber)
        m_detecting = false;
}

double MeasurementTool::MeasureFwhm() const
{
    if (m_window == nullptr)
        return 0.0;
    return velmora::client::MeasureFwhm(measuredFrame(), m_square, m_settings.thresholds, m_geometry.sx(),
                                        m_geometry.sy());
}

double MeasurementTool::MeasureBlobDiameter(double fraction)
{
    if (m_window == nullptr)
        return 0.0;
    return m_window->blobDiameter().MeasureBlobDiameter(m_window->workingFrame(), m_square, fraction,
                                                        m_geometry.sx(), m_geometry.sy());
}

void MeasurementTool::SetSquareCentre(int x, int y)
{
    if (m_settings.fullScreen)
        return;
    // A click is always inside the image; anything else is brought back to it.
    m_centreX = std::clamp(x, 0, std::max(m_width - 1, 0));
    m_centreY = std::clamp(y, 0, std::max(m_height - 1, 0));
    m_square.moveBy(m_centreX - m_square.centreX(), m_centreY - m_square.centreY());
    ProcessFrame(false);
}

void MeasurementTool::SetSquareSize(int size)
{
    m_settings.squareSize = MeasurementSettings::clampSquareSize(size, m_width, m_height);
    placeSquare();
    ProcessFrame(false);
}

void MeasurementTool::SetFullScreen(bool on)
{
    m_settings.fullScreen = on;
    if (on) {
        m_settings.autoGuiding = false;
        m_square = {0, 0, m_width, m_height};
    } else {
        placeSquare();
    }
    ProcessFrame(false);
}

void MeasurementTool::SetAutoGuiding(bool on)
{
    m_settings.autoGuiding = on;
    if (m_window != nullptr && m_active)
        m_window->activeProcessed(*this); // redraw only
}

void MeasurementTool::SetConvergence(double pixels)
{
    m_settings.convergence = std::isfinite(pixels) ? std::clamp(pixels, 0.0, kMaxConvergence) : 0.0;
    ProcessFrame(false);
}

void MeasurementTool::Detect()
{
    m_detectCount = 0;
    m_detecting = true;
    std::fill(m_settings.thresholds.begin(), m_settings.thresholds.end(), std::uint16_t{0});
}

void MeasurementTool::Reset()
{
    std::fill(m_settings.thresholds.begin(), m_settings.thresholds.end(), std::uint16_t{0});
    ProcessFrame(false);
}

void MeasurementTool::SetThreshold(int value)
{
    if (m_settings.thresholds.empty())
        return;
    m_settings.thresholds[static_cast<std::size_t>(m_thresholdPlane)] =
        static_cast<std::uint16_t>(std::clamp(value, 0, 65535));
    ProcessFrame(false);
}

void MeasurementTool::SelectThresholdPlane(int plane)
{
    if (plane >= 0 && plane < m_planeCount)
        m_thresholdPlane = plane;
}

void MeasurementTool::SetDetectNumber(int frames)
{
    m_settings.detectNumber = std::max(frames, 1);
}

int MeasurementTool::shownThreshold() const
{
    return m_settings.thresholds.empty() ? 0
                                         : m_settings.thresholds[static_cast<std::size_t>(m_thresholdPlane)];
}

template <typename Fn> void MeasurementTool::editHistogram(Fn&& fn)
{
    fn(m_levels);
    ProcessFrame(false);
}

void MeasurementTool::selectHistogramPlane(int plane)
{
    editHistogram([plane](HistogramLevels& levels) { levels.selectPlane(plane); });
}

void MeasurementTool::setApplyHistogram(bool on)
{
    editHistogram([on](HistogramLevels& levels) { levels.setApplyHistogram(on); });
}

void MeasurementTool::setAutoHistogram(bool on)
{
    editHistogram([on](HistogramLevels& levels) { levels.setAutoHistogram(on); });
}

void MeasurementTool::setMinColour(int value)
{
    editHistogram([value](HistogramLevels& levels) { levels.setMinColour(value); });
}

void MeasurementTool::setMaxColour(int value)
{
    editHistogram([value](HistogramLevels& levels) { levels.setMaxColour(value); });
}

void MeasurementTool::setMinLevel(int perMille)
{
    editHistogram([perMille](HistogramLevels& levels) { levels.setMinLevel(perMille); });
}

void MeasurementTool::setMaxLevel(int perMille)
{
    editHistogram([perMille](HistogramLevels& levels) { levels.setMaxLevel(perMille); });
}

void MeasurementTool::setSynchronize(bool on)
{
    editHistogram([on](HistogramLevels& levels) { levels.setSynchronize(on); });
}

void MeasurementTool::resetHistogram()
{
    editHistogram([](HistogramLevels& levels) { levels.reset(); });
}

void MeasurementTool::toggleStartStop()
{
    if (m_running)
        Stop();
    else
        Start();
}

bool MeasurementTool::handleCommand(int /*commandId*/)
{
    return false;
}

ProcessingBarEnables MeasurementTool::processingBarEnables() const
{
    ProcessingBarEnables enables;
    enables.squareSize = !m_settings.fullScreen && !locksSquareSize();
    enables.autoGuiding = !m_settings.fullScreen && !locksTracking();
    enables.convergence = m_settings.autoGuiding;
    enables.fullScreen = !locksTracking() && !locksSquareSize();
    enables.detect = enables.thresholdReset = enables.detectNumber = enables.threshold = !m_detecting;
    enables.manualLevels = m_levels.manualControlsEnabled();
    enables.levelFractions = m_levels.fractionControlsEnabled();
    return enables;
}

std::string MeasurementTool::mainWindowTitle() const
{
    return formatName("Velmora Nebrix Client - %s", m_section);
}

std::string MeasurementTool::processingBarCaption() const
{
    return formatName("<< %s Settings >>", m_section);
}

std::string MeasurementTool::startButtonText() const
{
    return m_running ? "Stop" : "Start";
}

std::string MeasurementTool::fwhmText() const
{
    char text[64];
    std::snprintf(text, sizeof text, " [FWHM - %.2f] ", m_fwhm);
    return text;
}

SquareOverlay MeasurementTool::squareOverlay() const
{
    return {m_square, m_squareColour, m_notConverged, m_settings.autoGuiding, m_centreX, m_centreY};
}

} // namespace velmora::client
