#include "server/frame/server_registration.h"

#include "platform/registry/registry.h"
#include "server/frame/server_identity.h"

#include <cstdio>
#include <filesystem>

namespace velmora::server {

namespace {

bool setText(HKEY root, const std::string& path, const char* name, const std::string& text,
             bool withNul = true)
{
    HKEY key = nullptr;
    if (RegCreateKeyEx(root, path.c_str(), KEY_WRITE, &key) != ERROR_SUCCESS)
        return false;
    const DWORD size = static_cast<DWORD>(text.size() + (withNul ? 1 : 0));
    bool ok =
        RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool setDefault(const std::string& path, const std::string& text)
{
    return setText(HKEY_CLASSES_ROOT, path, nullptr, text);
}

bool createEmpty(const std::string& path)
{
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), KEY_WRITE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Deleting what is already gone counts as done.
bool removeTree(const std::string& path)
{
    LONG rc = RegDeleteTree(HKEY_CLASSES_ROOT, path.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool registerClass(const ServerClass& c, const std::string& executablePath)
{
    const std::string clsidKey = std::string("CLSID\\") + c.clsid;
    bool ok = setDefault(c.progId, c.description);
    ok = setDefault(std::string(c.progId) + "\\CLSID", c.clsid) && ok;
    ok = setDefault(c.versionIndependentProgId, c.description) && ok;
    ok = setDefault(std::string(c.versionIndependentProgId) + "\\CLSID", c.clsid) && ok;
    ok = setDefault(std::string(c.versionIndependentProgId) + "\\CurVer", c.progId) && ok;
    ok = removeTree(clsidKey) && ok; // replaced whole
    ok = setDefault(clsidKey, c.description) && ok;
    ok = setText(HKEY_CLASSES_ROOT, clsidKey, "AppID", kAppId) && ok;
    ok = setDefault(clsidKey + "\\ProgID", c.progId) && ok;
    ok = setDefault(clsidKey + "\\VersionIndependentProgID", c.versionIndependentProgId) && ok;
    ok = createEmpty(clsidKey + "\\Programmable") && ok;
    ok = setDefault(clsidKey + "\\LocalServer32", executablePath) && ok;
    ok = setDefault(clsidKey + "\\TypeLib", kTypeLibId) && ok;
    return ok;
}

// The subkey of a locale under a type library's version, as the standard registration
// writes it: the locale in lower-case hexadecimal without leading zeros ("409").
std::string localeSubkey(unsigned lcid)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", lcid);
    return text;
}

bool registerTypeLibrary(const std::string& executablePath)
{
    const std::string lib = std::string("TypeLib\\") + kTypeLibId + "\\1.0";
    const std::string folder = std::filesystem::path(executablePath).parent_path().string();
    bool ok = setDefault(lib, kTypeLibHelp);
    ok = setDefault(lib + "\\" + localeSubkey(kTypeLibLocale) + "\\win32", executablePath) && ok;
    ok = setDefault(lib + "\\FLAGS", "0") && ok;
    ok = setDefault(lib + "\\HELPDIR", folder) && ok;
    for (const auto& c : kServerClasses) {
        const std::string itf = std::string("Interface\\") + c.interfaceId;
        ok = setDefault(itf, c.interfaceName) && ok;
        ok = setDefault(itf + "\\ProxyStubClsid", kDispatchProxyStub) && ok;
        ok = setDefault(itf + "\\ProxyStubClsid32", kDispatchProxyStub) && ok;
        ok = setDefault(itf + "\\TypeLib", kTypeLibId) && ok;
        ok = setText(HKEY_CLASSES_ROOT, itf + "\\TypeLib", "Version", "1.0") && ok;
    }
    return ok;
}

} // namespace

bool registerServer(const std::string& executablePath)
{
    registry::Batch batch(HKEY_CLASSES_ROOT);
    bool ok = setDefault(std::string("AppID\\") + kAppId, kAppName);
    ok = setText(HKEY_CLASSES_ROOT, std::string("AppID\\") + kExecutableName, "AppID", kAppId) && ok;
    for (const auto& c : kServerClasses)
        ok = registerClass(c, executablePath) && ok;
    return registerTypeLibrary(executablePath) && ok;
}

bool unregisterServer()
{
    registry::Batch batch(HKEY_CLASSES_ROOT);
    bool ok = removeTree(std::string("AppID\\") + kAppId);
    ok = removeTree(std::string("AppID\\") + kExecutableName) && ok;
    for (const auto& c : kServerClasses) {
        ok = removeTree(c.progId) && ok;
        ok = removeTree(c.versionIndependentProgId) && ok;
        ok = removeTree(std::string("CLSID\\") + c.clsid) && ok;
        ok = removeTree(std::string("Interface\\") + c.interfaceId) && ok;
    }
    return removeTree(std::string("TypeLib\\") + kTypeLibId) && ok;
}

void registerAscomProfiles(bool doRegister)
{
    registry::Batch batch(HKEY_LOCAL_MACHINE);
    HKEY software = nullptr;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_CREATE_SUB_KEY, &software) != ERROR_SUCCESS)
        return;
    HKEY ascom = nullptr;
    LONG rc = RegCreateKeyEx(software, "ASCOM", KEY_CREATE_SUB_KEY, &ascom);
    RegCloseKey(software);
    if (rc != ERROR_SUCCESS)
        return;
    for (const auto& c : kServerClasses) {
        HKEY drivers = nullptr;
        if (RegCreateKeyEx(ascom, c.ascomDriversKey, KEY_ALL_ACCESS, &drivers) != ERROR_SUCCESS)
            continue;
        if (doRegister) {
            HKEY entry = nullptr;
            if (RegCreateKeyEx(drivers, c.versionIndependentProgId, KEY_SET_VALUE, &entry) == ERROR_SUCCESS) {
                // The description is stored without a terminating NUL.
                const std::string text = c.ascomDescription;
                RegSetValueEx(entry, nullptr, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                              static_cast<DWORD>(text.size()));
                RegCloseKey(entry);
            }
        } else {
            RegDeleteTree(drivers, c.versionIndependentProgId);
        }
        RegCloseKey(drivers);
    }
    RegCloseKey(ascom);
}

} // namespace velmora::server
