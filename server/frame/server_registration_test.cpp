#include "server/frame/server_registration.h"

#include "testing/temp_home.h"

#include <gtest/gtest.h>

using namespace velmora::server;
using velmora::testing::readFile;
using velmora::testing::TempHome;

namespace {

std::string classEntries(const std::string& progId, const std::string& clsid, const std::string& description)
{
    return "[HKEY_CLASSES_ROOT\\" + progId + ".1]\n@=\"" + description + "\"\n\n" + "[HKEY_CLASSES_ROOT\\" +
           progId + ".1\\CLSID]\n@=\"" + clsid + "\"\n\n" + "[HKEY_CLASSES_ROOT\\" + progId + "]\n@=\"" +
           description + "\"\n\n" + "[HKEY_CLASSES_ROOT\\" + progId + "\\CLSID]\n@=\"" + clsid + "\"\n\n" +
           "[HKEY_CLASSES_ROOT\\" + progId + "\\CurVer]\n@=\"" + progId + ".1\"\n\n";
}

std::string clsidEntries(const std::string& progId, const std::string& clsid, const std::string& description)
{
    const std::string key = "[HKEY_CLASSES_ROOT\\CLSID\\" + clsid;
    return key + "]\n@=\"" + description + "\"\n\"AppID\"=\"{D4C15D51-4514-45D0-BE84-AC2DC1CA2955}\"\n\n" +
           key + "\\ProgID]\n@=\"" + progId + ".1\"\n\n" + key + "\\VersionIndependentProgID]\n@=\"" +
           progId + "\"\n\n" + key + "\\Programmable]\n\n" + key +
           "\\LocalServer32]\n@=\"/opt/velmora/bin/VelmoraServer\"\n\n" + key +
           "\\TypeLib]\n@=\"{FE288AF6-4222-4596-8014-A1315419F67C}\"\n\n";
}

std::string interfaceEntries(const std::string& name, const std::string& iid)
{
    const std::string key = "[HKEY_CLASSES_ROOT\\Interface\\" + iid;
    const std::string stub = "\"{00020424-0000-0000-C000-000000000046}\"";
    return key + "]\n@=\"" + name + "\"\n\n" + key + "\\ProxyStubClsid]\n@=" + stub + "\n\n" + key +
           "\\ProxyStubClsid32]\n@=" + stub + "\n\n" + key +
           "\\TypeLib]\n@=\"{FE288AF6-4222-4596-8014-A1315419F67C}\"\n\"Version\"=\"1.0\"\n\n";
}

} // namespace

TEST(ServerRegistration, RegisterWritesTheTablesAndUnregisterRemovesThem)
{
    TempHome home;
    ASSERT_TRUE(registerServer("/opt/velmora/bin/VelmoraServer"));
    registerAscomProfiles(true);
    const std::string typeLib = "[HKEY_CLASSES_ROOT\\TypeLib\\{FE288AF6-4222-4596-8014-A1315419F67C}";
    const std::string expected =
        "REGEDIT4\n\n"
        "[HKEY_CLASSES_ROOT\\AppID]\n\n"
        "[HKEY_CLASSES_ROOT\\AppID\\{D4C15D51-4514-45D0-BE84-AC2DC1CA2955}]\n@=\"VelmoraServer\"\n\n"
        "[HKEY_CLASSES_ROOT\\AppID\\VelmoraServer.EXE]\n\"AppID\"=\"{D4C15D51-4514-45D0-BE84-AC2DC1CA2955}"
        "\"\n\n" +
        classEntries("VelmoraServer.Camera", "{DFBDDB97-866E-4884-83A1-E19DA71D7223}", "Camera Class") +
        "[HKEY_CLASSES_ROOT\\CLSID]\n\n" +
        clsidEntries("VelmoraServer.Camera", "{DFBDDB97-866E-4884-83A1-E19DA71D7223}", "Camera Class") +
        clsidEntries("VelmoraServer.Focuser", "{456F8BD6-8EEA-4DC6-A001-E3C3070DFACB}", "Focuser Class") +
        clsidEntries("VelmoraServer.Telescope", "{78AEEB9A-F233-4C27-B0D5-7F8C450DB0AF}", "Telescope Class") +
        classEntries("VelmoraServer.Focuser", "{456F8BD6-8EEA-4DC6-A001-E3C3070DFACB}", "Focuser Class") +
        classEntries("VelmoraServer.Telescope", "{78AEEB9A-F233-4C27-B0D5-7F8C450DB0AF}", "Telescope Class") +
        "[HKEY_CLASSES_ROOT\\TypeLib]\n\n" + typeLib + "]\n\n" + typeLib +
        "\\1.0]\n@=\"VelmoraServer 1.0 Type Library\"\n\n" + typeLib + "\\1.0\\409]\n\n" + typeLib +
        "\\1.0\\409\\win32]\n@=\"/opt/velmora/bin/VelmoraServer\"\n\n" + typeLib +
        "\\1.0\\FLAGS]\n@=\"0\"\n\n" + typeLib + "\\1.0\\HELPDIR]\n@=\"/opt/velmora/bin\"\n\n" +
        "[HKEY_CLASSES_ROOT\\Interface]\n\n" +
        interfaceEntries("ICamera", "{128FEB8D-CD50-489E-B654-E3F5B7EFAE66}") +
        interfaceEntries("IFocuser", "{D53ADC1F-B1E6-4CC7-8292-A69023A12337}") +
        interfaceEntries("ITelescope", "{40B03E77-A1F2-4DE7-85F1-E0AE8D7D4010}");
    EXPECT_EQ(readFile(home.registryFile("HKEY_CLASSES_ROOT")), expected);

    const std::string ascom = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ASCOM";
    EXPECT_EQ(readFile(home.registryFile("HKEY_LOCAL_MACHINE")),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n" + ascom + "]\n\n" + ascom +
                  "\\Camera Drivers]\n\n" + ascom + "\\Camera Drivers\\VelmoraServer.Camera]\n@=hex(1):" +
                  "56,65,6c,6d,6f,72,61,20,55,53,42,20,57,65,62,43,61,6d,65,72,61\n\n" + ascom +
                  "\\Focuser Drivers]\n\n" + ascom + "\\Focuser Drivers\\VelmoraServer.Focuser]\n@=hex(1):" +
                  "56,65,6c,6d,6f,72,61,20,46,6f,63,75,73,65,72,20,4b,46,2d,33\n\n" + ascom +
                  "\\Telescope Drivers]\n\n" + ascom +
                  "\\Telescope Drivers\\VelmoraServer.Telescope]\n@=hex(1):" +
                  "56,65,6c,6d,6f,72,61,20,50,75,6c,73,65,20,47,75,69,64,65,72,20,4c,50,\\\n  "
                  "54,2f,4b,52,2d,34\n\n");

    // Registering again (a server started by hand twice) changes nothing.
    ASSERT_TRUE(registerServer("/opt/velmora/bin/VelmoraServer"));
    registerAscomProfiles(true);
    EXPECT_EQ(readFile(home.registryFile("HKEY_CLASSES_ROOT")), expected);

    ASSERT_TRUE(unregisterServer());
    registerAscomProfiles(false);
    EXPECT_EQ(readFile(home.registryFile("HKEY_CLASSES_ROOT")),
              "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\AppID]\n\n[HKEY_CLASSES_ROOT\\CLSID]\n\n"
              "[HKEY_CLASSES_ROOT\\TypeLib]\n\n[HKEY_CLASSES_ROOT\\Interface]\n\n");
    EXPECT_EQ(readFile(home.registryFile("HKEY_LOCAL_MACHINE")),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n" + ascom + "]\n\n" + ascom +
                  "\\Camera Drivers]\n\n" + ascom + "\\Focuser Drivers]\n\n" + ascom +
                  "\\Telescope Drivers]\n\n");
    EXPECT_TRUE(unregisterServer()) << "unregistering twice is not an error";
}
