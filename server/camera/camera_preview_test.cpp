// The setup dialog's preview without a window: exposures back to back through the
// camera's own members, and each image drawn into the surface in the display's pixel
// packing, last row on top, values shown as they are.
#include "server/camera/camera_preview.h"

#include "server/camera/camera_driver.h"
#include "server/camera/scripted_capture_backend.h"
#include "server/ports/fake_port_devices.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

ColourImage imageOf(int width, int height, int planes, std::int32_t (*value)(int x, int y, int plane))
{
    ColourImage image;
    image.reshape(width, height, planes);
    for (int p = 0; p < planes; ++p)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.plane(p)[y * width + x] = value(x, y, p);
    return image;
}

PreviewSurface surfaceFor(const ColourImage& image, int bitsPerPixel)
{
    PreviewSurface s;
    s.width = image.width();
    s.height = image.height();
    s.bitsPerPixel = bitsPerPixel;
    s.stride = static_cast<std::size_t>(image.width() * bitsPerPixel / 8);
    s.bits.assign(s.stride * static_cast<std::size_t>(image.height()), 0xAB);
    return s;
}

TEST(PreviewDrawing, RowZeroGoesToTheBottomInEveryPacking)
{
    // Three planes: blue = 10 + x, green = 100 + y, red = 200.
    const ColourImage colour = imageOf(2, 3, 3, [](int x, int y, int p) {
        return p == 0 ? 10 + x : p == 1 ? 100 + y : 200;
    });
    PreviewSurface s24 = surfaceFor(colour, 24);
    drawPreviewImage(colour, s24);
    // Surface row 2 (the bottom) is image row 0.
    EXPECT_EQ(s24.bits[2 * 6 + 0], 10);
    EXPECT_EQ(s24.bits[2 * 6 + 1], 100);
    EXPECT_EQ(s24.bits[2 * 6 + 2], 200);
    EXPECT_EQ(s24.bits[0 * 6 + 3], 11) << "top row, second pixel: image (1, 2)";
    EXPECT_EQ(s24.bits[0 * 6 + 4], 102);

    PreviewSurface s32 = surfaceFor(colour, 32);
    drawPreviewImage(colour, s32);
    EXPECT_EQ(s32.bits[2 * 8 + 4], 11);
    EXPECT_EQ(s32.bits[2 * 8 + 7], 0) << "the fourth byte is 0";

    PreviewSurface s16 = surfaceFor(colour, 16);
    drawPreviewImage(colour, s16);
    const unsigned word = s16.bits[2 * 4] | s16.bits[2 * 4 + 1] << 8;
    EXPECT_EQ(word, (200u / 8) << 11 | (100u / 4) << 5 | 10u / 8);

    // One plane in 5-6-5: (v / 4) x 32 + (v / 8) x 2049.
    const ColourImage grey = imageOf(1, 1, 1, [](int, int, int) { return 77; });
    PreviewSurface g16 = surfaceFor(grey, 16);
    drawPreviewImage(grey, g16);
    EXPECT_EQ(g16.bits[0] | g16.bits[1] << 8, (77 / 4) * 32 + (77 / 8) * 2049);
    PreviewSurface g24 = surfaceFor(grey, 24);
    drawPreviewImage(grey, g24);
    EXPECT_EQ(g24.bits, (std::vector<std::uint8_t>{77, 77, 77}));

    PreviewSurface g8 = surfaceFor(grey, 8);
    drawPreviewImage(grey, g8);
    EXPECT_EQ(g8.bits, (std::vector<std::uint8_t>{0xAB})) << "another depth draws nothing";
}

TEST(PreviewDrawing, ASummedExposureIsShownUnscaled)
{
    // Four frames of 50 sum to 200, shown as 200, not as their mean 50; 4 x 100 = 400 is
    // beyond a byte and shows at full scale without bleeding into the other colours.
    const ColourImage summed = imageOf(2, 1, 1, [](int x, int, int) { return x == 0 ? 200 : 400; });
    PreviewSurface s32 = surfaceFor(summed, 32);
    drawPreviewImage(summed, s32);
    EXPECT_EQ(s32.bits, (std::vector<std::uint8_t>{200, 200, 200, 0, 255, 255, 255, 0}));
    PreviewSurface s16 = surfaceFor(summed, 16);
    drawPreviewImage(summed, s16);
    EXPECT_EQ(s16.bits[2] | s16.bits[3] << 8, 0xFFFF);
}

class CameraPreviewTest : public ::testing::Test {
protected:
    CameraPreviewTest()
    {
        environment.captureBackends = {&device};
        environment.ports = &ports;
        environment.settings = &store;
        environment.pipelinePolls = 20;
        camera = std::make_unique<CameraDriver>(environment);
        EXPECT_TRUE(camera->putConnected(true));
    }
    CameraState state()
    {
        std::int32_t value = -1;
        camera->getCameraState(value);
        return static_cast<CameraState>(value);
    }
    bool ready()
    {
        bool value = false;
        camera->getImageReady(value);
        return value;
    }

    velmora::testing::TempHome home;
    FakePortDevices devices;
    PortRegistry ports{devices};
    DeviceSettings store;
    testing::ScriptedCaptureBackend device{"USB Camera", {160, 128, 100000}};
    CameraEnvironment environment;
    std::unique_ptr<CameraDriver> camera;
};

TEST_F(CameraPreviewTest, ExposuresRunBackToBackAndEachImageIsDrawn)
{
    camera->setFramesToSum(4);
    CameraPreview preview(*camera, 0.0, 24);
    preview.restart();
    EXPECT_EQ(preview.tick(), CameraPreview::Tick::Waiting) << "frames are being summed";
    std::uint64_t delivered = device.delivered();
    for (int i = 0; i < 4; ++i)
        device.push(70);
    ASSERT_TRUE(device.waitDelivered(delivered += 4));
    ASSERT_TRUE(ready());
    EXPECT_EQ(preview.tick(), CameraPreview::Tick::Drawn);
    EXPECT_TRUE(preview.resized());
    const PreviewSurface& s = preview.surface();
    ASSERT_EQ(s.width, 160);
    ASSERT_EQ(s.height, 128);
    EXPECT_EQ(s.bits[s.stride * 64 + 3 * 80 + 1], 255) << "4 x 70 = 280, full scale";
    EXPECT_EQ(state(), CameraState::Reading) << "the next exposure started at once";

    for (int i = 0; i < 4; ++i)
        device.push(20);
    ASSERT_TRUE(device.waitDelivered(delivered += 4));
    EXPECT_EQ(preview.tick(), CameraPreview::Tick::Drawn);
    EXPECT_FALSE(preview.resized());
    EXPECT_EQ(preview.surface().bits[s.stride * 64 + 3 * 80 + 1], 80) << "4 x 20, not their mean";

    // An exposure that ended without an image (an abort) is started again.
    camera->AbortExposure();
    EXPECT_EQ(preview.tick(), CameraPreview::Tick::Restarted);
    EXPECT_EQ(state(), CameraState::Reading);
    preview.close();
    EXPECT_EQ(state(), CameraState::Idle);
}

TEST_F(CameraPreviewTest, ALongPreviewWithoutAPortIsRetriedWhileTheCameraIsIdle)
{
    camera->setPortName("COM9"); // no such port: no long exposures
    CameraPreview preview(*camera, 2.0);
    preview.restart();
    EXPECT_EQ(state(), CameraState::Idle);
    EXPECT_EQ(preview.tick(), CameraPreview::Tick::Restarted);
    preview.setExposure(0.1);
    EXPECT_EQ(state(), CameraState::Download) << "a single frame needs no port";
}

} // namespace
} // namespace velmora::server
