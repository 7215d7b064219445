// Screenshots from the screenshot bar through the main frame's routing, over fake
// drivers: names by the time of the click, split planes, the corrected raw frame.
#include "client/capture/screenshot.h"
#include "client/shell/test_doubles.h"

#include "client/capture/capture_names.h"
#include "client/capture/wall_clock.h"
#include "client/devices/exposure_timer.h"
#include "client/devices/fake_drivers.h"
#include "client/devices/high_resolution_clock.h"
#include "client/image/frame_corrector.h"
#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/shell/file_dialogs.h"
#include "client/shell/memory_settings_store.h"
#include "client/shell/user_paths.h"
#include "platform/automation/apartment.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace velmora::client;
using namespace velmora;
namespace sb = screenshot_bar;
namespace fs = std::filesystem;

namespace {

struct FakeTimer : ExposureTimer {
    void startTimer(int, int) override {}
    void killTimer(int) override {}
};
struct FakeClock : HighResolutionClock {
    std::int64_t counter() const override { return now += 100; }
    std::int64_t frequency() const override { return 1000; }
    mutable std::int64_t now = 0;
};
struct QuietWindow : MainFrameWindow {
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    void minimiseMainWindow() override {}
    void restoreMainWindow() override {}
};
struct RecordedMessages : MessageBoxes {
    void showMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};
struct ScriptedFolders : FolderChooser {
    std::optional<std::string> chooseFolder(const std::string&) override { return answer; }
    std::optional<std::string> answer;
};
struct SettableClock : WallClock {
    std::chrono::system_clock::time_point now() const override { return at; }
    std::chrono::system_clock::time_point at;
};
struct DarkSubtraction : FrameCorrector {
    void subtractDark(ImageFrame& raw, const ImageFrame& dark) override
    {
        for (int i = 0; i < raw.sampleCount(); ++i)
            raw.samples()[i] = static_cast<std::uint16_t>(std::max(raw.samples()[i] - dark.samples()[i], 0));
    }
    void applyFlat(ImageFrame&, const ImageFrame&) override {}
};

class ScreenshotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        folder = home.path() + "/shots/";
        fs::create_directories(folder);
        store.writeString("Screenshot", "Folder Path", folder);
        drivers = std::make_unique<fakes::FakeDrivers>("Fake.Shot", store);
        drivers->camera.render = [this](std::vector<std::int32_t>& samples, const FrameGeometry&) {
            for (std::size_t i = 0; i < samples.size(); ++i)
                samples[i] = static_cast<std::int32_t>((i * 7 + level) % 256);
        };
        frame = std::make_unique<MainFrame>(store, window, timer, clock, disk);
        auto part = std::make_unique<ScreenshotBar>(
            ScreenshotServices{store, messages, folders, wallClock, [] { return 0.0; }});
        bar = part.get();
        frame->addPart(std::move(part));
        frame->start();
        wallClock.at = std::chrono::system_clock::from_time_t(1700000000); // local time below
    }
    void TearDown() override
    {
        frame.reset();
        drivers.reset();
        CoUninitialize();
    }
    void exposeOnce()
    {
        frame->cycle().StartCycle();
        frame->cycle().onTimer(ExposureCycle::kTimerId);
    }
    std::set<std::string> files() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::string stamp() const { return screenshotTimeStamp(wallClock.at); }

    velmora::testing::TempHome home;
    std::string folder;
    MemorySettingsStore store;
    QuietWindow window;
    FakeTimer timer;
    FakeClock clock;
    FixedFreeSpace disk{std::nullopt};
    RecordedMessages messages;
    ScriptedFolders folders;
    SettableClock wallClock;
    std::unique_ptr<fakes::FakeDrivers> drivers;
    std::unique_ptr<MainFrame> frame;
    ScreenshotBar* bar = nullptr;
    int level = 0;
};

} // namespace

TEST_F(ScreenshotTest, TheBarWorksOnlyWithAnImageWindowAndNeverForTiffOrBmp)
{
    for (int id :
         {sb::kFits, sb::kSplit, sb::kFolder, sb::kName, sb::kBrowse, sb::kScreenShot, sb::kStandardFits})
        EXPECT_FALSE(frame->controlEnabled(id)) << id;
    EXPECT_FALSE(frame->applyControl(sb::kScreenShot, 0));
    exposeOnce();
    ASSERT_NE(frame->imageWindow(), nullptr);
    for (int id :
         {sb::kFits, sb::kSplit, sb::kFolder, sb::kName, sb::kBrowse, sb::kScreenShot, sb::kStandardFits})
        EXPECT_TRUE(frame->controlEnabled(id)) << id;
    EXPECT_FALSE(frame->controlEnabled(sb::kTiff));
    EXPECT_FALSE(frame->controlEnabled(sb::kBmp));
    EXPECT_EQ(bar->screenshot()->folderText(), folder);
    EXPECT_TRUE(frame->applyControl(sb::kScreenShot, 0));
    EXPECT_EQ(files(), std::set<std::string>{"Screenshot_" + stamp() + ".fits"});
    EXPECT_EQ(stamp().size(), std::string("(14.11.2023 22-13-20)").size());
    frame->cycle().closeImageWindow();
    EXPECT_FALSE(frame->controlEnabled(sb::kScreenShot));
}

TEST_F(ScreenshotTest, TwoScreenshotsInOneSecondShareANameAndTheSecondStays)
{
    drivers->camera.geometry = {16, 8, 1};
    exposeOnce();
    frame->applyControl(sb::kScreenShot, 0);
    level = 100;
    exposeOnce();
    wallClock.at += std::chrono::milliseconds(900);
    frame->applyControl(sb::kScreenShot, 0);
    ASSERT_EQ(files().size(), 1u);
    const std::string bytes = velmora::testing::readFile(folder + "Screenshot_" + stamp() + ".fits");
    ASSERT_EQ(bytes.size(), 2880u + 16 * 8 * 2);
    const ImageFrame& raw = frame->imageWindow()->pipeline().rawFrame();
    // The first data row is the frame's bottom row.
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[2880]), raw.at(0, 0, 7) >> 9);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[2881]), (raw.at(0, 0, 7) >> 1) & 0xFF);
}

TEST_F(ScreenshotTest, SplitWritesOneFilePerPlaneEvenForASinglePlane)
{
    drivers->camera.geometry = {8, 4, 3};
    exposeOnce();
    frame->imageWindow()->planeColours().setCaption(1, "Green");
    frame->applyControl(sb::kSplit, 1);
    frame->applyControl(sb::kScreenShot, 0);
    const std::string s = stamp();
    EXPECT_EQ(files(),
              (std::set<std::string>{"Screenshot_" + s + "_Plane 1.fits", "Screenshot_" + s + "_Green.fits",
                                     "Screenshot_" + s + "_Plane 3.fits"}));
    for (const std::string& name : files())
        EXPECT_EQ(fs::file_size(folder + name), 2880u + 8 * 4 * 2) << name;

    frame->cycle().closeImageWindow();
    drivers->camera.geometry = {8, 4, 1};
    for (const std::string& name : files())
        fs::remove(folder + name);
    exposeOnce();
    EXPECT_TRUE(bar->screenshot()->settings().split) << "kept by the window that went";
    wallClock.at += std::chrono::seconds(5);
    frame->applyControl(sb::kScreenShot, 0);
    EXPECT_EQ(files(), std::set<std::string>{"Screenshot_" + stamp() + "_Plane 1.fits"});
}

TEST_F(ScreenshotTest, TheFileHoldsTheCorrectedRawFrameNotTheStretchedDisplay)
{
    drivers->camera.geometry = {8, 4, 1};
    exposeOnce();
    FramePipeline& pipeline = frame->imageWindow()->pipeline();
    DarkSubtraction corrector;
    pipeline.setFrameCorrector(&corrector);
    pipeline.darkFrame().Allocate(8, 1, 4);
    std::fill(pipeline.darkFrame().sampleSpan().begin(), pipeline.darkFrame().sampleSpan().end(),
              std::uint16_t{1000});
    pipeline.setApplyDark(true);
    frame->applyControl(processing_bar::kApplyHistogram, 1); // the preview shows a stretch
    ASSERT_TRUE(frame->applyControl(processing_bar::kMinimumEdit, 20000));
    exposeOnce();
    const ImageFrame& raw = pipeline.rawFrame();
    ASSERT_NE(std::vector<std::uint16_t>(raw.sampleSpan().begin(), raw.sampleSpan().end()),
              std::vector<std::uint16_t>(pipeline.workingFrame().sampleSpan().begin(),
                                         pipeline.workingFrame().sampleSpan().end()));
    frame->applyControl(sb::kScreenShot, 0);
    const std::string bytes = velmora::testing::readFile(folder + "Screenshot_" + stamp() + ".fits");
    ASSERT_EQ(bytes.size(), 2880u + 64);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            const std::size_t at = 2880 + static_cast<std::size_t>((3 - y) * 16 + x * 2);
            const int stored =
                static_cast<std::uint8_t>(bytes[at]) << 8 | static_cast<std::uint8_t>(bytes[at + 1]);
            const int camera = static_cast<int>(((x + 8 * y) * 7) % 256) * 257; // 8 bits to full scale
            EXPECT_EQ(stored, std::max(camera - 1000, 0) >> 1) << x << "," << y;
        }
    }
    pipeline.setFrameCorrector(nullptr);
}

TEST_F(ScreenshotTest, FolderAndNameRulesAndTheSettingsThatStay)
{
    exposeOnce();
    Screenshot& shot = *bar->screenshot();
    shot.setFolderText(folder + "missing///");
    EXPECT_FALSE(shot.take());
    EXPECT_EQ(shot.folderText(), folder + "missing/");
    shot.setFolderText(folder + "//");
    shot.setNameText("bad|name");
    EXPECT_FALSE(shot.take());
    EXPECT_EQ(messages.shown, (std::vector<std::string>{"Invalid Path...", "Invalid Name..."}));
    shot.setNameText("Saturn   ");
    EXPECT_TRUE(shot.take());
    EXPECT_TRUE(files().contains("Saturn_" + stamp() + ".fits"));
    folders.answer = home.path() + "///";
    frame->applyControl(sb::kBrowse, 0);
    EXPECT_EQ(shot.folderText(), home.path() + "/");
    shot.setNameText("typed, not used");
    frame->applyControl(sb::kStandardFits, 1);
    frame->cycle().closeImageWindow();
    EXPECT_EQ(store.readString("Screenshot", "Folder Path", ""), home.path() + "/");
    EXPECT_EQ(store.readString("Screenshot", "File Name", ""), "Saturn");
    EXPECT_EQ(store.readInt("Screenshot", "Standard FITS", 0), 1);
    EXPECT_EQ(store.readInt("Screenshot", "File Format", 9), 0);
}
