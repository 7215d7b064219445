// The guiding window offscreen in the main window, over in-process fake drivers.
#include "client/guiding/ui/guiding_dlg.h"

#include "client/devices/fake_drivers.h"
#include "client/devices/high_resolution_clock.h"
#include "client/guiding/guiding_panel.h"
#include "client/guiding/ui/graph_views.h"
#include "client/guiding/guiding_tool.h"
#include "client/image/image_window.h"
#include "client/shell/command_ids.h"
#include "client/shell/file_dialogs.h"
#include "client/shell/memory_settings_store.h"
#include "client/shell/test_doubles.h"
#include "client/shell/ui/main_frame.h"
#include "client/shell/user_paths.h"
#include "common/ui/control_form.h"
#include "common/ui/my_edit.h"
#include "platform/automation/apartment.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmora::client;
using namespace velmora;
namespace gd = velmora::client::guiding_dlg;

namespace {

class GuidingDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        drivers = std::make_unique<fakes::FakeDrivers>("Fake.GuidingUi", store);
        drivers->camera.geometry = {64, 48, 1};
        drivers->camera.render = [this](std::vector<std::int32_t>& samples, const FrameGeometry& g) {
            std::fill(samples.begin(), samples.end(), 10);
            samples[static_cast<std::size_t>(starX + g.width * 20)] = 250;
        };
        open();
    }
    void TearDown() override
    {
        frame.reset();
        drivers.reset();
        CoUninitialize();
    }
    void open()
    {
        frame = std::make_unique<CMainFrame>(store, clock, disk);
        registerGuidingWindow(*frame, clock, dialogs);
        frame->show();
    }
    void exposeOnce()
    {
        frame->core().cycle().StartCycle();
        frame->core().cycle().onTimer(ExposureCycle::kTimerId);
        QCoreApplication::processEvents();
    }
    CGuidingDlg* guidingWindow()
    {
        ImageWindow* image = frame->core().imageWindow();
        MeasurementTool* tool = image != nullptr ? image->toolOfSection("Guiding") : nullptr;
        return tool != nullptr ? static_cast<CGuidingDlg*>(frame->toolWindow(*tool)) : nullptr;
    }
    CGuidingDlg& openGuiding()
    {
        exposeOnce();
        frame->refreshCommandStates();
        frame->action(kCommandGuiding)->trigger();
        CGuidingDlg* window = guidingWindow();
        EXPECT_NE(window, nullptr);
        return *window;
    }
    template <typename T> T* control(CGuidingDlg& window, int id) { return window.form()->controlAs<T>(id); }

    MemorySettingsStore store;
    SteppingClock clock{100};
    FixedFreeSpace disk{std::nullopt};
    ScriptedFileDialogs dialogs;
    std::unique_ptr<fakes::FakeDrivers> drivers;
    std::unique_ptr<CMainFrame> frame;
    int starX = 30;
};

} // namespace

TEST_F(GuidingDlgTest, OpensOnlyWithAConnectedTelescopeAndOnce)
{
    exposeOnce();
    drivers->telescope.connected = false;
    frame->core().binding().refreshConnectionStates();
    frame->refreshCommandStates();
    EXPECT_FALSE(frame->action(kCommandGuiding)->isEnabled());
    frame->action(kCommandGuiding)->trigger();
    EXPECT_EQ(guidingWindow(), nullptr);

    drivers->telescope.connected = true;
    frame->core().binding().refreshConnectionStates();
    frame->refreshCommandStates();
    ASSERT_TRUE(frame->action(kCommandGuiding)->isEnabled());
    frame->action(kCommandGuiding)->trigger();
    CGuidingDlg* window = guidingWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(frame->windowTitle(), "Velmora Nebrix Client - Guiding");
    frame->refreshCommandStates();
    EXPECT_TRUE(frame->action(kCommandGuiding)->isChecked());
    // "Auto Guiding" and "Full Screen" are the guiding tool's to keep.
    EXPECT_FALSE(frame->core().controlEnabled(1052));
    EXPECT_FALSE(frame->core().controlEnabled(1053));

    frame->core().imageWindow()->previewTool().Activate();
    frame->action(kCommandGuiding)->trigger();
    EXPECT_EQ(guidingWindow(), window) << "a second command brings the same window to the front";
    EXPECT_TRUE(window->guidingTool().isActive());
    EXPECT_EQ(frame->core().imageWindow()->toolCount(), 2);
}

TEST_F(GuidingDlgTest, GuidesAndShowsTheAxesAndTheirRms)
{
    CGuidingDlg& window = openGuiding();
    GuidingTool& tool = window.guidingTool();
    frame->core().imageWindow()->clickAt({starX, 20});
    // Every frame corrects both axes.
    for (int id : {gd::kFrame, gd::kFrame + 1}) {
        auto* edit = control<common::CMyEdit>(window, id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "1");
        QTest::keyClick(edit, Qt::Key_Return);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(tool.run().controller().axis(GuidingAxisId::Vertical).settings().frames, 1);
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    EXPECT_TRUE(tool.running());
    EXPECT_EQ(window.startButton()->text(), "Stop");
    EXPECT_FALSE(control<QWidget>(window, gd::kSaveLog)->isEnabled()) << "log controls locked while guiding";
    for (int i = 0; i < 4; ++i)
        exposeOnce();
    EXPECT_EQ(tool.run().history().size(), 4u);
    window.refresh();
    EXPECT_FALSE(control<QLineEdit>(window, gd::kOutput)->text().isEmpty());
    EXPECT_FALSE(window.rmsForm()->controlAs<QLineEdit>(gd::kRmsArcsec + 2)->text().isEmpty());
    const GuidingRms rms = computeGuidingRms(tool.run().history());
    EXPECT_EQ(window.rmsForm()->controlAs<QLineEdit>(gd::kRmsArcsec)->text().toStdString(), rmsText(rms, rms.horizontal));

    // Disabling an axis blanks its output; the drift rate shows instead after a frame.
    QTest::mouseClick(control<QAbstractButton>(window, gd::kEnable), Qt::LeftButton);
    EXPECT_TRUE(control<QLineEdit>(window, gd::kOutput)->text().isEmpty());
    EXPECT_FALSE(control<QLineEdit>(window, gd::kOutput + 1)->text().isEmpty());
    exposeOnce();
    window.refresh();
    EXPECT_FALSE(control<QLineEdit>(window, gd::kDriftRate)->text().isEmpty());
    QTest::mouseClick(control<QAbstractButton>(window, gd::kEnable), Qt::LeftButton);
    EXPECT_TRUE(control<QLineEdit>(window, gd::kDriftRate)->text().isEmpty()) << "enabling blanks the drift";
    EXPECT_FALSE(drivers->telescope.pulses().empty());
}

TEST_F(GuidingDlgTest, SettingsAreWrittenOnCloseAndReadOnOpenAndSaveAsUsesTheDialog)
{
    CGuidingDlg& window = openGuiding();
    auto* kp = control<common::CMyEdit>(window, gd::kProportional + 1);
    kp->setFocus();
    kp->selectAll();
    QTest::keyClicks(kp, "-12.5");
    QTest::keyClick(kp, Qt::Key_Return);
    auto* median = control<common::CMyEdit>(window, gd::kMedianNumber);
    median->setFocus();
    median->selectAll();
    QTest::keyClicks(median, "4");
    QTest::keyClick(median, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(median->value(), 5) << "filter windows are odd";
    dialogs.answer = "/data/guiding/night";
    QTest::mouseClick(control<QAbstractButton>(window, gd::kSaveAs), Qt::LeftButton);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].filter, "Text Files (*.txt)|*.txt||");
    EXPECT_EQ(dialogs.requests[0].defaultName, "DriftLog.txt");
    EXPECT_EQ(control<QLineEdit>(window, gd::kLogPath)->text(), "/data/guiding/night");
    window.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(guidingWindow(), nullptr);
    EXPECT_EQ(store.readInt("Guiding", "Proportional Y", 0), -125);
    EXPECT_EQ(store.readInt("Guiding", "Median Number", 0), 5);
    EXPECT_EQ(store.readString("Guiding", "Log Path", ""), "/data/guiding/night");

    frame->action(kCommandGuiding)->trigger();
    CGuidingDlg* again = guidingWindow();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(control<common::CMyEdit>(*again, gd::kProportional + 1)->value(), -125);
    EXPECT_EQ(control<common::CMyEdit>(*again, gd::kProportional + 1)->text(), "-12.5");
}

TEST_F(GuidingDlgTest, ClosingWhileGuidingStopsTheRunAndEndsTheWorker)
{
    CGuidingDlg& window = openGuiding();
    frame->core().imageWindow()->clickAt({starX, 20});
    setenv("HOME", ::testing::TempDir().c_str(), 1);
    store.writeInt("Guiding", "Save Log", 0);
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    exposeOnce();
    exposeOnce();
    EXPECT_TRUE(window.guidingTool().running());
    window.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->core().imageWindow()->toolCount(), 1) << "detached";
    // The run was stopped (no more pulses), and closing the image window now is safe.
    const std::size_t pulses = drivers->telescope.pulses().size();
    exposeOnce();
    EXPECT_EQ(drivers->telescope.pulses().size(), pulses);
    frame->core().cycle().closeImageWindow();
    EXPECT_EQ(frame->core().imageWindow(), nullptr);
}

// Only the selected graph and its fields show; its settings reach the section.
TEST_F(GuidingDlgTest, TheSelectedGraphAloneShowsItsFields)
{
    CGuidingDlg& window = openGuiding();
    namespace gg = velmora::client::guiding_graphs;
    auto shown = [&](GraphKind kind) {
        return !window.graphView(kind)->isHidden() && !window.graphFields(kind)->isHidden();
    };
    EXPECT_TRUE(shown(GraphKind::Drift)) << "the default graph";
    EXPECT_FALSE(shown(GraphKind::Distribution));
    EXPECT_FALSE(shown(GraphKind::Fft));
    QTest::mouseClick(window.graphsForm()->controlAs<QAbstractButton>(gg::kFftGraph), Qt::LeftButton);
    EXPECT_TRUE(shown(GraphKind::Fft));
    EXPECT_FALSE(shown(GraphKind::Drift));
    EXPECT_EQ(window.graphs().settings().shownGraph, GraphKind::Fft);
    auto* peaks = window.graphFields(GraphKind::Fft)->controlAs<common::CMyEdit>(gg::kMaxPeakNumber);
    peaks->setFocus();
    peaks->selectAll();
    QTest::keyClicks(peaks, "3");
    QTest::keyClick(peaks, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.graphs().settings().fft.maxPeakNumber[0], 3);
    auto* verticalBox = window.graphsForm()->controlAs<QAbstractButton>(gg::kVertical);
    // On the box itself: a check box takes clicks on its indicator and text only.
    QTest::mouseClick(verticalBox, Qt::LeftButton, {}, QPoint(6, verticalBox->height() / 2));
    EXPECT_FALSE(window.graphs().settings().showAxis[1]);
    // The drawing is the periodogram's: its decade labels are there even without data.
    window.refresh();
    EXPECT_EQ(window.graphView(GraphKind::Fft)->image().pixelColor(0, 0), QColor(Qt::black));
    window.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(store.readInt("Guiding", "Show Graph", -1), 2);
    EXPECT_EQ(store.readInt("Guiding", "FFT X Num", -1), 3);
    EXPECT_EQ(store.readInt("Guiding", "Show Graph Y", -1), 0);
}
