// The capture run over a real image window: names and numbers, the messages that
// refuse a start or end a run, manual snaps, split planes, the files' contents, the
// locked square and the settings.
#include "client/capture/capture_tool.h"

#include "client/capture/capture_panel.h"
#include "client/capture/wall_clock.h"
#include "client/image/image_geometry.h"
#include "client/image/image_window.h"
#include "client/image/plane_colours.h"
#include "client/image/test_camera.h"
#include "client/shell/file_dialogs.h"
#include "client/shell/memory_settings_store.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace velmora::client;
namespace cd = capture_dlg;
namespace fs = std::filesystem;

namespace {

struct RecordedMessages : MessageBoxes {
    void showMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

struct ScriptedFolders : FolderChooser {
    std::optional<std::string> chooseFolder(const std::string& start) override
    {
        starts.push_back(start);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> starts;
};

struct FixedClock : WallClock {
    std::chrono::system_clock::time_point now() const override { return at; }
    std::chrono::system_clock::time_point at = std::chrono::sys_days{std::chrono::year{2024} / 3 / 9};
};

class CaptureToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = home.path() + "/captures";
        fs::create_directories(folder);
        store.writeString("Capture", "Folder Name", folder);
    }
    void open(int width = 32, int height = 24, int planes = 1)
    {
        camera = std::make_unique<TestCamera>(width, height, planes, 100);
        window = ImageWindow::create(width, height, planes, store, geometry, colours);
        window->setDigitCapacity(16);
        window->deliverFrame(camera->span(), width, height, planes);
        tool = std::make_unique<CaptureTool>(
            *window, CaptureEnvironment{store, messages, folders, clock, [] { return 2.5; }});
        tool->Activate();
    }
    void frames(int count)
    {
        for (int i = 0; i < count; ++i)
            window->deliverFrame(camera->span(), camera->width, camera->height, camera->planeCount);
    }
    std::set<std::string> files() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }
    void fits() { ASSERT_TRUE(applyCaptureControl(*tool, cd::kFitsFile, 1)); }

    velmora::testing::TempHome home;
    std::string folder;
    MemorySettingsStore store;
    ImageGeometry geometry;
    PlaneColours colours;
    RecordedMessages messages;
    ScriptedFolders folders;
    FixedClock clock;
    std::unique_ptr<TestCamera> camera;
    std::unique_ptr<ImageWindow> window;
    std::unique_ptr<CaptureTool> tool;
};

} // namespace

TEST_F(CaptureToolTest, AnEmptyFolderStartsRunZeroAndEachNewFrameGoesIntoTheVideo)
{
    open();
    tool->SetFullScreen(true);
    tool->Start();
    ASSERT_TRUE(tool->running());
    EXPECT_EQ(tool->runNumberText(), "000");
    frames(4);
    EXPECT_EQ(tool->framesWritten(), 4);
    tool->ProcessFrame(false); // a re-processed frame is no new frame
    EXPECT_EQ(tool->framesWritten(), 4);
    tool->Stop();
    EXPECT_EQ(files(), (std::set<std::string>{"Capture-000.avi"}));
    // Header, hdrl lists and 4 chunks of 32 × 24 × 4 bytes, then the indexes.
    EXPECT_GT(fs::file_size(folder + "/Capture-000.avi"), 4u * (8 + 32 * 24 * 4));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(CaptureToolTest, TheRunNumberFollowsTheLargestOfThisNameAndKind)
{
    for (const char* name : {"Capture-004.avi", "Capture-012-005.fits", "CaptureX-099.avi", "capture-050.avi",
                             "Capture-077.txt", "Capture-.avi"})
        velmora::testing::writeFile(folder + "/" + name, "");
    EXPECT_EQ(nextRunNumber(folder, "Capture", CaptureFileType::Avi), 5u);
    EXPECT_EQ(nextRunNumber(folder, "Capture", CaptureFileType::Fits), 13u);
    EXPECT_EQ(nextRunNumber(folder, "Other", CaptureFileType::Avi), 0u);
    open();
    tool->Start();
    EXPECT_EQ(tool->runNumberText(), "005");
    tool->Stop();
    fits();
    tool->Start();
    EXPECT_EQ(tool->runNumberText(), "013");
    frames(1);
    tool->Stop();
    EXPECT_TRUE(files().contains("Capture-013-000.fits"));
}

TEST_F(CaptureToolTest, APrefixTooShortForTheRunNumberRefusesToStart)
{
    velmora::testing::writeFile(folder + "/Capture-9.avi", "");
    open();
    ASSERT_TRUE(applyCaptureControl(*tool, cd::kPrefix, 1));
    tool->Start();
    EXPECT_FALSE(tool->running());
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Prefix Overflow..."});
    EXPECT_EQ(files().size(), 1u);
    ASSERT_TRUE(applyCaptureControl(*tool, cd::kPrefix, 2));
    tool->Start();
    EXPECT_EQ(tool->runNumberText(), "10");
}

TEST_F(CaptureToolTest, ASuffixOfOneDigitWritesTenFramesAndStopsOnTheEleventh)
{
    open();
    fits();
    ASSERT_TRUE(applyCaptureControl(*tool, cd::kSuffix, 1));
    tool->Start();
    frames(10);
    EXPECT_TRUE(tool->running());
    EXPECT_TRUE(messages.shown.empty());
    frames(1);
    EXPECT_FALSE(tool->running());
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Suffix Overflow..."});
    EXPECT_EQ(tool->framesWritten(), 10);
    std::set<std::string> expected;
    for (int i = 0; i < 10; ++i)
        expected.insert("Capture-000-" + std::to_string(i) + ".fits");
    EXPECT_EQ(files(), expected);
}

TEST_F(CaptureToolTest, TrailingSlashesCollapseToOneBeforeTheFolderIsChecked)
{
    open();
    tool->setFolderText(folder + "///");
    tool->Start();
    EXPECT_TRUE(tool->running());
    EXPECT_EQ(tool->folderText(), folder + "/");
    tool->Stop();
    tool->setFolderText(folder + "/missing//");
    tool->Start();
    EXPECT_FALSE(tool->running());
    EXPECT_EQ(tool->folderText(), folder + "/missing/");
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Invalid Path..."});
    // "~" is the home folder, and the rule holds on the expanded path as well.
    setenv("HOME", (folder + "//").c_str(), 1);
    tool->setFolderText("~//");
    tool->Start();
    EXPECT_TRUE(tool->running());
    EXPECT_EQ(tool->folderText(), "~/");
    tool->Stop();
    EXPECT_TRUE(files().contains("Capture-000.avi"));
    unsetenv("HOME");
}

TEST_F(CaptureToolTest, ANameWithAForbiddenCharacterIsRefusedAndTrailingSpacesGo)
{
    open();
    for (const char* name : {"a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b"}) {
        messages.shown.clear();
        tool->setNameText(name);
        tool->Start();
        EXPECT_FALSE(tool->running()) << name;
        EXPECT_EQ(messages.shown, std::vector<std::string>{"Invalid Name..."}) << name;
    }
    tool->setNameText("Moon  ");
    tool->Start();
    EXPECT_TRUE(tool->running());
    tool->Stop();
    EXPECT_TRUE(files().contains("Moon-000.avi"));
    EXPECT_EQ(tool->captureSettings().name, "Moon");
}

TEST_F(CaptureToolTest, MakeSnapAtRestInManualModeWritesExactlyTheNextNewFrame)
{
    open();
    fits();
    EXPECT_FALSE(captureControlEnabled(*tool, cd::kMakeSnap));
    ASSERT_TRUE(applyCaptureControl(*tool, cd::kManualMode, 1));
    ASSERT_TRUE(captureControlEnabled(*tool, cd::kMakeSnap));
    ASSERT_TRUE(applyCaptureControl(*tool, cd::kMakeSnap, 0));
    EXPECT_TRUE(tool->running());
    frames(3);
    EXPECT_EQ(tool->framesWritten(), 1);
    applyCaptureControl(*tool, cd::kMakeSnap, 0);
    frames(2);
    EXPECT_EQ(files(), (std::set<std::string>{"Capture-000-000.fits", "Capture-000-001.fits"}));
    tool->Stop();
    // Manual mode off: Make Snap just starts a continuous run.
    applyCaptureControl(*tool, cd::kManualMode, 0);
    tool->makeSnap();
    frames(3);
    EXPECT_EQ(tool->framesWritten(), 3);
    EXPECT_EQ(tool->runNumberText(), "001");
}

TEST_F(CaptureToolTest, SplitWritesOneFilePerPlaneNamedWithItsCaption)
{
    open(16, 16, 3);
    colours.setCaption(0, "Blue");
    colours.setCaption(2, "R/IR");
    fits();
    applyCaptureControl(*tool, cd::kSplit, 1);
    tool->SetFullScreen(true);
    tool->Start();
    frames(2);
    tool->Stop();
    EXPECT_EQ(files(), (std::set<std::string>{"Capture-000-000-Blue.fits", "Capture-000-000-Plane 2.fits",
                                              "Capture-000-000-R_IR.fits", "Capture-000-001-Blue.fits",
                                              "Capture-000-001-Plane 2.fits", "Capture-000-001-R_IR.fits"}));
    const std::string bytes = velmora::testing::readFile(folder + "/Capture-000-000-Plane 2.fits");
    EXPECT_EQ(bytes.size(), 2880u + 16 * 16 * 2);
    EXPECT_EQ(bytes.substr(160, 30), "NAXIS   =                    2");
}

TEST_F(CaptureToolTest, TheTrackedSquareIsWhatAFitsFrameHolds)
{
    open(64, 48, 1);
    tool->SetSquareSize(16);
    tool->SetSquareCentre(20, 30); // square 12…28 × 22…38
    camera->set(12, 22, 5000).set(27, 37, 60000);
    fits();
    tool->Start();
    frames(1);
    tool->Stop();
    const std::string bytes = velmora::testing::readFile(folder + "/Capture-000-000.fits");
    ASSERT_EQ(bytes.size(), 2880u + 16 * 16 * 2);
    EXPECT_EQ(bytes.substr(240, 30), "NAXIS1  =                   16");
    const auto sample = [&](std::size_t at) {
        return static_cast<std::uint8_t>(bytes[2880 + at]) << 8 | static_cast<std::uint8_t>(bytes[2881 + at]);
    };
    EXPECT_EQ(sample(15 * 32), 5000 >> 1) << "the square's top-left in the last row";
    EXPECT_EQ(sample(15 * 2), 60000 >> 1) << "its bottom-right at the end of the first row";
    EXPECT_EQ(sample(2), 100 >> 1);
}

TEST_F(CaptureToolTest, StandardFitsFilesCarryTheExposure)
{
    open();
    fits();
    applyCaptureControl(*tool, cd::kStandardFits, 1);
    tool->Start();
    frames(1);
    tool->Stop();
    const std::string bytes = velmora::testing::readFile(folder + "/Capture-000-000.fits");
    EXPECT_EQ(bytes.size() % 2880, 0u);
    EXPECT_NE(bytes.find("DATE-OBS= '2024-03-08T23:59:57.500'"), std::string::npos) << "the exposure's start";
    EXPECT_NE(bytes.find("EXPTIME =                2.500"), std::string::npos);
}

TEST_F(CaptureToolTest, WhileRunningTheOutputSizeAndTheNamesAreLocked)
{
    open();
    fits();
    EXPECT_TRUE(tool->processingBarEnables().squareSize);
    tool->Start();
    EXPECT_FALSE(tool->processingBarEnables().squareSize);
    EXPECT_FALSE(tool->processingBarEnables().fullScreen);
    for (int id : {cd::kPath, cd::kBrowse, cd::kName, cd::kAviFile, cd::kFitsFile, cd::kPrefix, cd::kSuffix,
                   cd::kSplit, cd::kStandardFits})
        EXPECT_FALSE(captureControlEnabled(*tool, id)) << id;
    EXPECT_TRUE(captureControlEnabled(*tool, cd::kManualMode));
    EXPECT_FALSE(applyCaptureControl(*tool, cd::kAviFile, 1));
    tool->Stop();
    EXPECT_TRUE(tool->processingBarEnables().fullScreen);
    EXPECT_TRUE(captureControlEnabled(*tool, cd::kSuffix));
    applyCaptureControl(*tool, cd::kAviFile, 1);
    EXPECT_FALSE(captureControlEnabled(*tool, cd::kSuffix)) << "Suffix and Split are FITS only";
    EXPECT_FALSE(captureControlEnabled(*tool, cd::kSplit));
}

TEST_F(CaptureToolTest, AFailedWriteEndsTheRunWithAMessage)
{
    open();
    fits();
    tool->Start();
    frames(1);
    fs::remove(folder + "/Capture-000-000.fits");
    fs::remove(folder);
    frames(1);
    EXPECT_FALSE(tool->running());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].rfind("Write Error...\n", 0), 0u) << messages.shown[0];
    EXPECT_NE(messages.shown[0].find("No such file or directory"), std::string::npos);
}

TEST_F(CaptureToolTest, SettingsAreReadAtCreationAndWrittenAtTheEnd)
{
    store.writeInt("Capture", "Prefix", 40);
    store.writeInt("Capture", "File Type", 1);
    store.writeInt("Capture", "Manual Mode", 1);
    open();
    EXPECT_EQ(tool->captureSettings().prefixDigits, 10);
    EXPECT_EQ(capturePanelView(*tool).folder, folder);
    EXPECT_FALSE(capturePanelView(*tool).aviFile);
    folders.answer = home.path() + "//";
    applyCaptureControl(*tool, cd::kBrowse, 0);
    EXPECT_EQ(folders.starts, std::vector<std::string>{folder});
    EXPECT_EQ(store.readString("Capture", "Folder Name", ""), home.path() + "/") << "stored at once";
    applyCaptureControl(*tool, cd::kSuffix, 0);
    applyCaptureControl(*tool, cd::kSplit, 1);
    applyCaptureControl(*tool, cd::kStandardFits, 1);
    tool->setNameText("Jupiter");
    tool.reset();
    EXPECT_EQ(store.readInt("Capture", "Prefix", 0), 10);
    EXPECT_EQ(store.readInt("Capture", "Suffix", 0), 1);
    EXPECT_EQ(store.readInt("Capture", "Split Planes", 0), 1);
    EXPECT_EQ(store.readInt("Capture", "Standard FITS", 0), 1);
    EXPECT_EQ(store.readInt("Capture", "Manual Mode", 0), 1);
    EXPECT_EQ(store.readString("Capture", "File Name", ""), "Capture") << "only a validated name is kept";
    EXPECT_EQ(store.readInt("Capture", "Square Size", 0), 24) << "the tool's own values too";
}
