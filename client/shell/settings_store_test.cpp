#include "client/shell/memory_settings_store.h"
#include "client/shell/registry_settings_store.h"
#include "client/shell/file_dialogs.h"

#include "platform/registry/registry.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <memory>

using namespace velmora::client;
using velmora::testing::TempHome;

namespace {

// The same behaviour is expected of both stores.
void checkTypeRules(SettingsStore& store)
{
    EXPECT_EQ(store.readInt("Exposure", "Exposure Time", 0), 0);
    EXPECT_EQ(store.readString("Drivers", "Camera", "VelmoraServer.Camera"), "VelmoraServer.Camera");
    ASSERT_TRUE(store.writeInt("Exposure", "Exposure Time", 150));
    ASSERT_TRUE(store.writeInt("Guiding", "Offset", -1800));
    ASSERT_TRUE(store.writeString("Drivers", "Camera", "Other.Camera"));
    ASSERT_TRUE(store.writeString("Capture", "Folder Name", ""));
    EXPECT_EQ(store.readInt("Exposure", "Exposure Time", 0), 150);
    EXPECT_EQ(store.readInt("Guiding", "Offset", 0), -1800);
    EXPECT_EQ(store.readString("Drivers", "Camera", "x"), "Other.Camera");
    EXPECT_EQ(store.readString("Capture", "Folder Name", "C:\\"), "");
    // A value of the other type reads as the default.
    EXPECT_EQ(store.readInt("Drivers", "Camera", 77), 77);
    EXPECT_EQ(store.readString("Exposure", "Exposure Time", "dflt"), "dflt");
    // Byte blocks keep every byte (NULs included); an empty block is not a missing one.
    const std::vector<std::uint8_t> layout = {0, 0xff, 0, 7, 0x80};
    EXPECT_FALSE(store.readBinary("Toolbars-Summary", "State"));
    ASSERT_TRUE(store.writeBinary("Toolbars-Summary", "State", layout));
    ASSERT_TRUE(store.writeBinary("Toolbars-Summary", "Empty", {}));
    EXPECT_EQ(store.readBinary("Toolbars-Summary", "State"), layout);
    EXPECT_EQ(store.readBinary("Toolbars-Summary", "Empty"), std::vector<std::uint8_t>{});
    EXPECT_FALSE(store.readBinary("Exposure", "Exposure Time"));
    EXPECT_EQ(store.readInt("Toolbars-Summary", "State", 5), 5);
}

} // namespace

TEST(SettingsStore, MemoryStoreFollowsTheTypeRules)
{
    MemorySettingsStore store;
    checkTypeRules(store);
}

TEST(SettingsStore, RegistryStoreFollowsTheTypeRulesAndPersists)
{
    TempHome home;
    {
        RegistrySettingsStore store;
        checkTypeRules(store);
    }
    velmora::registry::resetForTesting();
    RegistrySettingsStore again;
    EXPECT_EQ(again.readInt("Exposure", "Exposure Time", 0), 150);
    std::string file = velmora::testing::readFile(home.registryFile("HKEY_CURRENT_USER"));
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Velmora Software\\Velmora Nebrix Client\\Exposure]\n"
                        "\"Exposure Time\"=dword:00000096"),
              std::string::npos)
        << file;
}

TEST(SettingsStore, RegistryStoreReadsForeignTypesAsDefaults)
{
    TempHome home;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Velmora Software\\Velmora Nebrix Client\\Hardware",
                             KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    const BYTE two[] = {1, 2};
    RegSetValueEx(key, "Pixel Width", REG_BINARY, two, 2);   // wrong type
    RegSetValueEx(key, "Pixel Height", REG_DWORD, two, 2);   // right type, wrong size
    RegSetValueEx(key, "Caption", REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3); // no NUL
    RegCloseKey(key);
    RegistrySettingsStore store;
    EXPECT_EQ(store.readInt("Hardware", "Pixel Width", 560), 560);
    EXPECT_EQ(store.readInt("Hardware", "Pixel Height", 560), 560);
    EXPECT_EQ(store.readString("Hardware", "Caption", "x"), "abc");
}

TEST(FileDialogs, FiltersExtensionsAndFolders)
{
    using velmora::client::parseFileFilter;
    const auto pairs = parseFileFilter("Text Files (*.txt)|*.txt||");
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].first, "Text Files (*.txt)");
    EXPECT_EQ(pairs[0].second, "*.txt");
    EXPECT_EQ(parseFileFilter("FITS (*.fits)|*.fits|All (*.*)|*.*||").size(), 2u);
    EXPECT_TRUE(parseFileFilter("").empty());
    EXPECT_TRUE(parseFileFilter("|||").empty());
    using velmora::client::withDefaultExtension;
    EXPECT_EQ(withDefaultExtension("/data/log", "txt"), "/data/log.txt");
    EXPECT_EQ(withDefaultExtension("/data/log.csv", "txt"), "/data/log.csv");
    EXPECT_EQ(withDefaultExtension("/data.d/log", "txt"), "/data.d/log.txt") << "a dot in a folder name";
    EXPECT_EQ(withDefaultExtension("/data/.hidden", "txt"), "/data/.hidden.txt");
    EXPECT_EQ(velmora::client::folderOf("/data/log.txt"), "/data/");
    EXPECT_EQ(velmora::client::folderOf("log.txt"), "");
}
