// The capture window and the screenshot bar offscreen in the main window, over
// in-process fake drivers.
#include "client/capture/ui/capture_dlg.h"
#include "client/shell/test_doubles.h"

#include "client/capture/capture_panel.h"
#include "client/capture/capture_tool.h"
#include "client/capture/screenshot.h"
#include "client/devices/fake_drivers.h"
#include "client/devices/high_resolution_clock.h"
#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/shell/command_ids.h"
#include "client/shell/file_dialogs.h"
#include "client/shell/memory_settings_store.h"
#include "client/shell/ui/main_frame.h"
#include "client/shell/user_paths.h"
#include "common/ui/control_form.h"
#include "platform/automation/apartment.h"
#include "testing/temp_home.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

using namespace velmora::client;
using namespace velmora;
namespace cd = velmora::client::capture_dlg;
namespace sb = velmora::client::screenshot_bar;
namespace pb = velmora::client::processing_bar;
namespace fs = std::filesystem;

namespace {

struct ScriptedFolders : FolderChooser {
    std::optional<std::string> chooseFolder(const std::string&) override { return answer; }
    std::optional<std::string> answer;
};
struct RecordedMessages : MessageBoxes {
    void showMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class CaptureDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        folder = home.path() + "/out";
        fs::create_directories(folder);
        drivers = std::make_unique<fakes::FakeDrivers>("Fake.CaptureUi", store);
        drivers->camera.geometry = {40, 30, 1};
        frame = std::make_unique<CMainFrame>(store, clock, disk);
        registerCaptureWindows(*frame, folders, messages);
        frame->show();
    }
    void TearDown() override
    {
        frame.reset();
        drivers.reset();
        CoUninitialize();
    }
    void exposeOnce()
    {
        frame->core().cycle().StartCycle();
        frame->core().cycle().onTimer(ExposureCycle::kTimerId);
        QCoreApplication::processEvents();
    }
    CCaptureDlg& openCapture()
    {
        exposeOnce();
        frame->refreshCommandStates();
        frame->action(kCommandCapture)->trigger();
        MeasurementTool* tool = frame->core().imageWindow()->toolOfSection("Capture");
        EXPECT_NE(tool, nullptr);
        return *static_cast<CCaptureDlg*>(frame->toolWindow(*tool));
    }
    static void type(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    template <typename T> T* bar(int id) { return frame->barForm(DialogBar::Screenshot)->controlAs<T>(id); }
    std::size_t filesIn(const std::string& where) const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(where), fs::directory_iterator()));
    }

    velmora::testing::TempHome home;
    std::string folder;
    MemorySettingsStore store;
    SteppingClock clock{100};
    FixedFreeSpace disk{std::nullopt};
    ScriptedFolders folders;
    RecordedMessages messages;
    std::unique_ptr<fakes::FakeDrivers> drivers;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace

TEST_F(CaptureDlgTest, OpensOnceShowsCheckedAndRecordsTypedSettings)
{
    CCaptureDlg& window = openCapture();
    EXPECT_EQ(window.windowTitle(), "Capture");
    EXPECT_EQ(frame->windowTitle(), "Velmora Nebrix Client - Capture");
    frame->refreshCommandStates();
    EXPECT_TRUE(frame->action(kCommandCapture)->isChecked());
    frame->core().imageWindow()->previewTool().Activate();
    frame->action(kCommandCapture)->trigger();
    EXPECT_EQ(frame->core().imageWindow()->toolCount(), 2) << "the same window comes to the front";

    common::ControlForm& form = *window.form();
    type(form.controlAs<QLineEdit>(cd::kPath), QString::fromStdString(folder + "//"));
    type(form.controlAs<QLineEdit>(cd::kName), QStringLiteral("Vega"));
    QTest::mouseClick(form.controlAs<QAbstractButton>(cd::kFitsFile), Qt::LeftButton);
    EXPECT_TRUE(form.control(cd::kSuffix)->isEnabled());
    EXPECT_FALSE(form.control(cd::kMakeSnap)->isEnabled());
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    CaptureTool& tool = window.captureTool();
    ASSERT_TRUE(tool.running()) << (messages.shown.empty() ? "" : messages.shown[0]);
    EXPECT_EQ(window.startButton()->text(), "Stop");
    EXPECT_EQ(form.controlAs<QLineEdit>(cd::kPath)->text().toStdString(), folder + "/");
    for (int id : {cd::kPath, cd::kBrowse, cd::kName, cd::kAviFile, cd::kPrefix, cd::kSuffix, cd::kSplit})
        EXPECT_FALSE(form.control(id)->isEnabled()) << id;
    // The processing bar keeps the output size while the capture runs.
    EXPECT_FALSE(frame->core().controlEnabled(pb::kSquareEdit));
    EXPECT_FALSE(frame->core().controlEnabled(pb::kFullScreen));
    exposeOnce();
    exposeOnce();
    EXPECT_EQ(form.controlAs<QLineEdit>(cd::kFrameNumber)->text(), "2");
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    EXPECT_TRUE(frame->core().controlEnabled(pb::kFullScreen));
    EXPECT_TRUE(fs::exists(folder + "/Vega-000-000.fits"));
    EXPECT_TRUE(fs::exists(folder + "/Vega-000-001.fits"));
    window.close(); // the settings go with the window
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(store.readString("Capture", "File Name", ""), "Vega");
    EXPECT_EQ(store.readInt("Capture", "File Type", 0), 1);
}

TEST_F(CaptureDlgTest, ManualModeEnablesMakeSnapAndAnInvalidPathSaysSo)
{
    CCaptureDlg& window = openCapture();
    common::ControlForm& form = *window.form();
    type(form.controlAs<QLineEdit>(cd::kPath), QStringLiteral("/no/such/folder"));
    QTest::mouseClick(form.controlAs<QAbstractButton>(cd::kManualMode), Qt::LeftButton, {},
                      QPoint(6, form.control(cd::kManualMode)->height() / 2));
    ASSERT_TRUE(form.control(cd::kMakeSnap)->isEnabled());
    QTest::mouseClick(form.controlAs<QAbstractButton>(cd::kMakeSnap), Qt::LeftButton);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Invalid Path..."});
    EXPECT_FALSE(window.captureTool().running());
    folders.answer = folder;
    QTest::mouseClick(form.controlAs<QAbstractButton>(cd::kBrowse), Qt::LeftButton);
    EXPECT_EQ(form.controlAs<QLineEdit>(cd::kPath)->text().toStdString(), folder + "/");
    QTest::mouseClick(form.controlAs<QAbstractButton>(cd::kMakeSnap), Qt::LeftButton);
    ASSERT_TRUE(window.captureTool().running());
    exposeOnce();
    exposeOnce();
    EXPECT_EQ(window.captureTool().framesWritten(), 1);
    window.close();
    EXPECT_TRUE(fs::exists(folder + "/Capture-000.avi"));
}

TEST_F(CaptureDlgTest, TheScreenshotBarSavesTheFrameWhileAnImageWindowExists)
{
    frame->refreshCommandStates();
    EXPECT_FALSE(bar<QWidget>(sb::kScreenShot)->isEnabled());
    exposeOnce();
    frame->refreshCommandStates();
    ASSERT_TRUE(bar<QWidget>(sb::kScreenShot)->isEnabled());
    EXPECT_FALSE(bar<QWidget>(sb::kTiff)->isEnabled());
    EXPECT_FALSE(bar<QWidget>(sb::kBmp)->isEnabled());
    type(bar<QLineEdit>(sb::kFolder), QString::fromStdString(folder));
    QTest::mouseClick(bar<QAbstractButton>(sb::kSplit), Qt::LeftButton, {},
                      QPoint(6, bar<QWidget>(sb::kSplit)->height() / 2));
    QTest::mouseClick(bar<QAbstractButton>(sb::kScreenShot), Qt::LeftButton);
    EXPECT_TRUE(messages.shown.empty()) << messages.shown[0];
    EXPECT_EQ(bar<QLineEdit>(sb::kFolder)->text().toStdString(), folder + "/");
    ASSERT_EQ(filesIn(folder), 1u);
    const std::string name = fs::directory_iterator(folder)->path().filename().string();
    EXPECT_EQ(name.rfind("Screenshot_(", 0), 0u) << name;
    EXPECT_NE(name.find(")_Plane 1.fits"), std::string::npos) << name;
    frame->core().cycle().closeImageWindow();
    EXPECT_EQ(store.readString("Screenshot", "Folder Path", ""), folder + "/");
    EXPECT_EQ(store.readInt("Screenshot", "Split", 0), 1);
}
