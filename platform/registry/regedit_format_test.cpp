#include "platform/registry/regedit_format.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace velmora::registry;

namespace {

std::vector<BYTE> bytes(std::initializer_list<int> list)
{
    std::vector<BYTE> out;
    for (int b : list)
        out.push_back(static_cast<BYTE>(b));
    return out;
}

std::vector<BYTE> sz(const std::string& s)
{
    std::vector<BYTE> out(s.begin(), s.end());
    out.push_back(0);
    return out;
}

} // namespace

TEST(RegeditFormat, WritesReadableTextAndReadsItBackExactly)
{
    RegistryKey root("HKEY_CURRENT_USER");
    RegistryKey& sw = root.addChild("Software");
    RegistryKey& app = sw.addChild("Velmora Software");
    app.setValue("Exposure Time", REG_DWORD, bytes({0x96, 0, 0, 0}));
    app.setValue("Path", REG_SZ, sz("C:\\dir \"quoted\""));
    app.setValue("", REG_SZ, sz("default"));
    app.setValue("NoNul", REG_SZ, bytes({'a', 'b'}));
    app.setValue("Lines", REG_SZ, sz("two\r\nlines"));
    std::vector<BYTE> blob(120);
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<BYTE>(i * 7);
    app.setValue("Data", REG_BINARY, blob);
    app.setValue("Big", REG_QWORD, bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    sw.addChild("Empty");

    std::string text = formatRegedit(root);
    EXPECT_EQ(text.rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n", 0), 0u) << text;
    EXPECT_NE(text.find("\"Exposure Time\"=dword:00000096\n"), std::string::npos);
    EXPECT_NE(text.find("\"Path\"=\"C:\\\\dir \\\"quoted\\\"\"\n"), std::string::npos);
    EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"NoNul\"=hex(1):61,62\n"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Empty]"), std::string::npos);

    RegistryKey back("HKEY_CURRENT_USER");
    std::string error;
    ASSERT_TRUE(parseRegedit(text, back, error)) << error;
    EXPECT_EQ(formatRegedit(back), text);
    const RegistryKey* app2 = back.child("software")->child("VELMORA SOFTWARE");
    ASSERT_NE(app2, nullptr);
    ASSERT_EQ(app2->values().size(), 7u);
    EXPECT_EQ(app2->value("Data")->data, blob);
    EXPECT_EQ(app2->value("NoNul")->data, bytes({'a', 'b'}));
    EXPECT_EQ(app2->value("NoNul")->type, REG_SZ);
    EXPECT_EQ(app2->value("Lines")->data, sz("two\r\nlines"));
    EXPECT_EQ(app2->value("Big")->type, REG_QWORD);
}

TEST(RegeditFormat, AcceptsHandEditedFiles)
{
    std::string text = "; comment\r\nREGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A\\B]\r\n"
                       "\"x\" = dword:1f\r\n\"h\"=hex:01,02,\\\r\n   03\r\n";
    RegistryKey root("HKEY_LOCAL_MACHINE");
    std::string error;
    ASSERT_TRUE(parseRegedit(text, root, error)) << error;
    const RegistryKey* b = root.child("a")->child("b");
    ASSERT_NE(b, nullptr);
    DWORD x = 0;
    std::memcpy(&x, b->value("X")->data.data(), 4);
    EXPECT_EQ(x, 0x1fu);
    EXPECT_EQ(b->value("h")->data, bytes({1, 2, 3}));
}

TEST(RegeditFormat, RejectsDamagedText)
{
    const char* bad[] = {
        "",
        "REGEDIT",
        "REGEDIT4\n\"v\"=dword:1\n",           // value before a key
        "REGEDIT4\n[HKEY_CURRENT_USER\\A\n",   // unclosed key
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n", // another hive
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:123456789\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=hex:01,zz\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=hex:01,\\\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"unterminated\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"x\"junk\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=-\n",
        "REGEDIT4\n[-HKEY_CURRENT_USER\\A]\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\ngarbage\n",
    };
    for (const char* text : bad) {
        RegistryKey root("HKEY_CURRENT_USER");
        std::string error;
        EXPECT_FALSE(parseRegedit(text, root, error)) << text;
        EXPECT_FALSE(error.empty());
    }
}
