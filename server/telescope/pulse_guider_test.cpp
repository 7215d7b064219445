// The pulse engine through the telescope object on the simulated parallel port: held
// times read from the time-stamped line changes, backlash, refusals, the hand-over to
// the worker, stopping and draining, and timing against absolute deadlines.
#include "server/telescope/pulse_guider.h"

#include "testing/simulated_telescope.h"

#include <thread>

namespace velmora::server {
namespace {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

constexpr int kNorth = 0, kSouth = 1, kEast = 2, kWest = 3;

using PulseGuiderTest = SimulatedTelescope;

TEST_F(PulseGuiderTest, BacklashIsAddedWhenAnAxisReversesAndToItsFirstPulse)
{
    storeNumber("Config", "Ver Backlash", 200);
    storeNumber("Config", "Hor Backlash", 150);
    connected();

    pulse(kSouth, 300); // first on the axis
    pulse(kNorth, 500); // reversal
    pulse(kNorth, 500);
    EXPECT_EQ(heldMs(D6), (std::vector<long long>{500}));
    EXPECT_EQ(heldMs(D7), (std::vector<long long>{700, 500}));

    pulse(kEast, 40); // first on the axis: n = 1, r = 90
    pulse(kEast, 40);
    pulse(kWest, 60);
    EXPECT_EQ(heldMs(D5), (std::vector<long long>{190, 40}));
    EXPECT_EQ(heldMs(D4), (std::vector<long long>{210}));
}

TEST_F(PulseGuiderTest, RefusalsSendNothingAndLeaveTheAxesAlone)
{
    storeNumber("Config", "Ver Backlash", 100);
    TelescopeDriver& driver = create();
    EXPECT_EQ(driver.PulseGuide(kNorth, 0), DriverError::None);
    EXPECT_EQ(driver.PulseGuide(kNorth, 100), DriverError::NotConnected);
    EXPECT_EQ(driver.PulseGuide(kNorth, -1), DriverError::InvalidDuration);

    ASSERT_EQ(driver.putConnected(true), DriverError::None);
    std::size_t changes = lines().changeCount();
    EXPECT_EQ(driver.PulseGuide(kNorth, -500), DriverError::InvalidDuration);
    EXPECT_EQ(driver.PulseGuide(kNorth, PulseGuider::kMaxDurationMs + 1), DriverError::InvalidDuration);
    EXPECT_EQ(driver.PulseGuide(kEast, 2147483647), DriverError::InvalidDuration);
    EXPECT_EQ(driver.PulseGuide(kSouth, 0), DriverError::None);
    EXPECT_EQ(driver.PulseGuide(4, 100), DriverError::InvalidValue);
    EXPECT_EQ(driver.PulseGuide(-1, 100), DriverError::InvalidValue);
    EXPECT_EQ(driver.PulseGuide(-2, 100), DriverError::InvalidValue);
    bool guiding = true;
    EXPECT_EQ(driver.getIsPulseGuiding(guiding), DriverError::None);
    EXPECT_FALSE(guiding);
    EXPECT_EQ(lines().changeCount(), changes);

    // None of them counted as the axis's first pulse: this one still gets the backlash.
    pulse(kNorth, 100);
    pulse(kNorth, 100);
    EXPECT_EQ(heldMs(D7), (std::vector<long long>{200, 100}));
    // The longest pulse taken is held in full.
    pulse(kNorth, PulseGuider::kMaxDurationMs);
    EXPECT_EQ(heldMs(D7).back(), PulseGuider::kMaxDurationMs);
}

TEST_F(PulseGuiderTest, DefaultWordsRaiseTheDirectionLineAndReleaseBothLinesOfTheAxis)
{
    parallel.port(platform::kLpt1DataAddress)->writeData(0x4F);
    connected();
    EXPECT_EQ(lines().value(), 0x0F); // connecting released both axes: D4..D7 low

    parallel.port(platform::kLpt1DataAddress)->writeData(0x4F);
    clock.setMode(FakePulseClock::Mode::Manual);
    ASSERT_EQ(telescope->PulseGuide(kNorth, 300), DriverError::None);
    ASSERT_TRUE(clock.waitForSleepers(1));
    EXPECT_EQ(lines().value(), 0xCF); // D7 raised, D0..D6 as they were
    ASSERT_TRUE(clock.runUntil([&] { return telescope->waitUntilIdle(0ms); }));
    EXPECT_EQ(lines().value(), 0x0F); // the release lowers D7 and D6

    ASSERT_EQ(telescope->PulseGuide(kWest, 100), DriverError::None);
    ASSERT_TRUE(clock.waitForSleepers(1));
    EXPECT_EQ(lines().value(), 0x1F);
    ASSERT_TRUE(clock.runUntil([&] { return telescope->waitUntilIdle(0ms); }));
    EXPECT_EQ(lines().value(), 0x0F);
}

TEST_F(PulseGuiderTest, InvertedPolarityMirrorsEveryLevel)
{
    storeNumber("Config", "Invert Polarity", 1);
    parallel.port(platform::kLpt1DataAddress)->writeData(0x05);
    connected();
    EXPECT_EQ(lines().value(), 0xF5); // idle level of D4..D7 is high

    clock.setMode(FakePulseClock::Mode::Manual);
    ASSERT_EQ(telescope->PulseGuide(kNorth, 250), DriverError::None);
    ASSERT_TRUE(clock.waitForSleepers(1));
    EXPECT_EQ(lines().value(), 0x75); // North lowers D7 alone
    ASSERT_TRUE(clock.runUntil([&] { return telescope->waitUntilIdle(0ms); }));
    EXPECT_EQ(lines().value(), 0xF5);
    EXPECT_EQ(heldMs(D7, false), (std::vector<long long>{250}));

    // Back to normal polarity: the lines take their normal idle level at once.
    telescope->setInvertPolarity(false);
    EXPECT_EQ(lines().value(), 0x05);
}

TEST_F(PulseGuiderTest, ABusyAxisRefusesWhileTheOtherAxisAccepts)
{
    storeNumber("Config", "Ver Backlash", 100);
    connected();
    clock.setMode(FakePulseClock::Mode::Manual);

    ASSERT_EQ(telescope->PulseGuide(kNorth, 1000), DriverError::None);
    // Pulsing from the moment the call accepted the pulse.
    bool guiding = false;
    telescope->getIsPulseGuiding(guiding);
    EXPECT_TRUE(guiding);
    EXPECT_EQ(telescope->PulseGuide(kNorth, 500), DriverError::AlreadyInMotion);
    EXPECT_EQ(telescope->PulseGuide(kSouth, 500), DriverError::AlreadyInMotion);
    ASSERT_EQ(telescope->PulseGuide(kEast, 300), DriverError::None);
    EXPECT_EQ(telescope->PulseGuide(kWest, 300), DriverError::AlreadyInMotion);
    // Slice by slice while both run, so that East's release is stamped before the
    // clock moves on.
    for (int slice = 1; slice <= 3; ++slice) {
        ASSERT_TRUE(clock.waitForSleepers(2));
        ASSERT_TRUE(clock.advanceToNextDeadline());
    }
    ASSERT_TRUE(lines().waitFor([](std::uint8_t value) { return (value & 0x20) == 0; }, kIdleLimit));
    ASSERT_TRUE(clock.runUntil([&] { return telescope->waitUntilIdle(0ms); }));

    EXPECT_EQ(heldMs(D7), (std::vector<long long>{1100}));
    EXPECT_EQ(heldMs(D5), (std::vector<long long>{300}));
    EXPECT_TRUE(heldMs(D6).empty());
    // The refused South pulse did not count as a reversal.
    clock.setMode(FakePulseClock::Mode::Automatic);
    pulse(kNorth, 200);
    EXPECT_EQ(heldMs(D7), (std::vector<long long>{1100, 200}));
}

TEST_F(PulseGuiderTest, DisconnectCutsALongPulseAtTheNextSliceAndDrains)
{
    connected();
    clock.setMode(FakePulseClock::Mode::Manual);
    ASSERT_EQ(telescope->PulseGuide(kNorth, 10000), DriverError::None);
    ASSERT_EQ(telescope->PulseGuide(kEast, 90), DriverError::None); // too short to cut
    ASSERT_TRUE(clock.waitForSleepers(2));
    ASSERT_TRUE(clock.advanceToNextDeadline()); // 90: East ends
    ASSERT_TRUE(lines().waitFor([](std::uint8_t value) { return (value & 0x20) == 0; }, kIdleLimit));
    ASSERT_TRUE(clock.advanceToNextDeadline()); // 100
    ASSERT_TRUE(clock.advanceToNextDeadline()); // 200
    clock.advance(50ms);
    ASSERT_TRUE(clock.waitForSleepers(1)); // North sleeps until 300

    auto requested = clock.now();
    std::thread disconnecting([&] { telescope->putConnected(false); });
    ASSERT_TRUE(velmora::testing::eventually([&] { return telescope->pulseGuider().stopRequested(0); }));
    ASSERT_TRUE(clock.runUntil([&] { return ports.openChannelCount() == 0; }));
    disconnecting.join();

    std::vector<sim::LinePulse> north = sim::linePulses(lines().changes(), D7);
    ASSERT_EQ(north.size(), 1u);
    EXPECT_EQ(north[0].end - requested, 50ms); // the 300 ms slice end
    EXPECT_EQ(heldMs(D5), (std::vector<long long>{90}));
    EXPECT_EQ(lines().value() & 0xF0, 0);
    bool connectedNow = true, guiding = true;
    telescope->getConnected(connectedNow);
    telescope->getIsPulseGuiding(guiding);
    EXPECT_FALSE(connectedNow);
    EXPECT_FALSE(guiding);
}

TEST_F(PulseGuiderTest, DeadlinesAreAbsoluteSoOvershootDoesNotAccumulate)
{
    connected();
    clock.setOvershoot(3ms); // every sleep wakes 3 ms late
    pulse(kNorth, 1050);     // ten slices and a rest: eleven sleeps
    pulse(kEast, 40);
    EXPECT_EQ(heldMs(D7), (std::vector<long long>{1053}));
    EXPECT_EQ(heldMs(D5), (std::vector<long long>{43}));
}

TEST_F(PulseGuiderTest, TheWorkersIdleIsNeverUndoneByTheCallThatStartedIt)
{
    connected();
    // Pulses of one millisecond end while PulseGuide is still returning; an axis whose
    // idle signal was undone would stay busy for ever.
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(telescope->PulseGuide(i % 4, 1), DriverError::None) << i;
        ASSERT_TRUE(telescope->waitUntilIdle(kIdleLimit)) << i;
    }
    EXPECT_EQ(heldMs(D7).size() + heldMs(D6).size() + heldMs(D5).size() + heldMs(D4).size(), 300u);
}

TEST_F(PulseGuiderTest, ChangedDirectionWordsReleaseWithTheOldWordsThenTheNew)
{
    connected();
    parallel.port(platform::kLpt1DataAddress)->writeData(0xFF);
    // Lines 7 and 6 to North, line 0 to South, nothing to East, line 1 to West.
    PulseGuider::DirectionWords words{0x3FC0, 0xFE01, 0xFF00, 0xFD02};
    telescope->setDirectionWords(words);
    // Old release words lowered D4..D7; the new ones (0x3E00, 0xFD00) lower D0, D1, D6, D7.
    EXPECT_EQ(lines().value(), 0x0C);
    EXPECT_EQ(PulseGuider::releaseWordsOf(words), (PulseGuider::ReleaseWords{0x3E00, 0xFD00}));
    lines().clearChanges();

    pulse(kNorth, 120);
    EXPECT_EQ(heldMs(D7), (std::vector<long long>{120}));
    EXPECT_EQ(heldMs(D6), (std::vector<long long>{120}));
    std::size_t changes = lines().changeCount();
    pulse(kEast, 120); // an unassigned direction changes no line
    EXPECT_EQ(lines().changeCount(), changes);
    EXPECT_EQ(telescope->settings().directionWords, words);
}

// The same on the steady clock: the real sleeps of a worker are cut short too. The
// exact slice bound is the fake clock's test above; here the line goes active, the
// disconnect follows, and the pulse ends long before its ten seconds.
TEST(PulseGuiderRealTime, DisconnectDuringATenSecondPulseEndsItLongBeforeItsTime)
{
    velmora::testing::TempHome home;
    sim::SimulatedParallelBackend parallel;
    platform::SystemPortDevices devices;
    devices.setSimulatorBackend(&parallel);
    devices.setSimulatorForced(true);
    PortRegistry ports(devices);
    DeviceSettings store;
    {
        TelescopeDriver driver(ports, store);
        ASSERT_EQ(driver.putConnected(true), DriverError::None);
        sim::LineLog& lines = parallel.port(platform::kLpt1DataAddress)->dataLines();
        ASSERT_EQ(driver.PulseGuide(kSouth, 10000), DriverError::None);
        ASSERT_TRUE(lines.waitFor([](std::uint8_t value) { return (value & 0x40) != 0; }, 5s));
        auto requested = std::chrono::steady_clock::now();
        ASSERT_EQ(driver.putConnected(false), DriverError::None);
        auto returned = std::chrono::steady_clock::now();
        std::vector<sim::LinePulse> south = sim::linePulses(lines.changes(), 6);
        ASSERT_EQ(south.size(), 1u);
        EXPECT_GE(returned, south[0].end) << "the call returns once the line is released";
        EXPECT_GE(south[0].end, requested);
        EXPECT_LT(south[0].held(), 5s);
        EXPECT_EQ(lines.value() & 0xC0, 0);
    }
    devices.setSimulatorBackend(nullptr);
}

} // namespace
} // namespace velmora::server
