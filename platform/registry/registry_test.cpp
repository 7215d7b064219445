#include "platform/registry/registry.h"

#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

using velmora::testing::readFile;
using velmora::testing::TempHome;
using velmora::testing::writeFile;

namespace {

HKEY create(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(root, path, access, &key), ERROR_SUCCESS) << path;
    return key;
}

LONG setDword(HKEY key, const char* name, DWORD value)
{
    return RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG setString(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
}

std::vector<BYTE> query(HKEY key, const char* name, DWORD* type = nullptr)
{
    DWORD size = 0;
    if (RegQueryValueEx(key, name, type, nullptr, &size) != ERROR_SUCCESS)
        return {};
    std::vector<BYTE> data(size);
    EXPECT_EQ(RegQueryValueEx(key, name, type, data.data(), &size), ERROR_SUCCESS);
    return data;
}

std::vector<std::string> subkeys(HKEY key)
{
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        LONG rc = RegEnumKeyEx(key, i, name, &size);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        EXPECT_EQ(rc, ERROR_SUCCESS);
        names.emplace_back(name, size);
    }
    return names;
}

} // namespace

TEST(Registry, TypedValuesRoundTripThroughTheFile)
{
    TempHome home;
    HKEY key = create(HKEY_CURRENT_USER, "Software\\Velmora Software\\Test");
    ASSERT_EQ(setDword(key, "Number", 0xFFFFFF9Cu), ERROR_SUCCESS); // -100 as a DWORD
    ASSERT_EQ(setString(key, "Text", "Caption \"1\" \\ end"), ERROR_SUCCESS);
    const BYTE blob[] = {0, 1, 2, 0xFE, 0xFF};
    ASSERT_EQ(RegSetValueEx(key, "Blob", REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, "Description", REG_SZ, reinterpret_cast<const BYTE*>("No NUL"), 6),
              ERROR_SUCCESS);
    ASSERT_EQ(setString(key, nullptr, "default"), ERROR_SUCCESS);
    RegCloseKey(key);

    std::string file = readFile(home.registryFile("HKEY_CURRENT_USER"));
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Velmora Software\\Test]"), std::string::npos) << file;
    EXPECT_NE(file.find("\"Number\"=dword:ffffff9c"), std::string::npos) << file;

    velmora::registry::resetForTesting(); // forget the cache: read what the file holds
    key = create(HKEY_CURRENT_USER, "Software\\Velmora Software\\Test", KEY_READ);
    DWORD type = 0;
    auto number = query(key, "Number", &type);
    ASSERT_EQ(number.size(), 4u);
    EXPECT_EQ(type, REG_DWORD);
    std::int32_t asSigned = 0;
    std::memcpy(&asSigned, number.data(), 4);
    EXPECT_EQ(asSigned, -100);
    auto text = query(key, "Text", &type);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(std::string(text.begin(), text.end()), std::string("Caption \"1\" \\ end", 18));
    EXPECT_EQ(query(key, "Blob", &type), std::vector<BYTE>(blob, blob + sizeof blob));
    EXPECT_EQ(type, REG_BINARY);
    auto description = query(key, "Description", &type);
    EXPECT_EQ(std::string(description.begin(), description.end()), "No NUL");
    EXPECT_EQ(type, REG_SZ);
    auto def = query(key, "");
    EXPECT_EQ(std::string(def.begin(), def.end()), std::string("default", 8));
    RegCloseKey(key);
}

TEST(Registry, BufferSizeProtocolAndAccessRights)
{
    TempHome home;
    HKEY key = create(HKEY_CURRENT_USER, "Software\\X");
    ASSERT_EQ(setString(key, "Name", "abcdef"), ERROR_SUCCESS);
    DWORD size = 0, type = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Name", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 7u);
    BYTE small[3];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, "Name", &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(RegQueryValueEx(key, "Missing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\X", KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(setDword(readOnly, "V", 1), ERROR_ACCESS_DENIED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyEx(readOnly, "New", KEY_ALL_ACCESS, &sub), ERROR_ACCESS_DENIED);
    EXPECT_EQ(sub, nullptr);
    RegCloseKey(readOnly);

    HKEY full = create(HKEY_CURRENT_USER, "Software\\X");
    EXPECT_EQ(setDword(full, "Line\nBreak", 1), ERROR_INVALID_PARAMETER); // cannot be stored as text
    EXPECT_EQ(RegCreateKeyEx(full, "Tab\tKey", KEY_ALL_ACCESS, &sub), ERROR_INVALID_PARAMETER);
    RegCloseKey(full);

    HKEY writeOnly = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\X", KEY_SET_VALUE, &writeOnly), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(writeOnly, "Name", &type, nullptr, &size), ERROR_ACCESS_DENIED);
    RegCloseKey(writeOnly);

    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nope\\Deeper", KEY_READ, &missing),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    // The base key exists on a fresh account, as on Windows.
    HKEY software = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_READ, &software), ERROR_SUCCESS);
    RegCloseKey(software);
}

TEST(Registry, SubkeysEnumerateInCreationOrderAndMatchAnyCase)
{
    TempHome home;
    HKEY parent = create(HKEY_CURRENT_USER, "Software\\Profiles");
    for (const char* name : {"Default", "zeta", "Alpha", "Mid"})
        RegCloseKey(create(parent, name));
    HKEY again = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(parent, "ALPHA", KEY_ALL_ACCESS, &again, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    ASSERT_EQ(setDword(again, "v", 7), ERROR_SUCCESS);
    RegCloseKey(again);

    velmora::registry::resetForTesting();
    EXPECT_EQ(subkeys(parent), (std::vector<std::string>{"Default", "zeta", "Alpha", "Mid"}));
    HKEY alpha = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software\\PROFILES\\alpha", KEY_READ, &alpha), ERROR_SUCCESS);
    EXPECT_EQ(query(alpha, "V").size(), 4u);
    RegCloseKey(alpha);

    char tiny[3];
    DWORD size = sizeof tiny;
    EXPECT_EQ(RegEnumKeyEx(parent, 0, tiny, &size), ERROR_MORE_DATA);
    RegCloseKey(parent);
}

TEST(Registry, DeleteKeyAndRecursiveDelete)
{
    TempHome home;
    HKEY root = create(HKEY_CURRENT_USER, "Software\\Drv");
    RegCloseKey(create(root, "P1\\Format"));
    RegCloseKey(create(root, "P2"));
    HKEY p1 = create(root, "P1");
    ASSERT_EQ(setDword(p1, "x", 1), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteKey(root, "P1"), ERROR_ACCESS_DENIED); // has a subkey
    EXPECT_EQ(RegDeleteTree(root, "p1"), ERROR_SUCCESS);
    EXPECT_EQ(subkeys(root), std::vector<std::string>{"P2"});
    EXPECT_EQ(setDword(p1, "x", 2), ERROR_KEY_DELETED); // handle to a deleted key
    RegCloseKey(p1);
    EXPECT_EQ(RegDeleteKey(root, "P2"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(root, "P2"), ERROR_FILE_NOT_FOUND);

    RegCloseKey(create(root, "A\\B"));
    ASSERT_EQ(setDword(root, "v", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTree(root, nullptr), ERROR_SUCCESS); // empties, key stays
    EXPECT_TRUE(subkeys(root).empty());
    EXPECT_TRUE(query(root, "v").empty());
    HKEY check = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Drv", KEY_READ, &check), ERROR_SUCCESS);
    RegCloseKey(check);
    RegCloseKey(root);
    EXPECT_EQ(RegCloseKey(root), ERROR_INVALID_HANDLE);

    RegCloseKey(create(HKEY_CLASSES_ROOT, "Top.ProgId\\CLSID"));
    EXPECT_EQ(RegDeleteTree(HKEY_CLASSES_ROOT, "top.progid"), ERROR_SUCCESS) << "keys right below a root";
    EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "Software"), ERROR_ACCESS_DENIED);
}

TEST(Registry, TwoProcessesWritingAtOnceLoseNothing)
{
    TempHome home;
    HKEY key = create(HKEY_CURRENT_USER, "Software\\Race");
    constexpr int kValues = 1000;
    auto writeMany = [&](const char* prefix) {
        bool ok = true;
        for (int i = 0; i < kValues; ++i) {
            std::string name = prefix + std::to_string(i);
            ok = setDword(key, name.c_str(), static_cast<DWORD>(i)) == ERROR_SUCCESS && ok;
        }
        return ok;
    };
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(writeMany("child-") ? 0 : 1);
    bool parentOk = writeMany("parent-");
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(parentOk);

    velmora::registry::resetForTesting();
    int found = 0;
    for (const char* prefix : {"child-", "parent-"})
        for (int i = 0; i < kValues; ++i) {
            auto v = query(key, (prefix + std::to_string(i)).c_str());
            DWORD d = 0;
            if (v.size() == 4 && (std::memcpy(&d, v.data(), 4), d == static_cast<DWORD>(i)))
                ++found;
        }
    EXPECT_EQ(found, 2 * kValues);
    RegCloseKey(key);
}

TEST(Registry, ReadsSeeAnotherProcessCommits)
{
    TempHome home;
    HKEY key = create(HKEY_LOCAL_MACHINE, "Software\\Velmora Software\\Ports");
    ASSERT_EQ(setString(key, "COM1", "/dev/ttyS0"), ERROR_SUCCESS);
    pid_t child = fork();
    if (child == 0)
        _exit(setString(key, "COM1", "/dev/ttyUSB0") == ERROR_SUCCESS ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    auto v = query(key, "COM1");
    EXPECT_EQ(std::string(v.begin(), v.end()), std::string("/dev/ttyUSB0", 13));
    RegCloseKey(key);
}

TEST(Registry, DamagedHiveIsReportedKeptAsideAndStartsEmpty)
{
    for (const char* damage :
         {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\A]\n\"v\"=dword:zz\n", "",
          "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\A]\n\"v\"=hex:01,\\", "\x01\x02garbage"}) {
        TempHome home;
        std::filesystem::create_directories(home.path() + "/registry");
        const std::string file = home.registryFile("HKEY_CURRENT_USER");
        writeFile(file, damage);

        testing::internal::CaptureStderr();
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\A", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
        HKEY again = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\A", KEY_READ, &again), ERROR_FILE_NOT_FOUND);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("damaged"), std::string::npos);
        EXPECT_EQ(err.find("damaged"), err.rfind("damaged")) << "reported once: " << err;

        int asideCount = 0;
        for (const auto& entry : std::filesystem::directory_iterator(home.path() + "/registry")) {
            if (entry.path().filename().string().rfind("HKEY_CURRENT_USER.reg.corrupt-", 0) == 0) {
                ++asideCount;
                EXPECT_EQ(readFile(entry.path().string()), damage);
            }
        }
        EXPECT_EQ(asideCount, 1);

        HKEY created = create(HKEY_CURRENT_USER, "Software\\A");
        EXPECT_EQ(setDword(created, "v", 3), ERROR_SUCCESS);
        RegCloseKey(created);
        EXPECT_NE(readFile(file).find("\"v\"=dword:00000003"), std::string::npos);
    }
}

TEST(Registry, BatchWritesOnceAndHoldsOtherProcessesBack)
{
    TempHome home;
    HKEY key = create(HKEY_CURRENT_USER, "Software\\Batch");
    const std::string file = home.registryFile("HKEY_CURRENT_USER");
    const std::string before = readFile(file);
    pid_t child = -1;
    {
        velmora::registry::Batch batch(HKEY_CURRENT_USER);
        for (int i = 0; i < 100; ++i) {
            const std::string name = std::string("v").append(std::to_string(i)); // not "v" + ...: GCC 12 -O3
            ASSERT_EQ(setDword(key, name.c_str(), static_cast<DWORD>(i)), ERROR_SUCCESS);
        }
        EXPECT_EQ(query(key, "v99").size(), 4u) << "this process reads its pending changes";
        EXPECT_EQ(readFile(file), before) << "nothing written before the batch ends";
        child = fork();
        if (child == 0) {
            velmora::registry::resetForTesting(); // as a freshly started process would be
            _exit(setDword(key, "child", 1) == ERROR_SUCCESS ? 0 : 1); // waits for the batch
        }
        usleep(50000);
        EXPECT_EQ(readFile(file), before);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    velmora::registry::resetForTesting();
    EXPECT_EQ(query(key, "v0").size(), 4u);
    EXPECT_EQ(query(key, "v99").size(), 4u);
    EXPECT_EQ(query(key, "child").size(), 4u) << "the other process wrote after the batch, losing nothing";
    RegCloseKey(key);
}
