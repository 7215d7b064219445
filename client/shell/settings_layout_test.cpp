#include "client/shell/settings_layout.h"

#include "client/shell/memory_settings_store.h"
#include "client/shell/registry_settings_store.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace velmora::client::settings {
namespace {

TEST(SettingsLayout, AnEmptyRegistryGivesExactlyTheDocumentedDefaults)
{
    testing::TempHome home;
    const RegistrySettingsStore store;
    EXPECT_EQ(read(store, kDriverCamera), "VelmoraServer.Camera");
    EXPECT_EQ(read(store, kDriverFocuser), "VelmoraServer.Focuser");
    EXPECT_EQ(read(store, kDriverTelescope), "VelmoraServer.Telescope");
    EXPECT_EQ(read(store, kPerformanceMode), 0);
    EXPECT_EQ(read(store, kExposureTime), 0);
    EXPECT_EQ(read(store, kExposureManualMode), 1);
    EXPECT_EQ(read(store, kPixelWidth), 560);
    EXPECT_EQ(read(store, kPixelHeight), 560);
    EXPECT_EQ(read(store, kFocalLength), 1000);
    EXPECT_EQ(read(store, kAperture), 200);
    for (const IntSetting& bar : {kToolbarExposure, kToolbarFields, kToolbarReticle, kToolbarProcess,
                                  kToolbarHardware, kToolbarScreenshot})
        EXPECT_EQ(read(store, bar), 0) << bar.value;
    EXPECT_EQ(read(store, kDigitCapacity), 8);
    EXPECT_EQ(read(store, kPlaneColour, 3, 2), 3);
    EXPECT_EQ(read(store, kPlaneCaption, 3, 0), "Plane 1");
    EXPECT_EQ(read(store, kReticleCenterX), 3200);
    EXPECT_EQ(read(store, kReticleCenterY), 2400);
    EXPECT_EQ(read(store, kShowReticle), 1);
    EXPECT_EQ(read(store, kLogPath), "~/DriftLog.txt");
    EXPECT_EQ(read(store, kCaptureFolder), "~/");
    EXPECT_EQ(read(store, kAxisProportional, Axis::X), 1000);
    EXPECT_EQ(read(store, kAxisMaximum, Axis::Y), 1800);
    EXPECT_EQ(read(store, kFftYScale), 1000);
    EXPECT_EQ(read(store, kFocusCenterPosition), 500);
    EXPECT_EQ(read(store, "Preview", kToolSquareSize), 64);
    EXPECT_EQ(read(store, "Guiding", kToolMaxColour, 1, 0), 65535);

    // Every entry of the table reads back as its own default, and reading creates nothing.
    for (const IntSetting& s : allIntSettings())
        EXPECT_EQ(read(store, s), s.defaultValue) << s.section << "/" << s.value;
    for (const StringSetting& s : allStringSettings())
        EXPECT_EQ(read(store, s), s.defaultValue) << s.section << "/" << s.value;
    for (const AxisIntSetting& s : allAxisSettings())
        for (Axis axis : {Axis::X, Axis::Y})
            EXPECT_EQ(read(store, s, axis), s.defaultValue) << s.stem;
    for (const ToolIntSetting& s : allToolSettings())
        EXPECT_EQ(read(store, kFocusingSection, s), s.defaultValue) << s.value;
    EXPECT_EQ(testing::readFile(home.registryFile("HKEY_CURRENT_USER")).find("Velmora Nebrix"),
              std::string::npos);
}

TEST(SettingsLayout, NamesAreUniqueAndBuiltAsStored)
{
    std::set<std::pair<std::string, std::string>> seen;
    auto add = [&seen](const std::string& section, const std::string& value) {
        EXPECT_TRUE(seen.emplace(section, value).second) << "duplicate " << section << "/" << value;
    };
    for (const IntSetting& s : allIntSettings())
        add(s.section, s.value);
    for (const StringSetting& s : allStringSettings())
        add(s.section, s.value);
    for (const AxisIntSetting& s : allAxisSettings())
        for (Axis axis : {Axis::X, Axis::Y})
            add(s.section, axisValueName(s, axis));
    for (const ToolIntSetting& s : allToolSettings())
        add(kGuidingSection, s.value);
    EXPECT_EQ(axisValueName(kAxisProportional, Axis::X), "Proportional X");
    EXPECT_EQ(axisValueName(kAxisEnable, Axis::Y), "Enable Y");
    EXPECT_EQ(planeValueName(kPlaneColour.format, 3, 1), "Color-3-1");
    EXPECT_EQ(planeValueName(kToolReferenceColour.format, 1, 0), "Reference Color 1-0");
    EXPECT_EQ(planeCaptionDefault(kPlaneCaption, 9), "Plane 10");
}

TEST(SettingsLayout, WritesGoWhereReadsLookAndWrongTypesFallBack)
{
    MemorySettingsStore store;
    EXPECT_TRUE(write(store, kExposureTime, 150));
    EXPECT_TRUE(write(store, kAxisFrame, Axis::Y, 3));
    EXPECT_TRUE(write(store, kPlaneCaption, 3, 2, "Red"));
    EXPECT_TRUE(write(store, "Capture", kToolSquareSize, 32));
    EXPECT_TRUE(writeBool(store, kSaveLog, true));
    EXPECT_EQ(store.readInt("Exposure", "Exposure Time", -1), 150);
    EXPECT_EQ(store.readInt("Guiding", "Frame Y", -1), 3);
    EXPECT_EQ(read(store, kAxisFrame, Axis::X), 10) << "the other axis is untouched";
    EXPECT_EQ(read(store, kPlaneCaption, 3, 2), "Red");
    EXPECT_EQ(read(store, "Capture", kToolSquareSize), 32);
    EXPECT_TRUE(readBool(store, kSaveLog));

    store.writeString("Exposure", "Manual Mode", "yes"); // a string where an integer belongs
    EXPECT_EQ(read(store, kExposureManualMode), 1);
    store.writeInt("Drivers", "Camera", 7);
    EXPECT_EQ(read(store, kDriverCamera), "VelmoraServer.Camera");
}

} // namespace
} // namespace velmora::client::settings
