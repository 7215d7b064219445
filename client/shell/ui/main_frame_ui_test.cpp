// The main window offscreen, over in-process fake drivers.
#include "client/shell/ui/main_frame.h"

#include "client/devices/fake_drivers.h"
#include "client/devices/high_resolution_clock.h"
#include "client/shell/user_paths.h"
#include "client/image/image_window.h"
#include "client/image/calibration.h"
#include "client/image/processing_bar.h"
#include "client/image/reticle.h"
#include "client/image/ui/child_frame.h"
#include "client/image/ui/my_dialog.h"
#include "client/image/ui/plane_dlg.h"
#include "client/shell/command_ids.h"
#include "client/shell/memory_settings_store.h"
#include "client/shell/test_doubles.h"
#include "common/ui/control_form.h"
#include "client/shell/ui/my_dialog_bar.h"
#include "common/ui/my_edit.h"
#include "platform/automation/apartment.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace velmora::client;
using namespace velmora;
namespace pb = velmora::client::processing_bar;

namespace {

class MainFrameUiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        drivers = std::make_unique<fakes::FakeDrivers>("Fake.Ui", store);
        // A 64 × 48 frame of sky 40 with one star at (20, 10) on plane 0.
        drivers->camera.geometry = {64, 48, 1};
        drivers->camera.render = [](std::vector<std::int32_t>& samples, const FrameGeometry& g) {
            std::fill(samples.begin(), samples.end(), 40);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    samples[static_cast<std::size_t>((20 + dx) + g.width * (10 + dy))] = dx == 0 && dy == 0 ? 250 : 120;
        };
    }
    void TearDown() override
    {
        frame.reset();
        drivers.reset();
        CoUninitialize();
    }
    CMainFrame& open()
    {
        frame = std::make_unique<CMainFrame>(store, clock, freeSpace);
        frame->resize(1400, 900);
        frame->show();
        return *frame;
    }
    void restart()
    {
        frame.reset();
        open();
    }
    // One exposure from the fake camera, delivered on the first tick.
    void exposeOnce()
    {
        frame->core().cycle().StartCycle();
        frame->core().cycle().onTimer(ExposureCycle::kTimerId);
        QCoreApplication::processEvents();
    }
    QToolButton* toolButton(const QString& toolbar, int commandId)
    {
        return qobject_cast<QToolButton*>(frame->toolBar(toolbar)->widgetForAction(frame->action(commandId)));
    }
    template <typename T> T* control(DialogBar bar, int id) { return frame->barForm(bar)->controlAs<T>(id); }

    std::unique_ptr<fakes::FakeDrivers> drivers;
    MemorySettingsStore store;
    SteppingClock clock{50};
    FixedFreeSpace freeSpace{3ull << 30};
    std::unique_ptr<CMainFrame> frame;
};

// A tool window of the capture kind for routing and titles.
class TestToolDlg : public CMyDialog {
public:
    TestToolDlg(ImageWindow& window, SettingsStore& store, QWidget* parent)
        : CMyDialog(std::make_unique<MeasurementTool>("Capture", window.pipeline(), store, window.geometry()),
                    parent)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        tool().Activate();
    }
};

} // namespace

TEST_F(MainFrameUiTest, FirstStartLaysOutToolbarsAndBarsWithEmptyPanes)
{
    store.writeString("Drivers", "Camera", "Missing.Camera");
    open();
    for (const char* name : {"Drivers", "Dialogs", "Display", "Tools"})
        EXPECT_EQ(frame->toolBarArea(frame->toolBar(name)), Qt::TopToolBarArea) << name;
    for (DialogBar bar : {DialogBar::Exposure, DialogBar::Fields, DialogBar::Screenshot})
        EXPECT_EQ(frame->dockWidgetArea(frame->dialogBar(bar)), Qt::TopDockWidgetArea);
    for (DialogBar bar : {DialogBar::Processing, DialogBar::Hardware, DialogBar::Reticle})
        EXPECT_EQ(frame->dockWidgetArea(frame->dialogBar(bar)), Qt::RightDockWidgetArea);
    EXPECT_TRUE(frame->mdiArea()->subWindowList().isEmpty()) << "no image window";
    for (int pane = 1; pane < MainFrame::kStatusPaneCount; ++pane)
        EXPECT_EQ(frame->statusPane(pane)->text(), "") << pane;
    EXPECT_EQ(frame->windowTitle(), "Velmora Nebrix Client");
    // Without a camera driver the Dialogs toolbar and the Processing menu stay disabled.
    for (int id : {kCommandGuiding, kCommandFocusing, kCommandCapture})
        EXPECT_FALSE(frame->action(id)->isEnabled()) << id;
    EXPECT_FALSE(toolButton("Dialogs", kCommandCapture)->isEnabled());
    EXPECT_FALSE(frame->action(kCommandCameraSetup)->isEnabled());
    EXPECT_TRUE(frame->action(kCommandChooseCamera)->isEnabled());
    EXPECT_FALSE(control<QWidget>(DialogBar::Exposure, 1005)->isEnabled()) << "no camera, no Start";
    EXPECT_FALSE(control<QWidget>(DialogBar::Processing, pb::kSquareEdit)->isEnabled());
    EXPECT_EQ(frame->action(kCommandGuiding)->statusTip(), "Display guiding dialog");
    EXPECT_EQ(frame->action(kCommandGuiding)->toolTip(), "Guiding");
}

TEST_F(MainFrameUiTest, ABarHiddenFromTheToolsToolbarStaysHiddenAfterARestart)
{
    open();
    CMyDialogBar* processing = frame->dialogBar(DialogBar::Processing);
    ASSERT_FALSE(processing->isHidden());
    EXPECT_TRUE(frame->action(kCommandProcessingBar)->isChecked());
    QTest::mouseClick(toolButton("Tools", kCommandProcessingBar), Qt::LeftButton);
    EXPECT_TRUE(processing->isHidden());
    EXPECT_FALSE(frame->action(kCommandProcessingBar)->isChecked());
    restart();
    EXPECT_TRUE(frame->dialogBar(DialogBar::Processing)->isHidden());
    EXPECT_FALSE(frame->action(kCommandProcessingBar)->isChecked());
    EXPECT_FALSE(frame->dialogBar(DialogBar::Hardware)->isHidden());
    QTest::mouseClick(toolButton("Tools", kCommandProcessingBar), Qt::LeftButton);
    EXPECT_FALSE(frame->dialogBar(DialogBar::Processing)->isHidden());
}

TEST_F(MainFrameUiTest, ANotDockableBarFloatsUntilItsFlagIsCleared)
{
    store.writeInt("Toolbars", "Reticle", 1);
    open();
    CMyDialogBar* reticle = frame->dialogBar(DialogBar::Reticle);
    EXPECT_TRUE(reticle->isFloating());
    EXPECT_FALSE(reticle->isAreaAllowed(Qt::RightDockWidgetArea));
    EXPECT_FALSE(reticle->isAreaAllowed(Qt::TopDockWidgetArea));

    // Over an edit the right button belongs to the text field.
    QTimer::singleShot(0, [] {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    });
    auto* centreX = frame->barForm(DialogBar::Reticle)->controlAs<QLineEdit>(1014);
    QTest::mouseClick(centreX, Qt::RightButton);
    EXPECT_EQ(reticle->dockingMenusShown(), 0);
    // Over a label it offers "Dockable", unchecked while the bar may not dock.
    auto* label = frame->barForm(DialogBar::Reticle)->findChild<QLabel*>();
    QTest::mouseClick(label, Qt::RightButton);
    ASSERT_EQ(reticle->dockingMenusShown(), 1);
    QAction* dockable = reticle->dockingMenu()->actions().front();
    EXPECT_EQ(dockable->text(), "Dockable");
    EXPECT_FALSE(dockable->isChecked());
    reticle->dockingMenu()->close();
    dockable->trigger();
    EXPECT_TRUE(reticle->isAreaAllowed(Qt::RightDockWidgetArea));
    EXPECT_FALSE(reticle->isAreaAllowed(Qt::TopDockWidgetArea)) << "its own sides only";
    frame.reset();
    EXPECT_EQ(store.readInt("Toolbars", "Reticle", -1), 0);
}

TEST_F(MainFrameUiTest, HardwareBarShowsTheOpticsAndFollowsItsFields)
{
    open();
    auto text = [&](int id) { return control<QLineEdit>(DialogBar::Hardware, id)->text(); };
    EXPECT_EQ(text(1041), "5.00");
    EXPECT_EQ(text(1040), "0.62");
    EXPECT_EQ(text(1042), "1.15");
    EXPECT_EQ(text(1043), "1.15");
    EXPECT_EQ(text(1044), "") << "no image window, no field of view";
    auto* focal = control<common::CMyEdit>(DialogBar::Hardware, 1036);
    focal->setFocus();
    focal->selectAll();
    QTest::keyClicks(focal, "2000");
    QTest::keyClick(focal, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(text(1041), "10.00");
    EXPECT_EQ(text(1042), "0.57");
    exposeOnce();
    frame->refreshCommandStates();
    EXPECT_EQ(text(1044).toStdString(),
              HardwareOptics::shownResult(64 * 0.20626480648278825 * 5.6 / 2.0 / 60).text()); // 0.616… truncated
}

TEST_F(MainFrameUiTest, TitleHeaderAndProcessingBarFollowTheActiveToolWindow)
{
    open();
    frame->registerToolWindow(kCommandCapture, "Capture", [&](ImageWindow& window, QWidget* parent) {
        return new TestToolDlg(window, store, parent);
    });
    exposeOnce();
    ASSERT_NE(frame->childFrame(), nullptr);
    EXPECT_EQ(frame->statusPane(3)->text(), " [64x48x1] ");
    EXPECT_EQ(frame->windowTitle(), "Velmora Nebrix Client - Preview");
    auto* header = control<QLabel>(DialogBar::Processing, pb::kHeader);
    EXPECT_EQ(header->text(), "<< Preview Settings >>");
    EXPECT_TRUE(control<QWidget>(DialogBar::Processing, pb::kSquareEdit)->isEnabled());
    EXPECT_FALSE(control<QWidget>(DialogBar::Fields, 1054)->isEnabled()) << "no calibration handler";
    EXPECT_TRUE(frame->action(kCommandCameraSetup)->isEnabled()) << "only the preview is attached";

    QTest::mouseClick(toolButton("Dialogs", kCommandCapture), Qt::LeftButton);
    EXPECT_EQ(frame->windowTitle(), "Velmora Nebrix Client - Capture");
    EXPECT_EQ(header->text(), "<< Capture Settings >>");
    EXPECT_TRUE(frame->action(kCommandCapture)->isChecked());
    EXPECT_FALSE(frame->action(kCommandCameraSetup)->isEnabled()) << "a tool window besides the preview";

    // The square edit edits the active tool only.
    auto* square = control<common::CMyEdit>(DialogBar::Processing, pb::kSquareEdit);
    square->setFocus();
    square->selectAll();
    QTest::keyClicks(square, "20");
    QTest::keyClick(square, Qt::Key_Return);
    QCoreApplication::processEvents();
    ImageWindow& image = *frame->core().imageWindow();
    EXPECT_EQ(image.toolOfSection("Capture")->settings().squareSize, 20);
    EXPECT_EQ(image.previewTool().settings().squareSize, 48) << "the preview's own square (64, lowered)";

    // Activating the preview's window brings its settings back to the bar.
    CMyDialog* preview = frame->toolWindow(image.previewTool());
    ASSERT_NE(preview, nullptr);
    QApplication::setActiveWindow(preview);
    QCoreApplication::processEvents();
    EXPECT_TRUE(image.previewTool().isActive());
    EXPECT_EQ(frame->windowTitle(), "Velmora Nebrix Client - Preview");
    EXPECT_EQ(square->value(), 48);

    // Closing the capture window detaches its tool; the setup commands come back.
    delete frame->toolWindow(*image.toolOfSection("Capture"));
    frame->refreshCommandStates();
    EXPECT_EQ(image.toolCount(), 1);
    EXPECT_TRUE(frame->action(kCommandCameraSetup)->isEnabled());
}

TEST_F(MainFrameUiTest, TheImageShowsTheStarBottomUpAndTheSquareInTheToolsColour)
{
    open();
    exposeOnce();
    CChildFrame* child = frame->childFrame();
    ASSERT_NE(child, nullptr);
    // A click on the star moves the preview's square there and tracking is not on.
    frame->core().applyControl(pb::kSquareEdit, 16);
    child->view()->viewport()->resize(64, 48);
    QTest::mouseClick(child->view()->viewport(), Qt::LeftButton, {}, QPoint(20, 48 - 1 - 10));
    MeasurementTool& preview = frame->core().imageWindow()->previewTool();
    EXPECT_EQ(preview.centreX(), 20);
    EXPECT_EQ(preview.centreY(), 10);
    const QImage& surface = child->view()->surface();
    ASSERT_EQ(surface.size(), QSize(64, 48));
    EXPECT_EQ(qGray(surface.pixel(20, 47 - 10)), 250) << "row 0 of the frame at the bottom";
    EXPECT_EQ(qGray(surface.pixel(20, 10)), 40);
    const PixelRect square = preview.square();
    EXPECT_EQ(square, (PixelRect{12, 2, 28, 18}));
    EXPECT_EQ(surface.pixel(square.left, 47 - square.top) & 0xFFFFFF, 0xFF0000u) << "the preview's red";
    // The widget shows that surface 1:1.
    const QImage shown = child->view()->viewport()->grab().toImage();
    EXPECT_EQ(qGray(shown.pixel(20, 37)), 250);
    EXPECT_EQ(shown.pixel(square.left, 47 - square.top) & 0xFFFFFF, 0xFF0000u);
    // Pane 4 follows the cursor.
    QTest::mouseMove(child->view()->viewport(), QPoint(5, 47 - 3));
    EXPECT_EQ(frame->statusPane(4)->text(), " [5;3] ");
    EXPECT_EQ(frame->statusPane(6)->text(), " [Plane 1: " + QString::number(40 * 257) + ";] ");
}

TEST_F(MainFrameUiTest, PlaneColoursRefillTheListsKeepingTheirSelections)
{
    drivers->camera.geometry = {64, 48, 3};
    open();
    exposeOnce();
    ImageWindow& image = *frame->core().imageWindow();
    frame->core().applyControl(pb::kHistogramPlane, 2);
    frame->core().applyControl(pb::kThresholdPlane, 1);
    CPlaneDlg dialog(image.planeColours());
    dialog.colourList(0)->setCurrentIndex(1);
    emit dialog.colourList(0)->activated(1); // Green
    dialog.colourList(1)->setCurrentIndex(1);
    emit dialog.colourList(1)->activated(1);
    EXPECT_EQ(dialog.colourList(0)->currentText(), "None") << "each colour once";
    EXPECT_EQ(dialog.colourList(2)->currentText(), "None") << "White and colours never mix";
    dialog.captionEdit(2)->setText("Red plane");
    emit dialog.captionEdit(2)->textEdited("Red plane");
    frame->core().applyPlaneChoices(dialog.choices());
    frame->refreshCommandStates();
    QCoreApplication::processEvents();
    auto* histogramPlanes = control<QComboBox>(DialogBar::Processing, pb::kHistogramPlane);
    auto* thresholdPlanes = control<QComboBox>(DialogBar::Processing, pb::kThresholdPlane);
    EXPECT_EQ(histogramPlanes->itemText(2), "Red plane");
    EXPECT_EQ(histogramPlanes->currentIndex(), 2);
    EXPECT_EQ(thresholdPlanes->currentIndex(), 1);
    EXPECT_EQ(image.planeColours().colour(1), PlaneColour::Green);
}

// The user's close box: the tool windows and the window go, panes empty, and the
// next frame opens a new window.
TEST_F(MainFrameUiTest, ClosingTheImageWindowByHandForgetsItUntilTheNextFrame)
{
    open();
    exposeOnce();
    ASSERT_NE(frame->childFrame(), nullptr);
    frame->childFrame()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->childFrame(), nullptr);
    EXPECT_EQ(frame->core().imageWindow(), nullptr);
    EXPECT_TRUE(frame->mdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(frame->statusPane(3)->text(), "");
    EXPECT_EQ(frame->windowTitle(), "Velmora Nebrix Client");
    EXPECT_FALSE(frame->action(kCommandCapture)->isEnabled());
    exposeOnce();
    ASSERT_NE(frame->childFrame(), nullptr);
    EXPECT_EQ(frame->statusPane(3)->text(), " [64x48x1] ");
    EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 1);
}

// The reticle over the image: drawn in magenta, its centre moved by the right button,
// its bar following; the fields bar's dark controls wait for a matching dark.
TEST_F(MainFrameUiTest, TheReticleIsDrawnAndMovedWithTheRightButton)
{
    drivers->camera.geometry = {640, 480, 1};
    open();
    exposeOnce();
    CChildFrame* child = frame->childFrame();
    ASSERT_NE(child, nullptr);
    const QImage& surface = child->view()->surface();
    int magenta = 0;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            magenta += (surface.pixel(x, y) & 0xFFFFFF) == 0xFF00FF;
    EXPECT_GT(magenta, 100) << "three circles around the centre";
    EXPECT_EQ(surface.pixel(320 + 50, 479 - 240) & 0xFFFFFF, 0xFFFF00u) << "the horizontal axis, yellow";

    child->view()->viewport()->resize(640, 480);
    QTest::mouseClick(child->view()->viewport(), Qt::RightButton, {}, QPoint(100, 479 - 50));
    EXPECT_EQ(frame->core().reticle().centreXTenths(), 1000);
    EXPECT_EQ(frame->core().reticle().centreYTenths(), 500);
    EXPECT_EQ(control<common::CMyEdit>(DialogBar::Reticle, reticle_bar::kCenterX)->value(), 1000);
    QTest::mouseMove(child->view()->viewport(), QPoint(100 + 10, 479 - 50));
    EXPECT_EQ(frame->statusPane(5)->text().toStdString(),
              std::string(" [") + std::to_string(10 * 0.20626480648278825 * 5.6).substr(0, 5) + ";0.00] ");

    frame->refreshCommandStates();
    EXPECT_TRUE(control<QWidget>(DialogBar::Fields, fields_bar::kDarkOpen)->isEnabled());
    EXPECT_TRUE(control<QWidget>(DialogBar::Fields, fields_bar::kDarkCalibrate)->isEnabled());
    EXPECT_FALSE(control<QWidget>(DialogBar::Fields, fields_bar::kApplyDark)->isEnabled()) << "no dark yet";
    EXPECT_FALSE(control<QWidget>(DialogBar::Fields, fields_bar::kFlatCalibrate)->isEnabled());
    EXPECT_FALSE(control<QWidget>(DialogBar::Reticle, reticle_bar::kCalibrate)->isEnabled()) << "no tracking";
    frame->core().applyControl(processing_bar::kAutoGuiding, 1);
    frame->refreshCommandStates();
    EXPECT_TRUE(control<QWidget>(DialogBar::Reticle, reticle_bar::kCalibrate)->isEnabled());
}
