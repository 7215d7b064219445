#pragma once
// Fixed identity of VelmoraServer: application id, classes, program ids, type library.

#include <array>

namespace velmora::server {

constexpr const char* kAppId = "{D4C15D51-4514-45D0-BE84-AC2DC1CA2955}";
constexpr const char* kAppName = "VelmoraServer";
constexpr const char* kExecutableName = "VelmoraServer.EXE";
constexpr const char* kTypeLibId = "{FE288AF6-4222-4596-8014-A1315419F67C}";
constexpr const char* kTypeLibName = "VelmoraServerLib";
constexpr const char* kTypeLibHelp = "VelmoraServer 1.0 Type Library";
// The type library's locale: 1033, English (United States). It is not locale-neutral,
// so its path is registered under the locale's subkey in hexadecimal ("409").
constexpr unsigned kTypeLibLocale = 1033;
constexpr const char* kSettingsCompany = "Velmora Software";
// Interfaces are marshalled through the automation (IDispatch) proxy.
constexpr const char* kDispatchProxyStub = "{00020424-0000-0000-C000-000000000046}";

struct ServerClass {
    const char* name; // coclass
    const char* clsid;
    const char* progId; // version-dependent
    const char* versionIndependentProgId;
    const char* description;
    const char* interfaceName;
    const char* interfaceId;
    const char* ascomDriversKey; // under HKLM\SOFTWARE\ASCOM
    const char* ascomDescription;
};

constexpr std::array<ServerClass, 3> kServerClasses = {{
    {"Camera", "{DFBDDB97-866E-4884-83A1-E19DA71D7223}", "VelmoraServer.Camera.1", "VelmoraServer.Camera",
     "Camera Class", "ICamera", "{128FEB8D-CD50-489E-B654-E3F5B7EFAE66}", "Camera Drivers",
     "Velmora USB WebCamera"},
    {"Focuser", "{456F8BD6-8EEA-4DC6-A001-E3C3070DFACB}", "VelmoraServer.Focuser.1", "VelmoraServer.Focuser",
     "Focuser Class", "IFocuser", "{D53ADC1F-B1E6-4CC7-8292-A69023A12337}", "Focuser Drivers",
     "Velmora Focuser KF-3"},
    {"Telescope", "{78AEEB9A-F233-4C27-B0D5-7F8C450DB0AF}", "VelmoraServer.Telescope.1",
     "VelmoraServer.Telescope", "Telescope Class", "ITelescope", "{40B03E77-A1F2-4DE7-85F1-E0AE8D7D4010}",
     "Telescope Drivers", "Velmora Pulse Guider LPT/KR-4"},
}};

// Message 131, shown when the server is started by hand.
constexpr const char* kStartedByHandMessage =
    "Warning!\r\nThis exe file is an ASCOM interfaces server and does not intended for direct use.\r\n"
    "To access camera, focuser and telescope interfaces use ASCOM client software.\r\n"
    "Note, server already has been registered.\r\n"
    "Please close this window and run your ASCOM client application,\r\nfor example, Nebrix.";

} // namespace velmora::server
