#include "client/image/image_window.h"

#include "client/image/image_geometry.h"
#include "client/image/plane_choices.h"
#include "client/image/plane_colours.h"
#include "client/image/processing_bar.h"
#include "client/image/test_camera.h"
#include "client/shell/memory_settings_store.h"
#include "client/shell/settings_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace velmora::client;
namespace pb = velmora::client::processing_bar;

namespace {

class ImageWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<ImageWindow> open(int width, int height, int planes = 1)
    {
        auto window = ImageWindow::create(width, height, planes, store, geometry, colours);
        window->pipeline().setDigitCapacity(16);
        return window;
    }
    MemorySettingsStore store;
    ImageGeometry geometry;
    PlaneColours colours;
};

// The 32-bit pixel at image (x, y) of a surface the size of the frame.
std::uint32_t pixelAt(const std::vector<std::uint8_t>& pixels, int width, int height, int x, int y)
{
    std::uint32_t word = 0;
    std::memcpy(&word, pixels.data() + (static_cast<std::size_t>(height - 1 - y) * width + x) * 4, 4);
    return word;
}

} // namespace

TEST(WindowMappingTest, ClientPointsMapToImagePixelsWithRowZeroAtTheBottom)
{
    const WindowMapping unfitted{640, 480, false, 10, 20};
    EXPECT_EQ(unfitted.imagePoint(0, 0, {300, 200}), (ImagePoint{10, 480 - 20 - 0 - 1}));
    EXPECT_EQ(unfitted.imagePoint(5, 7, {300, 200}), (ImagePoint{15, 452}));
    const WindowMapping fitted{640, 480, true, 99, 99};
    EXPECT_EQ(fitted.imagePoint(0, 0, {320, 240}), (ImagePoint{0, 479})) << "scroll ignored when fitted";
    EXPECT_EQ(fitted.imagePoint(319, 239, {320, 240}), (ImagePoint{638, 480 - 478 - 1}));
    EXPECT_EQ(fitted.imagePoint(160, 120, {320, 240}), (ImagePoint{320, 239}));
    // Drawing goes the other way: the top-left corner of a pixel.
    EXPECT_EQ(fitted.clientX(320, {320, 240}), 160);
    EXPECT_EQ(fitted.clientY(239, {320, 240}), 120);
    EXPECT_EQ(unfitted.clientY(479, {300, 200}), -20);
}

TEST(WindowMappingTest, SizingRulesKeepTheFramesProportions)
{
    // Right edge: height from width; bottom edge: width from height.
    EXPECT_EQ(keepAspectRatio({400, 100}, SizingEdge::Right, 640, 480), (ClientSize{400, 300}));
    EXPECT_EQ(keepAspectRatio({100, 300}, SizingEdge::Bottom, 640, 480), (ClientSize{400, 300}));
    // Corner: whichever side is too small grows.
    EXPECT_EQ(keepAspectRatio({400, 100}, SizingEdge::Corner, 640, 480), (ClientSize{400, 300}));
    EXPECT_EQ(keepAspectRatio({100, 300}, SizingEdge::Corner, 640, 480), (ClientSize{400, 300}));
    EXPECT_EQ(enlargeToAspectRatio({640, 100}, 640, 480), (ClientSize{640, 480}));
    EXPECT_EQ(keepAspectRatio({10, 10}, SizingEdge::Corner, 0, 480), (ClientSize{10, 10}));
    // Unfitted the window never shows more than the frame.
    EXPECT_EQ(limitToFrame({900, 300}, 640, 480), (ClientSize{640, 300}));
    EXPECT_EQ(scrollRange({300, 500}, 640, 480), (ClientSize{340, 0}));
}

TEST_F(ImageWindowTest, RendersTheStarBottomUpWithTheToolsSquare)
{
    auto window = open(64, 48);
    TestCamera camera(64, 48, 1, 1000);
    camera.set(20, 10, 60000);
    ASSERT_TRUE(window->deliverFrame(camera.span(), 64, 48, 1));
    MeasurementTool& preview = window->previewTool();
    preview.SetSquareSize(16);
    preview.SetSquareCentre(40, 30); // the square elsewhere, so the star is not under it

    std::vector<std::uint8_t> pixels(64 * 48 * 4, 0xAB);
    const DisplaySurface surface{pixels.data(), 64, 48, 64 * 4, PixelPacking::Bgrx32};
    ASSERT_TRUE(window->render(surface));
    EXPECT_EQ(pixelAt(pixels, 64, 48, 20, 10), 0x00EAEAEAu) << "60000 >> 8 in each channel";
    EXPECT_EQ(pixelAt(pixels, 64, 48, 21, 10), 0x00030303u);
    // Image row 10 is surface row 37: the picture is upside down in memory.
    std::uint32_t top = 0;
    std::memcpy(&top, pixels.data() + (37 * 64 + 20) * 4, 4);
    EXPECT_EQ(top, 0x00EAEAEAu);
    // The preview's square in pure red around (40, 30): (32, 22) to (47, 37).
    const PixelRect& square = preview.square();
    EXPECT_EQ(square, (PixelRect{32, 22, 48, 38}));
    EXPECT_EQ(pixelAt(pixels, 64, 48, 32, 22), 0x00FF0000u);
    EXPECT_EQ(pixelAt(pixels, 64, 48, 47, 37), 0x00FF0000u);
    EXPECT_EQ(pixelAt(pixels, 64, 48, 40, 22), 0x00FF0000u);
    EXPECT_EQ(pixelAt(pixels, 64, 48, 40, 30), 0x00030303u) << "no mark without tracking";
    std::vector<std::uint8_t> wrong(10 * 10 * 4);
    EXPECT_FALSE(window->render({wrong.data(), 10, 10, 40, PixelPacking::Bgrx32}));
}

TEST_F(ImageWindowTest, CursorPanesShowPositionOffsetAndSamplesWithCaptions)
{
    geometry.setScales(2.0, 3.0);
    geometry.setReticleCentre(10.0, 5.0);
    auto window = open(32, 16, 2);
    colours.setCaption(1, "Ha");
    TestCamera camera(32, 16, 2, 0);
    camera.set(12, 6, 300, 0).set(12, 6, 65535, 1);
    window->deliverFrame(camera.span(), 32, 16, 2);
    EXPECT_EQ(window->geometryText(), " [32x16x2] ");
    const CursorPanes panes = window->cursorPanes({12, 6});
    EXPECT_EQ(panes.position, " [12;6] ");
    EXPECT_EQ(panes.offset, " [4.00;3.00] ");
    EXPECT_EQ(panes.samples, " [Plane 1: 300;Ha: 65535;] ");
    EXPECT_EQ(window->cursorPanes({32, 0}), CursorPanes{}) << "outside the image";
    EXPECT_EQ(window->cursorPanes({0, -1}), CursorPanes{});
    EXPECT_NEAR(window->fieldOfViewX(), 32 * 2.0 / 60, 1e-12);
}

TEST_F(ImageWindowTest, ClicksMoveTheActiveSquareAndToggleCommandsShowChecked)
{
    auto window = open(64, 64);
    window->clickAt({30, 40});
    EXPECT_EQ(window->previewTool().centreX(), 30);
    EXPECT_EQ(window->previewTool().centreY(), 40);
    window->clickAt({100, 40});
    EXPECT_EQ(window->previewTool().centreX(), 30) << "a point off the image moves nothing";
    EXPECT_EQ(window->commandState(kCommandFitToWindow), (CommandState{true, false}));
    EXPECT_TRUE(window->execute(kCommandFitToWindow));
    EXPECT_EQ(window->commandState(kCommandFitToWindow), (CommandState{true, true}));
    EXPECT_TRUE(window->mapping(0, 0).fitToWindow);
    EXPECT_TRUE(window->execute(kCommandKeepAspectRatio));
    EXPECT_TRUE(window->keepAspectRatio());
    EXPECT_FALSE(window->execute(40007));
    EXPECT_EQ(window->commandState(40007), CommandState{});
}

TEST_F(ImageWindowTest, ClosingClosesEveryToolBeforeThePreviewAndWritesSettings)
{
    auto window = open(64, 64);
    window->setDigitCapacity(12);
    colours.setColour(0, PlaneColour::Red);
    struct GuidingLike : MeasurementTool {
        using MeasurementTool::MeasurementTool;
        void Stop() override
        {
            stopped = true;
            MeasurementTool::Stop();
        }
        bool stopped = false;
    };
    auto guiding = std::make_unique<GuidingLike>("Guiding", window->pipeline(), store, geometry);
    guiding->Activate();
    guiding->Start();
    EXPECT_EQ(window->toolOfSection("Guiding"), guiding.get());
    EXPECT_EQ(window->toolCount(), 2);
    window->close();
    EXPECT_TRUE(guiding->stopped) << "a running tool is stopped before its window goes";
    EXPECT_EQ(window->toolCount(), 0);
    EXPECT_TRUE(store.contains("Guiding", "Square Size"));
    EXPECT_TRUE(store.contains("Preview", "Square Size"));
    EXPECT_EQ(settings::read(store, settings::kDigitCapacity), 12);
    EXPECT_EQ(settings::read(store, settings::kPlaneColour, 1, 0), 2);
    window->close(); // idempotent
}

TEST(PlaneChoicesTest, ColoursStayExclusiveAndWhiteNeverMixes)
{
    PlaneColours table(3);
    PlaneChoices choices(table);
    choices.setColour(0, PlaneColour::Green);
    EXPECT_EQ(choices.colour(1), PlaneColour::None) << "White planes give way to a colour";
    EXPECT_EQ(choices.colour(2), PlaneColour::None);
    choices.setColour(2, PlaneColour::Red);
    choices.setColour(1, PlaneColour::Green);
    EXPECT_EQ(choices.colour(0), PlaneColour::None) << "Green for plane 2 while plane 1 is Green";
    EXPECT_EQ(choices.colour(2), PlaneColour::Red);
    choices.setColour(0, PlaneColour::White);
    EXPECT_EQ(choices.colour(1), PlaneColour::None);
    EXPECT_EQ(choices.colour(2), PlaneColour::None);
    choices.setColour(2, PlaneColour::White);
    EXPECT_EQ(choices.colour(0), PlaneColour::White) << "several planes may be White together";
    choices.setColour(1, PlaneColour::None);
    EXPECT_EQ(choices.colour(0), PlaneColour::White) << "None clears nothing";
    choices.setCaption(2, "Lum");
    choices.setColour(5, PlaneColour::Blue); // no such row
    choices.applyTo(table);
    EXPECT_EQ(table.colour(2), PlaneColour::White);
    EXPECT_EQ(table.caption(2), "Lum");
    EXPECT_EQ(PlaneChoices::hiddenHeight(3), 26 * 7);
    EXPECT_EQ(PlaneChoices::colourNames()[static_cast<int>(PlaneColour::None)], "None");
}

TEST_F(ImageWindowTest, ProcessingBarShowsAndEditsTheActiveTool)
{
    auto window = open(80, 60, 3);
    TestCamera camera(80, 60, 3, 100);
    camera.set(20, 20, 5000, 0);
    window->deliverFrame(camera.span(), 80, 60, 3);
    MeasurementTool& tool = window->previewTool();
    EXPECT_TRUE(applyProcessingControl(tool, *window, pb::kSquareEdit, 24));
    EXPECT_TRUE(applyProcessingControl(tool, *window, pb::kConvergenceEdit, 5));
    EXPECT_TRUE(applyProcessingControl(tool, *window, pb::kThresholdPlane, 2));
    EXPECT_TRUE(applyProcessingControl(tool, *window, pb::kThresholdEdit, 700));
    EXPECT_TRUE(applyProcessingControl(tool, *window, pb::kHistogramPlane, 1));
    EXPECT_TRUE(applyProcessingControl(tool, *window, pb::kMaximumSlider, 40000));
    EXPECT_TRUE(applyProcessingControl(tool, *window, pb::kMinimumEdit, 50000));
    EXPECT_TRUE(applyProcessingControl(tool, *window, pb::kLogScale, 1));
    EXPECT_FALSE(applyProcessingControl(tool, *window, 1000, 1)) << "the exposure edit is not the bar's";
    ProcessingBarView view = processingBarView(tool, *window);
    EXPECT_EQ(view.caption, "<< Preview Settings >>");
    EXPECT_EQ(view.squareSize, 24);
    EXPECT_EQ(view.squareMinimum, 16);
    EXPECT_EQ(view.squareMaximum, 60);
    EXPECT_EQ(view.convergenceTenths, 5);
    EXPECT_EQ(view.thresholdPlane, 2);
    EXPECT_EQ(view.threshold, 700);
    EXPECT_EQ(view.histogramPlane, 1);
    EXPECT_EQ(view.minimum, 50000) << "a minimum above the maximum raises the maximum";
    EXPECT_EQ(view.maximum, 50000);
    EXPECT_TRUE(view.logScale);
    EXPECT_EQ(view.planeCaptions, (std::vector<std::string>{"Plane 1", "Plane 2", "Plane 3"}));

    // Enable rules follow the state.
    EXPECT_TRUE(processingControlEnabled(tool, pb::kMinimumSlider));
    EXPECT_FALSE(processingControlEnabled(tool, pb::kMinimumLevelEdit));
    EXPECT_FALSE(processingControlEnabled(tool, pb::kConvergenceEdit)) << "no tracking, no convergence";
    applyProcessingControl(tool, *window, pb::kAuto, 1);
    applyProcessingControl(tool, *window, pb::kAutoGuiding, 1);
    EXPECT_FALSE(processingControlEnabled(tool, pb::kMinimumSlider));
    EXPECT_TRUE(processingControlEnabled(tool, pb::kMaximumLevelEdit));
    EXPECT_TRUE(processingControlEnabled(tool, pb::kConvergenceEdit));
    applyProcessingControl(tool, *window, pb::kFullScreen, 1);
    EXPECT_FALSE(processingControlEnabled(tool, pb::kSquareSlider));
    EXPECT_FALSE(processingControlEnabled(tool, pb::kAutoGuiding));
    EXPECT_FALSE(processingBarView(tool, *window).autoGuiding) << "Full Screen turns tracking off";
    applyProcessingControl(tool, *window, pb::kDetect, 0);
    EXPECT_FALSE(processingControlEnabled(tool, pb::kDetect));
    EXPECT_FALSE(processingControlEnabled(tool, pb::kThresholdEdit));
    EXPECT_TRUE(processingControlEnabled(tool, pb::kHistogramPlane));
    EXPECT_FALSE(processingControlEnabled(tool, 1054)) << "a fields-bar control";
}

TEST_F(ImageWindowTest, ProcessingFieldsAndTheHistogramGraph)
{
    EXPECT_EQ(processingField(pb::kSquareEdit, 640, 480).maximum(), 480);
    velmora::common::NumericField convergence = processingField(pb::kConvergenceEdit, 640, 480);
    convergence.setValue(15);
    EXPECT_EQ(convergence.text(), "1.5");
    velmora::common::NumericField percent = processingField(pb::kMinimumLevelEdit, 640, 480);
    percent.setValue(12);
    EXPECT_EQ(percent.text(), "1.2") << "per mille shown as per cent";
    EXPECT_EQ(processingField(pb::kThresholdEdit, 640, 480).maximum(), 65535);

    auto window = open(20, 20);
    TestCamera camera(20, 20, 1, 0);
    for (int x = 0; x < 10; ++x)
        camera.set(x, 5, 65535);
    window->deliverFrame(camera.span(), 20, 20, 1);
    MeasurementTool& tool = window->previewTool();
    tool.SetFullScreen(true);
    const HistogramGraphView graph = histogramGraphView(tool, *window, 100);
    EXPECT_EQ(graph.bars[0].height, 100) << "390 dark pixels: the tallest bar";
    EXPECT_EQ(graph.bars[52].height, 100 * 10 / 390);
    EXPECT_EQ(graph.bars[52].x, 4 * 52 + 2);
    EXPECT_EQ(graph.barColour, (RgbColour{255, 255, 255}));
    EXPECT_EQ(graph.blackMarkX, 2);
    EXPECT_EQ(graph.whiteMarkX, 213);
}
