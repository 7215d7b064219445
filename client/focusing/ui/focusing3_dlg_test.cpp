// The focusing window offscreen in the main window, over in-process fake drivers with
// a scripted focuser.
#include "client/focusing/ui/focusing3_dlg.h"

#include "client/devices/fake_drivers.h"
#include "client/devices/high_resolution_clock.h"
#include "client/focusing/diameter_drawing.h"
#include "client/focusing/fake_focuser.h"
#include "client/focusing/focusing_panel.h"
#include "client/focusing/focusing_tool.h"
#include "client/focusing/ui/diameter_graph.h"
#include "client/image/image_window.h"
#include "client/shell/command_ids.h"
#include "client/shell/memory_settings_store.h"
#include "client/shell/ui/main_frame.h"
#include "client/shell/user_paths.h"
#include "common/ui/control_form.h"
#include "common/ui/my_edit.h"
#include "platform/automation/apartment.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmora::client;
using namespace velmora;
namespace fd = velmora::client::focusing_dlg;

namespace {

struct StepClock : HighResolutionClock {
    std::int64_t counter() const override { return now += 100; }
    std::int64_t frequency() const override { return 1000; }
    mutable std::int64_t now = 0;
};

struct NoDisk : FreeSpaceQuery {
    std::optional<std::uint64_t> freeBytes(const std::string&) const override { return std::nullopt; }
};

class Focusing3DlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        drivers = std::make_unique<fakes::FakeDrivers>("Fake.FocusingUi", store);
        focuserClass = fakes::registerFakeFocuser("Fake.FocusingUiFocuser", &focuser);
        store.writeString("Drivers", "Focuser", "Fake.FocusingUiFocuser");
        drivers->camera.geometry = {64, 48, 1};
        drivers->camera.render = [](std::vector<std::int32_t>& samples, const FrameGeometry& g) {
            std::fill(samples.begin(), samples.end(), 10);
            samples[static_cast<std::size_t>(30 + g.width * 20)] = 250;
        };
        frame = std::make_unique<CMainFrame>(store, clock, disk);
        registerFocusingWindow(*frame);
        frame->show();
    }
    void TearDown() override
    {
        frame.reset();
        focuserClass.reset();
        drivers.reset();
        CoUninitialize();
    }
    void exposeOnce()
    {
        frame->core().cycle().StartCycle();
        frame->core().cycle().onTimer(ExposureCycle::kTimerId);
        QCoreApplication::processEvents();
    }
    CFocusing3Dlg* focusingWindow()
    {
        ImageWindow* image = frame->core().imageWindow();
        MeasurementTool* tool = image != nullptr ? image->toolOfSection("Focusing-3") : nullptr;
        return tool != nullptr ? static_cast<CFocusing3Dlg*>(frame->toolWindow(*tool)) : nullptr;
    }
    CFocusing3Dlg& openFocusing()
    {
        exposeOnce();
        frame->refreshCommandStates();
        frame->action(kCommandFocusing)->trigger();
        CFocusing3Dlg* window = focusingWindow();
        EXPECT_NE(window, nullptr);
        return *window;
    }
    // What the window's timer does on each expiry.
    void tick(CFocusing3Dlg& window)
    {
        window.focusingTool().onTimer(FocusingTool::kTimerId);
        window.refresh();
    }
    template <typename T> T* control(CFocusing3Dlg& window, int id)
    {
        return window.form()->controlAs<T>(id);
    }
    void type(CFocusing3Dlg& window, int id, const char* text)
    {
        auto* edit = control<common::CMyEdit>(window, id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    void check(CFocusing3Dlg& window, int id)
    {
        auto* box = control<QAbstractButton>(window, id);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }

    MemorySettingsStore store;
    StepClock clock;
    NoDisk disk;
    fakes::FakeFocuserScript focuser;
    std::unique_ptr<fakes::FakeDrivers> drivers;
    std::unique_ptr<automation::InProcessClass> focuserClass;
    std::unique_ptr<CMainFrame> frame;
};

// Every control whose value a run depends on.
const int kLockedWhileRunning[] = {
    fd::kFirstPosition, fd::kSecondPosition, fd::kCenterPosition, fd::kMeasuringStep, fd::kThresholdLevel,
    fd::kBacklashStep,  fd::kUseBacklash,    fd::kMedianNumber,   fd::kUseMedian,     fd::kLinearNumber,
    fd::kUseLinear,     fd::kFirstCur,       fd::kSecondCur,      fd::kCenterCur,     fd::kApply};

} // namespace

TEST_F(Focusing3DlgTest, OpensOnlyWhileTheFocuserIsLinkedAndOnce)
{
    exposeOnce();
    focuser.link = false;
    frame->core().binding().refreshConnectionStates();
    frame->refreshCommandStates();
    EXPECT_FALSE(frame->action(kCommandFocusing)->isEnabled());
    frame->action(kCommandFocusing)->trigger();
    EXPECT_EQ(focusingWindow(), nullptr);

    focuser.link = true;
    frame->core().binding().refreshConnectionStates();
    frame->refreshCommandStates();
    ASSERT_TRUE(frame->action(kCommandFocusing)->isEnabled());
    frame->action(kCommandFocusing)->trigger();
    CFocusing3Dlg* window = focusingWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Focusing-3");
    EXPECT_EQ(frame->windowTitle(), "Velmora Nebrix Client - Focusing-3");
    EXPECT_TRUE(window->timer().isRunning(FocusingTool::kTimerId));
    EXPECT_EQ(control<QLabel>(*window, fd::kDefocusingZone)->text(), "Defocusing Zone - 2 Steps")
        << "F = 1000 / 200 by default, StepSize 10: trunc(2.83)";
    EXPECT_EQ(window->focusingTool().run().maxStep(), 1000) << "read through the driver";
    frame->refreshCommandStates();
    EXPECT_TRUE(frame->action(kCommandFocusing)->isChecked());

    frame->core().imageWindow()->previewTool().Activate();
    frame->action(kCommandFocusing)->trigger();
    EXPECT_EQ(focusingWindow(), window) << "a second command brings the same window to the front";
    EXPECT_TRUE(window->focusingTool().isActive());
    EXPECT_EQ(frame->core().imageWindow()->toolCount(), 2);
}

TEST_F(Focusing3DlgTest, MembersTheDriverCannotAnswerTakeTheirFallbacks)
{
    focuser.focuser.maxStepValue = std::nullopt;
    focuser.focuser.maxIncrementValue = -1;
    focuser.focuser.stepSizeValue = std::nullopt;
    CFocusing3Dlg& window = openFocusing();
    EXPECT_EQ(window.focusingTool().run().maxStep(), 999999);
    EXPECT_EQ(window.focusingTool().run().maxIncrement(), 999999);
    EXPECT_EQ(control<common::CMyEdit>(window, fd::kFirstPosition)->field().maximum(), 999999);
    EXPECT_EQ(control<QLabel>(window, fd::kDefocusingZone)->text(), "Defocusing Zone - Not Defined");
    focuser.focuser.motor = 77;
    focuser.focuser.failPositionReads = 1;
    tick(window);
    EXPECT_EQ(control<QLineEdit>(window, fd::kMotorPosition)->text(), "0")
        << "a failed read shows nothing new";
    tick(window);
    EXPECT_EQ(control<QLineEdit>(window, fd::kMotorPosition)->text(), "77");
}

TEST_F(Focusing3DlgTest, StartLocksTheSettingsCurAndApplyAndStopReleasesThem)
{
    CFocusing3Dlg& window = openFocusing();
    for (int id : kLockedWhileRunning)
        EXPECT_TRUE(control<QWidget>(window, id)->isEnabled()) << id;
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    ASSERT_TRUE(window.focusingTool().running());
    EXPECT_EQ(window.startButton()->text(), "Stop");
    for (int id : kLockedWhileRunning)
        EXPECT_FALSE(control<QWidget>(window, id)->isEnabled()) << id;
    tick(window);
    EXPECT_EQ(focuser.focuser.moves, (std::vector<int>{100}));
    EXPECT_EQ(focuser.moveArgumentTypes, (std::vector<VARTYPE>{VT_I4}));
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    EXPECT_FALSE(window.focusingTool().running());
    EXPECT_EQ(window.startButton()->text(), "Start");
    for (int id : kLockedWhileRunning)
        EXPECT_TRUE(control<QWidget>(window, id)->isEnabled()) << id;
    // Stopped before any fit: the middle of the range.
    EXPECT_EQ(control<QLineEdit>(window, fd::kCurrentFocus)->text(), "500");
    EXPECT_EQ(control<QLineEdit>(window, fd::kCurrentBacklash)->text(), "0");
}

TEST_F(Focusing3DlgTest, CurCopiesTheMotorPosition)
{
    CFocusing3Dlg& window = openFocusing();
    focuser.focuser.motor = 345;
    tick(window);
    EXPECT_EQ(control<QLineEdit>(window, fd::kMotorPosition)->text(), "345");
    QTest::mouseClick(control<QAbstractButton>(window, fd::kFirstCur), Qt::LeftButton);
    EXPECT_EQ(control<common::CMyEdit>(window, fd::kFirstPosition)->value(), 345);
    focuser.focuser.motor = 612;
    tick(window);
    QTest::mouseClick(control<QAbstractButton>(window, fd::kCenterCur), Qt::LeftButton);
    QTest::mouseClick(control<QAbstractButton>(window, fd::kSecondCur), Qt::LeftButton);
    EXPECT_EQ(window.focusingTool().run().settings().centerPosition, 612);
    EXPECT_EQ(control<common::CMyEdit>(window, fd::kSecondPosition)->value(), 612);
    EXPECT_EQ(control<common::CMyEdit>(window, fd::kFirstPosition)->value(), 345);
}

TEST_F(Focusing3DlgTest, SettingsRoundTripThroughTheSection)
{
    CFocusing3Dlg& window = openFocusing();
    type(window, fd::kFirstPosition, "150");
    type(window, fd::kSecondPosition, "420");
    type(window, fd::kCenterPosition, "520");
    type(window, fd::kMeasuringStep, "20");
    type(window, fd::kThresholdLevel, "140");
    type(window, fd::kBacklashStep, "40");
    type(window, fd::kMedianNumber, "7");
    type(window, fd::kLinearNumber, "9");
    check(window, fd::kUseBacklash);
    check(window, fd::kUseMedian);
    check(window, fd::kUseLinear);
    EXPECT_EQ(control<common::CMyEdit>(window, fd::kThresholdLevel)->value(), 100) << "a percentage";
    window.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(focusingWindow(), nullptr);
    const std::pair<const char*, int> stored[] = {
        {"First Position", 150},  {"Second Position", 420}, {"Center Position", 520}, {"Measuring Step", 20},
        {"Threshold Level", 100}, {"Backlash Step", 40},    {"Use Backlash", 1},      {"Median Number", 7},
        {"Use Median Filter", 1}, {"Linear Number", 9},     {"Use Linear Filter", 1}};
    for (const auto& [name, value] : stored)
        EXPECT_EQ(store.readInt("Focusing-3", name, -1), value) << name;

    frame->action(kCommandFocusing)->trigger();
    CFocusing3Dlg* again = focusingWindow();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(control<common::CMyEdit>(*again, fd::kFirstPosition)->value(), 150);
    EXPECT_EQ(control<common::CMyEdit>(*again, fd::kMeasuringStep)->value(), 20);
    EXPECT_EQ(control<common::CMyEdit>(*again, fd::kLinearNumber)->value(), 9);
    EXPECT_TRUE(control<QAbstractButton>(*again, fd::kUseMedian)->isChecked());
    EXPECT_TRUE(control<QAbstractButton>(*again, fd::kUseBacklash)->isChecked());
}

TEST_F(Focusing3DlgTest, ClosingWhileRunningStopsTheRunAndKeepsTheShownRange)
{
    CFocusing3Dlg& window = openFocusing();
    type(window, fd::kFirstPosition, "700");
    type(window, fd::kSecondPosition, "900");
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    EXPECT_EQ(control<common::CMyEdit>(window, fd::kFirstPosition)->value(), 100) << "mirrored and swapped";
    EXPECT_EQ(control<common::CMyEdit>(window, fd::kSecondPosition)->value(), 300);
    tick(window);
    window.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->core().imageWindow()->toolCount(), 1) << "detached";
    EXPECT_EQ(store.readInt("Focusing-3", "First Position", -1), 100);
    EXPECT_EQ(store.readInt("Focusing-3", "Second Position", -1), 300);
    const std::size_t moves = focuser.focuser.moves.size();
    exposeOnce();
    EXPECT_EQ(focuser.focuser.moves.size(), moves);
}

TEST_F(Focusing3DlgTest, TheGraphShowsThePointsAsPixels)
{
    CFocusing3Dlg& window = openFocusing();
    type(window, fd::kMeasuringStep, "100");
    frame->core().imageWindow()->clickAt({30, 20});
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    for (int i = 0; i < 6; ++i) { // three points of the near side: 100, 200, 300
        tick(window);
        exposeOnce();
    }
    const FocusingTool& tool = window.focusingTool();
    ASSERT_EQ(tool.graph().series(0).count(), 3);
    const CDiameterGraph& view = *window.graphView();
    EXPECT_EQ(view.image().size(), QSize(CDiameterGraph::kWidth, CDiameterGraph::kHeight));
    const GraphDrawing drawing = drawDiameterGraph(tool.graph(), view.drawingWidth(), view.drawingHeight());
    int points = 0;
    for (const GraphLine& line : drawing.lines) {
        if (line.colour != diameter_colours::kForwardPoint)
            continue;
        ++points;
        EXPECT_EQ(view.image().pixelColor(line.from.x, line.from.y), QColor(255, 255, 0));
    }
    EXPECT_EQ(points, 3);
    EXPECT_EQ(view.image().pixelColor(view.width() - 1, 0), QColor(Qt::black));
}
