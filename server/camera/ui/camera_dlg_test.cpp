// The camera setup dialog on a camera object of the server in simulator mode (the Sky
// Simulator and the simulated parallel port), driven through its widgets offscreen:
// connecting, the pattern display, edits, profiles, the preview, and the format and
// source pages acting on the simulated device.
#include "server/camera/ui/camera_dlg.h"
#include "testing/ui/next_modal.h"

#include "common/ui/control_form.h"
#include "common/ui/my_edit.h"
#include "common/ui/my_slider_ctrl.h"
#include "server/app/server_devices.h"
#include "server/camera/camera_driver.h"
#include "server/camera/ui/format_page_dlg.h"
#include "server/camera/ui/preview_wnd.h"
#include "server/camera/ui/source_page_dlg.h"
#include "server/frame/profile_list.h"
#include "server/frame/ui/profile_dlg.h"
#include "sim/sky/sky_simulator_backend.h"
#include "sim/sky/sky_simulator_source.h"
#include "testing/temp_home.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace velmora::server {
namespace {

namespace cd = camera_dlg;

using velmora::testing::onNextModal;

class CameraDialogTest : public ::testing::Test {
protected:
    CameraDialogTest()
    {
        setenv("VELMORA_SIMULATOR", "1", 1);
        devices = std::make_unique<ServerDevices>(true);
        camera = std::make_unique<CameraDriver>(devices->cameraEnvironment());
        dialog = std::make_unique<CCameraDlg>(*camera);
        dialog->show();
    }
    ~CameraDialogTest() override
    {
        dialog.reset();
        camera->finalRelease();
        camera.reset();
        devices.reset();
        unsetenv("VELMORA_SIMULATOR");
    }
    template <class T> T* control(int id) const { return qobject_cast<T*>(dialog->control(id)); }
    void click(int id) { QTest::mouseClick(control<QAbstractButton>(id), Qt::LeftButton); }
    void type(int id, const QString& text)
    {
        auto* edit = control<common::CMyEdit>(id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        QCoreApplication::processEvents(); // the edit posts its commit
    }
    void connectToTheSky()
    {
        auto* list = control<QComboBox>(cd::kDevice);
        const int sky = list->findText(sim::SkySimulatorBackend::kDeviceName);
        ASSERT_GE(sky, 0);
        emit list->activated(sky); // as a user's choice in the list
        bool connected = false;
        camera->getConnected(connected);
        ASSERT_TRUE(connected);
    }
    // The next image of a zero-length exposure.
    ColourImage nextImage()
    {
        bool started = false;
        EXPECT_EQ(camera->StartExposure(0.0, true, started), DriverError::None);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            bool ready = false;
            camera->getImageReady(ready);
            return ready;
        }));
        ColourImage image;
        camera->useImage([&](const ColourImage& i) { image = i; });
        return image;
    }
    static double mean(const ColourImage& image)
    {
        double sum = 0;
        const std::size_t n = image.byteCount() / sizeof(std::int32_t);
        for (std::size_t i = 0; i < n; ++i)
            sum += image.data()[i];
        return n ? sum / static_cast<double>(n) : 0.0;
    }

    velmora::testing::TempHome home;
    std::unique_ptr<ServerDevices> devices;
    std::unique_ptr<CameraDriver> camera;
    std::unique_ptr<CCameraDlg> dialog;
};

TEST_F(CameraDialogTest, OpensDisconnectedAndConnectsToTheSkySimulator)
{
    EXPECT_EQ(dialog->windowTitle(), "Camera Setup - Default");
    EXPECT_EQ(control<QPushButton>(cd::kConnect)->text(), "Connect");
    for (int id : {cd::kFormat, cd::kSource, cd::kPreview, cd::kPreviewExposure, cd::kRestart})
        EXPECT_FALSE(dialog->control(id)->isEnabled()) << id;
    EXPECT_EQ(control<QComboBox>(cd::kPort)->currentText(), "LPT1");
    EXPECT_FALSE(control<QComboBox>(cd::kSpeed)->isEnabled()) << "LPT1 has no speed";
    EXPECT_TRUE(control<QRadioButton>(cd::kOriginal)->isChecked());

    connectToTheSky();
    EXPECT_EQ(control<QPushButton>(cd::kConnect)->text(), "Disconnect");
    EXPECT_EQ(control<QComboBox>(cd::kDevice)->currentText(), "Sky Simulator");
    for (int id : {cd::kFormat, cd::kSource, cd::kPreview})
        EXPECT_TRUE(dialog->control(id)->isEnabled()) << id;
    EXPECT_FALSE(control<QLabel>(cd::kPortStatus)->text().isEmpty());

    click(cd::kConnect);
    bool connected = true;
    camera->getConnected(connected);
    EXPECT_FALSE(connected);
    EXPECT_EQ(control<QPushButton>(cd::kConnect)->text(), "Connect");
    EXPECT_FALSE(dialog->control(cd::kFormat)->isEnabled());
}

TEST_F(CameraDialogTest, ColourModesShowOrHideThePatternAndTheArrowsStepIt)
{
    for (int id : {cd::kPatternLeft, cd::kPatternRight, cd::kCellTopLeft, cd::kCellFrameTopLeft + 3})
        EXPECT_FALSE(dialog->control(id)->isVisible()) << "Original: " << id;
    click(cd::kLuminosity);
    EXPECT_EQ(camera->colourSettings().mode, ColourMode::Luminosity);
    for (int id : {cd::kPatternLeft, cd::kPatternRight, cd::kCellTopLeft, cd::kCellFrameTopLeft + 3})
        EXPECT_TRUE(dialog->control(id)->isVisible()) << "Luminosity: " << id;
    EXPECT_EQ(control<QLabel>(cd::kPatternLabel)->text(), "PATTERN - 1");
    // Type 0: green, red on top (the frame's row 1), blue, green below.
    const int expected[] = {112, 111, 113, 112};
    for (int i = 0; i < cd::kCells; ++i)
        EXPECT_EQ(dialog->control(cd::kCellTopLeft + i)->property("bitmap").toInt(), expected[i]) << i;

    click(cd::kPatternLeft);
    EXPECT_EQ(camera->colourSettings().matrixType, 3);
    EXPECT_EQ(control<QLabel>(cd::kPatternLabel)->text(), "PATTERN - 4");
    click(cd::kPatternRight);
    EXPECT_EQ(control<QLabel>(cd::kPatternLabel)->text(), "PATTERN - 1");
    click(cd::kOriginal);
    EXPECT_FALSE(dialog->control(cd::kCellTopLeft)->isVisible());
}

TEST_F(CameraDialogTest, EditsActOnTheCameraAtOnceAndTheSubFrameFollowsItsClamping)
{
    connectToTheSky();
    type(cd::kNumX, "200");
    std::int32_t numX = 0;
    camera->getNumX(numX);
    EXPECT_EQ(numX, 200);
    type(cd::kStartX, "500");
    std::int32_t startX = 0;
    camera->getStartX(startX);
    EXPECT_EQ(startX, 500);
    camera->getNumX(numX);
    EXPECT_EQ(control<common::CMyEdit>(cd::kNumX)->value(), numX) << "the resulting width is shown";
    type(cd::kAccumulate, "300");
    EXPECT_EQ(camera->settings().framesNumber, 257) << "the edit keeps 1 to 257";
    type(cd::kRedCoeff, "40");
    EXPECT_EQ(camera->settings().redCoeff, 40);
    EXPECT_EQ(control<common::CMyEdit>(cd::kPixelWidth)->text(), "5.60") << "micrometres with decimals";
    type(cd::kPixelWidth, "7.40");
    EXPECT_DOUBLE_EQ(camera->settings().pixelWidth, 7.4);
}

TEST_F(CameraDialogTest, AProfileIsSavedUnderANewNameLoadedBackAndDeleted)
{
    type(cd::kMatrixWidth, "1280");
    onNextModal<CSaveProfileDlg>([](CSaveProfileDlg& save) {
        save.nameEdit()->clear();
        QTest::keyClicks(save.nameEdit(), "Night");
        QTest::mouseClick(save.defaultButton(), Qt::LeftButton);
    });
    click(cd::kSaveProfile);
    EXPECT_EQ(dialog->windowTitle(), "Camera Setup - Night");
    EXPECT_EQ(listProfiles(kCameraDriverName), (std::vector<std::string>{"Default", "Night"}));

    type(cd::kMatrixWidth, "800");
    onNextModal<CLoadProfileDlg>([](CLoadProfileDlg& load) {
        EXPECT_EQ(load.list()->currentItem()->text(0), "Night");
        QTest::mouseClick(load.defaultButton(), Qt::LeftButton);
    });
    click(cd::kLoadProfile);
    EXPECT_EQ(camera->settings().matrixWidth, 1280);
    EXPECT_EQ(control<common::CMyEdit>(cd::kMatrixWidth)->value(), 1280);

    onNextModal<CLoadProfileDlg>([](CLoadProfileDlg& load) {
        load.list()->setCurrentItem(load.list()->topLevelItem(1));
        QTest::mouseClick(load.deleteButton(), Qt::LeftButton);
        load.reject();
    });
    click(cd::kLoadProfile);
    EXPECT_EQ(listProfiles(kCameraDriverName), (std::vector<std::string>{"Default"}));
}

TEST_F(CameraDialogTest, ThePreviewShowsASimulatedFrameAndClosingItAbortsAndDisablesRestart)
{
    connectToTheSky();
    click(cd::kPreview);
    CPreviewWnd* preview = dialog->previewWindow();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle(), "Preview");
    EXPECT_TRUE(dialog->control(cd::kRestart)->isEnabled());
    EXPECT_TRUE(dialog->control(cd::kPreviewExposure)->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !preview->surfaceImage().isNull(); }));
    EXPECT_EQ(preview->surfaceImage().size(), QSize(640, 480));
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview->size() == QSize(640, 480); }));
    const QImage shown = preview->grab().toImage();
    bool lit = false;
    for (int y = 0; y < shown.height() && !lit; y += 4)
        for (int x = 0; x < shown.width() && !lit; x += 4)
            lit = qGray(shown.pixel(x, y)) > 0;
    EXPECT_TRUE(lit) << "the simulated sky is drawn";

    preview->close();
    EXPECT_EQ(dialog->previewWindow(), nullptr);
    EXPECT_FALSE(dialog->control(cd::kRestart)->isEnabled());
    EXPECT_FALSE(dialog->control(cd::kPreviewExposure)->isEnabled());
    std::int32_t state = -1;
    camera->getCameraState(state);
    EXPECT_EQ(state, 0) << "the preview's exposure was aborted";
}

TEST_F(CameraDialogTest, TheFormatPageChangesTheFrameSizeAndResetsTheSubFrame)
{
    connectToTheSky();
    type(cd::kNumX, "300");
    onNextModal<CFormatPageDlg>([](CFormatPageDlg& page) {
        const int small = page.sizeList()->findText("320 x 240");
        ASSERT_GE(small, 0);
        emit page.sizeList()->activated(small);
        page.accept();
    });
    click(cd::kFormat);
    std::int32_t width = 0, height = 0, numX = 0, numY = 0;
    camera->getCameraXSize(width);
    camera->getCameraYSize(height);
    camera->getNumX(numX);
    camera->getNumY(numY);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(numX, 320) << "the sub-frame is the whole new frame";
    EXPECT_EQ(numY, 240);
    EXPECT_EQ(control<common::CMyEdit>(cd::kNumX)->value(), 320);
    const ColourImage image = nextImage();
    EXPECT_EQ(image.width(), 320);
    EXPECT_EQ(image.height(), 240);
}

TEST_F(CameraDialogTest, TheSourcePageListsTheSimulatorsSettingsAndGainChangesTheNextFrame)
{
    connectToTheSky();
    const double before = mean(nextImage());
    onNextModal<CSourcePageDlg>([this](CSourcePageDlg& page) {
        ASSERT_EQ(page.page().rows().size(), 3u);
        EXPECT_EQ(page.page().rows()[0].control.name, "Brightness");
        auto* gain = page.findChild<common::CMySliderCtrl*>("Gain");
        ASSERT_NE(gain, nullptr);
        EXPECT_EQ(gain->sliderPosition(), 100);
        gain->setValue(25);
        EXPECT_TRUE(
            QTest::qWaitFor([this] { return camera->controlValue(sim::SkySimulatorSource::kGain) == 25; }));
        page.accept();
    });
    click(cd::kSource);
    EXPECT_EQ(camera->controlValue(sim::SkySimulatorSource::kGain), 25);
    const double after = mean(nextImage());
    EXPECT_LT(after, before * 0.6) << "a quarter of the signal is kept";
}

} // namespace
} // namespace velmora::server
