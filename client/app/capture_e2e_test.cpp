// Captures and screenshots end to end: the offscreen client against the real
// VelmoraServer in simulator mode writes a FITS sequence of the tracked square, an
// AVI of the whole frame and a screenshot into a temporary folder.
#include "client/app/client_e2e_fixture.h"

#include "client/capture/capture_panel.h"
#include "client/capture/capture_tool.h"
#include "client/capture/screenshot.h"
#include "client/capture/ui/capture_dlg.h"
#include "client/guiding/star_selector.h"
#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/image/ui/child_frame.h"
#include "client/shell/command_ids.h"

#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <regex>
#include <sstream>

using namespace velmora::client;
using namespace velmora;
namespace cd = capture_dlg;
namespace sb = screenshot_bar;
namespace pb = processing_bar;
namespace fs = std::filesystem;

namespace {

constexpr int kFrames = 20;

// Stops the capture as the twentieth frame is written, on the frame itself.
struct StopAfter : MainFrameListener {
    explicit StopAfter(CaptureTool& tool) : tool(tool) {}
    void frameDelivered(ImageWindow&) override
    {
        if (tool.running() && tool.framesWritten() >= kFrames)
            tool.Stop();
    }
    CaptureTool& tool;
};

void typeInto(QLineEdit* edit, const std::string& text)
{
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(text));
}

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(ClientEndToEnd, CapturesTheTrackedSquareAndTheFrameAndTakesAScreenshot)
{
    const std::string folder = home.path() + "/captures";
    fs::create_directories(folder);
    CMainFrame& frame = start();
    MainFrame& core = frame.core();
    click(DialogBar::Exposure, exposure_bar::kManualMode);
    click(DialogBar::Exposure, exposure_bar::kButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.childFrame() != nullptr; }, kFrameWaitMs));
    ImageWindow& image = *core.imageWindow();
    const int planes = image.pipeline().planeCount();

    frame.refreshCommandStates();
    frame.action(kCommandCapture)->trigger();
    MeasurementTool* found = image.toolOfSection("Capture");
    ASSERT_NE(found, nullptr);
    auto& window = *static_cast<CCaptureDlg*>(frame.toolWindow(*found));
    CaptureTool& tool = window.captureTool();
    common::ControlForm& form = *window.form();
    StopAfter stopper(tool);
    core.addListener(stopper);

    // A 32-pixel square on the brightest star, tracking it; FITS.
    ASSERT_TRUE(core.applyControl(pb::kSquareEdit, 32));
    ASSERT_TRUE(core.applyControl(pb::kAutoGuiding, 1));
    const ImageFrame& raw = image.pipeline().rawFrame();
    const auto star = thresholdsAtSkyLevel(tool, raw);
    ASSERT_TRUE(star);
    clickOnImage(frame.childFrame()->view(), *star);
    typeInto(form.controlAs<QLineEdit>(cd::kPath), folder);
    QTest::mouseClick(form.controlAs<QAbstractButton>(cd::kFitsFile), Qt::LeftButton, {},
                      QPoint(6, form.control(cd::kFitsFile)->height() / 2));
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    ASSERT_TRUE(tool.running());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tool.running(); }, 60000));
    window.refresh(); // as the next refresh shows it: at rest
    EXPECT_EQ(tool.framesWritten(), kFrames);
    std::vector<std::string> expected;
    for (int i = 0; i < kFrames; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Capture-000-%03d.fits", i);
        expected.push_back(name);
    }
    EXPECT_EQ(namesIn(folder), expected);
    for (const std::string& name : expected) {
        const std::string bytes = velmora::testing::readFile(folder + "/" + name);
        ASSERT_EQ(bytes.size(), 2880u + 32 * 32 * 2u * static_cast<unsigned>(planes)) << name;
        // The star stays near the middle of the tracked square.
        std::size_t brightest = 0;
        for (std::size_t at = 0; at < 32 * 32; ++at) {
            const auto sample = [&](std::size_t i) {
                return static_cast<std::uint8_t>(bytes[2880 + 2 * i]) << 8 |
                       static_cast<std::uint8_t>(bytes[2881 + 2 * i]);
            };
            if (sample(at) > sample(brightest))
                brightest = at;
        }
        EXPECT_NEAR(static_cast<double>(brightest % 32), 16.0, 4.0) << name;
        EXPECT_NEAR(static_cast<double>(brightest / 32), 16.0, 4.0) << name;
    }

    // The whole frame as a video: 20 frames of 640 × 480.
    ASSERT_TRUE(core.applyControl(pb::kFullScreen, 1));
    QTest::mouseClick(form.controlAs<QAbstractButton>(cd::kAviFile), Qt::LeftButton, {},
                      QPoint(6, form.control(cd::kAviFile)->height() / 2));
    ASSERT_EQ(tool.captureSettings().fileType, CaptureFileType::Avi);
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    ASSERT_TRUE(tool.running());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tool.running(); }, 60000));
    core.removeListener(stopper);
    const std::string video = folder + "/Capture-000.avi";
    ASSERT_TRUE(fs::exists(video));
    EXPECT_GT(fs::file_size(video), kFrames * (8u + 640u * 480u * 4u));
    EXPECT_LT(fs::file_size(video), kFrames * (8u + 640u * 480u * 4u) + 64u * 1024u);
    const auto probe = velmora::testing::runProgram(
        "/usr/bin/ffprobe",
        {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
         "stream=width,height,r_frame_rate,nb_read_frames", "-of", "csv=p=0", video},
        home.path());
    EXPECT_EQ(probe.out, "640,480,15/1,20\n") << probe.err;

    // A screenshot of the frame, named after the time of the click.
    typeInto(control<QLineEdit>(DialogBar::Screenshot, sb::kFolder), folder);
    click(DialogBar::Screenshot, sb::kScreenShot);
    std::vector<std::string> shots;
    for (const std::string& name : namesIn(folder)) {
        if (name.rfind("Screenshot_", 0) == 0)
            shots.push_back(name);
    }
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_TRUE(
        std::regex_match(shots[0], std::regex(R"(Screenshot_\(\d\d\.\d\d\.\d{4} \d\d-\d\d-\d\d\)\.fits)")))
        << shots[0];
    EXPECT_EQ(fs::file_size(folder + "/" + shots[0]),
              2880u + 640u * 480u * 2u * static_cast<unsigned>(planes));
}
