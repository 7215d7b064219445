#include "client/shell/main_frame.h"

#include "client/devices/exposure_timer.h"
#include "client/devices/fake_drivers.h"
#include "client/devices/high_resolution_clock.h"
#include "client/image/image_window.h"
#include "client/image/plane_choices.h"
#include "client/image/processing_bar.h"
#include "client/shell/command_ids.h"
#include "client/shell/memory_settings_store.h"
#include "client/shell/user_paths.h"
#include "platform/automation/apartment.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace velmora::client;
using namespace velmora;
namespace pb = velmora::client::processing_bar;

namespace {

struct FakeTimer : ExposureTimer {
    void startTimer(int, int) override { running = true; }
    void killTimer(int) override { running = false; }
    bool running = false;
};

struct FakeClock : HighResolutionClock {
    std::int64_t counter() const override { return now; }
    std::int64_t frequency() const override { return 1000; }
    std::int64_t now = 0;
};

struct FakeFreeSpace : FreeSpaceQuery {
    std::optional<std::uint64_t> freeBytes(const std::string& folder) const override
    {
        asked = folder;
        return bytes;
    }
    std::optional<std::uint64_t> bytes = 5ull * 1048576 + 1048575;
    mutable std::string asked;
};

struct RecordingWindow : MainFrameWindow {
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    void minimiseMainWindow() override { log += "minimise;"; }
    void restoreMainWindow() override { log += "restore;"; }
    std::string log;
};

struct RecordingListener : MainFrameListener {
    void imageWindowOpened(ImageWindow&) override { log += "opened;"; }
    void imageWindowClosing(ImageWindow& window) override
    {
        log += "closing(" + std::to_string(window.toolCount()) + ");";
    }
    void barVisibilityChanged(int id, bool visible) override
    {
        log += "bar " + std::to_string(id) + (visible ? " shown;" : " hidden;");
    }
    void hardwareChanged() override { ++hardware; }
    std::string log;
    int hardware = 0;
};

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        drivers = std::make_unique<fakes::FakeDrivers>("Fake.Frame", store);
        frame = std::make_unique<MainFrame>(store, window, timer, clock, freeSpace);
        frame->addListener(listener);
    }
    void TearDown() override
    {
        frame.reset();
        drivers.reset();
        CoUninitialize();
    }
    // One exposure through the fake camera, ready at once.
    void exposeOnce()
    {
        frame->cycle().StartCycle();
        clock.now += 60;
        frame->cycle().onTimer(ExposureCycle::kTimerId);
    }

    std::unique_ptr<fakes::FakeDrivers> drivers;
    MemorySettingsStore store;
    RecordingWindow window;
    FakeTimer timer;
    FakeClock clock;
    FakeFreeSpace freeSpace;
    RecordingListener listener;
    std::unique_ptr<MainFrame> frame;
};

} // namespace

TEST_F(MainFrameTest, WithoutAnImageWindowThePanesAreEmptyAndTheWindowsCommandsOff)
{
    frame->start();
    EXPECT_EQ(frame->mainWindowTitle(), "Velmora Nebrix Client");
    EXPECT_EQ(frame->processingBarCaption(), "");
    for (int pane = 1; pane < MainFrame::kStatusPaneCount; ++pane)
        EXPECT_EQ(frame->statusPane(pane), "") << pane;
    for (int id : {kCommandGuiding, kCommandFocusing, kCommandCapture, kCommandFitToWindow})
        EXPECT_FALSE(frame->commandState(id).enabled) << id;
    for (int id : {pb::kSquareEdit, pb::kDetect, pb::kApplyHistogram, 1054, 1026, 1202, 1047, 1048})
        EXPECT_FALSE(frame->controlEnabled(id)) << id;
    EXPECT_TRUE(frame->controlEnabled(exposure_bar::kButton)) << "the camera is bound and connected";
    EXPECT_TRUE(frame->controlEnabled(hardware_bar::kPixelWidth));
    EXPECT_TRUE(frame->commandState(kCommandChooseFocuser).enabled);
    EXPECT_FALSE(frame->commandState(kCommandFocuserSetup).enabled) << "no focuser bound";
    EXPECT_TRUE(frame->commandState(kCommandCameraSetup).enabled);
    EXPECT_EQ(frame->commandState(kCommandProcessingBar), (CommandState{true, true}));
    EXPECT_FALSE(frame->execute(kCommandGuiding));
}

TEST_F(MainFrameTest, TheFirstFrameOpensTheWindowAndItsPreviewDrivesTitlesAndPanes)
{
    frame->start();
    store.writeString("Capture", "Folder Name", "~/captures");
    setenv("HOME", "/home/observer", 1);
    exposeOnce();
    ASSERT_NE(frame->imageWindow(), nullptr);
    EXPECT_EQ(listener.log, "opened;");
    EXPECT_EQ(frame->mainWindowTitle(), "Velmora Nebrix Client - Preview");
    EXPECT_EQ(frame->processingBarCaption(), "<< Preview Settings >>");
    EXPECT_EQ(frame->statusPane(1), " [Cycle: 0.1 sec.] ");
    EXPECT_EQ(frame->statusPane(2), frame->imageWindow()->previewTool().fwhmText());
    EXPECT_EQ(frame->statusPane(2).rfind(" [FWHM - ", 0), 0u);
    EXPECT_EQ(frame->statusPane(3), " [8x6x1] ");
    EXPECT_EQ(frame->statusPane(4), "") << "the cursor is not over the image";
    frame->setCursorPixel(ImagePoint{3, 2});
    EXPECT_EQ(frame->statusPane(4), " [3;2] ");
    EXPECT_EQ(frame->statusPane(6), " [Plane 1: " + std::to_string(19 * 257) + ";] ");
    EXPECT_EQ(frame->statusPane(7), " [5 Mb Free] ");
    EXPECT_EQ(freeSpace.asked, "/home/observer/captures");
    freeSpace.bytes.reset();
    EXPECT_EQ(frame->statusPane(7), "") << "a failed query shows an empty pane";
    EXPECT_EQ(frame->statusPaneWidth(6), 85);
    EXPECT_EQ(frame->statusPaneWidth(5), 100);
    EXPECT_TRUE(frame->controlEnabled(pb::kSquareEdit));
    EXPECT_FALSE(frame->controlEnabled(1054)) << "dark calibration has no handler here";
    EXPECT_TRUE(frame->applyControl(pb::kSquareEdit, 20));
    EXPECT_EQ(frame->imageWindow()->previewTool().settings().squareSize, 6) << "lowered to the frame";
    EXPECT_TRUE(frame->applyControl(hardware_bar::kDigitCapacity, 12));
    EXPECT_EQ(frame->imageWindow()->digitCapacity(), 12);
    EXPECT_TRUE(frame->commandState(kCommandFitToWindow).enabled);
    EXPECT_TRUE(frame->execute(kCommandFitToWindow));
    EXPECT_TRUE(frame->commandState(kCommandFitToWindow).checked);
}

TEST_F(MainFrameTest, ToolWindowsOpenOnceAndShowCheckedWhileActive)
{
    frame->start();
    exposeOnce();
    ImageWindow& image = *frame->imageWindow();
    std::unique_ptr<MeasurementTool> capture;
    int raised = 0;
    frame->registerToolWindow({kCommandCapture, "Capture",
                               [&](ImageWindow& w) {
                                   capture = std::make_unique<MeasurementTool>("Capture", w.pipeline(),
                                                                               frame->store(), frame->geometry());
                                   capture->Activate();
                               },
                               [&](MeasurementTool&) { ++raised; }});
    EXPECT_EQ(frame->commandState(kCommandCapture), (CommandState{true, false}));
    EXPECT_FALSE(frame->commandState(kCommandGuiding).enabled) << "no guiding window kind here";
    ASSERT_TRUE(frame->execute(kCommandCapture));
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(frame->commandState(kCommandCapture), (CommandState{true, true}));
    EXPECT_EQ(frame->mainWindowTitle(), "Velmora Nebrix Client - Capture");
    EXPECT_FALSE(frame->commandState(kCommandCameraSetup).enabled) << "setup only with the preview alone";
    image.previewTool().Activate();
    EXPECT_EQ(frame->commandState(kCommandCapture), (CommandState{true, false}));
    MeasurementTool* first = capture.get();
    ASSERT_TRUE(frame->execute(kCommandCapture));
    EXPECT_EQ(capture.get(), first) << "the existing window comes to the front";
    EXPECT_EQ(raised, 1);
    EXPECT_TRUE(capture->isActive());

    // The guiding kind needs a connected telescope, read when the drivers changed.
    frame->registerToolWindow({kCommandGuiding, "Guiding", [](ImageWindow&) {}, {}});
    EXPECT_TRUE(frame->commandState(kCommandGuiding).enabled);
    drivers->telescope.connected = false;
    frame->binding().refreshConnectionStates();
    EXPECT_FALSE(frame->commandState(kCommandGuiding).enabled);

    // Shutdown: the views hear of the window while its tools are still attached.
    frame->shutDown([] { return std::vector<std::uint8_t>{1, 2, 3}; });
    EXPECT_EQ(listener.log, "opened;closing(2);");
    EXPECT_EQ(capture->isActive(), false) << "closed with its window";
    EXPECT_EQ(store.readBinary("Toolbars-Summary", "State"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(MainFrameTest, AToolInFrontTakesACommandBeforeTheWindowAndTheFrame)
{
    frame->start();
    exposeOnce();
    struct Claiming : MeasurementTool {
        using MeasurementTool::MeasurementTool;
        std::optional<CommandState> commandState(int id) const override
        {
            return id == kCommandFitToWindow ? std::optional<CommandState>({true, true}) : std::nullopt;
        }
        bool handleCommand(int id) override
        {
            handled += id == kCommandFitToWindow;
            return id == kCommandFitToWindow;
        }
        int handled = 0;
    };
    Claiming tool("Focusing-3", frame->imageWindow()->pipeline(), store, frame->geometry());
    tool.Activate();
    EXPECT_EQ(frame->commandState(kCommandFitToWindow), (CommandState{true, true}));
    EXPECT_TRUE(frame->execute(kCommandFitToWindow));
    EXPECT_EQ(tool.handled, 1);
    EXPECT_FALSE(frame->imageWindow()->fitToWindow()) << "the window never saw it";
    tool.close();
}

TEST_F(MainFrameTest, BarTogglesAndTheHardwareBar)
{
    frame->start();
    EXPECT_EQ(listener.hardware, 1) << "the optics are computed at start-up";
    EXPECT_TRUE(frame->execute(kCommandProcessingBar));
    EXPECT_EQ(frame->commandState(kCommandProcessingBar), (CommandState{true, false}));
    frame->setBarVisible(kCommandStatusBar, false);
    EXPECT_FALSE(frame->commandState(kCommandStatusBar).checked);
    EXPECT_TRUE(frame->execute(kCommandStatusBar));
    EXPECT_EQ(listener.log, "bar 40018 hidden;bar 59393 shown;");
    EXPECT_FALSE(frame->commandState(40016).enabled) << "no such bar";

    EXPECT_EQ(frame->hardwareResultText(hardware_bar::kFocalRatio), "5.00");
    EXPECT_EQ(frame->hardwareResultText(hardware_bar::kFieldOfViewX), "") << "no image window";
    EXPECT_TRUE(frame->applyControl(hardware_bar::kFocalLength, 2000));
    EXPECT_EQ(frame->hardwareResultText(hardware_bar::kFocalRatio), "10.00");
    EXPECT_EQ(frame->hardwareResultText(hardware_bar::kScaleY), "0.57");
    EXPECT_NEAR(frame->geometry().sx(), 0.20626480648278825 * 5.6 / 2.0, 1e-12);
    EXPECT_DOUBLE_EQ(frame->geometry().focalRatio(), 10.0);
    EXPECT_EQ(listener.hardware, 2);
    exposeOnce();
    EXPECT_EQ(frame->hardwareResultText(hardware_bar::kFieldOfViewX),
              HardwareOptics::shownResult(8 * frame->geometry().sx() / 60).text());

    frame->barFlags().toggleDockable(DialogBar::Reticle);
    frame->shutDown({});
    EXPECT_EQ(store.readInt("Toolbars", "Reticle", 0), 1);
    EXPECT_EQ(store.readInt("Hardware", "Focal Length", 0), 2000);
    EXPECT_EQ(store.readString("Drivers", "Focuser", ""), "Missing.Focuser") << "written back unchanged";
    EXPECT_FALSE(store.readBinary("Toolbars-Summary", "State")) << "no layout given";
    EXPECT_EQ(frame->binding().driver(DriverKind::Camera), nullptr);
}

TEST_F(MainFrameTest, PlaneChoicesReachTheTableAndPromptsSplitAtTheNewline)
{
    frame->start();
    exposeOnce();
    PlaneChoices choices(frame->planeColours());
    choices.setColour(0, PlaneColour::Red);
    choices.setCaption(0, "R");
    frame->applyPlaneChoices(choices);
    EXPECT_EQ(frame->planeColours().colour(0), PlaneColour::Red);
    EXPECT_EQ(frame->imageWindow()->planeColours().caption(0), "R");

    EXPECT_EQ(commandPrompt(kCommandGuiding), "Display guiding dialog");
    EXPECT_EQ(commandTooltip(kCommandGuiding), "Guiding");
    EXPECT_EQ(commandPrompt(kCommandChooseCamera), "Choose camera driver");
    EXPECT_EQ(commandTooltip(kCommandChooseCamera), "");
    EXPECT_EQ(commandPrompt(kCommandFitToWindow), "");
    EXPECT_EQ(commandTooltip(kCommandFitToWindow), "Fit To Window");
    EXPECT_EQ(commandPrompt(12345), "");
}

TEST(UserPathsTest, TildeStandsForTheHomeFolder)
{
    setenv("HOME", "/home/observer/", 1);
    EXPECT_EQ(expandUserPath("~/"), "/home/observer/");
    EXPECT_EQ(expandUserPath("~/DriftLog.txt"), "/home/observer/DriftLog.txt");
    EXPECT_EQ(expandUserPath("~"), "/home/observer/");
    EXPECT_EQ(expandUserPath("/data/~/x"), "/data/~/x");
    EXPECT_EQ(expandUserPath("~other/x"), "~other/x");
    unsetenv("HOME");
    EXPECT_EQ(expandUserPath("~/x"), "~/x");
    FileSystemFreeSpace disk;
    EXPECT_TRUE(disk.freeBytes("/"));
    EXPECT_FALSE(disk.freeBytes("/no/such/folder/here"));
}
