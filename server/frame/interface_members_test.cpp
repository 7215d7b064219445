#include "server/frame/interface_members.h"
#include "server/frame/type_library.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace velmora::server;
using velmora::automation::MemberInfo;
using velmora::automation::MemberKind;
using velmora::automation::TypeDesc;

namespace {

// The interfaces as published to driver writers, one member a line.
const char* const kPublishedTables = R"(
interface ICamera
1 get BinX (—) -> short (16-bit)
1 put BinX (short (16-bit)) -> —
2 get BinY (—) -> short (16-bit)
2 put BinY (short (16-bit)) -> —
3 get CameraState (—) -> CameraStates
4 get CameraXSize (—) -> long (32-bit)
5 get CameraYSize (—) -> long (32-bit)
6 get CanAbortExposure (—) -> VARIANT_BOOL
7 get CanAsymmetricBin (—) -> VARIANT_BOOL
8 get CanPulseGuide (—) -> VARIANT_BOOL
9 get CanSetCCDTemperature (—) -> VARIANT_BOOL
10 get CanStopExposure (—) -> VARIANT_BOOL
11 get CCDTemperature (—) -> double
12 get Connected (—) -> VARIANT_BOOL
12 put Connected (VARIANT_BOOL) -> —
13 get CoolerOn (—) -> VARIANT_BOOL
13 put CoolerOn (VARIANT_BOOL) -> —
14 get CoolerPower (—) -> double
15 get Description (—) -> BSTR
16 get ElecronsPerADU (—) -> double
17 get FullWellCapacity (—) -> double
18 get HasShutter (—) -> VARIANT_BOOL
19 get HeatSinkTemperature (—) -> double
20 get ImageArray (—) -> SAFEARRAY of long
21 get ImageArrayVariant (—) -> SAFEARRAY of VARIANT
22 get ImageReady (—) -> VARIANT_BOOL
23 get LastError (—) -> BSTR
24 get LastExposureDuration (—) -> double
25 get LastExposureStartTime (—) -> BSTR
26 get MaxADU (—) -> long (32-bit)
27 get MaxBinX (—) -> short (16-bit)
28 get MaxBinY (—) -> short (16-bit)
29 get NumX (—) -> long (32-bit)
29 put NumX (long (32-bit)) -> —
30 get NumY (—) -> long (32-bit)
30 put NumY (long (32-bit)) -> —
31 get PixelSizeX (—) -> double
32 get PixelSizeY (—) -> double
33 get SetCCDTemperature (—) -> double
33 put SetCCDTemperature (double) -> —
34 get StartX (—) -> long (32-bit)
34 put StartX (long (32-bit)) -> —
35 get StartY (—) -> long (32-bit)
35 put StartY (long (32-bit)) -> —
36 method AbortExposure (—) -> —
37 method PulseGuide (GuideDirections Direction, long (32-bit) Duration) -> —
38 method SetupDialog (—) -> —
39 method StartExposure (double Duration, VARIANT_BOOL Light) -> VARIANT_BOOL
40 method StopExposure (—) -> —
41 method GetRawBuffer (64-bit integer hWnd) -> —
interface IFocuser
1 get Absolute (—) -> VARIANT_BOOL
2 get IsMoving (—) -> VARIANT_BOOL
3 get Link (—) -> VARIANT_BOOL
3 put Link (VARIANT_BOOL) -> —
4 get MaxIncrement (—) -> long (32-bit)
5 get MaxStep (—) -> long (32-bit)
6 get Position (—) -> long (32-bit)
7 get StepSize (—) -> double
8 get TempComp (—) -> VARIANT_BOOL
8 put TempComp (VARIANT_BOOL) -> —
9 get TempCompAvailable (—) -> VARIANT_BOOL
10 get Temperature (—) -> double
11 method Halt (—) -> —
12 method Move (long (32-bit) Position) -> —
13 method SetupDialog (—) -> —
interface ITelescope
1 get AlignmentMode (—) -> AlignmentModes
2 get Altitude (—) -> double
3 get ApertureArea (—) -> double
4 get ApertureDiameter (—) -> double
5 get AtHome (—) -> VARIANT_BOOL
6 get AtPark (—) -> VARIANT_BOOL
7 get Azimuth (—) -> double
8 get CanFindHome (—) -> VARIANT_BOOL
9 get CanPark (—) -> VARIANT_BOOL
10 get CanPulseGuide (—) -> VARIANT_BOOL
11 get CanSetDeclinationRate (—) -> VARIANT_BOOL
12 get CanSetGuideRates (—) -> VARIANT_BOOL
13 get CanSetPark (—) -> VARIANT_BOOL
14 get CanSetPierSide (—) -> VARIANT_BOOL
15 get CanSetRightAscensionRate (—) -> VARIANT_BOOL
16 get CanSetTracking (—) -> VARIANT_BOOL
17 get CanSlew (—) -> VARIANT_BOOL
18 get CanSlewAltAz (—) -> VARIANT_BOOL
19 get CanSlewAltAzAsync (—) -> VARIANT_BOOL
20 get CanSlewAsync (—) -> VARIANT_BOOL
21 get CanSync (—) -> VARIANT_BOOL
22 get CanSyncAltAz (—) -> VARIANT_BOOL
23 get CanUnpark (—) -> VARIANT_BOOL
24 get Connected (—) -> VARIANT_BOOL
24 put Connected (VARIANT_BOOL) -> —
25 get Declination (—) -> double
26 get DeclinationRate (—) -> double
26 put DeclinationRate (double) -> —
27 get Description (—) -> BSTR
28 get DoesRefraction (—) -> VARIANT_BOOL
28 put DoesRefraction (VARIANT_BOOL) -> —
29 get DriverInfo (—) -> BSTR
30 get DriverVersion (—) -> BSTR
31 get EquatorialSystem (—) -> EquatorialCoordinateType
32 get FocalLength (—) -> double
33 get GuideRateDeclination (—) -> double
33 put GuideRateDeclination (double) -> —
34 get GuideRateRightAscension (—) -> double
34 put GuideRateRightAscension (double) -> —
35 get InterfaceVersion (—) -> long (32-bit)
36 get IsPulseGuiding (—) -> VARIANT_BOOL
37 get Name (—) -> BSTR
38 get RightAscension (—) -> double
39 get RightAscensionRate (—) -> double
39 put RightAscensionRate (double) -> —
40 get SideOfPier (—) -> PierSide
40 put SideOfPier (PierSide) -> —
41 get SiderealTime (—) -> double
42 get SiteElevation (—) -> double
42 put SiteElevation (double) -> —
43 get SiteLatitude (—) -> double
43 put SiteLatitude (double) -> —
44 get SiteLongitude (—) -> double
44 put SiteLongitude (double) -> —
45 get Slewing (—) -> VARIANT_BOOL
46 get SlewSettleTime (—) -> long (32-bit)
46 put SlewSettleTime (long (32-bit)) -> —
47 get TargetDeclination (—) -> double
47 put TargetDeclination (double) -> —
48 get TargetRightAscension (—) -> double
48 put TargetRightAscension (double) -> —
49 get Tracking (—) -> VARIANT_BOOL
49 put Tracking (VARIANT_BOOL) -> —
50 get TrackingRate (—) -> DriveRates
50 put TrackingRate (DriveRates) -> —
51 get TrackingRates (—) -> VARIANT
52 get UTCDate (—) -> DATE
52 put UTCDate (DATE) -> —
53 method AbortSlew (—) -> —
54 method AxisRates (TelescopeAxes Axes) -> VARIANT
55 method CanMoveAxis (TelescopeAxes Axis) -> VARIANT_BOOL
56 method CommandBlind (BSTR Command, VARIANT_BOOL Raw) -> —
57 method CommandBool (BSTR Command, VARIANT_BOOL Raw) -> VARIANT_BOOL
58 method CommandString (BSTR Command, VARIANT_BOOL Raw) -> BSTR
59 method DestinationSideOfPier (double RightAscension, double Declination) -> PierSide
60 method FindHome (—) -> —
61 method MoveAxis (TelescopeAxes Axis, double Rate) -> —
62 method Park (—) -> —
63 method PulseGuide (GuideDirections Direction, long (32-bit) Duration) -> —
64 method SetPark (—) -> —
65 method SetupDialog (—) -> —
66 method SlewToAltAz (double Azimuth, double Altitude) -> —
67 method SlewToAltAzAsync (double Azimuth, double Altitude) -> —
68 method SlewToCoordinates (double RightAscension, double Declination) -> —
69 method SlewToCoordinatesAsync (double RightAscension, double Declination) -> —
70 method SlewToTarget (—) -> —
71 method SlewToTargetAsync (—) -> —
72 method SyncToAltAz (double Azimuth, double Altitude) -> —
73 method SyncToCoordinates (double RightAscension, double Declination) -> —
74 method SyncToTarget (—) -> —
75 method Unpark (—) -> —
)";

std::string typeText(const TypeDesc& t)
{
    if (!t.name.empty())
        return t.name;
    switch (t.vt) {
    case VT_I2:
        return "short (16-bit)";
    case VT_I4:
        return "long (32-bit)";
    case VT_I8:
        return "64-bit integer";
    case VT_R8:
        return "double";
    case VT_BOOL:
        return "VARIANT_BOOL";
    case VT_BSTR:
        return "BSTR";
    case VT_DATE:
        return "DATE";
    case VT_VARIANT:
        return "VARIANT";
    case VT_ARRAY | VT_I4:
        return "SAFEARRAY of long";
    case VT_ARRAY | VT_VARIANT:
        return "SAFEARRAY of VARIANT";
    default:
        return "?";
    }
}

std::string memberLine(const MemberInfo& m)
{
    const char* kind = m.kind == MemberKind::PropertyGet   ? "get"
                       : m.kind == MemberKind::PropertyPut ? "put"
                                                           : "method";
    std::string params;
    for (const auto& p : m.params) {
        if (!params.empty())
            params += ", ";
        params += typeText(p.type) + (p.name.empty() ? "" : " " + p.name);
    }
    return std::to_string(m.dispid) + " " + kind + " " + m.name + " (" + (params.empty() ? "—" : params) +
           ") -> " + (m.result.vt == VT_EMPTY ? "—" : typeText(m.result));
}

std::string render()
{
    std::string text = "\n";
    for (const auto& [name, members] :
         {std::pair{"ICamera", &cameraMembers()}, std::pair{"IFocuser", &focuserMembers()},
          std::pair{"ITelescope", &telescopeMembers()}}) {
        text += std::string("interface ") + name + "\n";
        for (const auto& m : *members)
            text += memberLine(m) + "\n";
    }
    return text;
}

} // namespace

TEST(InterfaceMembers, MatchThePublishedTablesMemberForMember)
{
    EXPECT_EQ(render(), kPublishedTables);
    EXPECT_EQ(cameraMembers().size(), 50u);
    EXPECT_EQ(focuserMembers().size(), 15u);
    EXPECT_EQ(telescopeMembers().size(), 91u);
    for (const auto* members : {&cameraMembers(), &focuserMembers(), &telescopeMembers()})
        for (const auto& m : *members)
            EXPECT_EQ(m.help, std::string(m.kind == MemberKind::Method ? "method " : "property ") + m.name);
}

TEST(TypeLibrary, DescribesEveryMemberEnumerationAndClass)
{
    const std::string text = typeLibraryText();
    EXPECT_NE(text.find("uuid(FE288AF6-4222-4596-8014-A1315419F67C)"), std::string::npos);
    EXPECT_NE(text.find("library VelmoraServerLib"), std::string::npos);
    EXPECT_NE(text.find("version(1.0),\n    lcid(0x0409),"), std::string::npos) << "locale 1033";
    EXPECT_NE(text.find("helpstring(\"VelmoraServer 1.0 Type Library\")"), std::string::npos);
    EXPECT_NE(
        text.find(
            "enum _GuideDirections {\n        guideNorth = 0,\n        guideSouth = 1,\n        guideEast = "
            "2,\n        guideWest = 3\n    } GuideDirections;"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("typedef [uuid(EE3601FD-36C6-4201-BF10-BADAFDF97BF0)]"), std::string::npos);
    EXPECT_NE(text.find("interface ICamera : IDispatch"), std::string::npos);
    EXPECT_NE(text.find("uuid(128FEB8D-CD50-489E-B654-E3F5B7EFAE66)"), std::string::npos);
    EXPECT_NE(text.find("helpstring(\"ITelescope Interface\")"), std::string::npos);
    EXPECT_NE(
        text.find("[id(41), helpstring(\"method GetRawBuffer\")] HRESULT GetRawBuffer([in] hyper hWnd);"),
        std::string::npos);
    EXPECT_NE(
        text.find("[id(12), propput, helpstring(\"property Connected\")] HRESULT Connected([in] VARIANT_BOOL "
                  "newVal);"),
        std::string::npos);
    EXPECT_NE(text.find("HRESULT ImageArray([out, retval] SAFEARRAY(long)* pVal);"), std::string::npos);
    EXPECT_NE(text.find("coclass Telescope {\n        [default] interface ITelescope;"), std::string::npos);
    // Every member appears, in table order.
    std::size_t pos = text.find("interface ICamera : IDispatch");
    for (const auto* members : {&cameraMembers(), &focuserMembers(), &telescopeMembers()}) {
        for (const auto& m : *members) {
            std::size_t next = text.find("HRESULT " + m.name + "(", pos);
            ASSERT_NE(next, std::string::npos) << m.name;
            pos = next;
        }
    }
}
