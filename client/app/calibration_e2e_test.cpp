// Dark and flat calibration and the axis calibration, offscreen against the real
// server in simulator mode.
#include "client/app/client_e2e_fixture.h"

#include "client/devices/driver_calls.h"
#include "client/guiding/star_selector.h"
#include "client/image/calibration.h"
#include "client/image/calibration_file.h"
#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/image/reticle.h"
#include "client/image/ui/calibrate_dlg.h"
#include "client/image/ui/child_frame.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <iostream>
#include <numeric>

using namespace velmora::client;
using namespace velmora;
namespace fb = velmora::client::fields_bar;

namespace {

class CalibrationEndToEnd : public ClientEndToEnd {
protected:
    // Exposing continuously, the image window open.
    ImageWindow& startExposing()
    {
        CMainFrame& frame = start();
        click(DialogBar::Exposure, exposure_bar::kManualMode);
        click(DialogBar::Exposure, exposure_bar::kButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return frame.core().imageWindow() != nullptr; }, kFrameWaitMs));
        frame.refreshCommandStates();
        return *frame.core().imageWindow();
    }
    // "Calibrate" of the fields bar, OK in its dialog, the averaged file saved at `path`.
    void calibrate(int button, const std::string& path)
    {
        fileDialogs.answer = path;
        bool pressed = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CCalibrateDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
            pressed = true;
        });
        click(DialogBar::Fields, button); // returns once the dialog has closed
        EXPECT_TRUE(pressed);
    }
    // The mean of a plane of the raw frame over a few new frames, in 8-bit levels.
    double planeMean(ImageWindow& window, int plane)
    {
        int frames = 0;
        double sum = 0;
        struct Counter : PipelineListener {
            int* frames;
            void activeFrameProcessed(MeasurementTool&) override { ++*frames; }
        } counter;
        int seen = 0;
        counter.frames = &seen;
        window.pipeline().addListener(counter);
        while (frames < 3) {
            const int before = seen;
            EXPECT_TRUE(QTest::qWaitFor([&] { return seen > before; }, kFrameWaitMs));
            const ImageFrame& raw = window.pipeline().rawFrame();
            const std::uint16_t* samples = raw.plane(plane);
            sum += std::accumulate(samples, samples + raw.planeSize(), 0.0) / raw.planeSize() / 257.0;
            ++frames;
        }
        window.pipeline().removeListener(counter);
        return sum / frames;
    }
};

} // namespace

TEST_F(CalibrationEndToEnd, ADarkFromTheSimulatorTakesTheBackgroundAway)
{
    ImageWindow& window = startExposing();
    const double before = planeMean(window, 0);
    const std::string path = home.path() + "/dark.bmp";
    calibrate(fb::kDarkCalibrate, path);
    ASSERT_FALSE(fileDialogs.requests.empty());
    EXPECT_EQ(fileDialogs.requests.back().defaultName.rfind("Dark-Field (640x480x3_10x0.0).bmp", 0), 0u)
        << fileDialogs.requests.back().defaultName;
    const ImageFrame& raw = window.pipeline().rawFrame();
    EXPECT_EQ(std::filesystem::file_size(path), 54u + static_cast<std::size_t>(raw.byteSize()));
    EXPECT_TRUE(window.calibration().matches(CalibrationKind::Dark));
    click(DialogBar::Fields, fb::kApplyDark);
    ASSERT_TRUE(window.calibration().applyDark());
    const double after = planeMean(window, 0);
    std::cout << "background mean " << before << " levels, with the dark " << after << "\n";
    EXPECT_GT(before, 15.0);
    EXPECT_LT(after, 3.0);
}

TEST_F(CalibrationEndToEnd, AFlatOfAUniformFieldLeavesItUniform)
{
    writeNumber("Software\\Velmora Software\\Simulator", "Stars", 0);
    ImageWindow& window = startExposing();
    // A flat needs a dark first; the simulator has no shutter, so the dark is made and
    // then given the contrast 0, which leaves the flat as the sky gives it.
    calibrate(fb::kDarkCalibrate, home.path() + "/dark.bmp");
    program->mainFrame().core().applyControl(fb::kDarkContrast, 0);
    const std::string path = home.path() + "/flat.bmp";
    calibrate(fb::kFlatCalibrate, path);
    EXPECT_EQ(fileDialogs.requests.back().defaultName.rfind("Flat-Field (640x480x3_10x", 0), 0u);
    ASSERT_TRUE(window.calibration().matches(CalibrationKind::Flat));
    click(DialogBar::Fields, fb::kApplyFlat);
    ASSERT_TRUE(window.calibration().applyFlat());
    std::vector<double> means;
    for (int p = 0; p < window.pipeline().planeCount(); ++p)
        means.push_back(planeMean(window, p));
    const auto [lo, hi] = std::minmax_element(means.begin(), means.end());
    std::cout << "plane means with the flat:";
    for (double m : means)
        std::cout << " " << m;
    std::cout << "\n";
    EXPECT_LE(*hi - *lo, 0.01 * *hi);
}

// The sky turned by 30 degrees: West pulses move the star along the turned axis.
TEST_F(CalibrationEndToEnd, AnAxisCalibrationFindsTheCameraRotation)
{
    writeNumber("Software\\Velmora Software\\Simulator", "Rotation", 3000);
    writeNumber("Software\\Velmora Software\\Simulator", "Drift Dec", 0);
    writeNumber("Software\\Velmora Software\\Simulator", "PE Amplitude", 0);
    ImageWindow& window = startExposing();
    MainFrame& core = program->mainFrame().core();
    const ImageFrame& raw = window.pipeline().rawFrame();
    const std::vector<std::uint16_t> levels = StarSelector::backgroundThresholds(raw);
    const auto star = StarSelector::brightestStar(raw, levels);
    ASSERT_TRUE(star);
    // The sky's level as threshold, so the centroid is the star's alone.
    for (int p = 0; p < static_cast<int>(levels.size()); ++p) {
        core.applyControl(processing_bar::kThresholdPlane, p);
        core.applyControl(processing_bar::kThresholdEdit, levels[static_cast<std::size_t>(p)]);
    }
    core.applyControl(processing_bar::kAutoGuiding, 1);
    window.clickAt({star->x, star->y});
    program->mainFrame().refreshCommandStates();
    ASSERT_TRUE(control<QWidget>(DialogBar::Reticle, reticle_bar::kCalibrate)->isEnabled());
    click(DialogBar::Reticle, reticle_bar::kCalibrate);
    ASSERT_TRUE(window.previewTool().running());
    EXPECT_EQ(control<QAbstractButton>(DialogBar::Reticle, reticle_bar::kCalibrate)->text(), "Finish");
    IDispatch* telescope = core.binding().driver(DriverKind::Telescope);
    for (int pulse = 0; pulse < 5; ++pulse) {
        const std::size_t points = window.previewTool().track().size();
        CallDriverMethod(telescope, "PulseGuide", *automation::Variant::i4(3).get(),
                         *automation::Variant::i4(1000).get()); // West, one second
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return window.previewTool().track().size() >= points + 8; }, kFrameWaitMs));
    }
    click(DialogBar::Reticle, reticle_bar::kCalibrate);
    EXPECT_FALSE(window.previewTool().running());
    const double angle = core.reticle().angleDegrees();
    std::cout << "axis calibration: reticle angle " << angle << " degrees\n";
    const double fromThirty = std::remainder(angle - 30.0, 180.0);
    EXPECT_LT(std::abs(fromThirty), 1.0) << angle;
}
