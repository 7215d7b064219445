#include "platform/automation/testserver/test_server_registration.h"

#include "platform/automation/testserver/test_object.h"
#include "platform/registry/registry.h"

namespace velmora::automation::testing {

std::string testServerPath()
{
    return VELMORA_TESTSERVER_PATH;
}

std::string testClientPath()
{
    return VELMORA_TESTCLIENT_PATH;
}

std::string testServerCommand(const std::string& extraArguments)
{
    std::string command = "\"" + testServerPath() + "\"";
    if (!extraArguments.empty())
        command += " " + extraArguments;
    return command;
}

bool writeRegistryString(const std::string& path, const char* name, const std::string& value)
{
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                      static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool registerTestServer(const std::string& serverCommand)
{
    const std::string clsid = formatGuid(CLSID_VelmoraTestObject);
    const std::string appId = formatGuid(APPID_VelmoraTestServer);
    const std::string classKey = "CLSID\\" + clsid;
    return writeRegistryString(kTestProgIdVersion, "", "Velmora Test Object") &&
           writeRegistryString(std::string(kTestProgIdVersion) + "\\CLSID", "", clsid) &&
           writeRegistryString(kTestProgId, "", "Velmora Test Object") &&
           writeRegistryString(std::string(kTestProgId) + "\\CLSID", "", clsid) &&
           writeRegistryString(std::string(kTestProgId) + "\\CurVer", "", kTestProgIdVersion) &&
           writeRegistryString(classKey, "", "Velmora Test Object") &&
           writeRegistryString(classKey, "AppID", appId) &&
           writeRegistryString(classKey + "\\ProgID", "", kTestProgIdVersion) &&
           writeRegistryString(classKey + "\\LocalServer32", "", serverCommand) &&
           writeRegistryString("AppID\\" + appId, "", "Velmora Test Server");
}

} // namespace velmora::automation::testing
