#pragma once
// The main frame's behaviour (CMainFrame without its windows): the program's optics
// and plane table, the driver binding and the exposure cycle with the one image
// window, the commands with their routing (active image window → its tool windows
// from the front → main frame), enabling and check marks, the bar controls' owners,
// the status panes, the window titles, the dialog bars' flags, and the order of
// start-up and shutdown. Views listen to it; nothing here calls a driver to answer
// whether something is enabled.

#include "client/devices/driver_binding.h"
#include "client/devices/exposure_cycle.h"
#include "client/image/command_state.h"
#include "client/image/image_geometry.h"
#include "client/image/plane_colours.h"
#include "client/image/reticle.h"
#include "client/image/window_mapping.h"
#include "client/shell/dialog_bars.h"
#include "client/shell/hardware_optics.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::client {

class ExposureTimer;
class FreeSpaceQuery;
class HighResolutionClock;
class MeasurementTool;
class PlaneChoices;
class SettingsStore;

// What the core asks of the main window itself.
class MainFrameWindow {
public:
    virtual ~MainFrameWindow() = default;
    virtual void beginWaitCursor() = 0;
    virtual void endWaitCursor() = 0;
    virtual void minimiseMainWindow() = 0;
    virtual void restoreMainWindow() = 0;
};

// What the views hear.
class MainFrameListener {
public:
    virtual ~MainFrameListener() = default;
    virtual void exposureBarChanged() {}
    virtual void imageWindowOpened(ImageWindow& /*window*/) {}
    // Close every tool window of it now: the window goes next.
    virtual void imageWindowClosing(ImageWindow& /*window*/) {}
    virtual void frameDelivered(ImageWindow& /*window*/) {}
    // A toolbar, bar or the status bar is to be shown or hidden.
    virtual void barVisibilityChanged(int /*commandId*/, bool /*visible*/) {}
    // The optics changed: the hardware bar's fields and results follow.
    virtual void hardwareChanged() {}
};

// A kind of tool window an image window opens by command (guiding, focusing, capture).
struct ToolWindowKind {
    int commandId = 0;
    std::string section;                                // the tool's section and name
    std::function<void(ImageWindow&)> open;             // a new window attached to this image window
    std::function<void(MeasurementTool&)> bringToFront; // the existing one's window
};

// A part of the main frame built outside it (the screenshot bar's handlers): it hears
// what the views hear, before them, and takes the bar controls it handles. The frame
// owns it and lets it go last.
class MainFramePart : public MainFrameListener {
public:
    virtual bool handlesControl(int controlId) const = 0;
    virtual bool controlEnabled(int controlId) const = 0;
    virtual bool applyControl(int controlId, int value) = 0;
};

// The hardware bar's controls.
namespace hardware_bar {
constexpr int kPixelWidth = 1032;
constexpr int kPixelHeight = 1034;
constexpr int kFocalLength = 1036;
constexpr int kAperture = 1038;
constexpr int kGetFromHardware = 1031;
constexpr int kResolution = 1040;
constexpr int kFocalRatio = 1041;
constexpr int kScaleX = 1042;
constexpr int kScaleY = 1043;
constexpr int kFieldOfViewX = 1044;
constexpr int kFieldOfViewY = 1045;
constexpr int kSetPlaneColors = 1047;
constexpr int kDigitCapacity = 1048;
} // namespace hardware_bar

// The exposure bar's controls.
namespace exposure_bar {
constexpr int kExposureTime = 1000;
constexpr int kProgress = 1002;
constexpr int kDuration = 1003;
constexpr int kManualMode = 1004;
constexpr int kButton = 1005;
} // namespace exposure_bar

class MainFrame : private DriverBindingWindow, private ExposureCycleListener {
public:
    static constexpr const char* kTitle = "Velmora Nebrix Client";
    static constexpr int kStatusPaneCount = 8;
    static constexpr int kFreeSpacePane = 7;
    // The saved layout of toolbars and bars: one block in section "Toolbars-Summary".
    static constexpr const char* kBarLayoutSection = "Toolbars-Summary";
    static constexpr const char* kBarLayoutValue = "State";

    MainFrame(SettingsStore& store, MainFrameWindow& window, ExposureTimer& timer,
              const HighResolutionClock& clock, const FreeSpaceQuery& freeSpace);
    ~MainFrame() override;
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    void addListener(MainFrameListener& listener);
    void removeListener(MainFrameListener& listener);

    // ---- Start-up and shutdown -------------------------------------------------
    // Before the bars dock: their "not dockable" flags.
    const DialogBarFlags& barFlags() const { return m_barFlags; }
    DialogBarFlags& barFlags() { return m_barFlags; }
    std::optional<std::vector<std::uint8_t>> savedBarLayout() const;
    // After the bars: hardware fields and optics, the exposure controls and
    // "Perfomance Mode", then the drivers bound and connected.
    void start();
    // The image window (its tools first), the bar layout, every setting, then the
    // drivers disconnected and released; idempotent.
    void shutDown(const std::function<std::vector<std::uint8_t>()>& barLayout);

    // ---- Parts -----------------------------------------------------------------
    DriverBinding& binding() { return m_binding; }
    const DriverBinding& binding() const { return m_binding; }
    ExposureCycle& cycle() { return *m_cycle; }
    const ExposureCycle& cycle() const { return *m_cycle; }
    ImageWindow* imageWindow() const { return m_cycle->imageWindow(); }
    const ImageGeometry& geometry() const { return m_geometry; }
    PlaneColours& planeColours() { return m_planes; }
    const HardwareOptics& optics() const { return m_optics; }
    Reticle& reticle() { return m_reticle; }
    const Reticle& reticle() const { return m_reticle; }
    SettingsStore& store() { return m_store; }

    // ---- Commands ----------------------------------------------------------------
    void registerToolWindow(ToolWindowKind kind);
    void addPart(std::unique_ptr<MainFramePart> part);
    CommandState commandState(int commandId) const;
    // False when no handler took it (the view's own commands: exit, about, help).
    bool execute(int commandId);
    // The view reports what the user did to a bar or toolbar directly.
    void setBarVisible(int commandId, bool visible);
    bool barVisible(int commandId) const;

    // ---- Bar controls ---------------------------------------------------------------
    // Enabled when a handler is reachable and its rules allow it; controls whose
    // handlers this program does not have yet are disabled.
    bool controlEnabled(int controlId) const;
    // A committed value, a check state, a selection or a click, routed to the active
    // image window's active tool, the image window, then the main frame. False when
    // nobody handles the control.
    bool applyControl(int controlId, int value);
    // The text of a read-only hardware result (1040–1045); FOV only with an image window.
    std::string hardwareResultText(int controlId) const;
    // "Set Plane Colors" confirmed: the table, then a redraw.
    void applyPlaneChoices(const PlaneChoices& choices);

    // ---- Titles and status panes -------------------------------------------------
    std::string mainWindowTitle() const;
    std::string processingBarCaption() const;
    // Pane 1…7 (pane 0 is the framework's prompts); empty when their source is absent.
    std::string statusPane(int pane) const;
    int statusPaneWidth(int pane) const;
    // The image pixel under the cursor, or none when it is not over the image.
    void setCursorPixel(std::optional<ImagePoint> pixel) { m_cursor = pixel; }

private:
    // DriverBindingWindow.
    void beginWaitCursor() override { m_window.beginWaitCursor(); }
    void endWaitCursor() override { m_window.endWaitCursor(); }
    void minimiseMainWindow() override { m_window.minimiseMainWindow(); }
    void restoreMainWindow() override { m_window.restoreMainWindow(); }
    void abortExposureCycle() override { m_cycle->AbortCycle(); }
    bool hasImageWindow() const override { return imageWindow() != nullptr; }
    void closeImageWindow() override { m_cycle->closeImageWindow(); }
    bool imageWindowIsActive() const override { return hasImageWindow(); }
    int toolDialogsAttached() const override;
    // ExposureCycleListener.
    void exposureBarChanged() override;
    void imageWindowOpened(ImageWindow& window) override;
    void imageWindowClosing(ImageWindow& window) override;
    void frameDelivered(ImageWindow& window) override;

    void notify(const std::function<void(MainFrameListener&)>& fn);
    const ToolWindowKind* toolKind(int commandId) const;
    MainFramePart* partFor(int controlId) const;
    std::optional<CommandState> toolCommandState(int commandId) const;
    std::optional<CommandState> imageWindowCommandState(int commandId) const;
    CommandState frameCommandState(int commandId) const;
    bool executeOnImageWindow(int commandId);
    bool executeOnFrame(int commandId);
    bool applyHardwareControl(int controlId, int value);
    bool applyExposureControl(int controlId, int value);
    void getFromHardware();
    void opticsChanged();
    // The fields and reticle bars (main_frame_image_bars.cpp): handled by the image window.
    std::optional<bool> imageBarControlEnabled(int controlId) const;
    bool applyImageBarControl(ImageWindow& window, int controlId, int value);

    SettingsStore& m_store;
    MainFrameWindow& m_window;
    const FreeSpaceQuery& m_freeSpace;
    ImageGeometry m_geometry;
    PlaneColours m_planes;
    Reticle m_reticle{m_geometry};
    HardwareOptics m_optics;
    DialogBarFlags m_barFlags;
    DriverBinding m_binding;
    std::unique_ptr<ExposureCycle> m_cycle;
    std::vector<ToolWindowKind> m_toolKinds;
    std::map<int, bool> m_barVisible;
    std::optional<ImagePoint> m_cursor;
    std::vector<MainFrameListener*> m_listeners;
    bool m_started = false;
    bool m_shutDown = false;
    std::vector<std::unique_ptr<MainFramePart>> m_parts; // last: they may hear the shutdown
};

} // namespace velmora::client
