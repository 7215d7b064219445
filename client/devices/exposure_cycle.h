#pragma once
// The exposure cycle, the client's clock: starts an exposure on the camera driver,
// polls ImageReady on every 60 ms tick, fetches the frame (ImageArray, or in
// performance mode GetRawBuffer answered by a WM_COPYDATA message to the main
// window), hands it to the one image window (created from the first frame's
// geometry) and, unless "Manual Mode" is checked, starts the next exposure at once.
// It also holds the exposure bar's state: progress range and position, the duration
// text, which of the two is visible, and the button text.
//
// Everything runs on the main thread. The main window's handle is registered here,
// so a frame message reaches onCopyData() whenever it arrives.

#include "client/devices/camera_frame.h"
#include "client/image/image_window.h"
#include "common/numeric_field.h"
#include "platform/automation/window_messages.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora::client {

class DriverBinding;
class ExposureTimer;
class HighResolutionClock;
class ImageGeometry;
class PlaneColours;
class Reticle;
class SettingsStore;

// What the main frame's views (or the headless guider) hear from the cycle.
class ExposureCycleListener {
public:
    virtual ~ExposureCycleListener() = default;
    // Progress, text, visibility or button text changed.
    virtual void exposureBarChanged() {}
    // The first frame created the image window: show it.
    virtual void imageWindowOpened(ImageWindow& /*window*/) {}
    // The window is about to go: close every tool attached to it.
    virtual void imageWindowClosing(ImageWindow& /*window*/) {}
    // A frame went through the window's pipeline.
    virtual void frameDelivered(ImageWindow& /*window*/) {}
};

class ExposureCycle {
public:
    static constexpr int kTimerId = 40000;
    static constexpr int kTimerPeriodMs = 60;
    static constexpr double kSecondsPerTick = 0.06;
    static constexpr int kRestingPane6Width = 200;
    static constexpr int kPane6WidthPerPlane = 85;

    ExposureCycle(DriverBinding& binding, ExposureTimer& timer, const HighResolutionClock& clock,
                  SettingsStore& store, const ImageGeometry& geometry, PlaneColours& planes,
                  Reticle* reticle = nullptr);
    ~ExposureCycle();
    ExposureCycle(const ExposureCycle&) = delete;
    ExposureCycle& operator=(const ExposureCycle&) = delete;

    // The exposure edit: hundredths of a second, 0…9999999, spin step 0.1 s.
    static common::NumericField exposureTimeField();

    // The listener must outlive the cycle or be cleared first: closing the image window
    // (also from the destructor) tells it.
    void setListener(ExposureCycleListener* listener) { m_listener = listener; }
    // "Exposure Time", "Manual Mode" and "Perfomance Mode", read when the main window is
    // created (the time through the edit's range) and written back when it goes.
    void loadSettings(const SettingsStore& store);
    void saveSettings(SettingsStore& store) const;

    bool StartCycle();
    void AbortCycle();
    // The main window's timer; false for identifiers that are not the cycle's.
    bool onTimer(int timerId);
    // WM_COPYDATA to the main window; always 1. During GetRawBuffer the frame is only
    // copied and processed once the call has returned, so a tool may call a driver
    // from its frame step while the server no longer waits for this message.
    LRESULT onCopyData(WPARAM word, const COPYDATASTRUCT* data);

    // Exposure bar commands.
    void exposureTimeChanged(std::int32_t hundredths);
    void pressButton();
    void setManualMode(bool checked);
    // Edit, "Manual Mode" and the button: only while the camera's Connected read true
    // (as last read: on every tick and after driver changes).
    bool controlsEnabled() const;

    // The image window, or null; closed by a driver change or the user's close box.
    // The next frame opens a new one.
    ImageWindow* imageWindow() const { return m_imageWindow.get(); }
    void closeImageWindow();

    HWND mainWindowHandle() const { return m_mainWindow; }
    bool exposing() const { return m_exposing; }
    int ticks() const { return m_ticks; }
    double exposureSeconds() const { return m_exposureSeconds; }
    std::int32_t exposureTime() const { return m_exposureTime; }
    bool manualMode() const { return m_manualMode; }
    bool performanceMode() const { return m_performanceMode != 0; }
    void setPerformanceMode(std::int32_t mode) { m_performanceMode = mode; }
    double cycleTime() const { return m_cycleTime; }

    int progressRange() const { return m_progressRange; }
    int progressPosition() const { return m_progressPosition; }
    bool progressVisible() const { return m_exposureTime != 0; }
    bool durationTextVisible() const { return m_exposureTime == 0; }
    const std::string& durationText() const { return m_durationText; }
    std::string buttonText() const;
    // Status pane 1 (" [Cycle: %.1f sec.] ", empty without an image window) and the
    // width of pane 6.
    std::string cycleTimeText() const;
    int pane6Width() const { return m_pane6Width; }

private:
    IDispatch* camera() const;
    void showRest();
    void showTicks();
    void finishCycle();
    void fetchImageArray();
    void fetchRawBuffer();
    void handFrame(std::span<const std::int32_t> samples, const FrameGeometry& geometry);
    void runDelivered(bool accepted);
    bool openImageWindow(const FrameGeometry& geometry);
    void notifyBar();

    DriverBinding& m_binding;
    ExposureTimer& m_timer;
    const HighResolutionClock& m_clock;
    SettingsStore& m_store;
    const ImageGeometry& m_geometry;
    PlaneColours& m_planes;
    Reticle* m_reticle;
    ExposureCycleListener* m_listener = nullptr;
    HWND m_mainWindow{};

    bool m_exposing = false;
    int m_ticks = 0;
    std::int64_t m_qpcStart = 0;
    std::int64_t m_qpcEnd = 0;
    std::int64_t m_qpcFrequency = 1;
    double m_cycleTime = 0.0;
    std::int32_t m_performanceMode = 0;
    bool m_manualMode = true;
    std::int32_t m_exposureTime = 0;
    double m_exposureSeconds = 0.0;
    int m_progressRange = 0;
    int m_progressPosition = 0;
    std::string m_durationText;
    int m_pane6Width = kRestingPane6Width;

    std::unique_ptr<ImageWindow> m_imageWindow;
    bool m_delivering = false;   // a frame is inside the window's pipeline
    bool m_closePending = false; // closed from inside a delivery: done once it returns
    std::vector<std::int32_t> m_scratch;
    bool m_inRawBufferCall = false;
    bool m_acceptedDuringCall = false; // the message's frame is already in the camera buffer
    std::vector<std::int32_t> m_pendingSamples; // a frame copied during GetRawBuffer
    std::optional<FrameGeometry> m_pendingGeometry;
};

} // namespace velmora::client
