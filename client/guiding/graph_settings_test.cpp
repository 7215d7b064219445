#include "client/guiding/graph_settings.h"

#include "client/shell/memory_settings_store.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace velmora::client {
namespace {

TEST(GraphSettings, EmptyStoreGivesTheDefaults)
{
    MemorySettingsStore store;
    GraphSettings loaded;
    loaded.shownGraph = GraphKind::Fft;
    loaded.load(store);
    EXPECT_EQ(loaded, GraphSettings{});
    EXPECT_EQ(loaded.shownGraph, GraphKind::Drift);
    EXPECT_EQ(loaded.showAxis, (std::array<bool, 2>{true, true}));
    EXPECT_EQ(loaded.drift.xScaleTenths, 10);
    EXPECT_DOUBLE_EQ(loaded.drift.xScaleSeconds(), 1.0);
    EXPECT_EQ(loaded.drift.yScaleArcsec, 100);
    EXPECT_EQ(loaded.distribution.binNumber, (std::array<int, 2>{10, 10}));
    EXPECT_EQ(loaded.distribution.probabilityHundredths, (std::array<int, 2>{95, 95}));
    EXPECT_EQ(loaded.fft.xScale, 1);
    EXPECT_DOUBLE_EQ(loaded.fft.yScale(), 1.0);
    EXPECT_EQ(loaded.fft.maxPeakNumber, (std::array<int, 2>{10, 10}));
}

TEST(GraphSettings, SavedUnderTheirNamesAndReadBack)
{
    GraphSettings saved;
    saved.shownGraph = GraphKind::Distribution;
    saved.showAxis = {false, true};
    saved.drift = {25, 7};
    saved.distribution.binNumber = {3, 40};
    saved.distribution.probabilityHundredths = {50, 99};
    saved.fft.xScale = 3;
    saved.fft.yScaleThousandths = 2500;
    saved.fft.maxPeakNumber = {0, 500};
    MemorySettingsStore store;
    saved.save(store);

    const std::vector<std::pair<const char*, int>> expected{
        {"Show Graph", 1},     {"Show Graph X", 0}, {"Show Graph Y", 1},   {"Drift X Scale", 25},
        {"Drift Y Scale", 7},  {"Bin Number X", 3}, {"Bin Number Y", 40},  {"Probability X", 50},
        {"Probability Y", 99}, {"FFT X Scale", 3},  {"FFT Y Scale", 2500}, {"FFT X Num", 0},
        {"FFT Y Num", 500},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(store.readInt("Guiding", name, -1), value) << name;
    EXPECT_EQ(store.size(), 13u);

    GraphSettings loaded;
    loaded.load(store);
    EXPECT_EQ(loaded, saved);
}

TEST(GraphSettings, ImpossibleStoredValuesComeBackInRange)
{
    MemorySettingsStore store;
    store.writeInt("Guiding", "Show Graph", 7);
    store.writeInt("Guiding", "Show Graph X", 5);
    store.writeInt("Guiding", "Drift X Scale", 0);
    store.writeInt("Guiding", "Drift Y Scale", 5000000);
    store.writeInt("Guiding", "Bin Number X", 0);
    store.writeInt("Guiding", "Bin Number Y", 101);
    store.writeInt("Guiding", "Probability X", -5);
    store.writeInt("Guiding", "Probability Y", 150);
    store.writeInt("Guiding", "FFT X Scale", 9);
    store.writeInt("Guiding", "FFT Y Scale", -1);
    store.writeInt("Guiding", "FFT X Num", -3);
    store.writeInt("Guiding", "FFT Y Num", 501);
    GraphSettings loaded;
    loaded.load(store);
    EXPECT_EQ(loaded.shownGraph, GraphKind::Drift);
    EXPECT_TRUE(loaded.showAxis[0]);
    EXPECT_EQ(loaded.drift.xScaleTenths, 1);
    EXPECT_EQ(loaded.drift.yScaleArcsec, 999999);
    EXPECT_EQ(loaded.distribution.binNumber, (std::array<int, 2>{1, 100}));
    EXPECT_EQ(loaded.distribution.probabilityHundredths, (std::array<int, 2>{0, 100}));
    EXPECT_EQ(loaded.fft.xScale, 4);
    EXPECT_EQ(loaded.fft.yScaleThousandths, 0);
    EXPECT_EQ(loaded.fft.maxPeakNumber, (std::array<int, 2>{0, 500}));
    EXPECT_EQ(GraphSettings::graphKind(2), GraphKind::Fft);
    EXPECT_EQ(GraphSettings::graphKind(-1), GraphKind::Drift);
}

// Typing into a field and committing: the stored integer and the text shown after.
void expectCommit(common::NumericField field, const char* typed, int value, const char* shown)
{
    field.setEditedText(typed);
    field.commit();
    EXPECT_EQ(field.value(), value) << typed;
    EXPECT_EQ(field.text(), shown) << typed;
}

TEST(GraphSettings, FieldsHoldTheStoredUnits)
{
    expectCommit(DriftGraphSettings::xScaleField(), "2.57", 25, "2.5");
    expectCommit(DriftGraphSettings::xScaleField(), "0", 1, "0.1");
    expectCommit(DriftGraphSettings::yScaleField(), "1234567", 999999, "999999");
    expectCommit(DistributionGraphSettings::binNumberField(), "0", 1, "1");
    expectCommit(DistributionGraphSettings::binNumberField(), "250", 100, "100");
    expectCommit(DistributionGraphSettings::probabilityField(), "0.95", 95, "0.95");
    expectCommit(DistributionGraphSettings::probabilityField(), "1.5", 100, "1.00");
    expectCommit(FftGraphSettings::xScaleField(), "5", 4, "4");
    expectCommit(FftGraphSettings::yScaleField(), "2.5", 2500, "2.500");
    expectCommit(FftGraphSettings::maxPeakNumberField(), "600", 500, "500");
    expectCommit(FftGraphSettings::maxPeakNumberField(), "0", 0, "0");
    EXPECT_TRUE(FftGraphSettings::maxPeakNumberField().flags() & common::kHasSpin);
}

} // namespace
} // namespace velmora::client
