// The guider client offscreen against the real VelmoraServer in simulator mode, in a
// private home: start-up, continuous exposures, the image window, a click on a star,
// "Get From Hardware", and the settings written at the end and read at the next start.
#include "client/app/client_e2e_fixture.h"

#include "client/devices/driver_calls.h"
#include "client/focusing/focusing_panel.h"
#include "client/focusing/focusing_tool.h"
#include "client/focusing/ui/focusing3_dlg.h"
#include "client/guiding/guiding_panel.h"
#include "client/guiding/guiding_rms.h"
#include "client/guiding/guiding_tool.h"
#include "client/guiding/star_selector.h"
#include "client/guiding/ui/guiding_dlg.h"
#include "common/ui/control_form.h"
#include "client/guiding/guiding_graphs.h"
#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/image/ui/child_frame.h"
#include "client/shell/command_ids.h"
#include "common/ui/control_form.h"
#include "client/shell/ui/main_frame.h"
#include "client/shell/ui/my_dialog_bar.h"
#include "common/ui/my_edit.h"
#include "platform/automation/apartment.h"
#include "platform/registry/registry.h"
#include "testing/eventually.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

using namespace velmora::client;
using namespace velmora;

namespace {

// A tool whose frame step reads the focuser: in performance mode it runs after
// GetRawBuffer has returned, so the server is free to answer.
class FocuserReadingTool : public MeasurementTool {
public:
    FocuserReadingTool(ImageWindow& window, SettingsStore& store, DriverBinding& binding)
        : MeasurementTool("Focusing-3", window.pipeline(), store, window.geometry()), m_binding(binding)
    {
    }
    ~FocuserReadingTool() override { close(); }
    int reads = 0;
    int failures = 0;
    double slowestMs = 0;

protected:
    void FrameStep(bool newFrame) override
    {
        if (!newFrame)
            return;
        const auto begin = std::chrono::steady_clock::now();
        automation::Variant position;
        const HRESULT hr = GetDriverProperty(m_binding.driver(DriverKind::Focuser), "Position", position.get());
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
        slowestMs = std::max(slowestMs, ms);
        ++reads;
        failures += hr != S_OK;
    }

private:
    DriverBinding& m_binding;
};

} // namespace

TEST_F(ClientEndToEnd, ExposesShowsTheStarsAndKeepsItsSettings)
{
    writeNumber("Software\\Velmora Software\\Velmora Telescope ASCOM Driver\\Default\\Telescope", "Focal", 800);
    CMainFrame& frame = start();
    MainFrame& core = frame.core();
    for (DriverKind kind : kDriverKinds) {
        EXPECT_NE(core.binding().driver(kind), nullptr) << static_cast<int>(kind);
        EXPECT_TRUE(core.binding().isConnected(kind)) << static_cast<int>(kind);
    }
    EXPECT_TRUE(control<QWidget>(DialogBar::Exposure, exposure_bar::kButton)->isEnabled());

    // "Get From Hardware": the camera's pixel size and the telescope's focal length.
    click(DialogBar::Hardware, hardware_bar::kGetFromHardware);
    EXPECT_EQ(core.optics().pixelWidth().value(), 560);
    EXPECT_EQ(core.optics().pixelHeight().value(), 560);
    EXPECT_EQ(core.optics().focalLength().value(), 800);
    EXPECT_EQ(core.optics().aperture().value(), 200);
    EXPECT_EQ(control<QLineEdit>(DialogBar::Hardware, 1042)->text(), "1.44");

    // Manual Mode off, Start: exposures follow each other.
    click(DialogBar::Exposure, exposure_bar::kManualMode);
    EXPECT_FALSE(core.cycle().manualMode());
    click(DialogBar::Exposure, exposure_bar::kButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.childFrame() != nullptr; }, kFrameWaitMs));
    ImageWindow& image = *core.imageWindow();
    const std::string geometry = image.geometryText();
    EXPECT_EQ(geometry.rfind(" [640x480x", 0), 0u) << geometry;
    EXPECT_EQ(frame.statusPane(3)->text().toStdString(), geometry);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame.statusPane(1)->text().isEmpty(); }, kFrameWaitMs));
    EXPECT_TRUE(frame.statusPane(1)->text().startsWith(" [Cycle: ")) << frame.statusPane(1)->text().toStdString();
    EXPECT_TRUE(core.cycle().exposing()) << "continuous: the next exposure is running";
    struct Frames : MainFrameListener {
        void frameDelivered(ImageWindow&) override { ++count; }
        int count = 0;
    } frames;
    core.addListener(frames);
    EXPECT_TRUE(QTest::qWaitFor([&] { return frames.count >= 3; }, kFrameWaitMs)) << "one Start, many frames";
    core.removeListener(frames);
    EXPECT_EQ(control<QAbstractButton>(DialogBar::Exposure, exposure_bar::kButton)->text(), "Restart");

    // A left click on the brightest star puts the square there and measures it.
    const auto star = StarSelector::brightestStar(image.pipeline().rawFrame(),
                                                  StarSelector::backgroundThresholds(image.pipeline().rawFrame()));
    ASSERT_TRUE(star);
    CImageView* view = frame.childFrame()->view();
    const WindowMapping mapping = view->mapping();
    const QPoint at(mapping.clientX(star->x, view->clientSize()), mapping.clientY(star->y, view->clientSize()));
    ASSERT_TRUE(view->viewport()->rect().contains(at)) << "the star is in view";
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(image.previewTool().centreX(), star->x);
    EXPECT_EQ(image.previewTool().centreY(), star->y);
    ASSERT_TRUE(QTest::qWaitFor([&] { return image.previewTool().fwhm() > 0; }, kFrameWaitMs));
    frame.refreshCommandStates();
    EXPECT_TRUE(frame.statusPane(2)->text().startsWith(" [FWHM - ")) << frame.statusPane(2)->text().toStdString();
    EXPECT_NE(frame.statusPane(2)->text(), " [FWHM - 0.00] ");

    // Settings at the end, and again at the next start.
    QTest::mouseClick(qobject_cast<QWidget*>(frame.toolBar("Tools")->widgetForAction(frame.action(kCommandFieldsBar))),
                      Qt::LeftButton);
    EXPECT_TRUE(frame.dialogBar(DialogBar::Fields)->isHidden());
    core.applyControl(processing_bar::kSquareEdit, 40);
    stop();
    CMainFrame& again = start();
    EXPECT_FALSE(again.core().cycle().manualMode());
    EXPECT_EQ(again.core().optics().focalLength().value(), 800);
    EXPECT_TRUE(again.dialogBar(DialogBar::Fields)->isHidden()) << "the bar layout came back";
    EXPECT_FALSE(again.action(kCommandFieldsBar)->isChecked());
    EXPECT_EQ(program->settings().readInt("Preview", "Square Size", 0), 40);
    EXPECT_EQ(program->settings().readString("Drivers", "Camera", ""), "VelmoraServer.Camera");
    EXPECT_FALSE(again.core().cycle().exposing()) << "nothing starts before Start";
}

TEST_F(ClientEndToEnd, PerformanceModeLetsAToolCallADriverFromItsFrameStep)
{
    writeNumber("Software\\Velmora Software\\Velmora Nebrix Client\\Options", "Perfomance Mode", 1);
    CMainFrame& frame = start();
    MainFrame& core = frame.core();
    ASSERT_TRUE(core.cycle().performanceMode());
    ASSERT_TRUE(core.binding().isConnected(DriverKind::Focuser));
    click(DialogBar::Exposure, exposure_bar::kManualMode);
    click(DialogBar::Exposure, exposure_bar::kButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return core.imageWindow() != nullptr; }, kFrameWaitMs));
    FocuserReadingTool tool(*core.imageWindow(), core.store(), core.binding());
    tool.Start(); // runs its frame step whichever tool window is in front
    // Before the frame was deferred, each read waited for the server's 30 s bound.
    ASSERT_TRUE(QTest::qWaitFor([&] { return tool.reads >= 5; }, kFrameWaitMs));
    std::cout << "slowest focuser read from a frame step: " << tool.slowestMs << " ms\n";
    EXPECT_EQ(tool.failures, 0);
    tool.close();
}

// Guiding the simulated mount: the horizontal axis (the periodic error's) is left
// uncorrected so that its error stays to be seen; the vertical axis is guided.
TEST_F(ClientEndToEnd, GuidesTheSimulatedMountAndLogsEveryGuidedFrame)
{
    const char* simulator = "Software\\Velmora Software\\Simulator";
    writeNumber(simulator, "PE Period", 6);
    writeNumber(simulator, "PE Amplitude", 400);
    writeNumber("Software\\Velmora Software\\Velmora WebCamera ASCOM Driver\\Default\\Format", "Period",
                1000000); // ten frames a second
    const std::string logTemplate = home.path() + "/logs/Drift.txt";
    std::filesystem::create_directories(home.path() + "/logs");
    CMainFrame& frame = start();
    MainFrame& core = frame.core();
    click(DialogBar::Exposure, exposure_bar::kManualMode);
    click(DialogBar::Exposure, exposure_bar::kButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.childFrame() != nullptr; }, kFrameWaitMs));
    frame.refreshCommandStates();
    ASSERT_TRUE(frame.action(kCommandGuiding)->isEnabled()) << "the simulated telescope is connected";
    frame.action(kCommandGuiding)->trigger();
    ImageWindow& image = *core.imageWindow();
    MeasurementTool* tool = image.toolOfSection("Guiding");
    ASSERT_NE(tool, nullptr);
    auto& window = *static_cast<CGuidingDlg*>(frame.toolWindow(*tool));
    GuidingTool& guiding = window.guidingTool();
    common::ControlForm& form = *window.form();
    namespace gd = guiding_dlg;

    // The sky's level as threshold, the square on the star (a click), the log, one axis.
    const ImageFrame& raw = image.pipeline().rawFrame();
    const std::vector<std::uint16_t> levels = StarSelector::backgroundThresholds(raw);
    for (int p = 0; p < static_cast<int>(levels.size()); ++p) {
        guiding.SelectThresholdPlane(p);
        guiding.SetThreshold(levels[static_cast<std::size_t>(p)]);
    }
    const auto star = StarSelector::brightestStar(raw, levels);
    ASSERT_TRUE(star);
    CImageView* view = frame.childFrame()->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(view->mapping().clientX(star->x, view->clientSize()),
                             view->mapping().clientY(star->y, view->clientSize())));
    EXPECT_NEAR(guiding.centreX(), star->x, 1) << "tracking puts the square on the star's centroid";
    auto* logPath = form.controlAs<QLineEdit>(gd::kLogPath);
    logPath->setText(QString::fromStdString(logTemplate));
    logPath->setModified(true);
    emit logPath->editingFinished();
    QTest::mouseClick(form.controlAs<QAbstractButton>(gd::kSaveLog), Qt::LeftButton);
    QTest::mouseClick(form.controlAs<QAbstractButton>(gd::kEnable), Qt::LeftButton);
    ASSERT_EQ(guiding.logPath(), logTemplate);
    ASSERT_TRUE(guiding.saveLog());
    ASSERT_FALSE(guiding.run().controller().axis(GuidingAxisId::Horizontal).settings().enabled);

    // The periodogram of the uncorrected axis: periods of 1 s to 10 s, three peaks listed.
    QTest::mouseClick(window.graphsForm()->controlAs<QAbstractButton>(guiding_graphs::kFftGraph), Qt::LeftButton);
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    ASSERT_TRUE(guiding.running());
    constexpr std::size_t kFrames = 150;
    ASSERT_TRUE(QTest::qWaitFor([&] { return guiding.run().history().size() >= kFrames; }, 60000));
    // Another tool window in front: guiding goes on.
    image.previewTool().Activate();
    const std::size_t before = guiding.run().history().size();
    ASSERT_TRUE(QTest::qWaitFor([&] { return guiding.run().history().size() >= before + 5; }, kFrameWaitMs));
    window.refresh();
    const std::string peaks =
        window.graphFields(GraphKind::Fft)->controlAs<QPlainTextEdit>(guiding_graphs::kPeakList)->toPlainText().toStdString();
    std::cout << "horizontal periodogram peaks:\n" << peaks;
    std::istringstream peakLines(peaks);
    std::vector<double> periods;
    for (double period = 0, power = 0; peakLines >> period >> power;)
        periods.push_back(period);
    ASSERT_FALSE(periods.empty());
    EXPECT_LE(periods.size(), 10u);
    const bool found = std::any_of(periods.begin(), periods.begin() + std::min<std::size_t>(3, periods.size()),
                                   [](double period) { return std::abs(period - 6.0) < 0.3; });
    EXPECT_TRUE(found) << "the simulated periodic error of 6 s among the three strongest peaks";
    const std::string fileName = guiding.logFileName();
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    ASSERT_FALSE(guiding.running());
    const std::size_t guided = guiding.run().history().size();

    // One line per guided frame after the header.
    std::ifstream log(fileName, std::ios::binary);
    ASSERT_TRUE(log) << fileName;
    std::stringstream text;
    text << log.rdbuf();
    const std::string content = text.str();
    ASSERT_EQ(content.rfind("TIME\t\tHORIZONTAL\t\tVERTICAL\r\n", 0), 0u);
    std::vector<double> h, v;
    std::istringstream lines(content.substr(content.find('\n') + 1));
    std::string line;
    while (std::getline(lines, line)) {
        double t = 0, dh = 0, dv = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf %lf %lf", &t, &dh, &dv), 3) << line;
        h.push_back(dh);
        v.push_back(dv);
    }
    EXPECT_EQ(h.size(), guided);
    // The read-outs agree with the RMS of the logged offsets.
    const GuidingRms fromLog = computeGuidingRms(h, v);
    const double shownTotal = window.rmsForm()->controlAs<QLineEdit>(gd::kRmsArcsec + 2)->text().toDouble();
    const double shownVertical = window.rmsForm()->controlAs<QLineEdit>(gd::kRmsArcsec + 1)->text().toDouble();
    std::cout << "guided " << guided << " frames: RMS total " << fromLog.total << "'' (shown " << shownTotal
              << "), vertical " << fromLog.vertical << "'', horizontal (uncorrected) " << fromLog.horizontal
              << "''\n";
    EXPECT_NEAR(shownTotal, fromLog.total, 0.01);
    EXPECT_NEAR(shownVertical, fromLog.vertical, 0.01);
    EXPECT_GT(fromLog.horizontal, fromLog.vertical) << "the uncorrected axis carries the periodic error";
}

namespace {

// What one focusing run left: the results it shows, where the motor is, how long it took.
struct FocusOutcome {
    int currentFocus = 0;
    int currentBacklash = 0;
    int motor = 0;
    double seconds = 0.0;
    std::string status;
};

// Automatic focusing on the simulated sky: one star at the field centre, still, on a
// black sky without noise, its best focus at 520 steps of the emulated KF-3. The
// default range (100 … 400 and 600 … 900 about 500) with a Measuring Step of 25.
class FocusingEndToEnd : public ClientEndToEnd {
protected:
    static constexpr int kBestFocus = 520;
    static constexpr int kStep = 25;

    void configureSky(int backlash)
    {
        const char* simulator = "Software\\Velmora Software\\Simulator";
        const std::pair<const char*, DWORD> values[] = {{"Best Focus", kBestFocus},
                                                        {"Focuser Backlash", static_cast<DWORD>(backlash)},
                                                        {"Stars", 1},
                                                        {"Seeing", 0},
                                                        {"Drift Dec", 0},
                                                        {"PE Amplitude", 0},
                                                        {"Background", 0},
                                                        {"Noise", 0}};
        for (const auto& [name, value] : values)
            writeNumber(simulator, name, value);
        writeNumber("Software\\Velmora Software\\Velmora WebCamera ASCOM Driver\\Default\\Format", "Period",
                    1000000); // ten frames a second
        writeNumber("Software\\Velmora Software\\Velmora Nebrix Client\\Focusing-3", "Measuring Step", kStep);
    }
    // Exposures running, the focusing window open with its square on the star.
    CFocusing3Dlg& openFocusing()
    {
        CMainFrame& frame = start();
        click(DialogBar::Exposure, exposure_bar::kManualMode);
        click(DialogBar::Exposure, exposure_bar::kButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return frame.childFrame() != nullptr; }, kFrameWaitMs));
        frame.refreshCommandStates();
        EXPECT_TRUE(frame.action(kCommandFocusing)->isEnabled()) << "the emulated focuser is linked";
        frame.action(kCommandFocusing)->trigger();
        ImageWindow& image = *frame.core().imageWindow();
        MeasurementTool* tool = image.toolOfSection("Focusing-3");
        EXPECT_NE(tool, nullptr);
        auto& window = *static_cast<CFocusing3Dlg*>(frame.toolWindow(*tool));
        image.clickAt({image.pipeline().width() / 2, image.pipeline().height() / 2});
        return window;
    }
    FocusOutcome focus(CFocusing3Dlg& window)
    {
        FocusingTool& tool = window.focusingTool();
        const auto begin = std::chrono::steady_clock::now();
        QTest::mouseClick(window.startButton(), Qt::LeftButton);
        EXPECT_TRUE(tool.running());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !tool.running(); }, 180000)) << "the run ends by itself";
        FocusOutcome outcome;
        outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        namespace fd = focusing_dlg;
        outcome.currentFocus = window.form()->controlAs<QLineEdit>(fd::kCurrentFocus)->text().toInt();
        outcome.currentBacklash = window.form()->controlAs<QLineEdit>(fd::kCurrentBacklash)->text().toInt();
        outcome.status = tool.run().statusText();
        automation::Variant position;
        EXPECT_EQ(GetDriverProperty(program->mainFrame().core().binding().driver(DriverKind::Focuser),
                                    "Position", position.get()),
                  S_OK);
        outcome.motor = position->lVal;
        return outcome;
    }
    static void report(const char* what, const FocusOutcome& o, int backlash)
    {
        std::cout << what << ": Current Focus " << o.currentFocus << ", |Current Focus - B| "
                  << std::abs(o.currentFocus - kBestFocus) << ", Current BackLash " << o.currentBacklash
                  << ", motor " << o.motor << ", optics " << o.motor - backlash << ", run " << o.seconds
                  << " s\n";
    }
};

} // namespace

TEST_F(FocusingEndToEnd, WithoutBacklashTheRunEndsAtTheBestFocus)
{
    configureSky(0);
    CFocusing3Dlg& window = openFocusing();
    const FocusOutcome run = focus(window);
    report("Focuser Backlash 0", run, 0);
    EXPECT_EQ(run.status, "");
    EXPECT_EQ(run.motor, run.currentFocus) << "the motor is left at Current Focus";
    EXPECT_LE(std::abs(run.currentFocus - kBestFocus), kStep);
    EXPECT_LE(std::abs(run.currentBacklash), kStep);
}

// With 30 steps of play the forward pass (upward) sees the best focus 30 steps later
// than the backward one. The run ends with a move up from the bottom of the range, so
// the optics trail the motor by the play: they are at the motor's position − 30.
TEST_F(FocusingEndToEnd, WithBacklashTheOpticsEndAtTheBestFocusAndTheBacklashIsMeasured)
{
    constexpr int kBacklash = 30;
    configureSky(kBacklash);
    CFocusing3Dlg& window = openFocusing();
    const FocusingRange range = focusingRange(100, 400, 500, kStep);
    const FocusOutcome plain = focus(window);
    report("Focuser Backlash 30", plain, kBacklash);
    ASSERT_GT(plain.motor, range.lo) << "approached from below";
    EXPECT_EQ(plain.motor, plain.currentFocus);
    EXPECT_LE(std::abs(plain.motor - kBacklash - kBestFocus), kStep);
    EXPECT_LE(std::abs(plain.currentBacklash - kBacklash), kStep);

    namespace fd = focusing_dlg;
    common::ControlForm& form = *window.form();
    auto* backlashStep = form.controlAs<common::CMyEdit>(fd::kBacklashStep);
    backlashStep->setFocus();
    backlashStep->selectAll();
    QTest::keyClicks(backlashStep, "50");
    QTest::keyClick(backlashStep, Qt::Key_Return);
    QCoreApplication::processEvents(); // the edit reports its value queued
    auto* takeUp = form.controlAs<QAbstractButton>(fd::kUseBacklash);
    QTest::mouseClick(takeUp, Qt::LeftButton, {}, QPoint(6, takeUp->height() / 2));
    ASSERT_TRUE(window.focusingTool().run().settings().useBacklash);
    ASSERT_EQ(window.focusingTool().run().settings().backlashStep, 50);
    const FocusOutcome takenUp = focus(window);
    report("Focuser Backlash 30, Take Up Backlash 50", takenUp, kBacklash);
    ASSERT_GT(takenUp.motor, range.lo);
    EXPECT_EQ(takenUp.motor, takenUp.currentFocus);
    EXPECT_LE(std::abs(takenUp.motor - kBacklash - kBestFocus), kStep);
    EXPECT_LE(std::abs(takenUp.currentBacklash - kBacklash), kStep);
}
