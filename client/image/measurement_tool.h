#pragma once
// The behaviour shared by every tool dialog of an image window (guiding, focusing,
// capture, axis calibration): the measurement square, per-plane thresholds and their
// detection, star tracking, FWHM, the histogram settings, activation and the
// per-frame processing. The window class that shows it lives with the views; the
// processing bar always shows the active tool.
//
// Settings are read when the tool is created and written by close(). A derived tool
// must call close() in its own destructor so that its Stop still runs; the base
// destructor calls it too (then only the base Stop runs).

#include "client/image/command_state.h"
#include "client/image/histogram_levels.h"
#include "client/image/measurement_settings.h"
#include "client/image/overlay_painter.h"
#include "client/image/pixel_rect.h"
#include "client/image/rgb_colour.h"
#include "client/image/star_measurement.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::client {

class FramePipeline;
class ImageGeometry;
class SettingsStore;

// Which processing-bar controls are enabled, as functions of the tool's state.
struct ProcessingBarEnables {
    bool squareSize = true; // slider and edit of "Square"
    bool autoGuiding = true;
    bool convergence = true; // "Iterations Convergence (pt)"
    bool fullScreen = true;
    bool detect = true;
    bool thresholdReset = true;
    bool detectNumber = true;
    bool threshold = true; // slider and edit of "Threshold Level"
    bool manualLevels = true;
    bool levelFractions = false;
};

class MeasurementTool {
public:
    static constexpr int kMaxIterations = 1000;

    // Reads the section and attaches to the window (at the end of its list). The
    // creator activates the tool right afterwards.
    MeasurementTool(std::string sectionName, FramePipeline& window, SettingsStore& store,
                    const ImageGeometry& geometry);
    virtual ~MeasurementTool();
    MeasurementTool(const MeasurementTool&) = delete;
    MeasurementTool& operator=(const MeasurementTool&) = delete;

    // Stops a running tool, writes its section and detaches it; idempotent.
    void close();

    void ProcessFrame(bool newFrame);
    void Activate();

    // "Square" group.
    void SetSquareCentre(int x, int y);
    void SetSquareSize(int size);
    void SetFullScreen(bool on);
    void SetAutoGuiding(bool on);
    void SetConvergence(double pixels);
    // "Threshold Level" group.
    void Detect();
    void Reset();
    void SetThreshold(int value);
    void SelectThresholdPlane(int plane);
    void SetDetectNumber(int frames);
    // "Histogram" group; each one reprocesses the frame.
    void selectHistogramPlane(int plane);
    void setApplyHistogram(bool on);
    void setAutoHistogram(bool on);
    void setMinColour(int value);
    void setMaxColour(int value);
    void setMinLevel(int perMille);
    void setMaxLevel(int perMille);
    void setSynchronize(bool on);
    void resetHistogram();

    virtual void Start() { m_running = true; }
    virtual void Stop() { m_running = false; }
    // The Start/Stop button.
    void toggleStartStop();
    // A main-window command offered to this tool first when it is in front: whether
    // the tool handles it (and how it shows), and the command itself.
    virtual std::optional<CommandState> commandState(int /*commandId*/) const { return std::nullopt; }
    virtual bool handleCommand(int commandId);

    // Measurements with the current square and thresholds, on the window's working
    // frame (during the per-frame measurements, on the raw frame it is a copy of).
    Centroid MeasureCentroid(const PixelRect& rect) const;
    void TrackStar();
    void DetectThreshold();
    double MeasureFwhm() const;
    double MeasureBlobDiameter(double fraction);

    const std::string& sectionName() const { return m_section; }
    bool isActive() const { return m_active; }
    bool running() const { return m_running; }
    bool detecting() const { return m_detecting; }
    int detectCount() const { return m_detectCount; }
    bool notConverged() const { return m_notConverged; }
    int lastIterations() const { return m_iterations; }
    double centroidX() const { return m_centroid.x; }
    double centroidY() const { return m_centroid.y; }
    int centreX() const { return m_centreX; }
    int centreY() const { return m_centreY; }
    const PixelRect& square() const { return m_square; }
    double fwhm() const { return m_fwhm; }
    const MeasurementSettings& settings() const { return m_settings; }
    int thresholdPlane() const { return m_thresholdPlane; }
    int shownThreshold() const;
    const HistogramLevels& histogramLevels() const { return m_levels; }
    RgbColour squareColour() const { return m_squareColour; }

    ProcessingBarEnables processingBarEnables() const;
    std::string mainWindowTitle() const;      // "Velmora Nebrix Client - %s"
    std::string processingBarCaption() const; // "<< %s Settings >>"
    std::string startButtonText() const;      // "Stop" while running, else "Start"
    std::string fwhmText() const;             // " [FWHM - %.2f] "
    SquareOverlay squareOverlay() const;

protected:
    // The tool's own per-frame work, after the base measurements.
    virtual void FrameStep(bool /*newFrame*/) {}
    // Tools that always track (guiding) lock "Auto Guiding" and "Full Screen".
    virtual bool locksTracking() const { return false; }
    // Tools whose output size is fixed for a while (a capture run) lock the square's
    // size and "Full Screen" meanwhile.
    virtual bool locksSquareSize() const { return false; }
    // Guiding: square at the image origin, tracking on, never the whole image.
    void forceTrackingSquare();
    void setSquareColour(RgbColour colour) { m_squareColour = colour; }
    FramePipeline* window() const { return m_window; }
    const ImageGeometry& geometry() const { return m_geometry; }

private:
    friend class FramePipeline;
    void windowClosed() { m_window = nullptr; }
    void geometryChanged();
    void placeSquare();
    void processInactive(bool newFrame);
    void processActive(bool newFrame);
    const ImageFrame& measuredFrame() const;
    void makeWorkingFrame(bool stretch);
    void countHistogram();
    template <typename Fn> void editHistogram(Fn&& fn);

    std::string m_section;
    FramePipeline* m_window;
    SettingsStore& m_store;
    const ImageGeometry& m_geometry;
    MeasurementSettings m_settings;
    HistogramLevels m_levels;
    std::vector<std::uint16_t> m_maxima; // detection scratch, one entry per plane
    int m_width = 0;
    int m_height = 0;
    int m_planeCount = 0;
    int m_thresholdPlane = 0;
    int m_detectCount = 0;
    bool m_detecting = false;
    bool m_running = false;
    bool m_active = false;
    bool m_closed = false;
    bool m_measuringRaw = false; // measurements before the stretch read the raw frame
    bool m_notConverged = false;
    int m_iterations = 0;
    Centroid m_centroid;
    int m_centreX = 0;
    int m_centreY = 0;
    PixelRect m_square;
    double m_fwhm = 0.0;
    RgbColour m_squareColour{0, 255, 0};
};

} // namespace velmora::client
