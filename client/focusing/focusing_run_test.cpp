// The focusing run against a scripted focuser: ticks and frames are given by hand,
// so every move and every measurement happens exactly where the test says.
#include "client/focusing/focusing_run.h"

#include "client/focusing/diameter_graph.h"
#include "client/focusing/fake_focuser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace velmora::client {
namespace {

using fakes::ScriptedFocuser;

class FocusingRunTest : public ::testing::Test {
protected:
    FocusingRunTest() { run.readLimits(); }

    void configure(int first, int second, int center, int step)
    {
        FocusingSettings s = run.settings();
        s.firstPosition = first;
        s.secondPosition = second;
        s.centerPosition = center;
        s.measuringStep = step;
        ASSERT_TRUE(run.setSettings(s));
    }
    void takeUp(int steps)
    {
        FocusingSettings s = run.settings();
        s.useBacklash = true;
        s.backlashStep = steps;
        ASSERT_TRUE(run.setSettings(s));
    }
    // One tick, then one new frame with the diameter at the optics' position, until
    // the run ends by itself.
    void drive(const std::function<double(int)>& diameterAt, int limit = 100000)
    {
        for (int i = 0; i < limit && run.running(); ++i) {
            run.onTimer();
            if (run.running())
                run.frameStep(diameterAt(optics()));
        }
        ASSERT_FALSE(run.running()) << "the run did not end";
    }
    // Where the optics are: the motor, or behind it by the play on the way up.
    int optics() const { return play == 0 ? focuser.motor : opticsPosition; }
    void followWithPlay(int steps)
    {
        play = steps;
        opticsPosition = focuser.motor;
        focuser.onMove = [this](int to) { opticsPosition = std::clamp(opticsPosition, to - play, to); };
    }
    // The positions measured, in scan order, from the graph's series.
    std::vector<int> measured(int k) const
    {
        std::vector<int> positions;
        const double span = graph.high() - graph.low();
        for (const DiameterPoint& p : graph.series(k).recorded)
            positions.push_back(static_cast<int>(std::lround(graph.low() + p.x * span)));
        return positions;
    }
    static std::vector<int> grid(int from, int to, int step)
    {
        std::vector<int> values;
        for (int p = from; step > 0 ? p <= to : p >= to; p += step)
            values.push_back(p);
        return values;
    }
    static double vAt537(int position) { return 0.05 * std::abs(position - 537); }

    ScriptedFocuser focuser;
    DiameterGraph graph;
    FocusingRun run{focuser, graph};
    int play = 0;
    int opticsPosition = 0;
};

TEST(FocusingRangeTest, MirrorsSwapsAndPutsTheHighEndOnTheGrid)
{
    EXPECT_EQ(focusingRange(100, 400, 500, 10), (FocusingRange{100, 400, 600, 900}));
    // 700 and 900 mirror to 300 and 100, then swap.
    EXPECT_EQ(focusingRange(700, 900, 500, 10), (FocusingRange{100, 300, 700, 900}));
    // 405 is off the grid from 100: hiA 400, loB its mirror 600.
    EXPECT_EQ(focusingRange(100, 405, 500, 10), (FocusingRange{100, 400, 600, 900}));
    EXPECT_EQ(focusingRange(400, 100, 500, 25), (FocusingRange{100, 400, 600, 900}));
    EXPECT_EQ(focusingRange(100, 500, 500, 10), (FocusingRange{100, 500, 500, 900})) << "the shared centre";
}

TEST(FocusingRangeTest, DefocusingZoneNeedsAStepSize)
{
    EXPECT_EQ(defocusingZoneText(10.0, 5.0), "Defocusing Zone - 2 Steps"); // 25 / 10 × 1.1323
    EXPECT_EQ(defocusingZoneText(1.5, 10.0), "Defocusing Zone - 75 Steps");
    EXPECT_EQ(defocusingZoneText(std::nullopt, 5.0), "Defocusing Zone - Not Defined");
    EXPECT_EQ(defocusingZoneText(0.0, 5.0), "Defocusing Zone - Not Defined");
    EXPECT_EQ(defocusingZoneText(1e-300, 1e10), "Defocusing Zone - Not Defined");
}

TEST_F(FocusingRunTest, UnreadableOrNonPositiveLimitsFallBackTo999999)
{
    EXPECT_EQ(run.maxStep(), 1000);
    focuser.maxStepValue = std::nullopt;
    focuser.maxIncrementValue = 0;
    run.readLimits();
    EXPECT_EQ(run.maxStep(), 999999);
    EXPECT_EQ(run.maxIncrement(), 999999);
    focuser.maxStepValue = -5;
    focuser.maxIncrementValue = std::nullopt;
    run.readLimits();
    EXPECT_EQ(run.maxStep(), 999999);
    EXPECT_EQ(run.maxIncrement(), 999999);
    focuser.maxStepValue = 700;
    run.readLimits();
    FocusingSettings s = run.settings();
    s.firstPosition = 900;
    s.measuringStep = 0;
    run.setSettings(s);
    EXPECT_EQ(run.settings().firstPosition, 700) << "kept within the focuser";
    EXPECT_EQ(run.settings().measuringStep, 1);
}

TEST_F(FocusingRunTest, TheDefaultRangeScansThirtyOnePointsASideInBothPasses)
{
    configure(100, 400, 500, 10);
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(run.target(), 100);
    drive(vAt537);
    const std::vector<int> low = grid(100, 400, 10);
    EXPECT_EQ(low.size(), 31u);
    EXPECT_EQ(measured(0), low) << "forward, near side";
    EXPECT_EQ(measured(1), grid(600, 900, 10)) << "forward, far side";
    EXPECT_EQ(measured(3), grid(900, 600, -10)) << "backward: 900 measured again first";
    EXPECT_EQ(measured(2), grid(400, 100, -10));
    // Every move is one step of the scan, then the move to the forward focus.
    std::vector<int> moves = grid(100, 400, 10);
    for (int p : grid(600, 900, 10))
        moves.push_back(p);
    for (int p : grid(890, 600, -10))
        moves.push_back(p);
    for (int p : grid(400, 100, -10))
        moves.push_back(p);
    moves.push_back(run.results().currentFocus);
    EXPECT_EQ(focuser.moves, moves);
    EXPECT_NEAR(run.results().currentFocus, 537, 1);
    EXPECT_EQ(focuser.motor, run.results().currentFocus) << "the run ends at the forward focus";
    EXPECT_NEAR(run.results().currentBacklash, 0, 1);
    EXPECT_EQ(run.statusText(), "");
    EXPECT_EQ(run.settings().firstPosition, 100);
    EXPECT_EQ(run.settings().secondPosition, 400);
}

TEST_F(FocusingRunTest, MirroredAndOffGridRangesShowTheirEnds)
{
    configure(700, 900, 500, 10);
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(run.range(), (FocusingRange{100, 300, 700, 900}));
    EXPECT_EQ(run.settings().firstPosition, 100) << "lo shown as First Position";
    EXPECT_EQ(run.settings().secondPosition, 300) << "hiA shown as Second Position";
    EXPECT_FALSE(run.setSettings(run.settings())) << "no settings while running";
    run.Stop();
    configure(100, 405, 500, 10);
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(run.settings().secondPosition, 400);
    drive(vAt537);
    EXPECT_EQ(measured(0).back(), 400);
    EXPECT_EQ(measured(1).front(), 600);
}

TEST_F(FocusingRunTest, TakingUpTheBacklashOvershootsBothStarts)
{
    configure(100, 400, 500, 10);
    takeUp(50);
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(run.target(), 50);
    drive(vAt537);
    ASSERT_GE(focuser.moves.size(), 3u);
    EXPECT_EQ(focuser.moves[0], 50);
    EXPECT_EQ(focuser.moves[1], 100);
    EXPECT_EQ(focuser.moves[2], 110);
    const auto at900 = std::find(focuser.moves.begin(), focuser.moves.end(), 900);
    ASSERT_NE(at900, focuser.moves.end());
    EXPECT_EQ(*(at900 + 1), 950);
    EXPECT_EQ(*(at900 + 2), 900);
    EXPECT_EQ(*(at900 + 3), 890);
    EXPECT_EQ(measured(3).front(), 900);
    EXPECT_EQ(measured(3).size(), 31u) << "900 measured once per pass";
    EXPECT_NEAR(run.results().currentFocus, 537, 1);
}

TEST_F(FocusingRunTest, TheTakeUpStopsAtMaxStepAndAtZero)
{
    focuser.maxStepValue = 920;
    run.readLimits();
    configure(30, 400, 475, 10); // 30 … 400, 550 … 920
    takeUp(50);
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(run.target(), 0) << "not below 0";
    drive(vAt537);
    const auto at920 = std::find(focuser.moves.begin(), focuser.moves.end(), 920);
    ASSERT_NE(at920, focuser.moves.end());
    EXPECT_EQ(*(at920 + 1), 910) << "maxStep is the take-up's end: straight back";
    EXPECT_EQ(measured(3).front(), 920);
    EXPECT_EQ(measured(3).size(), 38u);
}

TEST_F(FocusingRunTest, LongMovesGoInPiecesOfMaxIncrementEachAfterThePreviousStopped)
{
    focuser.maxIncrementValue = 100;
    focuser.motor = 100;
    focuser.movingReads = 3;
    run.readLimits();
    configure(600, 700, 800, 10);
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(run.target(), 600);
    int ticks = 0;
    while (focuser.motor != 600 && ticks < 100) {
        run.onTimer();
        ++ticks;
    }
    EXPECT_EQ(focuser.moves, (std::vector<int>{200, 300, 400, 500, 600}));
    EXPECT_FALSE(focuser.movedWhileMoving);
    EXPECT_EQ(ticks, 17) << "one tick to move, three that read it moving, for each piece";
}

TEST_F(FocusingRunTest, FailedReadsMakeTheRunWait)
{
    configure(100, 400, 500, 10);
    focuser.motor = 300;
    run.onTimer();
    EXPECT_EQ(run.position(), 300) << "the position is read also when not running";
    EXPECT_TRUE(focuser.moves.empty());
    ASSERT_TRUE(run.Start());
    focuser.failPositionReads = 2;
    run.onTimer();
    run.onTimer();
    EXPECT_TRUE(focuser.moves.empty());
    focuser.failMovingReads = 2;
    focuser.motor = 250; // moved by hand meanwhile
    run.onTimer();
    EXPECT_EQ(run.position(), 250) << "a position that reads is kept even when IsMoving fails";
    run.onTimer();
    EXPECT_TRUE(focuser.moves.empty());
    run.onTimer();
    EXPECT_EQ(focuser.moves, (std::vector<int>{100}));
    // A frame before the focuser is at the target is not measured.
    run.frameStep(5.0);
    EXPECT_EQ(graph.series(0).count(), 0);
}

TEST_F(FocusingRunTest, TheSharedCentreIsMeasuredForBothSidesAndTheBackwardPassMovesOn)
{
    configure(100, 500, 500, 50); // hiA = loB = 500
    ASSERT_TRUE(run.Start());
    drive(vAt537);
    EXPECT_EQ(measured(0), grid(100, 500, 50));
    EXPECT_EQ(measured(1), grid(500, 900, 50));
    EXPECT_EQ(measured(3), grid(900, 500, -50));
    EXPECT_EQ(measured(2), grid(500, 100, -50));
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(graph.series(k).count(), graph.series(k).capacity) << k;
    // The centre counts on both sides, once with the wrong sign: within a step.
    EXPECT_LE(std::abs(run.results().currentFocus - 537), 50);
}

TEST_F(FocusingRunTest, AFitThatCannotBeTrustedNeverMovesTheFocuser)
{
    configure(100, 400, 500, 50);
    ASSERT_TRUE(run.Start());
    drive(vAt537);
    const FocusingResults good = run.results();
    ASSERT_NEAR(good.currentFocus, 537, 1);
    // Diameters of 0 (no image scale): no line crosses zero.
    ASSERT_TRUE(run.Start());
    drive([](int) { return 0.0; });
    EXPECT_EQ(focuser.moves.back(), 100) << "the run ends where the scan did";
    EXPECT_EQ(focuser.motor, 100);
    EXPECT_EQ(run.results().currentFocus, good.currentFocus) << "results as they were";
    EXPECT_EQ(run.results().deltaFocus, good.deltaFocus);
    EXPECT_EQ(run.results().currentBacklash, good.currentBacklash);
    EXPECT_EQ(run.statusText(), "Fit not usable: the forward pass does not cross zero inside 100 .. 900");
    for (int i = 0; i < 5; ++i)
        run.onTimer();
    EXPECT_EQ(focuser.motor, 100);
    // A single-position range: no line at all.
    configure(500, 500, 500, 10);
    ASSERT_TRUE(run.Start());
    drive(vAt537);
    EXPECT_EQ(focuser.motor, 500);
    EXPECT_EQ(run.statusText(), "Fit not usable: the forward pass has fewer than two positions");
    EXPECT_EQ(run.results().currentFocus, good.currentFocus);
}

TEST_F(FocusingRunTest, StopAndApplyShowTheFitAndItsDeltas)
{
    configure(100, 400, 500, 10);
    ASSERT_TRUE(run.Start());
    run.onTimer();
    run.Stop(); // before any fit: the middle of the range and no backlash
    EXPECT_EQ(run.results().currentFocus, 500);
    EXPECT_EQ(run.results().deltaFocus, 500);
    EXPECT_EQ(run.results().currentBacklash, 0);
    ASSERT_TRUE(run.Start());
    // One far too wide star on each side steepens the line: the focus is pulled toward
    // the centre.
    drive([](int p) { return 0.05 * std::abs(p - 537) + (p == 200 || p == 800 ? 200.0 : 0.0); });
    const int unfiltered = run.results().currentFocus;
    EXPECT_EQ(run.results().deltaFocus, unfiltered - 500);
    EXPECT_GT(std::abs(unfiltered - 537), 5);
    // Apply with a median takes them out; the delta is against the focus before the
    // run, not against the one just shown.
    FocusingSettings s = run.settings();
    s.filters.useMedian = true;
    s.filters.medianNumber = 4;
    run.setSettings(s);
    run.Apply();
    EXPECT_EQ(run.settings().filters.medianNumber, 5) << "forced odd";
    EXPECT_LT(std::abs(run.results().currentFocus - 537), std::abs(unfiltered - 537)) << unfiltered;
    EXPECT_EQ(run.results().deltaFocus, run.results().currentFocus - 500);
    EXPECT_EQ(graph.filters().medianNumber, 5);
}

TEST_F(FocusingRunTest, ARangeBeyondTheFocuserDoesNotStart)
{
    configure(100, 400, 700, 10); // 100 … 400 and 1000 … 1300
    EXPECT_FALSE(run.Start());
    EXPECT_FALSE(run.running());
    EXPECT_EQ(run.statusText(), "Not started: the scan range 100 .. 1300 leaves the focuser's 0 .. 1000");
    run.onTimer();
    EXPECT_TRUE(focuser.moves.empty());
}

// Diameters k × |p − 537| with noise, through the run and the graph.
TEST_F(FocusingRunTest, ASyntheticVFindsItsVertexWithinOneStep)
{
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.3);
    for (int step : {10, 20, 25}) {
        focuser.moves.clear();
        configure(100, 400, 500, step);
        ASSERT_TRUE(run.Start());
        drive([&](int p) { return 0.05 * std::abs(p - 537) + noise(random); });
        EXPECT_LE(std::abs(run.results().currentFocus - 537), step) << step;
        EXPECT_EQ(focuser.motor, run.results().currentFocus);
        EXPECT_LE(std::abs(run.results().currentBacklash), step);
    }
}

// Optics that follow the motor only after 30 steps of reversal: the forward pass sees
// the vertex 30 steps later than the backward one.
TEST_F(FocusingRunTest, PlayInTheFocuserShowsAsTheBacklash)
{
    followWithPlay(30);
    configure(100, 400, 500, 10);
    takeUp(50);
    ASSERT_TRUE(run.Start());
    drive(vAt537);
    EXPECT_NEAR(run.results().currentBacklash, 30, 2);
    EXPECT_NEAR(run.results().currentFocus, 567, 2);
    EXPECT_NEAR(opticsPosition, 537, 2) << "approached from below, the optics are at the vertex";
}

} // namespace
} // namespace velmora::client
