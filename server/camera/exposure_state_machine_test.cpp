// The frame callback's state machine: summing, single frames, the brightest of five
// after a long exposure, and frames that do not belong to the exposure.
#include "server/camera/exposure_state_machine.h"

#include "server/camera/test_frame.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

using Frame = testing::TestFrame<std::uint8_t>;

constexpr int kWidth = 8;
constexpr int kHeight = 6;

ColourSettings colour(ColourMode mode)
{
    ColourSettings settings;
    settings.mode = mode;
    return settings;
}

// A frame whose pixel (x, y) is (base + x, base + y, base + x + y), padded rows included.
Frame patterned(int base)
{
    Frame frame(kWidth, kHeight, 5, 0, 0xEE);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            frame.set(x, y, static_cast<std::uint8_t>(base + x), static_cast<std::uint8_t>(base + y),
                      static_cast<std::uint8_t>(base + x + y));
    return frame;
}

class ExposureStateMachineTest : public ::testing::Test {
protected:
    ExposureStateMachineTest() { EXPECT_TRUE(machine.allocate(kWidth, kHeight)); }

    void feed(const Frame& frame, int framesToSum = 1, ColourMode mode = ColourMode::Original)
    {
        machine.processFrame(frame.view(), whole, colour(mode), framesToSum);
    }

    ExposureStateMachine machine;
    const SubFrame whole{0, 0, kWidth, kHeight};
};

TEST_F(ExposureStateMachineTest, ZeroLengthSumsConsecutiveFramesAndConvertsInTheLastFramesCall)
{
    machine.startShort(0);
    EXPECT_EQ(machine.state(), CameraState::Reading);
    feed(patterned(10), 1);
    EXPECT_EQ(machine.state(), CameraState::Idle);
    ASSERT_TRUE(machine.imageReady());
    EXPECT_EQ(machine.image().at(3, 2, kBlue), 13);
    EXPECT_EQ(machine.image().at(3, 2, kRed), 15);

    machine.startShort(0);
    EXPECT_FALSE(machine.imageReady());
    for (int i = 0; i < 3; ++i) {
        feed(patterned(10 * i), 4);
        EXPECT_EQ(machine.state(), CameraState::Reading);
        EXPECT_EQ(machine.framesTaken(), i + 1);
    }
    feed(patterned(30), 4);
    EXPECT_EQ(machine.state(), CameraState::Idle);
    ASSERT_TRUE(machine.imageReady());
    // The plain sum, not the mean: (0 + 10 + 20 + 30) + 4 x.
    EXPECT_EQ(machine.image().at(3, 2, kBlue), 60 + 4 * 3);
    EXPECT_EQ(machine.image().at(7, 5, kRed), 60 + 4 * 12);
}

TEST_F(ExposureStateMachineTest, TenWhiteFramesInGrayingReach2550)
{
    machine.startShort(0);
    for (int i = 0; i < 10; ++i)
        feed(Frame(kWidth, kHeight, 0, 255), 10, ColourMode::Graying);
    ASSERT_TRUE(machine.imageReady());
    EXPECT_EQ(machine.image().planeCount(), 1);
    EXPECT_EQ(machine.image().at(0, 0, 0), 2550);
    EXPECT_EQ(machine.image().at(kWidth - 1, kHeight - 1, 0), 2550);
}

TEST_F(ExposureStateMachineTest, ShortExposureTakesTheNextFrameAlone)
{
    machine.startShort(200);
    EXPECT_EQ(machine.state(), CameraState::Download);
    feed(patterned(40), 4);
    ASSERT_TRUE(machine.imageReady());
    EXPECT_EQ(machine.image().at(2, 1, kGreen), 41);
    EXPECT_EQ(machine.state(), CameraState::Idle);
}

TEST_F(ExposureStateMachineTest, LongExposureConvertsTheBrightestOfFiveOnTheSixth)
{
    machine.startLong(250);
    feed(patterned(200)); // while the sequence runs frames are not used
    EXPECT_EQ(machine.state(), CameraState::Exposing);
    machine.sequenceEnded();
    EXPECT_EQ(machine.state(), CameraState::Waiting);
    // Candidates 1 and 3 are equally bright: the earlier one wins.
    const int bases[] = {5, 60, 7, 60, 2};
    for (int i = 0; i < 5; ++i) {
        feed(patterned(bases[i]));
        EXPECT_EQ(machine.state(), CameraState::Waiting);
    }
    EXPECT_FALSE(machine.imageReady());
    Frame sixth = patterned(100); // brightest of all, but only the trigger
    feed(sixth);
    ASSERT_TRUE(machine.imageReady());
    EXPECT_EQ(machine.state(), CameraState::Idle);
    EXPECT_EQ(machine.image().at(0, 0, kBlue), 60);
}

TEST_F(ExposureStateMachineTest, EqualScoresKeepTheFirstCandidate)
{
    machine.startLong(1000);
    machine.sequenceEnded();
    for (int i = 0; i < 5; ++i) {
        Frame frame(kWidth, kHeight, 0, 50);
        // Same total, different place: the first one is chosen.
        frame.set(7, 5, static_cast<std::uint8_t>(50 + i), 50, 50);
        frame.set(6, 5, static_cast<std::uint8_t>(50 - i), 50, 50);
        feed(frame);
    }
    feed(Frame(kWidth, kHeight, 0, 0));
    ASSERT_TRUE(machine.imageReady());
    EXPECT_EQ(machine.image().at(7, 5, kBlue), 50);
    EXPECT_EQ(machine.image().at(6, 5, kBlue), 50);
}

TEST_F(ExposureStateMachineTest, FramesOfAnotherSizeAndImpossibleSubFramesEndWithoutAnImage)
{
    machine.startShort(0);
    feed(Frame(kWidth + 1, kHeight, 0, 9), 2);
    EXPECT_EQ(machine.framesTaken(), 0);
    EXPECT_EQ(machine.state(), CameraState::Reading);

    machine.abort();
    machine.startLong(300);
    machine.sequenceEnded();
    feed(Frame(kWidth, kHeight + 1, 0, 9));
    EXPECT_EQ(machine.framesTaken(), 0);

    machine.abort();
    EXPECT_EQ(machine.state(), CameraState::Idle);
    EXPECT_FALSE(machine.imageReady());
    machine.startShort(50);
    machine.processFrame(patterned(1).view(), {4, 0, kWidth, kHeight}, colour(ColourMode::Original), 1);
    EXPECT_EQ(machine.state(), CameraState::Idle);
    EXPECT_FALSE(machine.imageReady());

    ExposureStateMachine unsized;
    EXPECT_FALSE(unsized.allocate(0, 480));
}

} // namespace
} // namespace velmora::server
