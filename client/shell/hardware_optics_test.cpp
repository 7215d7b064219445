#include "client/shell/hardware_optics.h"

#include "client/shell/memory_settings_store.h"
#include "client/shell/settings_layout.h"

#include <gtest/gtest.h>

using namespace velmora::client;

TEST(HardwareOptics, DefaultTelescopeGivesTheBarsResults)
{
    HardwareOptics optics; // 1000 mm, 200 mm, 5.60 µm
    EXPECT_EQ(HardwareOptics::shownResult(optics.focalRatio()).text(), "5.00");
    EXPECT_EQ(HardwareOptics::shownResult(optics.resolutionArcsec()).text(), "0.62"); // 0.6291… truncated
    EXPECT_EQ(HardwareOptics::shownResult(optics.scaleX()).text(), "1.15");           // 1.1550… truncated
    EXPECT_EQ(HardwareOptics::shownResult(optics.scaleY()).text(), "1.15");
    EXPECT_NEAR(optics.scaleX(), 1.15508291630, 1e-10);
    // Fields of view of a 640 × 480 frame, arcminutes.
    EXPECT_NEAR(optics.fieldOfViewX(640), 640 * 1.15508291630 / 60, 1e-9);
    EXPECT_EQ(HardwareOptics::shownResult(optics.fieldOfViewY(480)).text(), "9.24");
}

TEST(HardwareOptics, FieldsShowTheirUnitsAndKeepTheirRanges)
{
    HardwareOptics optics;
    EXPECT_EQ(optics.pixelWidth().text(), "5.60");
    EXPECT_EQ(optics.focalLength().text(), "1000"); // millimetres as an integer
    EXPECT_DOUBLE_EQ(optics.focalLength().realValue(), 1.0);
    optics.setPixelWidth(0);
    optics.setAperture(5000000);
    EXPECT_EQ(optics.pixelWidth().value(), 1);
    EXPECT_EQ(optics.aperture().value(), 999999);
}

TEST(HardwareOptics, ReadingsFillOnlyWhatWasReadAndPositive)
{
    HardwareOptics optics;
    optics.applyReadings({5.6, std::nullopt, 0.8, -1.0});
    EXPECT_EQ(optics.pixelWidth().value(), 560); // 5.6 µm ÷ 0.01, not 559
    EXPECT_EQ(optics.pixelHeight().value(), 560);
    EXPECT_EQ(optics.focalLength().value(), 800); // 0.8 m ÷ 0.001
    EXPECT_EQ(optics.aperture().value(), 200);    // a non-positive reading is skipped
    optics.applyReadings({7.4, 0.0, std::nullopt, 0.102});
    EXPECT_EQ(optics.pixelWidth().value(), 740);
    EXPECT_EQ(optics.pixelHeight().value(), 560);
    EXPECT_EQ(optics.aperture().value(), 102);
}

TEST(HardwareOptics, StoredValuesGoThroughTheFieldRanges)
{
    MemorySettingsStore store;
    settings::write(store, settings::kPixelWidth, 0);
    settings::write(store, settings::kFocalLength, 2032);
    HardwareOptics optics;
    optics.load(store);
    EXPECT_EQ(optics.pixelWidth().value(), 1);
    EXPECT_EQ(optics.focalLength().value(), 2032);
    optics.save(store);
    EXPECT_EQ(settings::read(store, settings::kPixelWidth), 1);
    EXPECT_EQ(settings::read(store, settings::kAperture), 200);
}
