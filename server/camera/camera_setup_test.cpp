// The camera setup dialog's behaviour without a display: enable rules, texts, the
// pattern display and what each control does to a camera on scripted frames and fake
// ports.
#include "server/camera/camera_setup.h"

#include "server/camera/camera_driver.h"
#include "server/camera/exposure_bits_editor.h"
#include "server/camera/scripted_capture_backend.h"
#include "server/ports/fake_port_devices.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

namespace cd = camera_dlg;

class CameraSetupTest : public ::testing::Test {
protected:
    CameraSetupTest()
    {
        relay->setDevice(
            [](char byte) { return byte == 'v' ? std::string("#DudAvudiZaz KR-4 1.02\n\r") : ""; });
        environment.captureBackends = {&device};
        environment.ports = &ports;
        environment.settings = &store;
        environment.pipelinePolls = 20;
        camera = std::make_unique<CameraDriver>(environment);
        setup = std::make_unique<CameraSetup>(*camera);
        setup->open();
        setup->refreshStatus();
    }
    ~CameraSetupTest() override
    {
        setup.reset();
        camera.reset();
    }
    int indexOfPort(const std::string& name)
    {
        const auto& list = setup->ports();
        return static_cast<int>(std::find(list.begin(), list.end(), name) - list.begin());
    }
    CameraState state()
    {
        std::int32_t value = -1;
        camera->getCameraState(value);
        return static_cast<CameraState>(value);
    }
    void connect()
    {
        EXPECT_EQ(setup->click(cd::kConnect), kShowStatus | kShowValues);
        setup->refreshStatus();
    }

    velmora::testing::TempHome home;
    FakePortDevices devices;
    std::shared_ptr<FakeSerialLine> relay = devices.addSerial("COM2");
    std::shared_ptr<FakeSerialLine> modem = devices.addSerial("COM3");
    PortRegistry ports{devices};
    DeviceSettings store;
    testing::ScriptedCaptureBackend device{"USB Camera", {640, 480, 2000000}};
    CameraEnvironment environment;
    std::unique_ptr<CameraDriver> camera;
    std::unique_ptr<CameraSetup> setup;
};

TEST_F(CameraSetupTest, OpeningListsPortsAndDevicesAndTitlesWithTheProfile)
{
    EXPECT_EQ(setup->title(), "Camera Setup - Default");
    EXPECT_EQ(setup->ports(), (std::vector<std::string>{"LPT1", "LPT2", "COM2", "COM3"}));
    EXPECT_EQ(setup->devices(), (std::vector<std::string>{"USB Camera"}));
    const CameraValues v = setup->values();
    EXPECT_EQ(v.pixelWidth, 560);
    EXPECT_EQ(v.numX, 640);
    EXPECT_EQ(v.colourMode, 2);
    EXPECT_EQ(v.portIndex, 0);
    EXPECT_EQ(v.speedIndex, 10);
    EXPECT_FALSE(v.deviceIndex) << "no device chosen before the first connect";
}

TEST_F(CameraSetupTest, DisconnectedTheFormatSourceAndPreviewAreDisabledAndTheButtonReadsConnect)
{
    EXPECT_FALSE(setup->status().connected);
    EXPECT_EQ(setup->status().connectText, "Connect");
    for (int id : {cd::kFormat, cd::kSource, cd::kPreview, cd::kPreviewExposure, cd::kRestart})
        EXPECT_FALSE(setup->enabled(id)) << id;
    EXPECT_TRUE(setup->enabled(cd::kConnect));
    EXPECT_TRUE(setup->enabled(cd::kSetBits));

    connect();
    EXPECT_EQ(setup->status().connectText, "Disconnect");
    EXPECT_EQ(setup->status().portStatus, "Connected To LPT1");
    for (int id : {cd::kFormat, cd::kSource, cd::kPreview})
        EXPECT_TRUE(setup->enabled(id)) << id;
    EXPECT_EQ(setup->values().deviceIndex, 0);
}

TEST_F(CameraSetupTest, APortWithoutComDisablesTheSpeedList)
{
    EXPECT_FALSE(setup->enabled(cd::kSpeed)) << "LPT1";
    EXPECT_EQ(setup->select(cd::kPort, indexOfPort("COM2")), kShowStatus);
    setup->refreshStatus();
    EXPECT_TRUE(setup->enabled(cd::kSpeed));
    EXPECT_EQ(setup->status().portStatus, "DudAvudiZaz KR-4 1.02");
    EXPECT_TRUE(camera->portOpen());
    EXPECT_EQ(setup->select(cd::kSpeed, 6), kShowStatus);
    EXPECT_EQ(camera->settings().portSpeed, "9600");
    EXPECT_EQ(relay->baudRates().back(), 9600u);

    setup->select(cd::kPort, indexOfPort("COM3"));
    setup->refreshStatus();
    EXPECT_EQ(setup->status().portStatus, "Device Not Found") << "no relay box answers there";
    EXPECT_FALSE(camera->portOpen());
    setup->select(cd::kPort, indexOfPort("LPT2"));
    EXPECT_FALSE(setup->enabled(cd::kSpeed));
    EXPECT_EQ(setup->values().portIndex, indexOfPort("LPT2"));
}

TEST_F(CameraSetupTest, OriginalHidesThePatternAndLuminosityShowsIt)
{
    EXPECT_FALSE(setup->pattern().visible) << "mode 2, Original, as shipped";
    EXPECT_EQ(setup->click(cd::kLuminosity), kShowPattern);
    EXPECT_TRUE(setup->pattern().visible);
    for (int id :
         {cd::kPatternLeft, cd::kPatternRight, cd::kCellTopLeft, cd::kCellTopLeft + 3, cd::kCellFrameTopLeft})
        EXPECT_TRUE(setup->visible(id) && setup->enabled(id)) << id;
    setup->click(cd::kOriginal);
    for (int id : {cd::kPatternLeft, cd::kPatternRight, cd::kCellTopLeft + 1, cd::kCellFrameTopLeft + 3})
        EXPECT_FALSE(setup->visible(id) || setup->enabled(id)) << id;
    EXPECT_TRUE(setup->visible(cd::kPatternLabel));
    setup->click(cd::kDebayerization);
    EXPECT_TRUE(setup->pattern().visible);
    setup->click(cd::kGraying);
    EXPECT_FALSE(setup->pattern().visible);
    EXPECT_EQ(camera->colourSettings().mode, ColourMode::Graying);
}

TEST_F(CameraSetupTest, ThePatternShowsRowOneOnTopAndTheArrowsWrap)
{
    PatternView p = setup->pattern();
    EXPECT_EQ(p.label, "PATTERN - 1");
    EXPECT_EQ(p.cells, (std::array<ColourChannel, 4>{kGreen, kRed, kBlue, kGreen}));
    EXPECT_EQ(CameraSetup::cellBitmap(kRed), 111);
    EXPECT_EQ(CameraSetup::cellBitmap(kGreen), 112);
    EXPECT_EQ(CameraSetup::cellBitmap(kBlue), 113);

    EXPECT_EQ(setup->click(cd::kPatternLeft), kShowPattern);
    EXPECT_EQ(camera->colourSettings().matrixType, 3) << "0 wraps to 3";
    p = setup->pattern();
    EXPECT_EQ(p.label, "PATTERN - 4");
    EXPECT_EQ(p.cells, (std::array<ColourChannel, 4>{kRed, kGreen, kGreen, kBlue}));
    setup->click(cd::kPatternRight);
    EXPECT_EQ(setup->pattern().label, "PATTERN - 1") << "3 wraps to 0";
    EXPECT_EQ(camera->colourSettings().matrixType, 0);
    setup->click(cd::kPatternRight);
    EXPECT_EQ(setup->pattern().label, "PATTERN - 2");
}

TEST_F(CameraSetupTest, EditsActOnTheCameraAtOnce)
{
    connect();
    EXPECT_EQ(setup->edit(cd::kPixelWidth, 375), kShowNothing);
    setup->edit(cd::kMatrixHeight, 960);
    EXPECT_DOUBLE_EQ(camera->settings().pixelWidth, 3.75);
    EXPECT_EQ(camera->settings().matrixHeight, 960);
    double pixel = 0;
    camera->getPixelSizeY(pixel);
    EXPECT_DOUBLE_EQ(pixel, 960 * 5.6 / 480);

    setup->edit(cd::kRedCoeff, 40);
    setup->edit(cd::kBlueCoeff, 70);
    EXPECT_EQ(camera->colourSettings().coefficients, (std::array<int, 3>{70, 100, 40}));
    setup->edit(cd::kAccumulate, 257);
    EXPECT_EQ(camera->settings().framesNumber, 257);

    // The camera clamps the sub-frame; the dialog shows the other value of the axis.
    EXPECT_EQ(setup->edit(cd::kStartX, 600), kShowValues);
    CameraValues v = setup->values();
    EXPECT_EQ(v.startX, 512);
    EXPECT_EQ(v.numX, 128);
    setup->edit(cd::kNumY, 400);
    setup->edit(cd::kStartY, 100);
    v = setup->values();
    EXPECT_EQ(v.startY, 100);
    EXPECT_EQ(v.numY, 380);
    const common::NumericField startX = CameraSetup::field(cd::kStartX, v);
    EXPECT_EQ(startX.maximum(), 640 - 128);
    const common::NumericField numY = CameraSetup::field(cd::kNumY, v);
    EXPECT_EQ(numY.minimum(), 128);
    EXPECT_EQ(numY.maximum(), 480);
    EXPECT_EQ(CameraSetup::field(cd::kAccumulate).maximum(), 257);

    EXPECT_EQ(setup->click(cd::kAmpModeOff), kShowNothing);
    EXPECT_EQ(camera->sequences().type(), 1);
}

TEST_F(CameraSetupTest, ClosingThePreviewAbortsItsExposureAndDisablesRestart)
{
    connect();
    setup->edit(cd::kPreviewExposure, 0);
    setup->openPreview();
    ASSERT_TRUE(setup->previewOpen());
    EXPECT_TRUE(setup->enabled(cd::kRestart));
    EXPECT_TRUE(setup->enabled(cd::kPreviewExposure));
    EXPECT_EQ(state(), CameraState::Reading) << "a zero-length exposure sums frames";
    setup->closePreview();
    EXPECT_EQ(state(), CameraState::Idle);
    EXPECT_FALSE(setup->enabled(cd::kRestart));
    EXPECT_FALSE(setup->enabled(cd::kPreviewExposure));

    // The status closes a preview that can no longer run.
    setup->openPreview();
    setup->click(cd::kConnect);
    setup->refreshStatus();
    EXPECT_FALSE(setup->previewOpen());
}

TEST_F(CameraSetupTest, ProfilesRetitleTheDialog)
{
    setup->edit(cd::kRedCoeff, 55);
    EXPECT_EQ(setup->saveProfile("Guide Scope"), kShowTitle);
    EXPECT_EQ(setup->title(), "Camera Setup - Guide Scope");
    setup->edit(cd::kRedCoeff, 10);
    EXPECT_EQ(setup->loadProfile("Guide Scope"), kShowTitle | kShowStatus | kShowValues | kShowPattern);
    EXPECT_EQ(setup->values().coefficients[kRed], 55);
    EXPECT_TRUE(setup->refreshStatus().connected) << "loading connects again";
}

TEST_F(CameraSetupTest, TheBitsEditorShowsAndRebuildsASequenceBitForBit)
{
    ExposureSequence sequence = ExposureSequence::defaults(0);
    sequence.lines[2] = 0x5A81; // keep 1, 3, 4, 6; set 0, 7; clear 2, 5
    sequence.waitFrame[4] = 1;
    sequence.delayMs[3] = 1234;
    ExposureBitsEditor editor(sequence);
    EXPECT_EQ(editor.line(2, 0), LineState::Set);
    EXPECT_EQ(editor.line(2, 1), LineState::Unchanged);
    EXPECT_EQ(editor.line(2, 2), LineState::Clear);
    EXPECT_EQ(editor.line(2, 7), LineState::Set);
    EXPECT_EQ(editor.line(1, 2), LineState::Unchanged) << "0xF400: line 2 unchanged";
    EXPECT_EQ(editor.line(1, 3), LineState::Clear);
    EXPECT_TRUE(editor.wait(4));
    EXPECT_EQ(editor.delayMs(3), 1234);
    EXPECT_EQ(editor.record(), sequence);

    editor.click(2, 1); // unchanged -> clear
    editor.click(2, 2); // clear -> set
    editor.click(2, 0); // set -> unchanged
    EXPECT_EQ(editor.record().lines[2], 0x5984);
    setup->applyExposureBits(editor.record());
    EXPECT_EQ(setup->selectedSequence(), editor.record());
}

} // namespace
} // namespace velmora::server
