#include "server/frame/device_settings.h"

#include "platform/registry/registry.h"
#include "server/frame/profile_list.h"
#include "server/frame/scoped_key.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

const std::string kCameraKey = "Software\\Velmora Software\\Velmora WebCamera ASCOM Driver";

// A value as the registry holds it, read past the store.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

std::optional<RawValue> rawValue(const std::string& keyPath, const char* name)
{
    ScopedKey key;
    if (!key.open(HKEY_CURRENT_USER, keyPath.c_str(), KEY_READ))
        return std::nullopt;
    RawValue value;
    DWORD size = 0;
    if (RegQueryValueEx(key.get(), name, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    if (size && RegQueryValueEx(key.get(), name, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

void storeRaw(const std::string& keyPath, const char* name, DWORD type, const std::string& bytes)
{
    ScopedKey key;
    ASSERT_TRUE(key.create(HKEY_CURRENT_USER, keyPath.c_str(), KEY_ALL_ACCESS));
    RegSetValueEx(key.get(), name, type, reinterpret_cast<const BYTE*>(bytes.data()),
                  static_cast<DWORD>(bytes.size()));
}

class DeviceSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { store.setCurrent(kCameraDriverName, "Default"); }

    testing::TempHome home;
    DeviceSettings store;
};

TEST_F(DeviceSettingsTest, ValuesLiveUnderDriverProfileAndSection)
{
    EXPECT_TRUE(store.writeNumber("Format", "Width", 800));
    EXPECT_TRUE(store.writeText(std::string("COM2"), "Exposure", std::string("Port")));
    const std::uint8_t blob[] = {1, 2, 3};
    EXPECT_TRUE(store.writeBlob("Exposure", "Data", blob));

    auto width = rawValue(kCameraKey + "\\Default\\Format", "Width");
    ASSERT_TRUE(width);
    EXPECT_EQ(width->type, REG_DWORD);
    EXPECT_EQ(width->bytes, (std::vector<BYTE>{0x20, 0x03, 0, 0}));
    auto port = rawValue(kCameraKey + "\\Default\\Exposure", "Port");
    ASSERT_TRUE(port);
    EXPECT_EQ(port->type, REG_SZ);
    EXPECT_EQ(port->bytes, (std::vector<BYTE>{'C', 'O', 'M', '2', 0})); // with its NUL
    auto data = rawValue(kCameraKey + "\\Default\\Exposure", "Data");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->type, REG_BINARY);
    EXPECT_EQ(data->bytes.size(), 3u);

    EXPECT_EQ(store.readNumber("Format", "Width", 640), 800);
    EXPECT_EQ(store.readText("Exposure", "Port", "LPT1"), "COM2");
    EXPECT_EQ(store.readBlob("Exposure", "Data"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(DeviceSettingsTest, EveryOperationUsesThePairCurrentAtThatMoment)
{
    store.writeNumber("Format", "Width", 1);
    store.setCurrent(kCameraDriverName, "Night");
    store.writeNumber("Format", "Width", 2);
    store.setCurrent(kFocuserDriverName, "Night");
    store.writeNumber("Format", "Width", 3);

    EXPECT_EQ(store.currentDriver(), kFocuserDriverName);
    EXPECT_EQ(store.currentProfile(), "Night");
    EXPECT_EQ(store.readNumber("Format", "Width", 0), 3);
    store.setCurrent(kCameraDriverName, "Default");
    EXPECT_EQ(store.readNumber("Format", "Width", 0), 1);
    store.setCurrent(kCameraDriverName, "Night");
    EXPECT_EQ(store.readNumber("Format", "Width", 0), 2);
}

TEST_F(DeviceSettingsTest, MissingValuesReadTheirDefaults)
{
    EXPECT_EQ(store.readNumber("Color", "Mode", 2), 2);
    EXPECT_EQ(store.readText("Exposure", "Port", "LPT1"), "LPT1");
    EXPECT_EQ(store.readBlob("Exposure", "Data"), std::nullopt);
    // Reading made the profile key, so the profile dialogs list it.
    EXPECT_EQ(listProfiles(kCameraDriverName), (std::vector<std::string>{"Default"}));
}

TEST_F(DeviceSettingsTest, NumbersAreReadWhateverTheirStoredType)
{
    const std::string section = kCameraKey + "\\Default\\Color";
    storeRaw(section, "Mode", REG_SZ, std::string("1\0", 2));
    EXPECT_EQ(store.readNumber("Color", "Mode", 2), 0x31); // up to 4 bytes, zero-extended
    storeRaw(section, "Mode", REG_BINARY, std::string("\xff\xff\xff\xff", 4));
    EXPECT_EQ(store.readNumber("Color", "Mode", 2), -1);
    storeRaw(section, "Mode", REG_BINARY, std::string(5, '\x01'));
    EXPECT_EQ(store.readNumber("Color", "Mode", 2), 2); // too long for a number
}

TEST_F(DeviceSettingsTest, TextsEndAtTheirFirstNul)
{
    const std::string section = kCameraKey + "\\Default\\Exposure";
    storeRaw(section, "Port", REG_SZ, "COM3"); // stored without its NUL
    EXPECT_EQ(store.readText("Exposure", "Port", "LPT1"), "COM3");
    storeRaw(section, "Port", REG_SZ, std::string("COM4\0junk", 9));
    EXPECT_EQ(store.readText("Exposure", "Port", "LPT1"), "COM4");
    storeRaw(section, "Port", REG_SZ, "");
    EXPECT_EQ(store.readText("Exposure", "Port", "LPT1"), "");
}

TEST_F(DeviceSettingsTest, AbsentTextDeletesTheValueAndNoNameTheSection)
{
    store.writeText(std::string("COM2"), "Exposure", std::string("Port"));
    store.writeNumber("Exposure", "Type", 1);
    EXPECT_TRUE(store.writeText(std::nullopt, "Exposure", std::string("Port")));
    EXPECT_EQ(store.readText("Exposure", "Port", "LPT1"), "LPT1");
    EXPECT_EQ(store.readNumber("Exposure", "Type", 0), 1);
    EXPECT_FALSE(store.writeText(std::nullopt, "Exposure", std::string("Port"))); // already gone

    EXPECT_TRUE(store.writeText(std::nullopt, "Exposure", std::nullopt));
    EXPECT_FALSE(rawValue(kCameraKey + "\\Default\\Exposure", "Type"));
    EXPECT_EQ(store.readNumber("Exposure", "Type", 0), 0);
}

TEST_F(DeviceSettingsTest, NamesThatAreNotOneKeyAreRefused)
{
    for (const std::string& profile :
         {std::string(), std::string("a\\b"), std::string(256, 'p'), std::string("tab\there")}) {
        store.setCurrent(kCameraDriverName, profile);
        EXPECT_FALSE(store.writeNumber("Format", "Width", 1)) << profile;
        EXPECT_EQ(store.readNumber("Format", "Width", 7), 7) << profile;
    }
    store.setCurrent(kCameraDriverName, "Default");
    EXPECT_FALSE(store.writeNumber("Format\\Nested", "Width", 1));
    EXPECT_FALSE(store.writeNumber("", "Width", 1));
    // Nothing was written beside or inside the driver key.
    EXPECT_EQ(listProfiles(kCameraDriverName), (std::vector<std::string>{"Default"}));
    EXPECT_FALSE(rawValue(kCameraKey + "\\Format", "Width"));
    EXPECT_FALSE(rawValue(kCameraKey + "\\a\\b\\Format", "Width"));
}

TEST(DeviceSettingsKeyName, AcceptsWhatOneKeyCanHold)
{
    EXPECT_TRUE(isValidKeyName("Default"));
    EXPECT_TRUE(isValidKeyName("Rig 2 / f5.6 (x)"));
    EXPECT_TRUE(isValidKeyName(std::string(255, 'k')));
    EXPECT_FALSE(isValidKeyName(""));
    EXPECT_FALSE(isValidKeyName(std::string(256, 'k')));
    EXPECT_FALSE(isValidKeyName("a\\b"));
    EXPECT_FALSE(isValidKeyName("line\nbreak"));
}

} // namespace
} // namespace velmora::server
