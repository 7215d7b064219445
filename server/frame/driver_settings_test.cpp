// The three drivers' value tables: defaults, round trips, scaled values and the
// camera's exposure data.
#include "server/frame/camera_settings.h"
#include "server/frame/focuser_settings.h"
#include "server/frame/scaled_value.h"
#include "server/frame/telescope_settings.h"

#include "platform/registry/registry.h"
#include "server/frame/scoped_key.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmora::server {
namespace {

std::vector<std::string> valueNames(const std::string& keyPath)
{
    std::vector<std::string> names;
    ScopedKey key;
    if (!key.open(HKEY_CURRENT_USER, keyPath.c_str(), KEY_READ))
        return names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumValue(key.get(), i, name, &size, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    return names;
}

class DriverSettingsTest : public ::testing::Test {
protected:
    testing::TempHome home;
    DeviceSettings store;
};

TEST_F(DriverSettingsTest, FreshAccountGivesTheShippedCamera)
{
    CameraSettings camera;
    camera.formatWidth = 1;
    camera.load(store, "Default");
    EXPECT_EQ(camera, CameraSettings{});
    EXPECT_EQ(camera.formatWidth, 640);
    EXPECT_EQ(camera.formatHeight, 480);
    EXPECT_EQ(camera.formatPeriod, 2000000); // 5 frames a second
    EXPECT_EQ(camera.startX, 0);
    EXPECT_EQ(camera.startY, 0);
    EXPECT_EQ(camera.numX, 640);
    EXPECT_EQ(camera.numY, 480);
    EXPECT_EQ(camera.colorMode, 2);
    EXPECT_EQ(camera.port, "LPT1");
    EXPECT_EQ(camera.portSpeed, "115200");
    EXPECT_DOUBLE_EQ(camera.pixelWidth, 5.6);
    EXPECT_EQ(camera.exposure, ExposureSequences());
    EXPECT_EQ(store.currentDriver(), kCameraDriverName);
    EXPECT_EQ(store.currentProfile(), "Default");

    FocuserSettings focuser;
    focuser.load(store, "Default");
    EXPECT_EQ(focuser, FocuserSettings{});
    TelescopeSettings telescope;
    telescope.load(store, "Default");
    EXPECT_EQ(telescope, TelescopeSettings{});
    EXPECT_EQ(telescope.directionWords, (std::array<std::uint16_t, 4>{0x7F80, 0xBF40, 0xDF20, 0xEF10}));
}

TEST_F(DriverSettingsTest, CameraRoundTrip)
{
    CameraSettings camera;
    camera.formatWidth = 1280;
    camera.formatHeight = 720;
    camera.formatPeriod = 333333;
    camera.matrixWidth = 1296;
    camera.matrixHeight = 972;
    camera.pixelWidth = 3.75;
    camera.pixelHeight = 2.9;
    camera.startX = 10;
    camera.startY = 20;
    camera.numX = 300;
    camera.numY = 200;
    camera.framesNumber = 8;
    camera.port = "COM2";
    camera.portSpeed = "9600";
    ExposureSequence off = camera.exposure.sequence(1);
    off.delayMs = {1, 2, 3, 4, 5, 999999};
    off.lines[4] = 0x00FF;
    camera.exposure.setSequence(1, off);
    ExposureSequence on = camera.exposure.sequence(0);
    on.waitFrame = {1, 1, 1, 0, 0, 1};
    camera.exposure.setSequence(0, on);
    ASSERT_TRUE(camera.exposure.select(1));
    camera.colorMode = 0;
    camera.matrixType = 3;
    camera.redCoeff = 90;
    camera.greenCoeff = 110;
    camera.blueCoeff = 0;
    ASSERT_TRUE(camera.save(store, "Rig A"));

    CameraSettings loaded;
    loaded.load(store, "Rig A");
    EXPECT_EQ(loaded, camera);
    CameraSettings other;
    other.load(store, "Default");
    EXPECT_EQ(other, CameraSettings{});
}

TEST_F(DriverSettingsTest, PixelSizeIsKeptInHundredthsOfAMicrometre)
{
    store.setCurrent(kCameraDriverName, "Default");
    store.writeNumber("Matrix", "Pixel Width", 375);
    store.writeNumber("Matrix", "Pixel Height", 29);
    CameraSettings camera;
    camera.load(store, "Default");
    EXPECT_DOUBLE_EQ(camera.pixelWidth, 3.75);
    EXPECT_DOUBLE_EQ(camera.pixelHeight, 0.29);
    ASSERT_TRUE(camera.save(store, "Default"));
    EXPECT_EQ(store.readNumber("Matrix", "Pixel Width", 0), 375);
    EXPECT_EQ(store.readNumber("Matrix", "Pixel Height", 0), 29); // not 28
    camera.pixelWidth = 3.759;
    camera.save(store, "Default");
    EXPECT_EQ(store.readNumber("Matrix", "Pixel Width", 0), 375); // truncated
}

TEST_F(DriverSettingsTest, ExposureDataIs120LittleEndianBytes)
{
    CameraSettings camera;
    ASSERT_TRUE(camera.save(store, "Default"));
    auto data = store.readBlob("Exposure", "Data");
    ASSERT_TRUE(data);
    ASSERT_EQ(data->size(), 120u);
    const std::vector<std::uint8_t>& b = *data;
    EXPECT_EQ(b[4], 20);    // sequence 0, step 1 delay
    EXPECT_EQ(b[24], 0x0F); // step 0 word 0xF00F
    EXPECT_EQ(b[25], 0xF0);
    EXPECT_EQ(b[26], 0x00); // step 1 word 0xF400
    EXPECT_EQ(b[27], 0xF4);
    EXPECT_EQ(b[40], 1);         // step 1 waits for a frame
    EXPECT_EQ(b[60 + 27], 0xF0); // sequence 1, step 1 word 0xF000
    EXPECT_EQ(b[60 + 34], 0x0F); // sequence 1 rest word 0xF00F
    EXPECT_EQ(ExposureSequence::defaults(1).restWord(), 0xF00F);
    EXPECT_EQ(store.readNumber("Exposure", "Type", -1), 0);

    // A negative stored delay would be a sleep of weeks: it reads as 0.
    std::vector<std::uint8_t> damaged = b;
    damaged[8] = damaged[9] = damaged[10] = damaged[11] = 0xFF; // sequence 0, step 2: -1
    store.writeBlob("Exposure", "Data", damaged);
    store.writeNumber("Exposure", "Type", 1);
    CameraSettings loaded;
    loaded.load(store, "Default");
    EXPECT_EQ(loaded.exposure.sequence(0).delayMs[2], 0);
    EXPECT_EQ(loaded.exposure.type(), 1);
    EXPECT_EQ(loaded.exposure.selected(), ExposureSequence::defaults(1));
}

TEST_F(DriverSettingsTest, ShortOrLongExposureDataKeepsWholeSequencesOnly)
{
    ExposureSequences custom;
    ExposureSequence first = ExposureSequence::defaults(0);
    first.lines = {1, 2, 3, 4, 5, 6};
    ExposureSequence second = ExposureSequence::defaults(1);
    second.lines = {7, 8, 9, 10, 11, 12};
    custom.setSequence(0, first);
    custom.setSequence(1, second);
    auto bytes = custom.toBytes();

    store.setCurrent(kCameraDriverName, "Default");
    store.writeBlob("Exposure", "Data", std::span(bytes).first(90));
    CameraSettings camera;
    camera.load(store, "Default");
    EXPECT_EQ(camera.exposure.sequence(0), first);
    EXPECT_EQ(camera.exposure.sequence(1), ExposureSequence::defaults(1));

    std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
    longer.resize(130, 0xEE);
    store.writeBlob("Exposure", "Data", longer);
    camera.load(store, "Default");
    EXPECT_EQ(camera.exposure, custom);

    // An unknown selector selects sequence 0; an empty value is all defaults.
    store.writeNumber("Exposure", "Type", 9);
    store.writeBlob("Exposure", "Data", {});
    camera.load(store, "Default");
    EXPECT_EQ(camera.exposure, ExposureSequences());
}

TEST_F(DriverSettingsTest, FocuserRoundTripAndValueNames)
{
    FocuserSettings focuser;
    focuser.port = "COM12";
    focuser.portSpeed = "57600";
    focuser.cursorSpeed = 3;
    focuser.stepSize = 2.5;
    focuser.stopCurrent = 7;
    focuser.stepNumber = 4;
    focuser.stepPulse = 250;
    focuser.stepCurrent = 30;
    focuser.backNumber = 20;
    focuser.backPulse = 15;
    focuser.backCurrent = 40;
    focuser.softSwitch = true;
    focuser.hardSwitch = true;
    focuser.endMin = -123456;
    focuser.endMax = 9999999;
    focuser.speedPulse = {10, 20, 30};
    focuser.speedCurrent = {11, 21, 31};
    focuser.cellMode = 1;
    focuser.cellValue = {0, -1, 2, -3, 4, -5, 6, -7, 8};
    ASSERT_TRUE(focuser.save(store, "Newton"));

    FocuserSettings loaded;
    loaded.load(store, "Newton");
    EXPECT_EQ(loaded, focuser);
    EXPECT_EQ(store.readNumber("Common", "Step Size", 0), 250);

    const std::string profile = "Software\\Velmora Software\\Velmora Focuser ASCOM Driver\\Newton\\";
    EXPECT_EQ(
        valueNames(profile + "Speeds"),
        (std::vector<std::string>{"Pulse 1", "Current 1", "Pulse 2", "Current 2", "Pulse 3", "Current 3"}));
    EXPECT_EQ(valueNames(profile + "Common"),
              (std::vector<std::string>{"Port", "Port Speed", "Cursor Speed", "Step Size", "Stop Current"}));
    auto cells = valueNames(profile + "Cells");
    ASSERT_EQ(cells.size(), 10u);
    EXPECT_EQ(cells.front(), "Cell Mode");
    EXPECT_EQ(cells[1], "Cell Value 0");
    EXPECT_EQ(cells.back(), "Cell Value 8");
}

TEST_F(DriverSettingsTest, TelescopeRoundTripAndOptics)
{
    store.setCurrent(kTelescopeDriverName, "Default");
    store.writeNumber("Telescope", "Diameter", 200);
    store.writeNumber("Telescope", "Focal", 1000);
    TelescopeSettings telescope;
    telescope.load(store, "Default");
    EXPECT_DOUBLE_EQ(telescope.diameter, 0.2);
    EXPECT_DOUBLE_EQ(telescope.focal, 1.0);

    telescope.port = "COM2";
    telescope.portSpeed = "14400";
    telescope.verBacklashMs = 200;
    telescope.horBacklashMs = 150;
    telescope.useRelay = true;
    telescope.invertPolarity = true;
    telescope.diameter = 0.127;
    telescope.focal = 0.9;
    telescope.barlow = "2.00x";
    telescope.directionWords = {0x3FC0, 0xFF00, 0xDF20, 0xEF10};
    ASSERT_TRUE(telescope.save(store, "Travel"));
    TelescopeSettings loaded;
    loaded.load(store, "Travel");
    EXPECT_EQ(loaded, telescope);
    EXPECT_EQ(store.readNumber("Telescope", "Diameter", 0), 127);
    EXPECT_EQ(store.readNumber("Telescope", "Focal", 0), 900);
    EXPECT_EQ(valueNames("Software\\Velmora Software\\Velmora Telescope ASCOM Driver\\Travel\\Config"),
              (std::vector<std::string>{"Port", "Port Speed", "Ver Backlash", "Hor Backlash", "Use Relay",
                                        "Invert Polarity"}));
}

TEST_F(DriverSettingsTest, ImpossibleDirectionWordsKeepTheirDefaults)
{
    store.setCurrent(kTelescopeDriverName, "Default");
    store.writeNumber("Bits", "North", 70000);
    store.writeNumber("Bits", "South", -1);
    store.writeNumber("Bits", "East", 0xFF00);
    TelescopeSettings telescope;
    telescope.load(store, "Default");
    EXPECT_EQ(telescope.directionWords, (std::array<std::uint16_t, 4>{0x7F80, 0xBF40, 0xFF00, 0xEF10}));
}

TEST(ScaledValue, EveryStoredValueComesBackUnchanged)
{
    for (int factor : {100, 1000}) {
        std::int32_t firstMismatch = 0;
        int mismatches = 0;
        for (std::int32_t stored = -20000; stored <= 200000; ++stored) {
            if (storedFromReal(realFromStored(stored, factor), factor) != stored && mismatches++ == 0)
                firstMismatch = stored;
        }
        EXPECT_EQ(mismatches, 0) << "first at " << firstMismatch << "/" << factor;
    }
}

TEST(ScaledValue, TruncatesTowardZeroAndClamps)
{
    EXPECT_EQ(storedFromReal(3.759, 100), 375);
    EXPECT_EQ(storedFromReal(-3.759, 100), -375);
    EXPECT_EQ(storedFromReal(0.9999, 1000), 999);
    EXPECT_EQ(storedFromReal(std::nan(""), 100), 0);
    EXPECT_EQ(storedFromReal(1e12, 1000), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(storedFromReal(-1e12, 1000), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(storedFromReal(std::numeric_limits<double>::infinity(), 100),
              std::numeric_limits<std::int32_t>::max());
}

} // namespace
} // namespace velmora::server
