#include "client/image/reticle.h"

#include "client/image/image_geometry.h"
#include "client/image/preview_tool.h"
#include "client/image/frame_pipeline.h"
#include "client/image/test_camera.h"
#include "client/shell/memory_settings_store.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace velmora::client;
namespace rb = velmora::client::reticle_bar;

namespace {

class ReticleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        geometry.setScales(1.0, 1.0);
        reticle.setLimits(640, 480);
    }
    ImageGeometry geometry;
    Reticle reticle{geometry};
};

} // namespace

TEST(TrackAngleTest, LinesThroughTracks)
{
    EXPECT_NEAR(*fittedTrackAngle({{0, 5}, {1, 5}, {2, 5}}), 0.0, 1e-12);
    EXPECT_NEAR(*fittedTrackAngle({{0, 0}, {1, 1}, {2, 2}, {3, 3}}), 45.0, 1e-6); // the degrees of its fixed factor
    EXPECT_EQ(*fittedTrackAngle({{4, 0}, {4, 1}, {4, 7}}), 90.0);
    EXPECT_NEAR(*fittedTrackAngle({{0, 0}, {1, -1}}), -45.0, 1e-6);
    EXPECT_FALSE(fittedTrackAngle({}));
}

TEST_F(ReticleTest, CentreDiametersAndAngleKeepTheirRules)
{
    reticle.centre();
    EXPECT_EQ(reticle.centreXTenths(), 3200);
    EXPECT_EQ(reticle.centreYTenths(), 2400);
    EXPECT_DOUBLE_EQ(geometry.reticleCentreX(), 320.0);
    reticle.setCentreTenths(99999, -5);
    EXPECT_EQ(reticle.centreXTenths(), 6400) << "within the frame";
    EXPECT_EQ(reticle.centreYTenths(), 0);
    // Minimum 30, 60, 90 pixels at 1''/pixel; maximum the smaller field, 480''.
    EXPECT_EQ(reticle.diameterHundredths(0), 3000);
    EXPECT_EQ(reticle.diameterHundredths(2), 9000);
    reticle.setDiameterHundredths(0, 20000);
    EXPECT_EQ(reticle.diameterHundredths(1), 20000) << "D1 pushes D2 and D3 up";
    EXPECT_EQ(reticle.diameterHundredths(2), 20000);
    reticle.setDiameterHundredths(2, 10000);
    EXPECT_EQ(reticle.diameterHundredths(1), 10000) << "D3 pushes them down";
    EXPECT_EQ(reticle.diameterHundredths(0), 10000);
    reticle.setDiameterHundredths(2, 99999999);
    EXPECT_EQ(reticle.diameterHundredths(2), 48000);
    reticle.setAngleHundredths(36000 + 500);
    EXPECT_EQ(reticle.angleHundredths(), 500) << "wraps";
    EXPECT_NEAR(geometry.cosA(), std::cos(5 * ImageGeometry::kRadiansPerDegree), 1e-12);
    reticle.setAngleDegrees(-30);
    EXPECT_EQ(reticle.angleHundredths(), 33000);
    MemorySettingsStore store;
    reticle.save(store);
    Reticle again(geometry);
    again.load(store);
    again.setLimits(640, 480);
    EXPECT_EQ(again.angleHundredths(), 33000);
    EXPECT_EQ(again.diameterHundredths(2), 48000);
}

TEST_F(ReticleTest, DrawingFollowsTheRules)
{
    reticle.setCentreTenths(3200, 2400);
    reticle.setDiameterHundredths(0, 4000);  // 40''
    reticle.setDiameterHundredths(1, 8000);  // 80''
    reticle.setDiameterHundredths(2, 10000); // 100''
    geometry.setScales(1.0, 2.0);
    ReticleDrawing d = reticle.drawing(480);
    ASSERT_EQ(d.ellipses.size(), 3u);
    EXPECT_EQ(d.ellipses[0].centreX, 320);
    EXPECT_EQ(d.ellipses[0].centreY, 480 - 240 - 1);
    EXPECT_EQ(d.ellipses[2].radiusX, 50);
    EXPECT_EQ(d.ellipses[2].radiusY, 25) << "circles on the sky, ellipses on non-square pixels";
    // Angle 0, no centre: each axis is two halves from half the first circle to 1.2 × the third.
    ASSERT_EQ(d.axes.size(), 4u);
    EXPECT_EQ(d.axes[0].x0, 320 + 10);
    EXPECT_EQ(d.axes[0].x1, 320 + 60);
    EXPECT_EQ(d.axes[0].colour, Reticle::kHorizontalColour);
    EXPECT_EQ(d.axes[2].y1, 239 - 30) << "the vertical axis goes up the screen";
    EXPECT_EQ(d.axes[2].colour, Reticle::kVerticalColour);
    EXPECT_EQ(d.labels[0].text, "X");
    EXPECT_EQ(d.labels[0].x, 380);
    EXPECT_EQ(d.labels[1].text, "Y");
    EXPECT_EQ(d.labels[1].y, 239 - 30);
    reticle.setShowCenter(true);
    reticle.setAngleHundredths(9000);
    d = reticle.drawing(480);
    ASSERT_EQ(d.axes.size(), 2u) << "through the centre";
    EXPECT_EQ(d.axes[0].x0, 320);
    EXPECT_EQ(d.axes[0].y0, 239 + 30) << "at 90 degrees the horizontal axis is vertical";
    EXPECT_EQ(d.axes[0].y1, 239 - 30);
}

TEST_F(ReticleTest, RightButtonHitsDragsAndMoves)
{
    reticle.setCentreTenths(3200, 2400);
    reticle.setDiameterHundredths(0, 4000);
    reticle.setDiameterHundredths(1, 8000);
    reticle.setDiameterHundredths(2, 10000);
    EXPECT_EQ(reticle.hitTest(325, 240), ReticleHit::None) << "inside the first circle's half";
    EXPECT_EQ(reticle.hitTest(320 + 40, 242), ReticleHit::HorizontalPositive);
    EXPECT_EQ(reticle.hitTest(320 - 40, 237), ReticleHit::HorizontalNegative);
    EXPECT_EQ(reticle.hitTest(321, 240 + 40), ReticleHit::VerticalPositive);
    EXPECT_EQ(reticle.hitTest(321, 240 - 40), ReticleHit::VerticalNegative);
    EXPECT_EQ(reticle.hitTest(320 + 36, 240 + 36), ReticleHit::OuterCircle) << "d ≈ 101.8 of 100";
    EXPECT_EQ(reticle.hitTest(320 + 30, 240 + 30), ReticleHit::None) << "between the bands";
    EXPECT_EQ(reticle.hitTest(320 + 61, 240), ReticleHit::None) << "beyond 1.2 × D3";

    // The outer circle keeps the proportions.
    ASSERT_EQ(reticle.press(320 + 36, 240 + 36), ReticleHit::OuterCircle);
    reticle.drag(320 + 100, 240);
    reticle.release();
    EXPECT_EQ(reticle.diameterHundredths(2), 20000);
    EXPECT_EQ(reticle.diameterHundredths(1), 16000);
    EXPECT_EQ(reticle.diameterHundredths(0), 8000);
    // The positive vertical end straight above the centre: angle 0; the negative
    // horizontal end to the right of it: 180.
    ASSERT_EQ(reticle.press(320, 240 + 100), ReticleHit::VerticalPositive);
    reticle.drag(320, 240 + 150);
    EXPECT_EQ(reticle.angleHundredths(), 0);
    reticle.release();
    ASSERT_EQ(reticle.press(320 - 100, 240), ReticleHit::HorizontalNegative);
    reticle.drag(320 + 100, 240);
    EXPECT_EQ(reticle.angleHundredths(), 18000);
    reticle.release();
    // Without a hit the centre moves to the pixel.
    EXPECT_EQ(reticle.press(100, 50), ReticleHit::None);
    EXPECT_EQ(reticle.centreXTenths(), 1000);
    EXPECT_EQ(reticle.centreYTenths(), 500);
}

TEST_F(ReticleTest, TheAxisCalibrationFitsTheTrackIntoTheAngle)
{
    auto window = FramePipeline::create(64, 64, 1);
    window->setDigitCapacity(16);
    MemorySettingsStore store;
    PreviewTool preview(*window, store, geometry, &reticle);
    preview.Activate();
    preview.SetAutoGuiding(true);
    EXPECT_TRUE(preview.calibrateEnabled());
    reticle.setAngleHundredths(1234);
    preview.Start();
    preview.finishCalibration();
    EXPECT_EQ(reticle.angleHundredths(), 1234) << "an empty track changes nothing";
    preview.Start();
    EXPECT_EQ(preview.calibrateButtonText(), "Finish");
    for (int i = 0; i < 5; ++i) { // a star moving along the diagonal
        TestCamera camera(64, 64, 1, 0);
        camera.set(20 + 3 * i, 20 + 3 * i, 40000);
        preview.SetSquareCentre(20 + 3 * i, 20 + 3 * i);
        window->deliverFrame(camera.span(), 64, 64, 1);
    }
    EXPECT_EQ(preview.track().size(), 5u);
    preview.finishCalibration();
    EXPECT_EQ(reticle.angleHundredths(), 4500);
    EXPECT_EQ(preview.calibrateButtonText(), "Calibrate");
    EXPECT_TRUE(preview.track().empty());
}
