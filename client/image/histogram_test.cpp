#include "client/image/histogram_levels.h"
#include "client/image/histogram_stretch.h"
#include "client/image/square_histogram.h"

#include "client/shell/memory_settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace velmora::client {
namespace {

ImageFrame frameOf(int w, int h, int planes, std::uint16_t fill)
{
    ImageFrame frame;
    frame.Allocate(w, planes, h);
    for (auto& s : frame.sampleSpan())
        s = fill;
    return frame;
}

TEST(SquareHistogramTest, CountsOnlyTheClippedSquareAndReducesTo53Bins)
{
    ImageFrame frame = frameOf(20, 20, 2, 1000);
    frame.at(0, 1, 1) = 65535;
    frame.at(0, 15, 15) = 7; // outside the square
    frame.at(1, 2, 2) = 1237;
    SquareHistogram histogram(2);
    EXPECT_EQ(histogram.count(frame, {-5, -5, 10, 10}), 100);
    EXPECT_EQ(histogram.counts(0)[1000], 99);
    EXPECT_EQ(histogram.counts(0)[65535], 1);
    EXPECT_EQ(histogram.counts(0)[7], 0);
    EXPECT_EQ(histogram.reduced(0)[52], 1);
    EXPECT_EQ(histogram.reduced(0)[0], 99) << "53·1000 / 65536 is bin 0";
    EXPECT_EQ(histogram.reduced(1)[1], 1) << "1237 is the first level of bin 1";
    EXPECT_EQ(SquareHistogram::reducedBin(1236), 0);
    EXPECT_EQ(histogram.largestReducedCount(), 99);
    EXPECT_TRUE(histogram.counts(2).empty());

    // A second count starts from zero.
    EXPECT_EQ(histogram.count(frame, {10, 10, 20, 20}), 100);
    EXPECT_EQ(histogram.counts(0)[65535], 0);
    EXPECT_EQ(histogram.counts(0)[7], 1);
}

TEST(SquareHistogramTest, AutomaticLevelsFromClippedFractions)
{
    ImageFrame uniform = frameOf(10, 10, 1, 1000);
    SquareHistogram histogram(1);
    histogram.count(uniform, {0, 0, 10, 10});
    EXPECT_EQ(histogram.autoLevels(0, 0, 0), (LevelPair{1000, 1000})) << "fractions 0: darkest and brightest";

    ImageFrame ramp = frameOf(10, 10, 1, 0);
    for (int i = 0; i < 100; ++i)
        ramp.samples()[i] = static_cast<std::uint16_t>(500 + 10 * i);
    histogram.count(ramp, {0, 0, 10, 10});
    EXPECT_EQ(histogram.autoLevels(0, 0, 0), (LevelPair{500, 1490}));
    EXPECT_EQ(histogram.autoLevels(0, 10, 10), (LevelPair{500, 1490})) << "1 % of 100 pixels: target 1";
    EXPECT_EQ(histogram.autoLevels(0, 100, 50), (LevelPair{590, 1450})) << "10 % and 5 %";
    EXPECT_EQ(histogram.autoLevels(0, 1000, 0), (LevelPair{1490, 1490}));

    histogram.count(ramp, {50, 50, 60, 60});
    EXPECT_EQ(histogram.autoLevels(0, 0, 0), std::nullopt) << "nothing counted, no levels";
}

std::uint16_t expectedStretch(std::uint32_t s, std::uint32_t black, std::uint32_t white)
{
    if (s <= black)
        return 0;
    if (s >= white)
        return 65535;
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(s - black) * 65535 / (white - black));
}

TEST(StretchFrameTest, EverySampleMapsAsTheFormulaSaysForManyLevelPairs)
{
    std::vector<LevelPair> cases{{0, 65535},     {1000, 1000}, {1000, 1001},   {1200, 1000},
                                 {3, 60000},     {0, 1},       {0, 2},         {0, 3},
                                 {1, 65535},     {0, 65534},   {65534, 65535}, {65535, 65535},
                                 {12345, 54321}, {2, 65533},   {32767, 32768}};
    std::mt19937 random(99);
    std::uniform_int_distribution<int> level(0, 65535);
    for (int i = 0; i < 150; ++i) {
        const int a = level(random);
        const int b = level(random);
        cases.push_back(
            {static_cast<std::uint16_t>(std::min(a, b)), static_cast<std::uint16_t>(std::max(a, b))});
    }
    ImageFrame all = frameOf(256, 256, 1, 0);
    for (const LevelPair levels : cases) {
        for (int i = 0; i < all.sampleCount(); ++i)
            all.samples()[i] = static_cast<std::uint16_t>(i);
        ASSERT_TRUE(StretchFrame(all, all, std::vector<LevelPair>{levels}));
        int mismatches = 0;
        int first = -1;
        for (int s = 0; s < 65536; ++s) {
            if (all.samples()[s] !=
                expectedStretch(static_cast<std::uint32_t>(s), levels.black, levels.white)) {
                ++mismatches;
                first = first < 0 ? s : first;
            }
        }
        ASSERT_EQ(mismatches, 0) << "levels " << levels.black << "…" << levels.white << ", first sample "
                                 << first;
    }
}

TEST(StretchFrameTest, IntoAnotherFramePerPlaneLeavingTheSourceAlone)
{
    ImageFrame source = frameOf(2, 2, 3, 1500);
    ImageFrame target = frameOf(2, 2, 3, 7);
    ASSERT_TRUE(StretchFrame(source, target, std::vector<LevelPair>{{0, 65535}, {1000, 2000}}));
    EXPECT_EQ(target.at(0, 1, 1), 1500) << "levels 0…65535 leave samples unchanged";
    EXPECT_EQ(target.at(1, 1, 1), 500 * 65535 / 1000);
    EXPECT_EQ(target.at(2, 1, 1), 1500) << "a plane without levels is copied";
    EXPECT_EQ(source.at(1, 1, 1), 1500);
    ImageFrame other = frameOf(2, 3, 3, 7);
    EXPECT_FALSE(StretchFrame(source, other, std::vector<LevelPair>{{0, 10}}));
    EXPECT_EQ(other.at(0, 0, 0), 7);
}

TEST(HistogramLevelsTest, ManualLevelsPushEachOtherAndSynchronise)
{
    HistogramLevels levels(3);
    levels.selectPlane(1);
    levels.setMaxColour(5000);
    levels.setMinColour(7000);
    EXPECT_EQ(levels.manualLevels(1), (LevelPair{7000, 7000})) << "a minimum above the maximum raises it";
    levels.setMaxColour(3000);
    EXPECT_EQ(levels.manualLevels(1), (LevelPair{3000, 3000})) << "a maximum below the minimum lowers it";
    EXPECT_EQ(levels.manualLevels(0), (LevelPair{0, 65535})) << "other planes untouched";

    levels.setSynchronize(true);
    EXPECT_EQ(levels.manualLevels(0), (LevelPair{3000, 3000})) << "turning Synchronize on copies at once";
    levels.setMinColour(100);
    EXPECT_EQ(levels.manualLevels(2), (LevelPair{100, 3000}));
    EXPECT_EQ(levels.shownMinimum(), 100);
    levels.reset();
    EXPECT_EQ(levels.manualLevels(2), (LevelPair{0, 65535}));
    levels.selectPlane(7);
    EXPECT_EQ(levels.histogramPlane(), 1) << "an unknown plane is ignored";
}

TEST(HistogramLevelsTest, FractionsNeverExceedAThousandAndSyncFlagsAreSeparate)
{
    HistogramLevels levels(2);
    levels.setSynchronize(true); // manual mode's flag only
    levels.setAutoHistogram(true);
    EXPECT_FALSE(levels.synchronize());
    levels.setMinLevel(300);
    levels.setMaxLevel(800);
    EXPECT_EQ(levels.minLevel(0), 200) << "the other fraction is lowered to 1000 minus it";
    EXPECT_EQ(levels.maxLevel(0), 800);
    levels.setMinLevel(1500);
    EXPECT_EQ(levels.minLevel(0), 1000);
    EXPECT_EQ(levels.maxLevel(0), 0);
    EXPECT_EQ(levels.minLevel(1), 0) << "not synchronised";
    levels.setSynchronize(true);
    EXPECT_EQ(levels.minLevel(1), 1000);
    levels.reset();
    EXPECT_EQ(levels.minLevel(0) + levels.maxLevel(1), 0);
}

TEST(HistogramLevelsTest, AutoLevelsDriveTheStretchAndSurviveAnEmptySquare)
{
    HistogramLevels levels(1);
    levels.setMaxColour(4000);
    ImageFrame frame = frameOf(4, 4, 1, 1000);
    frame.at(0, 0, 0) = 3000;
    SquareHistogram histogram(1);
    histogram.count(frame, {0, 0, 4, 4});
    levels.setAutoHistogram(true);
    levels.updateAutoLevels(histogram);
    EXPECT_EQ(levels.stretchLevels(0), (LevelPair{1000, 3000}));
    EXPECT_EQ(levels.shownMaximum(), 3000);
    histogram.count(frame, {10, 10, 20, 20});
    levels.updateAutoLevels(histogram);
    EXPECT_EQ(levels.stretchLevels(0), (LevelPair{1000, 3000})) << "an empty square keeps the last levels";
    levels.setAutoHistogram(false);
    EXPECT_EQ(levels.stretchLevels(0), (LevelPair{0, 4000}));
}

TEST(HistogramLevelsTest, SettingsUsePlaneCountAndPlaneInTheirNames)
{
    MemorySettingsStore store;
    store.writeInt("Guiding", "Apply Histogram", 1);
    store.writeInt("Guiding", "Min Color 2-1", -50);
    store.writeInt("Guiding", "Max Color 2-1", 90000);
    store.writeInt("Guiding", "Min Level 2-0", 15);
    HistogramLevels levels(2);
    levels.load(store, "Guiding");
    EXPECT_TRUE(levels.applyHistogram());
    EXPECT_FALSE(levels.autoHistogram());
    EXPECT_EQ(levels.manualLevels(1), (LevelPair{0, 65535}));
    EXPECT_EQ(levels.minLevel(0), 15);

    levels.setMaxColour(777);
    MemorySettingsStore saved;
    levels.save(saved, "Guiding");
    EXPECT_EQ(saved.readInt("Guiding", "Max Color 2-0", 0), 777);
    EXPECT_EQ(saved.readInt("Guiding", "Min Level 2-0", 0), 15);
    EXPECT_EQ(saved.readInt("Guiding", "Max Level 2-1", -1), 0);
    EXPECT_EQ(saved.readInt("Guiding", "Auto Histogram", -1), 0);
    EXPECT_EQ(saved.size(), 10u);
}

} // namespace
} // namespace velmora::client
