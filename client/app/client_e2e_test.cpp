// The guider client offscreen against the real VelmoraServer in simulator mode, in a
// private home: start-up, continuous exposures, the image window, a click on a star,
// "Get From Hardware", and the settings written at the end and read at the next start.
#include "client/app/client_program.h"

#include "client/devices/driver_calls.h"
#include "client/guiding/star_selector.h"
#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/image/ui/child_frame.h"
#include "client/shell/command_ids.h"
#include "common/ui/control_form.h"
#include "client/shell/ui/main_frame.h"
#include "client/shell/ui/my_dialog_bar.h"
#include "platform/automation/apartment.h"
#include "platform/registry/registry.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>

using namespace velmora::client;
using namespace velmora;

namespace {

constexpr int kFrameWaitMs = 30000;

class ClientEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("VELMORA_SIMULATOR", "1", 1);
        ASSERT_EQ(velmora::testing::runProgram(VELMORA_SERVER_PATH, {"-RegServer"}, home.path()).status, 0);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY), S_OK);
    }
    void TearDown() override
    {
        program.reset();
        CoUninitialize();
        unsetenv("VELMORA_SIMULATOR");
    }
    CMainFrame& start()
    {
        program = std::make_unique<ClientProgram>();
        program->mainFrame().resize(1600, 1000);
        program->mainFrame().show();
        return program->mainFrame();
    }
    void stop()
    {
        program->mainFrame().close();
        program.reset();
        registry::resetForTesting();
    }
    static void writeNumber(const char* path, const char* name, DWORD value)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
    template <typename T> T* control(DialogBar bar, int id)
    {
        return program->mainFrame().barForm(bar)->controlAs<T>(id);
    }
    void click(DialogBar bar, int id) { QTest::mouseClick(control<QAbstractButton>(bar, id), Qt::LeftButton); }

    velmora::testing::TempHome home;
    std::unique_ptr<ClientProgram> program;
};

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
